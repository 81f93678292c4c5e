#include "wizard/pages/CConfigPropertyPage10.h"

#include "wizard/framework/MessageBox.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace wiz {

CConfigPropertyPage10::CConfigPropertyPage10() : CConfigPage(PageId::LineIds, 116, QStringLiteral("ISDN Line IDs")) {}

void CConfigPropertyPage10::BuildPage(QVBoxLayout* body) {
    AddText(body, QStringLiteral(
                      "Your switch type requires you to enter a Directory Number.  This should have been provided by "
                      "the telephone company when your ISDN line was installed."));
    box_ = MakeEdit(QStringLiteral("B Channel Directory Number"), 20);
    AddField(body, QStringLiteral("B Channel &Directory Number"), box_, QStringLiteral("T"));
}

void CConfigPropertyPage10::OnDestroyWindow() {
    box_ = nullptr;
    CConfigPage::OnDestroyWindow();
}

void CConfigPropertyPage10::LoadControls() {
    text_ = QString::fromStdString(settings_->Channel1DirNo());
    box_->setText(text_);
}

bool CConfigPropertyPage10::StoreControls() {
    text_ = box_->text();
    if (text_.isEmpty()) {
        FocusControl(box_);
        if (ShowMessage(QStringLiteral("You have not entered a Directory Number.  Are you certain this is "
                                       "correct?\n\nPress Retry to reenter the Directory Number, or Cancel to "
                                       "continue configuration."),
                        MsgButtons::RetryCancel, MsgIcon::Exclamation) == IdRetry)
            return false;
    }
    std::string message;
    // Both channels answer to the one number.
    if (!settings_->SetChannel1DirNo(text_.toStdString(), message) ||
        !settings_->SetChannel2DirNo(text_.toStdString(), message)) {
        FocusControl(box_);
        ShowMessage(QStringLiteral("Channel 1 Directory Number ") + QString::fromStdString(message), MsgButtons::Ok,
                    MsgIcon::Exclamation);
        return false;
    }
    WriteProfile(QStringLiteral("DirectoryNo"), text_);
    return true;
}

QString CConfigPropertyPage10::SummaryLines() const {
    return QStringLiteral("Channel 1 DirNo:\t") + text_ + QStringLiteral("\r\n");
}

} // namespace wiz
