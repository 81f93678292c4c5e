#include "wizard/CConfigPropertySheet.h"

#include "platform/Sockets.h"
#include "wizard/CConfigHostPages.h"
#include "wizard/CConfigPropertyIPAddressPage.h"
#include "wizard/CConfigPropertyPage1.h"
#include "wizard/CConfigPropertyPage10.h"
#include "wizard/CConfigPropertyPage3.h"
#include "wizard/CConfigPropertyPage4.h"
#include "wizard/CConfigPropertyPage5.h"
#include "wizard/CConfigPropertyPage8.h"
#include "wizard/CConfigPropertyPage9.h"
#include "wizard/CConfigPropertyPage_Authentication.h"
#include "wizard/CConfigPropertyPage_CxnType.h"
#include "wizard/CConfigSummaryPage.h"
#include "wizard/MessageBox.h"
#include "wizard/Pictures.h"

#include <QCoreApplication>
#include <QSettings>

#include <unistd.h>

namespace wiz {
namespace {

bool RealLocalAddresses(std::vector<uint32_t>* out) {
    char name[128] = {};
    if (gethostname(name, sizeof name - 1) != 0) return false;
    *out = platform::LocalHostAddresses();
    return !out->empty();
}

} // namespace

CConfigPropertySheet::CConfigPropertySheet(SheetEnvironment env, QWidget* parent)
    : WizardSheet(QStringLiteral("Wizard"), parent), env_(std::move(env)) {
    setWindowIcon(AppIcon());
    password_ = std::make_unique<CConfigPropertyPage1>();
    address_ = std::make_unique<CConfigPropertyIPAddressPage>();
    switchType_ = std::make_unique<CConfigPropertyPage3>();
    security_ = std::make_unique<CConfigPropertyPage4>();
    dialing_ = std::make_unique<CConfigPropertyPage5>();
    authentication_ = std::make_unique<CConfigPropertyPage_Authentication>();
    progress_ = std::make_unique<CConfigPropertyPage8>();
    spid_ = std::make_unique<CConfigPropertyPage9>();
    dirNo_ = std::make_unique<CConfigPropertyPage10>();
    ftp_ = std::make_unique<CConfigPropertyPage_FTPHost>();
    http_ = std::make_unique<CConfigPropertyPage_HTTPHost>();
    smtp_ = std::make_unique<CConfigPropertyPage_SMTPHost>();
    dns_ = std::make_unique<CConfigPropertyPage_DNSHost>();
    cxnType_ = std::make_unique<CConfigPropertyPage_CxnType>();
    summary_ = std::make_unique<CConfigSummaryPage>();

    AddNextPage(password_.get());
    for (CConfigPage* page : AllPages()) {
        RegisterPage(page);
        page->Attach(this, &settings_);
    }

    bool found = env_.localAddresses ? env_.localAddresses(&localAddresses_) : RealLocalAddresses(&localAddresses_);
    if (!found) {
        // Nothing useful to say here; the same-network test then asks the user.
        localAddresses_.clear();
        ShowMessage(QString(), MsgButtons::Ok, MsgIcon::None);
    }
}

CConfigPropertySheet::~CConfigPropertySheet() {
    // A probe or step still on the worker uses the run and the record.
    WaitForWorker();
}

std::vector<CConfigPage*> CConfigPropertySheet::AllPages() const {
    return {password_.get(), address_.get(), switchType_.get(), security_.get(), dialing_.get(),
            authentication_.get(), progress_.get(), spid_.get(), dirNo_.get(), ftp_.get(),
            http_.get(), smtp_.get(), dns_.get(), cxnType_.get(), summary_.get()};
}

WizardRun* CConfigPropertySheet::CreateRun() {
    progress_->OnRunChanged();
    run_.reset();
    run_ = env_.makeRun ? env_.makeRun(&settings_) : MakeProcessRun(&settings_);
    return run_.get();
}

void CConfigPropertySheet::DeleteRun() {
    progress_->OnRunChanged();
    run_.reset();
}

QString CConfigPropertySheet::BuildSummary() const {
    QString summary;
    for (int i = 0; i < PageCount(); ++i)
        summary += static_cast<CConfigPage*>(PageAt(i))->SummaryText();
    return summary;
}

// The profile is QSettings' native form, which on Linux is an INI file:
// ~/.config/Tolvane Enterprises/Quillet Wizard.conf, one group per router address.
void CConfigPropertySheet::WriteProfileString(const QString& entry, const QString& value) const {
    QSettings profile(QStringLiteral("Tolvane Enterprises"), QStringLiteral("Quillet Wizard"));
    profile.beginGroup(profileSection_);
    profile.setValue(entry, value);
    profile.endGroup();
}

void CConfigPropertySheet::WriteProfileInt(const QString& entry, int value) const {
    QSettings profile(QStringLiteral("Tolvane Enterprises"), QStringLiteral("Quillet Wizard"));
    profile.beginGroup(profileSection_);
    profile.setValue(entry, value);
    profile.endGroup();
}

void CConfigPropertySheet::done(int result) {
    for (CConfigPage* page : AllPages())
        page->OnSheetDone();
    WizardSheet::done(result);
}

} // namespace wiz
