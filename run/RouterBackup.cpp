#include "run/RouterBackup.h"

#include "cmdlib/vl.h"
#include "platform/Sockets.h"
#include "run/Process.h"

#include <algorithm>

namespace VLQLWizUIControl {

namespace {

std::string ConnectMessage(VLVelunor::ReturnCode rc, const std::string& address) {
    if (rc == VLVelunor::ConnectFailed)
        return vl_last_error == platform::WSAECONNREFUSED ? std::string(Process::RefusedMessage)
                                                          : "No Quillet answered at " + address + ".";
    return "Error communicating with the Quillet at " + address + ".";
}

} // namespace

ReadOnlyLink::ReadOnlyLink() { vl_set_read_only(1); }

ReadOnlyLink::~ReadOnlyLink() { vl_set_read_only(0); }

VLVelunor::ReturnCode OpenWithPasswords(VLVelunor& session, const std::string& address,
                                        const std::vector<PasswordTry>& tries, std::string& label,
                                        std::string& message) {
    std::vector<std::string> tried;
    for (const PasswordTry& t : tries) {
        if (std::find(tried.begin(), tried.end(), t.password) != tried.end())
            continue;
        tried.push_back(t.password);
        session.Close();
        const VLVelunor::ReturnCode rc = session.Open(address, t.password);
        if (rc == VLVelunor::Ok) {
            label = t.label;
            return rc;
        }
        if (rc != VLVelunor::LoginFailed) {
            message = ConnectMessage(rc, address);
            return rc;
        }
    }
    message = "The Quillet at " + address + " accepted none of the passwords.";
    return VLVelunor::LoginFailed;
}

bool KeepBackup(const std::string& address, const std::string& password, const std::string& dir,
                std::string& path, std::string& message, bool& routerFailed) {
    ReadOnlyLink readOnly;
    VLVelunor session;
    std::string label;
    routerFailed = true;
    const VLVelunor::ReturnCode rc = OpenWithPasswords(session, address, {{password, "the password given"}}, label,
                                                       message);
    if (rc == VLVelunor::LoginFailed)
        message = "The Quillet at " + address + " did not accept the password.";
    if (rc != VLVelunor::Ok)
        return false;
    routerFailed = false;
    const RouterSnapshot snapshot = RouterSnapshot::FromSession(session, address, "");
    session.Close();
    std::string error;
    if (!snapshot.WriteFile(dir, path, error)) {
        message = "The snapshot could not be kept: " + error;
        return false;
    }
    return true;
}

LiveComparison CompareWithRouter(const RouterSnapshot& kept, const std::string& offered) {
    ReadOnlyLink readOnly;
    LiveComparison result;
    VLVelunor session;
    std::vector<PasswordTry> tries;
    if (!offered.empty())
        tries.push_back({offered, "the password you gave"});
    tries.push_back({kept.password, "the snapshot's password"});
    tries.push_back({kept.runPassword, "the password the run installed"});
    tries.push_back({std::string(), "no password"});
    const VLVelunor::ReturnCode rc = OpenWithPasswords(session, kept.address, tries, result.passwordUsed,
                                                       result.message);
    result.passwordsRefused = rc == VLVelunor::LoginFailed;
    if (rc != VLVelunor::Ok)
        return result;
    RouterSnapshot live = RouterSnapshot::FromSession(session, kept.address, "");
    session.Close();
    result.compared = true;
    result.differences = CompareSnapshots(kept, live, true);
    return result;
}

} // namespace VLQLWizUIControl
