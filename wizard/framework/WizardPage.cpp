#include "wizard/framework/WizardPage.h"

#include "wizard/framework/ListAccessible.h"
#include "wizard/framework/WizardSheet.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWidget>

namespace wiz {
namespace {

// The window of a page: a pane named by the page's title that can say it is busy.
class PageWindow : public QWidget {
public:
    using QWidget::QWidget;
    bool busy = false;
};

// A group of controls with a name of its own.
class GroupWidget : public QWidget {
public:
    using QWidget::QWidget;
};

// A status line: a status bar to assistive tools, which read it out on request.
class StatusLabel : public QLabel {
public:
    using QLabel::QLabel;
};

class PaneAccessible : public QAccessibleWidget {
public:
    PaneAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (auto* page = dynamic_cast<PageWindow*>(widget())) s.busy = page->busy;
        return s;
    }
};

QAccessibleInterface* PageFactory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    // A plain widget is a nameless filler to assistive tools: these two must be read.
    if (dynamic_cast<PageWindow*>(widget)) return new PaneAccessible(widget, QAccessible::Pane);
    if (dynamic_cast<GroupWidget*>(widget)) return new PaneAccessible(widget, QAccessible::Grouping);
    if (dynamic_cast<StatusLabel*>(widget)) return new QAccessibleWidget(widget, QAccessible::StatusBar);
    // The pages' list boxes, not the item views inside Qt's own dialogs.
    if (auto* list = qobject_cast<QListWidget*>(widget)) return MakeListAccessible(list);
    return nullptr;
}

void InstallPageFactory() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(PageFactory);
}

} // namespace

WizardPage::WizardPage(QString title) : title_(std::move(title)) {}

WizardPage::~WizardPage() {
    delete window_;
}

bool WizardPage::OnSetActive() {
    lastFocus_ = nullptr;
    UpdateData(false);
    return true;
}

bool WizardPage::OnKillActive() { return true; }
int WizardPage::OnWizardBack() { return 0; }
int WizardPage::OnWizardNext() { return 0; }
bool WizardPage::OnWizardFinish() { return true; }
bool WizardPage::OnQueryCancel() { return true; }
bool WizardPage::OnValidate() { return true; }
int WizardPage::HelpTopic() const { return 0; }
void WizardPage::OnSheetDone() {}
bool WizardPage::OnInitDialog() { return true; }
void WizardPage::LoadControls() {}
bool WizardPage::StoreControls() { return true; }
void WizardPage::OnDestroyWindow() {}

bool WizardPage::UpdateData(bool store) {
    if (!window_) return !store;
    if (!store) {
        LoadControls();
        return true;
    }
    return StoreControls();
}

void WizardPage::FocusControl(QWidget* control) {
    lastFocus_ = control;
    if (!control) return;
    control->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->selectAll();
}

void WizardPage::SetExplanation(QLabel* text) {
    explanation_ = text;
}

QString WizardPage::Explanation() const {
    return explanation_ ? explanation_->text() : QString();
}

void WizardPage::SetBusy(bool busy) {
    busy_ = busy;
    if (busy) cursor_.On();
    else cursor_.Off();
    auto* page = dynamic_cast<PageWindow*>(window_.data());
    if (!page || page->busy == busy) return;
    page->busy = busy;
    QAccessible::State changed;
    changed.busy = true;
    QAccessibleStateChangeEvent event(page, changed);
    QAccessible::updateAccessibility(&event);
}

QLabel* WizardPage::MakeStatusLabel(const QString& idleName) {
    InstallPageFactory();
    auto* label = new StatusLabel();
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAccessibleName(idleName);
    return label;
}

void WizardPage::SetStatusText(QLabel* label, const QString& text, const QString& idleName) {
    if (!label) return;
    label->setText(text);
    // The name carries the text: its change is the event screen readers hear.
    label->setAccessibleName(text.isEmpty() ? idleName : QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
}

QWidget* WizardPage::MakeGroup(const QString& name) {
    InstallPageFactory();
    auto* group = new GroupWidget();
    group->setAccessibleName(name);
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    return group;
}

QWidget* WizardPage::CreateWindow(QWidget* parent) {
    if (window_) return window_;
    InstallPageFactory();
    window_ = new PageWindow(parent);
    static_cast<PageWindow*>(window_.data())->busy = busy_;
    window_->setAccessibleName(title_);
    BuildWindow(window_);
    OnInitDialog();
    return window_;
}

std::unique_ptr<QWidget> WizardPage::MakeTrialWindow() {
    auto trial = std::make_unique<QWidget>();
    BuildWindow(trial.get());
    // The page keeps no pointer into a window that is not its own.
    OnDestroyWindow();
    return trial;
}

void WizardPage::DestroyWindow() {
    if (!window_) return;
    OnDestroyWindow();
    lastFocus_ = nullptr;
    QWidget* old = window_;
    window_ = nullptr;
    old->hide();
    // Later, not now: the window may be the one whose timer or button led here. It stays
    // a child of the sheet meanwhile, so a sheet that goes first takes it along.
    old->deleteLater();
}

} // namespace wiz
