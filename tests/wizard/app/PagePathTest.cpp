// The paths the user's answers choose, clicked through at the sheet's own size; what
// Back and a changed answer do with the path; the summary, its file and the profile.
#include "WizardTestSupport.h"

#include "platform/Hooks.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QSettings>

namespace wiztest {
namespace {

using Sheet = wiz::CConfigPropertySheet;

TEST_F(SheetTest, ThePathsTheAnswersChooseShowEveryTextWhole) {
    struct Row {
        Answers answers;
        std::function<Pages(Sheet&)> path;  // up to the summary
        QString summary;
    };
    const Row rows[] = {
        {{.switchType = "National ISDN1", .security = true, .hosts = {"", "10.0.0.80", "", ""}, .onDemand = false,
          .twoChannels = true, .phone2 = "555-0101"},
         [](Sheet& s) {
             return Pages{s.PasswordPage(), s.AddressPage(), s.SwitchTypePage(), s.SpidPage(), s.SecurityPage(),
                          s.FtpPage(), s.HttpPage(), s.SmtpPage(), s.DnsPage(), s.CxnTypePage(), s.DialingPage(),
                          s.AuthenticationPage(), s.SummaryPage()};
         },
         "IP Address:\t10.0.0.1\r\nNetwork Mask:\t255.255.255.0\r\nISDN Switch type:\tNational ISDN1\r\n"
         "Channel 1 SPID:\t0155\r\nChannel 1 DirNo:\t5551234\r\nChannel 2 SPID:\t0156\r\nChannel 2 DirNo:\t5551235\r\n"
         "You have chosen to enable security.\r\nFTP Host:\t\r\nHTTP Host:\t10.0.0.80\r\nSMTP Host:\t\r\nDNS Host:\t\r\n"
         "Quillet will keep connection up continuously\r\nMax B Channels:\t2\r\nPhone Number:\t555-0100\r\n"
         "Phone Number 2:\t555-0101\r\nUsername:\toffice\r\n"},
        // Security on with no host: no connection type.
        {{.switchType = "AT&T 5ESS Custom Point to Point", .security = true},
         [](Sheet& s) {
             return Pages{s.PasswordPage(), s.AddressPage(), s.SwitchTypePage(), s.DirNoPage(), s.SecurityPage(),
                          s.FtpPage(), s.HttpPage(), s.SmtpPage(), s.DnsPage(), s.DialingPage(),
                          s.AuthenticationPage(), s.SummaryPage()};
         },
         {}},
    };
    const QString file = QString::fromStdString(platform::GetHooks().summaryFile);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answers.switchType.toStdString());
        MakeSheet();
        checkLayout = true;
        ExpectPageFits();
        WalkTo(sheet->SummaryPage(), row.answers);
        EXPECT_EQ(Path(), row.path(*sheet));
        if (row.summary.isEmpty()) continue;
        EXPECT_EQ(sheet->SummaryPage()->ShownSummary(), row.summary);
        EXPECT_EQ(sheet->SummaryPage()->SummaryBox()->toPlainText() + "\n", QString(row.summary).replace("\r\n", "\n"));
        // The page names the file where it goes; Next writes what the box shows.
        QList<QLabel*> labels = sheet->SummaryPage()->Window()->findChildren<QLabel*>();
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](QLabel* l) { return l->text().contains("saved to " + file); }));
        QFile::remove(file);
        ClickNext();
        QFile written(file);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(written.readAll()), row.summary);
    }
}

TEST_F(SheetTest, BackRetracesThePathAndAChangedAnswerIsShown) {
    EXPECT_FALSE(sheet->BackButton()->isEnabled()) << "nothing before the password page";
    WalkTo(sheet->SummaryPage());
    Pages before = Path();
    QString summary = sheet->SummaryPage()->ShownSummary();
    ClickBack();
    sheet->AuthenticationPage()->NameBox()->setText(QStringLiteral("renamed"));
    ClickNext();
    EXPECT_EQ(Path(), before);
    EXPECT_EQ(sheet->SummaryPage()->ShownSummary(), summary.replace("Username:\toffice", "Username:\trenamed"));
    for (int i = 0; i < 3; ++i) ClickBack();
    EXPECT_EQ(Active(), sheet->SecurityPage()) << "Back from dialing, security off";
    // Cancel before the progress page ends the wizard without a question.
    boxes->Clear();
    sheet->CancelButton()->click();
    Settle();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(boxes->Count(), 0u);
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
