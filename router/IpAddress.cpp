#include "router/IpAddress.h"

#include "router/Validators.h"

#include <arpa/inet.h>

IpAddress::IpAddress(const std::string& text) {
    size_t start = 0;
    for (int i = 0; i < 4 && start < text.size(); ++i) {
        size_t dot = text.find('.', start);
        std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        bytes[i] = static_cast<uint8_t>(static_cast<unsigned>(TextNumber(part)) & 0xFFu);
        if (dot == std::string::npos)
            break;
        start = dot + 1;  // a text ending in "." leaves the next byte 0
    }
}

void IpAddress::Clear() { bytes[0] = bytes[1] = bytes[2] = bytes[3] = 0; }

void IpAddress::SetFromNumber(uint32_t value) {
    bytes[0] = static_cast<uint8_t>(value >> 24);
    bytes[1] = static_cast<uint8_t>(value >> 16);
    bytes[2] = static_cast<uint8_t>(value >> 8);
    bytes[3] = static_cast<uint8_t>(value);
}

bool IpAddress::Equals(const IpAddress& other) const {
    for (int i = 0; i < 4; ++i)
        if (bytes[i] != other.bytes[i])
            return false;
    return true;
}

bool IpAddress::IsZero() const { return Number() == 0; }

uint32_t IpAddress::Number() const {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           uint32_t{bytes[3]};
}

uint32_t IpAddress::NetworkValue() const { return htonl(Number()); }

std::string IpAddress::ToText() const {
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
           std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

IpAddress IpAddress::BroadcastOf(const IpAddress& mask) const {
    IpAddress b;
    if (IsZero())
        return b;
    for (int i = 0; i < 4; ++i)
        b.bytes[i] = static_cast<uint8_t>(bytes[i] | static_cast<uint8_t>(~mask.bytes[i]));
    return b;
}

bool IpAddress::SameNetwork(const IpAddress& other, const IpAddress& mask) const {
    return BroadcastOf(mask).Equals(other.BroadcastOf(mask));
}

int PrefixLength(const std::string& maskText) {
    uint32_t m = IpAddress(maskText).Number();
    if (m == 0)
        return 0;
    int zeros = 0;
    while ((m & 1u) == 0) {
        m >>= 1;
        ++zeros;
    }
    return 32 - zeros;
}
