#include "wizard/pages/CConfigPropertyPage4.h"


#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace wiz {

CConfigPropertyPage4::CConfigPropertyPage4() : CConfigPage(PageId::Security, 107, QStringLiteral("Internet Security")) {}

void CConfigPropertyPage4::BuildPage(QVBoxLayout* body) {
    AddText(body, QStringLiteral(
                      "To prevent unrestricted access to your office network, turn security on.  \n\nIf you turn "
                      "security off, no access protection will be provided.\n\nIf you turn security on, the next "
                      "four screens will allow you to customize your security profile."));
    auto* caption = new QLabel(QStringLiteral("Security:"));
    on_ = new QRadioButton(QStringLiteral("&On"));
    off_ = new QRadioButton(QStringLiteral("O&ff"));
    on_->setAccessibleName(QStringLiteral("Security On"));
    off_->setAccessibleName(QStringLiteral("Security Off"));
    auto* group = new QButtonGroup(on_);
    group->addButton(on_);
    group->addButton(off_);
    // One above the other, so the arrow keys move between them either way.
    auto* row = new QHBoxLayout();
    row->addWidget(caption, 0, Qt::AlignTop);
    QWidget* column = MakeGroup(QStringLiteral("Security"));
    column->layout()->addWidget(on_);
    column->layout()->addWidget(off_);
    row->addWidget(column);
    row->addStretch(1);
    body->addLayout(row);
    AddText(body, QStringLiteral("Security can be disabled, but it is NOT RECOMMENDED."));
}

void CConfigPropertyPage4::OnDestroyWindow() {
    on_ = off_ = nullptr;
    CConfigPage::OnDestroyWindow();
}

void CConfigPropertyPage4::LoadControls() {
    if (settings_->SecurityOn() == 1)
        on_->setChecked(true);
    else
        off_->setChecked(true);
}

bool CConfigPropertyPage4::StoreControls() {
    bool on = on_->isChecked();
    settings_->SetSecurityOn(on ? 1 : 0);
    WriteProfile(QStringLiteral("Security"), on ? QStringLiteral("On") : QStringLiteral("Off"));
    return true;
}

QString CConfigPropertyPage4::SummaryLines() const {
    return settings_->SecurityOn() ? QStringLiteral("You have chosen to enable security.\r\n")
                                   : QStringLiteral("You have chosen to disable security.\r\n");
}

} // namespace wiz
