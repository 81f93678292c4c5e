// The steps after the restart: ISDN registration, the call to the ISP, the route test.
#include "run/Process.h"

#include "platform/Hooks.h"
#include "platform/Sockets.h"
#include "platform/Time.h"
#include "router/IpAddress.h"
#include "router/LocationList.h"
#include "router/ValueTables.h"
#include "run/ConfigSettings.h"

#include <cstring>

namespace VLQLWizUIControl {

namespace {

bool StateIs(const VlPort* port, std::string_view name) {
    return port != nullptr && std::string_view(port->conn_state) == name;
}

} // namespace

void Process::RereadPorts() {
    if (session.router == nullptr || vl_read_ports(session.router) != 0)
        throw VLVelunor::ReadFailed;
}

void Process::TakeIsdnPorts() {
    port1 = session.IsdnPort(0);
    port2 = session.IsdnPort(1);
    if (port1 == nullptr || port2 == nullptr) {
        state = Failed;
        failureKind = NoPortAvailable;
        throw State(Failed);
    }
    port1Desired = PortConfig(*port1);
    port2Desired = PortConfig(*port2);
}

int Process::StepCheckingIsdn(std::string&) {
    bool registered1 = false;
    bool registered2 = false;
    for (int pass = 0; pass < 10; ++pass) {
        RereadPorts();
        if (!registered1) {
            port1 = session.IsdnPort(0);
            registered1 = port1 != nullptr && !StateIs(port1, StateNoService);
        }
        if (!registered2) {
            port2 = session.IsdnPort(1);
            registered2 = port2 != nullptr && !StateIs(port2, StateNoService);
        }
        if (registered1 && registered2)
            break;
        platform::Sleep(500);
    }
    if (registered1 && registered2) {
        state = EstablishingPpp;
    } else {
        state = Failed;
        if (!registered1 && !registered2)
            failureKind = IsdnFailure;
        else if (registered1)
            failureKind = Channel2Failure;
        else
            failureKind = Channel1Failure;
    }
    return 1;
}

int Process::StepEstablishingPpp(std::string&) {
    try {
        DialIsp();
    } catch (State thrown) {
        state = thrown;
        return 0;
    } catch (...) {
        state = Failed;
        return 0;
    }
    return 1;
}

void Process::DialIsp() {
    failureKind = PppPreparing;
    TakeIsdnPorts();

    int channel;
    if (StateIs(port1, StateEstablished) || StateIs(port2, StateEstablished)) {
        // A call is already up, for instance dialled on demand.
        state = TestingRoute;
        channel = StateIs(port1, StateEstablished) ? 1 : 2;
    } else {
        // The other channel leaves group 2 for the call, so the dial takes this one.
        if (StateIs(port1, StateIdle)) {
            port2Desired.SetGroup("22");
            port2Desired.Write(session, port2, 0);
            channel = 1;
        } else if (StateIs(port2, StateIdle)) {
            port1Desired.SetGroup("22");
            port1Desired.Write(session, port1, 0);
            channel = 2;
        } else {
            state = Failed;
            failureKind = NoPortAvailable;
            throw State(Failed);
        }

        failureKind = PppDialing;
        for (int attempt = 1; attempt <= 2; ++attempt) {
            VLVelunor::ReturnCode rc = session.Dial(ispLocation.NameText(), 1, channel);
            if (rc == VLVelunor::Ok) {
                state = TestingRoute;
                break;
            }
            if (rc == VLVelunor::NoAnswer) {
                state = Failed;
                failureKind = DialNoAnswer;
                return;
            }
            if (rc == VLVelunor::Rejected) {
                state = Failed;
                failureKind = IspRejected;
            }
            if (attempt == 1) {
                // Some ISPs refuse CHAP; the second call goes out with it off.
                if (session.locations == nullptr)
                    throw VLVelunor::LocationNotFound;
                existingLocation = session.locations->Find("isp");
                if (existingLocation == nullptr)
                    throw VLVelunor::LocationNotFound;
                existingLocation->flags2 |= VL_LF2_CHAP;
                ispLocation = Location(*existingLocation);
                ispLocation.SetChap(0);
                session.locations->Modify(ispLocation, existingLocation);
                // Unsaved, CHAP would be back on after the next restart.
                if (session.locations->Save() != 0)
                    throw -1;
                failureKind = PppRedialing;
                continue;
            }
            switch (rc) {
            case VLVelunor::AuthenticationFailed: failureKind = AuthenticationFailure; break;
            case VLVelunor::NotSubscribed: failureKind = IsdnFailure; break;
            case VLVelunor::Busy: failureKind = UserBusy; break;
            case VLVelunor::Rejected: failureKind = IspRejected; break;
            default: break;
            }
            state = Failed;
            return;
        }
    }

    failureKind = PppReadingAddress;
    RereadPorts();
    if (channel >= session.router->port_count)
        throw VLVelunor::ReadFailed;
    IpAddress remote(session.router->ports[channel].destination);
    session.ResetAll();

    if (!remote.IsZero()) {
        failureKind = PppRecordingAddress;
        settings->SetIspAddress(remote.ToText());
        globalConfig = std::make_unique<GlobalConfig>(session);
        globalConfig->SetGateway(settings->IspAddress());
        globalConfig->Write(1);
        globalConfig.reset();
        existingLocation = session.locations ? session.locations->Find("isp") : nullptr;
        if (existingLocation == nullptr)
            throw VLVelunor::LocationNotFound;
        ispLocation = Location(*existingLocation);
        ispLocation.SetDestination(settings->IspAddress());
        session.locations->Modify(ispLocation, existingLocation);
        if (session.locations->Save() != 0)
            throw -1;
    }

    // The other channel goes back to the location's group.
    if (channel == 1) {
        port2Desired.SetGroup("2");
        port2Desired.Write(session, port2, 0);
    } else {
        port1Desired.SetGroup("2");
        port1Desired.Write(session, port1, 0);
    }
}

int Process::StepTestingRoute(std::string& message) {
    try {
        IpAddress isp(settings->IspAddress());
        failureKind = RouteTestFailed;
        int sock = platform::TcpSocket();
        if (sock < 0) {
            state = Failed;
            if (platform::LastSocketError() == platform::WSANOTINITIALISED)
                failureKind = WinsockNotInitialized;
            return 1;
        }
        state = Succeeded;
        message.clear();
        const uint16_t port = static_cast<uint16_t>(platform::GetHooks().routeTestPort);
        for (int attempt = 1; attempt <= 4; ++attempt) {
            // WinSock refuses a connect to 0.0.0.0 (an ISP address never learned) with
            // 10049; Linux would connect to this PC instead, and a PC that answers or
            // refuses its own port would pass for the ISP.
            const bool connected =
                !isp.IsZero() && platform::Connect(sock, isp.NetworkValue(), port) == 0;
            if (connected) {
                state = Succeeded;
                break;
            }
            if (attempt == 4)
                break;
            const int error =
                isp.IsZero() ? int(platform::WSAEADDRNOTAVAIL) : platform::LastSocketError();
            if (error == platform::WSAEADDRNOTAVAIL) {
                // leaves the state as it is
            } else if (error == platform::WSAENETDOWN) {
                state = Failed;
                break;
            } else if (error == platform::WSAECONNREFUSED) {
                state = Succeeded;  // the far end answered: the route works
            } else if (error == platform::WSAEHOSTUNREACH) {
                message = NoRouteMessage;
                state = Failed;
            } else if (error == platform::WSANOTINITIALISED) {
                state = Failed;
                failureKind = WinsockNotInitialized;
                break;
            } else {
                state = Failed;
            }
            if (!message.empty())
                break;
        }
        // Closed on every path, the early ends included, so no test leaks a socket.
        platform::CloseSocket(sock);
    } catch (...) {
        state = Failed;
    }
    return 1;
}

} // namespace VLQLWizUIControl
