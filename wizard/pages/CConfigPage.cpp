#include "wizard/pages/CConfigPage.h"

#include "wizard/pages/Pictures.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace wiz {

CConfigPage::CConfigPage(PageId id, int dialogId, const QString& title)
    : WizardPage(title), id_(id), dialogId_(dialogId) {}

void CConfigPage::Attach(ConfigPageHost* host, ConfigSettings* settings) {
    host_ = host;
    settings_ = settings;
}

bool CConfigPage::OnSetActive() {
    nextPage_ = host_->DefaultNextPage(id_);
    return WizardPage::OnSetActive();
}

bool CConfigPage::OnKillActive() {
    // Back must not store: the record keeps what the last Next stored.
    return true;
}

int CConfigPage::OnWizardNext() {
    if (!UpdateData(true)) return -1;
    if (HasValidate() && !OnValidate()) return -1;
    nextPage_ = host_->ChosenNextPage(id_);
    host_->AddNextPage(nextPage_);
    summaryText_ = SummaryLines();
    return 0;
}

int CConfigPage::PreferredWidth() const {
    return 276 * QFontMetrics(QApplication::font()).averageCharWidth() / 4;
}

QString CConfigPage::BottomText() const {
    return QStringLiteral("Click Next> to Continue.");
}

void CConfigPage::BuildWindow(QWidget* window) {
    picture_ = new QLabel(window);
    picture_->setPixmap(WizardPicture());
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture_->setAccessibleName(QStringLiteral("Quillet Configuration Wizard"));
    picture_->setFixedWidth(SidePictureWidth);
    auto* body = new QVBoxLayout();
    BuildPage(body);
    // A page opens with its explanatory text, the first plain label; screen readers read
    // it as the page's description.
    if (body->count() > 0)
        if (auto* first = qobject_cast<QLabel*>(body->itemAt(0)->widget()); first && !first->buddy())
            SetExplanation(first);
    if (!FillsPage()) body->addStretch(1);
    QString bottom = BottomText();
    if (!bottom.isEmpty()) {
        QLabel* label = AddText(body, bottom);
        label->setWordWrap(false);
        label->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    }
    auto* row = new QHBoxLayout(window);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(picture_, 0, Qt::AlignTop);
    row->addSpacing(10);
    row->addLayout(body, 1);
}

void CConfigPage::OnDestroyWindow() {
    picture_ = nullptr;
}

QLabel* CConfigPage::AddField(QVBoxLayout* body, const QString& label, QWidget* box, const QString& mark,
                              QLabel** markOut) {
    auto* caption = new QLabel(label);
    caption->setBuddy(box);
    caption->setWordWrap(true);
    body->addWidget(caption);
    auto* row = new QHBoxLayout();
    row->addWidget(box, 1);
    QLabel* markLabel = nullptr;
    if (!mark.isEmpty()) {
        markLabel = new QLabel(mark);
        markLabel->setAccessibleName(mark == QLatin1String("Y")     ? QStringLiteral("Y: specific to your network")
                                     : mark == QLatin1String("ISP") ? QStringLiteral("ISP: given by your ISP")
                                                                    : QStringLiteral("T: given by the telephone company"));
        // The mark qualifies the box: read with it, not only as a stray letter beside it.
        box->setAccessibleDescription(markLabel->accessibleName());
        markLabel->setMinimumWidth(28);
        row->addWidget(markLabel);
    } else {
        row->addSpacing(34);
    }
    body->addLayout(row);
    if (markOut) *markOut = markLabel;
    return caption;
}

QLabel* CConfigPage::AddText(QVBoxLayout* body, const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    body->addWidget(label);
    return label;
}

QLineEdit* CConfigPage::MakeEdit(const QString& accessibleName, int maxLength, bool masked) {
    auto* edit = new QLineEdit();
    edit->setAccessibleName(accessibleName);
    if (maxLength > 0) edit->setMaxLength(maxLength);
    if (masked) edit->setEchoMode(QLineEdit::Password);
    return edit;
}

void CConfigPage::WriteProfile(const QString& entry, const QString& value) const {
    host_->WriteProfileString(entry, value);
}

void CConfigPage::WriteProfile(const QString& entry, int value) const {
    host_->WriteProfileInt(entry, value);
}

} // namespace wiz
