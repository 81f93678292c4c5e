// The stepping contract and the tick driver with scripted handlers, no router: which
// handler runs, what is logged, how long is waited, and where each failure leads.
#include "run/ConfigSettings.h"
#include "run/Driver.h"
#include "support/ScriptedMachine.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace VLQLWizUIControl;

namespace {

struct Machine : ScriptedMachine<Machine> {
    using ScriptedMachine::ScriptedMachine;
};
Machine::Handler FailWith(int kind, std::string text = {}) { return Machine::FailWith(kind, text); }

// A front end that records everything and answers from a script (Cancel when exhausted).
struct Recorder {
    std::vector<std::string> log;
    std::vector<long> waits;
    std::vector<Outcome> questions;
    std::vector<Answer> answers;
    LoopHost host{[this](long ms) { waits.push_back(ms); }, [this](const std::string& t) { log.push_back(t); },
                  [this](const Outcome& o) {
                      questions.push_back(o);
                      return questions.size() <= answers.size() ? answers[questions.size() - 1] : Answer::Cancel;
                  }};
};

TEST(StepMachine, StepRunsOneHandlerPerStateAndKeepsLastStepForSetupStates) {
    const struct {
        int state;
        bool handlerRuns;
        int stateAfter, result;
    } cases[] = {{0, true, 0, 1},     {1, true, 1, 1},     {8, true, 8, 1},     {9, false, 12, 0},
                 {10, false, 10, 0},  {11, false, 11, 0},  {12, false, 12, 0},  {-1, false, -1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        Machine m;
        for (int s = 0; s <= 8; ++s)
            m.On(s, [](Machine&, std::string&) { return 1; });
        m.state = c.state;
        m.lastStep = 4;
        m.failureKind = StepMachine::SavingFilter;
        std::string message;
        EXPECT_EQ(m.Step(message), c.result);
        EXPECT_EQ(m.state, c.stateAfter);
        EXPECT_EQ(m.statesRun.size(), c.handlerRuns ? 1u : 0u);
        EXPECT_EQ(m.lastStep, c.handlerRuns ? c.state : 4);
        EXPECT_EQ(m.failureKind, StepMachine::NoFailure);
    }
}

TEST(StepMachine, FailedStateOrAThrownIntegerEndsTheRunOtherExceptionsPassThrough) {
    const std::pair<Machine::Handler, int> cases[] = {
        {FailWith(StepMachine::ConnectionRefused, "refused"), StepMachine::ConnectionRefused},
        {[](Machine& r, std::string&) -> int { r.failureKind = StepMachine::SettingFilter; throw -1; },
         StepMachine::SettingFilter},
        {[](Machine& r, std::string&) -> int { r.failureKind = StepMachine::SavingFilter; throw 65536; },
         StepMachine::SavingFilter}};
    for (const auto& [handler, kind] : cases) {
        Machine m;
        m.On(3, handler);
        m.state = StepMachine::Configuring;
        std::string message;
        EXPECT_EQ(m.Step(message), 0);
        EXPECT_EQ(m.state, StepMachine::Failed);
        EXPECT_EQ(m.failureKind, kind);
    }
    Machine m;
    m.On(4, [](Machine&, std::string&) -> int { throw std::runtime_error("x"); });
    m.state = StepMachine::SavingAndRestarting;
    std::string message;
    EXPECT_THROW(m.Step(message), std::runtime_error);
}

TEST(StepMachine, TextsOfStepsAndFailures) {
    const std::string summary = std::getenv("QLWIZ_SUMMARY_FILE");
    auto general = [&](const std::string& step, const std::string& name) {
        return "An unexpected error has occurred in the Quillet Configuration Wizard.  The Wizard was processing '" +
               step + "' and was at step #" + name +
               "\nYou may be able to reconfigure your Quillet by running the Wizard again.  If you are unable to do "
               "so, please contact your vendor with the above information and the configuration information saved "
               "to " + summary + ".";
    };
    const struct {
        int state, lastStep, kind;
        std::string stepText, failureMessage;
    } cases[] = {
        {0, 0, -1, "", general("Searching for Quillet", "")},
        {1, 0, -1, "Waiting for Quillet to request address", general("Searching for Quillet", "")},
        {1, 1, 2, "", "Password was Invalid"},
        {9, 8, 17, "Setup succeeded. Saving changes", "No port was available to dial out"},
        {10, 8, -1, "Setup partially succeeded.  Attempting recovery.", general("Testing route", "")},
        {12, 8, 34, "", general("Testing route", "")},
        {11, 2, -1, "Setup Failed in step: Connecting to Quillet", general("Connecting to Quillet", "")},
        {11, 3, 12, "Setup Failed in step: Configuring Quillet\r\n  Substate:Creating Filters", "Creating Filters"},
        {11, 7, 21, "Setup Failed in step: Establishing PPP connection\r\n  Substate:",
         general("Establishing PPP connection", "")},
        {11, 8, 29, "Setup Failed in step: Testing route\r\n  Substate:",
         general("Testing route", "Winsock Not Initialized")},
        {11, 0, 0, "Setup Failed in step: Searching for Quillet\r\n  Substate:", general("Searching for Quillet", "")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state * 100 + c.kind);
        Machine m;
        m.state = c.state;
        m.lastStep = c.lastStep;
        m.failureKind = c.kind;
        EXPECT_EQ(m.StepText(), c.stepText);
        EXPECT_EQ(m.FailureMessage(), c.failureMessage);
    }
    ConfigSettings settings;  // out of range kinds must not read past the tables
    Machine m(&settings);
    const std::string& one = m.FailureTextOf(StepMachine::Channel1Failure);
    EXPECT_EQ(m.FailureTextOf(StepMachine::Channel2Failure), "Channel 2" + one.substr(9));
    EXPECT_EQ(m.FailureNameOf(0), "");
    EXPECT_EQ(m.FailureNameOf(1), "Bootp did not respond");
    EXPECT_EQ(m.HelpTopic(1), 3866);
    EXPECT_EQ(m.HelpTopic(34), StepMachine::NoHelpTopic);
    EXPECT_EQ(m.HelpTopic(-1), StepMachine::NoHelpTopic);
}

TEST(Driver, FailureFlowOffersRetryWhereTheUserCanCorrectAndLeadsWhereItShould) {
    using R = Resolution;
    const int F = StepMachine::Failed;
    const struct {
        int kind;
        std::string switchType;
        bool retry;
        int preparedState;  // state right after the failed tick
        Answer answer;
        R::Kind resolution;
        WizardPage page;
        int stateAfter;
    } cases[] = {
        {14, "", true, F, Answer::Retry, R::GoBack, WizardPage::SwitchType, 3},
        {14, "", true, F, Answer::Cancel, R::EndWizard, WizardPage::None, F},
        {15, "National ISDN1", true, 7, Answer::Retry, R::GoBack, WizardPage::LineIdsWithSpids, 3},
        {15, "AT&T 5ESS Custom", true, 7, Answer::Retry, R::GoBack, WizardPage::LineIdsWithSpids, 3},
        {16, "Northern Telecom DMS-100", true, 7, Answer::Retry, R::GoBack, WizardPage::LineIdsWithSpids, 3},
        {16, "AT&T 5ESS Custom Point to Point", true, 7, Answer::Retry, R::GoBack, WizardPage::LineIds, 3},
        {15, "Japan NTT", true, 7, Answer::Cancel, R::RestartTimer, WizardPage::None, 7},
        {16, "", true, 7, Answer::Cancel, R::RestartTimer, WizardPage::None, 7},
        {18, "", true, F, Answer::Retry, R::GoBack, WizardPage::Authentication, 3},
        {24, "", true, F, Answer::Retry, R::GoBack, WizardPage::Dialing, 3},
        {25, "", true, 7, Answer::Retry, R::RestartTimer, WizardPage::None, 7},
        {25, "", true, 7, Answer::Cancel, R::EndWizard, WizardPage::None, 7},
        {26, "", true, F, Answer::Retry, R::GoBack, WizardPage::RouterAddress, 3},
        {28, "", true, 8, Answer::Retry, R::RestartTimer, WizardPage::None, 8},
        {-1, "", false, F, Answer::Ok, R::FinishOnly, WizardPage::None, F},
        {5, "", false, F, Answer::Ok, R::FinishOnly, WizardPage::None, F},
        {17, "", false, F, Answer::Ok, R::FinishOnly, WizardPage::None, F},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " " << c.switchType);
        ConfigSettings settings;
        settings.SetSwitchType(c.switchType);
        Machine m(&settings);
        m.On(6, FailWith(c.kind));
        m.state = StepMachine::CheckingIsdn;
        Driver d(m);
        d.Start();
        ASSERT_TRUE(d.BeginTick().runStep);
        Outcome out = d.EndTick(Driver::CallStep(m));
        ASSERT_EQ(out.kind, Outcome::Failure);
        EXPECT_EQ(out.offersRetry, c.retry);
        EXPECT_EQ(m.state, c.preparedState);
        EXPECT_EQ(out.helpTopic, m.HelpTopic(c.kind));
        EXPECT_EQ(out.logAgain, "Checking ISDN connection\r\n");
        EXPECT_EQ(out.text, m.FailureMessage());
        Resolution r = d.Resolve(c.answer);
        EXPECT_EQ(r.kind, c.resolution);
        EXPECT_EQ(r.page, c.page);
        EXPECT_EQ(m.state, c.stateAfter);
    }
}

TEST(Driver, AFullRunLogsEachStateOnceAndWaitsEachStatesDelay) {
    Machine m;
    int polls = 0;
    m.On(1, [&polls](Machine& r, std::string&) {
        if (++polls == 3)
            r.state = StepMachine::Connecting;
        return 1;
    });
    Recorder rec;
    LoopResult result = RunToEnd(m, rec.host);
    EXPECT_TRUE(result.succeeded);
    EXPECT_EQ(result.finalText, "Congratulations - your Quillet is set up!!\n\nLet's go Surfing!!");
    // A new run starts with lastStep at Searching, so the first state is not logged.
    EXPECT_EQ(rec.log, (std::vector<std::string>{
                           "Waiting for Quillet to request address\r\n", "Connecting to Quillet\r\n",
                           "Configuring Quillet\r\n", "Saving changes and restarting Quillet\r\n",
                           "Reconnecting to Quillet\r\n", "Checking ISDN connection\r\n",
                           "Establishing PPP connection\r\n", "Testing route\r\n",
                           "Setup succeeded. Saving changes\r\n"}));
    EXPECT_EQ(m.state, StepMachine::Finished);
    // Each step is followed by the delay of the state it entered plus its own tick:
    // 1 (x3 polls: 3 after each), 2, 3, 4 and 6, 7, 9 wait 3; 5 waits 60; 8 waits 15.
    const long delays = 3L * 3 + 3 + 3 + 3 + 60 + 3 + 3 + 15 + 3, steps = 3 + 9;
    long total = 0;
    for (long w : rec.waits)
        total += w;
    EXPECT_EQ(total, Driver::FirstTickMs + (delays + steps - 1) * Driver::TickMs);
}

TEST(Driver, ProgressCyclesOneToHundredAndStandsAtHundredOnSuccess) {
    Machine m;
    m.On(1, [](Machine&, std::string&) { return 1; });  // polls for ever
    Driver d(m);
    d.Start();
    for (int i = 0; i < 150; ++i) {
        if (d.BeginTick().runStep)
            d.EndTick(Driver::CallStep(m));
        EXPECT_EQ(d.Progress(), (i + 1) % 100 + 1);
    }
    m.state = StepMachine::Succeeded;
    while (!d.BeginTick().runStep) {
    }
    EXPECT_EQ(d.EndTick(Driver::CallStep(m)).helpTopic, 3862);
    EXPECT_EQ(d.Progress(), 100);
}

TEST(Driver, ChannelFailureAnsweredCancelGoesOnWithOneChannelAndARetriedRouteTestWaitsOneTick) {
    ConfigSettings settings;
    Machine m(&settings);
    m.On(6, FailWith(StepMachine::Channel2Failure));
    int tests = 0;
    m.On(8, [&tests](Machine& r, std::string&) {
        r.state = ++tests == 1 ? StepMachine::Failed : StepMachine::Succeeded;
        r.failureKind = StepMachine::RouteTestFailed;
        return 1;
    });
    Recorder rec;
    rec.answers = {Answer::Cancel, Answer::Retry};
    EXPECT_TRUE(RunToEnd(m, rec.host).succeeded);
    ASSERT_EQ(rec.questions.size(), 2u);
    EXPECT_EQ(rec.questions[0].helpTopic, 3855);
    // The failed step's line again, then dialling without going back to a page.
    const std::vector<std::string> tail(rec.log.end() - 6, rec.log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Checking ISDN connection\r\n", "Checking ISDN connection\r\n",
                                              "Establishing PPP connection\r\n", "Testing route\r\n",
                                              "Testing route\r\n", "Setup succeeded. Saving changes\r\n"}));
    // The failed test, one 1000 ms tick, the second test, 3 ticks, success.
    const std::vector<long> last(rec.waits.end() - 5, rec.waits.end());
    EXPECT_EQ(last, std::vector<long>(5, 1000));
    EXPECT_EQ(tests, 2);
}

TEST(Driver, AnExceptionOutOfStepIsAFailureWithoutRetry) {
    Machine m;
    m.On(4, [](Machine&, std::string&) -> int { throw std::runtime_error("boom"); });
    m.state = StepMachine::SavingAndRestarting;
    Recorder rec;
    LoopResult result = RunToEnd(m, rec.host);
    EXPECT_FALSE(result.succeeded);
    EXPECT_NE(result.finalText.find("'Saving changes and restarting Quillet' and was at step #\n"), std::string::npos);
    EXPECT_EQ(result.resolution.kind, Resolution::FinishOnly);
    EXPECT_FALSE(rec.questions.at(0).offersRetry);
}

} // namespace
