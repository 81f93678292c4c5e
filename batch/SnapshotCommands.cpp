#include "batch/SnapshotCommands.h"

#include "batch/BatchRun.h"
#include "batch/SettingsFile.h"
#include "platform/Hooks.h"
#include "platform/Time.h"
#include "router/Validators.h"
#include "cmdlib/vl.h"
#include "run/CommandPreview.h"
#include "run/ConfigSettings.h"
#include "run/Driver.h"
#include "run/Process.h"
#include "run/RouterBackup.h"
#include "run/RouterRestore.h"

#include <cstdlib>
#include <fstream>

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

} // namespace

int DryRun(const SettingsFile& file, ConfigSettings& settings, bool showSecrets, std::ostream& out,
           std::ostream& err) {
    // From the login on: a preview that changed the router would be no preview.
    VLQLWizUIControl::ReadOnlyLink readOnly;
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

int Restore(const std::string& path, const std::string& password, std::ostream& out, std::ostream& err) {
    RouterSnapshot snapshot;
    std::string error;
    if (!RouterSnapshot::ReadFile(path, snapshot, error)) {
        err << "qlwiz-batch: " << error << "\n";
        return BadUsage;
    }
    RouterRestore restore(std::move(snapshot));
    restore.offeredPassword = password;
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

int Backup(const std::string& address, const std::string& password, std::ostream& out, std::ostream& err) {
    std::string message, unused, path;
    if (CheckAddress(address, message, unused), !message.empty()) {
        err << "qlwiz-batch: " << address << ": " << message << "\n";
        return BadUsage;
    }
    bool routerFailed = false;
    if (!VLQLWizUIControl::KeepBackup(address, password, platform::GetHooks().snapshotDir, path, message,
                                      routerFailed)) {
        err << "qlwiz-batch: " << message << "\n";
        return routerFailed ? RunFailed : BadUsage;
    }
    out << path << "\n";
    return Success;
}

int Diff(const std::vector<std::string>& paths, const std::string& password, bool showSecrets,
         std::ostream& out, std::ostream& err) {
    std::vector<RouterSnapshot> kept(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        std::string error;
        if (!RouterSnapshot::ReadFile(paths[i], kept[i], error)) {
            err << "qlwiz-batch: " << error << "\n";
            return BadUsage;
        }
    }
    std::vector<VLQLWizUIControl::SettingDifference> differences;
    if (kept.size() == 2) {
        differences = VLQLWizUIControl::CompareSnapshots(kept[0], kept[1], true);
    } else {
        const VLQLWizUIControl::LiveComparison live = VLQLWizUIControl::CompareWithRouter(kept[0], password);
        if (!live.compared) {
            err << "qlwiz-batch: " << live.message << "\n";
            return BadUsage;
        }
        err << "qlwiz-batch: logged in with " << live.passwordUsed << "\n";
        differences = live.differences;
    }
    for (const VLQLWizUIControl::SettingDifference& d : differences)
        out << VLQLWizUIControl::DifferenceLine(d, showSecrets) << "\n";
    return differences.empty() ? Success : RunFailed;
}

bool ReadPassword(const std::string& file, std::string& password, std::ostream& err) {
    password.clear();
    if (file.empty()) {
        const char* given = std::getenv("QLWIZ_PASSWORD");
        password = given != nullptr ? given : "";
        return true;
    }
    std::ifstream in(file);
    if (!in || !std::getline(in, password)) {
        err << "qlwiz-batch: " << file << ": cannot read the password\n";
        return false;
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return true;
}

void TellRestore(const Process& run, std::ostream& err) {
    if (run.snapshotPath.empty())
        return;
    err << "qlwiz-batch: to put the Quillet back as it was, run: qlwiz-batch --restore "
        << ShellWord(run.snapshotPath) << "\n"
        << std::flush;
}

} // namespace batch
