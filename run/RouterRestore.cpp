#include "run/RouterRestore.h"

#include "router/FilterList.h"
#include "router/LocationList.h"
#include "router/RecordText.h"
#include "run/Driver.h"
#include "run/Process.h"
#include "run/RouterBackup.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace VLQLWizUIControl {

namespace {

std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : ", ") + item;
    return out;
}

void Refused(std::vector<std::string>& refusals, int result, const std::string& area) {
    if (result == -1 && std::find(refusals.begin(), refusals.end(), area) == refusals.end())
        refusals.push_back(area);
}

} // namespace

RouterRestore::RouterRestore(RouterSnapshot kept) : snapshot(std::move(kept)) {}

std::string RouterRestore::StepText() const {
    switch (stage) {
    case Connecting: return "Connecting to Quillet at " + snapshot.address;
    case Writing:
        return "Writing back the snapshot taken " + snapshot.taken +
               (snapshot.tablesWhole ? ""
                                     : " (an older snapshot that does not say it read the "
                                       "Quillet's locations and filters whole: the ones it does "
                                       "not hold are kept)");
    case SavingAndRestarting: return "Saving changes and restarting Quillet";
    case Reconnecting: return "Reconnecting to Quillet";
    case Comparing: return "Comparing the Quillet with the snapshot";
    default: return "";
    }
}

long RouterRestore::DelayMs() const {
    // The router needs the run's restart wait before it answers again.
    if (stage == Reconnecting)
        return (Driver::StateDelay(StepMachine::Reconnecting) + 1) * Driver::TickMs;
    return 0;
}

int RouterRestore::Step(std::string& message) {
    switch (stage) {
    case Connecting:
        if (!Connect(message)) {
            stage = Failed;
            return 0;
        }
        stage = Writing;
        return 1;
    case Writing:
        WriteRecords(session, refused);
        if (!session.IsConnected()) {
            message = "The connection to the Quillet broke while writing back the snapshot. "
                      "The Quillet holds part of it until it restarts; then it has its saved "
                      "settings again. Nothing was saved.";
            stage = Failed;
            return 0;
        }
        stage = SavingAndRestarting;
        return 1;
    case SavingAndRestarting:
        if (!SaveAndRestart(message)) {
            stage = Failed;
            return 0;
        }
        stage = Reconnecting;
        return 1;
    case Reconnecting: {
        VLVelunor::ReturnCode rc = VLVelunor::ConnectFailed;
        for (int attempt = 0; attempt < 5 && rc != VLVelunor::Ok; ++attempt) {
            session.Close();
            rc = session.Open(snapshot.address, snapshot.password);
        }
        if (rc == VLVelunor::Ok) {
            stage = Comparing;
            return 1;
        }
        message = rc == VLVelunor::LoginFailed
                      ? "After its restart the Quillet did not take the snapshot's password: its "
                        "administration password is not the snapshot's."
                      : "The Quillet did not answer at " + snapshot.address + " after its restart.";
        stage = Failed;
        return 0;
    }
    case Comparing: {
        const RouterSnapshot now = RouterSnapshot::FromSession(session, snapshot.address, "");
        session.Close();
        // Locations and filters an older snapshot did not delete still count: the router
        // does not hold what the snapshot holds, and the Writing line said why.
        differences = CompareSnapshots(snapshot, now, false);
        stage = Done;
        return 0;
    }
    default: return 0;
    }
}

std::string RouterRestore::ResultText() const {
    if (stage != Done)
        return "The restore did not finish.";
    std::string text;
    if (differences.empty()) {
        text = "The Quillet holds what the snapshot holds.";
    } else {
        text = "The Quillet differs from the snapshot in " + std::to_string(differences.size()) +
               (differences.size() == 1 ? " setting:" : " settings:");
        for (const SettingDifference& d : differences)
            text += "\n  " + DifferenceLine(d, false);
    }
    if (!refused.empty()) {
        text += "\nThe Quillet refused commands for:";
        for (const std::string& area : refused)
            text += "\n  " + area;
    }
    return text;
}

std::vector<std::string> RouterRestore::Preview() {
    std::vector<std::string> lines;
    if (stage != Writing || !session.IsConnected())
        return lines;
    VLVelunor copy;
    copy.CopyOf(session);
    std::vector<std::string> refusals;
    vl_capture_commands(&lines);
    WriteRecords(copy, refusals);
    Save(copy.router, refusals);
    vl_reboot(copy.router);  // captured: the line only
    vl_capture_commands(nullptr);
    return lines;
}

void RouterRestore::OfferPassword(std::string password) {
    offeredPassword = std::move(password);
    if (passwordsRefused)
        stage = Connecting;
    passwordsRefused = false;
}

bool RouterRestore::Connect(std::string& message) {
    std::vector<PasswordTry> tries;
    if (!offeredPassword.empty())
        tries.push_back({offeredPassword, "the password you entered"});
    tries.push_back({snapshot.runPassword, "the password the run installed"});
    tries.push_back({snapshot.password, "the snapshot's password"});
    tries.push_back({std::string(), "no password"});
    const VLVelunor::ReturnCode rc = OpenWithPasswords(session, snapshot.address, tries, passwordUsed, message);
    passwordsRefused = rc == VLVelunor::LoginFailed;
    if (passwordsRefused)
        message = "The Quillet at " + snapshot.address +
                  " accepted none of the passwords: not the one the run installed, not the "
                  "snapshot's, and not an empty one. Nothing was sent.";
    return rc == VLVelunor::Ok;
}

// Every kept record goes back with the configure step's builders, each against what the
// router holds now, so only differences go out (filters are rewritten whole).
void RouterRestore::WriteRecords(VLVelunor& on, std::vector<std::string>& refusals) const {
    VlRouter* r = on.router;
    if (r == nullptr)
        return;
    for (size_t i = 0; i < snapshot.ethers.size() && static_cast<int>(i) < VL_MAX_ETHER; ++i) {
        if (i > 0 && static_cast<int>(i) >= r->ether_count)
            break;
        VlEther current = *on.EtherInterface(static_cast<int>(i));
        VlEther desired = current;
        RouterSnapshot::ApplyEther(snapshot.ethers[i], desired);
        // The first interface's address goes out always, as the run sends it.
        if (i == 0 || std::memcmp(&current, &desired, sizeof current) != 0)
            Refused(refusals, vl_set_ether(r, current.name, &current, &desired),
                    RecordWords(FieldText(current.name)));
    }

    VlRouter desiredGlobal = *r;
    RouterSnapshot::ApplyGlobal(snapshot.global, desiredGlobal);
    Refused(refusals, vl_set_global(r, &desiredGlobal, snapshot.password.c_str()),
            RecordWords("global"));

    for (const VlPort& kept : snapshot.ports) {
        const std::string name = FieldText(kept.name);
        VlPort* live = nullptr;
        for (int i = 0; r->ports != nullptr && i < r->port_count; ++i)
            if (FieldText(r->ports[i].name) == name)
                live = &r->ports[i];
        if (live == nullptr) {
            Refused(refusals, -1, RecordWords("port." + name));
            continue;
        }
        VlPort desired = *live;
        RouterSnapshot::ApplyPort(kept, desired);
        Refused(refusals, vl_set_port(r, name.c_str(), live, &desired), RecordWords("port." + name));
    }

    // Deleting on the word of a snapshot whose tables were cut short would take away
    // what the router held and the snapshot merely missed.
    const bool deletions = snapshot.tablesWhole;
    // Filters first, so that the locations can name them again.
    for (const RouterSnapshot::FilterRecord& kept : snapshot.filters) {
        LinkedFilter desired(kept);
        VlFilter* live = on.filters != nullptr ? on.filters->Find(kept.name) : nullptr;
        Refused(refusals,
                live != nullptr ? vl_set_filter(r, live, &desired.filter) : vl_add_filter(r, &desired.filter),
                RecordWords("filter." + kept.name));
    }
    if (on.locations != nullptr && deletions)
        for (VlLocation* l = on.locations->head; l != nullptr; l = l->next)
            if (snapshot.FindLocation(FieldText(l->name)) == nullptr)
                Refused(refusals, vl_delete_location(r, FieldText(l->name).c_str()),
                        RecordWords("location." + FieldText(l->name)));
    for (const VlLocation& kept : snapshot.locations) {
        VlLocation* live = on.locations != nullptr ? on.locations->Find(FieldText(kept.name)) : nullptr;
        Refused(refusals, live != nullptr ? vl_set_location(r, live, &kept) : vl_add_location(r, &kept),
                RecordWords("location." + FieldText(kept.name)));
    }
    if (on.filters != nullptr && deletions)
        for (VlFilter* f = on.filters->head; f != nullptr; f = f->next)
            if (snapshot.FindFilter(FieldText(f->name)) == nullptr)
                Refused(refusals, vl_delete_filter(r, FieldText(f->name).c_str()),
                        RecordWords("filter." + FieldText(f->name)));
}

void RouterRestore::Save(VlRouter* r, std::vector<std::string>& unsaved) const {
    auto save = [&unsaved, r](int (*saving)(VlRouter*), const std::string& what) {
        if (r == nullptr || saving(r) != 0)
            unsaved.push_back(what);
    };
    save(vl_save_address, "the address and global settings");
    for (const VlPort& kept : snapshot.ports)
        if (r == nullptr || vl_save(r, FieldText(kept.name).c_str()) != 0)
            unsaved.push_back("port " + FieldText(kept.name));
    save(vl_save_filter, "the filters");
    save(vl_save_location, "the locations");
}

// Every save must be taken before the restart: a restart after a refused save would
// bring back what the router had saved, the run's settings.
bool RouterRestore::SaveAndRestart(std::string& message) {
    VlRouter* r = session.router;
    std::vector<std::string> unsaved;
    Save(r, unsaved);
    const bool linkUp = session.IsConnected();
    if (!unsaved.empty()) {
        message = std::string(linkUp ? "The Quillet refused to save "
                                     : "The connection to the Quillet broke before it saved ") +
                  Join(unsaved) +
                  ". It was not restarted: it holds the snapshot's settings until it "
                  "restarts, and then what it had saved before.";
        return false;
    }
    if (vl_reboot(r) != 0) {
        message = "The Quillet saved the snapshot's settings but did not take the restart: "
                  "restart it, then compare it with the snapshot again.";
        return false;
    }
    session.Close();
    return true;
}

} // namespace VLQLWizUIControl
