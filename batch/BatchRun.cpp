#include "batch/BatchRun.h"

#include "batch/SettingsFile.h"
#include "batch/SnapshotCommands.h"
#include "run/ConfigSettings.h"
#include "run/Driver.h"
#include "run/FailureCause.h"
#include "run/Process.h"

#include "platform/Time.h"

#include "qlwiz_version.h"

#include <memory>

namespace batch {

namespace {

using VLQLWizUIControl::Process;
using VLQLWizUIControl::StepMachine;

const char* const kUsage =
    "usage: qlwiz-batch [--new | --dry-run [--show-secrets]] SETTINGS_FILE | --restore SNAPSHOT_FILE |\n"
    "       --help | --version";

const char* const kHelp =
    "Configures a Quillet from a settings file, as the wizard would.\n"
    "\n"
    "  --new                   take the router for a new one: no probe, straight to BOOTP\n"
    "  --dry-run SETTINGS_FILE print the command lines the run would send, send none\n"
    "  --show-secrets          with --dry-run: show passwords instead of ********\n"
    "  --restore SNAPSHOT_FILE put the router back as a run's snapshot found it\n"
    "  --help                  print this text\n"
    "  --version               print the program's version\n"
    "\n"
    "SETTINGS_FILE holds one Key=Value a line; '#' starts a comment line. Keys:\n"
    "%KEYS%"
    "Values go through the wizard pages' checks. Standard output is the progress log and\n"
    "the final message; every question is answered Cancel.\n"
    "\n"
    "Before it changes anything a run keeps a snapshot of the router (it holds passwords)\n"
    "in $QLWIZ_SNAPSHOT_DIR, else ${XDG_STATE_HOME:-~/.local/state}/qlwiz/.\n"
    "\n"
    "Exit status: 0 success, 1 the run failed (--restore: the router differs from the\n"
    "snapshot), 2 bad usage, bad settings or (--restore) a malformed snapshot.\n";

// The help text with the settings file's keys, a few to a line.
std::string Help() {
    std::string keys;
    size_t width = 0;
    for (const std::string& key : SettingsFile::Keys()) {
        if (width > 0 && width + key.size() + 1 > 86) {
            keys.append(1, '\n');
            width = 0;
        }
        keys.append(width == 0 ? "  " : " ").append(key);
        width += (width == 0 ? 2 : 1) + key.size();
    }
    keys.append(1, '\n');
    std::string text = kHelp;
    return text.replace(text.find("%KEYS%"), 6, keys);
}

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

// The final message is the wizard's; the reader of a log also needs to know why, in the
// words the wizard's failure box uses.
void ReportFailure(const Process& run, std::ostream& err) {
    const std::string cause = VLQLWizUIControl::LastExchangeCause();
    err << "qlwiz-batch: failed in state " << run.lastStep << " \"" << run.StepTextOf(run.lastStep)
        << "\", substep " << run.failureKind << " \"" << run.FailureNameOf(run.failureKind)
        << "\": " << (cause.empty() ? "no socket error, no refused command" : cause) << "\n" << std::flush;
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
    if (!result.succeeded)
        ReportFailure(run, err);
    out << result.finalText << "\n" << std::flush;
    if (!result.succeeded)
        TellRestore(run, err);
    return result.succeeded ? Success : RunFailed;
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    // One loop reads every form of the command line, so there is one usage text.
    enum class Mode { Probe, New, DryRun, Restore } mode = Mode::Probe;
    std::string path;
    bool showSecrets = false;
    for (const std::string& arg : args) {
        if (args.size() == 1 && arg == "--help") {
            out << kUsage << "\n\n" << Help();
            return Success;
        } else if (args.size() == 1 && arg == "--version") {
            out << "qlwiz-batch " << QLWIZ_VERSION << "\n";
            return Success;
        } else if (mode == Mode::Probe && arg == "--new") {
            mode = Mode::New;
        } else if (mode == Mode::Probe && arg == "--dry-run") {
            mode = Mode::DryRun;
        } else if (mode == Mode::Probe && arg == "--restore") {
            mode = Mode::Restore;
        } else if (!showSecrets && arg == "--show-secrets") {
            showSecrets = true;
        } else if (path.empty() && !arg.empty() && arg[0] != '-') {
            path = arg;
        } else {
            err << kUsage << "\n";
            return BadUsage;
        }
    }
    if (path.empty() || (showSecrets && mode != Mode::DryRun)) {
        err << kUsage << "\n";
        return BadUsage;
    }
    if (mode == Mode::Restore)
        return Restore(path, out, err);

    SettingsFile file;
    std::string error;
    if (!file.Load(path, error)) {
        err << error << "\n";
        return BadUsage;
    }
    ConfigSettings settings;
    file.ApplyTo(settings, error);
    if (mode == Mode::DryRun)
        return DryRun(file, settings, showSecrets, out, err);

    if (mode == Mode::Probe) {
        auto probe = std::make_unique<Process>(&settings);
        probe->state = StepMachine::Connecting;
        VLQLWizUIControl::StepOutcome step = VLQLWizUIControl::Driver::CallStep(*probe);
        const VLQLWizUIControl::ProbeResult found = VLQLWizUIControl::InterpretProbe(*probe, step.message);
        if (!step.threw && found.kind == VLQLWizUIControl::ProbeResult::Found) {
            err << "qlwiz-batch: Quillet found at " << settings.RouterAddress() << "\n";
            std::string message;
            probe->ReadRouterSettings(message);
            // What the file says wins over what the router holds.
            file.ApplyTo(settings, error);
            return Configure(*probe, out, err);
        }
        if (step.threw || found.kind != VLQLWizUIControl::ProbeResult::NoRouter) {
            const std::string message = step.threw ? "Miscellaneous Error" : found.message;
            ReportFailure(*probe, err);
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
