#include "wizard/pages/CConfigPropertyPage8.h"

#include "platform/Time.h"
#include "run/Driver.h"
#include "wizard/framework/MessageBox.h"
#include "wizard/pages/WizardRun.h"

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace wiz {

using VLQLWizUIControl::Answer;
using VLQLWizUIControl::Driver;
using VLQLWizUIControl::Outcome;
using VLQLWizUIControl::Resolution;
using VLQLWizUIControl::StepOutcome;

const char* const CConfigPropertyPage8::CancelQuestion =
    "If you want to abort the Wizard operation, you may leave the Quillet in an indeterminate state, making it "
    "impossible to rerun the Wizard again to recover later.  \n\nPress OK to continue aborting the Wizard, or Cancel "
    "to allow the Wizard to continue.";

const char* const CConfigPropertyPage8::RestoreQuestion =
    "The Quillet may now be partly configured. Before changing anything the wizard kept what the Quillet "
    "held in the snapshot\n\n%1\n\nDo you want to put the Quillet back as it was now? You can also do it "
    "later with Restore... in the start window.";

CConfigPropertyPage8::CConfigPropertyPage8() : CConfigPage(PageId::Progress, 114, QStringLiteral("Setup Progress")) {}

CConfigPropertyPage8::~CConfigPropertyPage8() = default;

void CConfigPropertyPage8::BuildPage(QVBoxLayout* body) {
    log_ = new QPlainTextEdit();
    log_->setReadOnly(true);
    log_->setAccessibleName(QStringLiteral("Setup progress log"));
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_->setTabChangesFocus(true);
    bar_ = new QProgressBar();
    bar_->setAccessibleName(QStringLiteral("Setup activity"));
    bar_->setTextVisible(false);
    body->addWidget(log_, 1);
    body->addWidget(bar_);
}

void CConfigPropertyPage8::OnDestroyWindow() {
    driver_.reset();
    Working(false);
    log_ = nullptr;
    bar_ = nullptr;
    timer_ = nullptr;
    CConfigPage::OnDestroyWindow();
}

bool CConfigPropertyPage8::OnInitDialog() {
    timer_ = new QTimer(Window());
    timer_->setSingleShot(true);
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] { OnTimer(); });
    StartRun();
    return true;
}

void CConfigPropertyPage8::StartRun() {
    WizardRun* run = host_->Run();
    if (!run) run = host_->CreateRun();
    aborting_ = false;
    heldStep_.reset();
    Working(true);
    Sheet()->SetWizardButtons(0);
    driver_ = std::make_unique<Driver>(run->Machine());
    driver_->Start();
    log_->repaint();
    Arm(Driver::FirstTickMs);
}

void CConfigPropertyPage8::Working(bool on) {
    SetBusy(on);
    // The bar only says "busy": a busy indicator, not values that measure nothing.
    if (bar_) bar_->setRange(0, on ? 0 : 100);
}

bool CConfigPropertyPage8::OnSetActive() {
    bool shown = CConfigPage::OnSetActive();
    // Back on a page whose run the sheet has replaced meanwhile: drive the new one.
    if (HasWindow() && !driver_) StartRun();
    return shown;
}

void CConfigPropertyPage8::OnRunChanged() {
    if (stepping_) return;
    if (timer_) timer_->stop();
    driver_.reset();
    Working(false);
}

void CConfigPropertyPage8::OnSheetDone() {
    if (timer_) timer_->stop();
    Working(false);
    stepping_ = false;
    aborting_ = true;
}

bool CConfigPropertyPage8::Running() const {
    return stepping_ || (timer_ && timer_->isActive());
}

QString CConfigPropertyPage8::LogText() const {
    return log_ ? log_->toPlainText() : QString();
}

void CConfigPropertyPage8::Arm(long ms) {
    if (timer_) timer_->start(static_cast<int>(platform::ScaledMs(ms)));
}

void CConfigPropertyPage8::Append(const std::string& text) {
    if (!log_) return;
    QString line = QString::fromStdString(text);
    line.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    log_->moveCursor(QTextCursor::End);
    log_->insertPlainText(line);
    log_->moveCursor(QTextCursor::End);
    log_->repaint();
}

bool CConfigPropertyPage8::OnQueryCancel() {
    int remaining = timer_ && timer_->isActive() ? timer_->remainingTime() : -1;
    if (timer_) timer_->stop();
    bool waiting = IsBusy();
    Working(false);
    asking_ = true;
    bool abort = ShowMessage(QString::fromLatin1(CancelQuestion), MsgButtons::OkCancel, MsgIcon::Question) == IdOk;
    asking_ = false;
    if (abort) {
        // Ends once a step in flight is back; its outcome is not shown.
        aborting_ = true;
        heldStep_.reset();
        return true;
    }
    // Cancel: on exactly where the run was.
    if (waiting) Working(true);
    if (heldStep_) {
        std::unique_ptr<StepOutcome> step = std::move(heldStep_);
        StepDone(*step);
    } else if (remaining >= 0 && timer_) {
        timer_->start(remaining);
    }
    return false;
}

void CConfigPropertyPage8::OnTimer() {
    if (!driver_ || !timer_ || asking_ || aborting_) return;
    timer_->stop();
    VLQLWizUIControl::Tick tick = driver_->BeginTick();
    if (!tick.runStep) {
        Arm(Driver::TickMs);
        return;
    }
    if (!tick.logLine.empty()) Append(tick.logLine);
    WizardRun* run = host_->Run();
    auto outcome = std::make_shared<StepOutcome>();
    auto cause = std::make_shared<std::string>();
    stepping_ = true;
    // The step talks to the router for up to a minute: off the GUI thread, with nothing
    // else touching the run until it is back. Why it failed is read there too, before
    // anything else uses the router library.
    Sheet()->RunBlocking(
        [run, outcome, cause] {
            *outcome = Driver::CallStep(run->Machine());
            if (outcome->threw || run->Machine().state == VLQLWizUIControl::StepMachine::Failed)
                *cause = run->FailureCause();
        },
        [this, outcome, cause] {
            stepping_ = false;
            cause_ = QString::fromStdString(*cause);
            StepDone(*outcome);
        });
}

void CConfigPropertyPage8::StepDone(const StepOutcome& step) {
    if (!driver_ || aborting_) return;
    if (asking_) {
        heldStep_ = std::make_unique<StepOutcome>(step);
        return;
    }
    Outcome out = driver_->EndTick(step);
    switch (out.kind) {
    case Outcome::Continue:
        Arm(Driver::TickMs);
        return;
    case Outcome::Success:
        Working(false);
        FinishOnly();
        if (bar_) bar_->setValue(100);
        ShowMessage(QString::fromStdString(out.text), MsgButtons::Ok, MsgIcon::Exclamation, out.helpTopic);
        Sheet()->PressButton(WizardSheet::Button::Finish);
        return;
    case Outcome::Failure:
        FailureFlow(out);
        return;
    }
}

void CConfigPropertyPage8::FailureFlow(const Outcome& out) {
    if (!out.logAgain.empty()) Append(out.logAgain);
    Working(false);
    QString text = QString::fromStdString(out.text);
    if (!out.offersRetry) {
        ShowMessage(text, MsgButtons::Ok, MsgIcon::Stop, out.helpTopic, cause_);
        driver_->Resolve(Answer::Ok);
        OfferRestore();
        FinishOnly();
        return;
    }
    int answer = ShowMessage(text, MsgButtons::RetryCancel, MsgIcon::Question, out.helpTopic, cause_);
    Resolution r = driver_->Resolve(answer == IdRetry ? Answer::Retry : Answer::Cancel);
    switch (r.kind) {
    case Resolution::GoBack: {
        nextPage_ = host_->PageAtFault(r.page);
        // Cuts this page and every page between from the path: the sheet shows that page.
        host_->AddNextPage(nextPage_);
        Sheet()->SetWizardButtons(WizardSheet::WizBack | WizardSheet::WizNext);
        return;
    }
    case Resolution::RestartTimer:
        Working(true);
        Arm(Driver::TickMs);
        Sheet()->SetWizardButtons(WizardSheet::WizBack | WizardSheet::WizNext);
        return;
    case Resolution::EndWizard:
        OfferRestore();
        Sheet()->PressButton(WizardSheet::Button::Finish);
        return;
    case Resolution::FinishOnly:
        FinishOnly();
        return;
    }
}

void CConfigPropertyPage8::OfferRestore() {
    WizardRun* run = host_->Run();
    std::string path = run ? run->SnapshotPath() : std::string();
    if (path.empty()) return;
    QString text = QString::fromLatin1(RestoreQuestion).arg(QString::fromStdString(path));
    if (ShowMessage(text, MsgButtons::YesNo, MsgIcon::Question, RestoreQuestionTopic) == IdYes)
        host_->RestoreRouter(path);
}

void CConfigPropertyPage8::FinishOnly() {
    Sheet()->SetFinishText(QStringLiteral("Finish"));
    Sheet()->SetWizardButtons(WizardSheet::WizFinish);
    Sheet()->EnableCancel(false);
}

} // namespace wiz
