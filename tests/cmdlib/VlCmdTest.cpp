// Command builders: the exact lines, their order, and what gates them.
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

// Runs a builder against a router that accepts every command but those in `refuse`;
// gives the lines it received.
Lines Exchange(const std::function<int(VlRouter*)>& build, int* rc, std::set<std::string> refuse = {}) {
    peer::Router router;
    router.refuse = std::move(refuse);
    router.replies["14:"] = {"in step"};
    Peer p(router);
    VlRouter r;
    if (!p.Connect(&r))
        return {"<no connection>"};
    *rc = build(&r);
    // Every reply was read: the next exchange gets its own answer.
    char console[VL_CONSOLE_SIZE] = "";
    if (r.socket >= 0) {
        vl_get_console(&r, console);
        EXPECT_STREQ(console, "in step");
    }
    vl_close(&r);
    return p.Commands();
}

VlRouter Base() {
    VlRouter r;
    vl_init_router(&r);
    std::strcpy(r.address, "10.0.0.1");
    r.isdn_present = 0;
    return r;
}

TEST(VlSetGlobal, LinesForEachDifference) {
    struct Case {
        const char* name;
        std::function<void(VlRouter& cur, VlRouter& des)> edit;
        const char* password;
        Lines lines;  // after "set address 10.0.0.1"
    };
    const Case cases[] = {
        {"nothing differs", [](VlRouter&, VlRouter&) {}, nullptr, {}},
        {"gateway with metric",
         [](VlRouter&, VlRouter& d) { std::strcpy(d.gateway, "10.0.0.9"); d.gateway_metric = 2; },
         nullptr, {"set gateway 10.0.0.9 2"}},
        {"gateway metric 1",
         [](VlRouter&, VlRouter& d) { std::strcpy(d.gateway, "10.0.0.9"); d.gateway_metric = 1; },
         nullptr, {"set gateway 10.0.0.9"}},
        {"metric alone", [](VlRouter& c, VlRouter&) { c.gateway_metric = 3; }, nullptr,
         {"set gateway "}},
        {"route broadcast", [](VlRouter&, VlRouter& d) { d.flags = 0x21; }, nullptr,
         {"set route broadcast"}},
        {"route on", [](VlRouter&, VlRouter& d) { d.flags = 0x1; }, nullptr, {"set route on"}},
        {"route off", [](VlRouter&, VlRouter& d) { d.flags = 0x20; }, nullptr, {"set route off"}},
        {"route listen", [](VlRouter& c, VlRouter&) { c.flags = 0x1; }, nullptr,
         {"set route listen"}},
        {"default modes", [](VlRouter&, VlRouter& d) { d.flags = 0x40; }, nullptr,
         {"set default broadcast"}},
        {"default on", [](VlRouter&, VlRouter& d) { d.flags = 0xC0; }, nullptr, {"set default on"}},
        {"default off", [](VlRouter& c, VlRouter&) { c.flags = 0x80; }, nullptr,
         {"set default off"}},
        {"isdn before the ports were read",
         [](VlRouter& c, VlRouter& d) { c.isdn_present = -1; d.isdn_switch = 1; }, nullptr,
         {"set isdn att-5ess"}},
        {"isdn on a router without ISDN", [](VlRouter&, VlRouter& d) { d.isdn_switch = 1; },
         nullptr, {}},
        {"isdn index 3", [](VlRouter& c, VlRouter& d) { c.isdn_present = 1; d.isdn_switch = 3; },
         nullptr, {}},
        {"isdn index 16", [](VlRouter& c, VlRouter& d) { c.isdn_present = 1; d.isdn_switch = 16; },
         nullptr, {}},
        {"isdn index 17", [](VlRouter& c, VlRouter& d) { c.isdn_present = 1; d.isdn_switch = 17; },
         nullptr, {"set isdn net5-swiss"}},
        {"password always", [](VlRouter&, VlRouter&) {}, "secret", {"set password secret"}},
        {"pap chap serial-admin without the capabilities",
         [](VlRouter&, VlRouter& d) { d.flags = 0x8000 | 0x20000 | 0x40000; }, nullptr, {}},
        {"pap chap serial-admin with them",
         [](VlRouter& c, VlRouter& d) {
             c.capabilities = 0x40 | 0x2000 | 0x800;
             d.flags = 0x8000 | 0x20000 | 0x40000;
         },
         nullptr, {"set pap off", "set chap off", "set serial-admin off"}},
        {"pap on", [](VlRouter& c, VlRouter&) { c.capabilities = 0x40; c.flags = 0x8000; },
         nullptr, {"set pap on"}},
        {"empty assigned", [](VlRouter& c, VlRouter&) { std::strcpy(c.assigned, "1.2.3.4"); },
         nullptr, {"set assigned 0.0.0.0"}},
        {"ipx gateway 0", [](VlRouter& c, VlRouter& d) { std::strcpy(c.ipxgateway, "5"); std::strcpy(d.ipxgateway, "0"); d.ipxgateway_hops = 4; },
         nullptr, {"set ipxgateway 0 1"}},
        {"ipx gateway hops", [](VlRouter&, VlRouter& d) { std::strcpy(d.ipxgateway, "7A"); d.ipxgateway_hops = 4; },
         nullptr, {"set ipxgateway 7A 4"}},
        {"ipx gateway one hop", [](VlRouter&, VlRouter& d) { std::strcpy(d.ipxgateway, "7A"); },
         nullptr, {"set ipxgateway 7A 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VlRouter cur = Base(), des = Base();
        c.edit(cur, des);
        int rc = -2;
        Lines got = Exchange([&](VlRouter* r) {
            cur.socket = r->socket;
            return vl_set_global(&cur, &des, c.password);
        }, &rc);
        Lines want{"set address 10.0.0.1"};
        want.insert(want.end(), c.lines.begin(), c.lines.end());
        EXPECT_EQ(got, want);
        EXPECT_EQ(rc, 0);
    }
}

TEST(VlSetGlobal, OrderWhenEverythingDiffers) {
    VlRouter cur = Base(), des = Base();
    cur.isdn_present = 1;
    cur.capabilities = 0x40 | 0x2000 | 0x800;
    cur.flags = 0x8000 | 0x20000 | 0x40000;
    for (int h = 0; h < 4; ++h)
        std::snprintf(des.host[h], sizeof des.host[h], "host%d", h + 1);
    std::strcpy(des.gateway, "10.0.0.254");
    std::strcpy(des.netmask, "255.0.0.0");
    std::strcpy(des.ypserver, "nis1");
    std::strcpy(des.domain, "example.com");
    des.isdn_switch = 2;
    des.flags = 0x8 | 0x200 | 0x1 | 0x40 | 0x2 | 0x4 | 0x10;
    des.telnet = 2323;
    std::strcpy(des.loghost, "log1");
    std::strcpy(des.assigned, "10.0.0.50");
    std::strcpy(des.ifilter, "in");
    std::strcpy(des.ofilter, "out");
    std::strcpy(des.ipxnet, "0000ABCD");
    des.ipxframe = 3;
    std::strcpy(des.ipxgateway, "1");
    int rc = -2;
    Lines got = Exchange([&](VlRouter* r) { cur.socket = r->socket; return vl_set_global(&cur, &des, "pw"); },
                    &rc, {"set netmask 255.0.0.0"});
    EXPECT_EQ(got, (Lines{
                       "set address 10.0.0.1", "set host 4 host4", "set host 3 host3",
                       "set host 2 host2", "set host 1 host1", "set gateway 10.0.0.254",
                       "set netmask 255.0.0.0", "set broadcast high", "set ypserver nis1",
                       "set domain example.com", "set namesvc dns", "set isdn dms-100",
                       "set password pw", "set route on", "set default broadcast",
                       "set slip on", "set ethernet down", "set snmp on", "set telnet 2323",
                       "set loghost log1", "set assigned 10.0.0.50", "set ifilter in",
                       "set ofilter out", "set ipxnet 0000ABCD", "set ipxframe ethernet_ii",
                       "set ipxgateway 1 1", "set pap on", "set chap on", "set serial-admin on",
                   }));
    // One refused line makes the whole group fail; the others were still sent.
    EXPECT_EQ(rc, -1);
}

TEST(VlSetEther, LinesInOrder) {
    VlEther cur{}, des{};
    std::strcpy(cur.address, "10.0.0.1");
    std::strcpy(des.address, "10.0.0.2");
    std::strcpy(des.netmask, "255.255.0.0");
    des.flags = 0x8 | 0x20 | 0x4;
    std::strcpy(des.ifilter, "i");
    std::strcpy(des.ofilter, "o");
    std::strcpy(des.ipxnet, "0000000A");
    des.ipxframe = 9;
    int rc = -2;
    Lines got = Exchange([&](VlRouter* r) { return vl_set_ether(r, "ether1", &cur, &des); }, &rc);
    EXPECT_EQ(got, (Lines{"set ether1 address 10.0.0.2", "set ether1 netmask 255.255.0.0",
                          "set ether1 broadcast high", "set ether1 route off", "set ether1 down",
                          "set ether1 ifilter i", "set ether1 ofilter o",
                          "set ether1 ipxnet 0000000A", "set ether1 ipxframe ethernet_802.2_ii"}));
    EXPECT_EQ(rc, 0);
}

TEST(VlSystemCommands, RebootClosesOnlyWhenAccepted) {
    for (bool refused : {false, true}) {
        peer::Router router;
        if (refused)
            router.refuse.insert("reboot");
        Peer p(router);
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        EXPECT_EQ(vl_reset_all(&r), 0);
        EXPECT_EQ(vl_save(&r, "S1"), 0);
        EXPECT_EQ(vl_save_address(&r), 0);
        EXPECT_EQ(vl_reboot(&r), refused ? -1 : 0);
        EXPECT_EQ(r.socket >= 0, refused);
        EXPECT_EQ(p.Commands(), (Lines{"reset all", "save S1", "save address", "reboot"}));
        vl_close(&r);
    }
}

// ---- ports ----------------------------------------------------------------------------

VlPort PortBase() {
    VlPort p{};
    std::strcpy(p.type, "Login");
    return p;
}

TEST(VlSetPort, LinesForEachDifference) {
    struct Case {
        const char* name;
        const char* port;
        std::function<void(VlPort& cur, VlPort& des)> edit;
        uint32_t caps;
        Lines lines;
    };
    const Case cases[] = {
        {"login port going dial-in", "S1",
         [](VlPort&, VlPort& d) { std::strcpy(d.type, "Login/Netwrk"); d.flags = 0x10; }, 0,
         {"set S1 login slip dialin"}},
        {"Slip is Netwrk", "S1",
         [](VlPort& c, VlPort& d) { std::strcpy(c.type, "Netwrk"); std::strcpy(d.type, "Slip"); c.flags = d.flags = 0x10; },
         0, {}},
        {"to PPP", "S1", [](VlPort&, VlPort& d) { std::strcpy(d.type, "PPP"); }, 0, {"set S1 ppp"}},
        {"disabled P port", "P1", [](VlPort&, VlPort& d) { std::strcpy(d.type, "Device"); }, 0,
         {"set P1 disabled"}},
        {"device port", "S2",
         [](VlPort&, VlPort& d) { std::strcpy(d.type, "Device"); std::strcpy(d.device, "modem"); }, 0,
         {"set S2 device modem"}},
        {"two-way port", "S2", [](VlPort&, VlPort& d) { std::strcpy(d.type, "TwoWay"); std::strcpy(d.device, "m"); },
         0, {"set S2 twoway m"}},
        {"hardwired network port", "S1",
         [](VlPort& c, VlPort& d) {
             std::strcpy(c.type, "Netwrk");
             std::strcpy(d.type, "Netwrk");
             std::strcpy(d.host[0], "h1");
             std::strcpy(d.host[3], "10.0.0.2");
             std::strcpy(d.destination, "10.0.0.3");
             d.flags = 0x200 | 0x8;
             d.mtu = 1500;
             d.map = 0xA;
             d.lmi = 3;
         },
         0,
         {"set S1 address 10.0.0.2", "set S1 destination 10.0.0.3 ", "set S1 protocol ppp",
          "set S1 mtu 1500", "set S1 map 0xa", "set S1 routing on", "set S1 lmi 3"}},
        {"dial-in network port", "S1",
         [](VlPort& c, VlPort& d) {
             std::strcpy(c.type, "Netwrk");
             std::strcpy(d.type, "Netwrk");
             c.flags = d.flags = 0x10;
             std::strcpy(d.host[0], "h1");
             std::strcpy(d.host[2], "h3");
             std::strcpy(d.host[3], "10.0.0.2");
             d.mtu = 1500;
         },
         0, {"set S1 host h1", "set S1 host 3 h3", "set S1 host 4 10.0.0.2"}},
        {"host prompt", "S1",
         [](VlPort&, VlPort& d) { d.flags = 0x1; std::strcpy(d.host[1], "h2"); }, 0,
         {"set S1 host prompt"}},
        {"host default", "S1",
         [](VlPort& c, VlPort& d) { std::strcpy(c.host[0], "h"); std::strcpy(d.host[0], "0.0.0.0"); std::strcpy(d.host[1], "h2"); },
         0, {"set S1 host default"}},
        {"speed code 60000", "S1", [](VlPort&, VlPort& d) { d.speed[0] = 60000; }, 0,
         {"set S1 speed 1 115200"}},
        {"speed code 60001", "W1", [](VlPort&, VlPort& d) { d.speed[1] = 60001; }, 0,
         {"set W1 speed 2 78600"}},
        {"fast speed", "C1", [](VlPort&, VlPort& d) { d.speed[2] = 128000; }, 0,
         {"set C1 speed 3 128k"}},
        {"no line settings on P ports", "P1", [](VlPort&, VlPort& d) { d.speed[0] = 9600; d.line_flags = 4; }, 0, {}},
        {"rts alone still sends xon", "S1", [](VlPort&, VlPort& d) { d.line_flags = 0x20; }, 0,
         {"set S1 xon on", "set S1 rts on"}},
        {"dlci", "W1", [](VlPort&, VlPort& d) { std::strcpy(d.message, "DLCI:16,17"); }, 0,
         {"set W1 dlci 16,17"}},
        {"message", "S1", [](VlPort&, VlPort& d) { std::strcpy(d.message, "Welcome"); }, 0,
         {"set S1 message Welcome"}},
        {"empty term and prompt", "S1",
         [](VlPort& c, VlPort&) { std::strcpy(c.term, "vt100"); std::strcpy(c.prompt, "x"); }, 0,
         {"set S1 term undefined", "set S1 prompt $hostname login: "}},
        {"idle 300 s in minutes", "S1", [](VlPort&, VlPort& d) { d.idle = 300; }, 0x1000,
         {"set S1 idletime 5"}},
        {"idle 200 s in seconds", "S1", [](VlPort&, VlPort& d) { d.idle = 200; }, 0x1000,
         {"set S1 idletime 200 seconds"}},
        {"idle 240 s in seconds", "S1", [](VlPort&, VlPort& d) { d.idle = 240; }, 0x1000,
         {"set S1 idletime 240 seconds"}},
        {"idle without the capability", "S1", [](VlPort&, VlPort& d) { d.idle = 200; }, 0,
         {"set S1 idletime 3"}},
        {"spid on an ISDN port", "S1",
         [](VlPort& c, VlPort& d) {
             c.port_type = d.port_type = 128;
             std::strcpy(d.spid, "01234567890123456789");
             std::strcpy(d.directory, "0123456789012345");
         },
         0, {"set S1 spid 01234567890123456789", "set S1 directory 0123456789012345"}},
        {"no spid elsewhere", "S1",
         [](VlPort& c, VlPort& d) { c.port_type = d.port_type = 64; std::strcpy(d.spid, "1"); }, 0, {}},
        {"services and overrides", "S1",
         [](VlPort&, VlPort& d) { d.login_service = 2; d.login_port = 23; d.device_port = 6000; d.override = 0x2 | 0x40; },
         0,
         {"set S1 service_login telnet 23", "set S1 service_device velunor 6000",
          "set S1 override speed on", "set S1 override parctl on"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VlPort cur = PortBase(), des = PortBase();
        c.edit(cur, des);
        int rc = -2;
        Lines got = Exchange([&](VlRouter* r) {
            r->capabilities = c.caps;
            return vl_set_port(r, c.port, &cur, &des);
        }, &rc);
        EXPECT_EQ(got, c.lines);
        EXPECT_EQ(rc, c.lines.empty() ? 2 : 0);
    }
}

TEST(VlSetPort, SpeedCodesAreRewrittenInTheDesiredRecord) {
    VlPort cur = PortBase(), des = PortBase();
    des.speed[0] = 60000;
    des.speed[1] = 60001;
    int rc = -2;
    Exchange([&](VlRouter* r) { return vl_set_port(r, "S1", &cur, &des); }, &rc);
    EXPECT_EQ(des.speed[0], 115200);
    EXPECT_EQ(des.speed[1], 78600);
}

TEST(VlPortHelpers, TypeModeAndServiceNames) {
    struct Case {
        const char* type;
        int kind;
        int network;
    };
    const Case cases[] = {
        {"Login", 1, 0}, {"Device/Netwrk", 2, 1}, {"TwoWay/PPP", 3, 1}, {"Login/Device", 2, 0},
        {"Netwrk", 0, 1}, {"Login/Slip", 1, 1}, {"Slip/Login", 1, 0}, {"PPPoE", 0, 1}, {"Log", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        int network = -1;
        EXPECT_EQ(vl_port_type(c.type, &network), c.kind);
        EXPECT_EQ(network, c.network);
    }
    EXPECT_STREQ(vl_port_mode_name(0x30), "twoway");
    EXPECT_STREQ(vl_port_mode_name(0x10), "dialin");
    EXPECT_STREQ(vl_port_mode_name(0x20), "dialout");
    EXPECT_STREQ(vl_port_mode_name(0x200), "hardwired");
    EXPECT_STREQ(vl_service_name(3), "netdata");
    EXPECT_STREQ(vl_service_name(7), "velunor");
}

// ---- locations ------------------------------------------------------------------------

VlLocation LocBase() {
    VlLocation l{};
    std::strcpy(l.name, "isp");
    return l;
}

TEST(VlSetLocation, LinesForEachDifference) {
    struct Case {
        const char* name;
        std::function<void(VlLocation& cur, VlLocation& des)> edit;
        uint32_t caps;
        Lines lines;
    };
    const Case cases[] = {
        {"one telephone", [](VlLocation&, VlLocation& d) { std::strcpy(d.telephone, "555"); }, 0,
         {"set isp telephone 555"}},
        {"two telephones",
         [](VlLocation&, VlLocation& d) { std::strcpy(d.telephone, "555"); std::strcpy(d.telephone2, "666"); },
         0, {"set isp telephone 555&666"}},
        {"idle 600 s", [](VlLocation&, VlLocation& d) { d.idle = 600; }, 0x1000, {"set isp idle 10"}},
        {"idle 120 s", [](VlLocation&, VlLocation& d) { d.idle = 120; }, 0x1000,
         {"set isp idle 120 seconds"}},
        {"idle 240 s", [](VlLocation&, VlLocation& d) { d.idle = 240; }, 0x1000,
         {"set isp idle 240 seconds"}},
        {"idle 241 s", [](VlLocation&, VlLocation& d) { d.idle = 241; }, 0x1000,
         {"set isp idle 4"}},
        {"idle without the capability", [](VlLocation&, VlLocation& d) { d.idle = 120; }, 0,
         {"set isp idle 2"}},
        {"v25bis", [](VlLocation&, VlLocation& d) { std::strcpy(d.v25bis, "CRN555"); }, 0,
         {"set isp script all ", "set isp v25bis all CRN555"}},
        {"filters taken off",
         [](VlLocation& c, VlLocation& d) { std::strcpy(c.ifilter, "in"); std::strcpy(c.ofilter, "out"); std::strcpy(d.ofilter, "out"); },
         0, {"set isp ifilter", "set isp ofilter", "set isp ofilter out"}},
        {"filters changed",
         [](VlLocation& c, VlLocation& d) { std::strcpy(c.ifilter, "in"); std::strcpy(d.ifilter, "in2"); std::strcpy(d.ofilter, "o"); },
         0, {"set isp ifilter in2", "set isp ofilter o"}},
        {"ppp with its map", [](VlLocation&, VlLocation& d) { d.flags = 0x20; d.map = 0xA; }, 0,
         {"set isp protocol ppp", "set isp map 0xa", "set isp map 0xa"}},
        {"slip", [](VlLocation& c, VlLocation&) { c.flags = 0x20; }, 0, {"set isp protocol slip"}},
        {"modes", [](VlLocation&, VlLocation& d) { d.flags = 0x1 | 0x4 | 0x8; }, 0,
         {"set isp rout listen", "set isp on_demand", "set isp compress on"}},
        {"continuous, routes off", [](VlLocation&, VlLocation& d) { d.flags = 0x41 | 0x2; }, 0,
         {"set isp rout off", "set isp continuous"}},
        {"manual", [](VlLocation& c, VlLocation&) { c.flags = 0x4 | 0x40; }, 0,
         {"set isp rout on", "set isp manual"}},
        {"gated flags without capabilities", [](VlLocation&, VlLocation& d) { d.flags2 = 0x4 | 0x40 | 0x2; },
         0, {}},
        {"gated flags with capabilities", [](VlLocation&, VlLocation& d) { d.flags2 = 0x4 | 0x40 | 0x2; },
         0x200 | 0x100 | 0x400, {"set isp voice on", "set isp chap on", "set isp multilink on"}},
        {"empty dest netmask ipxnet",
         [](VlLocation& c, VlLocation&) { std::strcpy(c.dest, "1.1.1.1"); std::strcpy(c.netmask, "2"); std::strcpy(c.ipxnet, "3"); },
         0, {"set isp dest 0.0.0.0", "set isp netmask 255.255.255.0", "set isp ipxnet 0.0.0.0"}},
        {"account", [](VlLocation&, VlLocation& d) { std::strcpy(d.username, "u"); std::strcpy(d.password, "p"); d.maxports = 2; d.high_water = 5; d.group = 1; d.mtu = 1500; },
         0, {"set isp group 1", "set isp mtu 1500", "set isp maxports 2", "set isp high_water 5",
             "set isp username u", "set isp password p"}},
        {"nothing", [](VlLocation&, VlLocation&) {}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VlLocation cur = LocBase(), des = LocBase();
        c.edit(cur, des);
        int rc = -2;
        Lines got = Exchange([&](VlRouter* r) {
            r->capabilities = c.caps;
            return vl_set_location(r, &cur, &des);
        }, &rc);
        EXPECT_EQ(got, c.lines);
        EXPECT_EQ(rc, c.lines.empty() ? 2 : 0);
    }
}

// ---- filters --------------------------------------------------------------------------

TEST(VlFilterText, RuleShapes) {
    struct Case {
        const char* name;
        VlFilterRule rule;
        const char* text;
    };
    auto rule = [](int32_t flags, const char* src, int32_t sb, const char* dst, int32_t db,
                   int32_t proto, int32_t sp, int32_t dp) {
        VlFilterRule r{};
        r.flags = flags;
        std::strcpy(r.src, src);
        r.src_bits = sb;
        std::strcpy(r.dst, dst);
        r.dst_bits = db;
        r.protocol = proto;
        r.src_port = sp;
        r.dst_port = dp;
        return r;
    };
    const Case cases[] = {
        {"source and any destination", rule(0x1 | 0x4 | 0x10, "10.0.0.0", 8, "", 0, 6, 0, 25),
         "permit 10.0.0.0/8 0.0.0.0/0 tcp dst eq 25"},
        {"no addresses", rule(0x4 | 0x10 | 0x400, "", 0, "", 0, 17, 0, 53), "permit udp dst lt 53"},
        {"destination only", rule(0x40 | 0x2, "", 0, "10.0.0.5", 32, 0, 0, 0),
         "deny   0.0.0.0/0 10.0.0.5/32   "},
        {"icmp type", rule(0x1 | 0x4 | 0x8, "1.2.3.0", 24, "", 0, 1, 8, 0),
         "permit 1.2.3.0/24 0.0.0.0/0 icmp type 8 "},
        {"source port, estab, log, notify", rule(0x4 | 0x8 | 0x200 | 0x20 | 0x1000 | 0x2000, "", 0, "", 0, 6, 1023, 0),
         "permit tcp src gt 1023   estab log notify"},
        {"literal texts", rule(0x4000 | 0x8000 | 0x4, "any", 0, "local", 0, 99, 0, 0),
         "permit any local unknown  "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char text[VL_RULE_TEXT_SIZE];
        vl_filter_text(text, &c.rule);
        EXPECT_STREQ(text, c.text);
    }
}

TEST(VlFilterText, IpxAndSapRules) {
    VlIpxFilterRule ipx{};
    ipx.flags = 0x10 | 0x2 | 0x100;
    ipx.srcsocket = 0x451;
    std::strcpy(ipx.dstnet, "0000ABCD");
    char text[VL_RULE_TEXT_SIZE];
    vl_ipxfilter_text(text, &ipx);
    EXPECT_STREQ(text, "permit srcsocket lt 0451 dstnet 0000ABCD");
    ipx.flags = 0x40 | 0x1 | 0x4 | 0x8 | 0x20 | 0x200;
    std::strcpy(ipx.srcnet, "1");
    std::strcpy(ipx.srchost, "H");
    std::strcpy(ipx.dsthost, "D");
    ipx.dstsocket = 0x4;
    vl_ipxfilter_text(text, &ipx);
    EXPECT_STREQ(text, "deny   srcnet 1 srchost H dsthost D dstsocket gt 0004");

    VlSapFilterRule sap{};
    sap.flags = 0x20 | 0x1 | 0x2 | 0x4 | 0x10;
    sap.service = 0x4;
    std::strcpy(sap.server, "FS1");
    std::strcpy(sap.network, "N");
    std::strcpy(sap.host, "H");
    sap.socket = 0x451;
    vl_sapfilter_text(text, &sap);
    EXPECT_STREQ(text, "permit service 4 server FS1 network N host H socket eq 0451");
}

TEST(VlSetFilter, RewritesFromBlankAndRenamesByReplacement) {
    VlFilterRule r1{}, r2{};
    r1.flags = 0x4 | 0x10;
    r1.protocol = 6;
    r1.dst_port = 80;
    r1.next = &r2;
    r2.flags = 0x40;
    VlSapFilterRule s1{};
    s1.flags = 0x20;
    s1.service = 0x7;
    VlFilter cur{}, des{};
    std::strcpy(cur.name, "isp.in");
    std::strcpy(des.name, "isp.in");
    des.ip_rules = &r1;
    des.ip_count = 2;
    des.sap_rules = &s1;
    des.sap_count = 1;

    int rc = -2;
    Lines got = Exchange([&](VlRouter* r) { return vl_set_filter(r, &cur, &des); }, &rc);
    EXPECT_EQ(got, (Lines{"set filter isp.in blank", "set ipxfilter isp.in blank",
                          "set sapfilter isp.in blank", "set filter isp.in 1 permit tcp dst eq 80",
                          "set filter isp.in 2 deny     ", "set sapfilter isp.in 1 permit service 7"}));
    EXPECT_EQ(rc, 0);

    got = Exchange([&](VlRouter* r) { return vl_set_filter(r, &cur, &des); }, &rc,
              {"set filter isp.in blank"});
    EXPECT_EQ(got, Lines{"set filter isp.in blank"});
    EXPECT_EQ(rc, -1);

    got = Exchange([&](VlRouter* r) { return vl_set_filter(r, &cur, &des); }, &rc,
              {"set filter isp.in 2 deny     "});
    EXPECT_EQ(got.size(), 6u);
    EXPECT_EQ(rc, -1);

    std::strcpy(cur.name, "old");
    des.ip_count = 1;
    des.sap_count = 0;
    got = Exchange([&](VlRouter* r) { return vl_set_filter(r, &cur, &des); }, &rc);
    EXPECT_EQ(got, (Lines{"delete filter old", "add filter isp.in", "set filter isp.in blank",
                          "set ipxfilter isp.in blank", "set sapfilter isp.in blank",
                          "set filter isp.in 1 permit tcp dst eq 80"}));
    EXPECT_EQ(rc, 0);
}

} // namespace
