// What differs between two snapshots of a router, one setting a line, in the words a
// person reads: the restore's check, and any comparison of a kept snapshot with a router.
#pragma once

#include "run/RouterSnapshot.h"

#include <string>
#include <vector>

namespace VLQLWizUIControl {

struct SettingDifference {
    enum Kind { Changed, Added, Removed };  // Added: only the later side holds the record
    Kind kind = Changed;
    std::string key;     // the snapshot key, or a whole record's prefix
    std::string record;  // the record in words: `ISP location "isp"`
    std::string field;   // the setting in words: "phone number"; empty for a whole record
    std::string before;  // the earlier side's value
    std::string after;   // the later side's value
    bool secret = false;  // a password: shown as changed, never as its value
};

// The settings `after` holds differently from `before`, in `before`'s order (records
// only `after` holds come last). Pairs the router cannot tell apart on the wire are no
// difference: a gateway metric or IPX hop count of 0 and 1, an IPX network "", "0" and
// "0.0.0.0".
// With `withPassword` the administration passwords are compared too.
std::vector<SettingDifference> CompareSnapshots(const RouterSnapshot& before,
                                                const RouterSnapshot& after, bool withPassword);

// One difference as a line:
//   ISP location "isp": phone number 14085550100 -> 14155550123  [location.isp.telephone]
// A password shows as "changed" unless `showSecrets`.
std::string DifferenceLine(const SettingDifference& difference, bool showSecrets);
// The same without the record: "phone number 14085550100 -> 14155550123  [location.isp.telephone]".
std::string DifferenceBody(const SettingDifference& difference, bool showSecrets);

// A record prefix ("global", "ether0", "port.S1", "location.isp", "filter.isp.in") in words.
std::string RecordWords(const std::string& prefix);

} // namespace VLQLWizUIControl
