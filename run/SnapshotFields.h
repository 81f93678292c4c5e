// The snapshot's field tables and the rules a kept value must meet, shared by the records,
// the reader and the file code of RouterSnapshot; not part of its interface.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace VLQLWizUIControl::snapshot {

// The first line of each format this program has written.
inline constexpr std::string_view kHeader1 = "# Quillet Wizard router snapshot, format 1";
inline constexpr std::string_view kHeader2 = "# Quillet Wizard router snapshot, format 2";

// A file larger than this is refused unread. A Quillet holds at most 32 locations and
// 32 filters of 64 rules a list; with every IP list full its snapshot is about 830 KB.
inline constexpr size_t kMaxBytes = 1u << 20;
// Records (global, interfaces, ports, locations, filters, rules) a file may hold: a full
// Quillet has about 6,200 (32 filters of 3 lists of 64 rules, 32 locations, a few ports).
inline constexpr size_t kMaxRecords = 10000;

enum class Kind { Text, Int, Hex };

// What a text field may hold when read back. Each rule keeps a value from turning into
// more, or other, than one setting when a restore writes it into a command line.
enum class Rule {
    None,     // numbers: their own syntax is the rule
    Address,  // a dotted quad of four decimal bytes, or empty
    Mask,     // an address, as the netmask page takes one (a run may have set any)
    Host,     // an address, or a host name where the router takes one
    Word,     // one command word: no blank and no control byte
    Text,     // no control byte; blanks allowed
    Digits,   // decimal digits only, as the line-identifier pages take them
};

struct Field {
    const char* key;
    size_t offset;
    Kind kind;
    size_t size;  // bytes of a text field
    Rule rule;
};

extern const std::vector<Field> kGlobalFields;
extern const std::vector<Field> kEtherFields;
extern const std::vector<Field> kPortFields;
extern const std::vector<Field> kLocationFields;
extern const std::vector<Field> kIpRuleFields;
extern const std::vector<Field> kIpxRuleFields;
extern const std::vector<Field> kSapRuleFields;

// Texts are kept on one line: backslash, line ends and other control bytes are escaped.
std::string Escape(const char* text, size_t size);  // up to the first NUL
std::string FieldValue(const void* record, const Field& f);

} // namespace VLQLWizUIControl::snapshot
