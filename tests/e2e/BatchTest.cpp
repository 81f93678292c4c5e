// qlwiz-batch against quillet-sim on loopback, end to end: exit status, the progress
// log, and the simulator's configuration afterwards.
#include "ChildProcess.h"
#include "sim/SimProcess.h"

#include "qlwiz_version.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const kSuccess = "Congratulations - your Quillet is set up!!\n\nLet's go Surfing!!\n";
constexpr long kBatchLimitMs = 60000;

std::string BatchPath() {
    if (const char* p = std::getenv("QLWIZ_BATCH"))
        return p;
    return QLWIZ_BATCH_PATH;
}

using Entries = std::vector<std::pair<std::string, std::string>>;

// A complete settings file; `changes` replace or add entries, a value of "\x7f" drops one.
std::string SettingsText(const std::string& address, const Entries& changes = {}) {
    Entries e = {
        {"AdminPassword", "secret"},    {"RouterAddress", address},
        {"RouterNetmask", "255.0.0.0"}, {"SwitchType", "National ISDN1"},
        {"Channel1Spid", "0101"},       {"Channel1DirNo", "5550001"},
        {"Channel2Spid", "0202"},       {"Channel2DirNo", "5550002"},
        {"SecurityOn", "1"},            {"FtpHost", ""},
        {"HttpHost", "127.0.0.10"},     {"SmtpHost", ""},
        {"DnsHost", ""},                {"Channels", "2"},
        {"PhoneNumber", "555-0100"},    {"PhoneNumber2", ""},
        {"ConnectionType", "1"},        {"AccountName", "office"},
        {"AccountPassword", "surf"},
    };
    for (const auto& [key, value] : changes) {
        bool found = false;
        for (auto it = e.begin(); it != e.end(); ++it)
            if (it->first == key) {
                found = true;
                if (value == "\x7f")
                    e.erase(it);
                else
                    it->second = value;
                break;
            }
        if (!found)
            e.emplace_back(key, value);
    }
    std::string text = "# written by the end-to-end tests\n\n";
    for (const auto& [key, value] : e)
        text += key + "=" + value + "\n";
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos)
            nl = text.size();
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const std::vector<std::string> kConfiguredLog = {
    "Configuring Quillet",         "Saving changes and restarting Quillet",
    "Reconnecting to Quillet",     "Checking ISDN connection",
    "Establishing PPP connection", "Testing route",
    "Setup succeeded. Saving changes",
};

// One simulated router and the environment qlwiz-batch needs to reach it.
class BatchTest : public testing::Test {
protected:
    std::unique_ptr<SimProcess> simHolder = std::make_unique<SimProcess>();
    SimProcess& sim() { return *simHolder; }
    std::string address;
    std::map<std::string, std::string> env;
    std::string summaryFile;

    void SetUp() override {
        summaryFile = WriteTempFile("QLWIZ.TXT", "");
        env = {
            {"QLWIZ_TIME_SCALE", "0.01"},
            {"QLWIZ_BOOTP_REPLY_ADDR", "127.0.0.1"},
            {"QLWIZ_ROUTE_TEST_PORT", std::to_string(FreeTcpPort())},
            {"QLWIZ_SUMMARY_FILE", summaryFile},
        };
    }

    // An already configured router at 127.0.0.1 with the password "secret".
    void StartConfigured(const std::string& scenario = "",
                         std::vector<std::string> args = {}) {
        address = "127.0.0.1";
        args.insert(args.end(), {"--time-scale", "0.01"});
        ASSERT_TRUE(sim().Start("password = secret\naddress = 127.0.0.1\nnetmask = 255.0.0.0\n" +
                                  scenario,
                              args))
            << sim().Error();
        env["QLWIZ_MGMT_PORT"] = std::to_string(sim().Port());
    }

    // A router in its factory state that asks for an address with BOOTP; it takes
    // 127.0.0.2 and then listens there.
    void StartFactory(const std::string& scenario = "") {
        address = "127.0.0.2";
        const int mgmt = FreeTcpPort();
        const int bootpServer = FreeUdpPort();
        ASSERT_TRUE(sim().Start(scenario,
                              {"--factory", "--listen", "router", "--port", std::to_string(mgmt),
                               "--bootp-target", "127.0.0.1", "--bootp-server-port",
                               std::to_string(bootpServer), "--bootp-client-port", "0",
                               "--time-scale", "0.01"},
                              false))
            << sim().Error();
        std::string clientPort;
        ASSERT_TRUE(sim().WaitFor("bootp client port ", 10000, &clientPort)) << sim().Log();
        env["QLWIZ_MGMT_PORT"] = std::to_string(mgmt);
        env["QLWIZ_BOOTP_SERVER_PORT"] = std::to_string(bootpServer);
        env["QLWIZ_BOOTP_CLIENT_PORT"] = clientPort;
    }

    ChildResult Batch(const std::string& settings, bool isNew = false) {
        std::string file = WriteTempFile("settings.conf", settings);
        std::vector<std::string> args;
        if (isNew)
            args.push_back("--new");
        args.push_back(file);
        ChildResult r = RunChild(BatchPath(), args, env, kBatchLimitMs);
        EXPECT_FALSE(r.timedOut) << "qlwiz-batch did not end; output:\n" << r.out;
        return r;
    }

    std::string Saved(const std::string& key) {
        if (dump_.empty())
            dump_ = sim().Dump();
        return SimProcess::DumpValue(dump_, "saved", key);
    }

    int Count(const std::string& text) {
        const std::string log = sim().Log();
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++n;
        return n;
    }

    // A fresh simulator for the next case of a table.
    void NewSim() {
        simHolder = std::make_unique<SimProcess>();
        dump_.clear();
    }

private:
    std::string dump_;
};

} // namespace

TEST_F(BatchTest, NewRouterGetsItsAddressThroughBootpAndIsConfigured) {
    StartFactory("isp.address = 127.0.0.3\n");
    ChildResult r = Batch(SettingsText(address), true);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    std::vector<std::string> expected = {"Waiting for Quillet to request address",
                                         "Connecting to Quillet"};
    expected.insert(expected.end(), kConfiguredLog.begin(), kConfiguredLog.end());
    expected.insert(expected.end(), {"Congratulations - your Quillet is set up!!", "",
                                     "Let's go Surfing!!"});
    EXPECT_EQ(Lines(r.out), expected);
    EXPECT_TRUE(sim().WaitFor("address assigned 127.0.0.2", 1000));

    EXPECT_EQ(Saved("global.address"), "127.0.0.2");
    EXPECT_EQ(Saved("global.netmask"), "255.0.0.0");
    EXPECT_EQ(Saved("global.password"), "secret");
    EXPECT_EQ(Saved("global.isdn"), "ni-1");
    EXPECT_EQ(Saved("global.gateway"), "127.0.0.3");
    EXPECT_EQ(Saved("port.S1.spid"), "0101");
    EXPECT_EQ(Saved("port.S1.directory"), "5550001");
    EXPECT_EQ(Saved("port.S2.spid"), "0202");
    EXPECT_EQ(Saved("port.S2.directory"), "5550002");
    EXPECT_EQ(Saved("port.S1.group"), "2");
    EXPECT_EQ(Saved("port.S2.group"), "2");
    EXPECT_EQ(Saved("location.isp.dest"), "127.0.0.3");
    EXPECT_EQ(Saved("location.isp.username"), "office");
    EXPECT_EQ(Saved("location.isp.password"), "surf");
    EXPECT_EQ(Saved("location.isp.telephone"), "5550100");
    EXPECT_EQ(Saved("location.isp.maxports"), "2");
    EXPECT_EQ(Saved("location.isp.idle"), "300");
    EXPECT_EQ(Saved("location.isp.group"), "2");
    EXPECT_EQ(Saved("location.isp.ifilter"), "isp.in");
    EXPECT_EQ(Saved("location.isp.ofilter"), "isp.out");
    // Routing off (0x41) and on demand (0x4) on top of PPP with compression.
    EXPECT_EQ(std::stoi(Saved("location.isp.flags"), nullptr, 16) & 0x47, 0x45);
    EXPECT_EQ(Saved("filter.isp.in.rules"), "7 0 0");
    EXPECT_EQ(Saved("filter.isp.out.rules"), "13 0 0");
}

TEST_F(BatchTest, ConfiguredRouterIsFoundByTheProbeWithoutBootp) {
    StartConfigured();
    ChildResult r = Batch(SettingsText(address, {{"ConnectionType", "0"}}));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    std::vector<std::string> expected = kConfiguredLog;
    expected.insert(expected.end(), {"Congratulations - your Quillet is set up!!", "",
                                     "Let's go Surfing!!"});
    EXPECT_EQ(Lines(r.out), expected);
    EXPECT_TRUE(Contains(r.err, "Quillet found at 127.0.0.1"));
    EXPECT_FALSE(Contains(sim().Log(), "BOOTP"));
    // Continuous: bit 0x2, not 0x4.
    EXPECT_EQ(std::stoi(Saved("location.isp.flags"), nullptr, 16) & 0x6, 0x2);
    // The probe's session went on into the configuration: one login before the reboot.
    EXPECT_EQ(Count("login accepted"), 2);
}

TEST_F(BatchTest, ProbeThatFindsNoRouterStartsOverWithBootp) {
    // A connect to 127.255.255.255 fails at once with "network unreachable", as an
    // unanswered address on a LAN fails: no router there. Nothing asks for an address
    // either, so the responder's wait runs out.
    env["QLWIZ_MGMT_PORT"] = std::to_string(FreeTcpPort());
    env["QLWIZ_BOOTP_SERVER_PORT"] = std::to_string(FreeUdpPort());
    env["QLWIZ_BOOTP_CLIENT_PORT"] = std::to_string(FreeUdpPort());
    ChildResult r = Batch(SettingsText("127.255.255.255"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "no Quillet answered at 127.255.255.255")) << r.err;
    EXPECT_EQ(r.out,
              "Waiting for Quillet to request address\n"
              "The Quillet is not responding on the Ethernet.  This may be caused by the "
              "Quillet being powered off, or not being correctly connected to the Ethernet.\n\n"
              "Press Help or F1 for more information on troubleshooting this condition.\n");
}

TEST_F(BatchTest, SecurityOffSendsNoFilters) {
    StartConfigured();
    ChildResult r = Batch(SettingsText(address, {{"SecurityOn", "0"}}));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_FALSE(Contains(sim().Log(), "filter isp."));
    EXPECT_EQ(Saved("filter.isp.in.rules"), "");
    EXPECT_EQ(Saved("location.isp.ifilter"), "");
    EXPECT_EQ(Saved("location.isp.ofilter"), "");
}

TEST_F(BatchTest, AllHostsPublishedGiveTenInputRules) {
    StartConfigured();
    ChildResult r = Batch(SettingsText(address, {{"FtpHost", "127.0.0.11"},
                                                 {"HttpHost", "127.0.0.12"},
                                                 {"SmtpHost", "127.0.0.13"},
                                                 {"DnsHost", "127.0.0.14"}}));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(Saved("filter.isp.in.rules"), "10 0 0");
    EXPECT_EQ(Saved("filter.isp.out.rules"), "14 0 0");
    EXPECT_EQ(Saved("filter.isp.in.ip.3"), "permit 0.0.0.0/0 127.0.0.11/32 tcp dst eq 21");
    EXPECT_EQ(Saved("filter.isp.in.ip.8"), "permit 0.0.0.0/0 127.0.0.14/8 tcp dst eq 53");
}

TEST_F(BatchTest, ExistingLocationAndFiltersAreReplacedNotAddedAgain) {
    StartConfigured(
        "apply = add filter isp.in\n"
        "apply = set filter isp.in 1 permit 0.0.0.0/0 127.0.0.50/32 tcp dst eq 21\n"
        "apply = add filter isp.out\n"
        "apply = set filter isp.out 1 permit icmp\n"
        "apply = add location isp\n"
        "apply = set isp username olduser\n"
        "apply = set isp telephone 5559999\n");
    ChildResult r = Batch(SettingsText(address));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(Count("refused:"), 0) << sim().Log();
    EXPECT_EQ(Count("applied: add location isp"), 0);
    EXPECT_EQ(Count("applied: add filter"), 0);
    EXPECT_EQ(Saved("location.isp.username"), "office");
    EXPECT_EQ(Saved("location.isp.telephone"), "5550100");
    EXPECT_EQ(Saved("filter.isp.in.rules"), "7 0 0");
    EXPECT_EQ(Saved("filter.isp.in.ip.3"), "permit 0.0.0.0/0 127.0.0.10/32 tcp dst eq 80");
    EXPECT_EQ(Saved("filter.isp.out.rules"), "13 0 0");
}

TEST_F(BatchTest, RouterRefusingThePasswordButTakingNoneIsConfigured) {
    StartConfigured("password =\n");
    ChildResult r = Batch(SettingsText(address));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(Saved("global.password"), "secret");
    EXPECT_GE(Count("login refused"), 1);
}

TEST_F(BatchTest, WrongPasswordEndsWithTheBadPasswordMessage) {
    StartConfigured();
    ChildResult r = Batch(SettingsText(address, {{"AdminPassword", "wrong"}}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Bad Password - press Retry to reenter.\n");
    EXPECT_EQ(Count("applied:"), 0);
}

TEST_F(BatchTest, SecondAdministrativeConnectionIsReportedAsSuch) {
    StartConfigured();
    // Another client holds the router's one administrative connection.
    int other = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(sim().Port()));
    ASSERT_EQ(::connect(other, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    // The router took it once its log says so; only then is its port closed to others.
    for (int i = 0; i < 500 && !Contains(sim().Log(), "session 1 from"); ++i)
        ::poll(nullptr, 0, 10);
    ASSERT_TRUE(Contains(sim().Log(), "session 1 from"));
    ChildResult r = Batch(SettingsText(address));
    ::close(other);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out,
              "The connection to your Quillet was refused.  This is because there is another "
              "administrative connection to it - probably another copy of the Wizard or the "
              "Tolvane DErazaruz application.\n");
}

TEST_F(BatchTest, ChannelTwoThatNeverRegistersLeavesOneChannel) {
    StartConfigured("isdn.2.register = no\n");
    ChildResult r = Batch(SettingsText(address));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    // Nobody can correct the line IDs: the question is answered Cancel, which goes on.
    EXPECT_TRUE(Contains(r.err, "answering Cancel to: Channel 2 did not register")) << r.err;
    // The step's line again, then dialling on channel 1 without going back to a page.
    EXPECT_TRUE(Contains(r.out, "Checking ISDN connection\nChecking ISDN connection\n"
                                "Establishing PPP connection\nTesting route\n"))
        << r.out;
    EXPECT_TRUE(Contains(r.out, kSuccess));
    EXPECT_EQ(Count("applied: dial isp"), 1);
}

TEST_F(BatchTest, DialFailuresEndWithTheirMessages) {
    struct Case {
        const char* scenario;
        int exitCode;
        const char* finalText;  // start of the last message
        int dials;
        bool chapOff;           // the redial went out with CHAP off
    };
    const Case cases[] = {
        {"isp.outcome = busy\n", 1, "The number you tried to dial was busy.", 2, true},
        {"isp.outcome = noanswer\n", 1, "There was no answer to the phone number", 1, false},
        {"isp.outcome = rejected\n", 1, "The ISP rejected your attempt to connect.", 2, true},
        {"isp.outcome = auth\n", 1, "The Quillet failed to authenticate with your ISP.", 2, true},
        {"isp.outcome = auth\nisp.auth_only_with_chap = yes\n", 0,
         "Congratulations - your Quillet is set up!!", 2, true},
        {"isp.outcome = notsubscribed\n", 1,
         "Your ISDN channels did not correctly register", 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        NewSim();
        StartConfigured(c.scenario);
        ChildResult r = Batch(SettingsText(address));
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out;
        std::vector<std::string> lines = Lines(r.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(Contains(r.out, std::string("\n") + c.finalText)) << r.out;
        EXPECT_EQ(Count("applied: dial isp"), c.dials);
        EXPECT_EQ(Count("applied: set isp chap off") > 0, c.chapOff);
    }
}

TEST_F(BatchTest, RemoteAddressZeroLeavesGatewayAndDestination) {
    StartConfigured("isp.address = 0.0.0.0\napply = set gateway 127.0.0.77\n");
    ChildResult r = Batch(SettingsText(address));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(Saved("global.gateway"), "127.0.0.77");
    EXPECT_EQ(Saved("location.isp.dest"), "255.255.255.255");
}

TEST_F(BatchTest, OldFirmwareAndALargerPortTableAreConfigured) {
    const char* scenarios[] = {
        "firmware = old\n",
        "ports = C0:async S1:isdn S2:isdn W3:sync C4:async C5:async W6:sync P7:parallel\n",
    };
    for (const char* scenario : scenarios) {
        SCOPED_TRACE(scenario);
        NewSim();
        StartConfigured(scenario);
        ChildResult r = Batch(SettingsText(address));
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_TRUE(Contains(r.out, kSuccess));
    }
    EXPECT_TRUE(Contains(sim().Log(), "applied: set S1 spid 0101"));
    EXPECT_TRUE(Contains(sim().Log(), "applied: set S2 spid 0202"));
}

TEST_F(BatchTest, RefusedCommandIsNamedOnStandardError) {
    // One rule in the middle of the group is refused; the ones after it are taken.
    StartConfigured("fault.refuse = set filter isp.in 2 \n");
    ChildResult r = Batch(SettingsText(address));
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_EQ(Lines(r.out).back(), "Creating Filters");
    EXPECT_TRUE(Contains(r.err, "failed in state 3 \"Configuring Quillet\", substep 12 \"Setting "
                                "Filter\": the router refused: Command refused\n"))
        << r.err;
}

TEST_F(BatchTest, RouterFallingSilentIsReportedWithoutHanging) {
    // The probe takes about 16 frames; the configuration then meets a silent router.
    StartConfigured("fault.silent_after = 24\n");
    ChildResult r = Batch(SettingsText(address));
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Contains(r.err, "failed in state 3 \"Configuring Quillet\", substep "));
    EXPECT_TRUE(Contains(r.err, "\": socket error 10060 (Connection timed out)\n")) << r.err;
    // The failed step's line is logged a second time, then the substep's name is shown.
    EXPECT_EQ(r.out.rfind("Configuring Quillet\nConfiguring Quillet\n", 0), 0u) << r.out;
    const std::vector<std::string> lines = Lines(r.out);
    const std::vector<std::string> substeps = {
        "Setting Global Configuration", "Saving Global Configuration",
        "Setting ISDN Port Configuration", "Saving ISDN Port Configuration",
        "Creating ISP Location", "Saving ISP Location", "Creating Filters", "Saving Filters"};
    EXPECT_NE(std::find(substeps.begin(), substeps.end(), lines.back()), substeps.end())
        << r.out;
    // 30 s of silence at the test's time scale, not for ever.
    EXPECT_LT(r.elapsedMs, 20000);
}

TEST(BatchSettings, BadSettingsAreRefusedBeforeAnythingIsContacted) {
    // A listener on the management port shows whether anybody tried to connect.
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len), 0);
    const std::map<std::string, std::string> env = {
        {"QLWIZ_MGMT_PORT", std::to_string(ntohs(a.sin_port))}, {"QLWIZ_TIME_SCALE", "0.01"}};

    struct Case {
        Entries changes;
        std::string error;  // the start of standard error
    };
    const std::string addr = "Entry is an invalid IP address";
    const Case cases[] = {
        {{{"Colour", "blue"}}, "unknown key \"Colour\""},
        {{{"RouterAddress", "1."}}, "RouterAddress: " + addr},
        {{{"RouterAddress", "\x7f"}}, "RouterAddress: " + addr},
        {{{"RouterNetmask", "255.255.255.255"}}, "RouterNetmask: " + addr},
        {{{"Channel1Spid", "012345678901234567890"}},
         "Channel1Spid: Value has too many digits: only 20 digits are allowed."},
        {{{"Channel2Spid", "12a"}}, "Channel2Spid: Entry can only have numbers"},
        {{{"Channel1DirNo", "01234567890123456"}},
         "Channel1DirNo: Value has too many digits: only 16 digits are allowed."},
        {{{"Channel2DirNo", "555 1234"}}, "Channel2DirNo: Entry can only have numbers"},
        {{{"FtpHost", "ftp.example"}}, "FtpHost: " + addr},
        {{{"HttpHost", "1."}}, "HttpHost: " + addr},
        {{{"SmtpHost", "x"}}, "SmtpHost: " + addr},
        {{{"DnsHost", "256.1.1.1"}}, "DnsHost: " + addr},
        {{{"Channels", "3"}}, "Channels: Value out of bounds: it must be between 1 and 2"},
        {{{"Channels", "two"}}, "Channels: Entry can only have numbers"},
        {{{"PhoneNumber", "--"}}, "PhoneNumber: Not a valid telephone number."},
        {{{"PhoneNumber2", "call me"}}, "PhoneNumber2: Not a valid telephone number."},
        {{{"SecurityOn", "yes"}}, "SecurityOn: Entry can only have numbers"},
        {{{"ConnectionType", "2"}},
         "ConnectionType: Value out of bounds: it must be between 0 and 1"},
        {{{"SwitchType", "national isdn1"}}, "SwitchType: not one of the switch types"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        std::string file = WriteTempFile("bad.conf", SettingsText("127.0.0.1", c.changes));
        ChildResult r = RunChild(BatchPath(), {file}, env, kBatchLimitMs);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(Contains(r.err, c.error)) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"--new"}, {"/nonexistent/settings.conf"},
                                               {"--bogus", "x"}, {"a", "b"}, {"/"},
                                               {"--help", "x"}, {"x", "--version"}}) {
        ChildResult r = RunChild(BatchPath(), args, env, kBatchLimitMs);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_EQ(r.out, "");
    }
    // Help and version go to standard output and are no failure.
    ChildResult help = RunChild(BatchPath(), {"--help"}, env, kBatchLimitMs);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: qlwiz-batch [--new] SETTINGS_FILE", 0), 0u) << help.out;
    EXPECT_TRUE(Contains(help.out, "Key=Value") && Contains(help.out, "AccountPassword") &&
                Contains(help.out, "Exit status: 0 success, 1 the run failed, 2 bad usage"));
    ChildResult version = RunChild(BatchPath(), {"--version"}, env, kBatchLimitMs);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("qlwiz-batch ") + QLWIZ_VERSION + "\n");
    EXPECT_EQ(help.err + version.err, "");
    pollfd p{listener, POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 0) << "qlwiz-batch connected to the router";
    ::close(listener);
}
