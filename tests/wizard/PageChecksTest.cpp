// Each page's checks on Next: the exact message, its buttons and icon, where the focus
// goes, and whether the page stays.
#include "WizardTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

namespace wiztest {
namespace {

using wiz::MsgButtons;
using wiz::MsgIcon;

const QString InvalidAddress = QStringLiteral("Entry is an invalid IP address");

// Checks the last box and that the focus is in `box` on a page that stayed.
void ExpectRefused(SheetTest* t, ScriptedBoxes& boxes, wiz::WizardPage* stayed, wiz::WizardPage* active,
                   const QString& text, QWidget* box, MsgButtons buttons = MsgButtons::Ok,
                   MsgIcon icon = MsgIcon::Exclamation) {
    (void)t;
    ASSERT_GE(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, text);
    EXPECT_EQ(boxes.Last().buttons, buttons);
    EXPECT_EQ(boxes.Last().icon, icon);
    EXPECT_EQ(active, stayed);
    EXPECT_EQ(stayed->LastFocusedControl(), box);
    EXPECT_TRUE(box->hasFocus());
}

TEST_F(SheetTest, PasswordPageRefusesADifferentConfirmation) {
    auto* page = sheet->PasswordPage();
    page->PasswordBox()->setText(QStringLiteral("Secret"));
    page->ConfirmBox()->setText(QStringLiteral("secret"));
    ClickNext();
    ExpectRefused(this, *boxes, page, Active(), QStringLiteral("Password verification failed - please retry"),
                  page->ConfirmBox());
    EXPECT_EQ(sheet->Settings().AdminPassword(), "");
    EXPECT_EQ(page->PasswordBox()->maxLength(), 16);
    EXPECT_EQ(page->ConfirmBox()->maxLength(), 16);
    EXPECT_EQ(page->PasswordBox()->echoMode(), QLineEdit::Password);
    page->ConfirmBox()->setText(QStringLiteral("Secret"));
    ClickNext();
    EXPECT_EQ(Active(), sheet->AddressPage());
    EXPECT_EQ(sheet->Settings().AdminPassword(), "Secret");
}

TEST_F(SheetTest, AddressPageChecksAddressThenMask) {
    PasswordNext();
    auto* page = sheet->AddressPage();
    struct Row {
        const char* address;
        const char* mask;
        QString message;
        QLineEdit* box;
    };
    const Row rows[] = {
        {"1.", "255.255.255.0", QStringLiteral("Internet Address ") + InvalidAddress, page->AddressBox()},
        {"255.255.255.255", "255.255.255.0", QStringLiteral("Internet Address ") + InvalidAddress, page->AddressBox()},
        {"10.0.0.1", "mask", QStringLiteral("Network Mask ") + InvalidAddress, page->MaskBox()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address);
        page->AddressBox()->setText(QString::fromLatin1(row.address));
        page->MaskBox()->setText(QString::fromLatin1(row.mask));
        ClickNext();
        ExpectRefused(this, *boxes, page, Active(), row.message, row.box);
        EXPECT_TRUE(sheet->BackButton()->isEnabled());
        EXPECT_TRUE(sheet->NextButton()->isEnabled());
    }
    EXPECT_TRUE(runs.empty()) << "a refused entry never reaches the router";
}

TEST_F(SheetTest, SpidPageChecks) {
    PasswordNext();
    AddressNext();
    SwitchNext(QStringLiteral("National ISDN1"));
    auto* page = sheet->SpidPage();
    const QString question = QStringLiteral(
        "Are you certain this is correct?\n\nPress Retry to reenter the blank values, or Cancel to use the values as "
        "entered.");
    struct Row {
        const char* s1;
        const char* d1;
        const char* s2;
        const char* d2;
        int answer;  // 0: no question expected
        QString message;
        MsgButtons buttons;
        QLineEdit* focus;
        bool stays;
    };
    const Row rows[] = {
        {"", "", "", "", 0, QStringLiteral("You must enter a value for at least one SPID."), MsgButtons::Ok,
         page->Channel1SpidBox(), true},
        {"0155", "", "", "", wiz::IdRetry,
         QStringLiteral("You have not entered values for:\n\tChannel 2 SPID\n\tChannel 1 Directory Number\n\tChannel 2 "
                        "Directory Number\n") + question,
         MsgButtons::RetryCancel, page->Channel2SpidBox(), true},
        {"0155", "5551234", "0156", "", wiz::IdRetry,
         QStringLiteral("You have not entered values for:\n\tChannel 2 Directory Number\n") + question,
         MsgButtons::RetryCancel, page->Channel2DirNoBox(), true},
        {"0155", "12345678901234567", "0156", "5551235", 0,
         QStringLiteral("Channel 1 Directory Number Value has too many digits: only 16 digits are allowed."),
         MsgButtons::Ok, page->Channel1DirNoBox(), true},
        {"01-55", "5551234", "0156", "5551235", 0, QStringLiteral("Channel 1 SPID Entry can only have numbers"),
         MsgButtons::Ok, page->Channel1SpidBox(), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message.toStdString());
        boxes->Clear();
        if (row.answer) boxes->Answer(row.answer);
        page->Channel1SpidBox()->setText(QString::fromLatin1(row.s1));
        page->Channel1DirNoBox()->setText(QString::fromLatin1(row.d1));
        page->Channel2SpidBox()->setText(QString::fromLatin1(row.s2));
        page->Channel2DirNoBox()->setText(QString::fromLatin1(row.d2));
        ClickNext();
        ASSERT_EQ(boxes->Count(), 1u);
        ExpectRefused(this, *boxes, page, Active(), row.message, row.focus, row.buttons);
    }
    // A SPID box takes the 20 digits the check allows, and no more.
    page->Channel2SpidBox()->setText(QStringLiteral("123456789012345678901"));
    EXPECT_EQ(page->Channel2SpidBox()->text(), QStringLiteral("12345678901234567890"));
    EXPECT_EQ(page->Channel1DirNoBox()->maxLength(), 20);
    // Cancel on the question takes the values as entered, the empty ones too.
    boxes->Clear();
    boxes->Answer(wiz::IdCancel);
    page->Channel1SpidBox()->setText(QStringLiteral("01234567890123456789"));
    page->Channel1DirNoBox()->setText(QStringLiteral("1234567890123456"));
    page->Channel2SpidBox()->setText(QString());
    page->Channel2DirNoBox()->setText(QString());
    ClickNext();
    EXPECT_EQ(Active(), sheet->SecurityPage());
    EXPECT_EQ(sheet->Settings().Channel1Spid(), "01234567890123456789");
    EXPECT_EQ(sheet->Settings().Channel1DirNo(), "1234567890123456");
    EXPECT_EQ(sheet->Settings().Channel2Spid(), "");
}

TEST_F(SheetTest, DirectoryNumberPageChecks) {
    PasswordNext();
    AddressNext();
    SwitchNext(QStringLiteral("AT&T 5ESS Custom Point to Point"));
    auto* page = sheet->DirNoPage();
    page->DirNoBox()->setText(QStringLiteral("555-1234"));
    ClickNext();
    ExpectRefused(this, *boxes, page, Active(), QStringLiteral("Channel 1 Directory Number Entry can only have numbers"),
                  page->DirNoBox());
    boxes->Answer(wiz::IdRetry);
    page->DirNoBox()->setText(QString());
    ClickNext();
    ExpectRefused(this, *boxes, page, Active(),
                  QStringLiteral("You have not entered a Directory Number.  Are you certain this is correct?\n\nPress "
                                 "Retry to reenter the Directory Number, or Cancel to continue configuration."),
                  page->DirNoBox(), MsgButtons::RetryCancel);
    page->DirNoBox()->setText(QStringLiteral("5551234"));
    ClickNext();
    EXPECT_EQ(Active(), sheet->SecurityPage());
    EXPECT_EQ(sheet->Settings().Channel1DirNo(), "5551234");
    EXPECT_EQ(sheet->Settings().Channel2DirNo(), "5551234");
}

TEST_F(SheetTest, SwitchTypeListIsSortedAndChoosesTheLineIdPage) {
    PasswordNext();
    AddressNext();
    QListWidget* list = sheet->SwitchTypePage()->SwitchList();
    ASSERT_EQ(list->count(), 11);
    for (int i = 1; i < list->count(); ++i) EXPECT_LT(list->item(i - 1)->text(), list->item(i)->text());
    EXPECT_TRUE(list->selectedItems().isEmpty()) << "nothing chosen yet";
    struct Row {
        const char* name;
        bool spids;
    };
    for (Row row : {Row{"National ISDN1", true}, Row{"AT&T 5ESS Custom", true}, Row{"Northern Telecom DMS-100", true},
                    Row{"AT&T 5ESS Custom Point to Point", false}, Row{"Japan NTT", false}}) {
        SCOPED_TRACE(row.name);
        SwitchNext(QString::fromLatin1(row.name));
        EXPECT_EQ(Active(), row.spids ? static_cast<wiz::WizardPage*>(sheet->SpidPage()) : sheet->DirNoPage());
        EXPECT_EQ(sheet->Settings().SwitchType(), row.name);
        ClickBack();
        EXPECT_EQ(list->selectedItems().value(0)->text(), QString::fromLatin1(row.name)) << "selection reloaded";
    }
}

TEST_F(SheetTest, DialingPageChecksAndTheHiddenSecondNumber) {
    PasswordNext();
    AddressNext();
    SwitchNext(QStringLiteral("EuroISDN Net3"));
    DirNoNext(QStringLiteral("5551234"));
    sheet->Settings().StoreChannels("2");
    SecurityNext(false);
    auto* page = sheet->DialingPage();
    EXPECT_TRUE(page->TwoChannelsButton()->isChecked());
    EXPECT_TRUE(page->TwoChannelsButton()->hasFocus()) << "the checked speed takes the keyboard";
    EXPECT_TRUE(page->SecondaryMark()->isVisibleTo(page->Window()));
    page->SecondaryBox()->setText(QStringLiteral("(555) 010-0200"));
    page->OneChannelButton()->click();
    EXPECT_FALSE(page->SecondaryBox()->isVisibleTo(page->Window()));
    EXPECT_FALSE(page->SecondaryLabel()->isVisibleTo(page->Window()));
    EXPECT_FALSE(page->SecondaryMark()->isVisibleTo(page->Window()));

    page->PrimaryBox()->setText(QString());
    ClickNext();
    ExpectRefused(this, *boxes, page, Active(), QStringLiteral("Not a valid telephone number."), page->PrimaryBox());

    // A bad second number hidden under 64KB is shown, to be corrected where it is.
    page->PrimaryBox()->setText(QStringLiteral("555 0100"));
    page->SecondaryBox()->setText(QStringLiteral("--"));
    ClickNext();
    ExpectRefused(this, *boxes, page, Active(), QStringLiteral("Not a valid telephone number."), page->SecondaryBox());
    EXPECT_TRUE(page->SecondaryLabel()->isVisibleTo(page->Window()));

    page->SecondaryBox()->setText(QStringLiteral("(555) 010-0200"));
    page->OneChannelButton()->click();
    ClickNext();
    EXPECT_EQ(Active(), sheet->AuthenticationPage());
    EXPECT_EQ(sheet->Settings().Channels(), "1");
    EXPECT_EQ(sheet->Settings().PhoneNumber(), "5550100");
    EXPECT_EQ(sheet->Settings().PhoneNumber2(), "5550100200") << "the hidden number still counts";
}

TEST_F(SheetTest, AuthenticationPageChecks) {
    WalkToSummary();
    ClickBack();
    auto* page = sheet->AuthenticationPage();
    page->NameBox()->setText(QString());
    ClickNext();
    ExpectRefused(this, *boxes, page, Active(),
                  QStringLiteral("You have not entered an ISP Account Name.  Without an account name you will be "
                                 "unable to establish a connection to your ISP.  Please enter your ISP Account Name now"),
                  page->NameBox());
    page->NameBox()->setText(QStringLiteral("office"));
    page->PasswordBox()->setText(QStringLiteral("Pw"));
    page->ConfirmBox()->setText(QStringLiteral("pw"));
    ClickNext();
    ExpectRefused(this, *boxes, page, Active(), QStringLiteral("Password verification failed - please retry"),
                  page->ConfirmBox());
    const QString emptyQuestion = QStringLiteral(
        "You have not entered an ISP Account Password.  Are you certain that this is correct?  Without a correct "
        "account password you will be unable to establish a connection to your ISP.\n\nPress Retry to reenter the "
        "blank values, or Cancel to use the values as entered.");
    page->PasswordBox()->setText(QString());
    page->ConfirmBox()->setText(QString());
    boxes->Answer(wiz::IdRetry);
    ClickNext();
    ExpectRefused(this, *boxes, page, Active(), emptyQuestion, page->PasswordBox(), MsgButtons::RetryCancel);
    boxes->Answer(wiz::IdCancel);
    ClickNext();
    EXPECT_EQ(Active(), sheet->SummaryPage());
    EXPECT_EQ(sheet->Settings().AccountPassword(), "");
    EXPECT_EQ(sheet->Settings().AccountName(), "office");
}

TEST_F(SheetTest, HostPagesRefuseTheRoutersOwnAddressAndAskAboutOtherNetworks) {
    PasswordNext();
    AddressNext(QStringLiteral("10.0.0.1"), QStringLiteral("255.255.255.0"));
    SwitchNext(QStringLiteral("EuroISDN Net3"));
    DirNoNext(QStringLiteral("5551234"));
    SecurityNext(true);
    struct Row {
        wiz::CConfigHostPage* page;
        QString own;
        QString prefix;
        QString sameNetwork;
        MsgIcon icon;
    };
    const QString common = QStringLiteral(
        "is not on the same network that you specified for the Quillet.  Are you sure that this is correct?\n\nPress "
        "Yes to continue, No to reenter the address, Cancel to abort the Wizard or F1 for more information");
    auto own = [](const char* server, const char* aServer) {
        return QStringLiteral("You cannot use the IP address of the Quillet as your %1.  Please select the address of "
                              "a workstation on your network, or do not specify %2 by leaving the field blank.")
            .arg(QString::fromLatin1(server), QString::fromLatin1(aServer));
    };
    auto other = [](const char* what) {
        return QStringLiteral("The %1 server address you entered is not on the same network that you specified for "
                              "the Quillet.  Are you sure that this is correct?\n\nPress Yes to continue, No to reenter "
                              "the %1 server address, Cancel to abort the Wizard or F1 for more information")
            .arg(QString::fromLatin1(what));
    };
    const Row rows[] = {
        {sheet->FtpPage(), own("FTP server", "an FTP server"), QStringLiteral("FTP Address "),
         QStringLiteral("The File Transfer server address you entered ") + common, MsgIcon::Exclamation},
        {sheet->HttpPage(), own("HTTP server", "an HTTP server"), QStringLiteral("HTTP Address "), other("WWW"),
         MsgIcon::Question},
        {sheet->SmtpPage(), own("SMTP server", "an SMTP server"), QStringLiteral("SMTP Address "), other("Mail"),
         MsgIcon::Question},
        {sheet->DnsPage(), own("DNS server", "a DNS server"), QStringLiteral("DNS Address "), other("Name Service"),
         MsgIcon::Question},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.page->Title().toStdString());
        ASSERT_EQ(Active(), row.page);
        QLineEdit* box = row.page->AddressBox();
        box->setText(QStringLiteral("10.0.0.1"));
        ClickNext();
        ExpectRefused(this, *boxes, row.page, Active(), row.own, box);
        box->setText(QStringLiteral("10.0"));
        ClickNext();  // 10.0 is a valid shortened address: 10.0.0.0, on the network
        boxes->Clear();
        ClickBack();
        box->setText(QStringLiteral("host"));
        ClickNext();
        ExpectRefused(this, *boxes, row.page, Active(), row.prefix + InvalidAddress, box);
        // Another network: No stays, Yes goes on.
        box->setText(QStringLiteral("192.168.1.9"));
        boxes->Answer(wiz::IdNo);
        ClickNext();
        EXPECT_EQ(boxes->Last().text, row.sameNetwork);
        EXPECT_EQ(boxes->Last().buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(boxes->Last().icon, row.icon);
        EXPECT_EQ(boxes->Last().topic, 4098);
        EXPECT_EQ(Active(), row.page);
        boxes->Answer(wiz::IdYes);
        ClickNext();
        EXPECT_NE(Active(), row.page);
    }
    EXPECT_EQ(Active(), sheet->CxnTypePage());
}

TEST_F(SheetTest, HostPageCancelOnTheNetworkQuestionEndsTheWizard) {
    PasswordNext();
    AddressNext();
    SwitchNext(QStringLiteral("EuroISDN Net3"));
    DirNoNext(QStringLiteral("5551234"));
    SecurityNext(true);
    sheet->FtpPage()->AddressBox()->setText(QStringLiteral("172.16.0.9"));
    boxes->Answer(wiz::IdCancel);
    ClickNext();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->result(), QDialog::Rejected);
}

TEST_F(SheetTest, ConnectionTypePageStoresAsClicked) {
    PasswordNext();
    AddressNext();
    SwitchNext(QStringLiteral("EuroISDN Net3"));
    DirNoNext(QStringLiteral("5551234"));
    SecurityNext(true);
    HostNext(sheet->FtpPage(), QString());
    HostNext(sheet->HttpPage(), QStringLiteral("10.0.0.80"));
    HostNext(sheet->SmtpPage(), QString());
    HostNext(sheet->DnsPage(), QString());
    auto* page = sheet->CxnTypePage();
    ASSERT_EQ(Active(), page);
    EXPECT_EQ(page->ExplanatoryText()->text(), QString::fromLatin1(wiz::CConfigPropertyPage_CxnType::ExplanationText));
    // The record starts at 1 (on demand): the page shows what the record holds.
    EXPECT_TRUE(page->OnDemandButton()->isChecked());
    page->FullTimeButton()->click();
    EXPECT_EQ(sheet->Settings().ConnectionType(), 0) << "stored at the click, before Next";
    ClickNext();
    EXPECT_EQ(Active(), sheet->DialingPage());
    ClickBack();
    EXPECT_TRUE(page->FullTimeButton()->isChecked());
}

} // namespace
} // namespace wiztest
