// The simulator in-process, where no client test looks: its scenario parser and its
// configuration dump. Commands and records are exercised by every client test that talks to it.
#include "sim/RouterModel.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

sim::SimConfig Config(const std::string& scenario) {
    sim::SimConfig cfg;
    std::string err;
    EXPECT_TRUE(sim::ParseScenario(scenario, cfg, &err)) << err;
    return cfg;
}

void MustApply(sim::RouterModel& m, const std::string& line) {
    sim::CommandResult r = m.Apply(line, 0);
    ASSERT_TRUE(r.ok) << line << ": " << r.error;
}

} // namespace

TEST(RouterModel, ScenarioErrorsNameTheLineTheKeyAndWhatItTakes) {
    const std::pair<const char*, const char*> cases[] = {
        {"nonsense\n", "line 1: expected key = value"},
        {"# a comment\n\nfrobnicate = 1\n", "line 3: unknown key frobnicate"},
        {"firmware = ancient", "line 1: firmware: bad value \"ancient\" (new, mid or old)"},
        {"address = 300.1.1.1", "line 1: address: bad value \"300.1.1.1\" (a dotted IPv4 address)"},
        {"port = 65536", "line 1: port: bad value \"65536\" (0 to 65535)"},
        {"hwaddr = 02:51:4C:00:00:100",
         "line 1: hwaddr: bad value \"02:51:4C:00:00:100\" (six hexadecimal bytes joined by "
         "colons)"},
        {"ports = C0:async C0:isdn",
         "line 1: ports: bad value \"C0:async C0:isdn\" (1 to 16 distinct NAME:KIND items, KIND "
         "async, isdn, sync or parallel)"},
        {"isdn.9.spid = 1", "line 1: unknown key isdn.9.spid"},
        {"isdn.1.colour = red", "line 1: unknown key isdn.1.colour"},
        {"isdn.1.register = maybe", "line 1: isdn.1.register: bad value \"maybe\" (yes or no)"},
        {"isp.outcome = ok, fail:26",
         "line 1: isp.outcome: bad value \"ok, fail:26\" (a list of ok, busy, noanswer, "
         "notsubscribed, auth, rejected, hang, fail:REASON:CAUSE)"},
        {"isp.outcome =", "line 1: isp.outcome: bad value \"\" (at least one outcome)"},
        {"apply = ", "line 1: apply: bad value \"\" (a command line)"},
        {"fault.bad_frame = short",
         "line 1: fault.bad_frame: bad value \"short\" (truncated, negative or overlong)"},
        {"fault.sysmsg_port = 16",
         "line 1: fault.sysmsg_port: bad value \"16\" (a port index 0 to 15)"},
        {"time_scale = nan", "line 1: time_scale: bad value \"nan\" (a number from 0 to 1000)"},
    };
    for (const auto& [text, message] : cases) {
        sim::SimConfig cfg;
        std::string err;
        EXPECT_FALSE(sim::ParseScenario(text, cfg, &err)) << text;
        EXPECT_EQ(err, message);
    }
    // and a good one: keys with several values, and an apply line keeps its trailing blank
    sim::SimConfig cfg = Config("isdn.2.spid = 0202 \r\nisp.outcome = busy, ok\n"
                                "apply = add location isp\napply = set isp script all \n");
    EXPECT_EQ(cfg.lines[2].spid, "0202");
    EXPECT_EQ(cfg.outcomes.size(), 2u);
    EXPECT_EQ(cfg.apply, (std::vector<std::string>{"add location isp", "set isp script all "}));
}

// A key added to the table and left out of the manual page is a key nobody finds.
TEST(RouterModel, TheManualPageNamesEveryScenarioKey) {
    std::ifstream in(QLWIZ_SIM_MANUAL);
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(page.empty());
    for (const sim::ScenarioKey& key : sim::ScenarioKeys()) {
        std::string shown = "*" + key.name + " =*";
        if (key.name.rfind("isdn.N.", 0) == 0)
            shown = "*isdn.*_N_*." + key.name.substr(7) + " =*";
        EXPECT_NE(page.find(shown), std::string::npos) << shown;
    }
}

// Whatever a client can set shows in the dump, so two equal dumps are two routers no client can
// tell apart: each command below, applied in turn, changes the dump.
TEST(RouterModel, DumpShowsEverySettingAClientCanChange) {
    const char* const commands[] = {
        "set address 10.1.2.3", "set netmask 255.255.0.0", "set host 1 10.0.0.4",
        "set host 4 h4", "set gateway 10.0.0.1", "set gateway 10.0.0.1 3", "set ypserver nis1",
        "set domain a b", "set broadcast high", "set telnet 2323", "set loghost l1",
        "set assigned 10.0.0.8", "set ifilter in1", "set ofilter out1", "set ipxnet 0000ABCD",
        "set ipxframe ethernet_ii", "set ipxgateway 00000001 2", "set ipxgateway 00000001 3",
        "set isdn dms-100", "set password n3w pass", "set pap off", "set ether0 address 10.9.9.9",
        "set ether1 address 172.16.0.1", "set ether1 netmask 255.0.0.0", "set ether1 down",
        "set ether1 ifilter a", "set ether1 ofilter b", "set ether1 ipxnet 1",
        "set ether1 ipxframe ethernet_802.3",
        // ports and ISDN
        "set C0 device printer", "set C0 login slip dialin", "set C0 host 3 10.0.0.6",
        "set C0 speed 2 115200", "set C0 databits 7", "set C0 parity even", "set C0 stopbits 2",
        "set C0 xon off", "set C0 cd on", "set C0 override parity on", "set C0 term vt220",
        "set C0 prompt $hostname> ", "set C0 username op", "set C0 message Hi there",
        "set C0 service_login telnet 2323", "set C0 service_device rlogin 513",
        "set S1 destination 10.0.0.2 255.255.255.255", "set S1 group 22", "set S1 mtu 1400",
        "set S1 map 0xa", "set S2 group 2", "set S1 ifilter i", "set S1 ofilter o", "set S1 ipxnet 2",
        "set S1 idletime 200 seconds", "set S1 address 10.0.0.9", "set W3 lmi 5",
        "set S1 spid 01234567890123456789", "set S2 directory 5551234567890123",
        // locations
        "add location isp", "set isp dest 10.20.0.1", "set isp netmask 255.255.0.0",
        "set isp group 2", "set isp rout off", "set isp chap on", "set isp idle 300 seconds",
        "set isp maxports 2", "set isp high_water 5", "set isp mtu 1492", "set isp map 0xff",
        "set isp ifilter f", "set isp ofilter g", "set isp ipxnet 3", "set isp script all ATZ",
        "set isp v25bis all CRN1", "set isp telephone 555&556", "set isp telephone 555&557",
        "set isp username office", "set isp password surf", "add location other",
        // filters: the second rule of each pair reads back as the same text, not the same bits
        "add filter f", "set filter f 1 permit tcp src lt 7",
        "set filter f 1 permit tcp src gt 7 src lt 7",
        "set ipxfilter f 1 permit srcsocket lt 0451 dstsocket lt 0452",
        "set ipxfilter f 1 permit srcsocket lt 0451 dstsocket gt 0452",
        "set sapfilter f 1 permit service 4", "set filter f blank", "delete filter f",
        // saving and the lines' state
        "save all", "set debug 0x10", "dial isp -x", "delete location isp",
    };
    sim::RouterModel m(Config("isdn.register_ms = 0\nisp.connect_ms = 100000\n"));
    m.Boot(0);
    for (const char* line : commands) {
        const std::string before = m.Dump();
        MustApply(m, line);
        EXPECT_TRUE(m.Dump() != before) << line;
    }

    // a line break in a client's text stays inside its value
    MustApply(m, "set password x\n[saved]\nglobal.address = 6.6.6.6");
    EXPECT_NE(m.Dump().find("\nglobal.password = x\\x0A[saved]\\x0Aglobal.address = 6.6.6.6\n"),
              std::string::npos);

    // the order of the commands does not show
    sim::RouterModel a(Config("")), b(Config(""));
    for (const char* line : {"add location b", "add location a", "add filter y", "add filter x"})
        MustApply(a, line);
    for (const char* line : {"add filter x", "add location a", "add filter y", "add location b"})
        MustApply(b, line);
    EXPECT_EQ(a.Dump(), b.Dump());
}
