#include "wizard/pages/CConfigPropertyPage_CxnType.h"


#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace wiz {

const char* const CConfigPropertyPage_CxnType::ExplanationText =
    "You have chosen to publish one or more of the services offered to you in the previous few pages.  You have the "
    "option of choosing a full time link, or a link that will dial whenever you have data to send.  If you choose a "
    "full time link, you may be charged by your telephone company by the minute.  If you choose a part time, or on "
    "demand, link, you will likely have lower phone charges, but your services will not be available all of the "
    "time.  Please select Full Time or On Demand below.";

CConfigPropertyPage_CxnType::CConfigPropertyPage_CxnType() : CConfigPage(PageId::ConnectionType, 125, QStringLiteral("Connection Type")) {}

bool CConfigPropertyPage_CxnType::OnSetActive() {
    text_->setText(QString::fromLatin1(ExplanationText));
    return CConfigPage::OnSetActive();
}

void CConfigPropertyPage_CxnType::BuildPage(QVBoxLayout* body) {
    // Set here as well as on activation, so that the sheet sizes the page for it.
    text_ = AddText(body, QString::fromLatin1(ExplanationText));
    onDemand_ = new QRadioButton(QStringLiteral("On &Demand Dialing"));
    fullTime_ = new QRadioButton(QStringLiteral("Full &Time Connection"));
    onDemand_->setAccessibleName(QStringLiteral("On Demand Dialing"));
    fullTime_->setAccessibleName(QStringLiteral("Full Time Connection"));
    auto* group = new QButtonGroup(onDemand_);
    group->addButton(onDemand_);
    group->addButton(fullTime_);
    QWidget* choice = MakeGroup(QStringLiteral("Connection Type"));
    choice->layout()->addWidget(onDemand_);
    choice->layout()->addWidget(fullTime_);
    body->addWidget(choice);
    // The choice is stored as it is clicked; Next stores nothing more.
    QObject::connect(onDemand_, &QRadioButton::clicked, onDemand_, [this] { settings_->SetConnectionType(1); });
    QObject::connect(fullTime_, &QRadioButton::clicked, fullTime_, [this] { settings_->SetConnectionType(0); });
}

void CConfigPropertyPage_CxnType::OnDestroyWindow() {
    onDemand_ = fullTime_ = nullptr;
    text_ = nullptr;
    CConfigPage::OnDestroyWindow();
}

void CConfigPropertyPage_CxnType::LoadControls() {
    if (settings_->ConnectionType() != 0) {
        onDemand_->setChecked(true);
        settings_->SetConnectionType(1);
    } else {
        fullTime_->setChecked(true);
        settings_->SetConnectionType(0);
    }
}

QString CConfigPropertyPage_CxnType::SummaryLines() const {
    return settings_->ConnectionType() ? QStringLiteral("Quillet will dial ISP when required\r\n")
                                       : QStringLiteral("Quillet will keep connection up continuously\r\n");
}

} // namespace wiz
