// The management connection: frames, the batch, login, replies, hostile routers,
// connecting and the address helpers.
#include "ScriptedPeer.h"

#include "platform/Hooks.h"
#include "platform/Sockets.h"
#include "platform/Time.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using peer::Frame;
using peer::Peer;

namespace {

constexpr long kWaitMs = 5000;

TEST(VlConn, FramesCarryMagicTypeBigEndianLengthAndEvenPadding) {
    struct Case {
        std::string text;
        int length;  // expected payload length in the header
    };
    const Case cases[] = {
        {"reboot", 8},                    // text, NUL, padding NUL
        {"save address", 14},
        {"abcde", 6},                     // already even with its NUL: no padding
        {std::string(300, 'x'), 302},     // needs the high length byte
    };
    Peer p(peer::Router{});
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    ASSERT_EQ(vl_login(&r, "secret"), 0);
    for (const Case& c : cases)
        vl_command(&r, c.text.c_str());
    ASSERT_EQ(vl_commit(&r, 4), 0);
    std::vector<Frame> frames = p.Frames();
    ASSERT_EQ(frames.size(), 5u);

    // The login frame goes out at once, never padded.
    EXPECT_EQ(frames[0].magic, 0x65);
    EXPECT_EQ(frames[0].type, VL_MSG_LOGIN);
    EXPECT_EQ(frames[0].payload, std::string("secret\0", 7));
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(cases[i].text.substr(0, 20));
        const Frame& f = frames[i + 1];
        EXPECT_EQ(f.magic, 0x65);
        EXPECT_EQ(f.type, VL_MSG_COMMAND);
        EXPECT_EQ(f.length, cases[i].length);
        std::string want = cases[i].text;
        want.append(static_cast<size_t>(cases[i].length) - want.size(), '\0');
        EXPECT_EQ(f.payload, want);
    }
    vl_close(&r);
}

TEST(VlConn, FullBatchIsSentBeforeTheFrameThatWouldPassItAndCommitReadsEveryReply) {
    // A command of n characters makes a frame of 4 + n + 1 bytes, rounded up to even.
    auto text = [](int i, size_t length) {
        std::string t = "set x " + std::to_string(i) + " ";
        return t + std::string(length - t.size(), 'y');
    };
    struct Case {
        const char* name;
        std::vector<size_t> lengths;  // the commands queued before the last one
        int fill_before;              // batch bytes before the last one
        bool refuse_one;
    };
    const Case cases[] = {
        // 40 frames of 100 bytes fill the batch exactly; the 41st goes to a new batch.
        {"exactly full", std::vector<size_t>(40, 94), 4000, false},
        {"exactly full, one refused", std::vector<size_t>(40, 94), 4000, true},
        // 3904 bytes: the last frame's payload would fit, its header would not.
        {"header counted", [] { std::vector<size_t> v(38, 94); v.push_back(99); return v; }(), 3904, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        peer::Router router;
        router.replies["14:"] = {"after the batch"};
        if (c.refuse_one)
            router.refuse.insert(text(7, 94));
        Peer p(router);
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        const int queued = static_cast<int>(c.lengths.size());
        for (int i = 0; i < queued; ++i)
            vl_command(&r, text(i, c.lengths[static_cast<size_t>(i)]).c_str());
        EXPECT_EQ(vl_batch_fill(), c.fill_before);
        EXPECT_TRUE(p.Frames().empty());
        vl_command(&r, text(queued, 94).c_str());
        EXPECT_EQ(vl_batch_fill(), 100);
        ASSERT_TRUE(p.WaitFrames(c.lengths.size(), kWaitMs));
        EXPECT_EQ(p.Frames().size(), c.lengths.size());

        EXPECT_EQ(vl_commit(&r, queued + 1), c.refuse_one ? -1 : 0);
        EXPECT_EQ(p.Commands().size(), c.lengths.size() + 1);
        // Exactly one reply per command was consumed: the next exchange reads its own.
        char console[VL_CONSOLE_SIZE];
        ASSERT_EQ(vl_get_console(&r, console), 0);
        EXPECT_STREQ(console, "after the batch");
        EXPECT_EQ(vl_last_error, 0);
        vl_close(&r);
    }
}

TEST(VlConn, CommitOfNothingSendsTheEmptyBatchAndSucceeds) {
    Peer p(peer::Router{});
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    EXPECT_EQ(vl_commit(&r, 0), 0);
    EXPECT_TRUE(p.Frames().empty());
    vl_close(&r);
}

TEST(VlConn, LoginAcceptedRefusedAndUnreadable) {
    struct Case {
        const char* name;
        std::string reply;  // raw bytes the router answers the login with; empty: it closes
        int rc;
        int error;
        bool open;
    };
    const Case cases[] = {
        {"s", peer::TextFrame("s"), 0, 0, true},
        {"s with text", peer::TextFrame("sWelcome"), 0, 0, true},
        {"refused", peer::TextFrame("e bad password"), -1, VL_ERR_REQUEST_DENIED, true},
        {"other byte", peer::TextFrame("Denied"), -1, VL_ERR_REQUEST_DENIED, true},
        // No payload to judge by: the login passes and the next read finds the fault.
        {"zero length", peer::FrameBytes(0, "", 0), 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Peer p([&](Peer& peer, const Frame&) { peer.Send(c.reply); });
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        EXPECT_EQ(vl_login(&r, "pw"), c.rc);
        if (c.rc != 0) {
            EXPECT_EQ(vl_last_error, c.error);
        }
        EXPECT_EQ(r.socket >= 0, c.open);
        vl_close(&r);
    }
}

TEST(VlConn, ExchangesOnAClosedRecordFailWith5) {
    VlRouter r;
    vl_init_router(&r);
    char text[VL_CONSOLE_SIZE];
    VlReply reply;
    const struct {
        const char* name;
        std::function<bool()> fails;
    } cases[] = {
        {"login", [&] { return vl_login(&r, "pw") == -1; }},
        {"send", [&] { return vl_send_message(&r, VL_MSG_STATUS, "", 1) == -1; }},
        {"flush", [&] { vl_command(&r, "reboot"); return vl_flush(&r) == -1; }},
        {"reply", [&] { return vl_get_reply(&r, &reply) == -1; }},
        {"status", [&] { return vl_get_status(&r, &reply) == -1; }},
        {"commit", [&] { vl_command(&r, "save all"); return vl_commit(&r, 1) == -1; }},
        {"console", [&] { return vl_get_console(&r, text) == -1; }},
        {"write", [&] { return vl_write(&r, "x", 1) == -1; }},
        {"read", [&] { return vl_read(&r, text, 4) == -1; }},
        {"global", [&] { return vl_read_global(&r) == -1; }},
        {"locations", [&] { return vl_read_locations(&r) == nullptr; }},
        {"filters", [&] { return vl_read_filters(&r) == nullptr; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vl_last_error = 12345;
        EXPECT_TRUE(c.fails());
        EXPECT_EQ(vl_last_error, VL_ERR_NO_CONNECTION);
        EXPECT_EQ(vl_batch_fill(), 0);
    }
}

TEST(VlConn, HostileFramesAreCleanFailures) {
    struct Case {
        const char* name;
        std::string bytes;  // what the router sends for the request
        bool close_after;   // router closes after sending
        int rc;
        int error;
        bool open;
    };
    const std::string full(2060, 'A');
    const Case cases[] = {
        {"negative length", peer::FrameBytes(0, std::string(10, 'n'), -2 & 0xFFFF), false, -1,
         platform::WSAEMSGSIZE, false},
        {"one byte too long", peer::FrameBytes(0, std::string(2061, 'L'), 2061), false, -1,
         platform::WSAEMSGSIZE, false},
        {"largest length", peer::FrameBytes(0, std::string(100, 'L'), 0x7FFF), false, -1,
         platform::WSAEMSGSIZE, false},
        {"full payload", peer::FrameBytes(0, full, 2060), false, 0, 0, true},
        {"payload cut short", peer::FrameBytes(0, "abc", 10), true, -1,
         platform::WSAECONNRESET, true},
        {"header cut short", std::string("\x65\x00", 2), true, -1, platform::WSAECONNRESET,
         true},
        {"silence", "", false, -1, platform::WSAETIMEDOUT, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Peer p([&](Peer& peer, const Frame&) {
            peer.Send(c.bytes);
            if (c.close_after)
                peer.Close();
        });
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        // On the heap so that a write past the reply area is caught.
        auto reply = std::make_unique<VlReply>();
        std::memset(reply.get(), 'Z', sizeof *reply);
        ASSERT_EQ(vl_send_message(&r, VL_MSG_STATUS, "", 1), 0);
        const long long start = platform::NowMs();
        EXPECT_EQ(vl_get_reply(&r, reply.get()), c.rc);
        EXPECT_EQ(vl_last_error, c.error);
        EXPECT_EQ(r.socket >= 0, c.open);
        if (c.rc == 0) {
            EXPECT_EQ(std::string(reply->payload, 2060), full);
            EXPECT_EQ(reply->payload[2060], '\0');
        }
        if (c.error == platform::WSAETIMEDOUT) {
            EXPECT_GE(platform::NowMs() - start, peer::ReceiveTimeoutMs());
            // The connection was given up: the next exchange fails at once.
            EXPECT_EQ(vl_get_reply(&r, reply.get()), -1);
            EXPECT_EQ(vl_last_error, VL_ERR_NO_CONNECTION);
        }
        vl_close(&r);
    }
}

TEST(VlConn, ZeroLengthReplyLeavesThePayloadAndIsNoStatus) {
    Peer p([](Peer& peer, const Frame&) { peer.Send(peer::FrameBytes(0, "", 0)); });
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    VlReply reply;
    std::memset(&reply, 'Z', sizeof reply);
    ASSERT_EQ(vl_send_message(&r, VL_MSG_STATUS, "", 1), 0);
    EXPECT_EQ(vl_get_reply(&r, &reply), 0);
    EXPECT_EQ(reply.length, 0);
    EXPECT_EQ(reply.payload[0], 'Z');
    ASSERT_EQ(vl_send_message(&r, VL_MSG_STATUS, "", 1), 0);
    EXPECT_EQ(vl_get_status(&r, &reply), -1);
    EXPECT_GE(r.socket, 0);
    vl_close(&r);
}

TEST(VlConn, ConsoleTextIsCopiedWholeAndAFailureClosesTheConnection) {
    const std::string text = "ISDN line up\r\nConnected to isp\r\n";
    int calls = 0;
    Peer p([&](Peer& peer, const Frame& f) {
        ASSERT_EQ(f.payload, std::string(1, '\0'));
        ++calls;
        if (calls == 1)
            peer.Send(peer::FrameBytes(0, text, static_cast<int>(text.size())));
        else if (calls == 2)
            peer.Send(peer::FrameBytes(0, "", 0));
        else
            peer.Close();
    });
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    char out[VL_CONSOLE_SIZE];
    ASSERT_EQ(vl_get_console(&r, out), 0);
    EXPECT_EQ(std::string(out), text);
    ASSERT_EQ(vl_get_console(&r, out), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(vl_get_console(&r, out), -1);
    EXPECT_LT(r.socket, 0);
}

TEST(VlConn, RefusedConnectIsTriedElevenTimesWithTheWaitAfterEach) {
    // Nothing listens on 127.0.0.2 (the peer listens on 127.0.0.1 only): refused at once.
    const long wait = platform::ScaledMs(2000);
    const long long start = platform::NowMs();
    EXPECT_EQ(vl_connect("127.0.0.2"), -1);
    const long long elapsed = platform::NowMs() - start;
    EXPECT_EQ(vl_last_error, platform::WSAECONNREFUSED);
    EXPECT_GE(elapsed, 11 * wait);
    EXPECT_LT(elapsed, 11 * wait + 2000);
}

TEST(VlConn, ConnectByNameAndOtherFailuresReturnAtOnce) {
    Peer p(peer::Router{});
    VlRouter r;
    vl_init_router(&r);
    r.socket = vl_connect("localhost");
    ASSERT_GE(r.socket, 0);
    vl_close(&r);
    EXPECT_TRUE(p.WaitClosed(kWaitMs)); // it was our peer that took the connection

    // Unreachable is not a refusal: no retries.
    const long long start = platform::NowMs();
    EXPECT_EQ(vl_connect("127.255.255.255"), -1);
    EXPECT_EQ(vl_last_error, platform::WSAENETUNREACH);
    EXPECT_LT(platform::NowMs() - start, platform::ScaledMs(2000));
}

// Runs in a child process inside a fresh network namespace, so that no other program's
// use of the low ports can disturb the count.
int LocalPortChild() {
    if (unshare(CLONE_NEWNET) != 0)
        return 77;
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq ifr{};
    std::strcpy(ifr.ifr_name, "lo");
    if (s < 0 || ioctl(s, SIOCGIFFLAGS, &ifr) != 0)
        return 77;
    ifr.ifr_flags |= IFF_UP;
    if (ioctl(s, SIOCSIFFLAGS, &ifr) != 0)
        return 77;
    close(s);
    // The library connects to the process's management port; listen on exactly that one.
    int l = platform::TcpSocket();
    if (platform::BindAddress(l, htonl(INADDR_LOOPBACK),
                              static_cast<uint16_t>(platform::GetHooks().mgmtPort)) != 0 ||
        platform::Listen(l, 4) != 0)
        return 11;
    for (int port = 1025; port <= 1030; ++port) {
        int h = platform::TcpSocket();
        if (platform::BindAny(h, static_cast<uint16_t>(port)) != 0)
            return 12;
    }
    int c = vl_open("127.0.0.1");
    if (c < 0)
        return 13;
    return platform::LocalPort(c) == 1031 ? 0 : 14;
}

TEST(VlConn, LocalPortsAreBoundFrom1025Upwards) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
        _exit(LocalPortChild());
    int status = 0;
    for (int i = 0; i < 1000 && waitpid(pid, &status, WNOHANG) == 0; ++i)
        usleep(10000);
    ASSERT_TRUE(WIFEXITED(status)) << "child did not finish";
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "needs root to make a network namespace (unshare); skipped";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "14 = another local port was bound; see LocalPortChild";
}

TEST(VlConn, AddressHelpers) {
    struct Case {
        const char* text;
        bool hostname;
        const char* hex;  // vl_hex_address, nullptr to skip
    };
    const Case cases[] = {
        {"192.168.1.1", false, "C0A80101"},
        {"192.168.1", true, "00000000"},
        {"router1", true, "00000000"},
        {"1234.1.1.1", true, "00000000"},
        {"1..2.3", false, "00000000"},          // an address to the name test, invalid here
        {"10.0.0.1 extra", false, "0A000001"},  // the name test stops at the blank
        {"256.1.1.1", false, "00000000"},
        {"10.1.2.3.4", true, "0A010203"},       // behind the fourth group is ignored
        {"0.0.0.0", false, "00000000"},
        {"", true, "00000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(vl_is_hostname(c.text) != 0, c.hostname);
        char hex[9];
        vl_hex_address(hex, c.text);
        EXPECT_STREQ(hex, c.hex);
    }
}

TEST(VlError, TextsOfTheLibraryCodes) {
    EXPECT_STREQ(vl_error_text(0), "No error");
    EXPECT_STREQ(vl_error_text(2), "All ports in use");
    EXPECT_STREQ(vl_error_text(4), "Request Denied");
    EXPECT_STREQ(vl_error_text(5), "No Active Connection");
    EXPECT_STREQ(vl_error_text(6), "Unknown Velunor");
    EXPECT_STREQ(vl_error_text(9), "Connection Timed Out");
    EXPECT_STREQ(vl_error_text(10), "");
    EXPECT_STREQ(vl_error_text(10061), "");
}

} // namespace
