#include "sim/SimConfig.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace sim {

namespace {

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool ToLong(const std::string& v, long lo, long hi, long* out) {
    if (v.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(v.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || n < lo || n > hi)
        return false;
    *out = n;
    return true;
}

bool ToBool(const std::string& v, bool* out) {
    if (v == "yes" || v == "on" || v == "true" || v == "1") {
        *out = true;
        return true;
    }
    if (v == "no" || v == "off" || v == "false" || v == "0") {
        *out = false;
        return true;
    }
    return false;
}

bool IsAddress(const std::string& v) {
    in_addr a{};
    return inet_pton(AF_INET, v.c_str(), &a) == 1;
}

std::vector<std::string> SplitList(const std::string& v) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : v) {
        if (c == ',' || c == ' ' || c == '\t') {
            if (!cur.empty())
                out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        out.push_back(cur);
    return out;
}

bool ParseOutcome(const std::string& word, DialOutcome* o, unsigned authReason) {
    DialOutcome r;
    if (word == "ok") {
        r.kind = DialOutcome::Ok;
    } else if (word == "busy") {
        r = {DialOutcome::Busy, 0, 17};
    } else if (word == "noanswer") {
        r = {DialOutcome::NoAnswer, 0, 18};
    } else if (word == "notsubscribed") {
        r = {DialOutcome::NotSubscribed, 0, 50};
    } else if (word == "auth") {
        r = {DialOutcome::Auth, authReason, 16};
    } else if (word == "rejected") {
        r = {DialOutcome::Rejected, 12, 16};
    } else if (word == "hang") {
        r.kind = DialOutcome::Hang;
    } else if (word.rfind("fail:", 0) == 0) {
        // fail:REASON:CAUSE, both decimal
        std::string rest = word.substr(5);
        size_t colon = rest.find(':');
        long reason = 0, cause = 0;
        if (colon == std::string::npos || !ToLong(rest.substr(0, colon), 0, 255, &reason) ||
            !ToLong(rest.substr(colon + 1), 0, 127, &cause))
            return false;
        r = {DialOutcome::Fail, static_cast<unsigned>(reason), static_cast<unsigned>(cause)};
    } else {
        return false;
    }
    *o = r;
    return true;
}

bool ParsePorts(const std::string& v, std::vector<PortDef>* out) {
    std::vector<PortDef> ports;
    for (const std::string& item : SplitList(v)) {
        size_t colon = item.find(':');
        if (colon == std::string::npos || colon == 0 || colon > 11)
            return false;
        PortDef p;
        p.name = item.substr(0, colon);
        std::string kind = item.substr(colon + 1);
        if (kind == "async")
            p.kind = PortKind::Async;
        else if (kind == "isdn")
            p.kind = PortKind::Isdn;
        else if (kind == "sync")
            p.kind = PortKind::Sync;
        else if (kind == "parallel")
            p.kind = PortKind::Parallel;
        else
            return false;
        for (const PortDef& q : ports)
            if (q.name == p.name)
                return false;
        ports.push_back(p);
    }
    if (ports.empty() || ports.size() > 16)
        return false;
    *out = ports;
    return true;
}

}  // namespace

std::vector<PortDef> DefaultPorts() {
    return {{"C0", PortKind::Async}, {"S1", PortKind::Isdn}, {"S2", PortKind::Isdn},
            {"W3", PortKind::Sync}};
}

bool SetScenarioKey(SimConfig& c, const std::string& key, const std::string& value,
                    std::string* err) {
    auto bad = [&](const char* want) {
        if (err)
            *err = key + ": bad value \"" + value + "\" (" + want + ")";
        return false;
    };
    long n = 0;
    bool b = false;
    const std::string& v = value;

    if (key == "firmware") {
        if (v != "new" && v != "mid" && v != "old")
            return bad("new, mid or old");
        c.firmware = v;
    } else if (key == "firmware_level") {
        if (!ToLong(v, 0, 99, &n))
            return bad("0 to 99");
        c.firmwareLevel = static_cast<int>(n);
    } else if (key == "model") {
        if (v.empty() || v.find_first_of(" \t") != std::string::npos)
            return bad("one word");
        c.model = v;
    } else if (key == "version") {
        if (v.empty() || v.find_first_of(" \t") != std::string::npos)
            return bad("one word");
        c.version = v;
    } else if (key == "password") {
        c.password = v;
    } else if (key == "address") {
        if (!IsAddress(v))
            return bad("a dotted IPv4 address");
        c.address = v;
    } else if (key == "netmask") {
        if (!IsAddress(v))
            return bad("a dotted IPv4 address");
        c.netmask = v;
    } else if (key == "listen") {
        if (v != "router" && !IsAddress(v))
            return bad("a dotted IPv4 address or \"router\"");
        c.listen = v;
    } else if (key == "port") {
        if (!ToLong(v, 0, 65535, &n))
            return bad("0 to 65535");
        c.port = static_cast<int>(n);
    } else if (key == "factory") {
        if (!ToBool(v, &b))
            return bad("yes or no");
        c.factory = b;
    } else if (key == "bootp.interval_ms") {
        if (!ToLong(v, 1, 3600000, &n))
            return bad("1 to 3600000");
        c.bootpIntervalMs = n;
    } else if (key == "bootp.client_port") {
        if (!ToLong(v, 0, 65535, &n))
            return bad("0 to 65535");
        c.bootpClientPort = static_cast<int>(n);
    } else if (key == "bootp.server_port") {
        if (!ToLong(v, 1, 65535, &n))
            return bad("1 to 65535");
        c.bootpServerPort = static_cast<int>(n);
    } else if (key == "bootp.target") {
        if (!IsAddress(v))
            return bad("a dotted IPv4 address");
        c.bootpTarget = v;
    } else if (key == "bootp.interface") {
        c.bootpInterface = v;
    } else if (key == "bootp.prefix_len") {
        if (!ToLong(v, 1, 32, &n))
            return bad("1 to 32");
        c.bootpPrefixLen = static_cast<int>(n);
    } else if (key == "hwaddr") {
        unsigned m[6];
        char tail;
        if (std::sscanf(v.c_str(), "%x:%x:%x:%x:%x:%x%c", &m[0], &m[1], &m[2], &m[3], &m[4], &m[5],
                        &tail) != 6)
            return bad("six hexadecimal bytes joined by colons");
        for (unsigned x : m)
            if (x > 255)
                return bad("six hexadecimal bytes joined by colons");
        c.hwaddr = v;
    } else if (key == "reboot_ms") {
        if (!ToLong(v, 0, 3600000, &n))
            return bad("0 to 3600000");
        c.rebootMs = n;
    } else if (key == "table_chunk") {
        if (!ToLong(v, 0, 1000, &n))
            return bad("0 to 1000");
        c.tableChunk = static_cast<int>(n);
    } else if (key == "bigfilt_rules_per_reply") {
        if (!ToLong(v, 0, 1000, &n))
            return bad("0 to 1000");
        c.bigfiltRulesPerReply = static_cast<int>(n);
    } else if (key == "port_formats") {
        if (!ToLong(v, 1, 5, &n))
            return bad("1 to 5");
        c.portFormats = static_cast<int>(n);
    } else if (key == "ports") {
        if (!ParsePorts(v, &c.ports))
            return bad("1 to 16 distinct NAME:KIND items, KIND async, isdn, sync or parallel");
    } else if (key == "isdn.switch") {
        c.isdnSwitch = v;
    } else if (key == "isdn.register_ms") {
        if (!ToLong(v, 0, 3600000, &n))
            return bad("0 to 3600000");
        c.registerMs = n;
    } else if (key.rfind("isdn.", 0) == 0 && key.size() > 7 && key[6] == '.' &&
               key[5] >= '1' && key[5] <= '8') {
        LineDef& line = c.lines[key[5] - '0'];
        std::string what = key.substr(7);
        if (what == "spid") {
            line.checkSpid = true;
            line.spid = v;
        } else if (what == "directory") {
            line.checkDirectory = true;
            line.directory = v;
        } else if (what == "register") {
            if (!ToBool(v, &b))
                return bad("yes or no");
            line.registers = b;
        } else {
            if (err)
                *err = "unknown key " + key;
            return false;
        }
    } else if (key == "isp.address") {
        if (!IsAddress(v))
            return bad("a dotted IPv4 address");
        c.ispAddress = v;
    } else if (key == "isp.auth_reason") {
        if (!ToLong(v, 0, 255, &n))
            return bad("0 to 255");
        c.authReason = static_cast<unsigned>(n);
        for (DialOutcome& o : c.outcomes)
            if (o.kind == DialOutcome::Auth)
                o.reason = c.authReason;
    } else if (key == "isp.outcome") {
        std::vector<DialOutcome> list;
        for (const std::string& w : SplitList(v)) {
            DialOutcome o;
            if (!ParseOutcome(w, &o, c.authReason))
                return bad("a list of ok, busy, noanswer, notsubscribed, auth, rejected, hang, "
                           "fail:REASON:CAUSE");
            list.push_back(o);
        }
        if (list.empty())
            return bad("at least one outcome");
        c.outcomes = list;
    } else if (key == "isp.auth_only_with_chap") {
        if (!ToBool(v, &b))
            return bad("yes or no");
        c.authOnlyWithChap = b;
    } else if (key == "isp.connect_ms") {
        if (!ToLong(v, 0, 3600000, &n))
            return bad("0 to 3600000");
        c.connectMs = n;
    } else if (key == "location_chap") {
        if (!ToBool(v, &b))
            return bad("yes or no");
        c.locationChap = b;
    } else if (key == "apply") {
        if (v.empty())
            return bad("a command line");
        c.apply.push_back(v);
    } else if (key == "fault.refuse") {
        if (v.empty())
            return bad("a command prefix");
        c.faults.refusePrefixes.push_back(v);
    } else if (key == "fault.drop_on") {
        if (v.empty())
            return bad("a command prefix");
        c.faults.dropOnPrefixes.push_back(v);
    } else if (key == "fault.drop_after_frames") {
        if (!ToLong(v, 0, 1000000, &n))
            return bad("0 to 1000000");
        c.faults.dropAfterFrames = static_cast<int>(n);
    } else if (key == "fault.delay_ms") {
        if (!ToLong(v, 0, 3600000, &n))
            return bad("0 to 3600000");
        c.faults.delayMs = n;
    } else if (key == "fault.sysmsg_port") {
        if (!ToLong(v, 0, 15, &n))
            return bad("a port index 0 to 15");
        c.faults.sysmsgPorts.push_back(static_cast<int>(n));
    } else if (key == "fault.bad_frame") {
        if (v != "truncated" && v != "negative" && v != "overlong")
            return bad("truncated, negative or overlong");
        c.faults.badFrame = v;
        if (c.faults.badFrameAfter < 0)
            c.faults.badFrameAfter = 1;
    } else if (key == "fault.bad_frame_after") {
        if (!ToLong(v, 0, 1000000, &n))
            return bad("0 to 1000000");
        c.faults.badFrameAfter = static_cast<int>(n);
    } else if (key == "fault.silent_after") {
        if (!ToLong(v, 0, 1000000, &n))
            return bad("0 to 1000000");
        c.faults.silentAfter = static_cast<int>(n);
    } else if (key == "fault.connections") {
        if (!ToLong(v, 0, 1000000, &n))
            return bad("0 to 1000000");
        c.faults.connections = static_cast<int>(n);
    } else if (key == "fault.from_connection") {
        if (!ToLong(v, 1, 1000000, &n))
            return bad("1 to 1000000");
        c.faults.fromConnection = static_cast<int>(n);
    } else if (key == "time_scale") {
        char* end = nullptr;
        double s = std::strtod(v.c_str(), &end);
        if (v.empty() || *end != '\0' || !std::isfinite(s) || s < 0.0 || s > 1000.0)
            return bad("a number from 0 to 1000");
        c.timeScale = s;
    } else {
        if (err)
            *err = "unknown key " + key;
        return false;
    }
    return true;
}

bool ParseScenario(const std::string& text, SimConfig& cfg, std::string* err) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string t = Trim(line);
        if (t.empty() || t[0] == '#')
            continue;
        size_t eq = t.find('=');
        if (eq == std::string::npos) {
            if (err)
                *err = "line " + std::to_string(number) + ": expected key = value";
            return false;
        }
        std::string key = Trim(t.substr(0, eq));
        // apply lines keep their trailing blanks: some router commands end in one
        std::string value = t.substr(eq + 1);
        size_t b = value.find_first_not_of(" \t");
        value = b == std::string::npos ? "" : value.substr(b);
        if (key != "apply")
            value = Trim(value);
        else {
            std::string raw = line.substr(line.find('=') + 1);
            size_t rb = raw.find_first_not_of(" \t");
            value = rb == std::string::npos ? "" : raw.substr(rb);
            while (!value.empty() && (value.back() == '\r' || value.back() == '\n'))
                value.pop_back();
        }
        std::string why;
        if (!SetScenarioKey(cfg, key, value, &why)) {
            if (err)
                *err = "line " + std::to_string(number) + ": " + why;
            return false;
        }
    }
    return true;
}

const char* ScenarioHelp() {
    return R"(Scenario file: one "key = value" per line; "#" starts a comment line; blank lines
are skipped. Keys marked (+) may be given several times.

Router
  firmware = new|mid|old     new: every status field, firmware level, "bigfilt" table;
                             mid: no firmware level (capabilities from the flags and the
                             per-location CHAP probe); old: two global formats only, no
                             capability fields, older filter tables only   [new]
  firmware_level = N         firmware level sent by new firmware           [6]
  model = WORD               status text 2 (an "R" in it marks a WAN router)  [QL2B]
  version = WORD             status text 3                                 [5.2]
  password = TEXT            administration password at boot               [empty]
  address = A.B.C.D          the router's address                         [192.168.1.1]
  netmask = A.B.C.D                                                        [255.255.255.0]
  ports = NAME:KIND ...      port table, KIND async|isdn|sync|parallel, up to 16
                             [C0:async S1:isdn S2:isdn W3:sync]
  apply = COMMAND (+)        a router command applied and saved at first boot, e.g.
                             apply = add location isp; one refused stops the simulator

Management service
  listen = A.B.C.D|router    bind address; "router" follows the router's address
                             (also after a reboot or BOOTP)                [0.0.0.0]
  port = N                   TCP port, 0 picks a free one        [QLWIZ_MGMT_PORT or 1643]
  reboot_ms = N              management port closed this long after "reboot"  [5000]
  table_chunk = N            records per table chunk, 0 = all at once      [4]
  bigfilt_rules_per_reply = N  rules per "bigfilt" reply, 0 = as many as fit  [0]
  port_formats = 1..5        formats sent in a port record (fewer = older router)  [5]

Factory state and BOOTP
  factory = yes|no           start with no address and ask for one with BOOTP  [no]
  bootp.interval_ms = N      time between requests                         [4000]
  bootp.client_port = N      source port, 0 picks a free one [QLWIZ_BOOTP_CLIENT_PORT or 68]
  bootp.server_port = N      destination port            [QLWIZ_BOOTP_SERVER_PORT or 67]
  bootp.target = A.B.C.D     destination address                   [255.255.255.255]
  bootp.interface = IFNAME   as root: add the assigned address to this interface
  bootp.prefix_len = N       prefix length used with bootp.interface       [24]
  hwaddr = 02:51:4C:xx:xx:xx hardware address sent in chaddr       [02:51:4C:00:00:01]

ISDN and the ISP
  isdn.switch = KEYWORD|any  switch the lines are provisioned for (ni-1, att-5ess, dms-100,
                             att-5ess-ptp, net3, net3-swiss, 1tr6, kdd, ntt, vn2, vn3, vn4,
                             vnp, att-4ess, net5, net5-swiss); a router set to another
                             switch, or to none, never registers             [any]
  isdn.register_ms = N       time from boot or change to registration      [1000]
  isdn.N.spid = TEXT         channel N (1 = first ISDN port) registers only with this SPID
  isdn.N.directory = TEXT    ... and only with this directory number
  isdn.N.register = yes|no   no: channel N never registers                 [yes]
  isp.address = A.B.C.D      the ISP's end of the link, reported as the port's
                             destination while the call is up              [127.0.0.2]
  isp.outcome = LIST         outcome of each dial in turn, the last repeats: ok, busy
                             (cause 17), noanswer (cause 18), notsubscribed (cause 50),
                             auth (reason isp.auth_reason), rejected (reason 12), hang
                             (stays COMMAND), fail:REASON:CAUSE              [ok]
  isp.auth_reason = N        termination reason of "auth"                  [21]
  isp.auth_only_with_chap = yes|no  "auth" fails only while the location has CHAP on  [no]
  isp.connect_ms = N         time a dialling port shows COMMAND            [1000]
  location_chap = yes|no     mid firmware accepts CHAP per location        [yes]

Faults (frame counts are per connection and include the login)
  fault.refuse = PREFIX (+)  refuse every command line starting with PREFIX
  fault.drop_after_frames = N  answer N frames, then close instead of answering
  fault.drop_on = PREFIX (+) close instead of answering (or applying) the first command
                             line starting with PREFIX
  fault.delay_ms = N         hold back every reply this long
  fault.sysmsg_port = I (+)  answer the status request of port index I with "SYSMSG ..."
  fault.bad_frame = truncated|negative|overlong  after fault.bad_frame_after answered
                             frames [1], send this frame instead of the next reply
  fault.silent_after = N     answer N frames, then keep the connection open and say nothing
  fault.connections = N      faults apply to the first N connections only, 0 = all  [0]
  fault.from_connection = N  faults apply from connection N on (2: after a restart)  [1]

Other
  time_scale = X             factor on every wait               [QLWIZ_TIME_SCALE or 1]
)";
}

}  // namespace sim
