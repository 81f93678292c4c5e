#include "wizard/pages/CConfigPropertyPage_Authentication.h"

#include "wizard/framework/MessageBox.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace wiz {

CConfigPropertyPage_Authentication::CConfigPropertyPage_Authentication()
    : CConfigPage(PageId::Authentication, 109, QStringLiteral("Authentication")) {}

void CConfigPropertyPage_Authentication::BuildPage(QVBoxLayout* body) {
    AddText(body, QStringLiteral("Your Internet service provider requires that your Quillet authenticate itself "
                                 "before the ISP will accept the connection."));
    name_ = MakeEdit(QStringLiteral("ISP Account Name"), 0);
    password_ = MakeEdit(QStringLiteral("ISP Account Password"), 0, true);
    confirm_ = MakeEdit(QStringLiteral("Confirm Account Password"), 0, true);
    AddField(body, QStringLiteral("ISP &Account Name"), name_, QStringLiteral("ISP"));
    AddField(body, QStringLiteral("ISP Account &Password"), password_, QStringLiteral("ISP"));
    AddField(body, QStringLiteral("C&onfirm Account Password"), confirm_, QStringLiteral("ISP"));
}

void CConfigPropertyPage_Authentication::OnDestroyWindow() {
    name_ = password_ = confirm_ = nullptr;
    CConfigPage::OnDestroyWindow();
}

void CConfigPropertyPage_Authentication::LoadControls() {
    nameText_ = QString::fromStdString(settings_->AccountName());
    name_->setText(nameText_);
    password_->setText(QString::fromStdString(settings_->AccountPassword()));
    confirm_->setText(QString::fromStdString(settings_->AccountPassword()));
}

bool CConfigPropertyPage_Authentication::StoreControls() {
    nameText_ = name_->text();
    QString password = password_->text();
    QString confirm = confirm_->text();
    if (nameText_.isEmpty()) {
        FocusControl(name_);
        ShowMessage(QStringLiteral("You have not entered an ISP Account Name.  Without an account name you will be "
                                   "unable to establish a connection to your ISP.  Please enter your ISP Account "
                                   "Name now"),
                    MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    settings_->SetAccountName(nameText_.toStdString());
    if (password != confirm) {
        FocusControl(confirm_);
        ShowMessage(QStringLiteral("Password verification failed - please retry"), MsgButtons::Ok,
                    MsgIcon::Exclamation);
        return false;
    }
    if (password.isEmpty()) {
        FocusControl(password_);
        if (ShowMessage(QStringLiteral("You have not entered an ISP Account Password.  Are you certain that this is "
                                       "correct?  Without a correct account password you will be unable to "
                                       "establish a connection to your ISP.\n\nPress Retry to reenter the blank "
                                       "values, or Cancel to use the values as entered."),
                        MsgButtons::RetryCancel, MsgIcon::Exclamation) == IdRetry)
            return false;
    }
    settings_->SetAccountPassword(password.toStdString());
    WriteProfile(QStringLiteral("Username"), nameText_);
    return true;
}

QString CConfigPropertyPage_Authentication::SummaryLines() const {
    return QStringLiteral("Username:\t") + nameText_ + QStringLiteral("\r\n");
}

} // namespace wiz
