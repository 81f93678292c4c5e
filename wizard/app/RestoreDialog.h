// "Restore...": puts a router back as a snapshot found it. The window logs each step as
// the progress page does and runs every step off the GUI thread with the wait cursor on.
// Before anything is sent it shows the command lines in a window of their own (the
// Changes window's grouped view) to be confirmed; it asks for the router's present
// password when none it knows opens the router; Cancel, Escape and the window's close
// stop it until the first write, after which it cannot be stopped half way.
#pragma once

#include "run/Driver.h"
#include "run/RouterSnapshot.h"
#include "wizard/app/PasswordPrompt.h"
#include "wizard/framework/WaitCursor.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace VLQLWizUIControl {
class RouterRestore;
}

namespace wiz {

class WorkerCall;

class RestoreDialog : public QDialog {
public:
    enum class Outcome { NotStarted, Declined, Failed, Differs, Restored };

    // With `askFirst` the user confirms the lines before any is sent; without it the
    // user has already said yes (after a failed run).
    RestoreDialog(VLQLWizUIControl::RouterSnapshot snapshot, bool askFirst, QWidget* parent = nullptr);
    ~RestoreDialog() override;

    QPlainTextEdit* LogBox() const { return log_; }
    QString LogText() const;
    QProgressBar* ProgressBar() const { return bar_; }
    QPushButton* CancelButton() const { return cancel_; }
    bool Running() const { return running_; }
    // The first command has gone out: from here on the restore runs to its end.
    bool Writing() const { return writing_; }
    Outcome Result() const { return outcome_; }
    // Tried first when the restore logs in: the Quillet's present password, as given.
    void OfferPassword(const std::string& password);

    static constexpr int HelpTopic = 127;       // the window
    static constexpr int ResultTopic = 4205;    // the last message
    // The wizard's own "Bad Password" question, asked before the password is asked again.
    static constexpr const char* BadPasswordText = VLQLWizUIControl::BadPasswordText;
    static constexpr int BadPasswordTopic = PasswordPrompt::BadPasswordTopic;

    // Cancel, Escape and the window's close: stops the restore before its first write (at
    // once, or when the call to the router in flight is back), never after it.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Connect();
    void Connected(int more, const std::string& message);
    bool AskPassword();
    void Previewed(const std::vector<std::string>& lines);
    void NextStep();
    void StepDone(int more, const std::string& message);
    void End(const std::string& message);
    void Stop();
    void Append(const QString& text);

    std::unique_ptr<VLQLWizUIControl::RouterRestore> restore_;
    bool askFirst_;
    bool started_ = false;
    bool running_ = false;
    bool writing_ = false;
    bool stopping_ = false;
    bool passwordAsked_ = false;
    Outcome outcome_ = Outcome::NotStarted;
    WaitCursor cursor_;
    WorkerCall* worker_;
    QTimer* timer_;
    QPlainTextEdit* log_;
    QProgressBar* bar_;
    QPushButton* cancel_;
};

// Reads the snapshot at `path` and runs the restore in a RestoreDialog over `parent`. A
// file that is not a snapshot gets a message, and nothing is sent. `password`, when not
// empty, is tried first: the one the user gave the Quillet's compare a moment ago.
RestoreDialog::Outcome RestoreFromFile(QWidget* parent, const QString& path, bool askFirst,
                                       const std::string& password = std::string());

// Reads the snapshot at `path`; false, after the message, for a file that is not one.
bool ReadSnapshotFile(const QString& path, VLQLWizUIControl::RouterSnapshot& snapshot);

// The file chooser, opened in `dir` (the snapshot folder); "" when the user cancels.
// `compare`: it picks the snapshot to compare, not to restore, and says so.
QString ChooseSnapshotFile(QWidget* parent, const QString& dir, bool compare = false);

inline constexpr int ChooseSnapshotTopic = 4202;
inline constexpr int NotASnapshotTopic = 4203;

} // namespace wiz
