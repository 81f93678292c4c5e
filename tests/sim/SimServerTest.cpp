// quillet-sim as a process over loopback, where no client test looks: its options, its faults
// on demand, one session at a time against hostile clients, and its dump on the way out.
#include "support/Peer.h"
#include "support/SimProcess.h"
#include "qlwiz_version.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <sstream>

namespace {

enum { kLogin = 2, kCommand = 4, kStatus = 8 };

long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A byte-level management client: it sends and reads exactly what the wire carries,
// independent of the command library. Every read gives up after 5 s.
class SimClient {
public:
    ~SimClient() { Close(); }
    // 0, or the errno of the failed connect (ECONNREFUSED while another session is open).
    int Connect(int port) {
        Close();
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        timeval limit{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(port));
        int e = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : errno;
        if (e != 0)
            Close();
        return e;
    }
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    bool SendRaw(const std::string& b) { return ::send(fd_, b.data(), b.size(), MSG_NOSIGNAL) == ssize_t(b.size()); }
    bool Send(int type, const std::string& payload) {
        return SendRaw(peer::FrameBytes(type, payload, static_cast<int>(payload.size())));
    }
    // One frame, its length signed as the header says; a negative or oversized length reads
    // nothing past the header. False when the connection closed or nothing came in time.
    bool Read(peer::Frame* f) {
        unsigned char h[4];
        if (!ReadExactly(h, 4))
            return false;
        f->type = h[1];
        f->length = static_cast<int16_t>((h[2] << 8) | h[3]);
        f->payload.assign(f->length > 0 && f->length <= 2060 ? size_t(f->length) : 0, '\0');
        return ReadExactly(f->payload.data(), f->payload.size());
    }
    // True when the peer closes the connection in time (data before it is dropped).
    bool WaitClosed() {
        char buf[512];
        ssize_t n;
        do n = ::recv(fd_, buf, sizeof buf, 0); while (n > 0);
        const bool closed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        if (closed)
            Close();
        return closed;
    }
    // True when nothing at all arrives for `ms` and the connection stays open.
    bool QuietFor(int ms) {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, ms) == 0;
    }
    // One request with a text payload and its NUL; the reply payload up to its first NUL.
    std::string Exchange(int type, const std::string& text) {
        peer::Frame f;
        return Send(type, text + '\0') && Read(&f) ? f.Text() : "<no reply>";
    }
    bool Login(const std::string& password) { return Exchange(kLogin, password)[0] == 's'; }
    std::string Command(const std::string& line) { return Exchange(kCommand, line); }
    std::string Status(const std::string& name) { return Exchange(kStatus, name); }

private:
    bool ReadExactly(void* buf, size_t n) { return n == 0 || ::recv(fd_, buf, n, MSG_WAITALL) == ssize_t(n); }
    int fd_ = -1;
};

// Field `i` of a status record, words split at blanks (the fields read here are never quoted).
std::string Field(const std::string& record, int i) {
    std::istringstream in(record);
    std::string word;
    for (int k = 0; k <= i; ++k)
        if (!(in >> word))
            return "";
    return word;
}

} // namespace

TEST(SimServer, FaultsOnDemand) {
    struct Case {
        const char* name;
        const char* scenario;
    } cases[] = {
        {"refuse", "fault.refuse = set isdn\n"},
        {"drop", "fault.drop_after_frames = 2\n"},
        {"delay", "fault.delay_ms = 30000\n"},
        {"sysmsg", "fault.sysmsg_port = 1\n"},
        {"truncated", "fault.bad_frame = truncated\n"},
        {"negative", "fault.bad_frame = negative\n"},
        {"overlong", "fault.bad_frame = overlong\n"},
        {"silent", "fault.silent_after = 1\n"},
        {"first connection only", "fault.silent_after = 1\nfault.connections = 1\n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        SimProcess sim;
        ASSERT_TRUE(sim.Start(k.scenario)) << sim.Error();
        SimClient c;
        ASSERT_EQ(c.Connect(sim.Port()), 0);
        long long t0 = NowMs();
        ASSERT_TRUE(c.Login(""));
        std::string name = k.name;
        peer::Frame f;
        if (name == "refuse") {
            EXPECT_NE(c.Command("set isdn ni-1")[0], 's');
            EXPECT_EQ(c.Command("set address 10.0.0.1"), "s");
        } else if (name == "drop") {
            EXPECT_EQ(c.Command("set address 10.0.0.1"), "s");
            ASSERT_TRUE(c.Send(kCommand, std::string("save address") + '\0'));
            EXPECT_TRUE(c.WaitClosed());
        } else if (name == "delay") {
            // 30 s scaled by the test time scale (the test main always sets one)
            EXPECT_GE(NowMs() - t0, static_cast<long long>(30000 * std::atof(std::getenv("QLWIZ_TIME_SCALE"))) - 5);
        } else if (name == "sysmsg") {
            EXPECT_EQ(c.Status("1").compare(0, 6, "SYSMSG"), 0);
            EXPECT_EQ(Field(c.Status("2"), 0), "S2");
        } else if (!c.Send(kStatus, std::string(1, '\0'))) {
            ADD_FAILURE() << "no status request sent";
        } else if (name == "truncated") {
            ASSERT_FALSE(c.Read(&f));  // the promised 100 bytes never come
            EXPECT_TRUE(c.WaitClosed());
        } else if (name == "negative" || name == "overlong") {
            ASSERT_TRUE(c.Read(&f));
            EXPECT_TRUE(name == "negative" ? f.length < 0 : f.length > 2060) << f.length;
        } else {
            EXPECT_TRUE(c.QuietFor(300));  // no reply, and the connection stays open
            if (name == "first connection only") {
                c.Close();
                ASSERT_TRUE(sim.WaitFor("listening on "));
                ASSERT_EQ(c.Connect(sim.Port()), 0);
                ASSERT_TRUE(c.Login(""));
                EXPECT_EQ(Field(c.Status(""), 0), "quillet");
            }
        }
    }
}

// One administrative connection at a time, and a client that breaks the framing loses its
// connection without taking the simulator down.
TEST(SimServer, OneSessionAtATimeAndNoClientTakesItDown) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start()) << sim.Error();
    SimClient first, second;
    ASSERT_EQ(first.Connect(sim.Port()), 0);
    ASSERT_TRUE(first.Login(""));  // the session is surely accepted by now
    EXPECT_EQ(second.Connect(sim.Port()), ECONNREFUSED);
    first.Close();
    ASSERT_TRUE(sim.WaitFor("listening on ")) << sim.Log();

    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"wrong first byte", std::string("G\x04\x00\x01x", 5)},  // a sound length otherwise
        {"negative length", std::string("\x65\x04\xFF\xF0", 4) + "set address 1.2.3.4"},
        {"over-long length", std::string("\x65\x04\x7F\xFF", 4) + std::string(100, 'x')},
        {"vanishes mid-frame", std::string("\x65\x04\x00\x20", 4) + "set addr"},
        {"vanishes mid-header", std::string("\x65\x04", 2)},
    };
    SimClient c;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ASSERT_EQ(c.Connect(sim.Port()), 0);
        ASSERT_TRUE(c.Login(""));
        ASSERT_TRUE(c.SendRaw(k.bytes));
        if (std::string(k.name).rfind("vanishes", 0) == 0)
            c.Close();
        else
            EXPECT_TRUE(c.WaitClosed());  // the simulator drops that connection
        ASSERT_TRUE(sim.WaitFor("listening on ")) << sim.Log();
    }
    // and it still serves
    ASSERT_EQ(c.Connect(sim.Port()), 0);
    ASSERT_TRUE(c.Login(""));
    EXPECT_EQ(c.Command("set address 10.0.0.1"), "s");
    EXPECT_EQ(Field(c.Status(""), 1), "10.0.0.1");
}

TEST(SimServer, StopsCleanlyAndDumpsItsConfiguration) {
    for (bool bySignal : {true, false}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "stdin closed");
        SimProcess sim;
        ASSERT_TRUE(sim.Start()) << sim.Error();
        SimClient c;
        ASSERT_EQ(c.Connect(sim.Port()), 0);
        ASSERT_TRUE(c.Login(""));
        EXPECT_EQ(c.Command("set address 10.0.0.42"), "s");
        const std::string live = sim.Dump();  // SIGUSR1
        EXPECT_EQ(sim.Stop(bySignal), 0);
        EXPECT_EQ(sim.Events().back(), "quillet-sim: stopped");
        EXPECT_TRUE(sim.WaitForLog("applied: set address 10.0.0.42", 0)) << sim.Log();
        // written again on the way out with the same configuration (the [state] section may
        // move on meanwhile: the ISDN lines register on their own clock)
        const auto configuration = [](const std::string& d) { return d.substr(0, d.find("[state]")); };
        EXPECT_EQ(configuration(sim.DumpFileText()), configuration(live));
        EXPECT_EQ(SimProcess::DumpValue(live, "running", "global.address"), "10.0.0.42");
        EXPECT_EQ(SimProcess::DumpValue(live, "saved", "global.address"), "192.168.1.1");
    }
}

// --help and --version answer on standard output with 0; bad usage says why on standard error
// and exits with 2, before anything is served.
TEST(SimServer, OptionsAnswerOnTheRightStreamWithTheRightStatus) {
    struct Case {
        std::vector<std::string> args;
        const char* scenario;
        int exitStatus;
        const char* firstLine;  // of standard output
    } cases[] = {
        {{"--help"}, "", 0, "Usage: quillet-sim [OPTION]..."},
        {{"--version"}, "", 0, "quillet-sim " QLWIZ_VERSION},
        {{"--bogus"}, "", 2, ""},
        {{"--set", "nokey=1"}, "", 2, ""},
        {{"--firmware", "ancient"}, "", 2, ""},
        {{"--port"}, "", 2, ""},
        {{}, "not a key value line\n", 2, ""},
        {{}, "apply = add location\n", 2, ""},  // a command the router refuses
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.args.empty() ? k.scenario : k.args[0]);
        SimProcess sim;
        EXPECT_FALSE(sim.Start(k.scenario, k.args, false));
        EXPECT_EQ(sim.Stop(false), k.exitStatus);
        EXPECT_EQ(sim.Events().empty() ? "" : sim.Events()[0], k.firstLine);
        EXPECT_EQ(sim.Log().empty(), k.exitStatus == 0) << sim.Log();
    }
}
