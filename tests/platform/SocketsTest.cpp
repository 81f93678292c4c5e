#include "platform/Sockets.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <string>

using namespace platform;

TEST(Sockets, InetAddrAcceptsTheClassicFormsAndRejectsAllOnesAsFailure) {
    struct Case {
        const char* text;
        const char* dotted; // expected value, or nullptr for INADDR_NONE
    };
    const Case cases[] = {
        {"10.0.0.1", "10.0.0.1"},
        {"1.2", "1.0.0.2"},            // the last part fills the remaining bytes
        {"10.1", "10.0.0.1"},
        {"0x7f.1", "127.0.0.1"},       // hexadecimal part
        {"012.0.0.1", "10.0.0.1"},     // octal part
        {"255.255.255.255", nullptr},  // equal to the failure value
        {"routerA", nullptr},
        {"", nullptr},
        {"1.", nullptr},
        {"256.1.1.1", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        uint32_t got = InetAddr(c.text);
        if (c.dotted == nullptr) {
            EXPECT_EQ(got, INADDR_NONE);
        } else {
            in_addr want{};
            ASSERT_EQ(inet_pton(AF_INET, c.dotted, &want), 1);
            EXPECT_EQ(got, want.s_addr);
        }
    }
}

TEST(Sockets, FailuresCarryWinSockNumbers) {
    // A connect where nothing listens on loopback is refused at once.
    int l = TcpSocket();
    ASSERT_GE(l, 0);
    ASSERT_EQ(BindAddress(l, htonl(INADDR_LOOPBACK), 0), 0);
    int freePort = LocalPort(l);
    ASSERT_GT(freePort, 0);
    CloseSocket(l); // nothing listens there now

    int s = TcpSocket();
    ASSERT_GE(s, 0);
    EXPECT_EQ(Connect(s, htonl(INADDR_LOOPBACK), static_cast<uint16_t>(freePort)), -1);
    EXPECT_EQ(LastSocketError(), WSAECONNREFUSED);
    CloseSocket(s);

    // The broadcast address of loopback's network is unreachable.
    s = TcpSocket();
    EXPECT_EQ(Connect(s, inet_addr("127.255.255.255"), 1643), -1);
    EXPECT_EQ(LastSocketError(), WSAENETUNREACH);
    CloseSocket(s);

    // Binding a port that a listener holds.
    int a = TcpSocket();
    ASSERT_EQ(BindAny(a, 0), 0);
    ASSERT_EQ(Listen(a, 1), 0);
    int b = TcpSocket();
    EXPECT_EQ(BindAny(b, static_cast<uint16_t>(LocalPort(a))), -1);
    EXPECT_EQ(LastSocketError(), WSAEADDRINUSE);
    CloseSocket(a);
    CloseSocket(b);
}

TEST(Sockets, ReceiveTimesOutWith10060AndSeesPeerClose) {
    int l = TcpSocket();
    ASSERT_EQ(BindAddress(l, htonl(INADDR_LOOPBACK), 0), 0);
    ASSERT_EQ(Listen(l, 1), 0);
    int c = TcpSocket();
    ASSERT_EQ(Connect(c, htonl(INADDR_LOOPBACK), static_cast<uint16_t>(LocalPort(l))), 0);
    int p = Accept(l);
    ASSERT_GE(p, 0);

    char buf[8];
    EXPECT_EQ(Recv(c, buf, sizeof buf, 20), -1);
    EXPECT_EQ(LastSocketError(), WSAETIMEDOUT);

    ASSERT_EQ(Send(p, "hi", 2), 2);
    EXPECT_EQ(Recv(c, buf, sizeof buf, 1000), 2);
    CloseSocket(p);
    EXPECT_EQ(Recv(c, buf, sizeof buf, 1000), 0);
    // Writing to a closed peer fails instead of killing the process with SIGPIPE.
    int rc = 0;
    for (int i = 0; i < 10 && rc >= 0; ++i)
        rc = Send(c, "xxxxxxxx", 8);
    EXPECT_EQ(rc, -1);
    CloseSocket(c);
    CloseSocket(l);
}

TEST(Sockets, CreationBeforeStartupFailsWith10093) {
    SocketsCleanup();
    EXPECT_EQ(TcpSocket(), -1);
    EXPECT_EQ(LastSocketError(), WSANOTINITIALISED);
    EXPECT_EQ(UdpSocket(), -1);
    SocketsStartup();
    int s = TcpSocket();
    EXPECT_GE(s, 0);
    CloseSocket(s);
}

TEST(Sockets, DatagramLengthIsReportedEvenWhenTooLong) {
    int r = UdpSocket();
    ASSERT_EQ(BindAddress(r, htonl(INADDR_LOOPBACK), 0), 0);
    int s = UdpSocket();
    char big[301] = {};
    ASSERT_EQ(SendTo(s, big, 301, htonl(INADDR_LOOPBACK), static_cast<uint16_t>(LocalPort(r))), 301);
    ASSERT_EQ(WaitReadable(r, 1000), 1);
    char buf[300];
    uint16_t fromPort = 0;
    EXPECT_EQ(RecvFrom(r, buf, 300, nullptr, &fromPort), 301);
    EXPECT_EQ(fromPort, LocalPort(s));
    CloseSocket(r);
    CloseSocket(s);
}
