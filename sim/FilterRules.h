// Filter rules as the router keeps them: parsed from the rule texts of "set filter",
// "set ipxfilter" and "set sapfilter", and written back in the tables' rule fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct IpRule {
    int flags = 0;  // same bits as the client's rule record
    std::string src = "0.0.0.0";
    int srcBits = 0;
    std::string dst = "0.0.0.0";
    int dstBits = 0;
    int protocol = 0;
    unsigned srcPort = 0;
    unsigned dstPort = 0;
};

struct IpxRule {
    int flags = 0;
    std::string srcnet, srchost;
    unsigned srcsocket = 0;
    std::string dstnet, dsthost;
    unsigned dstsocket = 0;
};

struct SapRule {
    int flags = 0;
    std::string server;
    unsigned service = 0;
    std::string network, host;
    unsigned socket = 0;
};

// Each parser takes the rule text after "set filter NAME N "; false with a reason when the
// text is not a rule the router understands.
bool ParseIpRule(const std::string& text, IpRule* rule, std::string* why);
bool ParseIpxRule(const std::string& text, IpxRule* rule, std::string* why);
bool ParseSapRule(const std::string& text, SapRule* rule, std::string* why);

// The rule fields of a table record (without the leading "|"); `number` is the rule's place.
std::string IpRuleFields(int number, const IpRule& r);
std::string IpxRuleFields(int number, const IpxRule& r);
std::string SapRuleFields(int number, const SapRule& r);

// The rule back as command text, for the configuration dump.
std::string IpRuleText(const IpRule& r);
std::string IpxRuleText(const IpxRule& r);
std::string SapRuleText(const SapRule& r);

} // namespace sim
