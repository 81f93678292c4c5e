#include "router/BootpResponder.h"

#include "RouterTestEnv.h"
#include "platform/Hooks.h"
#include "platform/Sockets.h"
#include "platform/Thread.h"
#include "platform/Time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <grp.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using Message = std::vector<uint8_t>;

// True when a UDP socket of this machine is bound to `port` (read from the kernel's
// table, so that looking does not disturb the responder's own bind).
bool UdpPortBound(int port) {
    std::ifstream in("/proc/net/udp");
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string slot, local;
        fields >> slot >> local;
        size_t colon = local.find(':');
        if (colon != std::string::npos && std::stoi(local.substr(colon + 1), nullptr, 16) == port)
            return true;
    }
    return false;
}

// Polls until `done` holds or the bounded wait runs out.
template <typename Pred>
bool WaitFor(Pred done, long boundMs) {
    long long end = platform::NowMs() + boundMs;
    while (!done()) {
        if (platform::NowMs() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

Message Request(uint8_t b0, uint8_t b1, uint8_t b2, size_t size = 300) {
    Message m(size);
    for (size_t i = 0; i < size; ++i)
        m[i] = static_cast<uint8_t>(i * 7 + 3);  // every field distinct from a reply's
    m[0] = 1;
    if (size > 30) {
        m[28] = b0;
        m[29] = b1;
        m[30] = b2;
    }
    return m;
}

Message Quillet() { return Request(0x02, 0x51, 0x4C); }

void Drain() {
    uint8_t buf[1024];
    while (platform::WaitReadable(g_bootpClientSocket, 0) == 1)
        platform::RecvFrom(g_bootpClientSocket, buf, sizeof buf, nullptr, nullptr);
}

struct ResponderRun {
    platform::Thread thread;
    uint32_t exitCode = platform::Thread::StillActive;
    long long elapsedMs = 0;
};

// Starts the responder, sends `datagrams` once it listens, and waits for it to end.
void RunResponder(ResponderRun& run, const std::string& address, const std::vector<Message>& datagrams) {
    const platform::Hooks& hooks = platform::GetHooks();
    long long start = platform::NowMs();
    ASSERT_TRUE(run.thread.Start([address] { return BootpResponder(address); }));
    if (!datagrams.empty()) {
        ASSERT_TRUE(WaitFor([&] { return UdpPortBound(hooks.bootpServerPort); }, 5000));
        int peer = platform::UdpSocket();
        ASSERT_GE(peer, 0);
        for (const Message& m : datagrams)
            ASSERT_EQ(platform::SendTo(peer, m.data(), static_cast<int>(m.size()),
                                       htonl(INADDR_LOOPBACK),
                                       static_cast<uint16_t>(hooks.bootpServerPort)),
                      static_cast<int>(m.size()));
        platform::CloseSocket(peer);
    }
    ASSERT_TRUE(WaitFor([&] { return run.thread.ExitCode() != platform::Thread::StillActive; },
                        platform::ScaledMs(90000) + 10000));
    run.exitCode = run.thread.ExitCode();
    run.elapsedMs = platform::NowMs() - start;
}

// The reply waiting on the client socket, or an empty message when none came.
Message TakeReply() {
    Message reply(1024);
    if (platform::WaitReadable(g_bootpClientSocket, 0) != 1)
        return {};
    int n = platform::RecvFrom(g_bootpClientSocket, reply.data(), static_cast<int>(reply.size()),
                               nullptr, nullptr);
    reply.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return reply;
}

} // namespace

TEST(BootpResponder, AnswersAQuilletWithTheChosenAddress) {
    Drain();
    Message request = Quillet();
    ResponderRun run;
    RunResponder(run, "10.1.2.3", {request});
    EXPECT_EQ(run.exitCode, 0u);
    Message reply = TakeReply();
    ASSERT_EQ(reply.size(), 300u);
    Message expected = request;
    expected[0] = 2;
    const uint8_t assigned[4] = {10, 1, 2, 3};
    std::memcpy(&expected[16], assigned, 4);  // yiaddr
    std::memset(&expected[20], 0, 4);          // siaddr
    std::memcpy(&expected[24], assigned, 4);  // giaddr
    EXPECT_EQ(reply, expected);  // xid, chaddr, sname, file, vend unchanged
    EXPECT_TRUE(TakeReply().empty()) << "exactly one reply";
}

TEST(BootpResponder, AttemptsAndMalformedDatagrams) {
    const struct {
        const char* what;
        std::vector<Message> datagrams;
        bool answered;
    } cases[] = {
        {"two foreign prefixes then a Quillet",
         {Request(0x00, 0x51, 0x4C), Request(0x02, 0x51, 0x4D), Quillet()}, true},
        {"three foreign prefixes", {Request(0x4C, 0x51, 0x02), Request(0, 0, 0), Request(2, 0x51, 0)},
         false},
        {"a Quillet after three foreign ones is not heard",
         {Request(1, 1, 1), Request(1, 1, 1), Request(1, 1, 1), Quillet()}, false},
        {"299 bytes", {Request(0x02, 0x51, 0x4C, 299)}, false},
        {"301 bytes", {Request(0x02, 0x51, 0x4C, 301)}, false},
        {"a short one ends it before a good one", {Request(0x02, 0x51, 0x4C, 12), Quillet()}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Drain();
        ResponderRun run;
        RunResponder(run, "192.168.7.1", c.datagrams);
        Message reply = TakeReply();
        if (c.answered) {
            EXPECT_EQ(run.exitCode, 0u);
            ASSERT_EQ(reply.size(), 300u);
            EXPECT_EQ(reply[0], 2);
            EXPECT_EQ(reply[19], 1);
        } else {
            EXPECT_NE(run.exitCode, 0u);
            EXPECT_NE(run.exitCode, platform::Thread::StillActive);
            EXPECT_TRUE(reply.empty());
        }
    }
}

TEST(BootpResponder, SilenceEndsAfterOneWait) {
    Drain();
    ResponderRun run;
    RunResponder(run, "10.0.0.1", {});
    EXPECT_NE(run.exitCode, 0u);
    // One 90 s wait (scaled), not three.
    long wait = platform::ScaledMs(90000);
    EXPECT_GE(run.elapsedMs, wait - 5);
    EXPECT_LT(run.elapsedMs, 2 * wait + 2000);
}

TEST(BootpResponder, HostNameFailsBeforeAnySocket) {
    for (const char* address : {"router.example", "", "255.255.255.255"}) {
        SCOPED_TRACE(address);
        ResponderRun run;
        RunResponder(run, address, {});
        EXPECT_NE(run.exitCode, 0u);
        EXPECT_LT(run.elapsedMs, platform::ScaledMs(90000) / 2);
        EXPECT_FALSE(UdpPortBound(platform::GetHooks().bootpServerPort));
    }
}

TEST(BootpResponder, ExplainsAMissingBindCapability) {
    // Run without privileges in a child, so that binding port 67 is refused as it is for
    // a program installed without CAP_NET_BIND_SERVICE.
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], 2);
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                                 ::setresuid(65534, 65534, 65534) != 0))
            ::_exit(2);
        uint32_t code = BootpResponder("10.0.0.1", {67, "127.0.0.1", 68});
        std::fprintf(stderr, "exit %u\n", code);
        std::fflush(stderr);
        ::_exit(0);
    }
    ::close(out[1]);
    std::string text;
    char buf[512];
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0)
            break;
        ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0)
            break;
        text.append(buf, static_cast<size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "could not drop privileges";
    if (text.find("exit 0") != std::string::npos)
        GTEST_SKIP() << "this system lets anyone bind port 67";
    EXPECT_NE(text.find("CAP_NET_BIND_SERVICE"), std::string::npos) << text;
    EXPECT_NE(text.find("setcap cap_net_bind_service=+ep"), std::string::npos) << text;
    EXPECT_NE(text.find("exit 10013"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << "one line, then the exit code";
}
