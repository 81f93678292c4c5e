#include "router/FilterRule.h"

#include "router/IpAddress.h"
#include "router/RecordText.h"
#include "router/Validators.h"
#include "router/ValueTables.h"

#include <cstring>

FilterRule::FilterRule() {
    std::memset(static_cast<VlFilterRule*>(this), 0, sizeof(VlFilterRule));
    SetText(src, "0.0.0.0");
    SetText(dst, "0.0.0.0");
}

void FilterRule::SetSource(const std::string& address, const std::string& mask) {
    SetText(src, address);
    src_bits = PrefixLength(mask);
    flags |= VL_RF_SRC;
}

void FilterRule::SetDestination(const std::string& address, const std::string& mask) {
    SetText(dst, address);
    dst_bits = PrefixLength(mask);
    flags |= VL_RF_DST;
}

void FilterRule::SetProtocol(const std::string& name) {
    flags |= VL_RF_PROTOCOL;
    if (name == ProtocolNone) {
        protocol = 0;
        flags &= ~VL_RF_PROTOCOL;
        return;
    }
    for (const ProtocolEntry& p : ProtocolNames)
        if (name == p.name)
            protocol = p.number;
}

void FilterRule::SetSourcePort(const std::string& port) {
    flags &= ~(VL_RF_SRC_LT | VL_RF_SRC_GT);
    flags |= VL_RF_SRC_PORT;
    src_port = TextNumber(port);
    if (src_port == 0)
        flags &= ~VL_RF_SRC_PORT;
}

void FilterRule::SetDestinationPort(const std::string& port) {
    flags &= ~(VL_RF_DST_LT | VL_RF_DST_GT);
    flags |= VL_RF_DST_PORT;
    dst_port = TextNumber(port);
    if (dst_port == 0)
        flags &= ~VL_RF_DST_PORT;
}

void FilterRule::SetDestinationPortCompare(const std::string& port, const std::string& comparison) {
    SetDestinationPort(port);
    if (comparison == CompareGreater)
        flags |= VL_RF_DST_GT;
    else if (comparison == CompareLess)
        flags |= VL_RF_DST_LT;
}

void FilterRule::SetEstablished(int on) {
    if (on != 0)
        flags |= VL_RF_ESTABLISHED;
    else
        flags &= ~VL_RF_ESTABLISHED;
}

void FilterRule::SetPermit(int value) {
    if (value == 1)
        flags &= ~VL_RF_DENY;
    else if (value == 0)
        flags |= VL_RF_DENY;
}

std::string FilterRule::DestinationText() const { return DestinationText(*this); }

std::string FilterRule::ProtocolName() const { return ProtocolName(*this); }

std::string FilterRule::DestinationText(const VlFilterRule& rule) { return FieldText(rule.dst); }

std::string FilterRule::ProtocolName(const VlFilterRule& rule) {
    if (rule.protocol == 0)
        return std::string();
    for (const ProtocolEntry& p : ProtocolNames)
        if (rule.protocol == p.number)
            return std::string(p.name);
    return std::string();
}
