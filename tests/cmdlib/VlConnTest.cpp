// The management connection: frames, the batch, login, replies, hostile routers,
// connecting and the address helpers.
#include "support/Peer.h"

#include "platform/Sockets.h"
#include "platform/Time.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

using peer::Frame;
using peer::Peer;

namespace {

TEST(VlConn, FullBatchIsSentBeforeTheFrameThatWouldPassItAndCommitReadsEveryReply) {
    // A command of n characters makes a frame of 4 + n + 1 bytes, rounded up to even.
    auto text = [](int i, size_t length) {
        std::string t = "set x " + std::to_string(i) + " ";
        return t + std::string(length - t.size(), 'y');
    };
    std::vector<size_t> headerCounted(38, 94);
    headerCounted.push_back(99);
    const struct {
        std::vector<size_t> lengths;  // the commands queued before the last one
        int fill;                     // batch bytes before the last one
        bool refuseOne;
    } cases[] = {{std::vector<size_t>(40, 94), 4000, false},  // exactly full
                 {std::vector<size_t>(40, 94), 4000, true},
                 {headerCounted, 3904, false}};  // the payload would fit, its header not
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fill + c.refuseOne);
        peer::Router router;
        router.replies["14:"] = {"after the batch"};
        if (c.refuseOne)
            router.refuse.insert(text(7, 94));
        Peer p(router);
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        const int queued = static_cast<int>(c.lengths.size());
        for (int i = 0; i < queued; ++i)
            vl_command(&r, text(i, c.lengths[size_t(i)]).c_str());
        EXPECT_EQ(vl_batch_fill(), c.fill);
        EXPECT_TRUE(p.Frames().empty());
        vl_command(&r, text(queued, 94).c_str());
        EXPECT_EQ(vl_batch_fill(), 100);
        ASSERT_TRUE(p.WaitFrames(c.lengths.size(), 5000));
        EXPECT_EQ(vl_commit(&r, queued + 1), c.refuseOne ? -1 : 0);
        EXPECT_EQ(peer::Texts(p.Frames()).size(), c.lengths.size() + 1);
        // Exactly one reply per command was read: the next exchange reads its own.
        char console[VL_CONSOLE_SIZE];
        ASSERT_EQ(vl_get_console(&r, console), 0);
        EXPECT_STREQ(console, "after the batch");
        EXPECT_EQ(vl_last_error, 0);
        vl_close(&r);
    }
}

TEST(VlConn, LoginAcceptedRefusedAndUnreadable) {
    const struct {
        std::string reply;  // raw bytes the router answers the login with
        int rc, error;
    } cases[] = {
        {peer::TextFrame("s"), 0, 0},
        {peer::TextFrame("sWelcome"), 0, 0},
        {peer::TextFrame("e bad password"), -1, VL_ERR_REQUEST_DENIED},
        {peer::TextFrame("Denied"), -1, VL_ERR_REQUEST_DENIED},
        // No payload to judge by: the login passes and the next read finds the fault.
        {peer::FrameBytes(0, "", 0), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        Peer p([&](Peer& peer, const Frame&) { peer.Send(c.reply); });
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        EXPECT_EQ(vl_login(&r, "pw"), c.rc);
        EXPECT_EQ(p.Frames().at(0).payload, std::string("pw\0", 3));  // at once, never padded
        EXPECT_EQ(vl_last_error, c.error);
        EXPECT_GE(r.socket, 0);
        vl_close(&r);
    }
}

TEST(VlConn, ExchangesOnAClosedRecordFailWith5) {
    VlRouter r;
    vl_init_router(&r);
    char text[VL_CONSOLE_SIZE];
    VlReply reply;
    const std::function<bool()> cases[] = {
        [&] { return vl_login(&r, "pw") == -1; },
        [&] { return vl_send_message(&r, VL_MSG_STATUS, "", 1) == -1; },
        [&] { vl_command(&r, "reboot"); return vl_flush(&r) == -1; },
        [&] { return vl_get_status(&r, &reply) == -1; },
        [&] { vl_command(&r, "save all"); return vl_commit(&r, 1) == -1; },
        [&] { return vl_get_console(&r, text) == -1; },
        [&] { return vl_read(&r, text, 4) == -1; },
        [&] { return vl_read_global(&r) == -1; },
        [&] { return vl_read_locations(&r) == nullptr; },
        [&] { return vl_read_filters(&r) == nullptr; },
    };
    for (const auto& fails : cases) {
        vl_last_error = 12345;
        EXPECT_TRUE(fails());
        EXPECT_EQ(vl_last_error, VL_ERR_NO_CONNECTION);
        EXPECT_EQ(vl_batch_fill(), 0);
    }
}

// Each bound from both sides, on an open connection: what is refused leaves the reason and
// sends or queues nothing; what is accepted goes out whole.
TEST(VlConn, LengthsAtTheirBoundsAndTheLastErrorTheyLeave) {
    Peer p([](Peer&, const Frame&) {});
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    const std::string big(VL_REPLY_PAYLOAD + 1, 'p');
    const struct {
        const char* name;
        std::function<int()> call;
        int rc, error, fill;
        int sentLength;  // payload length of the frame the peer gets; -1 none
    } cases[] = {
        {"send, empty", [&] { return vl_send_message(&r, 9, big.data(), 0); }, 0, 0, 0, 0},
        {"send, largest", [&] { return vl_send_message(&r, 9, big.data(), VL_REPLY_PAYLOAD); }, 0, 0, 0,
         VL_REPLY_PAYLOAD},
        {"send, one over", [&] { return vl_send_message(&r, 9, big.data(), VL_REPLY_PAYLOAD + 1); }, -1,
         platform::WSAEMSGSIZE, 0, -1},
        {"send, negative", [&] { return vl_send_message(&r, 9, big.data(), -1); }, -1, platform::WSAEMSGSIZE, 0, -1},
        {"send, no bytes", [&] { return vl_send_message(&r, 9, nullptr, 3); }, -1, platform::WSAEMSGSIZE, 0, -1},
        {"queue, largest", [&] { return vl_queue_message(&r, 9, big.data(), VL_MAX_QUEUED_PAYLOAD); }, 0, 0,  // cleared
         VL_HEADER_SIZE + VL_MAX_QUEUED_PAYLOAD, -1},
        {"queue, one over", [&] { return vl_queue_message(&r, 9, big.data(), VL_MAX_QUEUED_PAYLOAD + 1); }, -1,
         platform::WSAEMSGSIZE, 0, -1},
        {"write, negative", [&] { return vl_write(&r, big.data(), -1); }, -1, platform::WSAEFAULT, 0, -1},
        {"write, no bytes", [&] { return vl_write(&r, nullptr, 5); }, -1, platform::WSAEFAULT, 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vl_last_error = 12345;
        const size_t before = p.Frames().size();
        EXPECT_EQ(c.call(), c.rc);
        EXPECT_EQ(vl_last_error, c.error);
        EXPECT_EQ(vl_batch_fill(), c.fill);
        if (c.sentLength >= 0) {
            ASSERT_TRUE(p.WaitFrames(before + 1, 5000));
            EXPECT_EQ(p.Frames().back().length, c.sentLength);
        }
        vl_flush(&r);
    }
    // A frame that does not fit flushes the batch first; when that flush fails, its reason stays.
    while (vl_batch_fill() + VL_HEADER_SIZE + VL_MAX_QUEUED_PAYLOAD <= VL_BATCH_SIZE)
        vl_queue_message(&r, 9, big.data(), VL_MAX_QUEUED_PAYLOAD);
    vl_close(&r);
    EXPECT_EQ(vl_queue_message(&r, 9, big.data(), VL_MAX_QUEUED_PAYLOAD), -1);
    EXPECT_EQ(vl_last_error, VL_ERR_NO_CONNECTION);
    vl_flush(&r);  // the frame stays queued; the next test must not send it
}

TEST(VlConn, HostileFramesAreCleanFailures) {
    const std::string full(2060, 'A');
    const struct {
        std::string bytes;  // what the router sends for the request
        bool closeAfter;
        int rc, error;
        bool open;
    } cases[] = {
        {peer::FrameBytes(0, std::string(10, 'n'), -2 & 0xFFFF), false, -1, platform::WSAEMSGSIZE, false},
        {peer::FrameBytes(0, std::string(2061, 'L'), 2061), false, -1, platform::WSAEMSGSIZE, false},
        {peer::FrameBytes(0, full, 2060), false, 0, 0, true},
        {peer::FrameBytes(0, "abc", 10), true, -1, platform::WSAECONNRESET, true},
        {std::string("\x65\x00", 2), true, -1, platform::WSAECONNRESET, true},
        {"", false, -1, platform::WSAETIMEDOUT, false},  // silence
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        Peer p([&](Peer& peer, const Frame&) {
            peer.Send(c.bytes);
            if (c.closeAfter)
                peer.Close();
        });
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        auto reply = std::make_unique<VlReply>();  // on the heap: a write past it is caught
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
            EXPECT_GE(platform::NowMs() - start, platform::ScaledMs(30000));
        }
        vl_close(&r);
    }
}

TEST(VlConn, ConsoleTextIsCopiedWholeAnEmptyReplyIsNoStatusAndAFailureCloses) {
    const std::string text = "ISDN line up\r\nConnected to isp\r\n";
    int calls = 0;
    Peer p([&](Peer& peer, const Frame&) {
        if (++calls == 1)
            peer.Send(peer::FrameBytes(0, text, static_cast<int>(text.size())));
        else if (calls <= 3)
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
    ASSERT_EQ(vl_send_message(&r, VL_MSG_STATUS, "", 1), 0);
    EXPECT_EQ(vl_get_status(&r, nullptr), -1);
    EXPECT_GE(r.socket, 0);
    EXPECT_EQ(vl_get_console(&r, out), -1);
    EXPECT_LT(r.socket, 0);
    EXPECT_EQ(peer::Texts(p.Frames(), VL_MSG_CONSOLE).size(), 3u);
}

TEST(VlConn, OnlyARefusedConnectIsTriedAgainElevenTimes) {
    const struct {
        const char* host;  // nothing listens on 127.0.0.2; 127.255.255.255 is unreachable
        int error;
        int waits;  // one after each refused attempt
    } cases[] = {{"127.0.0.2", platform::WSAECONNREFUSED, 11},
                 {"127.255.255.255", platform::WSAENETUNREACH, 0}};
    for (const auto& c : cases) {
        const long long start = platform::NowMs();
        EXPECT_EQ(vl_connect(c.host), -1);
        const long long elapsed = platform::NowMs() - start;
        EXPECT_EQ(vl_last_error, c.error);
        EXPECT_GE(elapsed, c.waits * platform::ScaledMs(2000));
        EXPECT_LT(elapsed, (c.waits + 1) * platform::ScaledMs(2000) + 1000);
    }
    Peer p(peer::Router{});  // a name is looked up
    VlRouter r;
    vl_init_router(&r);
    r.socket = vl_connect("localhost");
    ASSERT_GE(r.socket, 0);
    vl_close(&r);
    EXPECT_TRUE(p.WaitClosed(5000));
}

TEST(VlConn, AddressHelpers) {
    const struct {
        const char* text;
        bool hostname;
        const char* hex;
    } cases[] = {
        {"192.168.1.1", false, "C0A80101"}, {"192.168.1", true, "00000000"},
        {"router1", true, "00000000"},      {"1234.1.1.1", true, "00000000"},
        {"1..2.3", false, "00000000"},      {"10.0.0.1 extra", false, "0A000001"},
        {"256.1.1.1", false, "00000000"},   {"10.1.2.3.4", true, "0A010203"},
        {"0.0.0.0", false, "00000000"},     {"", true, "00000000"},
        {"190.109.9.90", false, "BE6D095A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(vl_is_hostname(c.text) != 0, c.hostname);
        char hex[9];
        EXPECT_EQ(vl_hex_address(hex, c.text), 0);
        EXPECT_STREQ(hex, c.hex);
    }
    EXPECT_EQ(vl_parse_address(nullptr), 0u);
}

} // namespace
