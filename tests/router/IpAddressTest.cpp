#include "router/IpAddress.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

TEST(IpAddress, ParsingQuirksAndText) {
    const struct {
        std::string text;
        std::string parsed;
    } cases[] = {
        {"10.1.2.3", "10.1.2.3"},
        {"10.1", "10.1.0.0"},
        {"10.0.0.1.5", "10.0.0.1"},   // parts after the fourth are ignored
        {"300.1.1.1", "44.1.1.1"},    // low 8 bits
        {"router", "0.0.0.0"},
        {"", "0.0.0.0"},
        {"1.2.3.", "1.2.3.0"},
        {" 7.x8.-1.9z", "7.0.255.9"},
        {"255.0.10.1", "255.0.10.1"},
        {"1..3.4", "1.0.3.4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IpAddress(c.text).ToText(), c.parsed) << c.text;

    IpAddress a;
    a.SetFromNumber(0xC0A80102u);
    EXPECT_EQ(a.ToText(), "192.168.1.2");
    EXPECT_EQ(a.NetworkValue(), inet_addr("192.168.1.2"));
    EXPECT_TRUE(a.Equals(IpAddress("192.168.1.2")));
    EXPECT_FALSE(a.IsZero());
    a.Clear();
    EXPECT_TRUE(a.IsZero());
}

TEST(IpAddress, BroadcastAndSameNetwork) {
    const IpAddress mask24("255.255.255.0");
    const struct {
        const char* a;
        const char* b;
        const char* mask;
        bool same;
    } cases[] = {
        {"192.168.1.5", "192.168.1.77", "255.255.255.0", true},
        {"192.168.1.5", "192.168.2.5", "255.255.255.0", false},
        {"0.0.0.0", "192.168.1.5", "255.255.255.0", false},  // zero's broadcast is 0.0.0.0
        {"0.0.0.0", "0.0.0.0", "255.255.255.0", true},
        {"10.1.2.3", "10.200.0.1", "255.0.0.0", true},
        {"10.1.2.3", "10.1.2.4", "255.255.255.255", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IpAddress(c.a).SameNetwork(IpAddress(c.b), IpAddress(c.mask)), c.same)
            << c.a << " " << c.b << " " << c.mask;
    EXPECT_EQ(IpAddress("192.168.1.5").BroadcastOf(mask24).ToText(), "192.168.1.255");
    EXPECT_EQ(IpAddress("172.16.9.1").BroadcastOf(IpAddress("255.240.0.0")).ToText(),
              "172.31.255.255");
}

TEST(IpAddress, PrefixLengthOfMasks) {
    const struct {
        const char* mask;
        int bits;
    } cases[] = {{"255.255.255.255", 32}, {"255.255.255.0", 24}, {"0.0.0.0", 0},
                 {"255.255.240.0", 20}, {"128.0.0.0", 1}, {"255.255.255.254", 31}, {"", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(PrefixLength(c.mask), c.bits) << c.mask;
}
