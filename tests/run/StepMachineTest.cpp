#include "ScriptedMachine.h"

#include "platform/Hooks.h"

#include <gtest/gtest.h>

#include <stdexcept>

using VLQLWizUIControl::StepMachine;

namespace {

// A handler that leaves the state where it is and returns `r`.
ScriptedMachine::Handler Stay(int r) {
    return [r](ScriptedMachine&, std::string&) { return r; };
}

const std::string kGeneralStart =
    "An unexpected error has occurred in the Quillet Configuration Wizard.  The Wizard was "
    "processing '";

} // namespace

TEST(StepMachine, StepRunsOneHandlerPerStateAndKeepsLastStepForSetupStates) {
    struct Case {
        int state;
        bool handlerRuns;
        bool setsLastStep;
        int stateAfter;
        int result;
    };
    const Case cases[] = {
        {0, true, true, 0, 1},   {1, true, true, 1, 1},   {5, true, true, 5, 1},
        {8, true, true, 8, 1},   {9, false, false, 12, 0}, {10, false, false, 10, 0},
        {11, false, false, 11, 0}, {12, false, false, 12, 0}, {13, false, false, 13, 0},
        {-1, false, false, -1, 0}, {99, false, false, 99, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        ScriptedMachine m;
        for (int s = 0; s <= 8; ++s)
            m.On(s, Stay(1));
        m.state = c.state;
        m.lastStep = 4;
        m.failureKind = StepMachine::SavingFilter;
        std::string message;
        EXPECT_EQ(m.Step(message), c.result);
        EXPECT_EQ(m.state, c.stateAfter);
        EXPECT_EQ(m.calls.size(), c.handlerRuns ? 1u : 0u);
        EXPECT_EQ(m.lastStep, c.setsLastStep ? c.state : 4);
        EXPECT_EQ(m.failureKind, StepMachine::NoFailure);
        EXPECT_TRUE(message.empty());
    }
}

TEST(StepMachine, FailedStateAfterAHandlerEndsTheRunWhateverTheHandlerReturned) {
    ScriptedMachine m;
    m.On(2, [](ScriptedMachine& r, std::string& message) {
        r.state = StepMachine::Failed;
        r.failureKind = StepMachine::ConnectionRefused;
        message = "refused";
        return 1;
    });
    m.state = StepMachine::Connecting;
    std::string message;
    EXPECT_EQ(m.Step(message), 0);
    EXPECT_EQ(m.failureKind, StepMachine::ConnectionRefused);
    EXPECT_EQ(message, "refused");
}

TEST(StepMachine, IntegersThrownByAHandlerEndTheRunOtherExceptionsPassThrough) {
    for (int thrown : {-1, 65536}) {
        ScriptedMachine m;
        m.On(3, [thrown](ScriptedMachine& r, std::string&) -> int {
            r.failureKind = StepMachine::SettingFilter;
            throw thrown;
        });
        m.state = StepMachine::Configuring;
        std::string message;
        EXPECT_EQ(m.Step(message), 0);
        EXPECT_EQ(m.state, StepMachine::Failed);
        EXPECT_EQ(m.lastStep, StepMachine::Configuring);
        EXPECT_EQ(m.failureKind, StepMachine::SettingFilter);
    }
    ScriptedMachine m;
    m.On(4, [](ScriptedMachine&, std::string&) -> int { throw std::runtime_error("x"); });
    m.state = StepMachine::SavingAndRestarting;
    std::string message;
    EXPECT_THROW(m.Step(message), std::runtime_error);
    EXPECT_EQ(m.state, StepMachine::SavingAndRestarting);
}

TEST(StepMachine, StepTextLogsNewStatesOnceAndNamesTheFailedStepAndSubstate) {
    struct Case {
        int state;
        int lastStep;
        int kind;
        std::string text;
    };
    const Case cases[] = {
        {0, 0, -1, ""},
        {1, 0, -1, "Waiting for Quillet to request address"},
        {1, 1, -1, ""},
        {3, 2, -1, "Configuring Quillet"},
        {9, 8, -1, "Setup succeeded. Saving changes"},
        {10, 8, -1, "Setup partially succeeded.  Attempting recovery."},
        {12, 8, -1, ""},
        {13, 8, -1, ""},
        {-2, 8, -1, ""},
        {11, 2, -1, "Setup Failed in step: Connecting to Quillet"},
        {11, 3, 6,
         "Setup Failed in step: Configuring Quillet\r\n  Substate:Setting Global Configuration"},
        {11, 7, 20, "Setup Failed in step: Establishing PPP connection\r\n  Substate:"},
        {11, 1, 1,
         "Setup Failed in step: Waiting for Quillet to request address\r\n  Substate:The Quillet "
         "did not request address resolution.  If you resolve this problem you can press Retry "
         "to attempt configuring the Quillet again.\n\nPress Retry to try again, Cancel to exit "
         "the Configuration Wizard, or F1 for additional help."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        ScriptedMachine m;
        m.state = c.state;
        m.lastStep = c.lastStep;
        m.failureKind = c.kind;
        EXPECT_EQ(m.StepText(), c.text);
    }
}

TEST(StepMachine, FailureMessageUsesTheKindsTextElseTheGeneralTextNamingTheStep) {
    const std::string& summary = platform::GetHooks().summaryFile;
    ASSERT_FALSE(summary.empty());
    struct Case {
        int kind;
        int lastStep;
        std::string expected;
    };
    auto general = [&](const std::string& step, const std::string& name) {
        return kGeneralStart + step + "' and was at step #" + name +
               "\nYou may be able to reconfigure your Quillet by running the Wizard again.  "
               "If you are unable to do so, please contact your vendor with the above "
               "information and the configuration information saved to " +
               summary + ".";
    };
    const Case cases[] = {
        {12, 3, "Creating Filters"},
        {2, 2, "Password was Invalid"},
        {17, 7, "No port was available to dial out"},
        {29, 8, general("Testing route", "Winsock Not Initialized")},
        {-1, 5, general("Reconnecting to Quillet", "")},
        {21, 7, general("Establishing PPP connection", "")},
        {27, 6, general("Checking ISDN connection", "")},
        {33, 0, general("Searching for Quillet", "")},
        {34, 0, general("Searching for Quillet", "")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        ScriptedMachine m;
        m.failureKind = c.kind;
        m.lastStep = c.lastStep;
        EXPECT_EQ(m.FailureMessage(), c.expected);
    }
}

TEST(StepMachine, ChannelTwoTextIsChannelOnesAboutTheOtherChannel) {
    ScriptedMachine m;
    const std::string& one = m.FailureTextOf(StepMachine::Channel1Failure);
    const std::string& two = m.FailureTextOf(StepMachine::Channel2Failure);
    ASSERT_EQ(one.rfind("Channel 1 did not register", 0), 0u);
    EXPECT_EQ(two, "Channel 2" + one.substr(9));
    // The later mention of a single channel stays as it is.
    EXPECT_NE(two.find("Cancel to resume the Configuration Wizard"), std::string::npos);
}
