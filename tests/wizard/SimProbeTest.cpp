// The router probe of the address page with the shipped run against quillet-sim on
// loopback: found with its settings read back, a wrong password, a second connection
// refused, no router at all, and no second probe for the same address and mask.
#include "WizardTestSupport.h"

#include "SimRouter.h"
#include "platform/Sockets.h"
#include "run/Process.h"

#include <arpa/inet.h>

namespace wiztest {


namespace {

using VLQLWizUIControl::StepMachine;

class SimProbeTest : public SheetTest {
protected:
    void SetUp() override {
        realRun = true;
        SheetTest::SetUp();
        // The last test's session must be gone and the router listening again.
        ASSERT_TRUE(sim->WaitListening(sim->listenLines > 0 ? sim->listenLines : 1));
    }
    void TearDown() override {
        bool wasConnected = sheet && sheet->Run() && sheet->Run()->IsConnected();
        SheetTest::TearDown();
        if (wasConnected) {
            ASSERT_TRUE(sim->WaitListening(sim->listenLines + 1)) << "the router did not listen again";
        }
    }
    void Probe(const QString& password, const QString& address, const QString& mask) {
        PasswordNext(password);
        ASSERT_EQ(Active(), sheet->AddressPage());
        sheet->AddressPage()->AddressBox()->setText(address);
        sheet->AddressPage()->MaskBox()->setText(mask);
        ClickNext();
    }
};

TEST_F(SimProbeTest, FoundWithItsSettingsReadBack) {
    Probe(QStringLiteral("secret"), QStringLiteral("127.0.0.1"), QStringLiteral("255.0.0.0"));
    ASSERT_GE(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Calls().front().text, QStringLiteral("Quillet Found!!"));
    ASSERT_EQ(Active(), sheet->SwitchTypePage());
    ASSERT_NE(sheet->Run(), nullptr);
    EXPECT_TRUE(sheet->Run()->IsConnected());
    EXPECT_EQ(sheet->Run()->Machine().state, StepMachine::Configuring);
    // The router was set up for a Japanese NTT line: the page shows it chosen.
    EXPECT_EQ(sheet->Settings().SwitchType(), "Japan NTT");
    ASSERT_FALSE(sheet->SwitchTypePage()->SwitchList()->selectedItems().isEmpty());
    EXPECT_EQ(sheet->SwitchTypePage()->SwitchList()->selectedItems().front()->text(), QStringLiteral("Japan NTT"));
    // Back and Next with the same address and mask: straight on, nothing asked.
    boxes->Clear();
    ClickBack();
    ClickNext();
    EXPECT_EQ(Active(), sheet->SwitchTypePage());
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(SimProbeTest, WrongPasswordRetryGoesBackToThePasswordPage) {
    boxes->Answer(wiz::IdRetry);
    Probe(QStringLiteral("wrong"), QStringLiteral("127.0.0.1"), QStringLiteral("255.0.0.0"));
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().text, QStringLiteral("Bad Password - press Retry to reenter."));
    EXPECT_EQ(boxes->Last().topic, 4097);
    EXPECT_EQ(Active(), sheet->PasswordPage());
    // The failed probe's run keeps its closed session until the next probe replaces it.
    sheet->DeleteRun();
    ASSERT_TRUE(sim->WaitListening(sim->listenLines + 1));
}

TEST_F(SimProbeTest, SecondConnectionIsRefused) {
    // Another administrator holds the one management connection.
    int other = platform::TcpSocket();
    ASSERT_GE(other, 0);
    ASSERT_EQ(platform::Connect(other, inet_addr("127.0.0.1"), static_cast<uint16_t>(sim->port)), 0);
    boxes->Answer(wiz::IdCancel);
    Probe(QStringLiteral("secret"), QStringLiteral("127.0.0.1"), QStringLiteral("255.0.0.0"));
    ASSERT_EQ(boxes->Count(), 1u);
    // The run's own words for it.
    EXPECT_EQ(boxes->Last().text, QString::fromLatin1(VLQLWizUIControl::Process::RefusedMessage));
    EXPECT_EQ(boxes->Last().buttons, wiz::MsgButtons::RetryCancel);
    EXPECT_EQ(boxes->Last().topic, 4097);
    EXPECT_FALSE(sheet->isVisible()) << "Cancel ends the wizard";
    platform::CloseSocket(other);
    ASSERT_TRUE(sim->WaitListening(sim->listenLines + 1));
}

TEST_F(SimProbeTest, NoRouterAtTheAddress) {
    // On loopback a connect to this address fails at once as "network unreachable".
    boxes->Answer(wiz::IdNo);
    Probe(QStringLiteral("secret"), QStringLiteral("127.255.255.255"), QStringLiteral("255.0.0.0"));
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().text, QString::fromLatin1(wiz::CConfigPropertyIPAddressPage::NoQuilletText));
    EXPECT_EQ(Active(), sheet->AddressPage());
    EXPECT_EQ(sheet->Run(), nullptr);
    // The same address again is probed again: only a probe that found its router counts.
    boxes->Answer(wiz::IdYes);
    ClickNext();
    EXPECT_EQ(boxes->Count(), 2u);
    EXPECT_EQ(Active(), sheet->SwitchTypePage());
}

TEST_F(SimProbeTest, AFoundRouterIsConfiguredToTheCongratulation) {
    Probe(QStringLiteral("secret"), QStringLiteral("127.0.0.1"), QStringLiteral("255.0.0.0"));
    ASSERT_EQ(Active(), sheet->SwitchTypePage());
    ClickNext();
    ASSERT_EQ(Active(), sheet->DirNoPage());
    DirNoNext(QStringLiteral("5551234"));
    SecurityNext(false);
    DialingNext(false, QStringLiteral("555-0100"));
    AuthenticationNext(QStringLiteral("office"), QStringLiteral("isp-pass"));
    ASSERT_EQ(Active(), sheet->SummaryPage());
    boxes->Clear();
    ClickNext();
    ASSERT_EQ(Active(), sheet->ProgressPage());
    ASSERT_TRUE(WaitUntil([&] { return boxes->Count() >= 1 && !sheet->Busy(); }, 60000))
        << sheet->ProgressPage()->LogText().toStdString();
    Settle();
    EXPECT_EQ(boxes->Last().text, QStringLiteral("Congratulations - your Quillet is set up!!\n\nLet's go Surfing!!"))
        << sheet->ProgressPage()->LogText().toStdString();
    EXPECT_FALSE(sheet->isVisible());
    // The run went on from Configuring on the probe's session.
    QString log = sheet->ProgressPage()->LogText();
    EXPECT_TRUE(log.startsWith(QStringLiteral("Configuring Quillet\n"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Testing route\nSetup succeeded. Saving changes"))) << log.toStdString();
    // The router rebooted: wait for it before the next test connects.
    ASSERT_TRUE(sim->WaitListening(sim->listenLines + 1));
}

} // namespace
} // namespace wiztest
