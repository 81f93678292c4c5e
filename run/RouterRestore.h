// Puts a router back as a snapshot found it: connects, writes back every kept record
// with the configure step's builders, deletes what the snapshot does not hold (only when
// the snapshot read the router's tables whole), saves, restarts, reconnects with the
// snapshot's password and compares. It steps like the run, one blocking call per step,
// so a front end can run each Step off its user-interface thread and log StepText.
#pragma once

#include "router/VLVelunor.h"
#include "run/RouterSnapshot.h"
#include "run/SnapshotDiff.h"

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
    // After Done: a first sentence, then one line per setting that differs from the
    // snapshot and one per area whose commands the router refused.
    std::string ResultText() const;
    // Done, nothing differs: every save and the restart were taken, and after the
    // restart the router took the snapshot's password and holds the snapshot's settings.
    bool Succeeded() const { return stage == Done && differences.empty(); }

    // After the Connecting step: the command lines Writing and SavingAndRestarting would
    // send, the restart included, computed on a copy of the session with the library
    // capturing them (nothing is sent, the session is left as it was).
    std::vector<std::string> Preview();

    Stage stage = Connecting;
    // Tried first when not empty: the password the router holds now, as its user gave it.
    std::string offeredPassword;
    // Gives that password and, after refused passwords, makes the next Step connect again.
    void OfferPassword(std::string password);
    // Which password opened the router: "the password you entered", "the password the run
    // installed", "the snapshot's password" or "no password".
    std::string passwordUsed;
    // After a failed Connecting step: the router answered and took none of the passwords
    // tried, so a front end can ask for its present one (offeredPassword) and step again.
    bool passwordsRefused = false;
    // What the router holds differently from the snapshot after the restore, and the
    // areas (in words) whose commands it refused.
    std::vector<SettingDifference> differences;
    std::vector<std::string> refused;
    const RouterSnapshot snapshot;
    VLVelunor session;

private:
    bool Connect(std::string& message);
    void WriteRecords(VLVelunor& on, std::vector<std::string>& refusals) const;
    // The saves that make the written settings survive the restart; what was not saved
    // goes to `unsaved`.
    void Save(VlRouter* r, std::vector<std::string>& unsaved) const;
    bool SaveAndRestart(std::string& message);
};

} // namespace VLQLWizUIControl
