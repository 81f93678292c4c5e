// The snapshot's field tables and the text helpers around them, shared by the records and
// the reader of RouterSnapshot; not part of its interface.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace VLQLWizUIControl::snapshot {

enum class Kind { Text, Int, Hex };

struct Field {
    const char* key;
    size_t offset;
    Kind kind;
    size_t size;  // bytes of a text field
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
std::string NameText(const char* field, size_t size);

template <size_t N>
std::string NameText(const char (&field)[N]) {
    return NameText(field, N);
}

} // namespace VLQLWizUIControl::snapshot
