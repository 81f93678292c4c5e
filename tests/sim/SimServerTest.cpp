// quillet-sim as a process, over real loopback sockets: login, one session at a time,
// restart, the factory state's BOOTP, faults on demand, hostile clients and a clean stop.
#include "SimClient.h"
#include "SimProcess.h"
#include "qlwiz_version.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using simtest::Fields;
using simtest::Frame;
using simtest::SimClient;

namespace {

long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A UDP socket on a free loopback port, standing in for the wizard's BOOTP responder.
struct Udp {
    int fd = -1;
    int port = 0;
    Udp() {
        fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        socklen_t len = sizeof sa;
        getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
        port = ntohs(sa.sin_port);
    }
    ~Udp() { close(fd); }
    // One datagram within `timeoutMs`; its size, or -1.
    int Receive(unsigned char* buf, size_t size, sockaddr_in* from, long timeoutMs = 10000) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(timeoutMs)) != 1)
            return -1;
        socklen_t len = sizeof *from;
        return static_cast<int>(
            recvfrom(fd, buf, size, 0, reinterpret_cast<sockaddr*>(from), &len));
    }
};

}  // namespace

TEST(SimServer, LoginRefusesAWrongPasswordAndKeepsTheConnection) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start("password = s3cret\n")) << sim.Error();
    SimClient c;
    ASSERT_EQ(c.Connect(sim.Port()), 0);
    // before a login nothing but the login is answered with 's'
    EXPECT_NE(c.Command("set address 10.0.0.1")[0], 's');
    std::string refusal = c.Exchange(simtest::kLogin, "wrong");
    ASSERT_FALSE(refusal.empty());
    EXPECT_NE(refusal[0], 's');
    EXPECT_TRUE(c.Connected());
    EXPECT_TRUE(c.Login("s3cret"));
    EXPECT_EQ(Fields(c.Status(""))[1], "192.168.1.1");
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimServer, ASecondConnectionIsRefusedWhileOneIsOpen) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start()) << sim.Error();
    SimClient first, second;
    ASSERT_EQ(first.Connect(sim.Port()), 0);
    ASSERT_TRUE(first.Login(""));  // the session is surely accepted by now
    EXPECT_EQ(second.Connect(sim.Port()), ECONNREFUSED);
    first.Close();
    ASSERT_TRUE(sim.WaitFor("listening on ")) << sim.Log();
    ASSERT_EQ(second.Connect(sim.Port()), 0);
    EXPECT_TRUE(second.Login(""));
}

TEST(SimServer, RebootKeepsOnlyWhatWasSavedAndServesAtTheNewAddress) {
    SimProcess sim;
    // reboot_ms is scaled by QLWIZ_TIME_SCALE like every other wait
    ASSERT_TRUE(sim.Start("address = 127.0.0.1\nreboot_ms = 20000\nisdn.register_ms = 0\n",
                          {"--listen", "router"}))
        << sim.Error();
    SimClient c;
    ASSERT_EQ(c.Connect(sim.Port()), 0);
    ASSERT_TRUE(c.Login(""));
    EXPECT_EQ(c.Command("set S1 spid 0101"), "s");
    EXPECT_EQ(c.Command("save S1"), "s");
    EXPECT_EQ(c.Command("set S2 spid 0202"), "s");  // not saved
    EXPECT_EQ(c.Command("add location isp"), "s");  // not saved
    EXPECT_EQ(c.Command("set address 127.0.0.3"), "s");
    EXPECT_EQ(c.Command("save address"), "s");
    EXPECT_EQ(c.Command("reboot"), "s");
    EXPECT_TRUE(c.WaitClosed());
    ASSERT_TRUE(sim.WaitFor("rebooting"));
    SimClient early;
    EXPECT_EQ(early.Connect(sim.Port(), "127.0.0.1"), ECONNREFUSED);
    std::string where;
    ASSERT_TRUE(sim.WaitFor("listening on ", 10000, &where)) << sim.Log();
    EXPECT_EQ(where, "127.0.0.3:" + std::to_string(sim.Port()));

    ASSERT_EQ(c.Connect(sim.Port(), "127.0.0.3"), 0);
    ASSERT_TRUE(c.Login(""));
    EXPECT_EQ(Fields(c.Status(""))[1], "127.0.0.3");
    EXPECT_EQ(Fields(c.Status("1"))[68], "0101");
    EXPECT_EQ(Fields(c.Status("2"))[68], "");
    std::vector<std::string> table = c.Table("location", 1);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(Fields(table[0]), (std::vector<std::string>{"location", "0", "4"}));
}

TEST(SimServer, FactoryStateAsksForAnAddressWithBootp) {
    Udp server;
    SimProcess sim;
    ASSERT_TRUE(sim.Start("factory = yes\nbootp.interval_ms = 100000\nhwaddr = 02:51:4C:12:34:56\n",
                          {"--bootp-server-port", std::to_string(server.port), "--bootp-target",
                           "127.0.0.1", "--bootp-client-port", "0", "--listen", "router"},
                          false))
        << sim.Error();
    std::string clientPort;
    ASSERT_TRUE(sim.WaitFor("bootp client port ", 10000, &clientPort)) << sim.Log();

    unsigned char m[400];
    sockaddr_in from{};
    int n = server.Receive(m, sizeof m, &from);
    ASSERT_EQ(n, 300);
    EXPECT_EQ(ntohs(from.sin_port), std::stoi(clientPort));
    EXPECT_EQ(m[0], 1);  // a request
    const unsigned char prefix[] = {0x02, 0x51, 0x4C, 0x12, 0x34, 0x56};
    EXPECT_EQ(std::memcmp(m + 28, prefix, 6), 0);

    // a reply for another hardware address is ignored: the router asks again
    auto reply = [&](const unsigned char* request, unsigned char chaddr0, const char* address) {
        unsigned char r[300];
        std::memcpy(r, request, 300);
        r[0] = 2;
        r[28] = chaddr0;
        in_addr a{};
        inet_pton(AF_INET, address, &a);
        std::memcpy(r + 16, &a, 4);
        std::memcpy(r + 24, &a, 4);
        sendto(server.fd, r, sizeof r, 0, reinterpret_cast<sockaddr*>(&from), sizeof from);
    };
    reply(m, 0x00, "127.0.0.5");
    ASSERT_TRUE(sim.Dump().find("global.address = \n") != std::string::npos);
    reply(m, 0x02, "127.0.0.4");
    std::string assigned, where;
    ASSERT_TRUE(sim.WaitFor("address assigned ", 10000, &assigned)) << sim.Log();
    EXPECT_EQ(assigned, "127.0.0.4");
    ASSERT_TRUE(sim.WaitFor("listening on ", 10000, &where));
    // on the port announced at start, before the address was known
    EXPECT_EQ(where, "127.0.0.4:" + std::to_string(sim.Port()));

    SimClient c;
    ASSERT_EQ(c.Connect(sim.Port(), "127.0.0.4"), 0);
    ASSERT_TRUE(c.Login(""));  // factory state: empty password
    EXPECT_EQ(Fields(c.Status(""))[1], "127.0.0.4");
}

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
        Frame f;
        if (name == "refuse") {
            EXPECT_NE(c.Command("set isdn ni-1")[0], 's');
            EXPECT_EQ(c.Command("set address 10.0.0.1"), "s");
        } else if (name == "drop") {
            EXPECT_EQ(c.Command("set address 10.0.0.1"), "s");
            ASSERT_TRUE(c.Send(simtest::kCommand, std::string("save address") + '\0'));
            EXPECT_TRUE(c.WaitClosed());
        } else if (name == "delay") {
            // 30 s scaled by the test time scale; the login reply was held back as long
            double scale = 1.0;
            if (const char* s = std::getenv("QLWIZ_TIME_SCALE"))
                scale = std::atof(s);
            EXPECT_GE(NowMs() - t0, static_cast<long long>(30000 * scale) - 5);
        } else if (name == "sysmsg") {
            EXPECT_EQ(c.Status("1").compare(0, 6, "SYSMSG"), 0);
            EXPECT_EQ(Fields(c.Status("2"))[0], "S2");
        } else if (name == "truncated") {
            ASSERT_TRUE(c.Send(simtest::kStatus, std::string(1, '\0')));
            ASSERT_TRUE(c.Read(&f) == false);  // the promised 100 bytes never come
            EXPECT_FALSE(c.Connected() && !c.WaitClosed());
        } else if (name == "negative") {
            ASSERT_TRUE(c.Send(simtest::kStatus, std::string(1, '\0')));
            ASSERT_TRUE(c.Read(&f));
            EXPECT_LT(f.length, 0);
        } else if (name == "overlong") {
            ASSERT_TRUE(c.Send(simtest::kStatus, std::string(1, '\0')));
            ASSERT_TRUE(c.Read(&f));
            EXPECT_GT(f.length, 2060);
        } else {
            ASSERT_TRUE(c.Send(simtest::kStatus, std::string(1, '\0')));
            EXPECT_TRUE(c.QuietFor(300));  // no reply, and the connection stays open
            if (name == "first connection only") {
                c.Close();
                ASSERT_TRUE(sim.WaitFor("listening on "));
                ASSERT_EQ(c.Connect(sim.Port()), 0);
                ASSERT_TRUE(c.Login(""));
                EXPECT_EQ(Fields(c.Status(""))[0], "quillet");
            }
        }
    }
}

TEST(SimServer, AHostileClientNeverTakesItDown) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start()) << sim.Error();
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"garbage", "GET / HTTP/1.0\r\n\r\n"},
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
    EXPECT_EQ(Fields(c.Status(""))[1], "10.0.0.1");
}

TEST(SimServer, ReadsInBothFirmwareFormsOverTheWire) {
    struct Case {
        const char* firmware;
        size_t globalFields;
        bool bigfilt;
    } cases[] = {{"new", 43, true}, {"old", 30, false}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.firmware);
        SimProcess sim;
        ASSERT_TRUE(sim.Start("", {"--firmware", k.firmware})) << sim.Error();
        SimClient c;
        ASSERT_EQ(c.Connect(sim.Port()), 0);
        ASSERT_TRUE(c.Login(""));
        EXPECT_EQ(Fields(c.Status("")).size(), k.globalFields);
        EXPECT_EQ(Fields(c.Status("ether1"))[0], "ether1");
        EXPECT_EQ(c.Command("add filter f"), "s");
        EXPECT_EQ(c.Command("set filter f 1 permit icmp  "), "s");
        std::vector<std::string> big = c.Table("bigfilt", k.bigfilt ? 2 : 1);
        ASSERT_FALSE(big.empty());
        EXPECT_EQ(Fields(big[0])[0] == "bigfilt", k.bigfilt);
        std::vector<std::string> old = c.Table("filters", 2);
        ASSERT_EQ(old.size(), 2u);
        EXPECT_EQ(Fields(old[1])[0], "f");
    }
}

TEST(SimServer, DialShowsConsoleTextAndTheIspAddress) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start("isdn.register_ms = 0\nisp.connect_ms = 0\nisp.address = 127.0.0.7\n"))
        << sim.Error();
    SimClient c;
    ASSERT_EQ(c.Connect(sim.Port()), 0);
    ASSERT_TRUE(c.Login(""));
    EXPECT_EQ(c.Command("add location isp"), "s");
    EXPECT_EQ(c.Command("set isp telephone 5551234"), "s");
    EXPECT_EQ(c.Command("dial isp -x"), "s");
    std::vector<std::string> port = Fields(c.Status("1"));
    ASSERT_GT(port.size(), 41u);
    EXPECT_EQ(port[7], "ESTABLISHED");
    EXPECT_EQ(port[41], "127.0.0.7");
    std::string console = c.Console();
    EXPECT_NE(console.find("dialing isp"), std::string::npos) << console;
    EXPECT_NE(console.find("127.0.0.7"), std::string::npos) << console;
    EXPECT_EQ(c.Console(), "");  // the console was drained
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
        EXPECT_EQ(bySignal ? sim.Stop() : sim.CloseStdin(), 0);
        EXPECT_EQ(sim.Events().back(), "quillet-sim: stopped");
        std::string log = sim.Log();
        EXPECT_NE(log.find("applied: set address 10.0.0.42"), std::string::npos) << log;
        // written on the way out: running differs from saved
        std::string dump;
        {
            FILE* f = std::fopen(sim.DumpFile().c_str(), "r");
            ASSERT_NE(f, nullptr);
            char buf[65536];
            size_t n = std::fread(buf, 1, sizeof buf, f);
            std::fclose(f);
            dump.assign(buf, n);
        }
        EXPECT_EQ(SimProcess::DumpValue(dump, "running", "global.address"), "10.0.0.42");
        EXPECT_EQ(SimProcess::DumpValue(dump, "saved", "global.address"), "192.168.1.1");
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
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.args.empty() ? k.scenario : k.args[0]);
        SimProcess sim;
        EXPECT_FALSE(sim.Start(k.scenario, k.args, false));
        EXPECT_EQ(sim.CloseStdin(), k.exitStatus);
        EXPECT_EQ(sim.Events().empty() ? "" : sim.Events()[0], k.firstLine);
        EXPECT_EQ(sim.Log().empty(), k.exitStatus == 0) << sim.Log();
    }
}
