// What a Quillet page may ask of the sheet that holds it. A page names the pages it
// wants by PageId; the sheet alone knows every page and the path between them.
#pragma once

#include "run/Driver.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace wiz {

class WizardRun;

// The fifteen pages, in the order the sheet holds them.
enum class PageId {
    Password,
    RouterAddress,
    SwitchType,
    Security,
    Dialing,
    Authentication,
    Progress,
    LineIdsWithSpids,
    LineIds,
    FtpHost,
    HttpHost,
    SmtpHost,
    DnsHost,
    ConnectionType,
    Summary,
};

class ConfigPageHost {
public:
    // The path: where a page's Next leads when it is shown, and once it stored its
    // answers (the record then holds them).
    virtual PageId DefaultNextPage(PageId page) const = 0;
    virtual PageId ChosenNextPage(PageId page) const = 0;
    // The page a failed run sends the user back to.
    virtual PageId PageAtFault(VLQLWizUIControl::WizardPage fault) const = 0;
    // AddNextPage of the named page; returns the page count.
    virtual int AddNextPage(PageId page) = 0;

    // The summary of the pages on the path, in path order.
    virtual QString BuildSummary() const = 0;
    // The local computer's IPv4 addresses (network byte order), looked up once.
    virtual const std::vector<uint32_t>& LocalAddresses() const = 0;
    // The run, null until a probe or the progress page makes one.
    virtual WizardRun* Run() const = 0;
    virtual WizardRun* CreateRun() = 0;
    virtual void DeleteRun() = 0;
    // Drops the run (its session holds the router's one administrative connection) and
    // puts the router back as the snapshot at `path` found it.
    virtual void RestoreRouter(const std::string& path) = 0;
    // Profile entries under the current section; never read back.
    virtual void SetProfileSection(const QString& section) = 0;
    virtual void WriteProfileString(const QString& entry, const QString& value) const = 0;
    virtual void WriteProfileInt(const QString& entry, int value) const = 0;

protected:
    ~ConfigPageHost() = default;
};

} // namespace wiz
