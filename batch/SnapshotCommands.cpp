#include "batch/SnapshotCommands.h"

#include "batch/BatchRun.h"
#include "batch/SettingsFile.h"
#include "platform/Time.h"
#include "cmdlib/vl.h"
#include "run/CommandPreview.h"
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

// The library's read-only mode for as long as it lives.
struct ReadOnly {
    ReadOnly() { vl_set_read_only(1); }
    ~ReadOnly() { vl_set_read_only(0); }
    ReadOnly(const ReadOnly&) = delete;
    ReadOnly& operator=(const ReadOnly&) = delete;
};

} // namespace

int DryRun(const SettingsFile& file, ConfigSettings& settings, bool showSecrets, std::ostream& out,
           std::ostream& err) {
    // From the login on: a preview that changed the router would be no preview.
    ReadOnly readOnly;
    std::string error;
    Process probe(&settings);
    probe.state = StepMachine::Connecting;
    const VLQLWizUIControl::StepOutcome step = VLQLWizUIControl::Driver::CallStep(probe);
    const VLQLWizUIControl::ProbeResult found = VLQLWizUIControl::InterpretProbe(probe, step.message);
    if (step.threw || found.kind != VLQLWizUIControl::ProbeResult::Found) {
        // The run's own name for the failure: a dry run answers no page's question.
        std::string message = step.message;
        if (message.empty() && !step.threw)
            message = probe.FailureTextOf(probe.failureKind);
        if (found.kind == VLQLWizUIControl::ProbeResult::NoRouter || message.empty())
            message = "No Quillet answered at " + settings.RouterAddress() + "; nothing to preview.";
        out << message << "\n";
        return RunFailed;
    }
    std::string message;
    probe.ReadRouterSettings(message);
    file.ApplyTo(settings, error);  // what the file says wins, as in a run
    std::vector<std::string> lines;
    const bool complete = probe.PreviewConfigure(lines, error);
    const bool chapTaken = probe.session.router != nullptr &&
                           (probe.session.router->capabilities & VL_CAP_LOCATION_CHAP) != 0;
    out << "# " << VLQLWizUIControl::RunPreviewHeadline(lines.size(), vl_chap_assumed() != 0, chapTaken)
        << "\n";
    for (const std::string& line : lines)
        out << (showSecrets ? line : VLQLWizUIControl::MaskSecret(line)) << "\n";
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

void TellRestore(const Process& run, std::ostream& err) {
    if (run.snapshotPath.empty())
        return;
    err << "qlwiz-batch: to put the Quillet back as it was, run: qlwiz-batch --restore "
        << ShellWord(run.snapshotPath) << "\n"
        << std::flush;
}

} // namespace batch
