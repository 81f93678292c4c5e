// The command library's readers against the real quillet-sim: every record and table the
// library reads (global, Ethernet, ports, locations, the filter tables) must land field by
// field in the records, for each firmware form the simulator plays. The two sides share no
// code, so a field that slips here is a disagreement about the protocol.
#include "support/SimProcess.h"

#include "cmdlib/vl.h"
#include "platform/Sockets.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Commands the router has applied and saved before the test connects.
const char* const kSetup[] = {
    "set host 1 10.0.0.5",
    "set host 3 10.0.0.7",
    "set gateway 192.168.1.254 3",
    "set ypserver 10.0.0.9",
    "set domain example com",
    "set loghost 10.0.0.10",
    "set assigned 192.168.1.100",
    "set telnet 2323",
    "set ipxnet 0000ABCD",
    "set ipxframe ethernet_ii",
    "set ipxgateway 00000042 3",
    "set isdn net3",
    "set ether1 address 10.1.0.1",
    "set ether1 netmask 255.255.0.0",
    "set ether1 ifilter web",
    "set C0 speed 1 38400",
    "set C0 parity even",
    "set C0 databits 7",
    "set C0 stopbits 2",
    "set C0 term ansi",
    "set C0 prompt Hello $hostname:",
    "set C0 username ops",
    "set C0 message Authorised use only",
    "set C0 group 4",
    "set C0 service_login telnet 2300",
    "set C0 host 10.0.0.5",
    "set S1 spid 01234567890123456789",
    "set S1 directory 5551234567890123",
    "set W3 address 172.16.0.1",
    "set W3 destination 172.16.0.2 255.255.255.252",
    "set W3 mtu 1400",
    "set W3 map 0xa0000",
    "set W3 lmi 16",
    "add location isp",
    "set isp dest 10.9.0.0",
    "set isp netmask 255.255.0.0",
    "set isp telephone 5551000&5551001",
    "set isp username acct",
    "set isp password two words",
    "set isp group 2",
    "set isp maxports 2",
    "set isp high_water 5",
    "set isp mtu 1496",
    "set isp idle 5",
    "set isp on_demand",
    "add location alpha",
    "set alpha script all ATZ OK",
    "add filter web",
    "set filter web 1 permit 10.0.0.0/8 0.0.0.0/0 tcp dst eq 25",
    "set filter web 2 deny 0.0.0.0/0 192.168.1.5/32 udp src gt 1023 dst lt 53 log",
    "set filter web 3 permit icmp type 8",
    "set ipxfilter web 1 permit srcnet 0000ABCD srcsocket lt 0451 dstnet 00000001",
    "set sapfilter web 1 deny service 4 server FS1 socket eq 0452",
    "add filter acl",
    "set filter acl 1 deny 10.1.0.0/16 0.0.0.0/0",
};

const char* const kWebRules[] = {
    "permit 10.0.0.0/8 0.0.0.0/0 tcp dst eq 25",
    "deny 0.0.0.0/0 192.168.1.5/32 udp src gt 1023 dst lt 53 log",
    "permit icmp type 8",
};

// A rule text with its column padding and trailing blanks folded, as the router reads it.
std::string Words(const std::string& text) {
    std::istringstream in(text);
    std::string w, out;
    while (in >> w)
        out += (out.empty() ? "" : " ") + w;
    return out;
}

bool Connect(const SimProcess& sim, VlRouter* r) {
    vl_init_router(r);
    int s = platform::TcpSocket();
    if (s < 0)
        return false;
    if (platform::Connect(s, htonl(INADDR_LOOPBACK), static_cast<uint16_t>(sim.Port())) != 0) {
        platform::CloseSocket(s);
        return false;
    }
    r->socket = s;
    return vl_login(r, "pw") == 0;
}

TEST(SimCmdlib, EveryRecordLandsFieldByFieldForEachFirmware) {
    struct Case {
        const char* firmware;
        const char* extra;       // scenario keys of this case
        int32_t firmware_level;
        const char* status_text4;
        uint32_t caps_set;       // capability bits that must be set
        uint32_t caps_clear;     // ... and that must be clear
        bool bigfilt;            // the newer filter table (IP rules only)
    };
    const Case cases[] = {
        // Chunked tables and one rule per filter reply: every continuation is exercised.
        {"new", "table_chunk = 1\nbigfilt_rules_per_reply = 1\n", 6, "BRI",
         0x80 | 0x400 | 0x200 | 0x100 | 0x40 | 0x800 | 0x2000 | 0x8 | 0x1 | 0x2 | 0x10 | 0x20 |
             0x1000,
         0, true},
        {"mid", "table_chunk = 0\n", -1, "BRI",
         0x100 | 0x40 | 0x800 | 0x2000 | 0x8 | 0x1 | 0x2 | 0x10 | 0x20 | 0x1000, 0x80 | 0x400,
         false},
        {"old", "table_chunk = 3\nlocation_chap = no\n", -1, "", 0,
         0x1 | 0x2 | 0x8 | 0x10 | 0x20 | 0x40 | 0x100 | 0x1000 | 0x2000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware);
        std::string scenario = std::string("password = pw\nfirmware = ") + c.firmware +
                               "\nports = C0:async S1:isdn S2:isdn W3:sync P4:parallel\n"
                               // Lines register at once: the switch goes out with its
                               // "active" bit.
                               "isdn.register_ms = 0\n" +
                               c.extra;
        for (const char* line : kSetup)
            scenario += std::string("apply = ") + line + "\n";
        SimProcess sim;
        ASSERT_TRUE(sim.Start(scenario)) << sim.Error();
        VlRouter r;
        ASSERT_TRUE(Connect(sim, &r));

        ASSERT_EQ(vl_read_global(&r), 0);
        EXPECT_EQ(std::vector<std::string>({r.address, r.netmask, r.host[0], r.host[2], r.gateway, r.ypserver,
                                            r.domain, r.loghost, r.assigned, r.ipxnet, r.ipxgateway,
                                            r.status_text2, r.status_text3, r.status_text4}),
                  std::vector<std::string>({"192.168.1.1", "255.255.255.0", "10.0.0.5", "10.0.0.7", "192.168.1.254",
                                            "10.0.0.9", "example com", "10.0.0.10", "192.168.1.100", "0000ABCD",
                                            "00000042", "QL2B", "5.2", c.status_text4}));
        // net3 comes with its "active" bit, taken off here.
        EXPECT_EQ(std::vector<int64_t>({r.gateway_metric, r.telnet, r.ipxframe, r.ipxgateway_hops, r.port_count,
                                        r.ether_count, r.isdn_switch, r.firmware_level, r.flags & VL_GF_DNS}),
                  std::vector<int64_t>({3, 2323, 3, 3, 5, 2, 5, c.firmware_level, VL_GF_DNS}));
        ASSERT_EQ(vl_read_ether(&r), 0);
        EXPECT_EQ(std::vector<std::string>({r.ether[0].name, r.ether[0].address, r.ether[1].address,
                                            r.ether[1].netmask, r.ether[1].ifilter, r.ether[1].ofilter}),
                  std::vector<std::string>({"ether0", "192.168.1.1", "10.1.0.1", "255.255.0.0", "web", ""}));

        std::vector<VlPort> ports(static_cast<size_t>(r.port_count));
        r.ports = ports.data();
        ASSERT_EQ(vl_read_ports(&r), 0);
        const VlPort &c0 = ports[0], &s1 = ports[1], &w3 = ports[3], &p4 = ports[4];
        EXPECT_EQ(std::vector<std::string>({c0.name, c0.type, c0.parity, c0.term, c0.prompt, c0.username,
                                            c0.message, c0.host[0], c0.ipxnet, s1.spid, s1.directory, s1.type,
                                            w3.host[3], w3.destination, w3.destination_mask, w3.ipxnet, p4.type,
                                            p4.device}),
                  std::vector<std::string>({"C0", "Login", "even", "ansi", "Hello $hostname:", "ops",
                                            "Authorised use only", "10.0.0.5", "00000000", "01234567890123456789",
                                            "5551234567890123", "Netwrk", "172.16.0.1", "172.16.0.2",
                                            "255.255.255.252", "AC100001", "Device", "lp"}));
        // Older firmware has no idle time in seconds, and the port's idle stays unknown.
        EXPECT_EQ(std::vector<int64_t>({c0.speed[0], c0.databits, c0.stopbits, c0.group, c0.login_service,
                                        c0.login_port, c0.port_type, s1.port_type, s1.flags & 0x230,
                                        s1.idle_minutes, s1.idle, ports[2].port_type, w3.port_type, w3.mtu, w3.map,
                                        w3.lmi, p4.port_type, r.isdn_present}),
                  std::vector<int64_t>({38400, 7, 2, 4, 2, 2300, 16, 128, 0x230, 2,
                                        c.caps_clear & VL_CAP_IDLE_SECONDS ? -1 : 120, 128, 64, 1400, 0xa0000, 16,
                                        32, 1}));
        EXPECT_EQ(r.capabilities & c.caps_set, c.caps_set) << std::hex << r.capabilities;
        EXPECT_EQ(r.capabilities & c.caps_clear, 0u) << std::hex << r.capabilities;

        // Locations, sorted by name, with the account text taken apart.
        VlLocation* locs = vl_read_locations(&r);
        ASSERT_NE(locs, nullptr);
        EXPECT_STREQ(locs->name, "alpha");
        EXPECT_STREQ(locs->script, "ATZ OK");
        ASSERT_NE(locs->next, nullptr);
        const VlLocation& isp = *locs->next;
        EXPECT_EQ(isp.next, nullptr);
        EXPECT_EQ(std::vector<std::string>({isp.name, isp.dest, isp.netmask, isp.telephone, isp.telephone2,
                                            isp.username, isp.password}),
                  std::vector<std::string>({"isp", "10.9.0.0", "255.255.0.0", "5551000", "5551001", "acct",
                                            "two words"}));
        // Idle in minutes or seconds on the wire, seconds here; flag 0x4 is on demand.
        EXPECT_EQ(std::vector<int64_t>({isp.group, isp.maxports, isp.high_water, isp.mtu, isp.idle, isp.flags & 0x6}),
                  std::vector<int64_t>({2, 2, 5, 1496, 300, 0x4}));
        vl_free_locations(locs);

        // Filters: the newer table carries the IP rules only.
        VlFilter* filters = vl_read_filters(&r);
        ASSERT_NE(filters, nullptr);
        ASSERT_GE(r.socket, 0);
        EXPECT_STREQ(filters->name, "acl");
        ASSERT_EQ(filters->ip_count, 1);
        char text[VL_RULE_TEXT_SIZE];
        vl_filter_text(text, filters->ip_rules);
        EXPECT_EQ(Words(text), "deny 10.1.0.0/16 0.0.0.0/0");
        ASSERT_NE(filters->next, nullptr);
        const VlFilter& web = *filters->next;
        EXPECT_STREQ(web.name, "web");
        ASSERT_EQ(web.ip_count, 3);
        const VlFilterRule* rule = web.ip_rules;
        for (const char* expected : kWebRules) {
            ASSERT_NE(rule, nullptr);
            vl_filter_text(text, rule);
            EXPECT_EQ(Words(text), expected);
            rule = rule->next;
        }
        EXPECT_EQ(web.ip_rules->src_bits, 8);
        EXPECT_EQ(web.ip_rules->dst_port, 25);
        if (c.bigfilt) {
            EXPECT_EQ(web.ipx_count, 0);
            EXPECT_EQ(web.sap_count, 0);
        } else {
            ASSERT_EQ(web.ipx_count, 1);
            vl_ipxfilter_text(text, web.ipx_rules);
            EXPECT_STREQ(text, "permit srcnet 0000ABCD srcsocket lt 0451 dstnet 00000001");
            ASSERT_EQ(web.sap_count, 1);
            vl_sapfilter_text(text, web.sap_rules);
            EXPECT_EQ(Words(text), "deny service 4 server FS1 socket eq 0452");
        }
        vl_free_filters(filters);

        vl_close(&r);
        EXPECT_EQ(sim.Stop(), 0);
        EXPECT_EQ(sim.Log().find("scenario command refused"), std::string::npos) << sim.Log();
    }
}

}  // namespace
