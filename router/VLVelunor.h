// The router session: one management connection to a Quillet, the router's records
// read at login, and the few operations the configuration run needs on it.
#pragma once

#include "cmdlib/vl.h"

#include <cstdint>
#include <string>
#include <vector>

class LocationList;
class FilterList;

class VLVelunor {
public:
    // Results; the numbers are fixed because the run tests them.
    enum ReturnCode : int32_t {
        Ok = 0,
        LoginFailed = 1,
        ReadFailed = 4,
        ConnectFailed = 5,
        NoService = 6,
        PortIdle = 7,
        NoAnswer = 8,
        NotSubscribed = 9,
        Busy = 10,
        DialFailed11 = 11,
        AuthenticationFailed = 12,
        Rejected = 13,
        DialFailed14 = 14,
        DialFailed15 = 15,
        DialFailed16 = 16,
        DialFailed17 = 17,
        LocationWriteFailed = 19,
        LocationNotFound = 21,
        LocationExists = 22,
        CommandFailed = 24,
    };

    // A guarded library write failed. Carries nothing.
    struct Failure {};

    // A dial that neither comes up nor fails within this many one-second polls is given
    // up: a port stuck in "COMMAND" would otherwise hold the wizard for good.
    static constexpr int MaxDialPolls = 60;
    // More ports than any Quillet has; a status record claiming more is not believed.
    static constexpr int MaxPorts = 256;

    VLVelunor();
    ~VLVelunor();
    VLVelunor(const VLVelunor&) = delete;
    VLVelunor& operator=(const VLVelunor&) = delete;

    ReturnCode Open(const char* address, const char* password);
    ReturnCode Open(const std::string& address, const std::string& password);
    bool IsConnected() const;
    void Close();
    // Makes this session a copy of `other`: its records, port table and lists, on the
    // same connection, which this copy never closes. What is done to the copy (a preview
    // of a write, say) leaves `other` as it was, but for one thing: when a failed read of
    // the copy's closed the shared connection, `other` holds it closed too once the copy
    // is closed or gone, so that nothing closes it twice.
    void CopyOf(VLVelunor& other);
    // An ISDN port, as the router marks them; a name starting with P is never one.
    static bool IsIsdnPort(const VlPort& port) {
        return port.name[0] != 'P' && (port.port_type & VL_PORT_ISDN);
    }

    VlPort* IsdnPort(int index) const;
    VlEther* EtherInterface(int index);

    void SetPassword(const std::string& text) { password = text; }
    void WriteGlobal();  // throws the integer -1
    void WriteEthernet(VlEther& current, const VlEther& desired, int save);  // throws Failure
    int ResetAll();
    void Reboot();

    ReturnCode Dial(const std::string& location, int wait, int port);
    static ReturnCode DialFailureCode(int32_t reason, int32_t cause);
    static void CheckResult(int result);  // 0 and 2 pass; anything else throws Failure

    // Members, public so that the configuration objects and the run reach the open
    // connection as the router's own records.
    std::vector<VlPort*> otherPorts;
    std::vector<VlPort*> kind1Ports;
    std::vector<VlPort*> kind2Ports;
    std::vector<VlPort*> isdnPorts;
    VlRouter* router = nullptr;
    VlRouter baseline;
    LocationList* locations = nullptr;
    FilterList* filters = nullptr;
    std::string password;
    int socketOpen = 0;
    // True when the location and filter tables were read to the router's own last answer
    // ("none" included), not cut short by a broken or silent link.
    bool tablesWhole = false;

private:
    void SortPorts();
    void ReadState(VlRouter& record);  // global and Ethernet records; throws ReadFailed
    void ReadPorts();                  // throws ReadFailed
    void DestroyRouter();
    void DropLists();
    void Drain(std::string& log, int maxReads);
    void DebugOff();

    int portTableSize_ = 0;
    VLVelunor* origin_ = nullptr; // a copy's connection belongs to the session it copied
};
