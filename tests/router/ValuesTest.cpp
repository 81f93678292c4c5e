// Values the pages and the run share: validators, addresses, filter rules and filters,
// and the configuration objects' setters.
#include "router/Filter.h"
#include "router/FilterRule.h"
#include "router/GlobalConfig.h"
#include "router/IpAddress.h"
#include "router/Location.h"
#include "router/PortConfig.h"
#include "router/VLVelunor.h"
#include "router/Validators.h"
#include "router/ValueTables.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <climits>
#include <cstdlib>
#include <functional>

namespace {

TEST(Validators, AcceptOrRejectWithTheirMessages) {
    const std::string address = "Entry is an invalid IP address", numbers = "Entry can only have numbers",
                      bounds = "Value out of bounds: it must be between 1 and 2", phone = "Not a valid telephone number.";
    using Check = std::function<void(const std::string&, std::string&, std::string&)>;
    const Check ip = [](auto& t, auto& m, auto& f) { CheckAddress(t, m, f); };
    const Check d20 = [](auto& t, auto& m, auto& f) { CheckDigits(t, m, f, 20); };
    const Check d16 = [](auto& t, auto& m, auto& f) { CheckDigits(t, m, f, 16); };
    const Check range = [](auto& t, auto& m, auto& f) { CheckRange(t, m, f, 1, 2); };
    const Check tel = [](auto& t, auto& m, auto& f) { CheckPhoneNumber(t, m, f); };
    const struct {
        Check check;
        std::string text, message, stored;  // message "" = accepted, then `stored`
    } cases[] = {
        {ip, "10.0.0.1", "", "10.0.0.1"},   {ip, "1.2", "", "1.2"},  {ip, "0x0A.0.0.1", "", "0x0A.0.0.1"},
        {ip, "0.0.0.0", "", "0.0.0.0"},     {ip, "255.255.255.255", address, ""},  // inet_addr's failure value
        {ip, "router", address, ""},        {ip, "", address, ""},   {ip, "12", address, ""},
        {ip, "10.0.0.256", address, ""},    {ip, std::string("10.0.0.1\0zz", 11), address, ""},
        {d20, std::string(20, '9'), "", std::string(20, '9')},
        {d20, std::string(21, '9'), "Value has too many digits: only 20 digits are allowed.", ""},
        {d16, std::string(17, '1'), "Value has too many digits: only 16 digits are allowed.", ""},
        {d20, "555-1212", numbers, ""},     {d20, "", "", ""},       {d16, "0123", "", "0123"},
        {range, "3", bounds, ""},           {range, "0", bounds, ""}, {range, "", bounds, ""},
        {range, "a", numbers, ""},          {range, "-1", numbers, ""}, {range, "2", "", "2"},
        {range, "1", "", "1"},              {range, "01", "", "01"}, {range, "4294967297", bounds, ""},
        {tel, "(555) 123-4567", "", "5551234567"}, {tel, "--", phone, ""}, {tel, "abc", phone, ""},
        {tel, "", phone, ""},               {tel, "9,1 800 ISP", "", "91800"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        std::string message = "stale", field = "previous";
        cases[i].check(cases[i].text, message, field);
        EXPECT_EQ(message, cases[i].message);
        EXPECT_EQ(field, cases[i].message.empty() ? cases[i].stored : "previous");
    }
}

TEST(Validators, NumberConversions) {
    const std::pair<std::string, int> numbers[] = {
        {"42", 42}, {"  7x", 7}, {"-15", -15}, {"+3", 3}, {"", 0}, {"abc", 0}, {"\t\n\v\f\r9", 9}, {"- 4", 0},
        {"\x01" "5", 0}, {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}, {"-2147483648", INT_MIN}};
    for (const auto& [text, value] : numbers) {
        EXPECT_EQ(TextNumber(text), value) << text;
    }
    EXPECT_EQ(NumberText(-30), "-30");
    EXPECT_TRUE(AllDigits("0123456789"));
    EXPECT_FALSE(AllDigits("12 3"));
    for (const SwitchType& t : SwitchTypes)  // every name the page offers maps to a number and back
        EXPECT_EQ(GlobalConfig::SwitchTypeName(GlobalConfig::SwitchTypeNumber(std::string(t.name))), t.name);
    EXPECT_EQ(GlobalConfig::SwitchTypeNumber("Japan NTT"), 9);
    EXPECT_EQ(GlobalConfig::SwitchTypeNumber("japan ntt"), -1);
    for (int n : {3, 6, -1, 13}) {
        EXPECT_EQ(GlobalConfig::SwitchTypeName(n), "") << n;
    }
}

TEST(IpAddress, ParsingTextPrefixAndNetworks) {
    const std::pair<std::string, std::string> parsed[] = {
        {"10.1.2.3", "10.1.2.3"}, {"10.1", "10.1.0.0"},   {"10.0.0.1.5", "10.0.0.1"}, {"300.1.1.1", "44.1.1.1"},
        {"router", "0.0.0.0"},    {"1.2.3.", "1.2.3.0"},  {" 7.x8.-1.9z", "7.0.255.9"}, {"1..3.4", "1.0.3.4"}};
    for (const auto& [text, want] : parsed) {
        EXPECT_EQ(IpAddress(text).ToText(), want) << text;
    }
    IpAddress a;
    a.SetFromNumber(0xC0A80102u);
    EXPECT_EQ(a.NetworkValue(), inet_addr("192.168.1.2"));
    const std::pair<const char*, int> masks[] = {{"255.255.255.255", 32}, {"255.255.255.0", 24}, {"0.0.0.0", 0},
                                                 {"255.255.240.0", 20},   {"128.0.0.0", 1},      {"", 0}};
    for (const auto& [mask, bits] : masks) {
        EXPECT_EQ(PrefixLength(mask), bits) << mask;
    }
    const struct {
        const char *a, *b, *mask;
        bool same;
    } nets[] = {{"192.168.1.5", "192.168.1.77", "255.255.255.0", true},
                {"192.168.1.5", "192.168.2.5", "255.255.255.0", false},
                {"0.0.0.0", "192.168.1.5", "255.255.255.0", false},  // zero's broadcast is 0.0.0.0
                {"10.1.2.3", "10.200.0.1", "255.0.0.0", true},
                {"10.1.2.3", "10.1.2.4", "255.255.255.255", false}};
    for (const auto& n : nets) {
        EXPECT_EQ(IpAddress(n.a).SameNetwork(IpAddress(n.b), IpAddress(n.mask)), n.same) << n.a << " " << n.b;
    }
    EXPECT_EQ(IpAddress("172.16.9.1").BroadcastOf(IpAddress("255.240.0.0")).ToText(), "172.31.255.255");
}

TEST(FilterRule, SettersSetFieldsAndBits) {
    const struct {
        std::function<void(FilterRule&)> apply;
        int32_t flags;
        int protocol, srcPort, dstPort, srcBits, dstBits;
    } cases[] = {
        {[](FilterRule& r) { r.SetSource("10.0.0.1", "255.255.255.255"); }, VL_RF_SRC, 0, 0, 0, 32, 0},
        {[](FilterRule& r) { r.SetDestination("10.0.0.0", "255.255.255.0"); }, VL_RF_DST, 0, 0, 0, 0, 24},
        {[](FilterRule& r) { r.SetDestinationPort("0"); }, 0, 0, 0, 0, 0, 0},
        {[](FilterRule& r) { r.SetDestinationPort("80"); }, VL_RF_DST_PORT, 0, 0, 80, 0, 0},
        {[](FilterRule& r) { r.SetDestinationPortCompare("1023", "GT"); }, VL_RF_DST_PORT | VL_RF_DST_GT, 0, 0, 1023, 0, 0},
        {[](FilterRule& r) { r.SetDestinationPortCompare("1024", "LT"); }, VL_RF_DST_PORT | VL_RF_DST_LT, 0, 0, 1024, 0, 0},
        {[](FilterRule& r) { r.SetDestinationPortCompare("99", "gt"); }, VL_RF_DST_PORT, 0, 0, 99, 0, 0},
        {[](FilterRule& r) { r.SetDestinationPortCompare("1023", "GT"); r.SetDestinationPort("25"); }, VL_RF_DST_PORT, 0, 0, 25, 0, 0},
        {[](FilterRule& r) { r.SetSourcePort("53"); }, VL_RF_SRC_PORT, 0, 53, 0, 0, 0},
        {[](FilterRule& r) { r.SetProtocol("TCP"); r.SetProtocol(""); }, 0, 0, 0, 0, 0, 0},
        {[](FilterRule& r) { r.SetProtocol("UDP"); }, VL_RF_PROTOCOL, 17, 0, 0, 0, 0},
        {[](FilterRule& r) { r.SetProtocol("ICMP"); r.SetProtocol("GRE"); }, VL_RF_PROTOCOL, 1, 0, 0, 0, 0},
        {[](FilterRule& r) { r.SetPermit(0); r.SetPermit(2); }, VL_RF_DENY, 0, 0, 0, 0, 0},
        {[](FilterRule& r) { r.SetPermit(0); r.SetPermit(1); }, 0, 0, 0, 0, 0, 0},
        {[](FilterRule& r) { r.SetEstablished(5); }, VL_RF_ESTABLISHED, 0, 0, 0, 0, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        FilterRule r;
        cases[i].apply(r);
        EXPECT_EQ(std::vector<int>({r.flags, r.protocol, r.src_port, r.dst_port, r.src_bits, r.dst_bits}),
                  std::vector<int>({cases[i].flags, cases[i].protocol, cases[i].srcPort, cases[i].dstPort,
                                    cases[i].srcBits, cases[i].dstBits})) << i;
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

std::vector<int> Ports(const VlFilter& f) {
    std::vector<int> out;
    for (const VlFilterRule* r = f.ip_rules; r != nullptr; r = r->next)
        out.push_back(r->number * 1000 + r->dst_port);
    return out;
}

TEST(Filter, AddRuleNumbersAndPositionsAndCopyFromTakesIpRulesOnly) {
    auto rule = [](const char* port) { FilterRule r; r.SetProtocol("TCP"); r.SetDestinationPort(port); return r; };
    Filter f;
    f.SetName("isp.in.with.a.long.name");
    EXPECT_EQ(f.NameText(), "isp.in.with.a.l");  // cut to 15 characters
    for (auto [port, at] : {std::pair<const char*, int>{"21", 3}, {"25", 3}, {"80", 1}, {"53", 0}}) {
        ASSERT_NE(f.AddRule(rule(port), at), nullptr);
    }
    EXPECT_EQ(Ports(f), (std::vector<int>{1053, 1021, 2025, 3080}));  // first goes first, numbered 1
    EXPECT_EQ(f.AddRule(rule("99"), 4), nullptr);
    EXPECT_EQ(f.AddRule(rule("99"), -1), nullptr);
    EXPECT_EQ(f.ip_count, 4);

    Filter target;
    target.AddRule(rule("23"), 3);
    // IPX and SAP rules as the router's table reader would leave them.
    target.ipx_rules = static_cast<VlIpxFilterRule*>(std::calloc(1, sizeof(VlIpxFilterRule)));
    target.ipx_count = 1;
    target.sap_rules = static_cast<VlSapFilterRule*>(std::calloc(1, sizeof(VlSapFilterRule)));
    target.sap_count = 1;
    target.CopyFrom(f);
    EXPECT_EQ(target.NameText(), "isp.in.with.a.l");
    EXPECT_EQ(Ports(target), Ports(f));
    EXPECT_NE(target.ip_rules, f.ip_rules);  // a deep copy
    EXPECT_EQ(target.ipx_count + target.sap_count, 0);
    EXPECT_EQ(target.ipx_rules, nullptr);
    target.CopyFrom(Filter());
    EXPECT_EQ(target.ip_rules, nullptr);
    EXPECT_EQ(target.ip_count, 0);
}

TEST(ConfigObjects, SettersTakeTheirTextsAsThePagesGiveThem) {
    Location l;
    l.SetDestination("Negotiated");
    EXPECT_STREQ(l.dest, "255.255.255.255");
    l.SetDestination("negotiated");  // exact match only
    EXPECT_STREQ(l.dest, "negotiated");
    l.SetIdle("5");
    EXPECT_EQ(l.idle, 300);
    l.SetIdle("99999999999");  // no overflow into a negative time
    EXPECT_GT(l.idle, 0);
    l.SetMaxPorts(" 2x");
    EXPECT_EQ(l.MaxPortsText(), "2");
    l.SetTelephone(std::string(50, '9'));
    EXPECT_EQ(l.TelephoneText(), std::string(39, '9'));
    PortConfig p;
    p.SetSpid("01234567890123456789XYZ");
    EXPECT_STREQ(p.spid, "01234567890123456789");
    p.SetDirectory("01234567890123456789");
    EXPECT_STREQ(p.directory, "0123456789012345");
    p.SetIdle("5");
    EXPECT_EQ(p.p5_12, 300);
    EXPECT_EQ(p.idle, 0);  // the port's own idle time is left alone
}

} // namespace
