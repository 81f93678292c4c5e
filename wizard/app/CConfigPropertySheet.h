// The Quillet wizard: fifteen pages on a path that the user's answers shape, the settings
// record, the local computer's addresses, the profile section and at most one run. The
// path between the pages is this class's alone (PagePath in the .cpp).
#pragma once

#include "run/ConfigSettings.h"
#include "wizard/pages/WizardRun.h"
#include "wizard/framework/WizardSheet.h"
#include "wizard/pages/ConfigPageHost.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace wiz {

class CConfigPage;
class CConfigPropertyPage1;
class CConfigPropertyIPAddressPage;
class CConfigPropertyPage3;
class CConfigPropertyPage4;
class CConfigPropertyPage5;
class CConfigPropertyPage_Authentication;
class CConfigPropertyPage8;
class CConfigPropertyPage9;
class CConfigPropertyPage10;
class CConfigPropertyPage_FTPHost;
class CConfigPropertyPage_HTTPHost;
class CConfigPropertyPage_SMTPHost;
class CConfigPropertyPage_DNSHost;
class CConfigPropertyPage_CxnType;
class CConfigSummaryPage;

// What the sheet takes from its surroundings; tests replace both.
struct SheetEnvironment {
    RunFactory makeRun;                                   // empty: the shipped run
    std::function<bool(std::vector<uint32_t>*)> localAddresses;  // empty: the real lookup
};

class CConfigPropertySheet : public WizardSheet, public ConfigPageHost {
public:
    explicit CConfigPropertySheet(SheetEnvironment env = {}, QWidget* parent = nullptr);
    ~CConfigPropertySheet() override;

    ConfigSettings& Settings() { return settings_; }
    const QString& ProfileSection() const { return profileSection_; }

    // What the pages ask of the sheet.
    PageId DefaultNextPage(PageId page) const override;
    PageId ChosenNextPage(PageId page) const override;
    PageId PageAtFault(VLQLWizUIControl::WizardPage fault) const override;
    int AddNextPage(PageId page) override;
    using WizardSheet::AddNextPage;
    QString BuildSummary() const override;
    const std::vector<uint32_t>& LocalAddresses() const override { return localAddresses_; }
    WizardRun* Run() const override { return run_.get(); }
    WizardRun* CreateRun() override;
    void DeleteRun() override;
    void RestoreRouter(const std::string& path) override;
    void SetProfileSection(const QString& section) override { profileSection_ = section; }
    void WriteProfileString(const QString& entry, const QString& value) const override;
    void WriteProfileInt(const QString& entry, int value) const override;

    // The pages, in the order the sheet holds them.
    CConfigPropertyPage1* PasswordPage() const { return password_.get(); }
    CConfigPropertyIPAddressPage* AddressPage() const { return address_.get(); }
    CConfigPropertyPage3* SwitchTypePage() const { return switchType_.get(); }
    CConfigPropertyPage4* SecurityPage() const { return security_.get(); }
    CConfigPropertyPage5* DialingPage() const { return dialing_.get(); }
    CConfigPropertyPage_Authentication* AuthenticationPage() const { return authentication_.get(); }
    CConfigPropertyPage8* ProgressPage() const { return progress_.get(); }
    CConfigPropertyPage9* SpidPage() const { return spid_.get(); }
    CConfigPropertyPage10* DirNoPage() const { return dirNo_.get(); }
    CConfigPropertyPage_FTPHost* FtpPage() const { return ftp_.get(); }
    CConfigPropertyPage_HTTPHost* HttpPage() const { return http_.get(); }
    CConfigPropertyPage_SMTPHost* SmtpPage() const { return smtp_.get(); }
    CConfigPropertyPage_DNSHost* DnsPage() const { return dns_.get(); }
    CConfigPropertyPage_CxnType* CxnTypePage() const { return cxnType_.get(); }
    CConfigSummaryPage* SummaryPage() const { return summary_.get(); }
    std::vector<CConfigPage*> AllPages() const;
    CConfigPage* Page(PageId id) const;

    void done(int result) override;

private:
    SheetEnvironment env_;
    std::unique_ptr<CConfigPropertyPage1> password_;
    std::unique_ptr<CConfigPropertyIPAddressPage> address_;
    std::unique_ptr<CConfigPropertyPage3> switchType_;
    std::unique_ptr<CConfigPropertyPage4> security_;
    std::unique_ptr<CConfigPropertyPage5> dialing_;
    std::unique_ptr<CConfigPropertyPage_Authentication> authentication_;
    std::unique_ptr<CConfigPropertyPage8> progress_;
    std::unique_ptr<CConfigPropertyPage9> spid_;
    std::unique_ptr<CConfigPropertyPage10> dirNo_;
    std::unique_ptr<CConfigPropertyPage_FTPHost> ftp_;
    std::unique_ptr<CConfigPropertyPage_HTTPHost> http_;
    std::unique_ptr<CConfigPropertyPage_SMTPHost> smtp_;
    std::unique_ptr<CConfigPropertyPage_DNSHost> dns_;
    std::unique_ptr<CConfigPropertyPage_CxnType> cxnType_;
    std::unique_ptr<CConfigSummaryPage> summary_;
    QString profileSection_;
    std::vector<uint32_t> localAddresses_;
    // Declared last so that they go first: the run before the record it points to, the
    // record before the pages.
    ConfigSettings settings_;
    std::unique_ptr<WizardRun> run_;
};

} // namespace wiz
