// A snapshot's records: what differs between two, in the words every front end shows, and
// a kept filter laid out as the command library walks it.
#include "run/RouterSnapshot.h"
#include "run/SnapshotDiff.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace VLQLWizUIControl;

namespace {

using S = RouterSnapshot&;

RouterSnapshot Office() {
    RouterSnapshot s;
    vl_init_router(&s.global);
    std::strcpy(s.global.address, "10.0.0.1");
    std::strcpy(s.global.gateway, "10.0.0.254");
    s.global.ether_count = 1;
    s.ethers.emplace_back();
    std::strcpy(s.ethers[0].name, "ether0");
    std::strcpy(s.ethers[0].netmask, "255.0.0.0");
    s.locations.emplace_back();
    std::strcpy(s.locations[0].name, "isp");
    std::strcpy(s.locations[0].telephone, "14085550100");
    std::strcpy(s.locations[0].password, "surf");
    RouterSnapshot::FilterRecord f;
    f.name = "isp.in";
    f.ip.emplace_back();
    f.ip[0].number = 1;
    f.ip[0].flags = VL_RF_DST;
    f.ip[0].dst_bits = 32;
    std::strcpy(f.ip[0].dst, "10.0.0.5");
    s.filters.push_back(f);
    s.password = "admin";
    return s;
}

TEST(SnapshotDiff, OneLineASettingInWordsWithTheKey) {
    const struct {
        const char* name;
        std::function<void(S before, S after)> edit;
        std::vector<std::string> lines;  // shown, then with the secrets shown
        std::vector<std::string> secretsShown = {};
    } cases[] = {
        {"the same", [](S, S) {}, {}},
        // Pairs the wire cannot tell apart.
        {"metric 0 and 1", [](S b, S a) { b.global.gateway_metric = 0; a.global.gateway_metric = 1; }, {}},
        {"hops 1 and 0", [](S b, S a) { b.global.ipxgateway_hops = 1; a.global.ipxgateway_hops = 0; }, {}},
        {"IPX network empty and 0", [](S, S a) { std::strcpy(a.locations[0].ipxnet, "0"); }, {}},
        {"IPX network 0.0.0.0 and 0", [](S b, S a) { std::strcpy(b.locations[0].ipxnet, "0.0.0.0"); std::strcpy(a.locations[0].ipxnet, "0"); }, {}},
        {"a 0 that is no such pair", [](S b, S a) { b.global.telnet = 0; a.global.telnet = 1; },
         {"Global settings: telnet port 0 -> 1  [global.telnet]"}},
        {"a metric that is no pair", [](S b, S a) { b.global.gateway_metric = 2; a.global.gateway_metric = 1; },
         {"Global settings: gateway metric 2 -> 1  [global.gateway_metric]"}},
        {"phone number", [](S, S a) { std::strcpy(a.locations[0].telephone, "14155550123"); },
         {"ISP location \"isp\": phone number 14085550100 -> 14155550123  [location.isp.telephone]"}},
        {"emptied", [](S, S a) { a.global.gateway[0] = '\0'; },
         {"Global settings: gateway 10.0.0.254 -> (none)  [global.gateway]"}},
        {"Ethernet", [](S, S a) { std::strcpy(a.ethers[0].netmask, "255.255.0.0"); },
         {"Ethernet: netmask 255.0.0.0 -> 255.255.0.0  [ether0.netmask]"}},
        {"a password", [](S, S a) { std::strcpy(a.locations[0].password, "web"); },
         {"ISP location \"isp\": password changed  [location.isp.password]"},
         {"ISP location \"isp\": password surf -> web  [location.isp.password]"}},
        {"the administration password", [](S, S a) { a.password = "other"; },
         {"Administration: administration password changed  [session.password]"},
         {"Administration: administration password admin -> other  [session.password]"}},
        // Whole records and rules are one line each.
        {"a location added", [](S, S a) { a.locations.push_back(a.locations[0]); std::strcpy(a.locations[1].name, "office"); },
         {"Location \"office\" added  [location.office]"}},
        {"a filter deleted", [](S, S a) { a.filters.clear(); }, {"Filter \"isp.in\" deleted  [filter.isp.in]"}},
        {"a rule added", [](S, S a) { a.filters[0].ip.push_back(a.filters[0].ip[0]); a.filters[0].ip[1].number = 2; },
         {"Filter \"isp.in\": rule counts 1 0 0 -> 2 0 0  [filter.isp.in.rules]",
          "Filter \"isp.in\": IP rule 2 added  [filter.isp.in.ip.2]"}},
        {"a rule changed", [](S, S a) { std::strcpy(a.filters[0].ip[0].dst, "10.0.0.6"); },
         {"Filter \"isp.in\": IP rule 1 permit 0.0.0.0/0 10.0.0.5/32 -> permit 0.0.0.0/0 10.0.0.6/32  "
          "[filter.isp.in.ip.1]"}},
        {"a field its text does not show", [](S, S a) { a.filters[0].ip[0].src_port = 7; },
         {"Filter \"isp.in\": IP rule 1 src port 0 -> 7  [filter.isp.in.ip.1.src_port]"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RouterSnapshot before = Office(), after = Office();
        c.edit(before, after);
        std::vector<std::string> shown, secrets;
        for (const SettingDifference& d : CompareSnapshots(before, after, true)) {
            shown.push_back(DifferenceLine(d, false));
            secrets.push_back(DifferenceLine(d, true));
        }
        EXPECT_EQ(shown, c.lines);
        EXPECT_EQ(secrets, c.secretsShown.empty() ? c.lines : c.secretsShown);
    }
    RouterSnapshot other = Office();
    other.password = "another";
    EXPECT_TRUE(CompareSnapshots(Office(), other, false).empty());  // a restore proves it by logging in
}

TEST(LinkedFilter, EachListEndsAtItsLastRule) {
    RouterSnapshot::FilterRecord kept;
    kept.name = "lan.in";
    kept.ip.resize(2);
    kept.ipx.resize(1);
    kept.sap.resize(3);
    const LinkedFilter linked(kept);
    EXPECT_STREQ(linked.filter.name, "lan.in");
    auto length = [](const auto* rule) {
        size_t n = 0;
        for (; rule != nullptr && n < 10; rule = rule->next)
            ++n;
        return n;
    };
    EXPECT_EQ(length(linked.filter.ip_rules), 2u);
    EXPECT_EQ(length(linked.filter.ipx_rules), 1u);
    EXPECT_EQ(length(linked.filter.sap_rules), 3u);
    EXPECT_EQ(linked.filter.ip_count + linked.filter.ipx_count * 10 + linked.filter.sap_count * 100, 312);
    EXPECT_EQ(LinkedFilter(RouterSnapshot::FilterRecord{}).filter.ip_rules, nullptr);
}

} // namespace
