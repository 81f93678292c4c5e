// Adding, renaming, deleting and saving locations and filters, dialling, the CHAP probe.
#include "support/Peer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <tuple>

using Lines = std::vector<std::string>;

namespace {

// A location as the router lists it, and the same settings as a record.
std::string RouterLoc(const std::string& name) {
    return name + " 10.0.0.0 255.0.0.0 1 36 5 2 3 \"ATDT\" 1500 A inf outf 00000000 v25 \"\" 0 7 s1 s2";
}

// The record the router's listing above reads back as.
VlLocation Defaults(const char* name) {
    VlLocation l{};
    std::strcpy(l.name, name);
    std::strcpy(l.dest, "10.0.0.0");
    std::strcpy(l.netmask, "255.0.0.0");
    std::strcpy(l.script, "ATDT");
    std::strcpy(l.ifilter, "inf");
    std::strcpy(l.ofilter, "outf");
    std::strcpy(l.ipxnet, "00000000");
    std::strcpy(l.v25bis, "v25");
    std::tie(l.group, l.flags, l.idle_minutes, l.idle, l.maxports, l.high_water, l.mtu) = std::tuple(1, 36, 5, 300, 2, 3, 1500);
    l.map = 0xA;
    return l;
}

Lines Exchange(peer::Router router, const std::function<int(VlRouter*)>& call, int* rc) {
    return peer::Texts(peer::With(router, [&](VlRouter* r) { *rc = call(r); }));
}

TEST(VlNames, BadNamesAndMissingRecordsAreRefusedWithoutTraffic) {
    VlLocation loc = Defaults("thirteen_char");
    VlFilter f{};
    VlEther e{};
    VlPort port{};
    int rc = 0;
    EXPECT_EQ(Exchange(peer::Router{}, [&](VlRouter* r) {
        for (int refused : {vl_add_location(r, &loc), vl_delete_location(r, "thirteen_char"), vl_delete_location(r, ""),
                            vl_add_filter(r, &f), vl_add_filter(r, nullptr), vl_delete_filter(r, "seventeen_chars_x"),
                            vl_delete_filter(r, ""),
                            // A builder without one of its records has nothing to compare.
                            vl_set_global(nullptr, r, ""), vl_set_global(r, nullptr, ""),
                            vl_set_ether(r, "ether0", nullptr, &e), vl_set_ether(r, "ether0", &e, nullptr),
                            vl_set_port(r, "S1", nullptr, &port), vl_set_port(r, "S1", &port, nullptr),
                            vl_set_location(r, nullptr, &loc), vl_set_location(r, &loc, nullptr),
                            vl_set_filter(r, nullptr, &f), vl_set_filter(r, &f, nullptr), vl_add_location(r, nullptr)})
            EXPECT_EQ(refused, -1);
        return vl_delete_location(r, "twelve_chars") + vl_delete_filter(r, "sixteen_chars_xx");
    }, &rc), (Lines{"delete location twelve_chars", "delete filter sixteen_chars_xx"}));
    EXPECT_EQ(rc, 0);
}

TEST(VlAddLocation, StartsFromTheRouterDefaultsAndRenamesByReplacement) {
    peer::Router lists, refusing;
    lists.replies["17:location"] = {"location 2 0", RouterLoc("isp"), RouterLoc("old")};
    refusing = lists;
    refusing.refuse = {"delete location old", "add location isp"};
    VlLocation des = Defaults("isp"), old = Defaults("old"), same = Defaults("isp"), gone = Defaults("gone");
    std::strcpy(des.telephone, "555");
    const struct {
        peer::Router router;
        std::function<int(VlRouter*)> call;
        Lines lines;
        int rc;
    } cases[] = {
        {lists, [&](VlRouter* r) { return vl_add_location(r, &des); }, {"add location isp", "set isp telephone 555"}, 0},
        {lists, [&](VlRouter* r) { return vl_set_location(r, &old, &des); },
         {"delete location old", "add location isp", "set isp telephone 555"}, 0},
        // The new name already has every desired setting: the rename is still a success.
        {lists, [&](VlRouter* r) { return vl_set_location(r, &old, &same); }, {"delete location old", "add location isp"}, 0},
        // Not listed after the add: nothing to compare with.
        {lists, [&](VlRouter* r) { return vl_add_location(r, &gone); }, {"add location gone"}, -1},
        {refusing, [&](VlRouter* r) { return vl_set_location(r, &old, &des); }, {"delete location old"}, -1},
        {refusing, [&](VlRouter* r) { return vl_add_location(r, &des); }, {"add location isp"}, -1},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        int rc = -2;
        EXPECT_EQ(Exchange(cases[i].router, cases[i].call, &rc), cases[i].lines) << i;
        EXPECT_EQ(rc, cases[i].rc) << i;
    }
}

TEST(VlSaveLocation, ResetsTheDialerOnlyAfterASave) {
    const struct {
        std::set<std::string> refuse;
        Lines lines;
        int rc;
    } cases[] = {{{}, {"save location", "reset dialer"}, 0},
                 {{"reset dialer"}, {"save location", "reset dialer"}, 0},
                 {{"save location"}, {"save location"}, -1}};
    for (const auto& c : cases) {
        peer::Router router;
        router.refuse = c.refuse;
        int rc = -2;
        EXPECT_EQ(Exchange(router, vl_save_location, &rc), c.lines);
        EXPECT_EQ(rc, c.rc);
    }
    int rc = -2;
    EXPECT_EQ(Exchange(peer::Router{}, [](VlRouter* r) { return vl_dial(r, "isp", 1) | vl_dial(r, "isp", 0); }, &rc),
              (Lines{"dial isp -x", "dial isp"}));
    EXPECT_EQ(Exchange(peer::Router{}, vl_save_filter, &rc), Lines{"save filter"});
}

TEST(VlProbeLocationChap, TemporaryNameAvoidsExistingLocations) {
    const struct {
        std::vector<std::string> table;
        std::string name;
        bool accepted;
    } cases[] = {
        {{"location 0 0"}, "__xy__", true},
        {{"location 0 0"}, "__xy__", false},
        {{"location 2 0", RouterLoc("isp"), RouterLoc("__xy__")}, "__xy____xy__", true},
        {{"location 2 0", RouterLoc("__xy____xy__"), RouterLoc("__xy__")}, "__xy____xy____xy__", true},
    };
    for (const auto& c : cases) {
        peer::Router router;
        router.replies["17:location"] = c.table;
        router.refuse.insert("add loc " + c.name);  // its answer does not matter
        if (!c.accepted)
            router.refuse.insert("set loc " + c.name + " chap on");
        int rc = -2;
        EXPECT_EQ(Exchange(router, vl_probe_location_chap, &rc),
                  (Lines{"add loc " + c.name, "set loc " + c.name + " chap on", "del loc " + c.name}));
        EXPECT_EQ(rc, c.accepted ? 1 : 0);
    }
}

TEST(VlAddFilter, CreatesThenWritesFromBlank) {
    VlFilterRule rule{};
    rule.flags = 0x4;
    rule.protocol = 1;
    VlFilter des{};
    std::strcpy(des.name, "isp.in");
    des.ip_rules = &rule;
    des.ip_count = 1;
    peer::Router refusing;
    refusing.refuse.insert("add filter isp.in");
    for (bool refused : {false, true}) {
        int rc = -2;
        Lines want = {"add filter isp.in"};
        if (!refused)
            want.insert(want.end(), {"set filter isp.in blank", "set ipxfilter isp.in blank",
                                     "set sapfilter isp.in blank", "set filter isp.in 1 permit icmp  "});
        EXPECT_EQ(Exchange(refused ? refusing : peer::Router{}, [&](VlRouter* r) { return vl_add_filter(r, &des); }, &rc), want);
        EXPECT_EQ(rc, refused ? -1 : 0);
    }
}

} // namespace
