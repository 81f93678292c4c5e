#include "router/VLVelunor.h"

#include "platform/Time.h"
#include "router/FilterList.h"
#include "router/LocationList.h"
#include "router/RecordText.h"
#include "router/Validators.h"
#include "router/ValueTables.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr long DialPollMs = 1000;
constexpr int ConsoleDrainReads = 8;
// "Until the console is empty", bounded: a router that never stops talking must not
// hold the dial for good.
constexpr int MaxConsoleReads = 256;

void ClearRouter(VlRouter& r) {
    vl_init_router(&r);  // no socket, ports not read yet
}

} // namespace

VLVelunor::VLVelunor() { ClearRouter(baseline); }

VLVelunor::~VLVelunor() { Close(); }

VLVelunor::ReturnCode VLVelunor::Open(const std::string& address, const std::string& pass) {
    return Open(address.c_str(), pass.c_str());
}

VLVelunor::ReturnCode VLVelunor::Open(const char* address, const char* pass) {
    if (address == nullptr)
        address = "";
    if (pass == nullptr)
        pass = "";
    socketOpen = 0;
    tablesWhole = false;
    // A session opened again without Close would otherwise leak its record and socket.
    if (IsConnected() && origin_ == nullptr)
        vl_close(router);
    origin_ = nullptr;
    DestroyRouter();
    try {
        router = new VlRouter;
        ClearRouter(*router);

        router->socket = vl_connect(address);
        if (router->socket < 0)
            throw ConnectFailed;
        socketOpen = 1;

        if (vl_login(router, pass) != 0)
            throw LoginFailed;

        ReadState(*router);
        ReadPorts();

        ClearRouter(baseline);
        baseline.socket = router->socket;
        ReadState(baseline);

        password = pass;
        SortPorts();

        DropLists();
        filters = new FilterList(*this);
        locations = new LocationList(*this);
        // A table read cut short closes the connection and leaves a list that looks
        // empty; taken for the router's, it would later be "restored" by deleting.
        if (!IsConnected())
            throw ReadFailed;
        tablesWhole = true;
        socketOpen = 1;
        return Ok;
    } catch (ReturnCode code) {
        DropLists();
        if (socketOpen == 1) {
            socketOpen = 0;
            if (router != nullptr && router->socket >= 0)
                vl_close(router);
        }
        DestroyRouter();
        return code;
    }
}

// The library closes a record's socket when one of its reads fails. `baseline` shares
// the socket of `router`, so that close must reach `router` too, or its socket number
// would be closed a second time later, when it may already belong to someone else.
void VLVelunor::ReadState(VlRouter& record) {
    bool ok = vl_read_global(&record) == 0 && vl_read_ether(&record) == 0;
    if (&record != router && record.socket < 0 && router != nullptr)
        router->socket = -1;
    if (!ok)
        throw ReadFailed;
}

void VLVelunor::ReadPorts() {
    // The table is sized from the status record; a count that is negative, absurd or
    // different from the table already allocated would make the reader write past it.
    if (router->ports == nullptr) {
        if (router->port_count < 0 || router->port_count > MaxPorts)
            throw ReadFailed;
        portTableSize_ = router->port_count;
        router->ports = new VlPort[portTableSize_ > 0 ? portTableSize_ : 1]();
    } else if (router->port_count != portTableSize_) {
        throw ReadFailed;
    }
    if (vl_read_ports(router) != 0)
        throw ReadFailed;
}

void VLVelunor::DestroyRouter() {
    if (router == nullptr)
        return;
    delete[] router->ports;
    delete router;
    router = nullptr;
    portTableSize_ = 0;
    otherPorts.clear();
    kind1Ports.clear();
    kind2Ports.clear();
    isdnPorts.clear();
}

void VLVelunor::DropLists() {
    if (filters != nullptr) {
        filters->Clear();
        delete filters;
        filters = nullptr;
    }
    if (locations != nullptr) {
        locations->Clear();
        delete locations;
        locations = nullptr;
    }
}

bool VLVelunor::IsConnected() const { return router != nullptr && router->socket != -1; }

void VLVelunor::Close() {
    if (router != nullptr && IsConnected() && origin_ == nullptr)
        vl_close(router);
    if (origin_ != nullptr && router != nullptr && router->socket < 0 && origin_->router != nullptr)
        origin_->router->socket = -1;
    DestroyRouter();
    DropLists();
    tablesWhole = false;
    origin_ = nullptr;
}

void VLVelunor::CopyOf(VLVelunor& other) {
    Close();
    origin_ = &other;
    password = other.password;
    baseline = other.baseline;
    if (other.router == nullptr)
        return;
    router = new VlRouter(*other.router);
    portTableSize_ = other.portTableSize_;
    router->ports = nullptr;
    if (other.router->ports != nullptr) {
        router->ports = new VlPort[portTableSize_ > 0 ? portTableSize_ : 1]();
        std::copy(other.router->ports, other.router->ports + portTableSize_, router->ports);
    }
    SortPorts();
    if (other.filters != nullptr)
        filters = new FilterList(*this, *other.filters);
    if (other.locations != nullptr)
        locations = new LocationList(*this, *other.locations);
    tablesWhole = other.tablesWhole;
}

void VLVelunor::SortPorts() {
    otherPorts.clear();
    kind1Ports.clear();
    kind2Ports.clear();
    isdnPorts.clear();
    for (int i = 0; i < portTableSize_; ++i) {
        VlPort* p = &router->ports[i];
        if (p->name[0] == 'P')
            kind2Ports.push_back(p);
        else if (IsIsdnPort(*p))
            isdnPorts.push_back(p);
        else if (p->port_type & VL_PORT_WAN)
            kind1Ports.push_back(p);
        else
            otherPorts.push_back(p);
    }
}

VlPort* VLVelunor::IsdnPort(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= isdnPorts.size())
        return nullptr;
    return isdnPorts[static_cast<size_t>(index)];
}

VlEther* VLVelunor::EtherInterface(int index) {
    if (router == nullptr || index < 0 || index >= VL_MAX_ETHER)
        return nullptr;
    VlEther& e = router->ether[index];
    if (index == 0) {
        // Entry 0 is the router's own interface as the global record describes it.
        CopyText(e.address, router->address);
        CopyText(e.netmask, router->netmask);
        e.flags = static_cast<int32_t>(router->flags);
        CopyText(e.ifilter, router->ifilter);
        CopyText(e.ofilter, router->ofilter);
        CopyText(e.ipxnet, router->ipxnet);
        e.ipxframe = router->ipxframe;
    }
    return &e;
}

void VLVelunor::WriteGlobal() {
    if (router == nullptr)
        throw -1;
    baseline.socket = router != nullptr ? router->socket : -1;
    if (vl_set_global(router, &baseline, password.c_str()) == -1)
        throw -1;
}

void VLVelunor::WriteEthernet(VlEther& current, const VlEther& desired, int save) {
    if (router == nullptr)
        throw Failure{};
    CheckResult(vl_set_ether(router, current.name, &current, &desired));
    std::string name = FieldText(current.name);
    if (TextNumber(name.size() > 5 ? name.substr(5) : std::string()) == 0) {
        CopyText(current.address, desired.address);
        CopyText(current.netmask, desired.netmask);
        current.flags = desired.flags;
        CopyText(current.ifilter, desired.ifilter);
        CopyText(current.ofilter, desired.ofilter);
        CopyText(current.ipxnet, desired.ipxnet);
        current.ipxframe = desired.ipxframe;
    }
    if (save != 0)
        CheckResult(vl_save_address(router));
}

int VLVelunor::ResetAll() { return router != nullptr ? vl_reset_all(router) : -1; }

void VLVelunor::Reboot() {
    if (router != nullptr)
        vl_reboot(router);
    Close();
}

void VLVelunor::CheckResult(int result) {
    if (result != 0 && result != 2)
        throw Failure{};
}

void VLVelunor::Drain(std::string& log, int maxReads) {
    char text[VL_CONSOLE_SIZE];
    for (int i = 0; i < maxReads; ++i) {
        text[0] = '\0';
        if (vl_get_console(router, text) != 0 || text[0] == '\0')
            return;
        log += text;
    }
}

void VLVelunor::DebugOff() {
    vl_command(router, "set debug 0x0");
    vl_commit(router, 1);
}

VLVelunor::ReturnCode VLVelunor::Dial(const std::string& location, int wait, int port) {
    if (router == nullptr)
        return CommandFailed;
    std::string log;  // the router's console while dialling; kept for a debugger only
    if (wait != 0)
        Drain(log, ConsoleDrainReads);
    if (vl_dial(router, location.c_str(), 1) != 0)
        return CommandFailed;
    if (wait == 0)
        return Ok;

    vl_command(router, "set debug 0x51");
    vl_commit(router, 1);
    vl_command(router, "reset console");
    vl_commit(router, 1);

    try {
        for (int poll = 0; poll < MaxDialPolls; ++poll) {
            Drain(log, 1);
            ReadState(*router);
            ReadPorts();
            if (port < 0 || port >= portTableSize_)
                throw ReadFailed;  // no such port in the table the router gave
            const std::string state = FieldText(router->ports[port].conn_state);
            if (state == StateEstablished)
                return Ok;
            if (state == StateNoService)
                throw NoService;
            if (state == StateIdle)
                throw PortIdle;
            platform::Sleep(DialPollMs);
        }
    } catch (ReturnCode code) {
        if (code == PortIdle)
            Drain(log, MaxConsoleReads);
        VlPort* isdn = IsdnPort(port - 1);
        ReturnCode result = CommandFailed;
        if (isdn != nullptr) {
            result = DialFailureCode(static_cast<int32_t>(isdn->term_reason),
                                     static_cast<int32_t>(isdn->isdn_cause));
            if (result == Ok)
                result = CommandFailed;
        }
        DebugOff();
        return result;
    }
    DebugOff();
    return CommandFailed;
}

VLVelunor::ReturnCode VLVelunor::DialFailureCode(int32_t reason, int32_t cause) {
    switch (cause) {
    case 17: return Busy;
    case 18:
    case 65: return NoAnswer;
    case 50: return NotSubscribed;
    default: break;
    }
    switch (reason) {
    case 3: case 4: case 9:
        return DialFailed11;
    case 16: case 17: case 21: case 22: case 23: case 24: case 25: case 27: case 29: case 35:
    case 37:
        return AuthenticationFailed;
    case 12:
        return Rejected;
    case 2: case 8: case 14:
        return DialFailed14;
    case 5: case 7: case 10: case 30: case 31: case 32: case 33: case 34: case 38: case 39:
        return DialFailed15;
    case 0: case 11: case 13: case 15: case 20: case 28:
        return DialFailed16;
    case 1: case 6: case 18: case 19: case 36:
        return DialFailed17;
    case 40:
        return NoAnswer;
    case 26:
        return Ok;  // no class
    default:
        return CommandFailed;
    }
}
