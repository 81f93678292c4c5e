// qlwiz-batch --dry-run SETTINGS_FILE and qlwiz-batch --restore SNAPSHOT_FILE.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace VLQLWizUIControl {
class Process;
}

namespace batch {

// Whether the arguments ask for one of the two commands below.
bool IsSnapshotCommand(const std::vector<std::string>& args);
// Runs --dry-run or --restore with the arguments after the program name.
int RunSnapshotCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// After a failed run: how to put the router back, when the run had begun changing it.
void TellRestore(const VLQLWizUIControl::Process& run, std::ostream& err);

} // namespace batch
