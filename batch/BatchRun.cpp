#include "batch/BatchRun.h"

#include "batch/SettingsFile.h"
#include "batch/SnapshotCommands.h"
#include "run/ConfigSettings.h"
#include "run/Driver.h"
#include "run/Process.h"

#include "platform/Time.h"

#include <memory>

namespace batch {

namespace {

using VLQLWizUIControl::Process;
using VLQLWizUIControl::StepMachine;

const char* const kUsage = "usage: qlwiz-batch [--new] SETTINGS_FILE";

// The log keeps the wizard's line ends; a terminal wants plain ones.
std::string PlainLines(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

// The router address page's message for a probe that found no usable router, or ""
// when no router answered at all (then the router is taken for a new one).
std::string ProbeFailureMessage(const Process& probe, const std::string& stepMessage) {
    switch (probe.failureKind) {
    case StepMachine::NoFailure:
    case 4: return "";
    case StepMachine::BadPassword: return "Bad Password - press Retry to reenter.";
    case StepMachine::NetworkError:
        return "Error communicating with Quillet.  The Wizard will exit now.";
    case StepMachine::ConnectionRefused: return stepMessage;
    default: return "Miscellaneous Error";
    }
}

int Configure(Process& run, std::ostream& out, std::ostream& err) {
    VLQLWizUIControl::LoopHost host;
    host.wait = [](long ms) { platform::Sleep(ms); };
    host.log = [&out](const std::string& text) { out << PlainLines(text) << std::flush; };
    // Nobody is there to correct a page: every question is answered Cancel, which goes
    // on with one channel after a channel failure and ends the run otherwise.
    host.ask = [&err](const VLQLWizUIControl::Outcome& question) {
        if (!question.offersRetry)
            return VLQLWizUIControl::Answer::Ok;
        // The question itself is no log line; it goes to the diagnostics.
        err << "qlwiz-batch: answering Cancel to: " << question.text << "\n" << std::flush;
        return VLQLWizUIControl::Answer::Cancel;
    };
    VLQLWizUIControl::LoopResult result = VLQLWizUIControl::RunToEnd(run, host);
    out << result.finalText << "\n" << std::flush;
    if (!result.succeeded)
        TellRestore(run, err);
    return result.succeeded ? Success : RunFailed;
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (IsSnapshotCommand(args))
        return RunSnapshotCommand(args, out, err);
    bool isNew = false;
    std::string path;
    for (const std::string& arg : args) {
        if (arg == "--new" && !isNew) {
            isNew = true;
        } else if (path.empty() && !arg.empty() && arg[0] != '-') {
            path = arg;
        } else {
            err << kUsage << "\n";
            return BadUsage;
        }
    }
    if (path.empty()) {
        err << kUsage << "\n";
        return BadUsage;
    }

    SettingsFile file;
    std::string error;
    if (!file.Load(path, error)) {
        err << error << "\n";
        return BadUsage;
    }
    ConfigSettings settings;
    file.ApplyTo(settings, error);

    if (!isNew) {
        auto probe = std::make_unique<Process>(&settings);
        probe->state = StepMachine::Connecting;
        VLQLWizUIControl::StepOutcome step = VLQLWizUIControl::Driver::CallStep(*probe);
        if (!step.threw && probe->state != StepMachine::Failed) {
            err << "qlwiz-batch: Quillet found at " << settings.RouterAddress() << "\n";
            std::string message;
            probe->ReadRouterSettings(message);
            // What the file says wins over what the router holds.
            file.ApplyTo(settings, error);
            return Configure(*probe, out, err);
        }
        std::string message = step.threw ? "Miscellaneous Error"
                                          : ProbeFailureMessage(*probe, step.message);
        if (!message.empty()) {
            out << message << "\n" << std::flush;
            return RunFailed;
        }
        err << "qlwiz-batch: no Quillet answered at " << settings.RouterAddress()
            << "; configuring a new one\n";
    }
    Process run(&settings);
    return Configure(run, out, err);
}

} // namespace batch
