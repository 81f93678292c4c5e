// The simulated Quillet router: running and saved configuration, ISDN lines, the dialer
// and the ISP, the command interpreter and the status records and tables it answers with.
// No sockets here: the server feeds it frames' payloads and the current time.
// All of the model's state is here; the code is split by area: RouterModel.cpp (power-on,
// dispatch, save, reset), RouterModelGlobal.cpp (global and Ethernet), RouterModelPorts.cpp
// (ports and ISDN), RouterModelLocations.cpp (locations and dialing), RouterModelFilters.cpp,
// RouterModelTables.cpp and RouterModelDump.cpp.
#pragma once

#include "sim/FilterRules.h"
#include "sim/SimConfig.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

struct GlobalSettings {
    std::string address, netmask;
    std::string hosts[4];
    std::string gateway;
    int gatewayMetric = 0;
    std::string ypserver, domain;
    uint32_t flags = 0;
    int telnet = 23;
    std::string loghost, assigned;
    std::string ifilter, ofilter, ipxnet;
    int ipxframe = 1;
    std::string ipxgateway;
    int ipxgatewayHops = 0;
    int isdnSwitch = -1;  // index into the switch-name table, -1 = none
    std::string password;
    std::string ether1Address, ether1Netmask;
    uint32_t ether1Flags = 0;
    std::string ether1Ifilter, ether1Ofilter, ether1Ipxnet;
    int ether1Ipxframe = 1;
};

struct PortSettings {
    std::string name;
    PortKind kind = PortKind::Async;
    std::string type;
    std::string hosts[4];
    long speed[3] = {0, 0, 0};
    int databits = 8;
    std::string parity;
    int stopbits = 1;
    int lineFlags = 0;
    std::string cd;
    int override = 0;
    uint32_t flags = 0;
    std::string device, term, prompt, username, message;
    int loginService = 0, loginPort = 1642;
    int deviceService = 0, devicePort = 1642;
    std::string destination, destinationMask;
    int group = 0;
    int mtu = 0;
    uint32_t map = 0;
    std::string ifilter, ofilter, ipxnet;
    int idle = 0;  // seconds
    int lmi = 0;
    std::string spid, directory;
};

struct LocationSettings {
    std::string name;
    std::string dest = "0.0.0.0";
    std::string netmask = "255.255.255.0";
    int group = 1;
    int flags = 0x2C;   // on demand, header compression, PPP; routes sent and listened to
    int flags2 = 0;     // multilink, voice and CHAP off
    int idle = 120;     // seconds
    int maxports = 1;
    int highWater = 0;
    int mtu = 1500;
    uint32_t map = 0;
    std::string ifilter, ofilter, ipxnet;
    std::string script, v25bis;
    std::string telephone, telephone2, username, password;
};

struct FilterSettings {
    std::vector<IpRule> ip;
    std::vector<IpxRule> ipx;
    std::vector<SapRule> sap;
};

struct Configuration {
    GlobalSettings global;
    std::vector<PortSettings> ports;
    std::map<std::string, LocationSettings> locations;  // byte-wise order, as the tables list them
    std::map<std::string, FilterSettings> filters;
};

// A port's connection state as the router reports it.
enum class LineState { NoService, Registering, Idle, Command, Established };

struct PortRuntime {
    LineState state = LineState::Idle;
    long long until = 0;       // end of registering or dialling
    DialOutcome outcome;       // what the dial in progress will end with
    std::string location;      // location being dialled or connected
    std::string remote;        // ISP-side address while established
    unsigned reason = 0;       // termination reason of the last call
    unsigned cause = 0;        // ISDN cause of the last call
};

// Result of one command line.
struct CommandResult {
    bool ok = true;
    std::string error;   // refusal text
    bool reboot = false;  // the router restarts after answering
};

class RouterModel {
public:
    // `scale` multiplies every duration of the configuration.
    explicit RouterModel(const SimConfig& cfg);

    // The first scenario command the model refused at start-up, empty when all were taken:
    // a router that is not what the scenario asked for must not be served.
    const std::string& ScenarioError() const { return scenarioError_; }

    // Power-on: the running configuration becomes the saved one, calls drop, lines start
    // registering. `now` in milliseconds from any fixed point.
    void Boot(long long now);

    // Moves registrations and calls on to `now`.
    void Advance(long long now);

    bool CheckPassword(const std::string& password) const;

    CommandResult Apply(const std::string& line, long long now);

    // Record replies (text without the terminator).
    std::string GlobalRecord(long long now);
    std::string EtherRecord(int index) const;
    std::string PortRecord(int index, long long now);
    // The reply to a status request, "" for the global record.
    std::string StatusReply(const std::string& name, long long now);

    // Replies to one table request, in order.
    std::vector<std::string> TableReplies(const std::string& request, long long now);

    // Pending console text (at most `max` bytes), removed from the buffer.
    std::string TakeConsole(size_t max);

    // The configuration dump: running and saved configuration and the lines' state as
    // "key = value" lines in a fixed order (format in sim/README.md).
    std::string Dump() const;

    // A factory router learns its address from BOOTP: it becomes the running address.
    void AssignAddress(const std::string& address);

    const Configuration& Running() const { return running_; }
    const Configuration& Saved() const { return saved_; }
    const PortRuntime& Runtime(int index) const { return runtime_[index]; }
    std::string StateText(int index) const;
    bool NewFirmware() const { return cfg_.firmware == "new"; }
    bool OldFirmware() const { return cfg_.firmware == "old"; }
    int PortIndex(const std::string& name) const;

private:
    std::string scenarioError_;
    CommandResult SetGlobal(const std::vector<std::string>& w, const std::string& line,
                            size_t first, long long now);
    CommandResult SetEther(int index, const std::vector<std::string>& w, const std::string& line,
                           size_t first);
    CommandResult SetPort(PortSettings& p, const std::vector<std::string>& w,
                          const std::string& line, size_t first, long long now);
    CommandResult AddLocation(const std::string& name);
    CommandResult DeleteLocation(const std::string& name);
    CommandResult SetLocation(LocationSettings& l, const std::vector<std::string>& w,
                              const std::string& line, size_t first);
    CommandResult AddFilter(const std::string& name);
    CommandResult DeleteFilter(const std::string& name);
    CommandResult SetFilter(int table, const std::vector<std::string>& w, const std::string& line);
    CommandResult Save(const std::vector<std::string>& w);
    CommandResult Reset(const std::vector<std::string>& w);
    CommandResult Dial(const std::vector<std::string>& w, long long now);

    void Reevaluate(long long now);
    bool WouldRegister(int isdnIndex) const;
    void HangUp(int index);
    void Console(const std::string& text);
    long Scaled(long ms) const;

    std::string LocationRecord(const LocationSettings& l) const;
    std::vector<std::string> BigfiltRecords(const std::string& name, const FilterSettings& f,
                                            size_t fromRule) const;
    // Every record of "filters", "ipxfilt" or "sapfilt"; the replies to "bigfilt A B".
    std::vector<std::string> FilterTableRecords(const std::string& table) const;
    std::vector<std::string> BigfiltReplies(long a, long b, int chunk) const;

    SimConfig cfg_;
    Configuration running_, saved_;
    std::vector<PortRuntime> runtime_;
    std::string console_;
    unsigned debug_ = 0;
    size_t dials_ = 0;
};

// The switch keyword of an index ("" for none), and the index of a keyword (-1 when unknown).
std::string SwitchKeyword(int index);
int SwitchIndex(const std::string& keyword);

} // namespace sim
