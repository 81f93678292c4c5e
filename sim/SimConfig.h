// What one simulated router is like: the scenario file and the command-line options both
// fill this record before the router boots.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace sim {

enum class PortKind { Async, Isdn, Sync, Parallel };

struct PortDef {
    std::string name;
    PortKind kind = PortKind::Async;
};

// How the telephone switch treats one ISDN B channel (first ISDN port = line 1).
struct LineDef {
    bool checkSpid = false;       // the switch expects exactly `spid`
    std::string spid;
    bool checkDirectory = false;  // the switch expects exactly `directory`
    std::string directory;
    bool registers = true;        // false: the channel never registers
};

// What the ISP does with one dial attempt.
struct DialOutcome {
    enum Kind { Ok, Busy, NoAnswer, NotSubscribed, Auth, Rejected, Fail, Hang } kind = Ok;
    unsigned reason = 0;  // termination reason reported when the call fails
    unsigned cause = 0;   // ISDN cause value reported when the call fails
};

// Misbehaviour on demand, for reliability tests of clients. Frame counts are per connection
// and count every frame received, the login included.
struct Faults {
    std::vector<std::string> refusePrefixes;  // commands starting with one of these are refused
    int dropAfterFrames = -1;                 // answer N frames, then close instead of answering
    std::vector<std::string> dropOnPrefixes;  // close instead of answering a command starting so
    long delayMs = 0;                         // every reply is held back this long (scaled)
    std::vector<int> sysmsgPorts;             // port indexes answered with a SYSMSG text
    std::string badFrame;                     // "truncated", "negative" or "overlong"
    int badFrameAfter = -1;                   // answer N frames, then send the bad frame
    int silentAfter = -1;                     // answer N frames, then read and never answer
    int connections = 0;                      // faults apply to the first N connections; 0 = all
    int fromConnection = 1;                   // ... and from the Nth connection on
};

struct SimConfig {
    // Firmware: "new" (every record field, bigfilt), "mid" (no firmware level; capabilities
    // through the flags and the CHAP probe) or "old" (two global formats, older filter tables).
    std::string firmware = "new";
    int firmwareLevel = 6;
    std::string model = "QL2B";   // status text 2 of the global record
    std::string version = "5.2";  // status text 3 of the global record

    std::string password;  // administration password at boot (factory: empty)
    std::string address = "192.168.1.1";
    std::string netmask = "255.255.255.0";

    std::string listen = "0.0.0.0";  // management bind address, or "router" to follow `address`
    int port = 1643;                 // 0: pick a free port

    bool factory = false;  // no address: ask for one with BOOTP first
    long bootpIntervalMs = 4000;
    int bootpClientPort = 68;
    int bootpServerPort = 67;
    std::string bootpTarget = "255.255.255.255";
    std::string bootpInterface;  // as root: put the assigned address on this interface
    int bootpPrefixLen = 24;
    std::string hwaddr = "02:51:4C:00:00:01";

    long rebootMs = 5000;        // management port closed this long after "reboot"
    int tableChunk = 4;          // records per table chunk; 0 = all in one run
    int bigfiltRulesPerReply = 0;  // 0 = as many as fit in one reply
    int portFormats = 5;         // formats sent in a port record (1 to 5)

    std::vector<PortDef> ports;  // empty: the default table C0 S1 S2 W3

    std::string isdnSwitch = "any";  // switch keyword the lines are provisioned for
    long registerMs = 1000;
    std::map<int, LineDef> lines;  // by ISDN channel number, from 1

    std::string ispAddress = "127.0.0.2";
    std::vector<DialOutcome> outcomes;  // one per dial attempt, the last one repeats; empty = Ok
    unsigned authReason = 21;           // termination reason of an "auth" failure
    bool authOnlyWithChap = false;      // "auth" fails only while the location has CHAP on
    long connectMs = 1000;              // how long a port shows COMMAND before the outcome
    bool locationChap = true;           // "mid" firmware: CHAP per location accepted

    std::vector<std::string> apply;  // command lines applied and saved at first boot

    Faults faults;

    double timeScale = 1.0;
    bool quiet = false;
    std::string dumpFile;
    bool exitOnStdinClose = false;
};

// Reads a scenario text: "key = value" lines, "#" comments, blank lines skipped. Repeatable
// keys (apply, fault.refuse, fault.drop_on, fault.sysmsg_port) add one value per line. False with a message
// naming the line on the first bad line.
bool ParseScenario(const std::string& text, SimConfig& cfg, std::string* err);

// One scenario key: what --help says of it and how a value is set.
struct ScenarioKey {
    using Setter =
        std::function<bool(SimConfig& cfg, int channel, const std::string& value, std::string& want)>;
    const char* section;   // the heading --help lists it under
    std::string name;      // "isdn.N.spid" stands for isdn.1.spid to isdn.8.spid
    std::string value;     // the value's shape: "N", "yes|no", "A.B.C.D" ...
    std::string help;      // its lines joined by "\n"
    std::string fallback;  // the default, "" for none
    bool repeats;          // each line adds a value
    std::string want;      // what a malformed value should have been
    Setter set;            // false for a malformed value (`want` may then say more); `channel`
                           // is the N of "isdn.N."
};

// Every key, in the order --help lists them.
const std::vector<ScenarioKey>& ScenarioKeys();

// Applies one key; false with a message when the key is unknown or the value malformed.
bool SetScenarioKey(SimConfig& cfg, const std::string& key, const std::string& value,
                    std::string* err);

// The scenario format, for --help and the README.
const char* ScenarioHelp();

// The default port table: console C0, ISDN B channels S1 and S2, synchronous line W3.
std::vector<PortDef> DefaultPorts();

} // namespace sim
