#include "run/RouterRestore.h"

#include "router/FilterList.h"
#include "router/LocationList.h"
#include "run/Driver.h"
#include "run/Process.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace VLQLWizUIControl {

namespace {

std::string Name(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

template <size_t N>
std::string Name(const char (&field)[N]) {
    return Name(field, N);
}

std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : ", ") + item;
    return out;
}

} // namespace

RouterRestore::RouterRestore(RouterSnapshot kept) : snapshot(std::move(kept)) {}

std::string RouterRestore::StepText() const {
    switch (stage) {
    case Connecting: return "Connecting to Quillet at " + snapshot.address;
    case Writing: return "Writing back the snapshot taken " + snapshot.taken;
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
        WriteRecords();
        if (!session.IsConnected()) {
            message = "The connection to the Quillet broke while writing back the snapshot.";
            stage = Failed;
            return 0;
        }
        stage = SavingAndRestarting;
        return 1;
    case SavingAndRestarting:
        SaveAndRestart(true);
        stage = Reconnecting;
        return 1;
    case Reconnecting:
        for (int attempt = 0; attempt < 5; ++attempt) {
            session.Close();
            if (session.Open(snapshot.address, snapshot.password) == VLVelunor::Ok) {
                stage = Comparing;
                return 1;
            }
        }
        message = "The Quillet did not answer with the snapshot's password after its restart.";
        stage = Failed;
        return 0;
    case Comparing:
        differences = snapshot.Differences(RouterSnapshot::FromSession(session, snapshot.address, ""));
        session.Close();
        stage = Done;
        return 0;
    default: return 0;
    }
}

std::string RouterRestore::ResultText() const {
    if (stage != Done)
        return "The restore did not finish.";
    std::string text = differences.empty()
                           ? "The Quillet holds what the snapshot holds."
                           : "The Quillet differs from the snapshot in: " + Join(differences);
    if (!refused.empty())
        text += " The Quillet refused commands for: " + Join(refused) + ".";
    return text;
}

std::vector<std::string> RouterRestore::Preview() {
    std::vector<std::string> lines;
    if (stage != Writing || !session.IsConnected())
        return lines;
    vl_capture_commands(&lines);
    WriteRecords();
    SaveAndRestart(false);
    vl_capture_commands(nullptr);
    refused.clear();
    // The restart itself is not captured: a captured reboot would close the connection.
    lines.emplace_back("reboot");
    return lines;
}

bool RouterRestore::Connect(std::string& message) {
    const std::pair<std::string, const char*> candidates[] = {
        {snapshot.runPassword, "the password the run installed"},
        {snapshot.password, "the snapshot's password"},
        {std::string(), "no password"},
    };
    std::vector<std::string> tried;
    for (const auto& [password, label] : candidates) {
        if (std::find(tried.begin(), tried.end(), password) != tried.end())
            continue;
        tried.push_back(password);
        session.Close();
        const VLVelunor::ReturnCode rc = session.Open(snapshot.address, password);
        if (rc == VLVelunor::Ok) {
            passwordUsed = label;
            return true;
        }
        if (rc == VLVelunor::LoginFailed)
            continue;
        if (rc == VLVelunor::ConnectFailed)
            message = vl_last_error == 10061 ? std::string(Process::RefusedMessage)
                                             : "No Quillet answered at " + snapshot.address + ".";
        else
            message = "Error communicating with the Quillet at " + snapshot.address + ".";
        return false;
    }
    message = "The Quillet at " + snapshot.address +
              " accepted none of the passwords: not the one the run installed, not the "
              "snapshot's, and not an empty one. Nothing was sent.";
    return false;
}

void RouterRestore::Refused(int result, const std::string& area) {
    if (result == -1 && std::find(refused.begin(), refused.end(), area) == refused.end())
        refused.push_back(area);
}

// Every kept record goes back with the configure step's builders, each against what the
// router holds now, so only differences go out (filters are rewritten whole).
void RouterRestore::WriteRecords() {
    VlRouter* r = session.router;
    if (r == nullptr)
        return;
    for (size_t i = 0; i < snapshot.ethers.size() && static_cast<int>(i) < VL_MAX_ETHER; ++i) {
        if (i > 0 && static_cast<int>(i) >= r->ether_count)
            break;
        VlEther current = *session.EtherInterface(static_cast<int>(i));
        VlEther desired = current;
        RouterSnapshot::ApplyEther(snapshot.ethers[i], desired);
        // The first interface's address goes out always, as the run sends it.
        if (i == 0 || std::memcmp(&current, &desired, sizeof current) != 0)
            Refused(vl_set_ether(r, current.name, &current, &desired), Name(current.name));
    }

    VlRouter desiredGlobal = *r;
    RouterSnapshot::ApplyGlobal(snapshot.global, desiredGlobal);
    Refused(vl_set_global(r, &desiredGlobal, snapshot.password.c_str()), "global");

    for (const VlPort& kept : snapshot.ports) {
        VlPort* live = nullptr;
        for (int i = 0; r->ports != nullptr && i < r->port_count; ++i)
            if (Name(r->ports[i].name) == Name(kept.name))
                live = &r->ports[i];
        if (live == nullptr) {
            Refused(-1, "port " + Name(kept.name));
            continue;
        }
        VlPort desired = *live;
        RouterSnapshot::ApplyPort(kept, desired);
        Refused(vl_set_port(r, Name(kept.name).c_str(), live, &desired), "port " + Name(kept.name));
    }

    // Filters first, so that the locations can name them again.
    for (const RouterSnapshot::FilterRecord& kept : snapshot.filters) {
        LinkedFilter desired(kept);
        VlFilter* live = session.filters != nullptr ? session.filters->Find(kept.name) : nullptr;
        Refused(live != nullptr ? vl_set_filter(r, live, &desired.filter) : vl_add_filter(r, &desired.filter),
                "filter " + kept.name);
    }
    if (session.locations != nullptr)
        for (VlLocation* l = session.locations->head; l != nullptr; l = l->next)
            if (snapshot.FindLocation(Name(l->name)) == nullptr)
                Refused(vl_delete_location(r, Name(l->name).c_str()), "location " + Name(l->name));
    for (const VlLocation& kept : snapshot.locations) {
        VlLocation* live = session.locations != nullptr ? session.locations->Find(Name(kept.name)) : nullptr;
        Refused(live != nullptr ? vl_set_location(r, live, &kept) : vl_add_location(r, &kept),
                "location " + Name(kept.name));
    }
    if (session.filters != nullptr)
        for (VlFilter* f = session.filters->head; f != nullptr; f = f->next)
            if (snapshot.FindFilter(Name(f->name)) == nullptr)
                Refused(vl_delete_filter(r, Name(f->name).c_str()), "filter " + Name(f->name));
}

void RouterRestore::SaveAndRestart(bool restart) {
    VlRouter* r = session.router;
    if (r == nullptr)
        return;
    Refused(vl_save_address(r), "saving the address");
    for (const VlPort& kept : snapshot.ports)
        Refused(vl_save(r, Name(kept.name).c_str()), "saving port " + Name(kept.name));
    Refused(vl_save_filter(r), "saving the filters");
    Refused(vl_save_location(r), "saving the locations");
    if (restart) {
        session.Reboot();
        session.Close();
    }
}

} // namespace VLQLWizUIControl
