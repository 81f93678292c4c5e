#include "platform/Hooks.h"
#include "platform/Time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace {

std::map<std::string, std::string> g_env;

const char* FakeGetenv(const char* name) {
    auto it = g_env.find(name);
    return it == g_env.end() ? nullptr : it->second.c_str();
}

} // namespace

TEST(Hooks, DefaultsAreTheRealValues) {
    g_env.clear();
    std::string err;
    platform::Hooks h = platform::ReadHooks(FakeGetenv, &err);
    EXPECT_EQ(h.mgmtPort, 1643);
    EXPECT_EQ(h.bootpServerPort, 67);
    EXPECT_EQ(h.bootpClientPort, 68);
    EXPECT_EQ(h.bootpReplyAddr, "255.255.255.255");
    EXPECT_EQ(h.routeTestPort, 23);
    EXPECT_DOUBLE_EQ(h.timeScale, 1.0);
    EXPECT_EQ(h.summaryFile, platform::DefaultSummaryFile());
    EXPECT_TRUE(err.empty());
}

TEST(Hooks, GoodValuesAreTakenAndMalformedOnesIgnoredWithOneLine) {
    struct Case {
        const char* name;
        const char* value;
        bool accepted;
    };
    const Case cases[] = {
        {"QLWIZ_MGMT_PORT", "20000", true},
        {"QLWIZ_MGMT_PORT", "0", false},
        {"QLWIZ_MGMT_PORT", "65536", false},
        {"QLWIZ_MGMT_PORT", "12ab", false},
        {"QLWIZ_MGMT_PORT", "", false},
        {"QLWIZ_BOOTP_SERVER_PORT", "6767", true},
        {"QLWIZ_BOOTP_CLIENT_PORT", "-5", false},
        {"QLWIZ_BOOTP_REPLY_ADDR", "127.0.0.1", true},
        {"QLWIZ_BOOTP_REPLY_ADDR", "localhost", false},
        {"QLWIZ_ROUTE_TEST_PORT", "2323", true},
        {"QLWIZ_TIME_SCALE", "0.01", true},
        {"QLWIZ_TIME_SCALE", "0", true},
        {"QLWIZ_TIME_SCALE", "-1", false},
        {"QLWIZ_TIME_SCALE", "fast", false},
        {"QLWIZ_TIME_SCALE", "nan", false},
        {"QLWIZ_SUMMARY_FILE", "/tmp/x/summary.txt", true},
    };
    const platform::Hooks defaults;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        g_env = {{c.name, c.value}};
        std::string err;
        platform::Hooks h = platform::ReadHooks(FakeGetenv, &err);
        std::string name = c.name;
        if (c.accepted) {
            EXPECT_TRUE(err.empty());
        } else {
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
            EXPECT_NE(err.find(c.name), std::string::npos);
        }
        if (name == "QLWIZ_MGMT_PORT") {
            EXPECT_EQ(h.mgmtPort, c.accepted ? std::stoi(c.value) : defaults.mgmtPort);
        } else if (name == "QLWIZ_BOOTP_CLIENT_PORT") {
            EXPECT_EQ(h.bootpClientPort, defaults.bootpClientPort);
        } else if (name == "QLWIZ_BOOTP_REPLY_ADDR") {
            EXPECT_EQ(h.bootpReplyAddr, c.accepted ? c.value : defaults.bootpReplyAddr);
        } else if (name == "QLWIZ_TIME_SCALE") {
            EXPECT_DOUBLE_EQ(h.timeScale, c.accepted ? std::stod(c.value) : 1.0);
        } else if (name == "QLWIZ_SUMMARY_FILE") {
            EXPECT_EQ(h.summaryFile, c.value);
        }
    }
}

TEST(Hooks, TestsRunWithTheScaleFromTheEnvironment) {
    // The suite runs with QLWIZ_TIME_SCALE=0.01: a 90 s wait must become 900 ms.
    ASSERT_DOUBLE_EQ(platform::GetHooks().timeScale, 0.01);
    EXPECT_EQ(platform::ScaledMs(90000), 900);
    EXPECT_EQ(platform::ScaledMs(0), 0);
    EXPECT_EQ(platform::ScaledMs(-5), 0);
}
