// A new router on a real Ethernet segment: quillet-sim in its factory state in one
// network namespace, qlwiz-batch in another, joined by a veth pair. The real ports 67,
// 68 and 1643 and the real broadcast apply, and the probe meets an address nobody
// answers ARP for, as on a LAN. Needs root and ip from iproute2.
#include "support/SimProcess.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool Ip(const std::vector<std::string>& args) {
    ChildResult r = RunChild("/usr/sbin/ip", args, {}, 10000);
    if (r.exitCode != 0)
        ADD_FAILURE() << "ip failed: " << r.err;
    return r.exitCode == 0;
}

// Two namespaces and the veth pair between them, removed again on every path.
struct Segment {
    std::string routerNs, pcNs;
    bool ok = false;

    explicit Segment(const std::string& suffix)
        : routerNs("qlwizR" + suffix), pcNs("qlwizP" + suffix) {
        const std::string vr = "qvR" + suffix, vp = "qvP" + suffix;
        ok = Ip({"netns", "add", routerNs}) && Ip({"netns", "add", pcNs}) &&
             Ip({"link", "add", vr, "type", "veth", "peer", "name", vp}) &&
             Ip({"link", "set", vr, "netns", routerNs}) && Ip({"link", "set", vp, "netns", pcNs}) &&
             Ip({"-n", routerNs, "link", "set", "lo", "up"}) &&
             Ip({"-n", routerNs, "link", "set", vr, "up"}) &&
             // The router has no address yet; its broadcasts still need a way out.
             Ip({"-n", routerNs, "route", "add", "default", "dev", vr}) &&
             Ip({"-n", pcNs, "link", "set", "lo", "up"}) &&
             Ip({"-n", pcNs, "addr", "add", "10.213.0.1/24", "dev", vp}) &&
             Ip({"-n", pcNs, "link", "set", vp, "up"}) &&
             Ip({"-n", pcNs, "route", "add", "default", "dev", vp});
        routerIf = vr;
    }
    ~Segment() {
        RunChild("/usr/sbin/ip", {"netns", "del", routerNs}, {}, 10000);
        RunChild("/usr/sbin/ip", {"netns", "del", pcNs}, {}, 10000);
    }
    std::string routerIf;
};

} // namespace

TEST(BatchNetns, NewRouterOnARealSegmentIsFoundThroughBootpAndConfigured) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to create network namespaces";
    if (::access("/usr/sbin/ip", X_OK) != 0)
        GTEST_SKIP() << "needs ip from iproute2";

    const std::string suffix = std::to_string(::getpid() % 100000);
    Segment segment(suffix);
    ASSERT_TRUE(segment.ok);

    // The fixture starts whatever QUILLET_SIM names: here the simulator inside the
    // router's namespace.
    const std::string simPath = SimProcess::BinaryPath();
    const std::string wrapper = WriteTempFile(
        "sim-in-netns", "#!/bin/sh\nexec /usr/sbin/ip netns exec " + segment.routerNs + " " +
                            simPath + " \"$@\"\n");
    ASSERT_EQ(::chmod(wrapper.c_str(), 0700), 0);
    ::setenv("QUILLET_SIM", wrapper.c_str(), 1);
    SimProcess sim;
    bool started = sim.Start("isp.address = 10.213.0.2\n",
                             {"--factory", "--listen", "router", "--port", "1643",
                              "--bootp-interface", segment.routerIf, "--bootp-target",
                              "255.255.255.255", "--time-scale", "0.01"},
                             false);
    ::unsetenv("QUILLET_SIM");
    ASSERT_TRUE(started) << sim.Error();
    ASSERT_TRUE(sim.WaitFor("bootp client port 68", 10000)) << sim.Log();

    const std::string settings = WriteTempFile("settings.conf",
                                               "AdminPassword=secret\n"
                                               "RouterAddress=10.213.0.2\n"
                                               "RouterNetmask=255.255.255.0\n"
                                               "SwitchType=National ISDN1\n"
                                               "SecurityOn=1\n"
                                               "HttpHost=10.213.0.10\n"
                                               "Channels=2\n"
                                               "PhoneNumber=5550100\n"
                                               "AccountName=office\n"
                                               "AccountPassword=pw\n");
    // The real ports and addresses: none of the hooks but the time scale.
    ChildResult r = RunChild("/usr/sbin/ip",
                             {"netns", "exec", segment.pcNs, QLWIZ_BATCH_PATH, settings},
                             {{"QLWIZ_TIME_SCALE", "0.01"}}, 120000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err << sim.Log();
    EXPECT_NE(r.err.find("no Quillet answered at 10.213.0.2"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.rfind("Waiting for Quillet to request address\nConnecting to Quillet\n", 0),
              0u)
        << r.out;
    EXPECT_NE(r.out.find("Congratulations - your Quillet is set up!!"), std::string::npos);
    EXPECT_TRUE(sim.WaitFor("address assigned 10.213.0.2", 1000));
    const std::string dump = sim.Dump();
    EXPECT_EQ(SimProcess::DumpValue(dump, "saved", "global.address"), "10.213.0.2");
    EXPECT_EQ(SimProcess::DumpValue(dump, "saved", "location.isp.dest"), "10.213.0.2");
}
