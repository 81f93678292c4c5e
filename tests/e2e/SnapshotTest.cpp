// Snapshots, previews and restores of qlwiz-batch against quillet-sim on loopback: what a
// dry run prints and leaves alone, the snapshot a run keeps, and putting a router back.
#include "run/RouterSnapshot.h"
#include "support/SimProcess.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr long kLimitMs = 60000;

std::string BatchPath() {
    const char* p = std::getenv("QLWIZ_BATCH");
    return p != nullptr ? p : QLWIZ_BATCH_PATH;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The command lines the simulator received, in order.
std::vector<std::string> Commands(const std::string& log) {
    std::vector<std::string> out;
    for (const std::string& line : Lines(log)) {
        const size_t at = line.find("<- COMMAND (");
        if (at != std::string::npos)
            out.push_back(line.substr(line.find(") ", at) + 2));
    }
    return out;
}

// The running and saved configuration of a dump, without the ports' call state.
std::string Configuration(const std::string& dump) { return dump.substr(0, dump.find("[state]")); }

// The same with the pairs the router cannot tell apart on the wire made equal: a gateway
// metric of 0 and 1, an IPX network "" and 0.
std::string Plain(const std::string& dump) {
    std::string out;
    for (std::string line : Lines(Configuration(dump))) {
        for (const char* key : {"gateway_metric = 0", "ipxgateway_hops = 0"})
            if (line.size() >= std::strlen(key) && line.compare(line.size() - std::strlen(key), std::string::npos, key) == 0)
                line.back() = '1';
        for (const char* unset : {"ipxnet = ", "ipxnet = 0.0.0.0"})
            if (line.size() >= std::strlen(unset) && line.compare(line.size() - std::strlen(unset), std::string::npos, unset) == 0)
                line = line.substr(0, line.size() - std::strlen(unset)) + "ipxnet = 0";
        out += line + "\n";
    }
    return out;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A router that has been in use: a gateway, an office location and a LAN filter; and no
// administration password yet, so the run installs one.
const char* const kOfficeRouter =
    "address = 127.0.0.1\nnetmask = 255.255.255.0\n"
    "apply = set gateway 10.0.0.254 2\n"
    "apply = add location office\napply = set office telephone 5551111\n"
    "apply = add filter lan.in\n"
    "apply = set filter lan.in 1 permit 0.0.0.0/0 10.0.0.5/32 tcp dst eq 80\n";

// The same router after an earlier run: an ISP location and its filter, which an undo
// must never take away.
const std::string kConfiguredRouter = std::string(kOfficeRouter) +
    "apply = add location isp\napply = set isp telephone 14085550100\n"
    "apply = set isp username office\napply = set isp password surf-the-web\n"
    "apply = add filter isp.in\napply = set filter isp.in 1 permit 0.0.0.0/0 10.0.0.5/32 tcp dst eq 25\n";

const char* const kSettings =
    "AdminPassword=newpw\nRouterAddress=127.0.0.1\nRouterNetmask=255.0.0.0\n"
    "SwitchType=National ISDN1\nChannel1Spid=0101\nChannel1DirNo=5550001\n"
    "Channel2Spid=0202\nChannel2DirNo=5550002\nSecurityOn=1\nFtpHost=127.0.0.5\n"
    "Channels=2\nPhoneNumber=555-0100\nConnectionType=1\nAccountName=office\n"
    "AccountPassword=surf\n";

class SnapshotTest : public testing::Test {
protected:
    std::unique_ptr<SimProcess> sim = std::make_unique<SimProcess>();
    std::map<std::string, std::string> env;
    std::string snapshotDir;
    std::string settingsFile;

    void SetUp() override {
        snapshotDir = WriteTempFile("unused", "");
        snapshotDir = snapshotDir.substr(0, snapshotDir.rfind('/')) + "/snapshots";
        settingsFile = WriteTempFile("settings.conf", kSettings);
        env = {{"QLWIZ_TIME_SCALE", "0.01"},
               {"QLWIZ_ROUTE_TEST_PORT", std::to_string(FreeTcpPort())},
               {"QLWIZ_SUMMARY_FILE", WriteTempFile("QLWIZ.TXT", "")},
               {"QLWIZ_SNAPSHOT_DIR", snapshotDir}};
    }

    void StartSim(const std::string& scenario) {
        sim = std::make_unique<SimProcess>();
        ASSERT_TRUE(sim->Start(scenario, {"--time-scale", "0.01", "--reboot-ms", "100"}))
            << sim->Error();
        env["QLWIZ_MGMT_PORT"] = std::to_string(sim->Port());
        // The simulator takes its dump signal only once it serves, which a connection it
        // has logged shows; a dump asked for earlier would end it.
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(sim->Port()));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ::close(fd);
        for (int i = 0; i < 1000 && !Contains(sim->Log(), "session closed"); ++i)
            ::usleep(10000);
        ASSERT_TRUE(Contains(sim->Log(), "session closed")) << sim->Log();
    }

    ChildResult Batch(const std::vector<std::string>& args) {
        ChildResult r = RunChild(BatchPath(), args, env, kLimitMs);
        EXPECT_FALSE(r.timedOut) << r.out << r.err;
        return r;
    }

    // The snapshot a run named on its progress log.
    static std::string NamedSnapshot(const std::string& out) {
        const std::string prefix = "Snapshot of the Quillet's settings kept in ";
        for (const std::string& line : Lines(out))
            if (line.rfind(prefix, 0) == 0)
                return line.substr(prefix.size());
        return "";
    }
};

} // namespace

// The tools around a run, each on the router as a person uses them: a backup and a diff
// (nothing changes), a dry run (nothing changes), the run, the diff that names what it
// changed, and the restore that puts it back.
TEST_F(SnapshotTest, BackupDryRunDiffAndRestoreAroundARun) {
    StartSim(kOfficeRouter);
    const std::string before = Configuration(sim->Dump());
    ChildResult backup = Batch({"--backup", "127.0.0.1"});
    ASSERT_EQ(backup.exitCode, 0) << backup.err;
    const std::string kept = backup.out.substr(0, backup.out.find('\n'));
    EXPECT_EQ(kept.rfind(snapshotDir + "/127.0.0.1-", 0), 0u) << backup.out;
    EXPECT_EQ(Batch({"--diff", kept}).exitCode, 0);

    ChildResult dry = Batch({"--dry-run", settingsFile});
    ASSERT_EQ(dry.exitCode, 0) << dry.out << dry.err;
    EXPECT_EQ(Configuration(sim->Dump()), before);
    EXPECT_TRUE(Commands(sim->Log()).empty()) << sim->Log();

    ChildResult run = Batch({settingsFile});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    // What the run sent begins with the preview, passwords masked, the saves and the
    // restart included; the dial step's lines follow.
    std::vector<std::string> preview = Lines(dry.out);
    ASSERT_FALSE(preview.empty());
    EXPECT_TRUE(Contains(preview[0], "# The Quillet would take these " + std::to_string(preview.size() - 1) +
                                         " command lines, save its settings and restart."))
        << preview[0];
    preview.erase(preview.begin());
    std::vector<std::string> sent = Commands(sim->Log());
    for (std::string& line : sent)
        for (const std::string secret : {" newpw", " surf"})
            if (line.size() > secret.size() && line.compare(line.size() - secret.size(), secret.size(), secret) == 0)
                line.replace(line.size() - secret.size() + 1, std::string::npos, "********");
    ASSERT_GT(sent.size(), preview.size()) << dry.out;
    EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + preview.size()), preview);

    // What the run changed, the password as changed only.
    env["QLWIZ_PASSWORD"] = "newpw";
    ChildResult diff = Batch({"--diff", kept});
    env.erase("QLWIZ_PASSWORD");
    EXPECT_EQ(diff.exitCode, 1);
    for (const char* line : {"Administration: administration password changed  [session.password]\n",
                             "ISP location \"isp\" added  [location.isp]\n",
                             "Filter \"isp.in\" added  [filter.isp.in]\n", "Filter \"isp.out\" added  [filter.isp.out]\n"})
        EXPECT_TRUE(Contains(diff.out, line)) << line << diff.out;
    EXPECT_FALSE(Contains(diff.out, "newpw")) << diff.out;
    EXPECT_EQ(Batch({"--diff", kept, kept}).exitCode, 0);

    const std::string snapshot = NamedSnapshot(run.out);
    ASSERT_EQ(snapshot.rfind(snapshotDir + "/127.0.0.1-", 0), 0u) << run.out;
    struct stat st{};
    ASSERT_EQ(::lstat(snapshot.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(Contains(ReadAll(snapshot), "holds passwords"));
    EXPECT_FALSE(Contains(run.err, "--restore")) << run.err;

    ChildResult restore = Batch({"--restore", snapshot});
    EXPECT_EQ(restore.exitCode, 0) << restore.out << restore.err;
    EXPECT_EQ(Lines(restore.out).size(), 6u) << restore.out;
    EXPECT_TRUE(Contains(restore.out, "The Quillet holds what the snapshot holds.\n"));
    EXPECT_TRUE(Contains(restore.err, "the password the run installed")) << restore.err;
    // Running and saved configuration as before the run: the "isp" location and the
    // filters the run added gone, ports, gateway and the empty password back.
    EXPECT_EQ(Configuration(sim->Dump()), before);

    // Asking mid and old firmware whether it takes CHAP per location means adding a
    // location: neither a backup nor a dry run asks, and the dry run says what it assumed
    // when no location told. What each firmware reports, and values a router may hold that
    // no run of ours puts there, read back from the backup as they were written.
    const char* const oddValues =
        "ports = C0:async S8:isdn S19:isdn W3:sync\n"
        "apply = set host 1 mailhost\napply = set loghost logs.example\n"
        "apply = set domain office example.com\napply = set S8 prompt $hostname says hi:\n"
        "apply = add location isp\napply = set isp telephone 1 408 555 0100&5550101\n"
        "apply = set isp password p@ss w0rd!\napply = set isp dest 255.255.255.255\n"
        "apply = add filter x\"y.in\napply = set filter x\"y.in 1 permit somehost 10.0.0.5/32 tcp\n";
    const struct {
        const char* name;
        std::string scenario;
        const char* assumed;  // in the dry run's first line; "" when nothing was assumed
    } routers[] = {
        {"mid firmware", std::string(kOfficeRouter) + "firmware = mid\n", "these lines assume it does."},
        {"old firmware", std::string(kOfficeRouter) + "firmware = old\n", "these lines assume it does not."},
        // A location with CHAP on tells without asking.
        {"mid firmware, CHAP", std::string(kOfficeRouter) + "firmware = mid\napply = set office chap on\n", ""},
        {"the demo router", ReadAll(QLWIZ_DEMO_SCENARIO), ""},
        {"a router's own values", oddValues, ""},
    };
    for (const auto& f : routers) {
        SCOPED_TRACE(f.name);
        StartSim(f.scenario);
        const std::string before = Configuration(sim->Dump());
        ChildResult backup = Batch({"--backup", "127.0.0.1"});
        ASSERT_EQ(backup.exitCode, 0) << backup.err;
        const std::string path = backup.out.substr(0, backup.out.find('\n'));
        VLQLWizUIControl::RouterSnapshot copy;
        std::string error;
        ASSERT_TRUE(VLQLWizUIControl::RouterSnapshot::ReadFile(path, copy, error)) << error;
        EXPECT_EQ(copy.Text(), ReadAll(path));
        EXPECT_TRUE(copy.tablesWhole);
        ChildResult dry = Batch({"--dry-run", "--show-secrets", settingsFile});
        ASSERT_EQ(dry.exitCode, 0) << dry.out << dry.err;
        EXPECT_TRUE(Commands(sim->Log()).empty()) << sim->Log();
        EXPECT_EQ(Configuration(sim->Dump()), before);
        const std::string first = Lines(dry.out)[0];
        EXPECT_EQ(Contains(first, "Not asked"), *f.assumed != '\0') << first;
        EXPECT_TRUE(Contains(first, f.assumed)) << first;
        EXPECT_TRUE(Contains(dry.out, "\nset password newpw\n")) << dry.out;
    }
}

TEST_F(SnapshotTest, RestoreSendsNothingItCannotTrust) {
    StartSim(kOfficeRouter);
    ChildResult run = Batch({settingsFile});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string valid = ReadAll(NamedSnapshot(run.out));
    ASSERT_FALSE(valid.empty());
    auto without = [&valid](const std::string& line) {
        std::string text = valid;
        const size_t at = text.find(line);
        return at == std::string::npos ? std::string("line not found: ") + line
                                       : text.erase(at, line.size());
    };
    // Every occurrence, so that a whole record can be renamed.
    auto replaced = [&valid](const std::string& from, const std::string& to) {
        std::string text = valid;
        size_t at = text.find(from);
        if (at == std::string::npos)
            return std::string("text not found: ") + from;
        for (; at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
        return text;
    };
    auto file = [](const std::string& text) { return WriteTempFile("bad.snapshot", text); };
    std::string filters;
    for (int i = 0; i < 80000; ++i)
        filters += "filter.f" + std::to_string(i) + ".rules = 0 0 0\n";
    const std::string fifo = WriteTempFile("fifo.snapshot", "");
    ASSERT_EQ(::unlink(fifo.c_str()), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        const char* name;
        std::string path;
    };
    const Case malformed[] = {
        {"another format", file(replaced("format = 2\n", "format = 3\n"))},
        {"no header", file(without(valid.substr(0, valid.find('\n') + 1)))},
        {"a field missing", file(without("global.telnet = 23\n"))},
        {"a number that is not one", file(replaced("global.telnet = 23", "global.telnet = 2x3"))},
        {"an unknown key", file(replaced("global.telnet = 23", "global.telnet = 23\nglobal.colour = red"))},
        {"a repeated key", file(replaced("global.telnet = 23", "global.telnet = 23\nglobal.telnet = 24"))},
        {"rules miscounted", file(replaced("filter.lan.in.rules = 1 0 0", "filter.lan.in.rules = 2 0 0"))},
        {"a text too long", file(replaced("location.office.telephone = 5551111",
                                          "location.office.telephone = " + std::string(40, '5')))},
        {"a bad escape", file(replaced("location.office.telephone = 5551111",
                                       "location.office.telephone = 555\\q"))},
        {"an escape without its hex digits", file(replaced("location.office.telephone = 5551111",
                                                           "location.office.telephone = 555\\xZZ1"))},
        {"a time that is none", file(replaced("\ntaken = 2", "\ntaken = 1999-12-31T23:61:00Z\n#2"))},
        // Once fatal to the reader, or slow: keys and files far beyond any router's.
        {"a 40,000-character filter name", file(valid + "filter." + std::string(40000, 'a') + ".rules = 0 0 0\n")},
        {"a long ether0 key", file(valid + "ether0." + std::string(40000, 'a') + " = 1\n")},
        {"a long location key", file(valid + "location." + std::string(40000, 'a') + ".dest = 1.2.3.4\n")},
        {"80,000 filters", file(valid + filters)},
        {"more records than a Quillet holds", file(valid + filters.substr(0, filters.find("filter.f10001.")))},
        {"over 1 MiB", file(valid + "#" + std::string(1 << 20, 'x') + "\n")},
        {"a FIFO", fifo},
        {"a file that is not there", snapshotDir + "/none.snapshot"},
        // A name or a value the router would take for something else.
        {"a location name with a blank", file(replaced("location.office.", "location.office x."))},
        {"a NUL in a password", file(replaced("session.password = \n", "session.password = ab\\x00cd\n"))},
        {"a line break in the time",
         file(replaced("\ntaken = ", "\ntaken = \\nThe Quillet holds what the snapshot holds.\\n"))},
        {"a netmask of three bytes", file(replaced("global.netmask = 255.255.255.0", "global.netmask = 255.0.0"))},
    };
    const size_t sessionsBefore = Lines(sim->Log()).size();
    for (const Case& c : malformed) {
        for (const char* command : {"--restore", "--diff"}) {
            SCOPED_TRACE(std::string(c.name) + " " + command);
            ChildResult r = Batch({command, c.path});
            EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
            EXPECT_EQ(r.out, "");
            EXPECT_LT(r.elapsedMs, 1000);
        }
    }
    // Not even a connection was made (the run's own may still be logged as closing).
    const std::vector<std::string> log = Lines(sim->Log());
    for (size_t i = sessionsBefore; i < log.size(); ++i)
        EXPECT_FALSE(Contains(log[i], " from 127.0.0.1:")) << log[i];

    // Format 1 still reads, without a word on its tables, which the restore takes as partial.
    const std::string format2 = "format 2\n", key2 = "format = 2\ntables = whole\n";
    std::string text = valid;
    text.replace(text.find(format2), format2.size(), "format 1\n");
    const std::string format1 = file(text.replace(text.find(key2), key2.size(), "format = 1\n"));
    VLQLWizUIControl::RouterSnapshot kept;
    std::string error;
    ASSERT_TRUE(VLQLWizUIControl::RouterSnapshot::ReadFile(format1, kept, error)) << error;
    EXPECT_FALSE(kept.tablesWhole);
    // A router whose password is neither the run's, nor the snapshot's, nor empty.
    StartSim(std::string(kOfficeRouter) + "password = other\n");
    const std::string before = Configuration(sim->Dump());
    ChildResult r = Batch({"--restore", format1});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Contains(r.out, "accepted none of the passwords")) << r.out;
    EXPECT_TRUE(Commands(sim->Log()).empty());
    EXPECT_EQ(Configuration(sim->Dump()), before);
}

TEST_F(SnapshotTest, SnapshotThatCannotBeWrittenStopsTheRunBeforeAnythingIsSent) {
    const std::string target = WriteTempFile("target", "");
    struct Case {
        const char* name;
        void (*prepare)(const std::string& dir, const std::string& target);
        const char* why;
        const char* inside = "";  // the snapshot folder, under the one prepared
        bool asRoot = false;      // only root can give a folder away
    };
    const Case cases[] = {
        // Links under every name the run could choose in the next minute, to a file of
        // the test's: the run must neither follow one nor choose another name.
        {"the name is a symbolic link",
         [](const std::string& dir, const std::string& target) {
             ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
             for (std::time_t t = std::time(nullptr) - 1, end = t + 60; t <= end; ++t) {
                 std::tm tm{};
                 gmtime_r(&t, &tm);
                 char name[64];
                 std::strftime(name, sizeof name, "/127.0.0.1-%Y%m%dT%H%M%SZ.snapshot", &tm);
                 ASSERT_EQ(::symlink(target.c_str(), (dir + name).c_str()), 0);
             }
         },
         "is a symbolic link"},
        {"the folder is a file",
         [](const std::string& dir, const std::string&) {
             std::ofstream(dir) << "not a folder";
         },
         "not a folder"},
        {"a folder above it is a file",
         [](const std::string& dir, const std::string&) { std::ofstream(dir) << "not a folder"; },
         "cannot create the folder", "/inner"},
        // Folders in which others could replace the file, as ssh refuses them for a key.
        {"the folder is writable by its group",
         [](const std::string& dir, const std::string&) {
             ASSERT_EQ(::mkdir(dir.c_str(), 0770), 0);
             ASSERT_EQ(::chmod(dir.c_str(), 0770), 0);  // past the umask
         },
         "writable by others"},
        {"a folder above it is writable by all",
         [](const std::string& dir, const std::string&) {
             ASSERT_EQ(::mkdir(dir.c_str(), 0777), 0);
             ASSERT_EQ(::chmod(dir.c_str(), 0777), 0);  // past the umask
         },
         "writable by others", "/inner"},
        {"the folder belongs to another user",
         [](const std::string& dir, const std::string&) {
             ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
             ASSERT_EQ(::chown(dir.c_str(), 4242, static_cast<gid_t>(-1)), 0);
         },
         "belongs to another user", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.asRoot && ::geteuid() != 0) {
            std::printf("skipped \"%s\": only root can give a folder to another user\n", c.name);
            continue;
        }
        snapshotDir += "x";
        env["QLWIZ_SNAPSHOT_DIR"] = snapshotDir + c.inside;
        c.prepare(snapshotDir, target);
        StartSim(kOfficeRouter);
        const std::string before = Configuration(sim->Dump());
        ChildResult r = Batch({settingsFile});
        EXPECT_EQ(r.exitCode, 1) << r.out;
        EXPECT_TRUE(Contains(r.out, "could not keep a snapshot")) << r.out;
        EXPECT_TRUE(Contains(r.out, c.why)) << r.out;
        EXPECT_FALSE(Contains(r.err, "--restore")) << r.err;
        EXPECT_TRUE(Commands(sim->Log()).empty()) << sim->Log();
        EXPECT_EQ(Configuration(sim->Dump()), before);
        EXPECT_EQ(ReadAll(target), "");
    }
}

// The undo on the bad day: the link breaks at a point of the run where it matters, the
// user runs the restore the run recommends, and the router ends as it was before the run,
// but for the pairs the wire cannot tell apart, or the restore says it failed. The check's
// connection is 1, the run's login with its new password 2, the run's session 3, the one
// after the restart 4, the restore's own 5 (it logs in with the run's new password).
TEST_F(SnapshotTest, UndoHoldsWhenTheLinkBreaks) {
    struct Case {
        const char* name;
        const char* fault;  // on connection `at` only
        int at;
        bool snapshot;      // the run kept one (it began writing)
        int restoreExit;
    } cases[] = {
        // Reads cut short: no snapshot of an empty router, nothing sent, nothing to undo.
        {"filter table cut short", "fault.drop_after_frames = 11", 3, false, -1},
        {"location table cut short", "fault.drop_after_frames = 12", 3, false, -1},
        {"silent in the location table", "fault.silent_after = 12", 3, false, -1},
        // The run stops in the middle of its writes or saves, or after the restart.
        {"dropped on the first save", "fault.drop_on = save address", 3, true, 0},
        {"dropped on saving the filters", "fault.drop_on = save filter", 3, true, 0},
        {"dropped on saving the locations", "fault.drop_on = save location", 3, true, 0},
        {"dropped on the dial", "fault.drop_on = dial", 4, true, 0},
        // The restore's own link breaks in its saves: it fails and says the router was not
        // restarted; a second restore then puts the router back.
        {"restore dropped in its saves", "isp.outcome = noanswer\nfault.drop_on = save filter", 5, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartSim(kConfiguredRouter + c.fault + "\nfault.from_connection = " + std::to_string(c.at) +
                 "\nfault.connections = " + std::to_string(c.at) + "\n");
        const std::string before = Plain(sim->Dump());
        ChildResult run = Batch({settingsFile});
        EXPECT_EQ(run.exitCode, 1) << run.out;
        const std::string snapshot = NamedSnapshot(run.out);
        EXPECT_EQ(!snapshot.empty(), c.snapshot) << run.out;
        EXPECT_EQ(Contains(run.err, "--restore"), c.snapshot) << run.err;
        if (!c.snapshot) {
            EXPECT_TRUE(Commands(sim->Log()).empty()) << sim->Log();
            EXPECT_EQ(Plain(sim->Dump()), before);
            continue;
        }
        ASSERT_NE(Plain(sim->Dump()), before);
        ChildResult restore = Batch({"--restore", snapshot});
        EXPECT_EQ(restore.exitCode, c.restoreExit) << restore.out;
        if (restore.exitCode != 0) {
            EXPECT_TRUE(Contains(restore.out, "It was not restarted")) << restore.out;
            EXPECT_NE(Plain(sim->Dump()), before);
            restore = Batch({"--restore", snapshot});
            EXPECT_EQ(restore.exitCode, 0) << restore.out;
        }
        EXPECT_TRUE(Contains(restore.out, "The Quillet holds what the snapshot holds.")) << restore.out;
        EXPECT_EQ(Plain(sim->Dump()), before);
    }
}

