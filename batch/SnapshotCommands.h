// qlwiz-batch --dry-run SETTINGS_FILE and qlwiz-batch --restore SNAPSHOT_FILE.
#pragma once

#include <ostream>
#include <string>

class ConfigSettings;
class SettingsFile;
namespace VLQLWizUIControl {
class Process;
}

namespace batch {

// --dry-run: logs in and reads the router as a run does, then prints the command lines the
// configure step and the restart would send, sending none the router applies (passwords
// masked unless `showSecrets`). `settings` holds the loaded file's entries.
int DryRun(const SettingsFile& file, ConfigSettings& settings, bool showSecrets, std::ostream& out,
           std::ostream& err);
// --restore: puts the router back as the snapshot at `path` found it.
int Restore(const std::string& path, std::ostream& out, std::ostream& err);
// After a failed run: how to put the router back, when the run had begun changing it.
void TellRestore(const VLQLWizUIControl::Process& run, std::ostream& err);

} // namespace batch
