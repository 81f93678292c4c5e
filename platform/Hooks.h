// Environment hooks for tests and demos. Read once, on first use; every value is
// optional and the defaults are the real ones.
#pragma once

#include <string>

namespace platform {

struct Hooks {
    int mgmtPort = 1643;                         // QLWIZ_MGMT_PORT
    int bootpServerPort = 67;                    // QLWIZ_BOOTP_SERVER_PORT
    int bootpClientPort = 68;                    // QLWIZ_BOOTP_CLIENT_PORT
    std::string bootpReplyAddr = "255.255.255.255"; // QLWIZ_BOOTP_REPLY_ADDR
    int routeTestPort = 23;                      // QLWIZ_ROUTE_TEST_PORT
    double timeScale = 1.0;                      // QLWIZ_TIME_SCALE
    std::string summaryFile;                     // QLWIZ_SUMMARY_FILE, default ${TMPDIR:-/tmp}/QLWIZ.TXT
    std::string snapshotDir;                     // QLWIZ_SNAPSHOT_DIR, default DefaultSnapshotDir()
};

// The process-wide hooks; the environment is read on the first call only.
const Hooks& GetHooks();

// Reads the hooks from an environment lookup. A malformed value is reported with one
// line on `err` and the default holds. Exposed so that tests can feed their own values.
Hooks ReadHooks(const char* (*getenvFn)(const char*), std::string* err);

// The summary file path when QLWIZ_SUMMARY_FILE is not set: ${TMPDIR:-/tmp}/QLWIZ.TXT.
std::string DefaultSummaryFile();

// Where snapshots go when QLWIZ_SNAPSHOT_DIR is not set: ${XDG_STATE_HOME:-~/.local/state}/qlwiz;
// "" when neither XDG_STATE_HOME nor HOME is set.
std::string DefaultSnapshotDir();

} // namespace platform
