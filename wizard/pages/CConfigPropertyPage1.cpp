#include "wizard/pages/CConfigPropertyPage1.h"

#include "wizard/framework/MessageBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace wiz {

CConfigPropertyPage1::CConfigPropertyPage1()
    : CConfigPage(PageId::Password, 104, QStringLiteral("Password")),
      explanatory_(QStringLiteral(
          "For security you should enter a password of up to 16 characters. This is to prevent "
          "unauthorized access to your Quillet's settings.\n\nEntry fields with a \"Y\" next to them, "
          "such as the Administration Password below, will require input that is specific to your "
          "network.  ")) {}

bool CConfigPropertyPage1::OnSetActive() {
    bool shown = CConfigPage::OnSetActive();
    Sheet()->SetWizardButtons(WizardSheet::WizNext);
    return shown;
}

void CConfigPropertyPage1::BuildPage(QVBoxLayout* body) {
    text_ = AddText(body, explanatory_);
    passwordBox_ = MakeEdit(QStringLiteral("Administration Password"), 16, true);
    confirmBox_ = MakeEdit(QStringLiteral("Confirm Password"), 16, true);
    AddField(body, QStringLiteral("&Administration Password"), passwordBox_, QStringLiteral("Y"));
    AddField(body, QStringLiteral("C&onfirm Password"), confirmBox_, QStringLiteral("Y"));
}

void CConfigPropertyPage1::OnDestroyWindow() {
    passwordBox_ = confirmBox_ = nullptr;
    text_ = nullptr;
    CConfigPage::OnDestroyWindow();
}

void CConfigPropertyPage1::LoadControls() {
    password_ = QString::fromStdString(settings_->AdminPassword());
    passwordBox_->setText(password_);
    // The confirmation is the page's own: it is never filled from the record.
    confirmBox_->setText(confirm_);
}

bool CConfigPropertyPage1::StoreControls() {
    password_ = passwordBox_->text();
    confirm_ = confirmBox_->text();
    if (password_ != confirm_) {
        FocusControl(confirmBox_);
        ShowMessage(QStringLiteral("Password verification failed - please retry"), MsgButtons::Ok,
                    MsgIcon::Exclamation);
        return false;
    }
    settings_->SetAdminPassword(password_.toStdString());
    return true;
}

} // namespace wiz
