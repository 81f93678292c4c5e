// One IP filter rule, filled from the wizard's texts. It is exactly the library's rule
// record, so the library takes it as one.
#pragma once

#include "cmdlib/vl.h"

#include <string>

struct FilterRule : VlFilterRule {
    // No source or destination ("0.0.0.0", prefix 0), no protocol or ports, permit.
    FilterRule();

    void SetSource(const std::string& address, const std::string& mask);
    void SetDestination(const std::string& address, const std::string& mask);
    void SetProtocol(const std::string& name);
    void SetSourcePort(const std::string& port);
    void SetDestinationPort(const std::string& port);
    void SetDestinationPortCompare(const std::string& port, const std::string& comparison);
    void SetEstablished(int on);
    // 1 permit, 0 deny, anything else leaves the rule as it is.
    void SetPermit(int value);

    std::string DestinationText() const;
    std::string ProtocolName() const;

    // The same readings of any library rule (a router's rules come as library records).
    static std::string DestinationText(const VlFilterRule& rule);
    static std::string ProtocolName(const VlFilterRule& rule);
};

static_assert(sizeof(FilterRule) == sizeof(VlFilterRule), "a FilterRule must be a VlFilterRule");
