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
    "usage: qlwiz-batch [--new | --dry-run [--show-secrets]] SETTINGS_FILE\n"
    "       qlwiz-batch --restore SNAPSHOT_FILE [--password-file FILE]\n"
    "       qlwiz-batch --backup ADDRESS [--password-file FILE]\n"
    "       qlwiz-batch --diff SNAPSHOT_FILE [SNAPSHOT_FILE] [--show-secrets] [--password-file FILE]\n"
    "       qlwiz-batch --help | --version";

const char* const kHelp =
    "Configures a Quillet from a settings file, as the wizard would.\n"
    "\n"
    "  --new                   take the router for a new one: no probe, straight to BOOTP\n"
    "  --dry-run SETTINGS_FILE print the command lines the run would send, send none\n"
    "  --show-secrets          with --dry-run or --diff: show passwords in clear\n"
    "  --restore SNAPSHOT_FILE put the router back as a run's snapshot found it\n"
    "  --backup ADDRESS        keep a snapshot of the router at ADDRESS, change nothing\n"
    "  --diff SNAPSHOT_FILE    what the router the snapshot names holds differently, one\n"
    "                          setting a line; with two files, what the second differs in\n"
    "  --password-file FILE    the router's password is the first line of FILE (else\n"
    "                          $QLWIZ_PASSWORD, else none; --restore and --diff also try the\n"
    "                          snapshot's own)\n"
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
    "snapshot; --backup: no router answered or it refused the password), 2 bad usage, bad\n"
    "settings or a malformed snapshot. --diff: 0 the same, 1 different, 2 trouble.\n";

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
    enum class Mode { Probe, New, DryRun, Restore, Backup, Diff } mode = Mode::Probe;
    std::vector<std::string> operands;
    bool showSecrets = false;
    std::string passwordFile;
    bool passwordFileNext = false;
    for (const std::string& arg : args) {
        if (passwordFileNext) {
            passwordFile = arg;
            passwordFileNext = false;
        } else if (args.size() == 1 && arg == "--help") {
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
        } else if (mode == Mode::Probe && arg == "--backup") {
            mode = Mode::Backup;
        } else if (mode == Mode::Probe && arg == "--diff") {
            mode = Mode::Diff;
        } else if (!showSecrets && arg == "--show-secrets") {
            showSecrets = true;
        } else if (passwordFile.empty() && arg == "--password-file") {
            passwordFileNext = true;
        } else if (!arg.empty() && arg[0] != '-') {
            operands.push_back(arg);
        } else {
            err << kUsage << "\n";
            return BadUsage;
        }
    }
    const size_t most = mode == Mode::Diff ? 2 : 1;
    const bool secretsFit = !showSecrets || mode == Mode::DryRun || mode == Mode::Diff;
    const bool passwordFits =
        passwordFile.empty() || mode == Mode::Backup || mode == Mode::Diff || mode == Mode::Restore;
    if (passwordFileNext || operands.empty() || operands.size() > most || !secretsFit || !passwordFits) {
        err << kUsage << "\n";
        return BadUsage;
    }
    const std::string& path = operands[0];
    if (mode == Mode::Restore || mode == Mode::Backup || mode == Mode::Diff) {
        std::string password;
        if (!ReadPassword(passwordFile, password, err))
            return BadUsage;
        if (mode == Mode::Restore)
            return Restore(path, password, out, err);
        if (mode == Mode::Backup)
            return Backup(path, password, out, err);
        return Diff(operands, password, showSecrets, out, err);
    }

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
