#include "run/SnapshotDiff.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <map>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

namespace VLQLWizUIControl {

namespace {

struct Entry {
    std::string prefix;  // the record
    std::string field;   // the rest of the key
    std::string value;
    std::string unit;    // what is there or not as a whole: the record, or one of its rules
};

// "filter.isp.in.ip.3.dst" -> prefix "filter.isp.in", field "ip.3.dst". Names may hold
// dots and fields hold none, so a filter's key is taken apart from its right end.
void SplitKey(const std::string& key, std::string& prefix, std::string& field) {
    size_t at = key.rfind('.');
    if (key.compare(0, 7, "filter.") == 0 && key.compare(at + 1, std::string::npos, "rules") != 0) {
        const size_t number = key.rfind('.', at - 1);  // "ip.3.dst": list, number, field
        at = key.rfind('.', number - 1);
    }
    prefix = key.substr(0, at);
    field = key.substr(at + 1);
}

std::vector<Entry> Entries(const RouterSnapshot& s) {
    std::vector<Entry> out;
    std::istringstream in(s.RecordsText());
    for (std::string line; std::getline(in, line);) {
        const size_t eq = line.find(" = ");
        if (eq == std::string::npos)
            continue;
        Entry e;
        SplitKey(line.substr(0, eq), e.prefix, e.field);
        e.value = line.substr(eq + 3);
        const size_t rule = e.field.rfind('.');  // "ip.3.dst": the rule "ip.3"
        e.unit = rule == std::string::npos ? e.prefix : e.prefix + "." + e.field.substr(0, rule);
        out.push_back(std::move(e));
    }
    return out;
}

// The router reports a metric of 0 as 1, and an IPX network that is none as "", 0 or
// 0.0.0.0 (what the builders send for none).
std::string Comparable(const std::string& field, const std::string& value) {
    if ((field == "gateway_metric" || field == "ipxgateway_hops") && value == "0")
        return "1";
    if (field == "ipxnet" && (value.empty() || value == "0.0.0.0"))
        return "0";
    return value;
}

std::string FieldWords(const std::string& prefix, const std::string& field) {
    static const std::unordered_map<std::string, std::string> words = {
        {"address", "address"}, {"netmask", "netmask"}, {"host1", "host 1"},
        {"host2", "host 2"}, {"host3", "host 3"}, {"host4", "host 4"}, {"gateway", "gateway"},
        {"gateway_metric", "gateway metric"}, {"ypserver", "NIS server"}, {"domain", "domain"},
        {"telnet", "telnet port"}, {"loghost", "log host"}, {"assigned", "assigned address"},
        {"ifilter", "input filter"}, {"ofilter", "output filter"}, {"ipxnet", "IPX network"},
        {"ipxframe", "IPX frame type"}, {"ipxgateway", "IPX gateway"},
        {"ipxgateway_hops", "IPX gateway hops"}, {"isdn_switch", "ISDN switch type"},
        {"spid", "SPID"}, {"directory", "directory number"}, {"group", "group"},
        {"idle", "idle time"}, {"dest", "destination"}, {"maxports", "channels"},
        {"telephone", "phone number"}, {"telephone2", "second phone number"},
        {"password", "password"}, {"rules", "rule counts"}, {"mtu", "MTU"},
        {"high_water", "high-water mark"}, {"flags2", "more flags"},
    };
    if (field == "username")
        return prefix.compare(0, 9, "location.") == 0 ? "account name" : "user name";
    const auto it = words.find(field);
    if (it != words.end())
        return it->second;
    // Filter rules: "ip.3" -> "IP rule 3", "ip.3.dst" -> "IP rule 3 dst".
    const size_t first = field.find('.');
    if (first != std::string::npos) {
        std::string list = field.substr(0, first);
        std::transform(list.begin(), list.end(), list.begin(), [](unsigned char c) { return std::toupper(c); });
        const size_t second = field.find('.', first + 1);
        std::string words = list + " rule " + field.substr(first + 1, second - first - 1);
        if (second != std::string::npos)
            words.append(1, ' ').append(FieldWords("", field.substr(second + 1)));
        return words;
    }
    std::string text = field;
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

bool SecretField(const std::string& prefix, const std::string& field) {
    return field == "password" && prefix.compare(0, 9, "location.") == 0;
}

std::string Shown(const std::string& value) { return value.empty() ? "(none)" : value; }

// Rule "filter.isp.in.ip.3" of a snapshot as the router's filter command writes it.
std::string RuleText(const RouterSnapshot& s, const std::string& prefix, const std::string& unit) {
    const RouterSnapshot::FilterRecord* f = s.FindFilter(prefix.substr(7));
    const std::string rest = unit.substr(prefix.size() + 1);  // "ip.3"
    const size_t dot = rest.find('.');
    const std::string list = rest.substr(0, dot);
    const size_t index = std::stoul(rest.substr(dot + 1)) - 1;
    char text[VL_RULE_TEXT_SIZE] = "";
    if (f != nullptr && list == "ip" && index < f->ip.size())
        vl_filter_text(text, &f->ip[index]);
    else if (f != nullptr && list == "ipx" && index < f->ipx.size())
        vl_ipxfilter_text(text, &f->ipx[index]);
    else if (f != nullptr && list == "sap" && index < f->sap.size())
        vl_sapfilter_text(text, &f->sap[index]);
    // The command's column padding means nothing to a reader.
    std::string out;
    for (const char* c = text; *c != '\0'; ++c)
        if (*c != ' ' || (!out.empty() && out.back() != ' '))
            out += *c;
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

} // namespace

std::string RecordWords(const std::string& prefix) {
    if (prefix == "global")
        return "Global settings";
    if (prefix == "ether0")
        return "Ethernet";
    if (prefix.compare(0, 5, "ether") == 0)
        return "Ethernet " + prefix;
    if (prefix == "session")
        return "Administration";
    const size_t dot = prefix.find('.');
    const std::string kind = prefix.substr(0, dot);
    const std::string name = dot == std::string::npos ? "" : prefix.substr(dot + 1);
    if (kind == "port")
        return "Port " + name;
    if (kind == "location")
        return (name == "isp" ? "ISP location \"" : "Location \"") + name + "\"";
    if (kind == "filter")
        return "Filter \"" + name + "\"";
    return prefix;
}

std::vector<SettingDifference> CompareSnapshots(const RouterSnapshot& before,
                                                const RouterSnapshot& after, bool withPassword) {
    std::vector<SettingDifference> out;
    if (withPassword && before.password != after.password) {
        SettingDifference d;
        d.key = "session.password";
        d.record = RecordWords("session");
        d.field = "administration password";
        d.before = before.password;
        d.after = after.password;
        d.secret = true;
        out.push_back(std::move(d));
    }
    const std::vector<Entry> mine = Entries(before);
    const std::vector<Entry> theirs = Entries(after);
    std::unordered_set<std::string> myUnits, theirUnits, myKeys;
    std::unordered_map<std::string, const Entry*> theirByKey;
    for (const Entry& e : mine) {
        myUnits.insert(e.unit);
        myKeys.insert(e.prefix + "." + e.field);
    }
    for (const Entry& e : theirs) {
        theirUnits.insert(e.unit);
        theirByKey.emplace(e.prefix + "." + e.field, &e);
    }
    // A record or rule only one side holds is one line, not one per field.
    std::unordered_set<std::string> reported;
    // The record if the other side lacks it, else the rule; false when both are there.
    auto whole = [&out, &reported](SettingDifference::Kind kind, const Entry& e,
                                   const std::unordered_set<std::string>& other) {
        const std::string& unit = other.count(e.prefix) == 0 ? e.prefix : e.unit;
        if (other.count(unit) != 0)
            return false;
        if (reported.insert(unit).second) {
            SettingDifference d;
            d.kind = kind;
            d.key = unit;
            d.record = RecordWords(e.prefix);
            if (unit != e.prefix)
                d.field = FieldWords(e.prefix, unit.substr(e.prefix.size() + 1));
            out.push_back(std::move(d));
        }
        return true;
    };
    // A filter rule that differs in any field is one line with the rule as the router
    // writes it on each side (a field its text does not show is a line of its own).
    auto changed = [&](const Entry& e, const std::string& was, const std::string& is) {
        const bool inRule = e.unit != e.prefix;
        const std::string ruleWas = inRule ? RuleText(before, e.prefix, e.unit) : std::string();
        const std::string ruleIs = inRule ? RuleText(after, e.prefix, e.unit) : std::string();
        const bool rule = inRule && ruleWas != ruleIs;
        if (rule && !reported.insert(e.unit).second)
            return;
        SettingDifference d;
        d.key = rule ? e.unit : e.prefix + "." + e.field;
        d.record = RecordWords(e.prefix);
        d.field = FieldWords(e.prefix, d.key.substr(e.prefix.size() + 1));
        d.before = rule ? ruleWas : was;
        d.after = rule ? ruleIs : is;
        d.secret = SecretField(e.prefix, e.field);
        out.push_back(std::move(d));
    };
    for (const Entry& e : mine) {
        if (whole(SettingDifference::Removed, e, theirUnits))
            continue;
        const auto it = theirByKey.find(e.prefix + "." + e.field);
        const std::string other = it == theirByKey.end() ? std::string() : it->second->value;
        if (it == theirByKey.end() || Comparable(e.field, e.value) != Comparable(e.field, other))
            changed(e, e.value, other);
    }
    for (const Entry& e : theirs) {
        if (!whole(SettingDifference::Added, e, myUnits) && myKeys.count(e.prefix + "." + e.field) == 0)
            changed(e, std::string(), e.value);
    }
    // Grouped by record as the snapshot lays them out, an added record among its kind.
    auto rank = [](const SettingDifference& d) {
        static const char* const kinds[] = {"session.", "global.", "ether", "port.", "location.", "filter."};
        for (size_t i = 0; i < std::size(kinds); ++i)
            if (d.key.rfind(kinds[i], 0) == 0)
                return i;
        return std::size(kinds);
    };
    std::stable_sort(out.begin(), out.end(),
                     [&rank](const SettingDifference& a, const SettingDifference& b) { return rank(a) < rank(b); });
    return out;
}

std::string DifferenceBody(const SettingDifference& d, bool showSecrets) {
    std::string text = d.field.empty() ? std::string() : d.field + " ";
    switch (d.kind) {
    case SettingDifference::Added: text += "added"; break;
    case SettingDifference::Removed: text += "deleted"; break;
    case SettingDifference::Changed:
        text += d.secret && !showSecrets ? std::string("changed") : Shown(d.before) + " -> " + Shown(d.after);
        break;
    }
    return text + "  [" + d.key + "]";
}

std::string DifferenceLine(const SettingDifference& d, bool showSecrets) {
    // A whole record added or deleted has no field: "Filter "isp.in" added".
    return d.record + (d.field.empty() ? " " : ": ") + DifferenceBody(d, showSecrets);
}

} // namespace VLQLWizUIControl
