// The path without a connection type, at the sheet's own size (the longest path is walked
// by the accessibility test, the one without security by the keyboard test); the profile.
#include "WizardTestSupport.h"

#include <QFile>
#include <QSettings>

namespace wiztest {
namespace {

TEST_F(SheetTest, SecurityOnWithNoHostSkipsTheConnectionType) {
    checkLayout = true;
    ExpectPageFits();
    WalkTo(sheet->SummaryPage(), {.switchType = "AT&T 5ESS Custom Point to Point", .security = true});
    auto& s = *sheet;
    EXPECT_EQ(Path(), (Pages{s.PasswordPage(), s.AddressPage(), s.SwitchTypePage(), s.DirNoPage(), s.SecurityPage(),
                             s.FtpPage(), s.HttpPage(), s.SmtpPage(), s.DnsPage(), s.DialingPage(),
                             s.AuthenticationPage(), s.SummaryPage()}));
}

TEST_F(SheetTest, ProfileEntriesGoUnderTheRouterAddressAndNeverAPassword) {
    WalkTo(sheet->SummaryPage(), {.password = "AdminSecret", .address = "10.0.0.2", .switchType = "National ISDN1",
                                  .security = true, .hosts = {"10.0.0.21", "", "", ""}, .twoChannels = true,
                                  .phone2 = "555-0101", .accountPassword = "IspSecret"});
    QSettings profile;
    profile.beginGroup(QStringLiteral("10.0.0.2"));
    const std::pair<const char*, const char*> entries[] = {
        {"Netmask", "255.255.255.0"}, {"ISDNSwitch", "National ISDN1"}, {"Channel1SPID", "0155"},
        {"Channel1DirNo", "5551234"}, {"Channel2SPID", "0156"},         {"Channel2DirNo", "5551235"},
        {"Security", "On"},           {"FTPHost", "10.0.0.21"},         {"HTTPHost", ""},
        {"SMTPHost", ""},             {"DNSHost", ""},                  {"Channels", "2"},
        {"PhoneNumber", "555-0100"},  {"Username", "office"},
    };
    for (const auto& [key, value] : entries) EXPECT_EQ(profile.value(key, "<none>").toString(), value) << key;
    EXPECT_EQ(profile.childKeys().size(), qsizetype(std::size(entries))) << "no password, second number or link type";
    QFile file(profile.fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray all = file.readAll();
    EXPECT_FALSE(all.contains("AdminSecret") || all.contains("IspSecret"));
    EXPECT_TRUE(profile.fileName().endsWith(QStringLiteral("/Tolvane Enterprises/Quillet Wizard.conf")));
}

} // namespace
} // namespace wiztest
