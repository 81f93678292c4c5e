// A wizard sheet whose page list is the path the user has taken: each page names the
// page that follows it on Next, and AddNextPage cuts the list after the current page and
// appends that one. Back retraces the path. (QWizard's fixed page graph does not fit.)
#pragma once

#include "wizard/framework/WizardPage.h"
#include "wizard/framework/WorkerCall.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QStackedWidget;

namespace wiz {

class WizardSheet : public QDialog {
public:
    // Wizard button states, combined.
    enum WizButtons { WizBack = 0x1, WizNext = 0x2, WizFinish = 0x4, WizDisabledFinish = 0x8 };
    enum class Button { Back, Next, Finish, Cancel, Help };

    explicit WizardSheet(const QString& caption, QWidget* parent = nullptr);
    ~WizardSheet() override;

    // Makes `page` known to the sheet (it still has to be put on the path).
    void RegisterPage(WizardPage* page);

    // Puts `page` on the path after the current page (or cuts back to it when it is on
    // the path already). Returns the number of pages on the path.
    int AddNextPage(WizardPage* page);

    int PageCount() const { return static_cast<int>(path_.size()); }
    WizardPage* PageAt(int index) const;
    int PageIndex(const WizardPage* page) const;  // -1 when not on the path
    WizardPage* ActivePage() const { return active_; }
    // Shows a page of the path; false when it is not on it.
    bool SetActivePage(WizardPage* page);
    // Shows the first page unless a page is shown already.
    void Start();

    void SetWizardButtons(int flags);
    int WizardButtons() const { return flags_; }
    // Shows the Finish button with `text` in place of Next, and hides Back.
    void SetFinishText(const QString& text);
    // Cancel (with Escape and the window's close) on or off; off once only Finish is left.
    void EnableCancel(bool enable);

    // Acts as if the user pressed the button, once the current event is done (a page may
    // press a button from inside its own notification).
    void PressButton(Button button);
    // The buttons' actions, at once.
    void Back();
    void Next();
    void Finish();
    void CancelWizard();
    void Help();
    // Goes on from `from` to the page after it on the path, as a Next that was answered
    // later (after a call on the worker) does.
    void AdvanceFrom(WizardPage* from);

    // Runs `work` on a worker thread and `done` back on the GUI thread. Meanwhile the
    // window paints but takes no input save Cancel: the page is asked at once, and a
    // Cancel it allows ends the wizard when the call is back (without `done`). False
    // when a call is already in flight.
    bool RunBlocking(std::function<void()> work, std::function<void()> done);
    bool Busy() const { return worker_ && worker_->Busy(); }
    bool HasDeferredActions() const { return !deferred_.empty(); }

    QPushButton* BackButton() const { return back_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* FinishButton() const { return finish_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* HelpButton() const { return help_; }

    void reject() override;
    void done(int result) override;

protected:
    // Waits for a call in flight; a subclass calls it before its members go.
    void WaitForWorker();
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sizes the page area once, for the largest of all pages, so that no page is cut
    // and the window keeps its size from page to page.
    void FitToPages();
    void ShowPage(WizardPage* page);
    void LeaveWindow(QWidget* old);
    void AnnouncePage(WizardPage* page);
    void RemoveFromPath(size_t first);
    void Press(Button button);
    void RunDeferred();
    void SetInputBlocked(bool blocked);
    void UpdateDefaultButton();

    QString caption_;
    std::vector<WizardPage*> pages_;
    std::vector<WizardPage*> path_;
    WizardPage* active_ = nullptr;
    bool started_ = false;
    int flags_ = WizBack | WizNext;
    QStackedWidget* stack_;
    QPushButton* back_;
    QPushButton* next_;
    QPushButton* finish_;
    QPushButton* cancel_;
    QPushButton* help_;
    WorkerCall* worker_;
    std::vector<Button> deferred_;
    bool inputBlocked_ = false;
    bool finishText_ = false;
    bool fitted_ = false;
    bool askingCancel_ = false;
    bool endWhenIdle_ = false;
    bool ended_ = false;
};

} // namespace wiz
