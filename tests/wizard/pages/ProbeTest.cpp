// The router address page's probe: every outcome with a scripted run, the network
// question, the read-back, no second probe for the same address and mask.
#include "WizardTestSupport.h"

#include <QApplication>
#include <QCursor>
#include <QSettings>

#include <arpa/inet.h>

namespace wiztest {
namespace {

using VLQLWizUIControl::StepMachine;

class ProbeTest : public SheetTest {
protected:
    // To the address page, filled, and Next.
    void Probe(const char* address = "10.0.0.1", const char* mask = "255.255.255.0", const char* password = "secret") {
        WalkTo(sheet->AddressPage(), {.password = password});
        sheet->AddressPage()->AddressBox()->setText(QString::fromLatin1(address));
        sheet->AddressPage()->MaskBox()->setText(QString::fromLatin1(mask));
        ClickNext();
    }
};

TEST_F(ProbeTest, EveryOutcome) {
    // The probe's step (none: no router); the local computer's address (null: on the
    // router's network, "": the lookup failed, which an empty box says) and the answer to
    // the question it raises; the answer to the last box, which must read `text`.
    enum Then { GoesOn, Stays, BackToPassword, Ends };
    struct Row {
        FakeRun::Handler probe;
        const char* local;
        int asked, answer;
        QString text;
        MsgIcon icon;
        int topic;
        Then then;
    };
    const QString refused = QStringLiteral("Another connection to the Quillet currently is active.");
    const QString noQuillet = QString::fromLatin1(wiz::CConfigPropertyIPAddressPage::NoQuilletText);
    const QString badPassword = QStringLiteral("Bad Password - press Retry to reenter.");
    const QString found = QStringLiteral("Quillet Found!!");
    const QString yourPc = QStringLiteral(
        "Your PC is not on the same network that you specified for the Quillet.  Are you sure that this is correct?\n\n"
        "Press Yes to continue, No to reenter the address, Cancel to abort the Wizard or F1 for more information");
    const auto info = MsgIcon::Information, excl = MsgIcon::Exclamation, stop = MsgIcon::Stop;
    const Row rows[] = {
        {FakeRun::Found(), nullptr, 0, 0, found, info, 4099, GoesOn},
        {{}, nullptr, 0, wiz::IdYes, noQuillet, excl, 4201, GoesOn},
        {{}, nullptr, 0, wiz::IdNo, noQuillet, excl, 4201, Stays},
        {{}, nullptr, 0, wiz::IdCancel, noQuillet, excl, 4201, Ends},
        {FakeRun::FailWith(StepMachine::BadPassword), nullptr, 0, wiz::IdRetry, badPassword, excl, 4097, BackToPassword},
        {FakeRun::FailWith(StepMachine::BadPassword), nullptr, 0, wiz::IdCancel, badPassword, excl, 4097, Stays},
        {FakeRun::FailWith(StepMachine::NetworkError), nullptr, 0, 0,
         QStringLiteral("Error communicating with Quillet.  The Wizard will exit now."), stop, 0, Ends},
        {FakeRun::FailWith(StepMachine::ConnectionRefused, refused.toStdString()), nullptr, 0, wiz::IdRetry, refused,
         excl, 4097, Stays},
        {FakeRun::FailWith(StepMachine::ConnectionRefused, refused.toStdString()), nullptr, 0, wiz::IdCancel, refused,
         excl, 4097, Ends},
        {FakeRun::FailWith(1), nullptr, 0, 0, QStringLiteral("Miscellaneous Error"), stop, 0, Stays},
        {FakeRun::Found(), "192.168.1.5", wiz::IdYes, 0, found, info, 4099, GoesOn},
        {FakeRun::Found(), "", wiz::IdYes, 0, found, info, 4099, GoesOn},
        {FakeRun::Found(), "192.168.1.5", 0, wiz::IdNo, yourPc, excl, 4098, Stays},
        {FakeRun::Found(), "192.168.1.5", 0, wiz::IdCancel, yourPc, excl, 4098, Ends},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.left(20).toStdString() + " " + std::to_string(row.answer));
        setupRun = [&row](FakeRun& run) {
            if (row.probe) run.handlers[2] = row.probe;
        };
        localAddresses = {inet_addr(row.local ? row.local : "10.0.0.7")};
        if (row.local && !*row.local) localAddresses.clear();
        boxes->Clear();
        MakeSheet();
        EXPECT_EQ(boxes->Count(), localAddresses.empty() ? 1u : 0u) << "the failed lookup's empty box";
        boxes->Clear();
        for (int answer : {row.asked, row.answer})
            if (answer) boxes->Answer(answer);
        Probe();
        EXPECT_EQ(boxes->Count(), (row.asked ? 1u : 0u) + 1u);
        EXPECT_TRUE(!row.asked || boxes->calls[0].text == yourPc);
        EXPECT_TRUE(boxes->Last().text == row.text && boxes->Last().icon == row.icon && boxes->Last().topic == row.topic)
            << boxes->Last().text.toStdString();
        EXPECT_EQ(Active() == sheet->SwitchTypePage(), row.then == GoesOn);
        EXPECT_EQ(Active() == sheet->AddressPage(), row.then == Stays || row.then == Ends);
        EXPECT_EQ(Active() == sheet->PasswordPage(), row.then == BackToPassword);
        EXPECT_EQ(sheet->isVisible(), row.then != Ends);
        EXPECT_TRUE(row.then != Stays || sheet->NextButton()->isEnabled());
        bool probed = row.text != yourPc;
        EXPECT_EQ(runs.size(), probed ? 1u : 0u);
        EXPECT_EQ(sheet->Run() != nullptr, probed && row.probe != nullptr) << "a probe that found nothing drops its run";
    }
}

TEST_F(ProbeTest, FoundRouterIsReadBackOffTheGuiThreadAndNotProbedTwice) {
    setupRun = [&](FakeRun& run) {
        run.handlers[2] = FakeRun::Found();
        run.onReadBack = [](ConfigSettings& s) { s.StoreChannel1DirNo("5550001"); };
    };
    MakeSheet();
    WalkTo(sheet->AddressPage());
    sheet->AddressPage()->AddressBox()->setText(QStringLiteral("10.000.0.1"));
    sheet->AddressPage()->MaskBox()->setText(QStringLiteral("255.255.255.0"));
    sheet->NextButton()->click();
    // While the step runs: the wait cursor, the page says it is looking, no button.
    EXPECT_TRUE(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
    EXPECT_TRUE(sheet->AddressPage()->StatusText()->text().startsWith(QStringLiteral("Looking for Quillet ...")));
    EXPECT_FALSE(sheet->NextButton()->isEnabled() || sheet->BackButton()->isEnabled());
    Settle();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0]->readBacks, 1);
    for (std::thread::id id : runs[0]->threads) EXPECT_NE(id, std::this_thread::get_id());
    // The profile's section is the address as typed.
    EXPECT_EQ(QSettings().value(QStringLiteral("10.000.0.1/Netmask")).toString(), QStringLiteral("255.255.255.0"));
    ClickNext();
    EXPECT_EQ(sheet->DirNoPage()->DirNoBox()->text(), QStringLiteral("5550001")) << "the record read back";
    // Back to the address page and on, the mask changed: the run is still connected.
    ClickBack();
    ClickBack();
    sheet->AddressPage()->MaskBox()->setText(QStringLiteral("255.255.0.0"));
    ClickNext();
    EXPECT_EQ(Active(), sheet->SwitchTypePage());
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0]->statesRun.size(), 1u);
    EXPECT_EQ(boxes->Count(), 1u) << "no second \"Quillet Found!!\"";
    // On to the end: the probe's run goes on from Configuring, no second run made.
    WalkTo(sheet->ProgressPage(), {.newRouter = false});
    ASSERT_TRUE(WaitUntil([&] { return boxes->Last().text == Congratulation && !sheet->Busy(); }));
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0]->statesRun.at(1), StepMachine::Configuring);
}

} // namespace
} // namespace wiztest
