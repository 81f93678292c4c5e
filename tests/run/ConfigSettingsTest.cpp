#include "run/ConfigSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A private scratch folder, removed afterwards.
struct TempDir {
    fs::path path;
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "qlwiz-cs-XXXXXX").string();
        path = ::mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

} // namespace

TEST(ConfigSettings, FreshRecordDefaults) {
    ConfigSettings s;
    EXPECT_EQ(s.SecurityOn(), 1);
    EXPECT_EQ(s.Channels(), "1");
    EXPECT_EQ(s.ConnectionType(), 1);
    for (const std::string& t :
         {s.AdminPassword(), s.RouterAddress(), s.RouterNetmask(), s.SwitchType(), s.Channel1Spid(),
          s.Channel1DirNo(), s.Channel2Spid(), s.Channel2DirNo(), s.FtpHost(), s.HttpHost(),
          s.SmtpHost(), s.DnsHost(), s.PhoneNumber(), s.PhoneNumber2(), s.AccountName(),
          s.AccountPassword(), s.IspAddress()})
        EXPECT_EQ(t, "");
}

TEST(ConfigSettings, CheckedSettersStoreOrKeepTheOldValue) {
    using Setter = bool (ConfigSettings::*)(const std::string&, std::string&);
    using Getter = std::string (*)(const ConfigSettings&);
    struct Case {
        const char* name;
        Setter set;
        Getter get;
        std::string good, stored, bad, message;
    };
    const Case cases[] = {
        {"RouterAddress", &ConfigSettings::SetRouterAddress,
         [](const ConfigSettings& c) { return c.RouterAddress(); }, "10.0.0.1", "10.0.0.1", "1.",
         "Entry is an invalid IP address"},
        {"RouterNetmask", &ConfigSettings::SetRouterNetmask,
         [](const ConfigSettings& c) { return c.RouterNetmask(); }, "255.255.255.0",
         "255.255.255.0", "255.255.255.255", "Entry is an invalid IP address"},
        {"Channel1Spid", &ConfigSettings::SetChannel1Spid,
         [](const ConfigSettings& c) { return c.Channel1Spid(); }, std::string(20, '1'),
         std::string(20, '1'), std::string(21, '1'),
         "Value has too many digits: only 20 digits are allowed."},
        {"Channel2DirNo", &ConfigSettings::SetChannel2DirNo,
         [](const ConfigSettings& c) { return c.Channel2DirNo(); }, std::string(16, '5'),
         std::string(16, '5'), "555-1212", "Entry can only have numbers"},
        {"HttpHost", &ConfigSettings::SetHttpHost,
         [](const ConfigSettings& c) { return c.HttpHost(); }, "10.0.0.5", "10.0.0.5", "www",
         "Entry is an invalid IP address"},
        {"Channels", &ConfigSettings::SetChannels,
         [](const ConfigSettings& c) { return c.Channels(); }, "2", "2", "3",
         "Value out of bounds: it must be between 1 and 2"},
        {"PhoneNumber", &ConfigSettings::SetPhoneNumber,
         [](const ConfigSettings& c) { return c.PhoneNumber(); }, "(555) 123-4567", "5551234567",
         "--", "Not a valid telephone number."},
        {"PhoneNumber2", &ConfigSettings::SetPhoneNumber2,
         [](const ConfigSettings& c) { return c.PhoneNumber2(); }, "1-800-555", "1800555", "x",
         "Not a valid telephone number."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigSettings s;
        std::string msg = "stale";
        EXPECT_TRUE((s.*c.set)(c.good, msg));
        EXPECT_EQ(msg, "");
        EXPECT_EQ(c.get(s), c.stored);
        EXPECT_FALSE((s.*c.set)(c.bad, msg));
        EXPECT_EQ(msg, c.message);
        EXPECT_EQ(c.get(s), c.stored);
    }
}

TEST(ConfigSettings, OptionalEntriesClearAndHostsReadBack) {
    ConfigSettings s;
    std::string msg;
    ASSERT_TRUE(s.SetDnsHost("10.0.0.9", msg));
    EXPECT_TRUE(s.SetDnsHost("", msg));
    EXPECT_EQ(msg, "");
    EXPECT_EQ(s.DnsHost(), "");
    ASSERT_TRUE(s.SetPhoneNumber2("5551212", msg));
    s.ClearPhoneNumber2();
    EXPECT_EQ(s.PhoneNumber2(), "");
    // The primary number is not optional.
    EXPECT_FALSE(s.SetPhoneNumber("", msg));
    EXPECT_EQ(msg, "Not a valid telephone number.");

    // Only the FTP host hides the unset address.
    ASSERT_TRUE(s.SetFtpHost("0.0.0.0", msg));
    ASSERT_TRUE(s.SetHttpHost("0.0.0.0", msg));
    EXPECT_EQ(s.FtpHost(), "");
    EXPECT_EQ(s.HttpHost(), "0.0.0.0");

    msg = "stale";
    s.SetAccountName("joe", msg);
    EXPECT_EQ(msg, "");
    EXPECT_EQ(s.AccountName(), "joe");
}

TEST(ConfigSettings, SummaryFileIsWrittenAndTruncated) {
    TempDir dir;
    fs::path file = dir.path / "QLWIZ.TXT";
    ASSERT_TRUE(WriteSummaryFile("IP Address:\t10.0.0.1\r\nNetwork Mask:\t255.0.0.0\r\n",
                                 file.string()));
    EXPECT_EQ(ReadFile(file), "IP Address:\t10.0.0.1\r\nNetwork Mask:\t255.0.0.0\r\n");
    ASSERT_TRUE(WriteSummaryFile("short\r\n", file.string()));
    EXPECT_EQ(ReadFile(file), "short\r\n");
    // The directory is not created.
    EXPECT_FALSE(WriteSummaryFile("x", (dir.path / "missing" / "QLWIZ.TXT").string()));
}

TEST(ConfigSettings, SummaryFileRefusesLinksAndForeignFiles) {
    TempDir dir;
    fs::path victim = dir.path / "victim";
    { std::ofstream(victim) << "precious"; }
    fs::path link = dir.path / "QLWIZ.TXT";
    fs::create_symlink(victim, link);
    EXPECT_FALSE(WriteSummaryFile("summary", link.string()));
    EXPECT_EQ(ReadFile(victim), "precious");

    fs::path fifo = dir.path / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(WriteSummaryFile("summary", fifo.string()));  // and does not hang

    if (::geteuid() != 0)
        GTEST_SKIP() << "a file of another user needs root to create";
    fs::path foreign = dir.path / "foreign";
    { std::ofstream(foreign) << "theirs"; }
    ASSERT_EQ(::chown(foreign.c_str(), 4242, 4242), 0);
    EXPECT_FALSE(WriteSummaryFile("summary", foreign.string()));
    EXPECT_EQ(ReadFile(foreign), "theirs");
}
