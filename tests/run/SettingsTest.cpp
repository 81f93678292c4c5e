// The settings record's checked setters, the summary file, and the ISP filter rules
// made from the settings.
#include "run/ConfigSettings.h"
#include "run/IspFilters.h"

#include "support/SimProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace VLQLWizUIControl;

namespace {

TEST(ConfigSettings, CheckedSettersStoreOrKeepTheOldValue) {
    using Setter = bool (ConfigSettings::*)(const std::string&, std::string&);
    const struct {
        Setter set;
        std::function<std::string(const ConfigSettings&)> get;
        std::string good, stored, bad, message;
    } cases[] = {
        {&ConfigSettings::SetRouterAddress, &ConfigSettings::RouterAddress, "10.0.0.1", "10.0.0.1", "1.",
         "Entry is an invalid IP address"},
        {&ConfigSettings::SetRouterNetmask, &ConfigSettings::RouterNetmask, "255.255.255.0", "255.255.255.0",
         "255.255.255.255", "Entry is an invalid IP address"},
        {&ConfigSettings::SetChannel1Spid, &ConfigSettings::Channel1Spid, std::string(20, '1'), std::string(20, '1'),
         std::string(21, '1'), "Value has too many digits: only 20 digits are allowed."},
        {&ConfigSettings::SetChannel2DirNo, &ConfigSettings::Channel2DirNo, "", "", "555-1212", "Entry can only have numbers"},
        {&ConfigSettings::SetHttpHost, &ConfigSettings::HttpHost, "0.0.0.0", "0.0.0.0", "www", "Entry is an invalid IP address"},
        {&ConfigSettings::SetFtpHost, &ConfigSettings::FtpHost, "0.0.0.0", "", "1.", "Entry is an invalid IP address"},
        {&ConfigSettings::SetDnsHost, &ConfigSettings::DnsHost, "", "", "x", "Entry is an invalid IP address"},
        {&ConfigSettings::SetChannels, &ConfigSettings::Channels, "2", "2", "3", "Value out of bounds: it must be between 1 and 2"},
        {&ConfigSettings::SetPhoneNumber, &ConfigSettings::PhoneNumber, "(555) 123-4567", "5551234567", "",
         "Not a valid telephone number."},
        {&ConfigSettings::SetPhoneNumber2, &ConfigSettings::PhoneNumber2, "", "", "x", "Not a valid telephone number."},
        {&ConfigSettings::SetPhoneNumber2, &ConfigSettings::PhoneNumber2, "1-800-555", "1800555", "x",
         "Not a valid telephone number."},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const auto& c = cases[i];
        ConfigSettings s;
        std::string msg = "stale";
        (s.*c.set)("10", msg);  // something earlier, replaced by the good entry
        EXPECT_TRUE((s.*c.set)(c.good, msg));
        EXPECT_EQ(msg, "");
        EXPECT_EQ(c.get(s), c.stored);
        EXPECT_FALSE((s.*c.set)(c.bad, msg));
        EXPECT_EQ(msg, c.message);
        EXPECT_EQ(c.get(s), c.stored);
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ConfigSettings, SummaryFileIsWrittenTruncatedAndNeverThroughALinkOrFifo) {
    const std::string file = WriteTempFile("summary.txt", "an older and longer text");
    ASSERT_TRUE(WriteSummaryFile("IP Address:\t10.0.0.1\r\n", file));
    EXPECT_EQ(ReadFile(file), "IP Address:\t10.0.0.1\r\n");
    EXPECT_FALSE(WriteSummaryFile("x", file + ".missing/QLWIZ.TXT"));  // no directory is made
    const std::string victim = WriteTempFile("victim", "precious"), link = victim + ".link", fifo = victim + ".fifo";
    std::filesystem::create_symlink(victim, link);
    EXPECT_FALSE(WriteSummaryFile("summary", link));
    EXPECT_EQ(ReadFile(victim), "precious");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(WriteSummaryFile("summary", fifo));  // and does not hang
}

// Rules in the router's own words, blanks folded.
std::vector<std::string> Texts(const std::vector<FilterRule>& rules) {
    std::vector<std::string> out;
    for (const FilterRule& r : rules) {
        char text[VL_RULE_TEXT_SIZE];
        vl_filter_text(text, &r);
        std::istringstream in(text);
        std::string w, t;
        while (in >> w)
            t += (t.empty() ? "" : " ") + w;
        out.push_back(t);
    }
    return out;
}

TEST(IspFilters, InputRulesPublishExactlyTheGivenHostsAndOutputRulesAreFixed) {
    const std::string lan = "deny 192.168.1.1/24 0.0.0.0/0", est = "permit tcp estab",
                      dnsReplies = "permit udp src eq 53", ftpData = "permit tcp src eq 20 dst gt 1023",
                      icmp = "permit icmp";
    const struct {
        const char *ftp, *http, *smtp, *dns;
        std::vector<std::string> in;
    } cases[] = {
        {"", "", "", "", {lan, est, dnsReplies, ftpData, icmp}},
        {"192.168.1.10", "192.168.1.11", "192.168.1.12", "192.168.1.13",
         {lan, est, "permit 0.0.0.0/0 192.168.1.10/32 tcp dst eq 21", "permit 0.0.0.0/0 192.168.1.11/32 tcp dst eq 80",
          "permit 0.0.0.0/0 192.168.1.11/32 tcp dst eq 443", "permit 0.0.0.0/0 192.168.1.12/32 tcp dst eq 25",
          dnsReplies, "permit 0.0.0.0/0 192.168.1.13/24 tcp dst eq 53", ftpData, icmp}},
        // An FTP host of 0.0.0.0 reads back as none; a WWW host of 0.0.0.0 is published.
        {"0.0.0.0", "0.0.0.0", "", "",
         {lan, est, "permit 0.0.0.0/0 0.0.0.0/32 tcp dst eq 80", "permit 0.0.0.0/0 0.0.0.0/32 tcp dst eq 443",
          dnsReplies, ftpData, icmp}},
    };
    const std::vector<std::string> out = {
        "deny 0.0.0.0/0 192.168.1.1/24", est, "permit tcp dst eq 80", "permit tcp dst eq 443", "permit tcp dst eq 119",
        "permit tcp dst eq 25", "permit tcp dst eq 21", "permit udp dst eq 53", ftpData, "permit tcp dst gt 1023",
        "permit udp dst eq 520", "permit tcp dst eq 23", icmp};
    for (const auto& c : cases) {
        ConfigSettings s;
        std::string m;
        s.SetRouterAddress("192.168.1.1", m);
        s.SetRouterNetmask("255.255.255.0", m);
        s.SetFtpHost(c.ftp, m);
        s.SetHttpHost(c.http, m);
        s.SetSmtpHost(c.smtp, m);
        s.SetDnsHost(c.dns, m);
        EXPECT_EQ(Texts(IspInRules(s)), c.in);
        std::vector<std::string> withDns = out;
        if (*c.dns)  // the name server may ask others
            withDns.insert(withDns.begin() + 8, "permit 192.168.1.13/24 0.0.0.0/0 tcp dst eq 53");
        EXPECT_EQ(Texts(IspOutRules(s)), withDns);
    }
}

} // namespace
