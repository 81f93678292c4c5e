// The platform layer: environment hooks, WinSock numbers of socket failures, the
// responder thread's exit code.
#include "platform/Hooks.h"
#include "platform/Sockets.h"
#include "platform/Thread.h"
#include "platform/Time.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <thread>

using namespace platform;

namespace {

std::map<std::string, std::string> g_env;

const char* FakeGetenv(const char* name) {
    auto it = g_env.find(name);
    return it == g_env.end() ? nullptr : it->second.c_str();
}

TEST(Hooks, GoodValuesAreTakenAndMalformedOnesIgnoredWithOneLine) {
    auto port = [](const Hooks& h) { return std::to_string(h.mgmtPort); };
    auto reply = [](const Hooks& h) { return h.bootpReplyAddr; };
    auto scale = [](const Hooks& h) { return std::to_string(h.timeScale); };
    const struct {
        const char *name, *value;
        std::string (*field)(const Hooks&);
        std::string expected;  // the default when the value is malformed
    } cases[] = {
        {"QLWIZ_MGMT_PORT", "20000", port, "20000"},  {"QLWIZ_MGMT_PORT", "0", port, "1643"},
        {"QLWIZ_MGMT_PORT", "65536", port, "1643"},   {"QLWIZ_MGMT_PORT", "12ab", port, "1643"},
        {"QLWIZ_BOOTP_REPLY_ADDR", "127.0.0.1", reply, "127.0.0.1"},
        {"QLWIZ_BOOTP_REPLY_ADDR", "localhost", reply, "255.255.255.255"},
        {"QLWIZ_TIME_SCALE", "0.01", scale, "0.010000"}, {"QLWIZ_TIME_SCALE", "-1", scale, "1.000000"},
        {"QLWIZ_TIME_SCALE", "nan", scale, "1.000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        g_env = {{c.name, c.value}};
        std::string err;
        EXPECT_EQ(c.field(ReadHooks(FakeGetenv, &err)), c.expected);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), c.expected == c.value || c.expected == "0.010000" ? 0 : 1);
    }
    g_env.clear();
    Hooks h = ReadHooks(FakeGetenv, nullptr);
    EXPECT_EQ(h.bootpServerPort * 1000 + h.bootpClientPort, 67068);
    EXPECT_EQ(h.routeTestPort, 23);
    // The suite runs with QLWIZ_TIME_SCALE=0.01: a 90 s wait becomes 900 ms.
    EXPECT_EQ(ScaledMs(90000), 900);
}

TEST(Sockets, FailuresCarryWinSockNumbers) {
    int a = TcpSocket();
    ASSERT_EQ(BindAddress(a, htonl(INADDR_LOOPBACK), 0), 0);
    int s = TcpSocket();
    EXPECT_EQ(Connect(s, htonl(INADDR_LOOPBACK), static_cast<uint16_t>(LocalPort(a))), -1);
    EXPECT_EQ(LastSocketError(), WSAECONNREFUSED);  // bound, not listening
    CloseSocket(s);
    s = TcpSocket();
    EXPECT_EQ(Connect(s, inet_addr("127.255.255.255"), 1643), -1);
    EXPECT_EQ(LastSocketError(), WSAENETUNREACH);
    ASSERT_EQ(Listen(a, 1), 0);
    EXPECT_EQ(BindAny(s, static_cast<uint16_t>(LocalPort(a))), -1);
    EXPECT_EQ(LastSocketError(), WSAEADDRINUSE);
    CloseSocket(s);
    int c = TcpSocket();
    ASSERT_EQ(Connect(c, htonl(INADDR_LOOPBACK), static_cast<uint16_t>(LocalPort(a))), 0);
    int p = Accept(a);
    char buf[8];
    EXPECT_EQ(Recv(c, buf, sizeof buf, 20), -1);
    EXPECT_EQ(LastSocketError(), WSAETIMEDOUT);
    CloseSocket(p);
    EXPECT_EQ(Recv(c, buf, sizeof buf, 1000), 0);
    int rc = 0;  // writing to a closed peer fails instead of ending the process
    for (int i = 0; i < 10 && rc >= 0; ++i)
        rc = Send(c, "xxxxxxxx", 8);
    EXPECT_EQ(rc, -1);
    CloseSocket(c);
    CloseSocket(a);
    SocketsCleanup();
    EXPECT_EQ(TcpSocket(), -1);
    EXPECT_EQ(LastSocketError(), WSANOTINITIALISED);
    SocketsStartup();
}

TEST(Thread, ExitCodeIsStillActiveWhileRunningThenTheResult) {
    auto release = std::make_shared<std::atomic<bool>>(false);
    Thread t;
    ASSERT_TRUE(t.Start([release] {
        while (!*release)
            std::this_thread::yield();
        return 7u;
    }));
    EXPECT_EQ(t.ExitCode(), 259u);
    EXPECT_FALSE(t.Start([] { return 0u; }));  // a second start is refused
    *release = true;
    for (int i = 0; i < 2000 && t.ExitCode() == Thread::StillActive; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(t.ExitCode(), 7u);
}

} // namespace
