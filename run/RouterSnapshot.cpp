#include "run/RouterSnapshot.h"

#include "router/FilterList.h"
#include "router/LocationList.h"
#include "router/VLVelunor.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace VLQLWizUIControl {

const char* const RouterSnapshot::Header = "# Quillet Wizard router snapshot, format 1";

namespace {

const char* const kHeaderNote =
    "# This file holds passwords: the router's administration password and the ISP\n"
    "# account's. Anyone who can read it can administer the router; keep it private.\n"
    "# Put the router back as it was with: qlwiz-batch --restore THIS_FILE\n";

enum class Kind { Text, Int, Hex };

struct Field {
    const char* key;
    size_t offset;
    Kind kind;
    size_t size;  // bytes of a text field
};

#define TEXT(T, f) {#f, offsetof(T, f), Kind::Text, sizeof(T::f)}
#define TEXT_AT(T, key, f) {key, offsetof(T, f), Kind::Text, sizeof(T::f)}
#define INT(T, f) {#f, offsetof(T, f), Kind::Int, 0}
#define INT_AT(T, key, f) {key, offsetof(T, f), Kind::Int, 0}
#define HEX(T, f) {#f, offsetof(T, f), Kind::Hex, 0}

// Every field a builder compares, so that a restore can give each one back.
const std::vector<Field> kGlobalFields = {
    TEXT(VlRouter, address), TEXT(VlRouter, netmask),
    TEXT_AT(VlRouter, "host1", host[0]), TEXT_AT(VlRouter, "host2", host[1]),
    TEXT_AT(VlRouter, "host3", host[2]), TEXT_AT(VlRouter, "host4", host[3]),
    TEXT(VlRouter, gateway), INT(VlRouter, gateway_metric), TEXT(VlRouter, ypserver),
    TEXT(VlRouter, domain), HEX(VlRouter, flags), INT(VlRouter, telnet),
    TEXT(VlRouter, loghost), TEXT(VlRouter, assigned), TEXT(VlRouter, ifilter),
    TEXT(VlRouter, ofilter), TEXT(VlRouter, ipxnet), INT(VlRouter, ipxframe),
    TEXT(VlRouter, ipxgateway), INT(VlRouter, ipxgateway_hops), INT(VlRouter, isdn_switch),
};

const std::vector<Field> kEtherFields = {
    TEXT(VlEther, address), TEXT(VlEther, netmask), HEX(VlEther, flags),
    TEXT(VlEther, ifilter), TEXT(VlEther, ofilter), TEXT(VlEther, ipxnet),
    INT(VlEther, ipxframe),
};

const std::vector<Field> kPortFields = {
    TEXT(VlPort, type),
    TEXT_AT(VlPort, "host1", host[0]), TEXT_AT(VlPort, "host2", host[1]),
    TEXT_AT(VlPort, "host3", host[2]), TEXT_AT(VlPort, "host4", host[3]),
    INT_AT(VlPort, "speed1", speed[0]), INT_AT(VlPort, "speed2", speed[1]),
    INT_AT(VlPort, "speed3", speed[2]),
    INT(VlPort, databits), TEXT(VlPort, parity), INT(VlPort, stopbits),
    HEX(VlPort, line_flags), TEXT(VlPort, cd), HEX(VlPort, override), HEX(VlPort, flags),
    TEXT(VlPort, device), TEXT(VlPort, term), TEXT(VlPort, prompt), TEXT(VlPort, username),
    TEXT(VlPort, message), INT(VlPort, login_service), INT(VlPort, login_port),
    INT(VlPort, device_service), INT(VlPort, device_port), TEXT(VlPort, destination),
    TEXT(VlPort, destination_mask), INT(VlPort, group), INT(VlPort, mtu), HEX(VlPort, map),
    TEXT(VlPort, ifilter), TEXT(VlPort, ofilter), INT(VlPort, idle), TEXT(VlPort, ipxnet),
    INT(VlPort, lmi), TEXT(VlPort, spid), TEXT(VlPort, directory), INT(VlPort, port_type),
};

const std::vector<Field> kLocationFields = {
    TEXT(VlLocation, dest), TEXT(VlLocation, netmask), INT(VlLocation, group),
    HEX(VlLocation, flags), HEX(VlLocation, flags2), INT(VlLocation, idle),
    INT(VlLocation, maxports), INT(VlLocation, high_water), INT(VlLocation, mtu),
    HEX(VlLocation, map), TEXT(VlLocation, ifilter), TEXT(VlLocation, ofilter),
    TEXT(VlLocation, ipxnet), TEXT(VlLocation, script), TEXT(VlLocation, v25bis),
    TEXT(VlLocation, telephone), TEXT(VlLocation, telephone2), TEXT(VlLocation, username),
    TEXT(VlLocation, password),
};

const std::vector<Field> kIpRuleFields = {
    INT(VlFilterRule, number), HEX(VlFilterRule, flags), TEXT(VlFilterRule, src),
    INT(VlFilterRule, src_bits), TEXT(VlFilterRule, dst), INT(VlFilterRule, dst_bits),
    INT(VlFilterRule, protocol), INT(VlFilterRule, src_port), INT(VlFilterRule, dst_port),
};

const std::vector<Field> kIpxRuleFields = {
    INT(VlIpxFilterRule, number), HEX(VlIpxFilterRule, flags), TEXT(VlIpxFilterRule, srcnet),
    TEXT(VlIpxFilterRule, srchost), HEX(VlIpxFilterRule, srcsocket),
    TEXT(VlIpxFilterRule, dstnet), TEXT(VlIpxFilterRule, dsthost),
    HEX(VlIpxFilterRule, dstsocket),
};

const std::vector<Field> kSapRuleFields = {
    INT(VlSapFilterRule, number), HEX(VlSapFilterRule, flags), TEXT(VlSapFilterRule, server),
    HEX(VlSapFilterRule, service), TEXT(VlSapFilterRule, network), TEXT(VlSapFilterRule, host),
    HEX(VlSapFilterRule, socket),
};

#undef TEXT
#undef TEXT_AT
#undef INT
#undef INT_AT
#undef HEX

// Texts are kept on one line: backslash, line ends and other control bytes are escaped.
std::string Escape(const char* p, size_t size) {
    std::string out;
    for (size_t i = 0; i < size && p[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool Unescape(const std::string& in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (++i >= in.size())
            return false;
        switch (in[i]) {
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 'x': {
            if (i + 2 >= in.size())
                return false;
            const std::string hex = in.substr(i + 1, 2);
            if (hex.size() != 2 || !std::isxdigit(static_cast<unsigned char>(hex[0])) ||
                !std::isxdigit(static_cast<unsigned char>(hex[1])))
                return false;
            out += static_cast<char>(std::stoi(hex, nullptr, 16));
            i += 2;
            break;
        }
        default: return false;
        }
    }
    return true;
}

std::string FieldValue(const void* record, const Field& f) {
    const char* base = static_cast<const char*>(record) + f.offset;
    char text[16];
    switch (f.kind) {
    case Kind::Text: return Escape(base, f.size);
    case Kind::Int: {
        int32_t v;
        std::memcpy(&v, base, sizeof v);
        return std::to_string(v);
    }
    case Kind::Hex: {
        uint32_t v;
        std::memcpy(&v, base, sizeof v);
        std::snprintf(text, sizeof text, "0x%X", v);
        return text;
    }
    }
    return "";
}

bool SetField(void* record, const Field& f, const std::string& value) {
    char* base = static_cast<char*>(record) + f.offset;
    if (f.kind == Kind::Text) {
        std::string text;
        if (!Unescape(value, text) || text.size() >= f.size || text.find('\0') != std::string::npos)
            return false;
        std::memset(base, 0, f.size);
        std::memcpy(base, text.data(), text.size());
        return true;
    }
    const bool hex = f.kind == Kind::Hex;
    if (hex ? value.rfind("0x", 0) != 0 : value.empty())
        return false;
    const std::string digits = hex ? value.substr(2) : value;
    if (digits.empty() || digits.find_first_of(" \t+") != std::string::npos)
        return false;
    errno = 0;
    char* end = nullptr;
    if (hex) {
        unsigned long v = std::strtoul(digits.c_str(), &end, 16);
        if (*end != '\0' || errno != 0 || v > 0xFFFFFFFFul || digits[0] == '-')
            return false;
        const uint32_t u = static_cast<uint32_t>(v);
        std::memcpy(base, &u, sizeof u);
    } else {
        long v = std::strtol(digits.c_str(), &end, 10);
        if (*end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX)
            return false;
        const int32_t i = static_cast<int32_t>(v);
        std::memcpy(base, &i, sizeof i);
    }
    return true;
}

void PutRecord(std::ostringstream& o, const std::string& prefix, const void* record,
               const std::vector<Field>& fields) {
    for (const Field& f : fields)
        o << prefix << f.key << " = " << FieldValue(record, f) << "\n";
}

std::string NameText(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

template <size_t N>
std::string NameText(const char (&field)[N]) {
    return NameText(field, N);
}

// One record being read back: where it goes, its fields, and which were seen.
struct Slot {
    void* record;
    const std::vector<Field>* fields;
    std::set<std::string> seen;
};

bool Assign(Slot& slot, const std::string& field, const std::string& value) {
    for (const Field& f : *slot.fields) {
        if (field != f.key)
            continue;
        return slot.seen.insert(field).second && SetField(slot.record, f, value);
    }
    return false;
}

bool Complete(const Slot& slot) { return slot.seen.size() == slot.fields->size(); }

std::vector<std::pair<std::string, std::string>> KeyValues(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find(" = ");
        if (eq != std::string::npos)
            out.emplace_back(line.substr(0, eq), line.substr(eq + 3));
    }
    return out;
}

std::string UtcNow() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

// Makes every missing folder of `dir`, private to the user.
bool MakeFolders(const std::string& dir, std::string& error) {
    for (size_t at = 1; at <= dir.size(); ++at) {
        if (at != dir.size() && dir[at] != '/')
            continue;
        const std::string part = dir.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = part + ": cannot create the folder: " + std::strerror(errno);
            return false;
        }
    }
    struct stat st{};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = dir + ": not a folder";
        return false;
    }
    return true;
}

std::string FileNamePart(const std::string& text) {
    std::string out;
    for (char c : text)
        out += (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-') ? c : '_';
    return out.empty() ? "router" : out;
}

} // namespace

RouterSnapshot RouterSnapshot::FromSession(VLVelunor& session, const std::string& address,
                                           const std::string& runPassword) {
    RouterSnapshot s;
    s.address = address;
    s.taken = UtcNow();
    s.password = session.password;
    s.runPassword = runPassword;
    s.tablesWhole = session.tablesWhole;
    if (session.router == nullptr)
        return s;
    // Interface 0 as the global record shows it, as the configure step takes it.
    const VlEther ether0 = *session.EtherInterface(0);
    s.global = *session.router;
    s.global.ports = nullptr;
    s.global.socket = -1;
    const int ethers = std::min(std::max(session.router->ether_count, 1), 2);
    for (int i = 0; i < ethers; ++i)
        s.ethers.push_back(i == 0 ? ether0 : session.router->ether[i]);
    for (const VlPort* p : session.isdnPorts)
        s.ports.push_back(*p);
    if (session.locations != nullptr)
        for (const VlLocation* l = session.locations->head; l != nullptr; l = l->next) {
            s.locations.push_back(*l);
            s.locations.back().next = nullptr;
        }
    if (session.filters != nullptr)
        for (const VlFilter* f = session.filters->head; f != nullptr; f = f->next) {
            FilterRecord r;
            r.name = NameText(f->name);
            for (const VlFilterRule* x = f->ip_rules; x != nullptr; x = x->next)
                r.ip.push_back(*x);
            for (const VlIpxFilterRule* x = f->ipx_rules; x != nullptr; x = x->next)
                r.ipx.push_back(*x);
            for (const VlSapFilterRule* x = f->sap_rules; x != nullptr; x = x->next)
                r.sap.push_back(*x);
            s.filters.push_back(std::move(r));
        }
    return s;
}

std::string RouterSnapshot::RecordsText() const {
    std::ostringstream o;
    PutRecord(o, "global.", &global, kGlobalFields);
    for (size_t i = 0; i < ethers.size(); ++i)
        PutRecord(o, "ether" + std::to_string(i) + ".", &ethers[i], kEtherFields);
    for (const VlPort& p : ports)
        PutRecord(o, "port." + NameText(p.name) + ".", &p, kPortFields);
    for (const VlLocation& l : locations)
        PutRecord(o, "location." + NameText(l.name) + ".", &l, kLocationFields);
    for (const FilterRecord& f : filters) {
        const std::string k = "filter." + f.name + ".";
        o << k << "rules = " << f.ip.size() << " " << f.ipx.size() << " " << f.sap.size() << "\n";
        for (size_t i = 0; i < f.ip.size(); ++i)
            PutRecord(o, k + "ip." + std::to_string(i + 1) + ".", &f.ip[i], kIpRuleFields);
        for (size_t i = 0; i < f.ipx.size(); ++i)
            PutRecord(o, k + "ipx." + std::to_string(i + 1) + ".", &f.ipx[i], kIpxRuleFields);
        for (size_t i = 0; i < f.sap.size(); ++i)
            PutRecord(o, k + "sap." + std::to_string(i + 1) + ".", &f.sap[i], kSapRuleFields);
    }
    return o.str();
}

std::string RouterSnapshot::Text() const {
    std::ostringstream o;
    o << Header << "\n" << kHeaderNote;
    o << "format = " << Format << "\n"
      << "router.address = " << Escape(address.c_str(), address.size()) << "\n"
      << "taken = " << taken << "\n"
      << "session.password = " << Escape(password.c_str(), password.size()) << "\n"
      << "run.password = " << Escape(runPassword.c_str(), runPassword.size()) << "\n";
    return o.str() + RecordsText();
}

bool RouterSnapshot::Parse(const std::string& text, RouterSnapshot& out, std::string& error) {
    out = RouterSnapshot{};
    vl_init_router(&out.global);
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != Header) {
        error = "not a router snapshot of format " + std::to_string(Format) +
                " (its first line must be \"" + Header + "\")";
        return false;
    }
    std::deque<VlEther> ethers;
    std::deque<VlPort> ports;
    std::deque<VlLocation> locations;
    struct FilterBuild {
        std::string name;
        bool counted = false;
        size_t counts[3] = {0, 0, 0};
        std::map<std::pair<int, size_t>, VlFilterRule> ip;
        std::map<std::pair<int, size_t>, VlIpxFilterRule> ipx;
        std::map<std::pair<int, size_t>, VlSapFilterRule> sap;
    };
    std::deque<FilterBuild> filters;
    std::map<std::string, Slot> slots;  // by record prefix
    std::map<std::string, std::string> header;
    const std::regex rulesKey(R"(filter\.(.+)\.rules)");
    const std::regex ruleKey(R"(filter\.(.+)\.(ip|ipx|sap)\.([1-9][0-9]{0,3})\.([a-z_0-9]+))");
    const std::regex recordKey(R"((port|location)\.(.+)\.([a-z_0-9]+))");
    const std::regex etherKey(R"(ether([01])\.([a-z_0-9]+))");
    int number = 1;

    auto filterNamed = [&filters](const std::string& name) -> FilterBuild& {
        for (FilterBuild& f : filters)
            if (f.name == name)
                return f;
        filters.emplace_back();
        filters.back().name = name;
        return filters.back();
    };

    while (std::getline(in, line)) {
        ++number;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (line.empty() || line[0] == '#')
            continue;
        size_t eq = line.find(" = ");
        std::string key, value;
        if (eq != std::string::npos) {
            key = line.substr(0, eq);
            value = line.substr(eq + 3);
        } else if (line.size() > 2 && line.compare(line.size() - 2, 2, " =") == 0) {
            key = line.substr(0, line.size() - 2);  // an empty value whose blank was trimmed
        } else {
            error = where + "not a \"key = value\" line";
            return false;
        }
        std::smatch m;
        bool ok = true;
        if (key == "format" || key == "router.address" || key == "taken" ||
            key == "session.password" || key == "run.password") {
            std::string v;
            ok = header.count(key) == 0 && Unescape(value, v);
            header[key] = v;
        } else if (key.rfind("global.", 0) == 0) {
            Slot& s = slots.try_emplace("global.", Slot{&out.global, &kGlobalFields, {}}).first->second;
            ok = Assign(s, key.substr(7), value);
        } else if (std::regex_match(key, m, etherKey)) {
            const size_t index = static_cast<size_t>(m[1].str()[0] - '0');
            while (ethers.size() <= index) {
                ethers.emplace_back();
                std::snprintf(ethers.back().name, sizeof ethers.back().name, "ether%zu", ethers.size() - 1);
            }
            Slot& s = slots.try_emplace("ether" + m[1].str(), Slot{&ethers[index], &kEtherFields, {}})
                          .first->second;
            ok = Assign(s, m[2].str(), value);
        } else if (std::regex_match(key, m, recordKey)) {
            const std::string prefix = m[1].str() + "." + m[2].str();
            auto it = slots.find(prefix);
            if (it == slots.end()) {
                void* record = nullptr;
                const std::string name = m[2].str();
                if (m[1] == "port") {
                    ports.emplace_back();
                    ok = name.size() < sizeof ports.back().name;
                    std::snprintf(ports.back().name, sizeof ports.back().name, "%s", name.c_str());
                    record = &ports.back();
                } else {
                    locations.emplace_back();
                    ok = name.size() < sizeof locations.back().name;
                    std::snprintf(locations.back().name, sizeof locations.back().name, "%s", name.c_str());
                    record = &locations.back();
                }
                it = slots.emplace(prefix, Slot{record, m[1] == "port" ? &kPortFields : &kLocationFields, {}})
                         .first;
            }
            ok = ok && Assign(it->second, m[3].str(), value);
        } else if (std::regex_match(key, m, rulesKey)) {
            FilterBuild& f = filterNamed(m[1].str());
            unsigned a = 0, b = 0, c = 0;
            char rest = 0;
            ok = !f.counted && f.name.size() <= 16 &&
                 std::sscanf(value.c_str(), "%3u %3u %3u%c", &a, &b, &c, &rest) == 3;
            f.counted = true;
            f.counts[0] = a;
            f.counts[1] = b;
            f.counts[2] = c;
        } else if (std::regex_match(key, m, ruleKey)) {
            FilterBuild& f = filterNamed(m[1].str());
            const int list = m[2] == "ip" ? 0 : m[2] == "ipx" ? 1 : 2;
            const size_t index = std::stoul(m[3].str());
            const std::string prefix = "filter." + m[1].str() + "." + m[2].str() + "." + m[3].str();
            auto it = slots.find(prefix);
            if (it == slots.end()) {
                void* record = nullptr;
                const std::vector<Field>* fields = nullptr;
                if (list == 0) {
                    record = &f.ip[{0, index}];
                    fields = &kIpRuleFields;
                } else if (list == 1) {
                    record = &f.ipx[{1, index}];
                    fields = &kIpxRuleFields;
                } else {
                    record = &f.sap[{2, index}];
                    fields = &kSapRuleFields;
                }
                it = slots.emplace(prefix, Slot{record, fields, {}}).first;
            }
            ok = Assign(it->second, m[4].str(), value);
        } else {
            error = where + "unknown key \"" + key + "\"";
            return false;
        }
        if (!ok) {
            error = where + "bad or repeated value for \"" + key + "\"";
            return false;
        }
    }

    for (const char* key : {"format", "router.address", "taken", "session.password", "run.password"})
        if (header.count(key) == 0) {
            error = std::string("\"") + key + "\" is missing";
            return false;
        }
    if (header["format"] != std::to_string(Format)) {
        error = "format " + header["format"] + " is not format " + std::to_string(Format);
        return false;
    }
    if (header["router.address"].empty()) {
        error = "\"router.address\" is empty";
        return false;
    }
    if (slots.count("global.") == 0 || ethers.empty()) {
        error = "the global and ether0 records are missing";
        return false;
    }
    for (size_t i = 0; i < ethers.size(); ++i)
        if (slots.count("ether" + std::to_string(i)) == 0) {
            error = "the record \"ether" + std::to_string(i) + "\" is missing";
            return false;
        }
    for (const auto& [prefix, slot] : slots)
        if (!Complete(slot)) {
            error = "the record \"" + prefix + "\" is incomplete";
            return false;
        }
    for (const FilterBuild& f : filters) {
        if (!f.counted || f.ip.size() != f.counts[0] || f.ipx.size() != f.counts[1] ||
            f.sap.size() != f.counts[2] ||
            (!f.ip.empty() && f.ip.rbegin()->first.second != f.counts[0]) ||
            (!f.ipx.empty() && f.ipx.rbegin()->first.second != f.counts[1]) ||
            (!f.sap.empty() && f.sap.rbegin()->first.second != f.counts[2])) {
            error = "the rules of filter \"" + f.name + "\" do not match its \"rules\" line";
            return false;
        }
        FilterRecord r;
        r.name = f.name;
        for (const auto& [k, rule] : f.ip)
            r.ip.push_back(rule);
        for (const auto& [k, rule] : f.ipx)
            r.ipx.push_back(rule);
        for (const auto& [k, rule] : f.sap)
            r.sap.push_back(rule);
        out.filters.push_back(std::move(r));
    }
    out.address = header["router.address"];
    out.taken = header["taken"];
    out.password = header["session.password"];
    out.runPassword = header["run.password"];
    out.global.ether_count = static_cast<int32_t>(ethers.size());
    out.ethers.assign(ethers.begin(), ethers.end());
    out.ports.assign(ports.begin(), ports.end());
    out.locations.assign(locations.begin(), locations.end());
    return true;
}

bool RouterSnapshot::WriteFile(const std::string& dir, std::string& path, std::string& error) const {
    if (dir.empty()) {
        error = "no folder for snapshots: set QLWIZ_SNAPSHOT_DIR, XDG_STATE_HOME or HOME";
        return false;
    }
    if (!MakeFolders(dir, error))
        return false;
    std::string stamp = taken;
    stamp.erase(std::remove_if(stamp.begin(), stamp.end(), [](char c) { return c == '-' || c == ':'; }),
                stamp.end());
    const std::string base = dir + (dir.back() == '/' ? "" : "/") + FileNamePart(address) + "-" + stamp;
    int fd = -1;
    for (int n = 1; fd < 0 && n < 100; ++n) {
        path = base + (n == 1 ? "" : "-" + std::to_string(n)) + ".snapshot";
        // It holds passwords: private from the start, and never written through a link
        // someone else planted under the name.
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0)
            break;
        const int e = errno;
        struct stat st{};
        if (e == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            error = path + ": is a symbolic link; not writing the snapshot through it";
            return false;
        }
        if (e != EEXIST) {
            error = path + ": cannot create the snapshot: " + std::strerror(e);
            return false;
        }
    }
    if (fd < 0) {
        error = base + ".snapshot: too many snapshots of this router in one second";
        return false;
    }
    const std::string content = Text();
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = path + ": cannot write the snapshot: " + std::strerror(errno);
            ::close(fd);
            ::unlink(path.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) {
        error = path + ": cannot write the snapshot: " + std::strerror(errno);
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

bool RouterSnapshot::ReadFile(const std::string& path, RouterSnapshot& out, std::string& error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string text;
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = path + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
        if (text.size() > (16u << 20)) {
            error = path + ": too large for a snapshot";
            ::close(fd);
            return false;
        }
    }
    ::close(fd);
    if (!Parse(text, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::vector<std::string> RouterSnapshot::Differences(const RouterSnapshot& other) const {
    // The builders send a metric of 0 and of 1 alike ("set gateway %s", "set ipxgateway
    // %s 1"), and the router then reports 1: the two cannot be told apart on the wire.
    auto comparable = [](RouterSnapshot s) {
        s.global.gateway_metric = std::max(s.global.gateway_metric, 1);
        s.global.ipxgateway_hops = std::max(s.global.ipxgateway_hops, 1);
        return s;
    };
    const auto mine = KeyValues(comparable(*this).RecordsText());
    const auto theirs = KeyValues(comparable(other).RecordsText());
    std::map<std::string, std::string> theirMap(theirs.begin(), theirs.end());
    std::set<std::string> myKeys;
    std::vector<std::string> out;
    for (const auto& [key, value] : mine) {
        myKeys.insert(key);
        auto it = theirMap.find(key);
        if (it == theirMap.end() || it->second != value)
            out.push_back(key);
    }
    for (const auto& [key, value] : theirs)
        if (myKeys.count(key) == 0)
            out.push_back(key);
    return out;
}

namespace {

void CopyFields(const void* from, void* onto, const std::vector<Field>& fields) {
    for (const Field& f : fields)
        std::memcpy(static_cast<char*>(onto) + f.offset, static_cast<const char*>(from) + f.offset,
                    f.kind == Kind::Text ? f.size : sizeof(int32_t));
}

} // namespace

void RouterSnapshot::ApplyGlobal(const VlRouter& kept, VlRouter& live) {
    CopyFields(&kept, &live, kGlobalFields);
}

void RouterSnapshot::ApplyEther(const VlEther& kept, VlEther& live) {
    CopyFields(&kept, &live, kEtherFields);
}

void RouterSnapshot::ApplyPort(const VlPort& kept, VlPort& live) { CopyFields(&kept, &live, kPortFields); }

const VlLocation* RouterSnapshot::FindLocation(const std::string& name) const {
    for (const VlLocation& l : locations)
        if (NameText(l.name) == name)
            return &l;
    return nullptr;
}

const RouterSnapshot::FilterRecord* RouterSnapshot::FindFilter(const std::string& name) const {
    for (const FilterRecord& f : filters)
        if (f.name == name)
            return &f;
    return nullptr;
}

LinkedFilter::LinkedFilter(const RouterSnapshot::FilterRecord& record)
    : ip(record.ip), ipx(record.ipx), sap(record.sap) {
    std::snprintf(filter.name, sizeof filter.name, "%s", record.name.c_str());
    for (size_t i = 0; i < ip.size(); ++i)
        ip[i].next = i + 1 < ip.size() ? &ip[i + 1] : nullptr;
    for (size_t i = 0; i < ipx.size(); ++i)
        ipx[i].next = i + 1 < ipx.size() ? &ipx[i + 1] : nullptr;
    for (size_t i = 0; i < sap.size(); ++i)
        sap[i].next = i + 1 < sap.size() ? &sap[i + 1] : nullptr;
    filter.ip_count = static_cast<int32_t>(ip.size());
    filter.ipx_count = static_cast<int32_t>(ipx.size());
    filter.sap_count = static_cast<int32_t>(sap.size());
    filter.ip_rules = ip.empty() ? nullptr : ip.data();
    filter.ipx_rules = ipx.empty() ? nullptr : ipx.data();
    filter.sap_rules = sap.empty() ? nullptr : sap.data();
}

} // namespace VLQLWizUIControl
