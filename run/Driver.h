// The tick driver of a configuration run, written once for both front ends (the
// wizard's progress page and qlwiz-batch): one Step per tick, the waits after each
// state, the log lines, the success and failure outcomes and the Retry/Cancel flow.
//
// It owns no timer and no window. A tick is split around the blocking call so that a
// GUI can run Step on a worker thread:
//   Tick t = driver.BeginTick();        // UI thread: append t.logLine, or just re-arm
//   StepOutcome o = Driver::CallStep(run); // any thread; nothing else touches the run
//   Outcome out = driver.EndTick(o);    // UI thread: continue, success or a question
//   Resolution r = driver.Resolve(answer); // after a failure question was answered
#pragma once

#include "run/StepMachine.h"

#include <functional>
#include <string>

namespace VLQLWizUIControl {

// Pages the failure flow can send the user back to.
enum class WizardPage {
    None,
    RouterAddress,
    SwitchType,
    LineIdsWithSpids,
    LineIds,
    Dialing,
    Authentication,
};

// Buttons of the failure question: OK when no Retry is offered, else Retry or Cancel.
enum class Answer { Ok, Retry, Cancel };

struct Tick {
    bool runStep = false;  // false: a waiting tick; re-arm the timer with TickMs
    std::string logLine;   // to append to the log before the step ("" for none)
};

// What one Step call did.
struct StepOutcome {
    int result = 0;
    bool threw = false;
    std::string message;
};

// What a probe found: a run set to Connecting and stepped once (without throwing), as the
// router address page and qlwiz-batch make it, with what each outcome means for the front
// end. `stepMessage` is the step's own message.
struct ProbeResult {
    enum Kind {
        Found,          // a router answered: read it back and go on from Configuring
        NoRouter,       // none answered: a new router, found through BOOTP
        BadPassword,    // ask for the password again
        NetworkError,   // the session broke off: the wizard ends
        Refused,        // another administrative connection holds the router
        OtherError,
    };
    Kind kind = OtherError;
    // The router address page's message for the failures ("" for Found and NoRouter).
    std::string message;
};
ProbeResult InterpretProbe(const StepMachine& probe, const std::string& stepMessage);

// The wizard's words when the router refused a password the user typed.
inline constexpr const char* BadPasswordText = "Bad Password - press Retry to reenter.";

struct Outcome {
    enum Kind { Continue, Success, Failure };
    Kind kind = Continue;
    // Failure: the step's line to append to the log once more, before the question.
    std::string logAgain;
    // Success: the congratulation; Failure: the message of the question.
    std::string text;
    int32_t helpTopic = StepMachine::NoHelpTopic;
    // Failure: Retry and Cancel with the question icon; otherwise OK with the stop icon.
    bool offersRetry = false;
};

struct Resolution {
    enum Kind {
        GoBack,        // show `page`, enable Back and Next; the run waits at Configuring
        RestartTimer,  // re-arm with TickMs and enable Back and Next; the run goes on
        EndWizard,     // press Finish
        FinishOnly,    // set the Finish text, enable only Finish; the user ends it
    };
    Kind kind = FinishOnly;
    WizardPage page = WizardPage::None;
};

class Driver {
public:
    static constexpr long FirstTickMs = 50;
    static constexpr long TickMs = 1000;
    static constexpr int32_t SuccessHelpTopic = 3862;
    static const char* const SuccessText;

    explicit Driver(StepMachine& run) : run_(run) {}

    // The page became active: no wait pending, progress at 1. The front end then arms
    // its timer with FirstTickMs.
    void Start();
    Tick BeginTick();
    Outcome EndTick(const StepOutcome& step);
    // The answer to the failure question of the last EndTick.
    Resolution Resolve(Answer answer);

    int Progress() const { return progress_; }
    int WaitCounter() const { return waitCounter_; }

    // The blocking call: Step with an empty message, any exception caught and reported.
    static StepOutcome CallStep(StepMachine& run);
    // Ticks to wait after a step left the run in `state`.
    static int StateDelay(int32_t state);
    // Whether Retry is offered for a failure kind, and where it leads.
    static bool OffersRetry(int32_t kind);
    // The line-ID page that fits a switch type (with SPID fields or without).
    static WizardPage LineIdPageFor(const std::string& switchType);

private:
    StepMachine& run_;
    int waitCounter_ = 0;
    int progress_ = 1;
    std::string stepText_;
    int32_t failedKind_ = StepMachine::NoFailure;
};

// A front end that waits in place (qlwiz-batch, tests): how it waits, logs and answers.
struct LoopHost {
    std::function<void(long ms)> wait;                 // the timer; ms unscaled
    std::function<void(const std::string&)> log;       // one appended text
    std::function<Answer(const Outcome&)> ask;         // the failure question
};

struct LoopResult {
    bool succeeded = false;
    std::string finalText;  // the congratulation or the failure message
    Resolution resolution;  // how a failed run was left
};

// Ticks the run to its end. A Retry that goes back to a page ends the loop too: only a
// person at the pages can go on from there.
LoopResult RunToEnd(StepMachine& run, LoopHost& host);

} // namespace VLQLWizUIControl
