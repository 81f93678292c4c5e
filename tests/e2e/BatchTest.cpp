// qlwiz-batch against quillet-sim on loopback, end to end: exit status, the progress log
// on standard output, the diagnostics on standard error, and the router's configuration
// afterwards. The run's flows themselves are the run tests' business.
#include "batch/SettingsFile.h"
#include "run/ConfigSettings.h"
#include "run/RouterSnapshot.h"
#include "support/SimProcess.h"

#include "qlwiz_version.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char* const kSuccess = "Congratulations - your Quillet is set up!!\n\nLet's go Surfing!!\n";
const std::string kConfiguredLog =
    "Configuring Quillet\nSaving changes and restarting Quillet\nReconnecting to Quillet\nChecking ISDN "
    "connection\nEstablishing PPP connection\nTesting route\nSetup succeeded. Saving changes\n";

using Entries = std::vector<std::pair<std::string, std::string>>;

// A complete settings file; `changes` replace or add entries, a value of "\x7f" drops one.
std::string SettingsText(const std::string& address, const Entries& changes = {}) {
    Entries e = {{"AdminPassword", "secret"}, {"RouterAddress", address},   {"RouterNetmask", "255.0.0.0"},
                 {"SwitchType", "National ISDN1"}, {"Channel1Spid", "0101"}, {"Channel1DirNo", "5550001"},
                 {"Channel2Spid", "0202"},      {"Channel2DirNo", "5550002"}, {"SecurityOn", "1"},
                 {"HttpHost", "127.0.0.10"},     {"Channels", "2"},         {"PhoneNumber", "555-0100"},
                 {"ConnectionType", "1"},        {"AccountName", "office"}, {"AccountPassword", "surf"}};
    for (const auto& [key, value] : changes) {
        auto it = std::find_if(e.begin(), e.end(), [&](const auto& kv) { return kv.first == key; });
        if (it == e.end())
            e.emplace_back(key, value);
        else if (value == "\x7f")
            e.erase(it);
        else
            it->second = value;
    }
    std::string text = "# written by the end-to-end tests\n\n";
    for (const auto& [key, value] : e)
        text += key + "=" + value + "\r\n";
    return text;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// One simulated router and the environment qlwiz-batch needs to reach it.
class BatchTest : public testing::Test {
protected:
    SimProcess sim;
    std::string address;
    std::map<std::string, std::string> env = {{"QLWIZ_TIME_SCALE", "0.01"},
                                              {"QLWIZ_BOOTP_REPLY_ADDR", "127.0.0.1"},
                                              {"QLWIZ_ROUTE_TEST_PORT", std::to_string(FreeTcpPort())},
                                              {"QLWIZ_SUMMARY_FILE", WriteTempFile("QLWIZ.TXT", "")}};

    // An already configured router at 127.0.0.1 with the password "secret".
    void StartConfigured(const std::string& scenario = "") {
        address = "127.0.0.1";
        ASSERT_TRUE(sim.Start("password = secret\naddress = 127.0.0.1\nnetmask = 255.0.0.0\n" + scenario,
                              {"--time-scale", "0.01"})) << sim.Error();
        env["QLWIZ_MGMT_PORT"] = std::to_string(sim.Port());
    }

    ChildResult Batch(const std::string& settings, std::vector<std::string> args = {}) {
        args.push_back(WriteTempFile("settings.conf", settings));
        ChildResult r = RunChild(QLWIZ_BATCH_PATH, args, env, 60000);
        EXPECT_FALSE(r.timedOut) << "qlwiz-batch did not end; output:\n" << r.out;
        // The line naming the run's snapshot is kept apart from the log.
        const std::string named = "Snapshot of the Quillet's settings kept in ";
        const size_t at = r.out.find(named);
        snapshot = at == std::string::npos ? "" : r.out.substr(at + named.size(), r.out.find('\n', at) - at - named.size());
        if (at != std::string::npos)
            r.out.erase(at, r.out.find('\n', at) + 1 - at);
        return r;
    }
    std::string snapshot;  // the last run's

    std::string Saved(const std::string& key) { return SimProcess::DumpValue(sim.Dump(), "saved", key); }
};

TEST_F(BatchTest, NewRouterGetsItsAddressThroughBootpAndIsConfigured) {
    // A factory router asks for an address with BOOTP; it takes 127.0.0.2, then listens there.
    address = "127.0.0.2";
    const int mgmt = FreeTcpPort(), bootpServer = FreeUdpPort();
    ASSERT_TRUE(sim.Start("isp.address = 127.0.0.3\n",
                          {"--factory", "--listen", "router", "--port", std::to_string(mgmt), "--bootp-target",
                           "127.0.0.1", "--bootp-server-port", std::to_string(bootpServer), "--bootp-client-port",
                           "0", "--time-scale", "0.01"},
                          false)) << sim.Error();
    std::string clientPort;
    ASSERT_TRUE(sim.WaitFor("bootp client port ", 10000, &clientPort)) << sim.Log();
    env["QLWIZ_MGMT_PORT"] = std::to_string(mgmt);
    env["QLWIZ_BOOTP_SERVER_PORT"] = std::to_string(bootpServer);
    env["QLWIZ_BOOTP_CLIENT_PORT"] = clientPort;
    ChildResult r = Batch(SettingsText(address), {"--new"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "Waiting for Quillet to request address\nConnecting to Quillet\n" + kConfiguredLog + kSuccess);
    EXPECT_TRUE(sim.WaitFor("address assigned 127.0.0.2", 1000));
    const std::string dump = sim.Dump();
    const std::pair<std::string, std::string> saved[] = {
        {"global.address", "127.0.0.2"}, {"global.netmask", "255.0.0.0"},   {"global.password", "secret"},
        {"global.isdn", "ni-1"},          {"global.gateway", "127.0.0.3"},   {"port.S1.spid", "0101"},
        {"port.S1.directory", "5550001"}, {"port.S2.spid", "0202"},          {"port.S2.directory", "5550002"},
        {"port.S1.group", "2"},           {"port.S2.group", "2"},            {"location.isp.dest", "127.0.0.3"},
        {"location.isp.username", "office"}, {"location.isp.password", "surf"},
        {"location.isp.telephone", "5550100"}, {"location.isp.maxports", "2"}, {"location.isp.idle", "300"},
        {"location.isp.group", "2"},      {"location.isp.ifilter", "isp.in"}, {"location.isp.ofilter", "isp.out"},
        {"filter.isp.in.rules", "7 0 0"}, {"filter.isp.out.rules", "13 0 0"},
        {"filter.isp.in.ip.3", "permit 0.0.0.0/0 127.0.0.10/32 tcp dst eq 80"}};
    for (const auto& [key, value] : saved) {
        EXPECT_EQ(SimProcess::DumpValue(dump, "saved", key), value) << key;
    }
    // Routing off (0x41) and on demand (0x4) on top of PPP with compression.
    EXPECT_EQ(std::stoi(SimProcess::DumpValue(dump, "saved", "location.isp.flags"), nullptr, 16) & 0x47, 0x45);
    // The factory state's snapshot reads back as it was written.
    VLQLWizUIControl::RouterSnapshot kept;
    std::string error;
    ASSERT_TRUE(VLQLWizUIControl::RouterSnapshot::ReadFile(snapshot, kept, error)) << error;
    std::ifstream file(snapshot);
    EXPECT_EQ(kept.Text(), std::string(std::istreambuf_iterator<char>(file), {}));
}

TEST_F(BatchTest, ConfiguredRouterIsFoundByTheProbeAndItsSettingsReplaced) {
    StartConfigured("apply = add filter isp.in\napply = set filter isp.in 1 permit 0.0.0.0/0 127.0.0.50/32 tcp dst eq 21\n"
                    "apply = add location isp\napply = set isp username olduser\n");
    ChildResult r = Batch(SettingsText(address, {{"ConnectionType", "0"}, {"SecurityOn", "0"}}));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, kConfiguredLog + kSuccess);
    EXPECT_TRUE(Contains(r.err, "Quillet found at 127.0.0.1"));
    EXPECT_EQ(Saved("location.isp.username"), "office");
    EXPECT_EQ(Saved("location.isp.ifilter"), "");  // security off: the filters are taken off
    // Continuous: bit 0x2, not 0x4.
    EXPECT_EQ(std::stoi(Saved("location.isp.flags"), nullptr, 16) & 0x6, 0x2);
    sim.Stop();
    EXPECT_FALSE(Contains(sim.Log(), "BOOTP"));
    EXPECT_EQ(Count(sim.Log(), "login accepted"), 2);  // the probe's session went on; one after the reboot
    EXPECT_EQ(Count(sim.Log(), "refused:"), 0) << sim.Log();
    EXPECT_EQ(Count(sim.Log(), "applied: add location isp"), 0);
}

TEST_F(BatchTest, FailuresEndWithTheWizardsMessageAndTheirCauseOnStandardError) {
    const struct {
        std::string scenario;
        Entries changes;
        std::string lastLine, cause;  // the end of standard output, a part of standard error
    } cases[] = {
        {"", {{"AdminPassword", "wrong"}}, "Bad Password - press Retry to reenter.",
         "failed in state 2 \"Connecting to Quillet\", substep 2 \"BadPassword\": the Quillet did not accept the "
         "password (error 4: Request Denied)\n"},
        // One rule in the middle of a group is refused; the ones after it are taken.
        {"fault.refuse = set filter isp.in 2 \n", {}, "Creating Filters",
         "failed in state 3 \"Configuring Quillet\", substep 12 \"Setting Filter\": the Quillet refused a command, "
         "saying \"Command refused\"\n"},
        {"fault.refuse = save filter\n", {}, "Saving Filters",
         "failed in state 3 \"Configuring Quillet\", substep 13 \"Saving Filter\": the Quillet refused a command, "
         "saying \"Command refused\"\n"},
        // The probe takes about 16 frames; the configuration then meets a silent router.
        {"fault.silent_after = 24\n", {}, "", ": the Quillet stopped answering (socket error 10060: Connection timed out)\n"},
        // Nobody can correct the line IDs: Cancel goes on with one channel.
        {"isdn.2.register = no\n", {}, "Let's go Surfing!!", "answering Cancel to: Channel 2 did not register"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scenario);
        SimProcess fresh;
        ASSERT_TRUE(fresh.Start("password = secret\naddress = 127.0.0.1\nnetmask = 255.0.0.0\n" + c.scenario,
                                {"--time-scale", "0.01"})) << fresh.Error();
        env["QLWIZ_MGMT_PORT"] = std::to_string(fresh.Port());
        ChildResult r = Batch(SettingsText("127.0.0.1", c.changes));
        EXPECT_EQ(r.exitCode, c.lastLine == "Let's go Surfing!!" ? 0 : 1);
        EXPECT_TRUE(r.out.size() >= c.lastLine.size() + 1 &&
                    r.out.compare(r.out.size() - c.lastLine.size() - 1, std::string::npos, c.lastLine + "\n") == 0)
            << r.out;
        EXPECT_TRUE(Contains(r.err, c.cause)) << r.err;
        EXPECT_LT(r.elapsedMs, 20000);  // 30 s of silence at the test's scale, not for ever
    }
}

TEST_F(BatchTest, ProbeThatFindsNoRouterStartsOverWithBootp) {
    // A connect to 127.255.255.255 fails at once with "network unreachable", as an
    // unanswered address on a LAN fails; nothing asks for an address either.
    env["QLWIZ_MGMT_PORT"] = std::to_string(FreeTcpPort());
    env["QLWIZ_BOOTP_SERVER_PORT"] = std::to_string(FreeUdpPort());
    env["QLWIZ_BOOTP_CLIENT_PORT"] = std::to_string(FreeUdpPort());
    ChildResult r = Batch(SettingsText("127.255.255.255"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "no Quillet answered at 127.255.255.255")) << r.err;
    EXPECT_EQ(r.out, "Waiting for Quillet to request address\nThe Quillet is not responding on the Ethernet.  This "
                     "may be caused by the Quillet being powered off, or not being correctly connected to the "
                     "Ethernet.\n\nPress Help or F1 for more information on troubleshooting this condition.\n");
}

TEST(BatchSettings, EveryValueIsCheckedAsThePagesCheckIt) {
    const std::string addr = "Entry is an invalid IP address";
    const std::pair<Entries, std::string> cases[] = {
        {{}, ""},
        {{{"Colour", "blue"}}, "line 18: unknown key \"Colour\""},
        {{{"RouterAddress", "1."}}, "RouterAddress: " + addr},
        {{{"RouterAddress", "\x7f"}}, "RouterAddress: " + addr},
        {{{"RouterNetmask", "255.255.255.255"}}, "RouterNetmask: " + addr},
        {{{"Channel1Spid", "012345678901234567890"}}, "Channel1Spid: Value has too many digits: only 20 digits are allowed."},
        {{{"Channel2DirNo", "555 1234"}}, "Channel2DirNo: Entry can only have numbers"},
        {{{"DnsHost", "256.1.1.1"}}, "DnsHost: " + addr},
        {{{"Channels", "3"}}, "Channels: Value out of bounds: it must be between 1 and 2"},
        {{{"PhoneNumber2", "call me"}}, "PhoneNumber2: Not a valid telephone number."},
        {{{"SecurityOn", "yes"}}, "SecurityOn: Entry can only have numbers"},
        {{{"SecurityOn", ""}}, "SecurityOn: Entry can only have numbers"},
        {{{"ConnectionType", "2"}}, "ConnectionType: Value out of bounds: it must be between 0 and 1"},
        {{{"SwitchType", "national isdn1"}}, "SwitchType: not one of the switch types:"},
        {{{"AdminPassword", "a b"}, {"AccountPassword", "p=q"}, {"ConnectionType", "0"}}, ""},
    };
    for (const auto& [changes, error] : cases) {
        SettingsFile file;
        std::string message;
        EXPECT_EQ(file.Parse(SettingsText("127.0.0.1", changes), message), error.empty());
        EXPECT_EQ(message.substr(0, error.size()), error);
        ConfigSettings s;
        if (error.empty() && file.ApplyTo(s, message)) {
            EXPECT_EQ(s.AdminPassword() + s.AccountPassword() + std::to_string(s.ConnectionType()),
                      changes.empty() ? "secretsurf1" : "a bp=q0");
        }
    }
    SettingsFile file;
    std::string message;
    EXPECT_FALSE(file.Parse("RouterAddress\n", message));
    EXPECT_EQ(message, "line 1: not a Key=Value line: RouterAddress");
}

TEST(BatchUsage, BadUsageHelpAndVersion) {
    const std::string usage =
        "usage: qlwiz-batch [--new | --dry-run [--show-secrets]] SETTINGS_FILE\n"
        "       qlwiz-batch --restore SNAPSHOT_FILE [--password-file FILE]\n"
        "       qlwiz-batch --backup ADDRESS [--password-file FILE]\n"
        "       qlwiz-batch --diff SNAPSHOT_FILE [SNAPSHOT_FILE] [--show-secrets] [--password-file FILE]\n"
        "       qlwiz-batch --help | --version\n";
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string out, err;  // starts of them
    } cases[] = {
        {{}, 2, "", usage},                {{"--new"}, 2, "", usage},          {{"--bogus", "x"}, 2, "", usage},
        {{"a", "b"}, 2, "", usage},        {{"--help", "x"}, 2, "", usage},    {{"x", "--version"}, 2, "", usage},
        {{"--show-secrets", "x"}, 2, "", usage},    {{"--restore", "a", "--show-secrets"}, 2, "", usage},
        {{"--diff", "a", "b", "c"}, 2, "", usage},  {{"--backup", "--password-file"}, 2, "", usage},
        {{"x", "--password-file", "p"}, 2, "", usage},
        {{"--backup", "1.2.3.400"}, 2, "", "qlwiz-batch: 1.2.3.400: Entry is an invalid IP address\n"},
        {{"--diff", "s", "--password-file", "/nonexistent"}, 2, "", "qlwiz-batch: /nonexistent: cannot read the password\n"},
        {{"/nonexistent/s.conf"}, 2, "", "/nonexistent/s.conf: cannot read the settings file\n"},
        {{"/"}, 2, "", "/: cannot read the settings file\n"},
        {{"--version"}, 0, std::string("qlwiz-batch ") + QLWIZ_VERSION + "\n", ""},
        {{"--help"}, 0, usage + "\nConfigures a Quillet from a settings file", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "" : c.args[0]);
        ChildResult r = RunChild(QLWIZ_BATCH_PATH, c.args, {}, 10000);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out);
        EXPECT_EQ(r.err, c.err);
    }
    ChildResult help = RunChild(QLWIZ_BATCH_PATH, {"--help"}, {}, 10000);
    EXPECT_TRUE(Contains(help.out, "Key=Value") && Contains(help.out, "AccountPassword") &&
                Contains(help.out, "Exit status: 0 success, 1 the run failed") && Contains(help.out, "--dry-run") &&
                Contains(help.out, "--restore"));
}

} // namespace
