// Filters: "add|delete filter", "set filter|ipxfilter|sapfilter", and their records in the
// "bigfilt" table and in the older "filters", "ipxfilt" and "sapfilt" tables.
#include "sim/ModelText.h"

#include <iterator>

namespace sim {

namespace {

// Largest reply payload a client's reply area takes, terminator included.
constexpr size_t kMaxPayload = 2060;
constexpr size_t kRecordRoom = kMaxPayload - 2;  // leaves room for "\n" and the NUL
constexpr size_t kMaxFilters = 32;
constexpr size_t kMaxRules = 64;

} // namespace

CommandResult RouterModel::AddFilter(const std::string& name) {
    if (name.size() > 16)
        return Refuse("Filter name too long");
    if (running_.filters.count(name))
        return Refuse("Filter exists: " + name);
    if (running_.filters.size() >= kMaxFilters)
        return Refuse("Filter table full");
    running_.filters[name] = FilterSettings{};
    return Done();
}

CommandResult RouterModel::DeleteFilter(const std::string& name) {
    if (!running_.filters.erase(name))
        return Refuse("No such filter: " + name);
    return Done();
}

CommandResult RouterModel::SetFilter(int table, const std::vector<std::string>& w,
                                     const std::string& line) {
    if (w.size() < 4)
        return Refuse("set " + w[1] + " NAME blank|N RULE");
    auto it = running_.filters.find(w[2]);
    if (it == running_.filters.end())
        return Refuse("No such filter: " + w[2]);
    FilterSettings& f = it->second;
    if (w[3] == "blank" && w.size() == 4) {
        if (table == 0)
            f.ip.clear();
        else if (table == 1)
            f.ipx.clear();
        else
            f.sap.clear();
        return Done();
    }
    long number = 0;
    if (!ToInt(w[3], 1, static_cast<long>(kMaxRules), &number))
        return Refuse("Bad rule number");
    // the rule text follows the number
    std::vector<std::string> ws;
    std::vector<size_t> at;
    SplitWords(line, &ws, &at);
    std::string text = at.size() > 4 ? line.substr(at[4]) : "";
    std::string why;
    size_t index = static_cast<size_t>(number - 1);
    auto place = [&](auto& rules, const auto& rule) -> CommandResult {
        if (index > rules.size())
            return Refuse("Rule number out of order");
        if (index == rules.size())
            rules.push_back(rule);
        else
            rules[index] = rule;
        return Done();
    };
    if (table == 0) {
        IpRule r;
        if (!ParseIpRule(text, &r, &why))
            return Refuse("Bad filter rule: " + why);
        return place(f.ip, r);
    }
    if (table == 1) {
        IpxRule r;
        if (!ParseIpxRule(text, &r, &why))
            return Refuse("Bad IPX filter rule: " + why);
        return place(f.ipx, r);
    }
    SapRule r;
    if (!ParseSapRule(text, &r, &why))
        return Refuse("Bad SAP filter rule: " + why);
    return place(f.sap, r);
}

std::vector<std::string> RouterModel::BigfiltRecords(const std::string& name,
                                                     const FilterSettings& f,
                                                     size_t fromRule) const {
    // one record from `fromRule` on, as many rules as fit (at least one)
    std::string r = Fmt("%s %d %d", name.c_str(), static_cast<int>(f.ip.size()),
                        static_cast<int>(f.ipx.size() + f.sap.size()));
    size_t limit = cfg_.bigfiltRulesPerReply > 0 ? static_cast<size_t>(cfg_.bigfiltRulesPerReply)
                                                 : f.ip.size();
    size_t sent = 0;
    for (size_t i = fromRule; i < f.ip.size() && sent < limit; ++i) {
        std::string rule = " |" + IpRuleFields(static_cast<int>(i + 1), f.ip[i]);
        if (sent > 0 && r.size() + rule.size() > kRecordRoom)
            break;
        r += rule;
        ++sent;
    }
    return {r + "\n"};
}

std::vector<std::string> RouterModel::FilterTableRecords(const std::string& table) const {
    std::vector<std::string> records;
    for (const auto& [name, f] : running_.filters) {
        size_t count = table == "filters" ? f.ip.size()
                       : table == "ipxfilt" ? f.ipx.size()
                                            : f.sap.size();
        std::string r = Fmt("%s %d", name.c_str(), static_cast<int>(count));
        // the older tables have no continuation: rules that do not fit are left out
        for (size_t i = 0; i < count; ++i) {
            int num = static_cast<int>(i + 1);
            std::string rule = " |" + (table == "filters"   ? IpRuleFields(num, f.ip[i])
                                       : table == "ipxfilt" ? IpxRuleFields(num, f.ipx[i])
                                                            : SapRuleFields(num, f.sap[i]));
            if (r.size() + rule.size() > kRecordRoom)
                break;
            r += rule;
        }
        records.push_back(r);
    }
    return records;
}

std::vector<std::string> RouterModel::BigfiltReplies(long a, long b, int chunk) const {
    std::vector<std::string> out;
    size_t total = running_.filters.size();
    size_t rules = 0;
    for (const auto& [name, f] : running_.filters)
        rules += f.ip.size();
    // a request for filter 0 starts over with the header, as a plain "bigfilt" does
    if (a == 0)
        out.push_back(Fmt("bigfilt %d %d %d", static_cast<int>(total),
                          static_cast<int>(rules), chunk));
    if (b > 0) {
        // rule continuation of filter a
        if (static_cast<size_t>(a) >= total)
            return {"eNo such filter"};
        auto it = std::next(running_.filters.begin(), a);
        if (static_cast<size_t>(b) >= it->second.ip.size())
            return {"eNo such rule"};
        for (std::string& r : BigfiltRecords(it->first, it->second, static_cast<size_t>(b)))
            out.push_back(r);
        return out;
    }
    size_t start = static_cast<size_t>(a);
    size_t count = chunk == 0 ? total : static_cast<size_t>(chunk);
    if (start > total || (start == total && total > 0))
        return {"eNo such filter"};
    auto it = std::next(running_.filters.begin(), static_cast<long>(start));
    for (size_t i = start; i < total && i < start + count; ++i, ++it)
        for (std::string& r : BigfiltRecords(it->first, it->second, 0))
            out.push_back(r);
    return out;
}

} // namespace sim
