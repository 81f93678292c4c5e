// The progress page: runs the configuration and ends in success or the failure flow.
// It ticks the run through run/'s driver, one Step per tick on the worker thread, logs each
// step, and on failure offers Retry back to the page at fault, Retry in place, or Cancel.
#pragma once

#include "wizard/pages/CConfigPage.h"

#include <memory>

class QPlainTextEdit;
class QProgressBar;
class QTimer;

namespace VLQLWizUIControl {
class Driver;
struct Outcome;
struct StepOutcome;
}

namespace wiz {

class WizardRun;

class CConfigPropertyPage8 : public CConfigPage {
public:
    CConfigPropertyPage8();
    ~CConfigPropertyPage8() override;

    bool OnSetActive() override;
    bool OnQueryCancel() override;
    void OnSheetDone() override;
    // The sheet replaced or dropped its run: the driver over the old one must go.
    void OnRunChanged();

    QPlainTextEdit* LogBox() const { return log_; }
    QProgressBar* ProgressBar() const { return bar_; }
    QString LogText() const;
    // Whether a tick is armed or a Step is in flight.
    bool Running() const;
    // The run changed the router and did not finish: offer to put it back from its snapshot.
    void OfferRestore();

    static const char* const CancelQuestion;  // string 108
    // Asked when the wizard ends, failed or cancelled, after the configure step began.
    static const char* const RestoreQuestion;
    static constexpr int RestoreQuestionTopic = 4206;

protected:
    QString BottomText() const override { return QString(); }
    bool FillsPage() const override { return true; }
    void BuildPage(QVBoxLayout* body) override;
    bool OnInitDialog() override;
    void OnDestroyWindow() override;

private:
    void StartRun();
    void Working(bool on);
    void Arm(long ms);
    void OnTimer();
    void StepDone(const VLQLWizUIControl::StepOutcome& step);
    void FailureFlow(const VLQLWizUIControl::Outcome& out);
    void Append(const std::string& text);
    // The run is over: Finish alone ends the wizard.
    void FinishOnly();

    std::unique_ptr<VLQLWizUIControl::Driver> driver_;
    bool stepping_ = false;
    // While the abort question is open the run holds: no tick, and the outcome of a
    // step that returns meanwhile waits for the answer.
    bool asking_ = false;
    bool aborting_ = false;
    std::unique_ptr<VLQLWizUIControl::StepOutcome> heldStep_;
    // Why the last step failed, for the failure box (run/FailureCause).
    QString cause_;
    QPlainTextEdit* log_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QTimer* timer_ = nullptr;
};

} // namespace wiz
