#include "batch/SnapshotCommands.h"

#include "batch/BatchRun.h"
#include "batch/SettingsFile.h"
#include "platform/Time.h"
#include "run/ConfigSettings.h"
#include "run/Driver.h"
#include "run/Process.h"
#include "run/RouterRestore.h"

namespace batch {

namespace {

using VLQLWizUIControl::Process;
using VLQLWizUIControl::RouterRestore;
using VLQLWizUIControl::RouterSnapshot;
using VLQLWizUIControl::StepMachine;

const char* const kUsage =
    "usage: qlwiz-batch --dry-run SETTINGS_FILE\n"
    "       qlwiz-batch --restore SNAPSHOT_FILE";

// A path as a shell would need it typed.
std::string ShellWord(const std::string& text) {
    if (!text.empty() && text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                "0123456789/._-+:@") == std::string::npos)
        return text;
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Probes and reads the router as a normal run does, then prints what the configure
// step would send; none of it is sent.
int DryRun(const std::string& path, std::ostream& out, std::ostream& err) {
    SettingsFile file;
    std::string error;
    if (!file.Load(path, error)) {
        err << error << "\n";
        return BadUsage;
    }
    ConfigSettings settings;
    file.ApplyTo(settings, error);
    Process probe(&settings);
    probe.state = StepMachine::Connecting;
    const VLQLWizUIControl::StepOutcome step = VLQLWizUIControl::Driver::CallStep(probe);
    if (step.threw || probe.state == StepMachine::Failed) {
        const int32_t kind = probe.failureKind;
        std::string message = step.message;
        if (message.empty() && kind != StepMachine::NoFailure && !step.threw)
            message = probe.FailureTextOf(kind);
        if (kind == StepMachine::NoFailure || kind == 4 || message.empty())
            message = "No Quillet answered at " + settings.RouterAddress() + "; nothing to preview.";
        out << message << "\n";
        return RunFailed;
    }
    std::string message;
    probe.ReadRouterSettings(message);
    file.ApplyTo(settings, error);  // what the file says wins, as in a run
    std::vector<std::string> lines;
    const bool complete = probe.PreviewConfigure(lines, error, false);
    for (const std::string& line : lines)
        out << line << "\n";
    out << std::flush;
    if (!complete) {
        err << "qlwiz-batch: " << error << "\n";
        return RunFailed;
    }
    return Success;
}

int Restore(const std::string& path, std::ostream& out, std::ostream& err) {
    RouterSnapshot snapshot;
    std::string error;
    if (!RouterSnapshot::ReadFile(path, snapshot, error)) {
        err << "qlwiz-batch: " << error << "\n";
        return BadUsage;
    }
    RouterRestore restore(std::move(snapshot));
    std::string message;
    for (;;) {
        out << restore.StepText() << "\n" << std::flush;
        const int more = restore.Step(message);
        if (restore.stage == RouterRestore::Writing)
            err << "qlwiz-batch: logged in with " << restore.passwordUsed << "\n";
        if (more == 0)
            break;
        platform::Sleep(restore.DelayMs());
    }
    out << (restore.stage == RouterRestore::Failed ? message : restore.ResultText()) << "\n";
    return restore.Succeeded() ? Success : RunFailed;
}

} // namespace

bool IsSnapshotCommand(const std::vector<std::string>& args) {
    return !args.empty() && (args[0] == "--dry-run" || args[0] == "--restore");
}

int RunSnapshotCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2 || args[1].empty() || args[1][0] == '-') {
        err << kUsage << "\n";
        return BadUsage;
    }
    return args[0] == "--dry-run" ? DryRun(args[1], out, err) : Restore(args[1], out, err);
}

void TellRestore(const Process& run, std::ostream& err) {
    if (run.snapshotPath.empty())
        return;
    err << "qlwiz-batch: to put the Quillet back as it was, run: qlwiz-batch --restore "
        << ShellWord(run.snapshotPath) << "\n"
        << std::flush;
}

} // namespace batch
