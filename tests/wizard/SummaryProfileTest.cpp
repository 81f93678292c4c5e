// The summary of the pages on the path, the summary file, and the profile entries.
#include "WizardTestSupport.h"

#include "platform/Hooks.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSettings>

namespace wiztest {
namespace {

QString ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("<unreadable>");
    return QString::fromUtf8(f.readAll());
}

TEST_F(SheetTest, SummaryWithSecurityOnAndAServicePublished) {
    PasswordNext();
    AddressNext(QStringLiteral("10.0.0.1"), QStringLiteral("255.255.255.0"));
    SwitchNext(QStringLiteral("National ISDN1"));
    SpidsNext(QStringLiteral("0155"), QStringLiteral("5551234"), QStringLiteral("0156"), QStringLiteral("5551235"));
    SecurityNext(true);
    HostNext(sheet->FtpPage(), QString());
    HostNext(sheet->HttpPage(), QStringLiteral("10.0.0.80"));
    HostNext(sheet->SmtpPage(), QString());
    HostNext(sheet->DnsPage(), QString());
    CxnTypeNext(false);
    DialingNext(true, QStringLiteral("555-0100"), QStringLiteral("555-0101"));
    AuthenticationNext(QStringLiteral("office"), QStringLiteral("pw"));
    ASSERT_EQ(Active(), sheet->SummaryPage());
    const QString expected = QStringLiteral(
        "IP Address:\t10.0.0.1\r\nNetwork Mask:\t255.255.255.0\r\n"
        "ISDN Switch type:\tNational ISDN1\r\n"
        "Channel 1 SPID:\t0155\r\nChannel 1 DirNo:\t5551234\r\nChannel 2 SPID:\t0156\r\nChannel 2 DirNo:\t5551235\r\n"
        "You have chosen to enable security.\r\n"
        "FTP Host:\t\r\nHTTP Host:\t10.0.0.80\r\nSMTP Host:\t\r\nDNS Host:\t\r\n"
        "Quillet will keep connection up continuously\r\n"
        "Max B Channels:\t2\r\nPhone Number:\t555-0100\r\nPhone Number 2:\t555-0101\r\n"
        "Username:\toffice\r\n");
    EXPECT_EQ(sheet->SummaryPage()->ShownSummary(), expected);
    EXPECT_EQ(sheet->SummaryPage()->SummaryBox()->toPlainText() + QStringLiteral("\n"),
              QString(expected).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_TRUE(sheet->SummaryPage()->SummaryBox()->isReadOnly());
}

TEST_F(SheetTest, SummaryCoversOnlyThePagesOnThePath) {
    WalkToSummary(QStringLiteral("EuroISDN Net3"));
    // Security off: no host lines, no connection type; one line-ID page visited twice.
    ClickBack();  // authentication
    ClickBack();  // dialing
    ClickBack();  // security
    ClickBack();  // directory number
    DirNoNext(QStringLiteral("5559999"));
    SecurityNext(false);
    DialingNext(false, QStringLiteral("555-0100"));
    AuthenticationNext(QStringLiteral("office"), QStringLiteral("pw"));
    const QString summary = sheet->SummaryPage()->ShownSummary();
    EXPECT_EQ(summary, QStringLiteral("IP Address:\t10.0.0.1\r\nNetwork Mask:\t255.255.255.0\r\n"
                                      "ISDN Switch type:\tEuroISDN Net3\r\nChannel 1 DirNo:\t5559999\r\n"
                                      "You have chosen to disable security.\r\n"
                                      "Max B Channels:\t1\r\nPhone Number:\t555-0100\r\nUsername:\toffice\r\n"));
}

TEST_F(SheetTest, SummaryFileIsWrittenOnNextAndNamedOnThePage) {
    const QString path = QString::fromStdString(platform::GetHooks().summaryFile);
    QFile::remove(path);
    WalkToSummary();
    // The page names the file where it really goes.
    bool named = false;
    for (QLabel* label : sheet->SummaryPage()->Window()->findChildren<QLabel*>())
        named = named || label->text().contains(QStringLiteral("This list has been saved to ") + path);
    EXPECT_TRUE(named);
    EXPECT_FALSE(QFile::exists(path)) << "written on Next, not before";
    const QString summary = sheet->SummaryPage()->ShownSummary();
    ClickNext();
    EXPECT_EQ(Active(), sheet->ProgressPage());
    EXPECT_EQ(ReadFile(path), summary);
    sheet->done(QDialog::Rejected);
}

TEST_F(SheetTest, ProfileEntriesGoUnderTheRouterAddressAndNeverAPassword) {
    {
        QSettings old(QStringLiteral("Tolvane Enterprises"), QStringLiteral("Quillet Wizard"));
        old.remove(QStringLiteral("10.0.0.2"));
    }
    PasswordNext(QStringLiteral("AdminSecret"));
    AddressNext(QStringLiteral("10.0.0.2"), QStringLiteral("255.255.255.0"));
    SwitchNext(QStringLiteral("National ISDN1"));
    SpidsNext(QStringLiteral("0155"), QStringLiteral("5551234"), QStringLiteral("0156"), QStringLiteral("5551235"));
    SecurityNext(true);
    HostNext(sheet->FtpPage(), QStringLiteral("10.0.0.21"));
    HostNext(sheet->HttpPage(), QString());
    HostNext(sheet->SmtpPage(), QString());
    HostNext(sheet->DnsPage(), QString());
    CxnTypeNext(true);
    DialingNext(true, QStringLiteral("555-0100"), QStringLiteral("555-0101"));
    AuthenticationNext(QStringLiteral("office"), QStringLiteral("IspSecret"));
    QSettings profile(QStringLiteral("Tolvane Enterprises"), QStringLiteral("Quillet Wizard"));
    profile.beginGroup(QStringLiteral("10.0.0.2"));
    const std::pair<const char*, QVariant> entries[] = {
        {"Netmask", QStringLiteral("255.255.255.0")},
        {"ISDNSwitch", QStringLiteral("National ISDN1")},
        {"Channel1SPID", QStringLiteral("0155")},
        {"Channel1DirNo", QStringLiteral("5551234")},
        {"Channel2SPID", QStringLiteral("0156")},
        {"Channel2DirNo", QStringLiteral("5551235")},
        {"Security", QStringLiteral("On")},
        {"FTPHost", QStringLiteral("10.0.0.21")},
        {"HTTPHost", QString()},
        {"SMTPHost", QString()},
        {"DNSHost", QString()},
        {"Channels", 2},
        {"PhoneNumber", QStringLiteral("555-0100")},
        {"Username", QStringLiteral("office")},
    };
    for (const auto& [key, value] : entries) {
        SCOPED_TRACE(key);
        ASSERT_TRUE(profile.contains(QString::fromLatin1(key)));
        EXPECT_EQ(profile.value(QString::fromLatin1(key)).toString(), value.toString());
    }
    // Nothing else: no password, no second number, no connection type.
    EXPECT_EQ(profile.childKeys().size(), static_cast<qsizetype>(std::size(entries)));
    profile.endGroup();
    QFile file(profile.fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray all = file.readAll();
    EXPECT_FALSE(all.contains("AdminSecret"));
    EXPECT_FALSE(all.contains("IspSecret"));
    EXPECT_TRUE(profile.fileName().endsWith(QStringLiteral("/Tolvane Enterprises/Quillet Wizard.conf")))
        << profile.fileName().toStdString();
}

} // namespace
} // namespace wiztest
