// Table requests: a table's header and its records in chunks, for the location table and
// the filter tables.
#include "sim/ModelText.h"

namespace sim {

std::vector<std::string> RouterModel::TableReplies(const std::string& request, long long now) {
    Advance(now);
    std::vector<std::string> w;
    std::vector<size_t> at;
    SplitWords(request, &w, &at);
    if (w.empty())
        return {"eNo table named"};
    const std::string& table = w[0];
    long a = 0, b = 0;
    if (w.size() >= 2 && !ToInt(w[1], 0, 100000, &a))
        return {"eBad table position"};
    if (w.size() >= 3 && !ToInt(w[2], 0, 100000, &b))
        return {"eBad table position"};
    int chunk = cfg_.tableChunk;

    // the records of one table, all built; a chunk is then a slice of them
    std::vector<std::string> records;
    if (table == "location") {
        for (const auto& [name, l] : running_.locations)
            records.push_back(LocationRecord(l));
    } else if (table == "filters" || table == "ipxfilt" || table == "sapfilt") {
        records = FilterTableRecords(table);
    } else if (table == "bigfilt" && NewFirmware()) {
        return BigfiltReplies(a, b, chunk);
    } else {
        return {"eNo such table: " + table};
    }

    std::vector<std::string> out;
    size_t total = records.size();
    size_t count = chunk == 0 ? total : static_cast<size_t>(chunk);
    if (w.size() == 1)
        out.push_back(Fmt("%s %d %d", table.c_str(), static_cast<int>(total), chunk));
    size_t start = static_cast<size_t>(a);
    if (w.size() > 1 && start >= total)
        return {"eNo such record"};
    for (size_t i = start; i < total && i < start + count; ++i)
        out.push_back(records[i]);
    return out;
}

} // namespace sim
