#include "router/Filter.h"
#include "router/FilterRule.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::vector<int> Numbers(const VlFilter& f) {
    std::vector<int> out;
    for (const VlFilterRule* r = f.ip_rules; r != nullptr; r = r->next)
        out.push_back(r->number);
    return out;
}

FilterRule PortRule(const char* port) {
    FilterRule r;
    r.SetProtocol("TCP");
    r.SetDestinationPort(port);
    return r;
}

} // namespace

TEST(FilterRule, SettersSetFieldsAndBits) {
    FilterRule fresh;
    EXPECT_EQ(fresh.flags, 0);
    EXPECT_STREQ(fresh.src, "0.0.0.0");
    EXPECT_STREQ(fresh.dst, "0.0.0.0");
    EXPECT_EQ(fresh.next, nullptr);

    struct Case {
        const char* what;
        void (*apply)(FilterRule&);
        int32_t flags;
        int protocol, srcPort, dstPort, srcBits, dstBits;
    };
    const Case cases[] = {
        {"source any mask", [](FilterRule& r) { r.SetSource("10.0.0.0", "0.0.0.0"); },
         VL_RF_SRC, 0, 0, 0, 0, 0},
        {"source host", [](FilterRule& r) { r.SetSource("10.0.0.1", "255.255.255.255"); },
         VL_RF_SRC, 0, 0, 0, 32, 0},
        {"destination lan", [](FilterRule& r) { r.SetDestination("10.0.0.0", "255.255.255.0"); },
         VL_RF_DST, 0, 0, 0, 0, 24},
        {"dst port 0", [](FilterRule& r) { r.SetDestinationPort("0"); }, 0, 0, 0, 0, 0, 0},
        {"dst port empty", [](FilterRule& r) { r.SetDestinationPort(""); }, 0, 0, 0, 0, 0, 0},
        {"dst port 80", [](FilterRule& r) { r.SetDestinationPort("80"); }, VL_RF_DST_PORT, 0, 0,
         80, 0, 0},
        {"dst port gt", [](FilterRule& r) { r.SetDestinationPortCompare("1023", "GT"); },
         VL_RF_DST_PORT | VL_RF_DST_GT, 0, 0, 1023, 0, 0},
        {"dst port lt", [](FilterRule& r) { r.SetDestinationPortCompare("1024", "LT"); },
         VL_RF_DST_PORT | VL_RF_DST_LT, 0, 0, 1024, 0, 0},
        {"compare case matters", [](FilterRule& r) { r.SetDestinationPortCompare("99", "gt"); },
         VL_RF_DST_PORT, 0, 0, 99, 0, 0},
        {"compare reset by plain port",
         [](FilterRule& r) {
             r.SetDestinationPortCompare("1023", "GT");
             r.SetDestinationPort("25");
         },
         VL_RF_DST_PORT, 0, 0, 25, 0, 0},
        {"src port 53", [](FilterRule& r) { r.SetSourcePort("53"); }, VL_RF_SRC_PORT, 0, 53, 0, 0,
         0},
        {"protocol tcp then none",
         [](FilterRule& r) {
             r.SetProtocol("TCP");
             r.SetProtocol("");
         },
         0, 0, 0, 0, 0, 0},
        {"protocol udp", [](FilterRule& r) { r.SetProtocol("UDP"); }, VL_RF_PROTOCOL, 17, 0, 0, 0,
         0},
        {"unknown protocol keeps number",
         [](FilterRule& r) {
             r.SetProtocol("ICMP");
             r.SetProtocol("GRE");
         },
         VL_RF_PROTOCOL, 1, 0, 0, 0, 0},
        {"deny", [](FilterRule& r) { r.SetPermit(0); }, VL_RF_DENY, 0, 0, 0, 0, 0},
        {"deny then permit",
         [](FilterRule& r) {
             r.SetPermit(0);
             r.SetPermit(1);
         },
         0, 0, 0, 0, 0, 0},
        {"permit 2 ignored",
         [](FilterRule& r) {
             r.SetPermit(0);
             r.SetPermit(2);
         },
         VL_RF_DENY, 0, 0, 0, 0, 0},
        {"established", [](FilterRule& r) { r.SetEstablished(5); }, VL_RF_ESTABLISHED, 0, 0, 0, 0,
         0},
        {"established off",
         [](FilterRule& r) {
             r.SetEstablished(1);
             r.SetEstablished(0);
         },
         0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FilterRule r;
        c.apply(r);
        EXPECT_EQ(r.flags, c.flags);
        EXPECT_EQ(r.protocol, c.protocol);
        EXPECT_EQ(r.src_port, c.srcPort);
        EXPECT_EQ(r.dst_port, c.dstPort);
        EXPECT_EQ(r.src_bits, c.srcBits);
        EXPECT_EQ(r.dst_bits, c.dstBits);
    }

    FilterRule r;
    r.SetDestination("192.168.100.200.1234", "255.255.255.255");  // cut to the field
    EXPECT_EQ(r.DestinationText(), "192.168.100.200");
    for (auto [name, number] : {std::pair<const char*, int>{"TCP", 6}, {"UDP", 17}, {"ICMP", 1}}) {
        r.SetProtocol(name);
        EXPECT_EQ(r.ProtocolName(), name);
        EXPECT_EQ(r.protocol, number);
    }
    r.protocol = 47;
    EXPECT_EQ(r.ProtocolName(), "");
}

TEST(Filter, AddRuleNumbersAndPositions) {
    Filter f;
    f.SetName("isp.in.with.a.long.name");
    EXPECT_EQ(f.NameText(), "isp.in.with.a.l");  // cut to 15 characters
    ASSERT_NE(f.AddRule(PortRule("21"), 3), nullptr);
    ASSERT_NE(f.AddRule(PortRule("25"), 3), nullptr);
    EXPECT_EQ(Numbers(f), (std::vector<int>{1, 2}));
    ASSERT_NE(f.AddRule(PortRule("80"), 1), nullptr);
    EXPECT_EQ(Numbers(f), (std::vector<int>{1, 2, 3}));
    ASSERT_NE(f.AddRule(PortRule("53"), 0), nullptr);  // goes first, numbered 1
    EXPECT_EQ(Numbers(f), (std::vector<int>{1, 1, 2, 3}));
    EXPECT_EQ(f.ip_rules->dst_port, 53);
    EXPECT_EQ(f.AddRule(PortRule("99"), 4), nullptr);
    EXPECT_EQ(f.AddRule(PortRule("99"), -1), nullptr);
    EXPECT_EQ(f.ip_count, 4);

    Filter g;  // position does not matter for the first rule
    ASSERT_NE(g.AddRule(PortRule("21"), 7), nullptr);
    EXPECT_EQ(Numbers(g), (std::vector<int>{1}));

    f.Clear();
    EXPECT_EQ(f.ip_count, 0);
    EXPECT_EQ(f.ip_rules, nullptr);
}

TEST(Filter, CopyFromTakesIpRulesOnly) {
    Filter source;
    source.SetName("isp.out");
    for (const char* p : {"80", "443", "119"})
        source.AddRule(PortRule(p), 3);

    Filter target;
    target.SetName("old");
    target.AddRule(PortRule("23"), 3);
    // IPX and SAP rules as the router's table reader would leave them.
    target.ipx_rules = static_cast<VlIpxFilterRule*>(std::calloc(1, sizeof(VlIpxFilterRule)));
    target.ipx_count = 1;
    target.sap_rules = static_cast<VlSapFilterRule*>(std::calloc(1, sizeof(VlSapFilterRule)));
    target.sap_count = 1;
    VlFilter marker{};
    target.next = &marker;

    target.CopyFrom(source);
    EXPECT_EQ(target.NameText(), "isp.out");
    EXPECT_EQ(target.ip_count, 3);
    EXPECT_EQ(target.ipx_count, 0);
    EXPECT_EQ(target.sap_count, 0);
    EXPECT_EQ(target.ipx_rules, nullptr);
    EXPECT_EQ(target.sap_rules, nullptr);
    EXPECT_EQ(target.next, &marker);
    std::vector<int> ports;
    for (const VlFilterRule* r = target.ip_rules; r != nullptr; r = r->next) {
        ports.push_back(r->dst_port);
        // A deep copy: no record shared with the source.
        for (const VlFilterRule* s = source.ip_rules; s != nullptr; s = s->next)
            EXPECT_NE(r, s);
    }
    EXPECT_EQ(ports, (std::vector<int>{80, 443, 119}));
    target.next = nullptr;

    Filter empty;
    target.CopyFrom(empty);
    EXPECT_EQ(target.ip_rules, nullptr);
    EXPECT_EQ(target.ip_count, 0);
}
