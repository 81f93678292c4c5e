// Adding, renaming, deleting and saving locations and filters, dialling, the CHAP probe.
#include "ScriptedPeer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

using peer::Peer;
using Lines = std::vector<std::string>;

namespace {

// A location as the router lists it, and the same settings as a record.
std::string RouterLoc(const std::string& name) {
    return name + " 10.0.0.0 255.0.0.0 1 36 5 2 3 \"ATDT\" 1500 A inf outf 00000000 v25 \"\" 0 7 s1 s2";
}

VlLocation Defaults(const char* name) {
    VlLocation l{};
    std::strcpy(l.name, name);
    std::strcpy(l.dest, "10.0.0.0");
    std::strcpy(l.netmask, "255.0.0.0");
    l.group = 1;
    l.flags = 36;
    l.idle_minutes = 5;
    l.idle = 300;
    l.maxports = 2;
    l.high_water = 3;
    std::strcpy(l.script, "ATDT");
    l.mtu = 1500;
    l.map = 0xA;
    std::strcpy(l.ifilter, "inf");
    std::strcpy(l.ofilter, "outf");
    std::strcpy(l.ipxnet, "00000000");
    std::strcpy(l.v25bis, "v25");
    return l;
}

Lines Exchange(peer::Router router, const std::function<int(VlRouter*)>& call, int* rc) {
    Peer p(router);
    VlRouter r;
    if (!p.Connect(&r))
        return {"<no connection>"};
    *rc = call(&r);
    vl_close(&r);
    return p.Commands();
}

TEST(VlNames, TooLongOrEmptyNamesAreRefusedWithoutTraffic) {
    Peer p(peer::Router{});
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    VlLocation loc{};
    std::strcpy(loc.name, "thirteen_char");
    EXPECT_EQ(vl_add_location(&r, &loc), -1);
    EXPECT_EQ(vl_delete_location(&r, "thirteen_char"), -1);
    EXPECT_EQ(vl_delete_location(&r, ""), -1);
    loc.name[0] = '\0';
    EXPECT_EQ(vl_add_location(&r, &loc), -1);
    VlFilter f{};
    EXPECT_EQ(vl_add_filter(&r, &f), -1);
    EXPECT_EQ(vl_delete_filter(&r, "seventeen_chars_x"), -1);
    EXPECT_EQ(vl_delete_filter(&r, ""), -1);
    EXPECT_EQ(vl_delete_location(&r, "twelve_chars"), 0);
    EXPECT_EQ(vl_delete_filter(&r, "sixteen_chars_xx"), 0);
    vl_close(&r);
    ASSERT_TRUE(p.WaitClosed(5000));
    EXPECT_EQ(p.Commands(), (Lines{"delete location twelve_chars", "delete filter sixteen_chars_xx"}));
}

TEST(VlAddLocation, StartsFromTheRouterDefaultsAndRenamesByReplacement) {
    peer::Router router;
    router.replies["17:location"] = {"location 2 0", RouterLoc("isp"), RouterLoc("old")};
    VlLocation des = Defaults("isp");
    std::strcpy(des.telephone, "555");
    int rc = -2;
    Lines got = Exchange(router, [&](VlRouter* r) { return vl_add_location(r, &des); }, &rc);
    EXPECT_EQ(got, (Lines{"add location isp", "set isp telephone 555"}));
    EXPECT_EQ(rc, 0);

    VlLocation old = Defaults("old");
    got = Exchange(router, [&](VlRouter* r) { return vl_set_location(r, &old, &des); }, &rc);
    EXPECT_EQ(got, (Lines{"delete location old", "add location isp", "set isp telephone 555"}));
    EXPECT_EQ(rc, 0);

    // The new name already has every desired setting: the rename is still a success.
    VlLocation same = Defaults("isp");
    got = Exchange(router, [&](VlRouter* r) { return vl_set_location(r, &old, &same); }, &rc);
    EXPECT_EQ(got, (Lines{"delete location old", "add location isp"}));
    EXPECT_EQ(rc, 0);

    // Not listed after the add: nothing to compare with.
    VlLocation gone = Defaults("gone");
    got = Exchange(router, [&](VlRouter* r) { return vl_add_location(r, &gone); }, &rc);
    EXPECT_EQ(got, (Lines{"add location gone"}));
    EXPECT_EQ(rc, -1);

    router.refuse.insert("delete location old");
    got = Exchange(router, [&](VlRouter* r) { return vl_set_location(r, &old, &des); }, &rc);
    EXPECT_EQ(got, (Lines{"delete location old"}));
    EXPECT_EQ(rc, -1);
}

TEST(VlSaveLocation, ResetsTheDialerOnlyAfterASave) {
    struct Case {
        std::set<std::string> refuse;
        Lines lines;
        int rc;
    };
    const Case cases[] = {
        {{}, {"save location", "reset dialer"}, 0},
        {{"reset dialer"}, {"save location", "reset dialer"}, 0},
        {{"save location"}, {"save location"}, -1},
    };
    for (const Case& c : cases) {
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
    struct Case {
        std::vector<std::string> table;
        const char* name;
        bool accepted;
    };
    const Case cases[] = {
        {{"location 0 0"}, "__xy__", true},
        {{"location 0 0"}, "__xy__", false},
        {{"location 2 0", RouterLoc("isp"), RouterLoc("__xy__")}, "__xy____xy__", true},
        {{"location 2 0", RouterLoc("__xy____xy__"), RouterLoc("__xy__")}, "__xy____xy____xy__", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string n = c.name;
        peer::Router router;
        router.replies["17:location"] = c.table;
        router.refuse.insert("add loc " + n);  // its answer does not matter
        if (!c.accepted)
            router.refuse.insert("set loc " + n + " chap on");
        int rc = -2;
        Lines got = Exchange(router, vl_probe_location_chap, &rc);
        EXPECT_EQ(got, (Lines{"add loc " + n, "set loc " + n + " chap on", "del loc " + n}));
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
    int rc = -2;
    Lines got = Exchange(peer::Router{}, [&](VlRouter* r) { return vl_add_filter(r, &des); }, &rc);
    EXPECT_EQ(got, (Lines{"add filter isp.in", "set filter isp.in blank", "set ipxfilter isp.in blank",
                          "set sapfilter isp.in blank", "set filter isp.in 1 permit icmp  "}));
    EXPECT_EQ(rc, 0);
    peer::Router refusing;
    refusing.refuse.insert("add filter isp.in");
    got = Exchange(refusing, [&](VlRouter* r) { return vl_add_filter(r, &des); }, &rc);
    EXPECT_EQ(got, Lines{"add filter isp.in"});
    EXPECT_EQ(rc, -1);
}

} // namespace
