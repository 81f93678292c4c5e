// A four-byte IPv4 address as the wizard handles it: parsed leniently from what the
// user or the router wrote, compared network by network.
#pragma once

#include <cstdint>
#include <string>

class IpAddress {
public:
    IpAddress() = default;  // 0.0.0.0
    // No validity check: each of the first four dot-separated parts is read with the
    // atoi rules and cut to 8 bits ("10.1" is 10.1.0.0, "300.1.1.1" is 44.1.1.1).
    explicit IpAddress(const std::string& text);

    void Clear();
    // Bytes from the most significant down.
    void SetFromNumber(uint32_t value);
    void Copy(const IpAddress& other) { *this = other; }
    bool Equals(const IpAddress& other) const;
    bool IsZero() const;
    // The address as a number, first byte most significant.
    uint32_t Number() const;
    // The address in network byte order, for socket addresses.
    uint32_t NetworkValue() const;
    std::string ToText() const;
    // 0.0.0.0 for the zero address; otherwise each byte ORed with the inverse mask byte.
    IpAddress BroadcastOf(const IpAddress& mask) const;
    bool SameNetwork(const IpAddress& other, const IpAddress& mask) const;

    uint8_t bytes[4] = {0, 0, 0, 0};
};

// Prefix length of a mask text: 0 for 0.0.0.0, else 32 minus the trailing zero bits.
int PrefixLength(const std::string& maskText);
