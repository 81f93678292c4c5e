// Reading a snapshot's text back into its records.
#include "run/RouterSnapshot.h"

#include "run/SnapshotFields.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace VLQLWizUIControl {

namespace {

using namespace snapshot;

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

} // namespace

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

} // namespace VLQLWizUIControl
