// The BOOTP responder on loopback ports of its own: the reply to a Quillet's request, the
// attempts other devices use up, malformed datagrams and silence.
#include "router/BootpResponder.h"

#include "platform/Sockets.h"
#include "platform/Thread.h"
#include "platform/Time.h"
#include "support/SimProcess.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <thread>

namespace {

using Message = std::vector<uint8_t>;

Message Request(uint8_t b0, uint8_t b1, uint8_t b2, size_t size = 300) {
    Message m(size);
    for (size_t i = 0; i < size; ++i)
        m[i] = static_cast<uint8_t>(i * 7 + 3);  // every field distinct from a reply's
    m[0] = 1;
    if (size > 30) {
        m[28] = b0;  // the hardware address starts with the maker's prefix
        m[29] = b1;
        m[30] = b2;
    }
    return m;
}

// True when a UDP socket of this machine is bound to `port` (read from the kernel's table,
// so that looking does not disturb the responder's own bind).
bool UdpPortBound(int port) {
    char hex[8];
    std::snprintf(hex, sizeof hex, ":%04X ", port);
    std::ifstream in("/proc/net/udp");
    for (std::string line; std::getline(in, line);)
        if (line.find(hex) != std::string::npos)
            return true;
    return false;
}

const Message kQuillet = Request(0x02, 0x51, 0x4C);

struct Outcome {
    uint32_t exitCode = platform::Thread::StillActive;
    long long elapsedMs = 0;
    std::vector<Message> replies;
};

// Starts the responder, sends `datagrams` once it listens, waits for it to end and
// collects what came back on the client port.
Outcome Respond(const std::string& address, const std::vector<Message>& datagrams) {
    Outcome run;
    int client = platform::UdpSocket();
    platform::BindAddress(client, htonl(INADDR_LOOPBACK), 0);
    const int server = FreeUdpPort();
    const BootpEndpoints ends{server, "127.0.0.1", platform::LocalPort(client)};
    platform::Thread thread;
    const long long start = platform::NowMs();
    thread.Start([&] { return BootpResponder(address, ends); });
    while (!datagrams.empty() && !UdpPortBound(server) && platform::NowMs() - start < 5000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    int peer = platform::UdpSocket();
    for (const Message& m : datagrams)
        platform::SendTo(peer, m.data(), static_cast<int>(m.size()), htonl(INADDR_LOOPBACK), static_cast<uint16_t>(server));
    platform::CloseSocket(peer);
    while (thread.ExitCode() == platform::Thread::StillActive && platform::NowMs() - start < 20000)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    run.exitCode = thread.ExitCode();
    run.elapsedMs = platform::NowMs() - start;
    while (platform::WaitReadable(client, 0) == 1) {
        Message reply(1024);
        reply.resize(size_t(std::max(0, platform::RecvFrom(client, reply.data(), 1024, nullptr, nullptr))));
        run.replies.push_back(reply);
    }
    platform::CloseSocket(client);
    return run;
}

TEST(BootpResponder, AnswersAQuilletWithTheChosenAddress) {
    Outcome run = Respond("10.1.2.3", {kQuillet});
    EXPECT_EQ(run.exitCode, 0u);
    Message expected = kQuillet;
    expected[0] = 2;
    const uint8_t assigned[4] = {10, 1, 2, 3};
    std::memcpy(&expected[16], assigned, 4);  // yiaddr
    std::memset(&expected[20], 0, 4);         // siaddr
    std::memcpy(&expected[24], assigned, 4);  // giaddr
    EXPECT_EQ(run.replies, std::vector<Message>{expected});  // exactly one, the rest unchanged
}

TEST(BootpResponder, AttemptsMalformedDatagramsAndSilence) {
    const long wait = platform::ScaledMs(90000);
    const struct {
        std::string address;
        std::vector<Message> datagrams;
        uint32_t exitCode;  // 0: answered
        long minMs;
    } cases[] = {
        {"192.168.7.1", {Request(0, 0x51, 0x4C), Request(2, 0x51, 0x4D), kQuillet}, 0, 0},
        {"192.168.7.1", {Request(1, 1, 1), Request(1, 1, 1), Request(1, 1, 1), kQuillet}, 1, 0},  // three used up
        {"192.168.7.1", {Request(2, 0x51, 0x4C, 299)}, 1, 0},
        {"192.168.7.1", {Request(2, 0x51, 0x4C, 12), kQuillet}, 1, 0},  // a short one ends it
        {"10.0.0.1", {}, 10060, wait},                                  // one wait, not three
        {"router.example", {}, 1, 0},                                   // fails before any socket
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address + " " + std::to_string(c.datagrams.size()));
        Outcome run = Respond(c.address, c.datagrams);
        EXPECT_EQ(run.exitCode == 0, c.exitCode == 0);
        if (c.exitCode == 10060) {
            EXPECT_EQ(run.exitCode, 10060u);
        }
        EXPECT_EQ(run.replies.size(), c.exitCode == 0 ? 1u : 0u);
        EXPECT_GE(run.elapsedMs, c.minMs);
        EXPECT_LT(run.elapsedMs, c.minMs + wait / 2 + 1000);
    }
}

} // namespace
