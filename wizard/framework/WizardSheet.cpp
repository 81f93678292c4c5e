#include "wizard/framework/WizardSheet.h"

#include "wizard/framework/HelpWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QFrame>
#include <QItemSelectionModel>
#include <QLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace wiz {
namespace {

// A radio group takes the keyboard at its checked button, so that Space cannot change
// the choice by accident.
QWidget* CheckedOfGroup(QWidget* w) {
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (!button || !button->isCheckable() || button->isChecked()) return w;
    if (QButtonGroup* group = button->group())
        return group->exclusive() && group->checkedButton() ? group->checkedButton() : w;
    if (button->autoExclusive() && button->parentWidget())
        for (auto* other : button->parentWidget()->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly))
            if (other->autoExclusive() && other->isChecked()) return other;
    return w;
}

} // namespace

WizardSheet::WizardSheet(const QString& caption, QWidget* parent)
    : QDialog(parent), caption_(caption) {
    setWindowTitle(caption_);
    stack_ = new QStackedWidget(this);
    back_ = new QPushButton(tr("< &Back"), this);
    next_ = new QPushButton(tr("&Next >"), this);
    finish_ = new QPushButton(tr("Finish"), this);
    cancel_ = new QPushButton(tr("Cancel"), this);
    help_ = new QPushButton(tr("&Help"), this);
    back_->setAccessibleName(tr("Back"));
    next_->setAccessibleName(tr("Next"));
    finish_->setAccessibleName(tr("Finish"));
    cancel_->setAccessibleName(tr("Cancel"));
    help_->setAccessibleName(tr("Help"));
    finish_->hide();
    connect(back_, &QPushButton::clicked, this, [this] { Press(Button::Back); });
    connect(next_, &QPushButton::clicked, this, [this] { Press(Button::Next); });
    connect(finish_, &QPushButton::clicked, this, [this] { Press(Button::Finish); });
    connect(cancel_, &QPushButton::clicked, this, [this] { Press(Button::Cancel); });
    connect(help_, &QPushButton::clicked, this, [this] { Press(Button::Help); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { Press(Button::Help); });

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    buttons->addWidget(finish_);
    buttons->addSpacing(8);
    buttons->addWidget(cancel_);
    buttons->addWidget(help_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stack_, 1);
    layout->addWidget(line);
    layout->addLayout(buttons);
    setTabOrder(back_, next_);
    setTabOrder(next_, finish_);
    setTabOrder(finish_, cancel_);
    setTabOrder(cancel_, help_);

    worker_ = new WorkerCall(this);
    UpdateDefaultButton();
}

WizardSheet::~WizardSheet() {
    WaitForWorker();
}

void WizardSheet::WaitForWorker() {
    SetInputBlocked(false);
    // A call still in flight may use what the pages and the subclass own: wait for it
    // before any of that goes. Its continuation is dropped with the worker.
    delete worker_;
    worker_ = nullptr;
}

void WizardSheet::RegisterPage(WizardPage* page) {
    page->sheet_ = this;
    if (std::find(pages_.begin(), pages_.end(), page) == pages_.end())
        pages_.push_back(page);
}

WizardPage* WizardSheet::PageAt(int index) const {
    if (index < 0 || index >= PageCount()) return nullptr;
    return path_[static_cast<size_t>(index)];
}

int WizardSheet::PageIndex(const WizardPage* page) const {
    auto it = std::find(path_.begin(), path_.end(), page);
    return it == path_.end() ? -1 : static_cast<int>(it - path_.begin());
}

void WizardSheet::RemoveFromPath(size_t first) {
    bool activeGone = false;
    for (size_t i = first; i < path_.size(); ++i) {
        WizardPage* page = path_[i];
        if (page == active_) activeGone = true;
        if (page->HasWindow()) {
            stack_->removeWidget(page->Window());
            page->DestroyWindow();
        }
    }
    path_.resize(std::min(first, path_.size()));
    if (activeGone) {
        active_ = nullptr;
        // The page on screen was cut: the sheet shows the last page left on the path.
        if (!path_.empty()) ShowPage(path_.back());
    }
}

int WizardSheet::AddNextPage(WizardPage* page) {
    RegisterPage(page);
    int at = PageIndex(page);
    if (at >= 0) {
        RemoveFromPath(static_cast<size_t>(at) + 1);
    } else {
        if (started_) {
            int current = PageIndex(active_);
            if (current >= 0) RemoveFromPath(static_cast<size_t>(current) + 1);
        }
        if (page->HasWindow()) {
            stack_->removeWidget(page->Window());
            page->DestroyWindow();
        }
        path_.push_back(page);
    }
    started_ = true;
    return PageCount();
}

bool WizardSheet::SetActivePage(WizardPage* page) {
    if (PageIndex(page) < 0) return false;
    ShowPage(page);
    return true;
}

void WizardSheet::Start() {
    if (!active_ && !path_.empty()) ShowPage(path_.front());
}

void WizardSheet::ShowPage(WizardPage* page) {
    if (!page->HasWindow()) stack_->addWidget(page->CreateWindow(stack_));
    QWidget* window = page->Window();
    QWidget* old = stack_->currentWidget();
    active_ = page;
    SetWindowHelpTopic(this, page->HelpTopic());
    setWindowTitle(page->Title().isEmpty() ? caption_ : page->Title());
    // The new page is up and holds the keyboard before the old one goes: hiding the focused
    // control first would hand the keyboard to the next button in the chain (Back) for a
    // moment, and a screen reader would say "Back" before the page.
    window->show();
    page->OnSetActive();
    if (active_ != page || !page->HasWindow()) {
        if (page->HasWindow() && stack_->currentWidget() != window) window->hide();
        return;
    }
    AnnouncePage(page);
    // The first control of the page takes the keyboard, as a dialog's first tab stop does.
    if (!page->LastFocusedControl()) {
        QWidget* target = nullptr;
        for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
            if (window->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(window) && (w->focusPolicy() & Qt::TabFocus)) {
                target = CheckedOfGroup(w);
                break;
            }
        }
        // A page without a control of its own: the button the user would press next.
        for (QPushButton* b : {finish_, next_, cancel_})
            if (!target && b->isVisibleTo(this) && b->isEnabled()) target = b;
        if (target) target->setFocus(Qt::TabFocusReason);
    }
    if (old && old != window) LeaveWindow(old);
    stack_->setCurrentWidget(window);
}

void WizardSheet::LeaveWindow(QWidget* old) {
    // The current entry of a list left behind would still report itself focused.
    for (QAbstractItemView* view : old->findChildren<QAbstractItemView*>())
        if (view->selectionModel()) view->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void WizardSheet::AnnouncePage(WizardPage* page) {
    // Tools that keep the dialog's name are told that it changed with the page; the page's
    // explanatory text is its description (and the dialog's, which is read with the name,
    // so it is in place before the name change goes out).
    QString explanation = page->Explanation();
    page->Window()->setAccessibleDescription(explanation);
    setAccessibleDescription(explanation);
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
}

void WizardSheet::SetWizardButtons(int flags) {
    flags_ = flags;
    // Once the Finish text is set, Back stays hidden unless a page asks for it again.
    back_->setVisible(!finishText_ || (flags & WizBack));
    if (flags & WizBack) finishText_ = false;
    back_->setEnabled((flags & WizBack) != 0);
    if (flags & (WizFinish | WizDisabledFinish)) {
        next_->hide();
        finish_->show();
        finish_->setEnabled((flags & WizFinish) != 0);
    } else {
        finish_->hide();
        next_->show();
        next_->setEnabled((flags & WizNext) != 0);
    }
    UpdateDefaultButton();
}

void WizardSheet::SetFinishText(const QString& text) {
    finishText_ = true;
    finish_->setText(text);
    finish_->setAccessibleName(text);
    next_->hide();
    back_->hide();
    finish_->show();
    finish_->setEnabled(true);
    UpdateDefaultButton();
}

void WizardSheet::EnableCancel(bool enable) {
    cancel_->setEnabled(enable);
}

void WizardSheet::UpdateDefaultButton() {
    QPushButton* def = finish_->isVisibleTo(this) ? finish_ : next_;
    for (QPushButton* b : {back_, next_, finish_, cancel_, help_})
        b->setDefault(b == def);
}

void WizardSheet::PressButton(Button button) {
    QMetaObject::invokeMethod(this, [this, button] { Press(button); }, Qt::QueuedConnection);
}

void WizardSheet::Press(Button button) {
    // Presses queued before the wizard ended must not act (or ask) after it.
    if (ended_) return;
    if (Busy() && button != Button::Help && button != Button::Cancel) {
        deferred_.push_back(button);
        return;
    }
    switch (button) {
    case Button::Back: Back(); break;
    case Button::Next: Next(); break;
    case Button::Finish: Finish(); break;
    case Button::Cancel: CancelWizard(); break;
    case Button::Help: Help(); break;
    }
}

void WizardSheet::Back() {
    WizardPage* page = active_;
    if (!page || page->OnWizardBack() != 0) return;
    int at = PageIndex(page);
    if (active_ != page || at <= 0) return;
    if (!page->OnKillActive()) return;
    ShowPage(path_[static_cast<size_t>(at) - 1]);
}

void WizardSheet::Next() {
    WizardPage* page = active_;
    if (!page || page->OnWizardNext() != 0) return;
    AdvanceFrom(page);
}

void WizardSheet::AdvanceFrom(WizardPage* from) {
    int at = PageIndex(from);
    if (active_ != from || at < 0 || at + 1 >= PageCount()) return;
    if (!from->OnKillActive()) return;
    ShowPage(path_[static_cast<size_t>(at) + 1]);
}

void WizardSheet::Finish() {
    if (active_ && !active_->OnWizardFinish()) return;
    done(QDialog::Accepted);
}

void WizardSheet::CancelWizard() {
    if (askingCancel_ || endWhenIdle_ || !cancel_->isEnabled()) return;
    askingCancel_ = true;
    bool allowed = !active_ || active_->OnQueryCancel();
    askingCancel_ = false;
    if (!allowed || ended_) return;
    if (Busy()) {
        // The call may still use the pages: the wizard ends when it is back.
        endWhenIdle_ = true;
        return;
    }
    done(QDialog::Rejected);
}

void WizardSheet::done(int result) {
    ended_ = true;
    deferred_.clear();
    QDialog::done(result);
}

void WizardSheet::Help() {
    OpenHelp(active_ ? active_->HelpTopic() : HelpContents);
}

void WizardSheet::reject() {
    Press(Button::Cancel);
}

void WizardSheet::showEvent(QShowEvent* event) {
    if (!fitted_) FitToPages();
    QDialog::showEvent(event);
    Start();
}

void WizardSheet::FitToPages() {
    fitted_ = true;
    struct Measured {
        QWidget* window;
        std::unique_ptr<QWidget> trial;  // a page without a window gets one to measure
    };
    std::vector<Measured> windows;
    int width = 0;
    for (WizardPage* page : pages_) {
        Measured m{page->Window(), nullptr};
        if (!m.window) {
            m.trial = page->MakeTrialWindow();
            m.window = m.trial.get();
        }
        m.window->ensurePolished();
        width = std::max({width, page->PreferredWidth(), m.window->minimumSizeHint().width()});
        windows.push_back(std::move(m));
    }
    int height = 0;
    for (const Measured& m : windows) {
        height = std::max(height, m.window->minimumSizeHint().height());
        if (QLayout* layout = m.window->layout(); layout && layout->hasHeightForWidth())
            height = std::max(height, layout->totalHeightForWidth(width));
    }
    stack_->setMinimumSize(width, height);
    layout()->activate();
    resize(minimumSizeHint().expandedTo(minimumSize()));
}

bool WizardSheet::RunBlocking(std::function<void()> work, std::function<void()> done) {
    if (!worker_) return false;
    bool started = worker_->Start(std::move(work), [this, done = std::move(done)] {
        SetInputBlocked(false);
        if (endWhenIdle_) {
            this->done(QDialog::Rejected);
            return;
        }
        if (done) done();
        RunDeferred();
    });
    if (started) SetInputBlocked(true);
    return started;
}

void WizardSheet::RunDeferred() {
    std::vector<Button> actions;
    actions.swap(deferred_);
    for (Button b : actions)
        PressButton(b);
}

void WizardSheet::SetInputBlocked(bool blocked) {
    if (blocked == inputBlocked_) return;
    inputBlocked_ = blocked;
    if (blocked)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool WizardSheet::eventFilter(QObject* watched, QEvent* event) {
    if (!inputBlocked_ || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this || widget == cancel_) return false;
    if (event->type() == QEvent::KeyPress) {
        // Escape and F1 still work while the run holds the window.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) PressButton(Button::Cancel);
        if (key->key() == Qt::Key_F1) Help();
    }
    return IsUserInput(event->type());
}

} // namespace wiz
