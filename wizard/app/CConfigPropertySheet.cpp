#include "wizard/app/CConfigPropertySheet.h"

#include "platform/Sockets.h"
#include "router/ValueTables.h"
#include "wizard/app/RestoreDialog.h"
#include "wizard/pages/CConfigHostPages.h"
#include "wizard/pages/CConfigPropertyIPAddressPage.h"
#include "wizard/pages/CConfigPropertyPage1.h"
#include "wizard/pages/CConfigPropertyPage10.h"
#include "wizard/pages/CConfigPropertyPage3.h"
#include "wizard/pages/CConfigPropertyPage4.h"
#include "wizard/pages/CConfigPropertyPage5.h"
#include "wizard/pages/CConfigPropertyPage8.h"
#include "wizard/pages/CConfigPropertyPage9.h"
#include "wizard/pages/CConfigPropertyPage_Authentication.h"
#include "wizard/pages/CConfigPropertyPage_CxnType.h"
#include "wizard/pages/CConfigSummaryPage.h"
#include "wizard/framework/MessageBox.h"
#include "wizard/pages/Pictures.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>

#include <unistd.h>

namespace wiz {
namespace {

// The wizard's path: for each page, the page its Next leads to when it is shown and,
// where the answers decide, the choice made once the page stored them.
struct PathStep {
    PageId page;
    PageId next;
    PageId (*choose)(const ConfigSettings& s);
};

const PathStep PagePath[] = {
    {PageId::Password, PageId::RouterAddress, nullptr},
    {PageId::RouterAddress, PageId::SwitchType, nullptr},
    {PageId::SwitchType, PageId::LineIdsWithSpids,
     [](const ConfigSettings& s) {
         return UsesSpids(s.SwitchType()) ? PageId::LineIdsWithSpids : PageId::LineIds;
     }},
    {PageId::LineIdsWithSpids, PageId::Security, nullptr},
    {PageId::LineIds, PageId::Security, nullptr},
    {PageId::Security, PageId::FtpHost,
     [](const ConfigSettings& s) { return s.SecurityOn() == 1 ? PageId::FtpHost : PageId::Dialing; }},
    {PageId::FtpHost, PageId::HttpHost, nullptr},
    {PageId::HttpHost, PageId::SmtpHost, nullptr},
    {PageId::SmtpHost, PageId::DnsHost, nullptr},
    // With any service published the user also chooses how the link is held up.
    {PageId::DnsHost, PageId::Dialing,
     [](const ConfigSettings& s) {
         bool published = !s.FtpHost().empty() || !s.HttpHost().empty() || !s.SmtpHost().empty() ||
                          !s.DnsHost().empty();
         return published ? PageId::ConnectionType : PageId::Dialing;
     }},
    {PageId::ConnectionType, PageId::Dialing, nullptr},
    {PageId::Dialing, PageId::Authentication, nullptr},
    {PageId::Authentication, PageId::Summary, nullptr},
    {PageId::Summary, PageId::Progress, nullptr},
    // After a failure the progress page goes back to the page at fault (PageAtFault).
    {PageId::Progress, PageId::RouterAddress, nullptr},
};

const PathStep& StepOf(PageId page) {
    for (const PathStep& step : PagePath)
        if (step.page == page) return step;
    return PagePath[0];
}

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

PageId CConfigPropertySheet::DefaultNextPage(PageId page) const {
    return StepOf(page).next;
}

PageId CConfigPropertySheet::ChosenNextPage(PageId page) const {
    const PathStep& step = StepOf(page);
    return step.choose ? step.choose(settings_) : step.next;
}

PageId CConfigPropertySheet::PageAtFault(VLQLWizUIControl::WizardPage fault) const {
    using Fault = VLQLWizUIControl::WizardPage;
    switch (fault) {
    case Fault::SwitchType: return PageId::SwitchType;
    case Fault::LineIdsWithSpids: return PageId::LineIdsWithSpids;
    case Fault::LineIds: return PageId::LineIds;
    case Fault::Dialing: return PageId::Dialing;
    case Fault::Authentication: return PageId::Authentication;
    case Fault::RouterAddress:
    case Fault::None: break;
    }
    return PageId::RouterAddress;
}

int CConfigPropertySheet::AddNextPage(PageId page) {
    return WizardSheet::AddNextPage(Page(page));
}

CConfigPage* CConfigPropertySheet::Page(PageId id) const {
    return AllPages()[static_cast<size_t>(id)];
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

void CConfigPropertySheet::RestoreRouter(const std::string& path) {
    DeleteRun();
    // The user has said yes already: the window shows the lines and goes on.
    RestoreFromFile(this, QFile::decodeName(path.c_str()), false);
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
    // Cancelled once the run had begun changing the router (a failure asks on its own).
    if (result == QDialog::Rejected && run_) progress_->OfferRestore();
    for (CConfigPage* page : AllPages())
        page->OnSheetDone();
    WizardSheet::done(result);
}

} // namespace wiz
