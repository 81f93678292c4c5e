// The router address page's probe with a scripted run: every outcome, the network
// question, the read-back, and no second probe for the same address and mask.
#include "WizardTestSupport.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>

namespace wiztest {
namespace {

using VLQLWizUIControl::StepMachine;

class ProbeTest : public SheetTest {
protected:
    void ToAddressPage() {
        PasswordNext(QStringLiteral("secret"));
        ASSERT_EQ(Active(), sheet->AddressPage());
        sheet->AddressPage()->AddressBox()->setText(QStringLiteral("10.0.0.1"));
        sheet->AddressPage()->MaskBox()->setText(QStringLiteral("255.255.255.0"));
    }
    static FakeRun::Handler Found() {
        return [](FakeRun& run, std::string&) {
            run.connected = true;
            run.state = StepMachine::Configuring;
            return 1;
        };
    }
};

TEST_F(ProbeTest, FoundRouterSettingsAreShownInTheLaterPages) {
    bool waitCursorDuringStep = false;
    bool statusDuringStep = false;
    setupRun = [&](FakeRun& run) {
        run.handlers[2] = Found();
        run.onReadBack = [](ConfigSettings& s) {
            s.SetSwitchType("Japan NTT");
            s.StoreChannel1DirNo("5550001");
            s.SetSecurityOn(0);
        };
    };
    ToAddressPage();
    sheet->AddressPage()->AddressBox()->setText(QStringLiteral("10.000.0.1"));
    sheet->NextButton()->click();
    // While the step runs the page shows that it is looking, with the wait cursor, and
    // no wizard button can be pressed.
    waitCursorDuringStep = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    statusDuringStep = sheet->AddressPage()->StatusText()->text().startsWith(QStringLiteral("Looking for Quillet ..."));
    EXPECT_FALSE(sheet->NextButton()->isEnabled());
    EXPECT_FALSE(sheet->BackButton()->isEnabled());
    Settle();
    EXPECT_TRUE(waitCursorDuringStep);
    EXPECT_TRUE(statusDuringStep);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().text, QStringLiteral("Quillet Found!!"));
    EXPECT_EQ(boxes->Last().icon, wiz::MsgIcon::Information);
    EXPECT_EQ(boxes->Last().topic, 4099);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0]->statesRun, std::vector<int>{2});
    EXPECT_NE(runs[0]->stepThreads[0], std::this_thread::get_id()) << "the probe ran on the GUI thread";
    EXPECT_EQ(runs[0]->readBacks, 1);
    // The read-back waits on the router's replies too.
    EXPECT_NE(runs[0]->readBackThread, std::this_thread::get_id()) << "the read-back ran on the GUI thread";
    EXPECT_EQ(sheet->ProfileSection(), QStringLiteral("10.000.0.1")) << "the address as typed";
    EXPECT_EQ(Active(), sheet->SwitchTypePage());
    EXPECT_EQ(sheet->SwitchTypePage()->SwitchList()->selectedItems().value(0)->text(), QStringLiteral("Japan NTT"));
    ClickNext();
    EXPECT_EQ(sheet->DirNoPage()->DirNoBox()->text(), QStringLiteral("5550001"));
    ClickNext();
    EXPECT_TRUE(sheet->SecurityPage()->OffButton()->isChecked());
    EXPECT_EQ(sheet->Run(), runs[0]) << "the connected run stays with the sheet";
}

TEST_F(ProbeTest, SameAddressAndMaskAreNotProbedTwice) {
    setupRun = [](FakeRun& run) { run.handlers[2] = Found(); };
    ToAddressPage();
    ClickNext();
    ASSERT_EQ(Active(), sheet->SwitchTypePage());
    ClickBack();
    ClickNext();
    EXPECT_EQ(Active(), sheet->SwitchTypePage());
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0]->statesRun.size(), 1u);
    EXPECT_EQ(boxes->Count(), 1u) << "no second \"Quillet Found!!\"";
    // A changed mask is a new question... but the run is still connected: no new probe.
    ClickBack();
    sheet->AddressPage()->MaskBox()->setText(QStringLiteral("255.255.0.0"));
    ClickNext();
    EXPECT_EQ(Active(), sheet->SwitchTypePage());
    EXPECT_EQ(runs.size(), 1u);
}

TEST_F(ProbeTest, NoRouterAnswers) {
    // The answer to "No Quillet ... found" and where the wizard is then.
    struct Row {
        int answer;
        bool goesOn;
        bool ends;
    };
    for (Row row : {Row{wiz::IdYes, true, false}, Row{wiz::IdNo, false, false}, Row{wiz::IdCancel, false, true}}) {
        SCOPED_TRACE(row.answer);
        MakeSheet();
        ToAddressPage();
        boxes->Clear();
        boxes->Answer(row.answer);
        ClickNext();
        ASSERT_EQ(boxes->Count(), 1u);
        EXPECT_EQ(boxes->Last().text, QString::fromLatin1(wiz::CConfigPropertyIPAddressPage::NoQuilletText));
        EXPECT_EQ(boxes->Last().buttons, wiz::MsgButtons::YesNoCancel);
        EXPECT_EQ(boxes->Last().icon, wiz::MsgIcon::Exclamation);
        EXPECT_EQ(boxes->Last().topic, 4201);
        EXPECT_EQ(sheet->Run(), nullptr) << "the probe's run is dropped";
        EXPECT_EQ(Active() == sheet->SwitchTypePage(), row.goesOn);
        EXPECT_EQ(!sheet->isVisible(), row.ends);
        if (!row.ends) {
            EXPECT_TRUE(sheet->NextButton()->isEnabled());
        }
    }
}

TEST_F(ProbeTest, FailedProbes) {
    const QString refused = QStringLiteral("Another connection to the Quillet currently is active.");
    struct Row {
        int kind;
        std::string runMessage;
        int answer;  // 0: OK-only box
        QString text;
        wiz::MsgButtons buttons;
        wiz::MsgIcon icon;
        int topic;
        enum { Stays, BackToPassword, Ends } then;
    };
    const Row rows[] = {
        {StepMachine::BadPassword, "", wiz::IdRetry, QStringLiteral("Bad Password - press Retry to reenter."),
         wiz::MsgButtons::RetryCancel, wiz::MsgIcon::Exclamation, 4097, Row::BackToPassword},
        {StepMachine::BadPassword, "", wiz::IdCancel, QStringLiteral("Bad Password - press Retry to reenter."),
         wiz::MsgButtons::RetryCancel, wiz::MsgIcon::Exclamation, 4097, Row::Stays},
        {StepMachine::NetworkError, "", 0,
         QStringLiteral("Error communicating with Quillet.  The Wizard will exit now."), wiz::MsgButtons::Ok,
         wiz::MsgIcon::Stop, 0, Row::Ends},
        {StepMachine::ConnectionRefused, refused.toStdString(), wiz::IdRetry, refused, wiz::MsgButtons::RetryCancel,
         wiz::MsgIcon::Exclamation, 4097, Row::Stays},
        {StepMachine::ConnectionRefused, refused.toStdString(), wiz::IdCancel, refused, wiz::MsgButtons::RetryCancel,
         wiz::MsgIcon::Exclamation, 4097, Row::Ends},
        {1, "", 0, QStringLiteral("Miscellaneous Error"), wiz::MsgButtons::Ok, wiz::MsgIcon::Stop, 0, Row::Stays},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString() + " " + std::to_string(row.answer));
        setupRun = [&row](FakeRun& run) { run.handlers[2] = FakeRun::FailWith(row.kind, row.runMessage); };
        MakeSheet();
        ToAddressPage();
        boxes->Clear();
        if (row.answer) boxes->Answer(row.answer);
        ClickNext();
        ASSERT_EQ(boxes->Count(), 1u);
        EXPECT_EQ(boxes->Last().text, row.text);
        EXPECT_EQ(boxes->Last().buttons, row.buttons);
        EXPECT_EQ(boxes->Last().icon, row.icon);
        EXPECT_EQ(boxes->Last().topic, row.topic);
        switch (row.then) {
        case Row::Stays:
            EXPECT_EQ(Active(), sheet->AddressPage());
            EXPECT_TRUE(sheet->NextButton()->isEnabled());
            break;
        case Row::BackToPassword: EXPECT_EQ(Active(), sheet->PasswordPage()); break;
        case Row::Ends: EXPECT_FALSE(sheet->isVisible()); break;
        }
    }
}

TEST_F(ProbeTest, RefusedThenRetryProbesAgain) {
    int probes = 0;
    setupRun = [&](FakeRun& run) {
        if (++probes == 1)
            run.handlers[2] = FakeRun::FailWith(StepMachine::ConnectionRefused, "busy");
        else
            run.handlers[2] = Found();
    };
    ToAddressPage();
    boxes->Answer(wiz::IdRetry);
    ClickNext();
    EXPECT_EQ(Active(), sheet->AddressPage());
    ClickNext();
    EXPECT_EQ(Active(), sheet->SwitchTypePage());
    EXPECT_EQ(runs.size(), 2u) << "the failed probe's run was replaced";
}

TEST_F(ProbeTest, LocalComputerOffTheRoutersNetworkIsAsked) {
    // Local addresses; the answer if asked (0: no question); whether the probe runs.
    struct Row {
        std::vector<const char*> local;
        int answer;
        bool probes;
        bool ends;
    };
    const Row rows[] = {
        {{"192.168.1.5", "10.0.0.7"}, 0, true, false},
        {{"192.168.1.5"}, wiz::IdYes, true, false},
        {{"192.168.1.5"}, wiz::IdNo, false, false},
        {{"192.168.1.5"}, wiz::IdCancel, false, true},
        {{}, wiz::IdYes, true, false},  // addresses unknown: asked
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.local.size());
        localAddresses.clear();
        for (const char* a : row.local) localAddresses.push_back(NetOrder(a));
        setupRun = [](FakeRun& run) { run.handlers[2] = Found(); };
        boxes->Clear();
        MakeSheet();
        if (row.local.empty()) {
            ASSERT_EQ(boxes->Count(), 1u) << "the failed lookup's empty box";
            EXPECT_EQ(boxes->Last().text, QString());
        }
        boxes->Clear();
        ToAddressPage();
        if (row.answer) boxes->Answer(row.answer);
        ClickNext();
        if (row.answer) {
            EXPECT_EQ(boxes->Calls().front().text,
                      QStringLiteral("Your PC is not on the same network that you specified for the Quillet.  Are you "
                                     "sure that this is correct?\n\nPress Yes to continue, No to reenter the address, "
                                     "Cancel to abort the Wizard or F1 for more information"));
            EXPECT_EQ(boxes->Calls().front().topic, 4098);
        } else {
            EXPECT_EQ(boxes->Calls().front().text, QStringLiteral("Quillet Found!!"));
        }
        EXPECT_EQ(runs.size(), row.probes ? 1u : 0u);
        EXPECT_EQ(!sheet->isVisible(), row.ends);
    }
}

TEST_F(ProbeTest, ProfileGetsTheNetmaskUnderTheAddressAsTyped) {
    ToAddressPage();
    sheet->AddressPage()->AddressBox()->setText(QStringLiteral("10.0.0.001"));
    sheet->AddressPage()->MaskBox()->setText(QStringLiteral("255.255.255.000"));
    boxes->Answer(wiz::IdNo);
    ClickNext();
    QSettings profile(QStringLiteral("Tolvane Enterprises"), QStringLiteral("Quillet Wizard"));
    EXPECT_EQ(profile.value(QStringLiteral("10.0.0.001/Netmask")).toString(), QStringLiteral("255.255.255.000"));
}

} // namespace
} // namespace wiztest
