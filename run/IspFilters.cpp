#include "run/IspFilters.h"

#include "run/ConfigSettings.h"

#include <string>

namespace VLQLWizUIControl {

namespace {

const char* const kHostMask = "255.255.255.255";

// A new permit rule for `protocol` ("" for any).
FilterRule Permit(const char* protocol) {
    FilterRule rule;
    rule.SetProtocol(protocol);
    return rule;
}

FilterRule ToPort(const char* protocol, const char* port) {
    FilterRule rule = Permit(protocol);
    rule.SetDestinationPort(port);
    return rule;
}

FilterRule ToHostPort(const std::string& host, const std::string& mask, const char* port) {
    FilterRule rule = ToPort("TCP", port);
    rule.SetDestination(host, mask);
    return rule;
}

FilterRule Established() {
    FilterRule rule = Permit("TCP");
    rule.SetEstablished(1);
    return rule;
}

// Active FTP: the server's data connection comes from port 20 to a high port.
FilterRule FtpData() {
    FilterRule rule = Permit("TCP");
    rule.SetSourcePort("20");
    rule.SetDestinationPortCompare("1023", "GT");
    return rule;
}

} // namespace

std::vector<FilterRule> IspInRules(const ConfigSettings& s) {
    const std::string& lanAddress = s.RouterAddress();
    const std::string& lanMask = s.RouterNetmask();
    std::vector<FilterRule> rules;

    // Nothing from outside may claim to come from the office LAN.
    FilterRule spoofed;
    spoofed.SetPermit(0);
    spoofed.SetSource(lanAddress, lanMask);
    rules.push_back(spoofed);

    rules.push_back(Established());
    if (!s.FtpHost().empty())
        rules.push_back(ToHostPort(s.FtpHost(), kHostMask, "21"));
    if (!s.HttpHost().empty()) {
        rules.push_back(ToHostPort(s.HttpHost(), kHostMask, "80"));
        rules.push_back(ToHostPort(s.HttpHost(), kHostMask, "443"));
    }
    if (!s.SmtpHost().empty())
        rules.push_back(ToHostPort(s.SmtpHost(), kHostMask, "25"));

    FilterRule dnsReplies = Permit("UDP");
    dnsReplies.SetSourcePort("53");
    rules.push_back(dnsReplies);

    if (!s.DnsHost().empty())
        rules.push_back(ToHostPort(s.DnsHost(), lanMask, "53"));
    rules.push_back(FtpData());
    rules.push_back(Permit("ICMP"));
    return rules;
}

std::vector<FilterRule> IspOutRules(const ConfigSettings& s) {
    std::vector<FilterRule> rules;

    // Nothing addressed to the office LAN goes out to the ISP.
    FilterRule leak;
    leak.SetPermit(0);
    leak.SetDestination(s.RouterAddress(), s.RouterNetmask());
    rules.push_back(leak);

    rules.push_back(Established());
    for (const char* port : {"80", "443", "119", "25", "21"})
        rules.push_back(ToPort("TCP", port));
    rules.push_back(ToPort("UDP", "53"));
    if (!s.DnsHost().empty()) {
        FilterRule zone = ToPort("TCP", "53");
        zone.SetSource(s.DnsHost(), s.RouterNetmask());
        rules.push_back(zone);
    }
    rules.push_back(FtpData());

    FilterRule high = Permit("TCP");
    high.SetDestinationPortCompare("1023", "GT");
    rules.push_back(high);

    rules.push_back(ToPort("UDP", "520"));
    rules.push_back(ToPort("TCP", "23"));
    rules.push_back(Permit("ICMP"));
    return rules;
}

} // namespace VLQLWizUIControl
