#include "ScriptedMachine.h"

#include "run/ConfigSettings.h"
#include "run/Driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using namespace VLQLWizUIControl;

namespace {

// Ends the run in `s` with `kind`, as a failing handler does.
ScriptedMachine::Handler FailWith(int kind, std::string message = "") {
    return [kind, message](ScriptedMachine& r, std::string& m) {
        r.state = StepMachine::Failed;
        r.failureKind = kind;
        m = message;
        return 1;
    };
}

// A front end that records everything and answers from a script.
struct Recorder {
    std::vector<std::string> log;
    std::vector<long> waits;
    std::vector<Outcome> questions;
    std::vector<Answer> answers;  // used in order; Cancel when exhausted
    LoopHost host;

    Recorder() {
        host.wait = [this](long ms) { waits.push_back(ms); };
        host.log = [this](const std::string& t) { log.push_back(t); };
        host.ask = [this](const Outcome& o) {
            questions.push_back(o);
            if (questions.size() <= answers.size())
                return answers[questions.size() - 1];
            return Answer::Cancel;
        };
    }
    long TotalWait() const {
        long t = 0;
        for (long w : waits)
            t += w;
        return t;
    }
};

} // namespace

TEST(Driver, FailureFlowOffersRetryWhereTheUserCanCorrectAndLeadsWhereItShould) {
    using R = Resolution;
    struct Case {
        int kind;
        std::string switchType;
        bool retry;
        int preparedState;  // state right after the failed tick
        Answer answer;
        R::Kind resolution;
        WizardPage page;
        int stateAfter;
    };
    const int F = StepMachine::Failed;
    const Case cases[] = {
        {14, "", true, F, Answer::Retry, R::GoBack, WizardPage::SwitchType, 3},
        {14, "", true, F, Answer::Cancel, R::EndWizard, WizardPage::None, F},
        {15, "National ISDN1", true, 7, Answer::Retry, R::GoBack, WizardPage::LineIdsWithSpids, 3},
        {15, "AT&T 5ESS Custom", true, 7, Answer::Retry, R::GoBack, WizardPage::LineIdsWithSpids, 3},
        {16, "Northern Telecom DMS-100", true, 7, Answer::Retry, R::GoBack,
         WizardPage::LineIdsWithSpids, 3},
        {15, "Japan NTT", true, 7, Answer::Retry, R::GoBack, WizardPage::LineIds, 3},
        {16, "AT&T 5ESS Custom Point to Point", true, 7, Answer::Retry, R::GoBack,
         WizardPage::LineIds, 3},
        {15, "Japan NTT", true, 7, Answer::Cancel, R::RestartTimer, WizardPage::None, 7},
        {16, "", true, 7, Answer::Cancel, R::RestartTimer, WizardPage::None, 7},
        {18, "", true, F, Answer::Retry, R::GoBack, WizardPage::Authentication, 3},
        {18, "", true, F, Answer::Cancel, R::EndWizard, WizardPage::None, F},
        {24, "", true, F, Answer::Retry, R::GoBack, WizardPage::Dialing, 3},
        {25, "", true, 7, Answer::Retry, R::RestartTimer, WizardPage::None, 7},
        {25, "", true, 7, Answer::Cancel, R::EndWizard, WizardPage::None, 7},
        {26, "", true, F, Answer::Retry, R::GoBack, WizardPage::RouterAddress, 3},
        {28, "", true, 8, Answer::Retry, R::RestartTimer, WizardPage::None, 8},
        {28, "", true, 8, Answer::Cancel, R::EndWizard, WizardPage::None, 8},
        {-1, "", false, F, Answer::Ok, R::FinishOnly, WizardPage::None, F},
        {1, "", false, F, Answer::Ok, R::FinishOnly, WizardPage::None, F},
        {5, "", false, F, Answer::Ok, R::FinishOnly, WizardPage::None, F},
        {12, "", false, F, Answer::Ok, R::FinishOnly, WizardPage::None, F},
        {17, "", false, F, Answer::Ok, R::FinishOnly, WizardPage::None, F},
        {21, "", false, F, Answer::Ok, R::FinishOnly, WizardPage::None, F},
        {29, "", false, F, Answer::Ok, R::FinishOnly, WizardPage::None, F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " " << c.switchType);
        ConfigSettings settings;
        settings.SetSwitchType(c.switchType);
        ScriptedMachine m(&settings);
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
        Resolution r = d.Resolve(c.answer);
        EXPECT_EQ(r.kind, c.resolution);
        EXPECT_EQ(r.page, c.page);
        EXPECT_EQ(m.state, c.stateAfter);
    }
}

TEST(Driver, FailureQuestionShowsTheStepsMessageElseFailureMessageAndRepeatsTheLogLine) {
    ScriptedMachine m;
    m.On(2, FailWith(StepMachine::ConnectionRefused, "refused by the router"));
    m.state = StepMachine::Connecting;
    m.lastStep = StepMachine::Searching;
    Driver d(m);
    d.Start();
    Tick t = d.BeginTick();
    EXPECT_EQ(t.logLine, "Connecting to Quillet\r\n");
    Outcome out = d.EndTick(Driver::CallStep(m));
    EXPECT_EQ(out.text, "refused by the router");
    EXPECT_EQ(out.logAgain, "Connecting to Quillet\r\n");

    // A failure in a repeated state has no step text to repeat; the kind's text is shown.
    ScriptedMachine m2;
    m2.On(3, FailWith(StepMachine::SettingFilter));
    m2.state = m2.lastStep = StepMachine::Configuring;
    Driver d2(m2);
    d2.Start();
    EXPECT_EQ(d2.BeginTick().logLine, "");
    out = d2.EndTick(Driver::CallStep(m2));
    EXPECT_EQ(out.text, "Creating Filters");
    EXPECT_EQ(out.logAgain, "");
    EXPECT_EQ(out.helpTopic, 3851);
    EXPECT_FALSE(out.offersRetry);
}

TEST(Driver, AnExceptionOutOfStepIsAFailureWithoutRetry) {
    ScriptedMachine m;
    m.On(4, [](ScriptedMachine&, std::string&) -> int { throw std::runtime_error("boom"); });
    m.state = StepMachine::SavingAndRestarting;
    m.lastStep = StepMachine::Configuring;
    Driver d(m);
    d.Start();
    d.BeginTick();
    StepOutcome step = Driver::CallStep(m);
    EXPECT_TRUE(step.threw);
    Outcome out = d.EndTick(step);
    EXPECT_EQ(out.kind, Outcome::Failure);
    EXPECT_FALSE(out.offersRetry);
    EXPECT_EQ(out.text.rfind("An unexpected error has occurred", 0), 0u);
    EXPECT_NE(out.text.find("'Saving changes and restarting Quillet' and was at step #\n"),
              std::string::npos);
    EXPECT_EQ(out.logAgain, "Saving changes and restarting Quillet\r\n");
    EXPECT_EQ(d.Resolve(Answer::Ok).kind, Resolution::FinishOnly);
}

TEST(Driver, AFullRunLogsEachStateOnceAndWaitsEachStatesDelay) {
    ScriptedMachine m;
    int polls = 0;
    m.On(1, [&polls](ScriptedMachine& r, std::string&) {
        if (++polls == 3)
            r.state = StepMachine::Connecting;
        return 1;
    });
    Recorder rec;
    LoopResult result = RunToEnd(m, rec.host);
    EXPECT_TRUE(result.succeeded);
    EXPECT_EQ(result.finalText, "Congratulations - your Quillet is set up!!\n\nLet's go Surfing!!");
    // A new run starts with lastStep at Searching, so the first state is not logged.
    const std::vector<std::string> expected = {
        "Waiting for Quillet to request address\r\n",
        "Connecting to Quillet\r\n",
        "Configuring Quillet\r\n",
        "Saving changes and restarting Quillet\r\n",
        "Reconnecting to Quillet\r\n",
        "Checking ISDN connection\r\n",
        "Establishing PPP connection\r\n",
        "Testing route\r\n",
        "Setup succeeded. Saving changes\r\n",
    };
    EXPECT_EQ(rec.log, expected);
    EXPECT_EQ(m.state, StepMachine::Finished);
    EXPECT_TRUE(rec.questions.empty());
    // Each step is followed by the delay of the state it entered plus its own tick:
    // 1 (x3 polls: 3 after each), 2, 3, 4 and 6, 7, 9 wait 3; 5 waits 60; 8 waits 15.
    const long delays = 3L * 3 + 3 + 3 + 3 + 60 + 3 + 3 + 15 + 3;
    const long steps = 3 + 9;  // ticks that ran a step, after which the timer re-arms
    EXPECT_EQ(rec.TotalWait(), Driver::FirstTickMs + (delays + steps - 1) * Driver::TickMs);
}

TEST(Driver, ProgressCyclesOneToHundredAndStandsAtHundredOnSuccess) {
    ScriptedMachine m;
    m.On(1, [](ScriptedMachine&, std::string&) { return 1; });  // polls for ever
    Driver d(m);
    d.Start();
    EXPECT_EQ(d.Progress(), 1);
    for (int i = 0; i < 150; ++i) {
        Tick t = d.BeginTick();
        EXPECT_EQ(d.Progress(), (i + 1) % 100 + 1);
        if (t.runStep)
            d.EndTick(Driver::CallStep(m));
    }
    m.state = StepMachine::Succeeded;
    while (!d.BeginTick().runStep) {
    }
    Outcome out = d.EndTick(Driver::CallStep(m));
    EXPECT_EQ(out.kind, Outcome::Success);
    EXPECT_EQ(out.helpTopic, 3862);
    EXPECT_EQ(d.Progress(), 100);
}

TEST(Driver, ChannelFailureAnsweredCancelGoesOnWithOneChannel) {
    ConfigSettings settings;
    ScriptedMachine m(&settings);
    m.On(6, FailWith(StepMachine::Channel2Failure));
    Recorder rec;
    LoopResult result = RunToEnd(m, rec.host);
    EXPECT_TRUE(result.succeeded);
    ASSERT_EQ(rec.questions.size(), 1u);
    EXPECT_TRUE(rec.questions[0].offersRetry);
    EXPECT_EQ(rec.questions[0].helpTopic, 3855);
    // The dial step ran after the channel failure, with no page in between.
    ASSERT_GE(m.calls.size(), 2u);
    EXPECT_EQ(m.calls[m.calls.size() - 2], 7);
    // The failed line, the step's text again, then dialling.
    auto at = std::find(rec.log.begin(), rec.log.end(),
                        "Setup Failed in step: Checking ISDN connection\r\n  Substate:" +
                            m.FailureTextOf(StepMachine::Channel2Failure) + "\r\n");
    // The failing tick took its text before Step, and the next tick runs state 7: the
    // failed state's own line never reaches the log.
    EXPECT_EQ(at, rec.log.end());
    const std::vector<std::string> tail(rec.log.end() - 5, rec.log.end());
    const std::vector<std::string> expected = {
        "Checking ISDN connection\r\n", "Checking ISDN connection\r\n",
        "Establishing PPP connection\r\n", "Testing route\r\n",
        "Setup succeeded. Saving changes\r\n"};
    EXPECT_EQ(tail, expected);
}

TEST(Driver, RetriedRouteTestRunsAgainAfterOneTickWithoutTheLongWait) {
    ScriptedMachine m;
    int tests = 0;
    m.On(8, [&tests](ScriptedMachine& r, std::string&) {
        r.state = ++tests == 1 ? StepMachine::Failed : StepMachine::Succeeded;
        r.failureKind = StepMachine::RouteTestFailed;
        return 1;
    });
    m.state = m.lastStep = StepMachine::TestingRoute;
    Recorder rec;
    rec.answers = {Answer::Retry};
    LoopResult result = RunToEnd(m, rec.host);
    EXPECT_TRUE(result.succeeded);
    EXPECT_EQ(tests, 2);
    // First tick, the failed test, one 1000 ms tick, the second test, 3 ticks, success.
    const std::vector<long> expected = {50, 1000, 1000, 1000, 1000, 1000};
    EXPECT_EQ(rec.waits, expected);
}

TEST(Driver, RetryThatGoesBackLeavesTheRunAtConfiguring) {
    ConfigSettings settings;
    ScriptedMachine m(&settings);
    m.On(7, FailWith(StepMachine::AuthenticationFailure));
    m.state = StepMachine::CheckingIsdn;
    Recorder rec;
    rec.answers = {Answer::Retry};
    LoopResult result = RunToEnd(m, rec.host);
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.resolution.kind, Resolution::GoBack);
    EXPECT_EQ(result.resolution.page, WizardPage::Authentication);
    EXPECT_EQ(m.state, StepMachine::Configuring);
    // Coming forward again the page starts afresh and logs the configure step.
    Driver d(m);
    d.Start();
    EXPECT_EQ(d.BeginTick().logLine, "Configuring Quillet\r\n");
}
