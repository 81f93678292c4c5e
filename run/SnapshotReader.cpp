// Reading a snapshot's text back into its records: one pass over the lines, each key taken
// apart from its right-hand end, each record found by hashing, and every name and value
// held to what the router takes, so that a restore never sends what the file's editor
// slipped in.
#include "run/RouterSnapshot.h"

#include "router/Validators.h"
#include "run/SnapshotFields.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <string_view>
#include <unordered_map>

namespace VLQLWizUIControl {

namespace {

using namespace snapshot;
using std::string_view;

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// No control byte: a NUL would cut the command line short, a line break could start
// another command. Bytes from 0x80 on pass: a password or a user name may be in any
// character set.
bool IsText(string_view s) {
    for (unsigned char c : s)
        if (IsControl(c))
            return false;
    return true;
}

// The router splits its command lines at blanks: a word must hold none.
bool IsWord(string_view s) { return IsText(s) && s.find(' ') == string_view::npos; }

// Four decimal bytes and three dots, as inet_pton takes them: the short, octal and
// hexadecimal forms inet_aton also takes would let "255.0.0" pass for 255.0.0.0.
bool ParseQuad(string_view s, uint32_t& value) {
    value = 0;
    for (int part = 0; part < 4; ++part) {
        size_t n = 0;
        unsigned byte = 0;
        for (; n < s.size() && n < 4 && s[n] >= '0' && s[n] <= '9'; ++n)
            byte = byte * 10 + static_cast<unsigned>(s[n] - '0');
        if (n == 0 || n > 3 || byte > 255 || (n > 1 && s[0] == '0'))
            return false;
        value = value << 8 | byte;
        s.remove_prefix(n);
        if (part < 3) {
            if (s.empty() || s[0] != '.')
                return false;
            s.remove_prefix(1);
        }
    }
    return s.empty();
}

// Labels of letters, digits, '-' and '_', joined by dots; one of only digits and dots must
// be a whole address.
bool IsHost(string_view s) {
    uint32_t unused;
    if (s.find_first_not_of("0123456789.") == string_view::npos)
        return ParseQuad(s, unused);
    size_t label = 0;
    for (char c : s) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (c == '.') {
            if (label == 0)
                return false;
            label = 0;
        } else if (alnum || c == '_' || (c == '-' && label > 0)) {
            ++label;
        } else {
            return false;
        }
    }
    return label > 0;
}

bool RuleHolds(Rule rule, const std::string& text) {
    uint32_t quad = 0;
    switch (rule) {
    case Rule::None: return true;
    case Rule::Address: return text.empty() || ParseQuad(text, quad);
    case Rule::Mask: return text.empty() || ParseQuad(text, quad);
    case Rule::Host: return text.empty() || IsHost(text);
    case Rule::Word: return IsWord(text);
    case Rule::Text: return IsText(text);
    case Rule::Digits: return AllDigits(text);
    }
    return false;
}

const char* RuleName(Rule rule) {
    switch (rule) {
    case Rule::Address: return "not an address";
    case Rule::Mask: return "not a netmask";
    case Rule::Host: return "neither an address nor a host name";
    case Rule::Word: return "not one word without control bytes";
    case Rule::Text: return "holds a control byte";
    case Rule::Digits: return "not digits only";
    case Rule::None: break;
    }
    return "not a number";
}

bool Unescape(string_view in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (++i >= in.size())
            return false;
        if (in[i] == '\\' || in[i] == 'n' || in[i] == 'r') {
            out += in[i] == 'n' ? '\n' : in[i] == 'r' ? '\r' : '\\';
            continue;
        }
        unsigned byte = 0;
        if (in[i] != 'x' || in.size() - i < 3)
            return false;
        const auto [end, ec] = std::from_chars(in.data() + i + 1, in.data() + i + 3, byte, 16);
        if (ec != std::errc() || end != in.data() + i + 3)
            return false;
        out += static_cast<char>(byte);
        i += 2;
    }
    return true;
}

// Whole decimal or "0x" hexadecimal text, nothing around it.
template <typename T>
bool ParseNumber(string_view s, T& value, int base) {
    if (s.empty() || s[0] == '+')
        return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    return ec == std::errc() && end == s.data() + s.size();
}

// Stores one field's value; null, or why it was refused.
const char* SetField(void* record, const Field& f, string_view value) {
    char* base = static_cast<char*>(record) + f.offset;
    if (f.kind == Kind::Int) {
        int32_t v = 0;
        if (!ParseNumber(value, v, 10))
            return "not a number";
        std::memcpy(base, &v, sizeof v);
        return nullptr;
    }
    if (f.kind == Kind::Hex) {
        uint32_t v = 0;
        if (value.substr(0, 2) != "0x" || value.size() > 10 || !ParseNumber(value.substr(2), v, 16))
            return "not a hexadecimal number";
        std::memcpy(base, &v, sizeof v);
        return nullptr;
    }
    std::string text;
    if (!Unescape(value, text))
        return "a bad escape";
    if (text.size() >= f.size)
        return "too long";
    if (!RuleHolds(f.rule, text))
        return RuleName(f.rule);
    std::memset(base, 0, f.size);
    std::memcpy(base, text.data(), text.size());
    return nullptr;
}

// The names the router gives its records: a location's 1 to 15 characters (its table's
// width; the wizard itself makes them 12 at most), a filter's 1 to 16, a port's letter
// and number. A name is one command word, so it holds no blank and no control byte.
bool IsLocationName(string_view s) { return !s.empty() && s.size() <= 15 && IsWord(s); }
bool IsFilterName(string_view s) { return !s.empty() && s.size() <= 16 && IsWord(s); }
bool IsPortName(string_view s) {
    return s.size() >= 2 && s.size() <= 4 && string_view("CPSW").find(s[0]) != string_view::npos &&
           s.find_first_not_of("0123456789", 1) == string_view::npos;
}

// "yyyy-mm-ddThh:mm:ssZ" of a real moment, as the run writes it.
bool IsUtcTime(string_view s) {
    static constexpr string_view shape = "dddd-dd-ddTdd:dd:ddZ";
    if (s.size() != shape.size())
        return false;
    for (size_t i = 0; i < s.size(); ++i)
        if (shape[i] == 'd' ? (s[i] < '0' || s[i] > '9') : s[i] != shape[i])
            return false;
    auto at = [s](size_t from, size_t n) {
        int v = 0;
        std::from_chars(s.data() + from, s.data() + from + n, v);
        return v;
    };
    std::tm tm{};
    tm.tm_year = at(0, 4) - 1900;
    tm.tm_mon = at(5, 2) - 1;
    tm.tm_mday = at(8, 2);
    tm.tm_hour = at(11, 2);
    tm.tm_min = at(14, 2);
    tm.tm_sec = at(17, 2);
    std::tm back = tm;
    const std::time_t t = timegm(&back);  // normalises 02-30 to 03-02: compare to catch it
    return t != static_cast<std::time_t>(-1) && back.tm_year == tm.tm_year &&
           back.tm_mon == tm.tm_mon && back.tm_mday == tm.tm_mday && back.tm_hour == tm.tm_hour &&
           back.tm_min == tm.tm_min && back.tm_sec == tm.tm_sec;
}

// A key as an error shows it: cut short, control bytes escaped.
std::string Shown(string_view key) {
    const size_t keep = 64;
    return Escape(key.data(), std::min(key.size(), keep)) + (key.size() > keep ? "..." : "");
}

// The header's keys, in the order a missing one is reported, and the format that has each.
struct HeaderKey {
    string_view key;
    int since;
};
constexpr HeaderKey kHeaderKeys[] = {{"format", 1}, {"tables", 2},           {"router.address", 1},
                                     {"taken", 1},  {"session.password", 1}, {"run.password", 1}};

// One record being read back: where it goes, its fields, and which were seen.
struct Slot {
    void* record;
    const std::vector<Field>* fields;
    uint64_t seen = 0;
};

struct FilterBuild {
    std::string name;
    bool counted = false;
    size_t counts[3] = {0, 0, 0};
    std::map<size_t, VlFilterRule> ip;
    std::map<size_t, VlIpxFilterRule> ipx;
    std::map<size_t, VlSapFilterRule> sap;
};

class Reader {
public:
    explicit Reader(RouterSnapshot& out) : out_(out) {}

    bool Read(string_view text, std::string& error);

private:
    bool Line(string_view key, string_view value);
    bool Header(string_view key, string_view value);
    bool Assign(const std::string& prefix, void* record, const std::vector<Field>& fields,
                string_view field, string_view value);
    bool Count();
    bool Filter(string_view rest, string_view value);
    bool Finish();
    bool Fail(std::string why) {
        error_ = std::move(why);
        return false;
    }

    RouterSnapshot& out_;
    std::string error_;
    int version_ = 0;
    size_t records_ = 0;
    std::map<string_view, std::string> header_;
    std::deque<VlEther> ethers_;
    std::deque<VlPort> ports_;
    std::deque<VlLocation> locations_;
    std::deque<FilterBuild> filters_;
    std::unordered_map<std::string, size_t> filterIndex_;
    std::unordered_map<std::string, Slot> slots_;  // by record prefix
};

bool Reader::Read(string_view text, std::string& error) {
    const size_t firstEnd = std::min(text.find('\n'), text.size());
    const string_view first = text.substr(0, firstEnd);
    version_ = first == kHeader1 ? 1 : first == kHeader2 ? 2 : 0;
    if (version_ == 0) {
        error = "not a router snapshot (its first line must be \"" + std::string(kHeader2) + "\")";
        return false;
    }
    int number = 1;
    for (size_t at = firstEnd + 1; at < text.size(); ++number) {
        const size_t end = std::min(text.find('\n', at), text.size());
        const string_view line = text.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line[0] == '#')
            continue;
        string_view key, value;
        const size_t eq = line.find(" = ");
        if (eq != string_view::npos) {
            key = line.substr(0, eq);
            value = line.substr(eq + 3);
        } else if (line.size() > 2 && line.substr(line.size() - 2) == " =") {
            key = line.substr(0, line.size() - 2);  // an empty value whose blank was trimmed
        } else {
            error = "line " + std::to_string(number + 1) + ": not a \"key = value\" line";
            return false;
        }
        if (!Line(key, value)) {
            error = "line " + std::to_string(number + 1) + ": " + error_;
            return false;
        }
    }
    if (!Finish()) {
        error = error_;
        return false;
    }
    return true;
}

bool Reader::Line(string_view key, string_view value) {
    for (const HeaderKey& h : kHeaderKeys)
        if (key == h.key && version_ >= h.since)
            return Header(key, value);
    if (key.substr(0, 7) == "global.")
        return Assign("global", &out_.global, kGlobalFields, key.substr(7), value);
    if (key.substr(0, 7) == "ether0." || key.substr(0, 7) == "ether1.") {
        const size_t index = static_cast<size_t>(key[5] - '0');
        while (ethers_.size() <= index) {
            ethers_.emplace_back();
            std::snprintf(ethers_.back().name, sizeof ethers_.back().name, "ether%zu", ethers_.size() - 1);
        }
        return Assign(std::string(key.substr(0, 6)), &ethers_[index], kEtherFields, key.substr(7), value);
    }
    const bool port = key.substr(0, 5) == "port.";
    if (port || key.substr(0, 9) == "location.") {
        const string_view rest = key.substr(port ? 5 : 9);
        const size_t dot = rest.rfind('.');
        const string_view name = rest.substr(0, dot == string_view::npos ? 0 : dot);
        if (!(port ? IsPortName(name) : IsLocationName(name)))
            return Fail("\"" + Shown(key) + "\": not a " + (port ? "port" : "location") +
                        " name the Quillet takes");
        const std::string prefix(key.substr(0, key.size() - (rest.size() - dot)));
        void* record = nullptr;
        if (slots_.count(prefix) == 0) {
            if (port) {
                record = &ports_.emplace_back();
                std::memcpy(ports_.back().name, name.data(), name.size());
            } else {
                record = &locations_.emplace_back();
                std::memcpy(locations_.back().name, name.data(), name.size());
            }
        }
        return Assign(prefix, record, port ? kPortFields : kLocationFields, rest.substr(dot + 1), value);
    }
    if (key.substr(0, 7) == "filter.")
        return Filter(key.substr(7), value);
    return Fail("unknown key \"" + Shown(key) + "\"");
}

bool Reader::Header(string_view key, string_view value) {
    std::string text, message, unused;
    if (header_.count(key) != 0)
        return Fail("repeated key \"" + std::string(key) + "\"");
    bool ok = Unescape(value, text) && IsText(text);
    if (key == "format")
        ok = text == std::to_string(version_);
    else if (key == "tables")
        ok = text == "whole" || text == "partial";
    else if (key == "router.address")
        ok = ok && (CheckAddress(text, message, unused), message.empty());
    else if (key == "taken")
        ok = IsUtcTime(value);
    if (!ok)
        return Fail("\"" + std::string(key) + "\": bad value");
    header_[key] = std::move(text);
    return true;
}

bool Reader::Count() {
    if (++records_ <= kMaxRecords)
        return true;
    return Fail("more than " + std::to_string(kMaxRecords) + " records, more than a Quillet holds");
}

bool Reader::Assign(const std::string& prefix, void* record, const std::vector<Field>& fields,
                    string_view field, string_view value) {
    auto it = slots_.find(prefix);
    if (it == slots_.end()) {
        if (!Count())
            return false;
        it = slots_.emplace(prefix, Slot{record, &fields}).first;
    }
    Slot& slot = it->second;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (field != fields[i].key)
            continue;
        const std::string key = prefix + "." + fields[i].key;
        if (slot.seen & (uint64_t{1} << i))
            return Fail("repeated key \"" + Shown(key) + "\"");
        slot.seen |= uint64_t{1} << i;
        const char* why = SetField(slot.record, fields[i], value);
        return why == nullptr || Fail(Shown(key) + ": \"" + Shown(value) + "\" is " + why);
    }
    return Fail("unknown key \"" + Shown(prefix) + "." + Shown(field) + "\"");
}

// "NAME.rules" or "NAME.LIST.N.FIELD", taken from the right: a filter name may hold dots,
// a list, a rule number and a field cannot.
bool Reader::Filter(string_view rest, string_view value) {
    size_t dot = rest.rfind('.');
    const string_view last = rest.substr(dot == string_view::npos ? 0 : dot + 1);
    string_view name = rest.substr(0, dot == string_view::npos ? 0 : dot);
    string_view list, number;
    if (last != "rules") {
        for (string_view* part : {&number, &list}) {
            dot = name.rfind('.');
            *part = name.substr(dot == string_view::npos ? 0 : dot + 1);
            name = name.substr(0, dot == string_view::npos ? 0 : dot);
        }
    }
    if (!IsFilterName(name))
        return Fail("\"filter." + Shown(rest) + "\": not a filter name the Quillet takes");
    auto found = filterIndex_.find(std::string(name));
    if (found == filterIndex_.end()) {
        if (!Count())
            return false;
        filters_.emplace_back().name = std::string(name);
        found = filterIndex_.emplace(std::string(name), filters_.size() - 1).first;
    }
    FilterBuild& f = filters_[found->second];
    if (last == "rules") {
        // Three counts of at most three digits, one blank apart, as written.
        bool ok = !f.counted;
        size_t at = 0;
        for (size_t& count : f.counts) {
            if (!ok || at > value.size())
                return Fail("\"filter." + Shown(rest) + "\": bad or repeated rule counts");
            const size_t end = std::min(value.find(' ', at), value.size());
            const string_view digits = value.substr(at, end - at);
            ok = digits.size() <= 3 && (digits.size() < 2 || digits[0] != '0') &&
                 ParseNumber(digits, count, 10);
            at = end + 1;
        }
        if (!ok || at != value.size() + 1)
            return Fail("\"filter." + Shown(rest) + "\": bad or repeated rule counts");
        f.counted = true;
        return true;
    }
    size_t index = 0;
    if (number.empty() || number.size() > 3 || number[0] == '0' || !ParseNumber(number, index, 10))
        return Fail("\"filter." + Shown(rest) + "\": not a rule number");
    const std::string prefix = "filter." + std::string(rest.substr(0, rest.size() - last.size() - 1));
    void* record = nullptr;
    const std::vector<Field>* fields = nullptr;
    if (list == "ip") {
        record = &f.ip[index];
        fields = &kIpRuleFields;
    } else if (list == "ipx") {
        record = &f.ipx[index];
        fields = &kIpxRuleFields;
    } else if (list == "sap") {
        record = &f.sap[index];
        fields = &kSapRuleFields;
    } else {
        return Fail("unknown key \"filter." + Shown(rest) + "\"");
    }
    return Assign(prefix, record, *fields, last, value);
}

bool Reader::Finish() {
    for (const HeaderKey& h : kHeaderKeys)
        if (version_ >= h.since && header_.count(h.key) == 0)
            return Fail("\"" + std::string(h.key) + "\" is missing");
    if (slots_.count("global") == 0 || ethers_.empty())
        return Fail("the global and ether0 records are missing");
    for (size_t i = 0; i < ethers_.size(); ++i)
        if (slots_.count("ether" + std::to_string(i)) == 0)
            return Fail("the record \"ether" + std::to_string(i) + "\" is missing");
    for (const auto& [prefix, slot] : slots_)
        if (slot.seen != (uint64_t{1} << slot.fields->size()) - 1)
            return Fail("the record \"" + Shown(prefix) + "\" is incomplete");
    for (FilterBuild& f : filters_) {
        // Numbered 1 to the count, each once: as many as counted, the last one the count.
        auto whole = [](const auto& rules, size_t count) {
            return rules.size() == count && (rules.empty() || rules.rbegin()->first == count);
        };
        if (!f.counted || !whole(f.ip, f.counts[0]) || !whole(f.ipx, f.counts[1]) ||
            !whole(f.sap, f.counts[2]))
            return Fail("the rules of filter \"" + f.name + "\" do not match its \"rules\" line");
        RouterSnapshot::FilterRecord& r = out_.filters.emplace_back();
        r.name = std::move(f.name);
        for (const auto& [n, rule] : f.ip)
            r.ip.push_back(rule);
        for (const auto& [n, rule] : f.ipx)
            r.ipx.push_back(rule);
        for (const auto& [n, rule] : f.sap)
            r.sap.push_back(rule);
    }
    out_.tablesWhole = version_ >= 2 && header_["tables"] == "whole";
    out_.address = header_["router.address"];
    out_.taken = header_["taken"];
    out_.password = header_["session.password"];
    out_.runPassword = header_["run.password"];
    out_.global.ether_count = static_cast<int32_t>(ethers_.size());
    out_.ethers.assign(ethers_.begin(), ethers_.end());
    out_.ports.assign(ports_.begin(), ports_.end());
    out_.locations.assign(locations_.begin(), locations_.end());
    return true;
}

} // namespace

bool RouterSnapshot::Parse(const std::string& text, RouterSnapshot& out, std::string& error) {
    out = RouterSnapshot{};
    vl_init_router(&out.global);
    Reader reader(out);
    if (reader.Read(text, error))
        return true;
    out = RouterSnapshot{};
    return false;
}

} // namespace VLQLWizUIControl
