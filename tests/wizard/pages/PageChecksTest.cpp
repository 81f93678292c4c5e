// Each page's checks on Next, the page driven directly: the exact message, its buttons
// and icon, where the focus goes, whether the page stays, and what reached the record.
#include "WizardTestSupport.h"

namespace wiztest {
namespace {

const QString Invalid = QStringLiteral("Entry is an invalid IP address");
const QString BlankValues = QStringLiteral(
    "Are you certain this is correct?\n\nPress Retry to reenter the blank values, or Cancel to use the values as "
    "entered.");

// Typed into the boxes; the answer to the question (0: an OK box, or none when `text` is
// empty); the message; where the focus goes (null: not checked); whether the page stays.
struct Check {
    std::vector<std::pair<QLineEdit*, const char*>> typed;
    int answer;
    QString text;
    QWidget* focus;
    bool stays = true;
    MsgIcon icon = MsgIcon::Exclamation;
};

class PageChecks : public SheetTest {
protected:
    // Opens `page`, then for each row: typed, Next, the box and where it left us.
    void Run(wiz::CConfigPage* page, const std::function<std::vector<Check>()>& rows,
             const std::function<void()>& before = {}) {
        Open(page);
        for (const Check& row : rows()) {
            SCOPED_TRACE(row.typed.front().second);
            Open(page);
            if (before) before();
            for (auto& [box, text] : row.typed) box->setText(QString::fromUtf8(text));
            boxes->Clear();
            if (row.answer) boxes->Answer(row.answer);
            ClickNext();
            MsgButtons buttons = !row.answer                                           ? MsgButtons::Ok
                                 : row.answer == wiz::IdYes || row.answer == wiz::IdNo ? MsgButtons::YesNoCancel
                                                                                       : MsgButtons::RetryCancel;
            ASSERT_EQ(boxes->Count(), row.text.isEmpty() ? 0u : 1u);
            EXPECT_TRUE(row.text.isEmpty() || (boxes->Last().text == row.text && boxes->Last().icon == row.icon &&
                                               boxes->Last().buttons == buttons))
                << (boxes->Count() ? boxes->Last().text.toStdString() : "");
            EXPECT_EQ(Active() == page, row.stays);
            EXPECT_TRUE(!row.focus || (row.focus->isVisible() && row.focus->hasFocus()));
        }
    }
};

TEST_F(PageChecks, PasswordAndRouterAddress) {
    auto* p = sheet->PasswordPage();
    EXPECT_EQ(p->PasswordBox()->maxLength(), 16);
    EXPECT_EQ(p->ConfirmBox()->echoMode(), QLineEdit::Password);
    Run(p, [&] {
        return std::vector<Check>{
            {{{p->PasswordBox(), "Secret"}, {p->ConfirmBox(), "secret"}}, 0,
             QStringLiteral("Password verification failed - please retry"), p->ConfirmBox()},
            {{{p->PasswordBox(), "Secret"}, {p->ConfirmBox(), "Secret"}}, 0, {}, nullptr, false}};
    });
    EXPECT_EQ(sheet->Settings().AdminPassword(), "Secret");
    auto* a = sheet->AddressPage();
    Run(a, [&] {
        return std::vector<Check>{
            {{{a->AddressBox(), "1."}, {a->MaskBox(), "255.255.255.0"}}, 0, "Internet Address " + Invalid,
             a->AddressBox()},
            {{{a->AddressBox(), "10.0.0.1"}, {a->MaskBox(), "mask"}}, 0, "Network Mask " + Invalid, a->MaskBox()}};
    });
    EXPECT_TRUE(runs.empty()) << "a refused entry never reaches the router";
    EXPECT_TRUE(sheet->NextButton()->isEnabled());
}

TEST_F(PageChecks, LineIdPages) {
    auto* p = sheet->SpidPage();
    auto spids = [p](const char* s1, const char* d1, const char* s2, const char* d2) {
        return std::vector<std::pair<QLineEdit*, const char*>>{
            {p->Channel1SpidBox(), s1}, {p->Channel1DirNoBox(), d1}, {p->Channel2SpidBox(), s2}, {p->Channel2DirNoBox(), d2}};
    };
    Run(p, [&] {
        return std::vector<Check>{
            {spids("", "", "", ""), 0, QStringLiteral("You must enter a value for at least one SPID."), p->Channel1SpidBox()},
            {spids("0155", "", "", ""), wiz::IdRetry,
             "You have not entered values for:\n\tChannel 2 SPID\n\tChannel 1 Directory Number\n\tChannel 2 Directory "
             "Number\n" + BlankValues, p->Channel2SpidBox()},
            {spids("0155", "5551234", "0156", ""), wiz::IdRetry,
             "You have not entered values for:\n\tChannel 2 Directory Number\n" + BlankValues, p->Channel2DirNoBox()},
            {spids("0155", "12345678901234567", "0156", "5551235"), 0,
             QStringLiteral("Channel 1 Directory Number Value has too many digits: only 16 digits are allowed."),
             p->Channel1DirNoBox()},
            {spids("01-55", "5551234", "0156", "5551235"), 0, QStringLiteral("Channel 1 SPID Entry can only have numbers"),
             p->Channel1SpidBox()},
            // Cancel takes the values as entered, the empty ones too; 20 digits fit a SPID box.
            {spids("012345678901234567890", "1234567890123456", "", ""), wiz::IdCancel,
             "You have not entered values for:\n\tChannel 2 SPID\n\tChannel 2 Directory Number\n" + BlankValues,
             nullptr, false}};
    });
    EXPECT_EQ(sheet->Settings().Channel1Spid(), "01234567890123456789");
    EXPECT_EQ(sheet->Settings().Channel1DirNo(), "1234567890123456");
    EXPECT_EQ(sheet->Settings().Channel2Spid(), "");
    auto* d = sheet->DirNoPage();
    Run(d, [&] {
        return std::vector<Check>{
            {{{d->DirNoBox(), "555-1234"}}, 0, QStringLiteral("Channel 1 Directory Number Entry can only have numbers"),
             d->DirNoBox()},
            {{{d->DirNoBox(), ""}}, wiz::IdRetry,
             QStringLiteral("You have not entered a Directory Number.  Are you certain this is correct?\n\nPress Retry "
                            "to reenter the Directory Number, or Cancel to continue configuration."),
             d->DirNoBox()},
            {{{d->DirNoBox(), "5550001"}}, 0, {}, nullptr, false}};
    });
    EXPECT_EQ(sheet->Settings().Channel2DirNo(), "5550001") << "both channels answer to the one number";
}

TEST_F(PageChecks, DialingAndTheHiddenSecondNumber) {
    sheet->Settings().StoreChannels("2");
    auto* p = sheet->DialingPage();
    Open(p);
    EXPECT_TRUE(p->TwoChannelsButton()->hasFocus()) << "the checked speed takes the keyboard";
    EXPECT_TRUE(p->SecondaryMark()->isVisible());
    // 64KB hides the second number; a bad one is shown where it can be corrected.
    auto oneChannel = [p] { p->OneChannelButton()->click(); };
    Run(p, [&] {
        return std::vector<Check>{
            {{{p->PrimaryBox(), ""}, {p->SecondaryBox(), "555 0101"}}, 0, QStringLiteral("Not a valid telephone number."),
             p->PrimaryBox()},
            {{{p->PrimaryBox(), "555 0100"}, {p->SecondaryBox(), "--"}}, 0, QStringLiteral("Not a valid telephone number."),
             p->SecondaryBox()},
            {{{p->SecondaryBox(), "(555) 010-0200"}}, 0, {}, nullptr, false}};
    }, oneChannel);
    EXPECT_EQ(sheet->Settings().Channels(), "1");
    EXPECT_EQ(sheet->Settings().PhoneNumber(), "5550100");
    EXPECT_EQ(sheet->Settings().PhoneNumber2(), "5550100200") << "the hidden number still counts";
    Open(p);
    EXPECT_FALSE(p->SecondaryLabel()->isVisible());
}

TEST_F(PageChecks, Authentication) {
    auto* p = sheet->AuthenticationPage();
    auto typed = [p](const char* name, const char* pw, const char* confirm) {
        return std::vector<std::pair<QLineEdit*, const char*>>{{p->NameBox(), name}, {p->PasswordBox(), pw}, {p->ConfirmBox(), confirm}};
    };
    const QString emptyPassword = QStringLiteral(
        "You have not entered an ISP Account Password.  Are you certain that this is correct?  Without a correct account "
        "password you will be unable to establish a connection to your ISP.\n\n") + BlankValues.mid(BlankValues.indexOf("Press"));
    Run(p, [&] {
        return std::vector<Check>{
            {typed("", "pw", "pw"), 0,
             QStringLiteral("You have not entered an ISP Account Name.  Without an account name you will be unable to "
                            "establish a connection to your ISP.  Please enter your ISP Account Name now"), p->NameBox()},
            {typed("office", "Pw", "pw"), 0, QStringLiteral("Password verification failed - please retry"), p->ConfirmBox()},
            {typed("office", "", ""), wiz::IdRetry, emptyPassword, p->PasswordBox()},
            {typed("office", "", ""), wiz::IdCancel, emptyPassword, nullptr, false}};
    });
    EXPECT_EQ(sheet->Settings().AccountName(), "office");
    EXPECT_EQ(sheet->Settings().AccountPassword(), "");
}

TEST_F(PageChecks, HostPagesRefuseTheRoutersOwnAddressAndAskAboutOtherNetworks) {
    std::string message;
    sheet->Settings().SetRouterAddress("10.0.0.1", message);
    sheet->Settings().SetRouterNetmask("255.255.255.0", message);
    const QString ask = QStringLiteral(
        "server address you entered is not on the same network that you specified for the Quillet.  Are you sure that "
        "this is correct?\n\nPress Yes to continue, No to reenter the %1, Cancel to abort the Wizard or F1 for more "
        "information");
    struct Row { wiz::CConfigHostPage* page; const char* server; QString otherNetwork; MsgIcon icon; };
    const Row rows[] = {
        {sheet->FtpPage(), "FTP", "The File Transfer " + ask.arg("address"), MsgIcon::Exclamation},
        {sheet->HttpPage(), "HTTP", "The WWW " + ask.arg("WWW server address"), MsgIcon::Question},
        {sheet->SmtpPage(), "SMTP", "The Mail " + ask.arg("Mail server address"), MsgIcon::Question},
        {sheet->DnsPage(), "DNS", "The Name Service " + ask.arg("Name Service server address"), MsgIcon::Question},
    };
    for (const Row& r : rows) {
        QString server = QString::fromLatin1(r.server);
        QString own = QStringLiteral("You cannot use the IP address of the Quillet as your %1 server.  Please select the "
                                     "address of a workstation on your network, or do not specify %2 %1 server by "
                                     "leaving the field blank.")
                          .arg(server, r.page == sheet->DnsPage() ? "a" : "an");
        QLineEdit* box = nullptr;
        Run(r.page, [&] {
            box = r.page->AddressBox();
            return std::vector<Check>{
                {{{box, "10.0.0.1"}}, 0, own, box},
                {{{box, "host"}}, 0, server + " Address " + Invalid, box},
                {{{box, "192.168.1.9"}}, wiz::IdNo, r.otherNetwork, nullptr, true, r.icon},
                {{{box, "192.168.1.9"}}, wiz::IdYes, r.otherNetwork, nullptr, false, r.icon},
                {{{box, "10.0"}}, 0, {}, nullptr, false}};  // 10.0.0.0: on the network
        });
    }
}

} // namespace
} // namespace wiztest
