// Which pages the user's answers put on the path, and what Back and Next do with it.
#include "WizardTestSupport.h"

#include <QLabel>
#include <QPushButton>

namespace wiztest {
namespace {

using Pages = std::vector<wiz::WizardPage*>;

TEST_F(SheetTest, SecurityOffGoesStraightToDialing) {
    PasswordNext();
    AddressNext();
    SwitchNext(QStringLiteral("EuroISDN Net3"));
    DirNoNext(QStringLiteral("5551234"));
    SecurityNext(false);
    EXPECT_EQ(Active(), sheet->DialingPage());
    EXPECT_EQ(Path(), (Pages{sheet->PasswordPage(), sheet->AddressPage(), sheet->SwitchTypePage(),
                             sheet->DirNoPage(), sheet->SecurityPage(), sheet->DialingPage()}));
    ClickBack();
    EXPECT_EQ(Active(), sheet->SecurityPage());
}

TEST_F(SheetTest, HostPagesDecideWhetherTheConnectionTypeIsAsked) {
    // Security on; the four host boxes as given; the page after the DNS host page.
    struct Row {
        const char* ftp;
        const char* http;
        const char* smtp;
        const char* dns;
        bool asksConnectionType;
    };
    const Row rows[] = {
        {"", "", "", "", false},
        {"", "", "", "10.0.0.53", true},
        {"10.0.0.21", "", "", "", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.ftp) + "|" + row.http + "|" + row.smtp + "|" + row.dns);
        MakeSheet();
        PasswordNext();
        AddressNext();
        SwitchNext(QStringLiteral("National ISDN1"));
        SpidsNext(QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"));
        SecurityNext(true);
        HostNext(sheet->FtpPage(), QString::fromLatin1(row.ftp));
        HostNext(sheet->HttpPage(), QString::fromLatin1(row.http));
        HostNext(sheet->SmtpPage(), QString::fromLatin1(row.smtp));
        HostNext(sheet->DnsPage(), QString::fromLatin1(row.dns));
        Pages expected = {sheet->PasswordPage(), sheet->AddressPage(), sheet->SwitchTypePage(), sheet->SpidPage(),
                          sheet->SecurityPage(), sheet->FtpPage(), sheet->HttpPage(), sheet->SmtpPage(),
                          sheet->DnsPage()};
        if (row.asksConnectionType) {
            expected.push_back(sheet->CxnTypePage());
            EXPECT_EQ(Active(), sheet->CxnTypePage());
            CxnTypeNext(true);
        }
        expected.push_back(sheet->DialingPage());
        EXPECT_EQ(Active(), sheet->DialingPage());
        EXPECT_EQ(Path(), expected);
    }
}

TEST_F(SheetTest, ChangingTheSwitchTypeCutsTheLaterPages) {
    WalkToSummary(QStringLiteral("EuroISDN Net3"));
    // Back to the switch-type page, another switch type, Next.
    while (Active() != sheet->SwitchTypePage()) ClickBack();
    SwitchNext(QStringLiteral("National ISDN1"));
    EXPECT_EQ(Active(), sheet->SpidPage());
    EXPECT_EQ(Path(), (Pages{sheet->PasswordPage(), sheet->AddressPage(), sheet->SwitchTypePage(), sheet->SpidPage()}));
    EXPECT_FALSE(sheet->DirNoPage()->HasWindow());
    EXPECT_FALSE(sheet->SummaryPage()->HasWindow());
    // And the way on is there again, with the pages made afresh.
    SpidsNext(QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"));
    EXPECT_EQ(Active(), sheet->SecurityPage());
}

TEST_F(SheetTest, BackFromSummaryAndNextKeepsThePath) {
    WalkToSummary();
    Pages before = Path();
    QString summaryBefore = sheet->SummaryPage()->ShownSummary();
    ClickBack();
    ASSERT_EQ(Active(), sheet->AuthenticationPage());
    EXPECT_EQ(Path(), before) << "Back changes nothing on the path";
    sheet->AuthenticationPage()->NameBox()->setText(QStringLiteral("renamed"));
    ClickNext();
    EXPECT_EQ(Active(), sheet->SummaryPage());
    EXPECT_EQ(Path(), before);
    EXPECT_EQ(sheet->SummaryPage()->ShownSummary(),
              QString(summaryBefore).replace(QStringLiteral("Username:\toffice"), QStringLiteral("Username:\trenamed")));
}

TEST_F(SheetTest, ButtonsAsThePagesSetThem) {
    EXPECT_FALSE(sheet->BackButton()->isEnabled());
    EXPECT_TRUE(sheet->NextButton()->isEnabled());
    PasswordNext();
    EXPECT_TRUE(sheet->BackButton()->isEnabled());
    EXPECT_TRUE(sheet->NextButton()->isEnabled());
    ClickBack();
    EXPECT_EQ(Active(), sheet->PasswordPage());
    EXPECT_FALSE(sheet->BackButton()->isEnabled());
}

TEST_F(SheetTest, CancelEndsTheWizardWithoutAQuestionBeforeTheProgressPage) {
    PasswordNext();
    sheet->CancelButton()->click();
    Settle();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->result(), QDialog::Rejected);
    EXPECT_EQ(boxes->Count(), 0u) << "Cancel asks nothing before the progress page";
}

TEST_F(SheetTest, EveryPageShowsItsWholeTextAtTheDefaultSize) {
    checkLayout = true;
    ExpectPageFits();
    PasswordNext();
    AddressNext();
    SwitchNext(QStringLiteral("National ISDN1"));
    SpidsNext(QStringLiteral("01555123400101"), QStringLiteral("5551234"), QStringLiteral("01555123500101"),
              QStringLiteral("5551235"));
    SecurityNext(true);
    HostNext(sheet->FtpPage(), QStringLiteral("10.0.0.21"));
    for (int i = 0; i < 3; ++i) ClickNext();  // the other hosts
    CxnTypeNext(false);
    DialingNext(true, QStringLiteral("555-0100"), QStringLiteral("555-0101"));
    AuthenticationNext(QStringLiteral("office"), QStringLiteral("pw"));
    ClickNext();  // the progress page
    sheet->done(QDialog::Rejected);
    MakeSheet();
    sheetSize = QSize();
    WalkToSummary(QStringLiteral("AT&T 5ESS Custom Point to Point"));
}

TEST_F(SheetTest, EveryPageHasItsTitleAndItsControlsRightOfThePicture) {
    WalkToSummary(QStringLiteral("National ISDN1"));
    const std::pair<wiz::CConfigPage*, const char*> pages[] = {
        {sheet->PasswordPage(), "Password"},         {sheet->AddressPage(), "Internet Address"},
        {sheet->SwitchTypePage(), "ISDN"},           {sheet->SpidPage(), "ISDN Line IDs"},
        {sheet->SecurityPage(), "Internet Security"}, {sheet->DialingPage(), "Dialing Configuration"},
        {sheet->AuthenticationPage(), "Authentication"}, {sheet->SummaryPage(), "Configuration Summary"},
    };
    for (auto [page, title] : pages) {
        SCOPED_TRACE(title);
        ASSERT_TRUE(sheet->SetActivePage(page));
        EXPECT_EQ(sheet->windowTitle(), QString::fromLatin1(title));
        QLabel* picture = page->Picture();
        ASSERT_NE(picture, nullptr);
        EXPECT_FALSE(picture->pixmap().isNull());
        int right = picture->geometry().right();
        for (QWidget* w : page->Window()->findChildren<QWidget*>()) {
            if (w == picture || !w->isVisibleTo(page->Window())) continue;
            EXPECT_GT(w->mapTo(page->Window(), QPoint(0, 0)).x(), right) << w->metaObject()->className();
        }
    }
}

} // namespace
} // namespace wiztest
