#include "run/Driver.h"

#include "router/ValueTables.h"
#include "run/ConfigSettings.h"

#include <utility>

namespace VLQLWizUIControl {

const char* const Driver::SuccessText =
    "Congratulations - your Quillet is set up!!\n\nLet's go Surfing!!";

namespace {

// Where Retry sends the user for a failure whose Retry goes back to a page.
WizardPage RetryPage(int32_t kind, const ConfigSettings* settings) {
    switch (kind) {
    case StepMachine::IsdnFailure: return WizardPage::SwitchType;
    case StepMachine::Channel1Failure:
    case StepMachine::Channel2Failure:
        return Driver::LineIdPageFor(settings != nullptr ? settings->SwitchType() : "");
    case StepMachine::AuthenticationFailure: return WizardPage::Authentication;
    case StepMachine::DialNoAnswer: return WizardPage::Dialing;
    case StepMachine::IspRejected: return WizardPage::RouterAddress;
    default: return WizardPage::None;
    }
}

} // namespace

void Driver::Start() {
    waitCounter_ = 0;
    progress_ = 1;
    stepText_.clear();
    failedKind_ = StepMachine::NoFailure;
}

Tick Driver::BeginTick() {
    Tick tick;
    stepText_ = run_.StepText();
    progress_ = progress_ % 100 + 1;
    if (waitCounter_ > 0) {
        --waitCounter_;
        stepText_.clear();
        return tick;
    }
    tick.runStep = true;
    if (!run_.logNote.empty())
        tick.logLine = std::exchange(run_.logNote, std::string()) + "\r\n";
    if (!stepText_.empty())
        tick.logLine += stepText_ + "\r\n";
    return tick;
}

Outcome Driver::EndTick(const StepOutcome& step) {
    Outcome out;
    std::string stepText = std::move(stepText_);
    stepText_.clear();
    if (!step.threw && step.result != 0) {
        waitCounter_ = StateDelay(run_.state);
        return out;
    }
    if (!step.threw && run_.state != StepMachine::Failed) {
        progress_ = 100;
        out.kind = Outcome::Success;
        out.text = SuccessText;
        out.helpTopic = SuccessHelpTopic;
        return out;
    }

    const int32_t kind = run_.failureKind;
    failedKind_ = kind;
    out.kind = Outcome::Failure;
    out.offersRetry = OffersRetry(kind);
    // Where the run goes on without a page, its next state is set before asking.
    switch (kind) {
    case StepMachine::Channel1Failure:
    case StepMachine::Channel2Failure:
    case StepMachine::UserBusy: run_.state = StepMachine::EstablishingPpp; break;
    case StepMachine::RouteTestFailed: run_.state = StepMachine::TestingRoute; break;
    default: break;
    }
    out.text = step.message.empty() ? run_.FailureMessage() : step.message;
    if (!run_.logNote.empty())
        out.logAgain = std::exchange(run_.logNote, std::string()) + "\r\n";
    if (!stepText.empty())
        out.logAgain += stepText + "\r\n";
    out.helpTopic = run_.HelpTopic(kind);
    return out;
}

Resolution Driver::Resolve(Answer answer) {
    Resolution r;
    const int32_t kind = failedKind_;
    if (!OffersRetry(kind) || answer == Answer::Ok) {
        r.kind = Resolution::FinishOnly;
        return r;
    }
    if (answer == Answer::Retry) {
        r.page = RetryPage(kind, run_.Settings());
        if (r.page != WizardPage::None) {
            run_.state = StepMachine::Configuring;
            r.kind = Resolution::GoBack;
        } else {
            r.kind = Resolution::RestartTimer;
        }
        return r;
    }
    // Cancel: a channel that did not register still leaves one to go on with.
    if (kind == StepMachine::Channel1Failure || kind == StepMachine::Channel2Failure)
        r.kind = Resolution::RestartTimer;
    else
        r.kind = Resolution::EndWizard;
    return r;
}

StepOutcome Driver::CallStep(StepMachine& run) {
    StepOutcome out;
    try {
        out.result = run.Step(out.message);
    } catch (...) {
        // Any exception that passes Step is a failed run, never the end of the program.
        out.threw = true;
    }
    return out;
}

int Driver::StateDelay(int32_t state) {
    static const int delays[StepMachine::StateCount] = {0, 3, 3, 3, 3, 60, 3, 3, 15, 3, 3, 3, 0};
    return state >= 0 && state < StepMachine::StateCount ? delays[state] : 0;
}

bool Driver::OffersRetry(int32_t kind) {
    switch (kind) {
    case StepMachine::IsdnFailure:
    case StepMachine::Channel1Failure:
    case StepMachine::Channel2Failure:
    case StepMachine::AuthenticationFailure:
    case StepMachine::DialNoAnswer:
    case StepMachine::UserBusy:
    case StepMachine::IspRejected:
    case StepMachine::RouteTestFailed: return true;
    default: return false;
    }
}

WizardPage Driver::LineIdPageFor(const std::string& switchType) {
    return UsesSpids(switchType) ? WizardPage::LineIdsWithSpids : WizardPage::LineIds;
}

ProbeResult InterpretProbe(const StepMachine& probe, const std::string& stepMessage) {
    if (probe.state != StepMachine::Failed)
        return {ProbeResult::Found, ""};
    switch (probe.failureKind) {
    case StepMachine::NoFailure:
    case StepMachine::RouterNotFound: return {ProbeResult::NoRouter, ""};
    case StepMachine::BadPassword: return {ProbeResult::BadPassword, BadPasswordText};
    case StepMachine::NetworkError:
        return {ProbeResult::NetworkError, "Error communicating with Quillet.  The Wizard will exit now."};
    case StepMachine::ConnectionRefused: return {ProbeResult::Refused, stepMessage};
    default: return {ProbeResult::OtherError, "Miscellaneous Error"};
    }
}

LoopResult RunToEnd(StepMachine& run, LoopHost& host) {
    Driver driver(run);
    driver.Start();
    host.wait(Driver::FirstTickMs);
    for (;;) {
        Tick tick = driver.BeginTick();
        if (!tick.runStep) {
            host.wait(Driver::TickMs);
            continue;
        }
        if (!tick.logLine.empty())
            host.log(tick.logLine);
        Outcome out = driver.EndTick(Driver::CallStep(run));
        if (out.kind == Outcome::Continue) {
            host.wait(Driver::TickMs);
            continue;
        }
        LoopResult result;
        result.finalText = out.text;
        if (out.kind == Outcome::Success) {
            result.succeeded = true;
            return result;
        }
        if (!out.logAgain.empty())
            host.log(out.logAgain);
        result.resolution = driver.Resolve(host.ask(out));
        if (result.resolution.kind == Resolution::RestartTimer) {
            host.wait(Driver::TickMs);
            continue;
        }
        return result;
    }
}

} // namespace VLQLWizUIControl
