#include "run/ConfigSettings.h"
#include "run/IspFilters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace VLQLWizUIControl;

namespace {

std::string Address(bool given, const char* text, int bits) {
    return given ? std::string(text) + "/" + std::to_string(bits) : "any";
}

// One line per rule: action, protocol, established, source, destination, ports.
std::string Describe(const VlFilterRule& r) {
    std::string d = (r.flags & VL_RF_DENY) ? "deny" : "permit";
    d += " ";
    if (!(r.flags & VL_RF_PROTOCOL))
        d += "any";
    else
        d += r.protocol == 6 ? "tcp" : r.protocol == 17 ? "udp" : r.protocol == 1 ? "icmp" : "?";
    if (r.flags & VL_RF_ESTABLISHED)
        d += " est";
    d += " " + Address(r.flags & VL_RF_SRC, r.src, r.src_bits);
    d += " " + Address(r.flags & VL_RF_DST, r.dst, r.dst_bits);
    if (r.flags & VL_RF_SRC_PORT)
        d += " sport=" + std::to_string(r.src_port);
    if (r.flags & VL_RF_DST_PORT) {
        const char* cmp = (r.flags & VL_RF_DST_GT) ? ">" : (r.flags & VL_RF_DST_LT) ? "<" : "=";
        d += std::string(" dport") + cmp + std::to_string(r.dst_port);
    }
    return d;
}

std::vector<std::string> Describe(const std::vector<FilterRule>& rules) {
    std::vector<std::string> out;
    for (const FilterRule& r : rules)
        out.push_back(Describe(r));
    return out;
}

struct Hosts {
    const char* ftp;
    const char* http;
    const char* smtp;
    const char* dns;
};

ConfigSettings Settings(const Hosts& h) {
    ConfigSettings s;
    std::string m;
    EXPECT_TRUE(s.SetRouterAddress("192.168.1.1", m));
    EXPECT_TRUE(s.SetRouterNetmask("255.255.255.0", m));
    EXPECT_TRUE(s.SetFtpHost(h.ftp, m));
    EXPECT_TRUE(s.SetHttpHost(h.http, m));
    EXPECT_TRUE(s.SetSmtpHost(h.smtp, m));
    EXPECT_TRUE(s.SetDnsHost(h.dns, m));
    return s;
}

const std::string kLanDeny = "deny any 192.168.1.1/24 any";
const std::string kEst = "permit tcp est any any";
const std::string kDnsReplies = "permit udp any any sport=53";
const std::string kFtpData = "permit tcp any any sport=20 dport>1023";
const std::string kIcmp = "permit icmp any any";

} // namespace

TEST(IspFilters, InputRulesPublishExactlyTheGivenHosts) {
    struct Case {
        const char* name;
        Hosts hosts;
        std::vector<std::string> rules;
    };
    const Case cases[] = {
        {"no hosts", {"", "", "", ""}, {kLanDeny, kEst, kDnsReplies, kFtpData, kIcmp}},
        {"all hosts",
         {"192.168.1.10", "192.168.1.11", "192.168.1.12", "192.168.1.13"},
         {kLanDeny, kEst, "permit tcp any 192.168.1.10/32 dport=21",
          "permit tcp any 192.168.1.11/32 dport=80", "permit tcp any 192.168.1.11/32 dport=443",
          "permit tcp any 192.168.1.12/32 dport=25", kDnsReplies,
          "permit tcp any 192.168.1.13/24 dport=53", kFtpData, kIcmp}},
        {"web and mail",
         {"", "192.168.1.11", "192.168.1.12", ""},
         {kLanDeny, kEst, "permit tcp any 192.168.1.11/32 dport=80",
          "permit tcp any 192.168.1.11/32 dport=443", "permit tcp any 192.168.1.12/32 dport=25",
          kDnsReplies, kFtpData, kIcmp}},
        {"name server only",
         {"", "", "", "192.168.1.13"},
         {kLanDeny, kEst, kDnsReplies, "permit tcp any 192.168.1.13/24 dport=53", kFtpData,
          kIcmp}},
        // An FTP host of 0.0.0.0 reads back as none; a WWW host of 0.0.0.0 is published.
        {"zero hosts",
         {"0.0.0.0", "0.0.0.0", "", ""},
         {kLanDeny, kEst, "permit tcp any 0.0.0.0/32 dport=80",
          "permit tcp any 0.0.0.0/32 dport=443", kDnsReplies, kFtpData, kIcmp}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Describe(IspInRules(Settings(c.hosts))), c.rules);
    }
}

TEST(IspFilters, OutputRulesAreFixedBesidesTheNameServer) {
    const std::vector<std::string> base = {
        "deny any any 192.168.1.1/24",
        kEst,
        "permit tcp any any dport=80",
        "permit tcp any any dport=443",
        "permit tcp any any dport=119",
        "permit tcp any any dport=25",
        "permit tcp any any dport=21",
        "permit udp any any dport=53",
        kFtpData,
        "permit tcp any any dport>1023",
        "permit udp any any dport=520",
        "permit tcp any any dport=23",
        kIcmp,
    };
    EXPECT_EQ(Describe(IspOutRules(Settings({"", "", "", ""}))), base);
    EXPECT_EQ(Describe(IspOutRules(Settings({"192.168.1.10", "192.168.1.11", "192.168.1.12", ""}))),
              base);

    std::vector<std::string> withDns = base;
    withDns.insert(withDns.begin() + 8, "permit tcp 192.168.1.13/24 any dport=53");
    EXPECT_EQ(Describe(IspOutRules(Settings({"", "", "", "192.168.1.13"}))), withDns);
    EXPECT_EQ(withDns.size(), 14u);
}
