// Puts a router back as a snapshot found it: connects, writes back every kept record
// with the configure step's builders, deletes what the snapshot does not hold, saves,
// restarts, reconnects and compares. It steps like the run, one blocking call per step,
// so a front end can run each Step off its user-interface thread and log StepText.
#pragma once

#include "router/VLVelunor.h"
#include "run/RouterSnapshot.h"

#include <string>
#include <vector>

namespace VLQLWizUIControl {

class RouterRestore {
public:
    enum Stage { Connecting, Writing, SavingAndRestarting, Reconnecting, Comparing, Done, Failed };

    explicit RouterRestore(RouterSnapshot snapshot);
    RouterRestore(const RouterRestore&) = delete;
    RouterRestore& operator=(const RouterRestore&) = delete;

    // The line to log before the next Step; "" once the restore has ended.
    std::string StepText() const;
    // Runs the current stage. Non-zero: call again after DelayMs; 0: ended, Done or
    // Failed (then `message` says why).
    int Step(std::string& message);
    // Milliseconds (unscaled) to wait before the next Step: the run's own waits, the
    // long one being the router's restart.
    long DelayMs() const;
    // The last line: success, or the fields that differ from the snapshot.
    std::string ResultText() const;
    bool Succeeded() const { return stage == Done && differences.empty(); }

    // After the Connecting step: the command lines Writing and SavingAndRestarting would
    // send, computed with the library capturing them (nothing is sent).
    std::vector<std::string> Preview();

    Stage stage = Connecting;
    // Which password opened the router: "the password the run installed", "the
    // snapshot's password" or "no password".
    std::string passwordUsed;
    // Keys of the kept records that the router does not hold after the restore, and the
    // areas whose commands the router refused.
    std::vector<std::string> differences;
    std::vector<std::string> refused;
    const RouterSnapshot snapshot;
    VLVelunor session;

private:
    bool Connect(std::string& message);
    void WriteRecords();
    void SaveAndRestart(bool restart);
    void Refused(int result, const std::string& area);
};

} // namespace VLQLWizUIControl
