// qlwiz-batch's commands around snapshots: --dry-run, --restore, --backup and --diff.
#pragma once

#include <ostream>
#include <string>
#include <vector>

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
// --restore: puts the router back as the snapshot at `path` found it, trying `password`
// first when it is not empty.
int Restore(const std::string& path, const std::string& password, std::ostream& out, std::ostream& err);
// --backup: keeps a snapshot of the router at `address` as a run keeps one, and prints its
// path; sends nothing the router applies.
int Backup(const std::string& address, const std::string& password, std::ostream& out, std::ostream& err);
// --diff: what the live router a snapshot names holds differently (one path), or what the
// second snapshot holds differently from the first (two), one setting a line.
int Diff(const std::vector<std::string>& paths, const std::string& password, bool showSecrets,
         std::ostream& out, std::ostream& err);
// The password of --password-file (its first line), else $QLWIZ_PASSWORD, else "". False
// with a message on `err` when the file cannot be read.
bool ReadPassword(const std::string& file, std::string& password, std::ostream& err);
// After a failed run: how to put the router back, when the run had begun changing it.
void TellRestore(const VLQLWizUIControl::Process& run, std::ostream& err);

} // namespace batch
