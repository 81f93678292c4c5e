#include "run/Process.h"

#include "platform/Sockets.h"
#include "router/BootpResponder.h"
#include "router/FilterList.h"
#include "router/FilterRule.h"
#include "router/LocationList.h"
#include "router/Validators.h"
#include "run/ConfigSettings.h"
#include "run/IspFilters.h"
#include "run/RouterSnapshot.h"

#include "platform/Hooks.h"

#include <cstring>

namespace VLQLWizUIControl {

const char* const Process::NotRespondingMessage =
    "The Quillet is not responding on the Ethernet.  This may be caused by the Quillet "
    "being powered off, or not being correctly connected to the Ethernet.\n\nPress Help or "
    "F1 for more information on troubleshooting this condition.";
const char* const Process::RefusedMessage =
    "The connection to your Quillet was refused.  This is because there is another "
    "administrative connection to it - probably another copy of the Wizard or the Tolvane "
    "DErazaruz application.";
const char* const Process::NoRouteMessage = "Route to host could not be found.";

Process::Process(ConfigSettings* settingsRecord) : StepMachine(settingsRecord) {}

// The session closes itself; a responder still waiting runs out on its own.
Process::~Process() = default;

int Process::StepSearching(std::string&) {
    bootpThread = std::make_unique<platform::Thread>();
    std::string address = settings->RouterAddress();
    if (bootpThread->Start([address] { return BootpResponder(address); }))
        state = WaitingForAddressRequest;
    else
        state = Failed;
    return 1;
}

int Process::StepWaitingForAddressRequest(std::string& message) {
    uint32_t code = bootpThread ? bootpThread->ExitCode() : 1;
    if (code == platform::Thread::StillActive)
        return 1;
    if (code == 0) {
        state = Connecting;
    } else {
        state = Failed;
        failureKind = AddressNotRequested;
        message = NotRespondingMessage;
    }
    return 1;
}

int Process::StepConnecting(std::string& message) {
    const std::string& address = settings->RouterAddress();
    const std::string& password = settings->AdminPassword();
    // A session left open by an earlier pass would be dropped without closing.
    session.Close();
    VLVelunor::ReturnCode rc = session.Open(address, password);
    switch (rc) {
    case VLVelunor::Ok:
        state = Configuring;
        break;
    case VLVelunor::LoginFailed:
        // A router in its factory state has no password yet; the configure step sets it.
        if (!password.empty() && session.Open(address, "") == VLVelunor::Ok) {
            state = Configuring;
        } else {
            state = Failed;
            failureKind = BadPassword;
        }
        break;
    case VLVelunor::ReadFailed:
        state = Failed;
        failureKind = NetworkError;
        break;
    case VLVelunor::ConnectFailed:
        state = Failed;
        // The router refuses a second administrative connection outright.
        if (vl_last_error == platform::WSAECONNREFUSED) {
            failureKind = ConnectionRefused;
            message = RefusedMessage;
            return 0;
        }
        message = std::strerror(VLVelunor::ConnectFailed);
        break;
    default:
        message = std::strerror(rc);
        state = Failed;
        failureKind = NetworkError;
        break;
    }
    return 1;
}

int Process::StepConfiguring(std::string& message) {
    // Once per run, before the first command: a Retry comes back here after the router
    // was changed, and the copy worth keeping is the one from before.
    if (snapshotPath.empty() && !KeepSnapshot(message)) {
        state = Failed;
        return 1;
    }
    try {
        Configure();
        state = SavingAndRestarting;
    } catch (...) {
        // failureKind keeps the substep that was running.
        state = Failed;
    }
    return 1;
}

bool Process::KeepSnapshot(std::string& message) {
    const RouterSnapshot snapshot =
        RouterSnapshot::FromSession(session, settings->RouterAddress(), settings->AdminPassword());
    std::string path, error;
    if (!snapshot.WriteFile(platform::GetHooks().snapshotDir, path, error)) {
        message = "The Wizard could not keep a snapshot of the Quillet's present settings, so "
                  "it has changed nothing on the Quillet.\n\n" + error;
        return false;
    }
    snapshotPath = path;
    logNote = "Snapshot of the Quillet's settings kept in " + path;
    return true;
}

bool Process::PreviewConfigure(std::vector<std::string>& lines, std::string& error) {
    lines.clear();
    error.clear();
    if (session.router == nullptr) {
        error = "not connected to a Quillet";
        return false;
    }
    Process copy(settings);
    copy.session.CopyOf(session);
    bool completed = true;
    vl_capture_commands(&lines);
    try {
        copy.Configure();
        copy.SaveForRestart();
        vl_reboot(copy.session.router);  // captured: the line only, the link stays
    } catch (...) {
        completed = false;
        error = "the configure step would fail at: " + FailureTextOf(copy.failureKind);
    }
    vl_capture_commands(nullptr);
    return completed;
}

int Process::StepSavingAndRestarting(std::string&) {
    SaveForRestart();
    session.Reboot();
    session.Close();
    state = Reconnecting;
    return 1;
}

void Process::SaveForRestart() {
    // Nothing differs, so the interface's address goes out once more, then is saved.
    EtherConfig current = etherDesired;
    session.WriteEthernet(current, etherDesired, 1);
    if (globalConfig) {
        globalConfig->Write(1);
        globalConfig.reset();
    }
    if (port1 == nullptr || port2 == nullptr)
        throw -1;
    port1Desired.Write(session, port1, 1);
    port2Desired.Write(session, port2, 1);
}

int Process::StepReconnecting(std::string&) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        session.Close();
        if (session.Open(settings->RouterAddress(), settings->AdminPassword()) == VLVelunor::Ok) {
            state = CheckingIsdn;
            return 1;
        }
    }
    state = Failed;
    return 1;
}

void Process::ReadRouterSettings(std::string& message) {
    message.clear();
    if (session.router == nullptr)
        return;
    {
        GlobalConfig global(session);
        settings->SetSwitchType(global.SwitchTypeName());
    }
    if (const VlPort* p = session.IsdnPort(0)) {
        settings->StoreChannel1Spid(p->spid);
        settings->StoreChannel1DirNo(p->directory);
    }
    if (const VlPort* p = session.IsdnPort(1)) {
        settings->StoreChannel2Spid(p->spid);
        settings->StoreChannel2DirNo(p->directory);
    }

    existingFilter = session.filters ? session.filters->Find(IspInFilterName) : nullptr;
    if (existingFilter != nullptr) {
        settings->SetSecurityOn(1);
        settings->ClearFtpHost();
        settings->ClearHttpHost();
        settings->ClearSmtpHost();
        settings->ClearDnsHost();
        for (const VlFilterRule* rule = existingFilter->ip_rules; rule; rule = rule->next) {
            const std::string host = FilterRule::DestinationText(*rule);
            switch (rule->dst_port) {
            case 21: settings->StoreFtpHost(host); break;
            case 25: settings->StoreSmtpHost(host); break;
            case 80: settings->StoreHttpHost(host); break;
            case 53:
                if (FilterRule::ProtocolName(*rule) == "TCP")
                    settings->StoreDnsHost(host);
                break;
            default: break;
            }
        }
    } else {
        settings->SetSecurityOn(0);
        settings->ClearFtpHost();
        settings->ClearHttpHost();
        settings->ClearSmtpHost();
    }

    existingLocation = session.locations ? session.locations->Find("isp") : nullptr;
    if (existingLocation == nullptr)
        return;
    const Location isp(*existingLocation);
    settings->SetAccountName(isp.UsernameText());
    settings->SetAccountPassword(isp.PasswordText());
    settings->StorePhoneNumber(isp.TelephoneText());
    settings->StorePhoneNumber2(isp.Telephone2Text());
    settings->StoreChannels(NumberText(isp.maxports));
}

} // namespace VLQLWizUIControl
