// The environment hooks: good values taken, malformed ones ignored with one line. The
// socket and thread wrappers are exercised by every layer above.
#include "platform/Hooks.h"
#include "platform/Time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

std::map<std::string, std::string> g_env;

const char* FakeGetenv(const char* name) {
    auto it = g_env.find(name);
    return it == g_env.end() ? nullptr : it->second.c_str();
}

TEST(Hooks, GoodValuesAreTakenAndMalformedOnesIgnoredWithOneLine) {
    auto port = [](const platform::Hooks& h) { return std::to_string(h.mgmtPort); };
    auto reply = [](const platform::Hooks& h) { return h.bootpReplyAddr; };
    auto scale = [](const platform::Hooks& h) { return std::to_string(h.timeScale); };
    const struct {
        const char *name, *value;
        std::string (*field)(const platform::Hooks&);
        std::string expected;  // the default when the value is malformed
        int lines;
    } cases[] = {
        {"QLWIZ_MGMT_PORT", "20000", port, "20000", 0},  {"QLWIZ_MGMT_PORT", "0", port, "1643", 1},
        {"QLWIZ_MGMT_PORT", "65536", port, "1643", 1},   {"QLWIZ_MGMT_PORT", "12ab", port, "1643", 1},
        {"QLWIZ_BOOTP_REPLY_ADDR", "127.0.0.1", reply, "127.0.0.1", 0},
        {"QLWIZ_BOOTP_REPLY_ADDR", "localhost", reply, "255.255.255.255", 1},
        {"QLWIZ_TIME_SCALE", "0.01", scale, "0.010000", 0}, {"QLWIZ_TIME_SCALE", "-1", scale, "1.000000", 1},
        {"QLWIZ_TIME_SCALE", "nan", scale, "1.000000", 1},
    };
    for (const auto& c : cases) {
        g_env = {{c.name, c.value}};
        std::string err;
        EXPECT_EQ(c.field(platform::ReadHooks(FakeGetenv, &err)), c.expected) << c.name << "=" << c.value;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), c.lines) << c.name << "=" << c.value;
    }
    g_env.clear();
    platform::Hooks h = platform::ReadHooks(FakeGetenv, nullptr);
    EXPECT_EQ(std::vector<int>({h.bootpServerPort, h.bootpClientPort, h.routeTestPort}), std::vector<int>({67, 68, 23}));
    EXPECT_EQ(platform::ScaledMs(90000), 900);  // the suite runs with QLWIZ_TIME_SCALE=0.01
}

} // namespace
