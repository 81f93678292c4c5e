#include "router/GlobalConfig.h"
#include "router/Location.h"
#include "router/PortConfig.h"
#include "router/VLVelunor.h"
#include "router/ValueTables.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Location, FreshAndSetters) {
    Location fresh;
    EXPECT_EQ(fresh.flags, 105);
    EXPECT_EQ(fresh.mtu, 1500);
    Location zero;
    zero.flags = 0;
    zero.mtu = 0;
    VlLocation allZero{};
    EXPECT_EQ(std::memcmp(static_cast<VlLocation*>(&zero), &allZero, sizeof allZero), 0);

    Location l;
    l.SetDestination("Negotiated");
    EXPECT_STREQ(l.dest, "255.255.255.255");
    l.SetDestination("negotiated");  // exact match only
    EXPECT_STREQ(l.dest, "negotiated");
    l.SetIdle("5");
    EXPECT_EQ(l.idle, 300);
    l.SetIdle("");
    EXPECT_EQ(l.idle, 0);
    l.SetIdle("99999999999");  // no overflow into a negative time
    EXPECT_GT(l.idle, 0);
    l.SetMaxPorts(" 2x");
    EXPECT_EQ(l.MaxPortsText(), "2");
    l.SetGroup("-4");
    EXPECT_EQ(l.group, -4);

    l.SetName("a-very-long-location-name");
    EXPECT_EQ(l.NameText(), std::string("a-very-long-location-name").substr(0, 15));
    l.SetTelephone(std::string(50, '9'));
    EXPECT_EQ(l.TelephoneText(), std::string(39, '9'));
    l.SetUsername("joe");
    l.SetPassword("pw");
    l.SetTelephone2("123");
    EXPECT_EQ(l.UsernameText(), "joe");
    EXPECT_EQ(l.PasswordText(), "pw");
    EXPECT_EQ(l.Telephone2Text(), "123");

    const struct {
        const char* what;
        void (*apply)(Location&);
        int32_t flags, flags2;
    } bits[] = {
        {"routing off", [](Location& x) { x.SetRouting(0); }, 0x69, 0},
        {"routing on", [](Location& x) { x.SetRouting(1); }, 0x28, 0},
        {"on demand", [](Location& x) { x.SetOnDemand(1); }, 0x6D, 0},
        {"continuous", [](Location& x) { x.SetContinuous(1); }, 0x6B, 0},
        {"on demand off", [](Location& x) { x.SetOnDemand(1); x.SetOnDemand(0); }, 0x69, 0},
        {"chap", [](Location& x) { x.SetChap(1); }, 0x69, 0x40},
    };
    for (const auto& b : bits) {
        SCOPED_TRACE(b.what);
        Location x;
        b.apply(x);
        EXPECT_EQ(x.flags, b.flags);
        EXPECT_EQ(x.flags2, b.flags2);
    }
}

TEST(GlobalConfig, SwitchTypeNames) {
    // Every name the switch-type page offers maps to a number and back.
    for (std::string_view name : SwitchTypeList) {
        int n = GlobalConfig::SwitchTypeNumber(std::string(name));
        ASSERT_GE(n, 0) << name;
        EXPECT_EQ(GlobalConfig::SwitchTypeName(n), name);
    }
    EXPECT_EQ(GlobalConfig::SwitchTypeNumber("Japan NTT"), 9);
    EXPECT_EQ(GlobalConfig::SwitchTypeNumber("Northern Telecom DMS-100"), 2);
    EXPECT_EQ(GlobalConfig::SwitchTypeNumber("japan ntt"), -1);
    for (int n : {3, 6, -1, 13, 100})
        EXPECT_EQ(GlobalConfig::SwitchTypeName(n), "") << n;
}

TEST(PortConfig, SettersKeepWholeLineIds) {
    PortConfig p;
    p.SetSpid("01234567890123456789XYZ");
    EXPECT_STREQ(p.spid, "01234567890123456789");
    p.SetDirectory("01234567890123456789");
    EXPECT_STREQ(p.directory, "0123456789012345");
    p.SetIdle("5");
    EXPECT_EQ(p.p5_12, 300);
    EXPECT_EQ(p.idle, 0) << "the port's own idle time is left alone";
    p.SetGroup("2");
    EXPECT_EQ(p.group, 2);
}

TEST(VLVelunor, DialFailureCodeTable) {
    using V = VLVelunor;
    const struct {
        int reason, cause;
        V::ReturnCode code;
    } cases[] = {
        {40, 0, V::NoAnswer},       {41, 0, V::CommandFailed},  {-1, 0, V::CommandFailed},
        {3, 65, V::NoAnswer},       {3, 17, V::Busy},            {12, 18, V::NoAnswer},
        {0, 50, V::NotSubscribed},  {12, 0, V::Rejected},        {26, 0, V::Ok},
        {-2, 0, V::CommandFailed},  {3, 0, V::DialFailed11},     {9, 0, V::DialFailed11},
        {16, 0, V::AuthenticationFailed}, {37, 0, V::AuthenticationFailed},
        {2, 0, V::DialFailed14},    {14, 0, V::DialFailed14},    {5, 0, V::DialFailed15},
        {39, 0, V::DialFailed15},   {0, 0, V::DialFailed16},     {28, 0, V::DialFailed16},
        {1, 0, V::DialFailed17},    {36, 0, V::DialFailed17},    {21, 99, V::AuthenticationFailed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(V::DialFailureCode(c.reason, c.cause), c.code)
            << "reason " << c.reason << " cause " << c.cause;
    // Every reason from 0 to 40 has a class; only 26 has none.
    for (int r = 0; r <= 40; ++r) {
        V::ReturnCode code = V::DialFailureCode(r, 0);
        if (r == 26)
            EXPECT_EQ(code, V::Ok);
        else
            EXPECT_TRUE((code >= V::NoAnswer && code <= V::DialFailed17)) << r;
    }
}

TEST(VLVelunor, CheckResultAndFixedNumbers) {
    EXPECT_NO_THROW(VLVelunor::CheckResult(0));
    EXPECT_NO_THROW(VLVelunor::CheckResult(2));
    EXPECT_THROW(VLVelunor::CheckResult(-1), VLVelunor::Failure);
    EXPECT_THROW(VLVelunor::CheckResult(1), VLVelunor::Failure);
    EXPECT_EQ(sizeof(VLVelunor::ReturnCode), 4u);
    EXPECT_EQ(sizeof(VLVelunor::Failure), 1u);
    EXPECT_EQ(VLVelunor::LocationExists, 22);
    EXPECT_EQ(VLVelunor::CommandFailed, 24);

    VLVelunor closed;  // operations on a closed session fail instead of crashing
    EXPECT_FALSE(closed.IsConnected());
    EXPECT_EQ(closed.EtherInterface(0), nullptr);
    EXPECT_EQ(closed.IsdnPort(0), nullptr);
    EXPECT_THROW(closed.WriteGlobal(), int);
    EXPECT_EQ(closed.Dial("isp", 1, 1), VLVelunor::CommandFailed);
    closed.Close();
}
