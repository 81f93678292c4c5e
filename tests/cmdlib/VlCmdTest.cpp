// Command builders: the exact lines, their order, and what gates them.
#include "support/Peer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using Lines = std::vector<std::string>;

namespace {

// Runs a builder against a router that accepts every command but those in `refuse`;
// gives the lines it received. Every reply must have been read: the next exchange gets
// its own answer.
Lines Exchange(const std::function<int(VlRouter*)>& build, int* rc, std::set<std::string> refuse = {}) {
    peer::Router router;
    router.refuse = std::move(refuse);
    router.replies["14:"] = {"in step"};
    return peer::Texts(peer::With(router, [&](VlRouter* r) {
        *rc = build(r);
        char console[VL_CONSOLE_SIZE] = "";
        if (r->socket >= 0) {
            EXPECT_EQ(std::to_string(vl_get_console(r, console)) + console, "0in step");
        }
    }));
}

using R = VlRouter&;
#define SET(field, text) std::strcpy(field, text)

TEST(VlSetGlobal, LinesForEachDifferenceAfterTheAddress) {
    const struct {
        std::function<void(R cur, R des)> edit;
        const char* password;
        Lines lines;
    } cases[] = {
        {[](R, R) {}, nullptr, {}},
        {[](R, R d) { SET(d.gateway, "10.0.0.9"); d.gateway_metric = 2; }, nullptr, {"set gateway 10.0.0.9 2"}},
        {[](R, R d) { SET(d.gateway, "10.0.0.9"); d.gateway_metric = 1; }, nullptr, {"set gateway 10.0.0.9"}},
        {[](R c, R) { c.gateway_metric = 3; }, nullptr, {"set gateway "}},
        {[](R, R d) { d.flags = 0x21; }, nullptr, {"set route broadcast"}},
        {[](R, R d) { d.flags = 0x1; }, nullptr, {"set route on"}},
        {[](R, R d) { d.flags = 0x20; }, nullptr, {"set route off"}},
        {[](R c, R) { c.flags = 0x1; }, nullptr, {"set route listen"}},
        {[](R, R d) { d.flags = 0x40; }, nullptr, {"set default broadcast"}},
        {[](R, R d) { d.flags = 0xC0; }, nullptr, {"set default on"}},
        {[](R c, R) { c.flags = 0x80; }, nullptr, {"set default off"}},
        // ISDN: unknown presence still sends; no ISDN or an index without a name does not.
        {[](R c, R d) { c.isdn_present = -1; d.isdn_switch = 1; }, nullptr, {"set isdn att-5ess"}},
        {[](R, R d) { d.isdn_switch = 1; }, nullptr, {}},
        {[](R c, R d) { c.isdn_present = 1; d.isdn_switch = 3; }, nullptr, {}},
        {[](R c, R d) { c.isdn_present = 1; d.isdn_switch = 16; }, nullptr, {}},
        {[](R c, R d) { c.isdn_present = 1; d.isdn_switch = 17; }, nullptr, {"set isdn net5-swiss"}},
        {[](R, R) {}, "secret", {"set password secret"}},
        {[](R, R d) { d.flags = 0x8000 | 0x20000 | 0x40000; }, nullptr, {}},  // not capable
        {[](R c, R d) { c.capabilities = 0x40 | 0x2000 | 0x800; d.flags = 0x8000 | 0x20000 | 0x40000; },
         nullptr, {"set pap off", "set chap off", "set serial-admin off"}},
        {[](R c, R) { c.capabilities = 0x40; c.flags = 0x8000; }, nullptr, {"set pap on"}},
        {[](R c, R) { SET(c.assigned, "1.2.3.4"); }, nullptr, {"set assigned 0.0.0.0"}},
        {[](R c, R d) { SET(c.ipxgateway, "5"); SET(d.ipxgateway, "0"); d.ipxgateway_hops = 4; }, nullptr,
         {"set ipxgateway 0 1"}},
        {[](R, R d) { SET(d.ipxgateway, "7A"); d.ipxgateway_hops = 4; }, nullptr, {"set ipxgateway 7A 4"}},
        {[](R, R d) { SET(d.ipxgateway, "7A"); }, nullptr, {"set ipxgateway 7A 1"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        VlRouter cur, des;
        for (VlRouter* r : {&cur, &des}) {
            vl_init_router(r);
            SET(r->address, "10.0.0.1");
            r->isdn_present = 0;
        }
        cases[i].edit(cur, des);
        int rc = -2;
        Lines got = Exchange([&](VlRouter* r) { cur.socket = r->socket; return vl_set_global(&cur, &des, cases[i].password); }, &rc);
        Lines want{"set address 10.0.0.1"};
        want.insert(want.end(), cases[i].lines.begin(), cases[i].lines.end());
        EXPECT_EQ(got, want);
        EXPECT_EQ(rc, 0);
    }
}

TEST(VlSystemCommands, RebootClosesOnlyWhenAccepted) {
    for (bool refused : {false, true}) {
        int rc = -2;
        const Lines got = Exchange([&](VlRouter* r) {
            EXPECT_EQ(vl_reset_all(r) + vl_save(r, "S1") + vl_save_address(r), 0);
            EXPECT_EQ(vl_save(r, std::string(90, 'x').c_str()), 0);  // cut to the line buffer
            const int result = vl_reboot(r);
            EXPECT_EQ(r->socket >= 0, refused);
            return result;
        }, &rc, refused ? std::set<std::string>{"reboot"} : std::set<std::string>{});
        EXPECT_EQ(got, (Lines{"reset all", "save S1", "save address", "save " + std::string(74, 'x'), "reboot"}));
        EXPECT_EQ(rc, refused ? -1 : 0);
    }
}

using P = VlPort&;

TEST(VlSetPort, LinesForEachDifference) {
    const struct {
        const char* port;
        std::function<void(P cur, P des)> edit;
        uint32_t caps;
        Lines lines;
    } cases[] = {
        {"S1", [](P, P d) { SET(d.type, "Login/Netwrk"); d.flags = 0x10; }, 0, {"set S1 login slip dialin"}},
        {"S1", [](P c, P d) { SET(c.type, "Netwrk"); SET(d.type, "Slip"); c.flags = d.flags = 0x10; }, 0, {}},
        {"S1", [](P, P d) { SET(d.type, "PPP"); }, 0, {"set S1 ppp"}},
        {"P1", [](P, P d) { SET(d.type, "Device"); }, 0, {"set P1 disabled"}},
        {"S2", [](P, P d) { SET(d.type, "Device"); SET(d.device, "modem"); }, 0, {"set S2 device modem"}},
        {"S2", [](P, P d) { SET(d.type, "TwoWay"); SET(d.device, "m"); }, 0, {"set S2 twoway m"}},
        {"S1", [](P c, P d) { SET(c.type, "Netwrk"); SET(d.type, "Netwrk"); SET(d.host[0], "h1"); SET(d.host[3], "10.0.0.2");
                 SET(d.destination, "10.0.0.3"); d.flags = 0x200 | 0x8; d.mtu = 1500; d.map = 0xA; d.lmi = 3; }, 0,
         {"set S1 address 10.0.0.2", "set S1 destination 10.0.0.3 ", "set S1 protocol ppp", "set S1 mtu 1500",
          "set S1 map 0xa", "set S1 routing on", "set S1 lmi 3"}},
        {"S1", [](P c, P d) { SET(c.type, "Netwrk"); SET(d.type, "Netwrk"); c.flags = 0x400; d.flags = 0x408; }, 0,
         {"set S1 routing broadcast"}},
        {"S1", [](P c, P d) { SET(c.type, "Netwrk"); SET(d.type, "Netwrk"); c.flags = 0x8; d.flags = 0x400; }, 0,
         {"set S1 routing off"}},
        {"S1", [](P c, P d) { SET(c.type, "Netwrk"); SET(d.type, "Netwrk"); c.flags = d.flags = 0x10; SET(d.host[0], "h1");
                 SET(d.host[2], "h3"); SET(d.host[3], "10.0.0.2"); d.mtu = 1500; }, 0,
         {"set S1 host h1", "set S1 host 3 h3", "set S1 host 4 10.0.0.2"}},
        {"S1", [](P, P d) { d.flags = 0x1; SET(d.host[1], "h2"); }, 0, {"set S1 host prompt"}},
        {"S1", [](P c, P d) { SET(c.host[0], "h"); SET(d.host[0], "0.0.0.0"); SET(d.host[1], "h2"); }, 0, {"set S1 host default"}},
        {"S1", [](P, P d) { d.speed[0] = 60000; }, 0, {"set S1 speed 1 115200"}},
        {"W1", [](P, P d) { d.speed[1] = 60001; }, 0, {"set W1 speed 2 78600"}},
        {"C1", [](P, P d) { d.speed[2] = 128000; }, 0, {"set C1 speed 3 128k"}},
        {"P1", [](P, P d) { d.speed[0] = 9600; d.line_flags = 4; }, 0, {}},
        {"S1", [](P, P d) { d.line_flags = 0x20; }, 0, {"set S1 xon on", "set S1 rts on"}},
        {"W1", [](P, P d) { SET(d.message, "DLCI:16,17"); }, 0, {"set W1 dlci 16,17"}},
        {"S1", [](P, P d) { SET(d.message, "Welcome"); }, 0, {"set S1 message Welcome"}},
        {"S1", [](P c, P) { SET(c.term, "vt100"); SET(c.prompt, "x"); }, 0, {"set S1 term undefined", "set S1 prompt $hostname login: "}},
        {"S1", [](P, P d) { d.idle = 300; }, 0x1000, {"set S1 idletime 5"}},
        {"S1", [](P, P d) { d.idle = 200; }, 0x1000, {"set S1 idletime 200 seconds"}},
        {"S1", [](P, P d) { d.idle = 240; }, 0x1000, {"set S1 idletime 240 seconds"}},
        {"S1", [](P, P d) { d.idle = 200; }, 0, {"set S1 idletime 3"}},
        {"S1", [](P c, P d) { c.port_type = d.port_type = 128; SET(d.spid, "01234567890123456789"); SET(d.directory, "0123456789012345"); },
         0, {"set S1 spid 01234567890123456789", "set S1 directory 0123456789012345"}},
        {"S1", [](P c, P d) { c.port_type = d.port_type = 64; SET(d.spid, "1"); }, 0, {}},
        {"S1", [](P, P d) { d.login_service = 2; d.login_port = 23; d.device_port = 6000; d.override = 0x2 | 0x40; }, 0,
         {"set S1 service_login telnet 23", "set S1 service_device velunor 6000", "set S1 override speed on",
          "set S1 override parctl on"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        VlPort cur{}, des{};
        SET(cur.type, "Login");
        SET(des.type, "Login");
        cases[i].edit(cur, des);
        int rc = -2;
        EXPECT_EQ(Exchange([&](VlRouter* r) { r->capabilities = cases[i].caps; return vl_set_port(r, cases[i].port, &cur, &des); }, &rc),
                  cases[i].lines);
        EXPECT_EQ(rc, cases[i].lines.empty() ? 2 : 0);
    }
}

TEST(VlPortHelpers, TypeModeAndServiceNames) {
    const struct {
        const char* type;
        int kind, network;
    } cases[] = {{"Login", 1, 0},  {"Device/Netwrk", 2, 1}, {"TwoWay/PPP", 3, 1}, {"Login/Device", 2, 0},
                 {"Netwrk", 0, 1}, {"Login/Slip", 1, 1},    {"Slip/Login", 1, 0}, {"PPPoE", 0, 1},
                 {"Log", 0, 0},    {"Devic", 0, 0},         {"Netwr/Device", 2, 0}, {"Slip/x", 0, 0}};
    for (const auto& c : cases) {
        int network = -1;
        EXPECT_EQ(vl_port_type(c.type, &network), c.kind) << c.type;
        EXPECT_EQ(network, c.network) << c.type;
    }
    EXPECT_STREQ(vl_port_mode_name(0x30), "twoway");
    EXPECT_STREQ(vl_port_mode_name(0x10), "dialin");
    EXPECT_STREQ(vl_port_mode_name(0x20), "dialout");
    EXPECT_STREQ(vl_port_mode_name(0x200), "hardwired");
    EXPECT_STREQ(vl_service_name(3), "netdata");
    EXPECT_STREQ(vl_service_name(7), "velunor");
}

using L = VlLocation&;

TEST(VlSetLocation, LinesForEachDifference) {
    const struct {
        std::function<void(L cur, L des)> edit;
        uint32_t caps;
        Lines lines;
    } cases[] = {
        {[](L, L d) { SET(d.telephone, "555"); }, 0, {"set isp telephone 555"}},
        {[](L, L d) { SET(d.telephone, "555"); SET(d.telephone2, "666"); }, 0, {"set isp telephone 555&666"}},
        {[](L, L d) { d.idle = 600; }, 0x1000, {"set isp idle 10"}},
        {[](L, L d) { d.idle = 120; }, 0x1000, {"set isp idle 120 seconds"}},
        {[](L, L d) { d.idle = 240; }, 0x1000, {"set isp idle 240 seconds"}},
        {[](L, L d) { d.idle = 241; }, 0x1000, {"set isp idle 4"}},
        {[](L, L d) { d.idle = 120; }, 0, {"set isp idle 2"}},
        {[](L, L d) { SET(d.v25bis, "CRN555"); }, 0, {"set isp script all ", "set isp v25bis all CRN555"}},
        {[](L c, L d) { SET(c.ifilter, "in"); SET(c.ofilter, "out"); SET(d.ofilter, "out"); }, 0,
         {"set isp ifilter", "set isp ofilter", "set isp ofilter out"}},
        {[](L c, L d) { SET(c.ifilter, "in"); SET(d.ifilter, "in2"); SET(d.ofilter, "o"); }, 0,
         {"set isp ifilter in2", "set isp ofilter o"}},
        {[](L, L d) { d.flags = 0x20; d.map = 0xA; }, 0, {"set isp protocol ppp", "set isp map 0xa", "set isp map 0xa"}},
        {[](L c, L) { c.flags = 0x20; }, 0, {"set isp protocol slip"}},
        {[](L, L d) { d.flags = 0x1 | 0x4 | 0x8; }, 0, {"set isp rout listen", "set isp on_demand", "set isp compress on"}},
        {[](L, L d) { d.flags = 0x41 | 0x2; }, 0, {"set isp rout off", "set isp continuous"}},
        {[](L c, L) { c.flags = 0x4 | 0x40; }, 0, {"set isp rout on", "set isp manual"}},
        {[](L, L d) { d.flags2 = 0x4 | 0x40 | 0x2; }, 0, {}},
        {[](L, L d) { d.flags2 = 0x4 | 0x40 | 0x2; }, 0x200 | 0x100 | 0x400,
         {"set isp voice on", "set isp chap on", "set isp multilink on"}},
        {[](L c, L) { SET(c.dest, "1.1.1.1"); SET(c.netmask, "2"); SET(c.ipxnet, "3"); }, 0,
         {"set isp dest 0.0.0.0", "set isp netmask 255.255.255.0", "set isp ipxnet 0.0.0.0"}},
        {[](L, L d) { SET(d.username, "u"); SET(d.password, "p"); d.maxports = 2; d.high_water = 5; d.group = 1; d.mtu = 1500; }, 0,
         {"set isp group 1", "set isp mtu 1500", "set isp maxports 2", "set isp high_water 5", "set isp username u",
          "set isp password p"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        VlLocation cur{}, des{};
        SET(cur.name, "isp");
        SET(des.name, "isp");
        cases[i].edit(cur, des);
        int rc = -2;
        EXPECT_EQ(Exchange([&](VlRouter* r) { r->capabilities = cases[i].caps; return vl_set_location(r, &cur, &des); }, &rc),
                  cases[i].lines);
        EXPECT_EQ(rc, cases[i].lines.empty() ? 2 : 0);
    }
}

VlFilterRule Rule(int32_t flags, const char* src, int32_t sb, const char* dst, int32_t db, int32_t proto, int32_t sp, int32_t dp) {
    VlFilterRule r{};
    r.flags = flags;
    SET(r.src, src);
    r.src_bits = sb;
    SET(r.dst, dst);
    r.dst_bits = db;
    r.protocol = proto;
    r.src_port = sp;
    r.dst_port = dp;
    return r;
}

TEST(VlFilterText, RuleShapes) {
    const std::pair<VlFilterRule, const char*> cases[] = {
        {Rule(0x1 | 0x4 | 0x10, "10.0.0.0", 8, "", 0, 6, 0, 25), "permit 10.0.0.0/8 0.0.0.0/0 tcp dst eq 25"},
        {Rule(0x4 | 0x10 | 0x400, "", 0, "", 0, 17, 0, 53), "permit udp dst lt 53"},
        {Rule(0x40 | 0x2, "", 0, "10.0.0.5", 32, 0, 0, 0), "deny   0.0.0.0/0 10.0.0.5/32   "},
        {Rule(0x1 | 0x4 | 0x8, "1.2.3.0", 24, "", 0, 1, 8, 0), "permit 1.2.3.0/24 0.0.0.0/0 icmp type 8 "},
        {Rule(0x4 | 0x8 | 0x200 | 0x20 | 0x1000 | 0x2000, "", 0, "", 0, 6, 1023, 0), "permit tcp src gt 1023   estab log notify"},
        {Rule(0x4 | 0x8 | 0x100 | 0x10 | 0x800, "", 0, "", 0, 17, 5, 9), "permit udp src lt 5 dst gt 9"},
        {Rule(0x4 | 0x20, "", 0, "", 0, 1, 0, 0), "permit icmp  "},  // no "estab" without ports
        {Rule(0x4000 | 0x8000 | 0x4, "any", 0, "local", 0, 99, 0, 0), "permit any local unknown  "},
    };
    for (const auto& [rule, text] : cases) {
        char out[VL_RULE_TEXT_SIZE];
        EXPECT_EQ(vl_filter_text(out, &rule), 0);
        EXPECT_STREQ(out, text);
    }
    char out[VL_RULE_TEXT_SIZE];
    EXPECT_EQ(vl_filter_text(out, nullptr), -1);
}

TEST(VlFilterText, IpxAndSapRules) {
    VlIpxFilterRule ipx{};
    ipx.flags = 0x10 | 0x2 | 0x100;
    ipx.srcsocket = 0x451;
    SET(ipx.dstnet, "0000ABCD");
    char text[VL_RULE_TEXT_SIZE];
    vl_ipxfilter_text(text, &ipx);
    EXPECT_STREQ(text, "permit srcsocket lt 0451 dstnet 0000ABCD");
    ipx.flags = 0x40 | 0x1 | 0x4 | 0x8 | 0x20 | 0x200;
    SET(ipx.srcnet, "1");
    SET(ipx.srchost, "H");
    SET(ipx.dsthost, "D");
    ipx.dstsocket = 0x4;
    vl_ipxfilter_text(text, &ipx);
    EXPECT_STREQ(text, "deny   srcnet 1 srchost H dsthost D dstsocket gt 0004");
    VlSapFilterRule sap{};
    sap.flags = 0x20 | 0x1 | 0x2 | 0x4 | 0x10;
    sap.service = 0x4;
    SET(sap.server, "FS1");
    SET(sap.network, "N");
    SET(sap.host, "H");
    sap.socket = 0x451;
    vl_sapfilter_text(text, &sap);
    EXPECT_STREQ(text, "permit service 4 server FS1 network N host H socket eq 0451");
}

TEST(VlSetFilter, RewritesFromBlankAndRenamesByReplacement) {
    VlFilterRule r2 = Rule(0x40, "", 0, "", 0, 0, 0, 0), r1 = Rule(0x4 | 0x10, "", 0, "", 0, 6, 0, 80);
    r1.next = &r2;
    VlSapFilterRule s1{};
    s1.flags = 0x20;
    s1.service = 0x7;
    VlFilter cur{}, des{};
    SET(cur.name, "isp.in");
    SET(des.name, "isp.in");
    des.ip_rules = &r1;
    des.ip_count = 2;
    des.sap_rules = &s1;
    des.sap_count = 1;
    const Lines all = {"set filter isp.in blank", "set ipxfilter isp.in blank", "set sapfilter isp.in blank",
                       "set filter isp.in 1 permit tcp dst eq 80", "set filter isp.in 2 deny     ",
                       "set sapfilter isp.in 1 permit service 7"};
    const struct {
        const char* oldName;
        std::set<std::string> refuse;
        Lines lines;
        int rc;
    } cases[] = {
        {"isp.in", {}, all, 0},
        {"isp.in", {"set filter isp.in blank"}, {"set filter isp.in blank"}, -1},
        // A refused rule fails the call; the groups after it still go out.
        {"isp.in", {"set filter isp.in 2 deny     "}, all, -1},
        {"old", {}, [&] { Lines l = {"delete filter old", "add filter isp.in"}; l.insert(l.end(), all.begin(), all.end()); return l; }(), 0},
        {"old", {"delete filter old"}, {"delete filter old"}, -1},
    };
    for (const auto& c : cases) {
        SET(cur.name, c.oldName);
        int rc = -2;
        EXPECT_EQ(Exchange([&](VlRouter* r) { return vl_set_filter(r, &cur, &des); }, &rc, c.refuse), c.lines);
        EXPECT_EQ(rc, c.rc);
    }
    VlRouter closed;
    vl_init_router(&closed);
    EXPECT_EQ(vl_set_filter(nullptr, &cur, &des) + vl_set_filter(&closed, nullptr, &des), -2);
}

} // namespace
