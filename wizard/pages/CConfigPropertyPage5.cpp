#include "wizard/pages/CConfigPropertyPage5.h"

#include "router/Validators.h"
#include "wizard/framework/MessageBox.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace wiz {

CConfigPropertyPage5::CConfigPropertyPage5() : CConfigPage(PageId::Dialing, 108, QStringLiteral("Dialing Configuration")) {}

void CConfigPropertyPage5::BuildPage(QVBoxLayout* body) {
    AddText(body, QStringLiteral(
                      "The following settings define how your Quillet connects to your Internet service provider."));
    auto* speed = new QLabel(QStringLiteral("ISDN Speed"));
    oneChannel_ = new QRadioButton(QStringLiteral("&64KB (1 B Channel)"));
    twoChannels_ = new QRadioButton(QStringLiteral("&128KB (2 B Channels)"));
    oneChannel_->setAccessibleName(QStringLiteral("64KB (1 B Channel)"));
    twoChannels_->setAccessibleName(QStringLiteral("128KB (2 B Channels)"));
    auto* group = new QButtonGroup(oneChannel_);
    group->addButton(oneChannel_);
    group->addButton(twoChannels_);
    QWidget* speedGroup = MakeGroup(QStringLiteral("ISDN Speed"));
    speedGroup->layout()->addWidget(oneChannel_);
    speedGroup->layout()->addWidget(twoChannels_);
    body->addWidget(speed);
    body->addWidget(speedGroup);
    primary_ = MakeEdit(QStringLiteral("Primary ISDN phone number"), 0);
    secondary_ = MakeEdit(QStringLiteral("Secondary ISDN phone number"), 0);
    AddField(body, QStringLiteral("&Primary ISDN phone number."), primary_, QStringLiteral("ISP"));
    secondaryLabel_ = AddField(body, QStringLiteral("&Secondary ISDN phone number (optional - F1 for details)."),
                               secondary_, QStringLiteral("ISP"), &secondaryMark_);
    secondary_->setAccessibleDescription(QStringLiteral("optional - F1 for details; ") +
                                         secondary_->accessibleDescription());
    ShowSecondary(false);
    QObject::connect(oneChannel_, &QRadioButton::clicked, oneChannel_, [this] { ShowSecondary(false); });
    QObject::connect(twoChannels_, &QRadioButton::clicked, twoChannels_, [this] { ShowSecondary(true); });
}

void CConfigPropertyPage5::OnDestroyWindow() {
    oneChannel_ = twoChannels_ = nullptr;
    primary_ = secondary_ = nullptr;
    secondaryLabel_ = secondaryMark_ = nullptr;
    CConfigPage::OnDestroyWindow();
}

void CConfigPropertyPage5::ShowSecondary(bool show) {
    secondary_->setVisible(show);
    secondaryLabel_->setVisible(show);
    secondaryMark_->setVisible(show);
}

void CConfigPropertyPage5::LoadControls() {
    bool two = TextNumber(settings_->Channels()) == 2;
    (two ? twoChannels_ : oneChannel_)->setChecked(true);
    ShowSecondary(two);
    primaryText_ = QString::fromStdString(settings_->PhoneNumber());
    secondaryText_ = QString::fromStdString(settings_->PhoneNumber2());
    primary_->setText(primaryText_);
    secondary_->setText(secondaryText_);
}

bool CConfigPropertyPage5::StoreControls() {
    primaryText_ = primary_->text();
    secondaryText_ = secondary_->text();
    std::string message;
    settings_->SetChannels(twoChannels_->isChecked() ? "2" : "1", message);
    if (!settings_->SetPhoneNumber(primaryText_.toStdString(), message)) {
        FocusControl(primary_);
        ShowMessage(QString::fromStdString(message), MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    // A second number typed while 128KB was chosen still counts when the box is hidden.
    if (!secondaryText_.isEmpty()) {
        if (!settings_->SetPhoneNumber2(secondaryText_.toStdString(), message)) {
            // Hidden under 64KB, the number could be neither seen nor corrected.
            ShowSecondary(true);
            FocusControl(secondary_);
            ShowMessage(QString::fromStdString(message), MsgButtons::Ok, MsgIcon::Exclamation);
            return false;
        }
    } else {
        settings_->ClearPhoneNumber2();
    }
    WriteProfile(QStringLiteral("Channels"), twoChannels_->isChecked() ? 2 : 1);
    WriteProfile(QStringLiteral("PhoneNumber"), primaryText_);
    return true;
}

QString CConfigPropertyPage5::SummaryLines() const {
    QString lines = QStringLiteral("Max B Channels:\t") + QString::fromStdString(settings_->Channels()) +
                    QStringLiteral("\r\nPhone Number:\t") + primaryText_ + QStringLiteral("\r\n");
    if (!secondaryText_.isEmpty())
        lines += QStringLiteral("Phone Number 2:\t") + secondaryText_ + QStringLiteral("\r\n");
    return lines;
}

} // namespace wiz
