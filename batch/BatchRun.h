// qlwiz-batch: the wizard's configuration run without windows, from a settings file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace batch {

enum ExitStatus { Success = 0, RunFailed = 1, BadUsage = 2 };

// Runs `qlwiz-batch [--new | --dry-run] SETTINGS_FILE` or `qlwiz-batch --restore
// SNAPSHOT_FILE` with the arguments after the program name.
// The progress log and the final message go to `out` as they happen; usage and
// settings complaints to `err`. The socket layer must have been started.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace batch
