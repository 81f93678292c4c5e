#include "wizard/framework/WizardPage.h"

#include "wizard/framework/WizardSheet.h"

#include <QLineEdit>
#include <QTextEdit>
#include <QWidget>

namespace wiz {

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

QWidget* WizardPage::CreateWindow(QWidget* parent) {
    if (window_) return window_;
    window_ = new QWidget(parent);
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
