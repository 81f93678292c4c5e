#include "run/FailureCause.h"

#include "cmdlib/vl.h"
#include "platform/Sockets.h"

#include <cstring>

namespace VLQLWizUIControl {

namespace {

// The WinSock number's text: the one of the system error it stands for.
std::string SocketErrorText(int wsa) {
    for (int e = 1; e < 200; ++e)
        if (platform::WsaFromErrno(e) == wsa)
            return std::strerror(e);
    return "unknown socket error";
}

} // namespace

std::string LastExchangeCause() {
    const int code = vl_last_error;
    if (code == 0) {
        // A command the router refused leaves vl_last_error clear; its text says why.
        const VlReply* reply = vl_reply_buffer();
        if (reply->type == VL_MSG_COMMAND && reply->length > 0 && reply->payload[0] != 's')
            return "the Quillet refused a command, saying \"" + std::string(reply->payload + 1) + "\"";
        return "";
    }
    // The number stays in brackets for whoever the user asks for help.
    const std::string number = code >= 10000 ? "socket error " + std::to_string(code) + ": " + SocketErrorText(code)
                                             : "error " + std::to_string(code) + ": " + vl_error_text(code);
    std::string what;
    switch (code) {
    case platform::WSAETIMEDOUT:
    case VL_ERR_TIMED_OUT: what = "the Quillet stopped answering"; break;
    case platform::WSAECONNRESET:
    case platform::WSAECONNABORTED:
    case platform::WSAENETRESET:
    case platform::WSAESHUTDOWN:
    case platform::WSAENOTCONN:
    case VL_ERR_NO_CONNECTION: what = "the connection was closed"; break;
    case VL_ERR_REQUEST_DENIED: what = "the Quillet did not accept the password"; break;
    case platform::WSAECONNREFUSED:
        what = "the Quillet refused the connection: another program may be managing it";
        break;
    case platform::WSAENETDOWN:
    case platform::WSAENETUNREACH:
    case platform::WSAEHOSTDOWN:
    case platform::WSAEHOSTUNREACH: what = "the Quillet could not be reached"; break;
    default: what = "the exchange with the Quillet failed"; break;
    }
    return what + " (" + number + ")";
}

std::string StepFailureCause(const StepMachine& run, const std::string& cause) {
    if (cause.empty())
        return "";
    return "In the step \"" + run.StepTextOf(run.lastStep) + "\", " + cause + ".";
}

} // namespace VLQLWizUIControl
