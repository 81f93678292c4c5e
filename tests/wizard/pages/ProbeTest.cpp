// The router address page's probe: every outcome with a scripted run, the network
// question, the read-back, no second probe for the same address and mask; and the
// shipped run against quillet-sim, found and configured.
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
    const QString refused = QStringLiteral("Another connection to the Quillet currently is active.");
    enum Then { GoesOn, Stays, BackToPassword, Ends };
    struct Row {
        FakeRun::Handler probe;
        int answer;  // 0: OK-only box
        QString text;
        MsgIcon icon;
        int topic;
        Then then;
    };
    const QString noQuillet = QString::fromLatin1(wiz::CConfigPropertyIPAddressPage::NoQuilletText);
    const QString badPassword = QStringLiteral("Bad Password - press Retry to reenter.");
    const Row rows[] = {
        {FakeRun::Found(), 0, QStringLiteral("Quillet Found!!"), MsgIcon::Information, 4099, GoesOn},
        {{}, wiz::IdYes, noQuillet, MsgIcon::Exclamation, 4201, GoesOn},
        {{}, wiz::IdNo, noQuillet, MsgIcon::Exclamation, 4201, Stays},
        {{}, wiz::IdCancel, noQuillet, MsgIcon::Exclamation, 4201, Ends},
        {FakeRun::FailWith(StepMachine::BadPassword), wiz::IdRetry, badPassword, MsgIcon::Exclamation, 4097, BackToPassword},
        {FakeRun::FailWith(StepMachine::BadPassword), wiz::IdCancel, badPassword, MsgIcon::Exclamation, 4097, Stays},
        {FakeRun::FailWith(StepMachine::NetworkError), 0,
         QStringLiteral("Error communicating with Quillet.  The Wizard will exit now."), MsgIcon::Stop, 0, Ends},
        {FakeRun::FailWith(StepMachine::ConnectionRefused, refused.toStdString()), wiz::IdRetry, refused,
         MsgIcon::Exclamation, 4097, Stays},
        {FakeRun::FailWith(StepMachine::ConnectionRefused, refused.toStdString()), wiz::IdCancel, refused,
         MsgIcon::Exclamation, 4097, Ends},
        {FakeRun::FailWith(1), 0, QStringLiteral("Miscellaneous Error"), MsgIcon::Stop, 0, Stays},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.left(20).toStdString() + " " + std::to_string(row.answer));
        setupRun = [&row](FakeRun& run) {
            if (row.probe) run.handlers[2] = row.probe;
        };
        MakeSheet();
        boxes->Clear();
        if (row.answer) boxes->Answer(row.answer);
        Probe();
        ASSERT_EQ(boxes->Count(), 1u);
        EXPECT_EQ(boxes->Last().text, row.text);
        EXPECT_EQ(boxes->Last().icon, row.icon);
        EXPECT_EQ(boxes->Last().topic, row.topic);
        EXPECT_EQ(Active() == sheet->SwitchTypePage(), row.then == GoesOn);
        EXPECT_EQ(Active() == sheet->AddressPage(), row.then == Stays || row.then == Ends);
        EXPECT_EQ(Active() == sheet->PasswordPage(), row.then == BackToPassword);
        EXPECT_EQ(sheet->isVisible(), row.then != Ends);
        EXPECT_TRUE(row.then != Stays || sheet->NextButton()->isEnabled());
        EXPECT_EQ(sheet->Run() != nullptr, row.probe != nullptr) << "a probe that found nothing drops its run";
    }
}

TEST_F(ProbeTest, FoundRouterIsReadBackOffTheGuiThreadAndNotProbedTwice) {
    bool waitCursor = false, looking = false;
    setupRun = [&](FakeRun& run) {
        run.handlers[2] = FakeRun::Found();
        run.onReadBack = [](ConfigSettings& s) {
            s.SetSwitchType("Japan NTT");
            s.StoreChannel1DirNo("5550001");
        };
    };
    MakeSheet();
    WalkTo(sheet->AddressPage());
    sheet->AddressPage()->AddressBox()->setText(QStringLiteral("10.000.0.1"));
    sheet->AddressPage()->MaskBox()->setText(QStringLiteral("255.255.255.0"));
    sheet->NextButton()->click();
    // While the step runs: the wait cursor, the page says it is looking, no button.
    waitCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    looking = sheet->AddressPage()->StatusText()->text().startsWith(QStringLiteral("Looking for Quillet ..."));
    EXPECT_FALSE(sheet->NextButton()->isEnabled() || sheet->BackButton()->isEnabled());
    Settle();
    EXPECT_TRUE(waitCursor && looking);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0]->readBacks, 1);
    for (std::thread::id id : runs[0]->threads) EXPECT_NE(id, std::this_thread::get_id());
    EXPECT_EQ(sheet->ProfileSection(), QStringLiteral("10.000.0.1")) << "the address as typed";
    QSettings profile;
    EXPECT_EQ(profile.value(QStringLiteral("10.000.0.1/Netmask")).toString(), QStringLiteral("255.255.255.0"));
    ASSERT_EQ(Active(), sheet->SwitchTypePage());
    EXPECT_EQ(sheet->SwitchTypePage()->SwitchList()->currentItem()->text(), QStringLiteral("Japan NTT"));
    ClickNext();
    EXPECT_EQ(sheet->DirNoPage()->DirNoBox()->text(), QStringLiteral("5550001"));
    // Back to the address page and on, the mask changed: the run is still connected.
    ClickBack();
    ClickBack();
    sheet->AddressPage()->MaskBox()->setText(QStringLiteral("255.255.0.0"));
    ClickNext();
    EXPECT_EQ(Active(), sheet->SwitchTypePage());
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0]->statesRun.size(), 1u);
    EXPECT_EQ(boxes->Count(), 1u) << "no second \"Quillet Found!!\"";
}

TEST_F(ProbeTest, LocalComputerOffTheRoutersNetworkIsAsked) {
    // Local addresses (none: the lookup failed, which an empty box said); the answer to
    // the question (0: not asked); whether the probe runs; whether the wizard ends.
    struct Row { std::vector<const char*> local; int answer; bool probes, ends; };
    const Row rows[] = {{{"192.168.1.5", "10.0.0.7"}, 0, true, false}, {{"192.168.1.5"}, wiz::IdYes, true, false},
                        {{"192.168.1.5"}, wiz::IdNo, false, false},    {{"192.168.1.5"}, wiz::IdCancel, false, true},
                        {{}, wiz::IdYes, true, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        localAddresses.clear();
        for (const char* a : row.local) localAddresses.push_back(inet_addr(a));
        setupRun = [](FakeRun& run) { run.handlers[2] = FakeRun::Found(); };
        boxes->Clear();
        MakeSheet();
        if (row.answer) boxes->Answer(row.answer);
        Probe();
        ASSERT_EQ(boxes->Count(), (row.local.empty() ? 1u : 0u) + (row.answer ? 1u : 0u) + (row.probes ? 1u : 0u));
        if (row.answer) {
            const BoxCall& asked = boxes->calls[row.local.empty() ? 1 : 0];
            EXPECT_EQ(asked.text, "Your PC is not on the same network that you specified for the Quillet.  Are you sure "
                                  "that this is correct?\n\nPress Yes to continue, No to reenter the address, Cancel to "
                                  "abort the Wizard or F1 for more information");
            EXPECT_EQ(asked.topic, 4098);
        }
        EXPECT_EQ(runs.size(), row.probes ? 1u : 0u);
        EXPECT_EQ(!sheet->isVisible(), row.ends);
    }
}

// The shipped run against quillet-sim on loopback.
class SimProbeTest : public ProbeTest {
protected:
    void SetUp() override {
        realRun = true;
        ProbeTest::SetUp();
    }
};

TEST_F(SimProbeTest, AFoundRouterIsConfiguredToTheCongratulation) {
    Probe("127.0.0.1", "255.0.0.0");
    EXPECT_EQ(boxes->Last().text, QStringLiteral("Quillet Found!!"));
    // The router was set up for a Japanese NTT line: the page shows it chosen.
    ASSERT_EQ(Active(), sheet->SwitchTypePage());
    EXPECT_EQ(sheet->SwitchTypePage()->SwitchList()->currentItem()->text(), QStringLiteral("Japan NTT"));
    WalkTo(sheet->ProgressPage(), {.newRouter = false, .switchType = QStringLiteral("Japan NTT")});
    ASSERT_TRUE(WaitUntil([&] { return boxes->Last().text == Congratulation && !sheet->Busy(); }, 60000))
        << sheet->ProgressPage()->LogText().toStdString();
    Settle();
    EXPECT_FALSE(sheet->isVisible());
    // The run went on from Configuring on the probe's session.
    QString log = sheet->ProgressPage()->LogText();
    EXPECT_TRUE(log.startsWith(QStringLiteral("Configuring Quillet\n"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Testing route\nSetup succeeded. Saving changes"))) << log.toStdString();
}

} // namespace
} // namespace wiztest
