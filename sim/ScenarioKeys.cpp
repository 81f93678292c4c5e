// The scenario keys, one table: each key's name, the shape of its value, its help line,
// its default and how it is set. The parser and --help both read it.
#include "sim/SimConfig.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace sim {

namespace {

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

bool HwAddress(const std::string& v) {
    unsigned m[6];
    char tail;
    if (std::sscanf(v.c_str(), "%x:%x:%x:%x:%x:%x%c", &m[0], &m[1], &m[2], &m[3], &m[4], &m[5],
                    &tail) != 6)
        return false;
    for (unsigned x : m)
        if (x > 255)
            return false;
    return true;
}

std::string Range(long lo, long hi) { return std::to_string(lo) + " to " + std::to_string(hi); }

const char* const kAddress = "a dotted IPv4 address";
const char* const kYesNo = "yes or no";

// Setters for the common shapes. `field` picks the member from the configuration. Each
// names what a malformed value should have been, so the table row leaves `want` empty.
using Setter = ScenarioKey::Setter;

template <typename Pick>
Setter Number(Pick field, long lo, long hi) {
    return [=](SimConfig& c, int, const std::string& v, std::string& want) {
        long n = 0;
        if (!ToLong(v, lo, hi, &n)) {
            want = Range(lo, hi);
            return false;
        }
        auto& target = field(c);
        target = static_cast<std::remove_reference_t<decltype(target)>>(n);
        return true;
    };
}

template <typename Pick>
Setter Flag(Pick field) {
    return [=](SimConfig& c, int, const std::string& v, std::string& want) {
        if (ToBool(v, &field(c)))
            return true;
        want = kYesNo;
        return false;
    };
}

template <typename Pick>
Setter Address(Pick field) {
    return [=](SimConfig& c, int, const std::string& v, std::string& want) {
        if (!IsAddress(v)) {
            want = kAddress;
            return false;
        }
        field(c) = v;
        return true;
    };
}

// Any text, or one that may not be empty (or hold a blank, for a word).
template <typename Pick>
Setter Text(Pick field, bool nonEmpty = false, bool word = false) {
    return [=](SimConfig& c, int, const std::string& v, std::string&) {
        if ((nonEmpty && v.empty()) || (word && v.find_first_of(" \t") != std::string::npos))
            return false;
        field(c) = v;
        return true;
    };
}

template <typename Pick>
Setter Adds(Pick list) {
    return [=](SimConfig& c, int, const std::string& v, std::string&) {
        if (v.empty())
            return false;
        list(c).push_back(v);
        return true;
    };
}

#define FIELD(member) [](SimConfig& c) -> auto& { return c.member; }

std::vector<ScenarioKey> MakeKeys() {
    const char* router = "Router";
    const char* service = "Management service";
    const char* bootp = "Factory state and BOOTP";
    const char* isdn = "ISDN and the ISP";
    const char* faults = "Faults (frame counts are per connection and include the login)";
    const char* other = "Other";
    return {
        {router, "firmware", "new|mid|old",
         "new: every status field, firmware level, \"bigfilt\" table;\n"
         "mid: no firmware level (capabilities from the flags and the\n"
         "per-location CHAP probe); old: two global formats only, no\n"
         "capability fields, older filter tables only",
         "new", false, "new, mid or old",
         [](SimConfig& c, int, const std::string& v, std::string&) {
             if (v != "new" && v != "mid" && v != "old")
                 return false;
             c.firmware = v;
             return true;
         }},
        {router, "firmware_level", "N", "firmware level sent by new firmware", "6", false, "",
         Number(FIELD(firmwareLevel), 0, 99)},
        {router, "model", "WORD", "status text 2 (an \"R\" in it marks a WAN router)", "QL2B", false, "one word",
         Text(FIELD(model), true, true)},
        {router, "version", "WORD", "status text 3", "5.2", false, "one word", Text(FIELD(version), true, true)},
        {router, "password", "TEXT", "administration password at boot", "empty", false, "", Text(FIELD(password))},
        {router, "address", "A.B.C.D", "the router's address", "192.168.1.1", false, "",
         Address(FIELD(address))},
        {router, "netmask", "A.B.C.D", "", "255.255.255.0", false, "", Address(FIELD(netmask))},
        {router, "ports", "NAME:KIND ...", "port table, KIND async|isdn|sync|parallel, up to 16",
         "C0:async S1:isdn S2:isdn W3:sync", false,
         "1 to 16 distinct NAME:KIND items, KIND async, isdn, sync or parallel",
         [](SimConfig& c, int, const std::string& v, std::string&) { return ParsePorts(v, &c.ports); }},
        {router, "apply", "COMMAND",
         "a router command applied and saved at first boot, e.g.\n"
         "apply = add location isp; one refused stops the simulator",
         "", true, "a command line", Adds(FIELD(apply))},

        {service, "listen", "A.B.C.D|router",
         "bind address; \"router\" follows the router's address\n(also after a reboot or BOOTP)", "0.0.0.0",
         false, "a dotted IPv4 address or \"router\"",
         [](SimConfig& c, int, const std::string& v, std::string&) {
             if (v != "router" && !IsAddress(v))
                 return false;
             c.listen = v;
             return true;
         }},
        {service, "port", "N", "TCP port, 0 picks a free one", "QLWIZ_MGMT_PORT or 1643", false, "",
         Number(FIELD(port), 0, 65535)},
        {service, "reboot_ms", "N", "management port closed this long after \"reboot\"", "5000", false, "",
         Number(FIELD(rebootMs), 0, 3600000)},
        {service, "table_chunk", "N", "records per table chunk, 0 = all at once", "4", false, "",
         Number(FIELD(tableChunk), 0, 1000)},
        {service, "bigfilt_rules_per_reply", "N", "rules per \"bigfilt\" reply, 0 = as many as fit", "0",
         false, "", Number(FIELD(bigfiltRulesPerReply), 0, 1000)},
        {service, "port_formats", "1..5", "formats sent in a port record (fewer = older router)", "5", false,
         "", Number(FIELD(portFormats), 1, 5)},

        {bootp, "factory", "yes|no", "start with no address and ask for one with BOOTP", "no", false, "",
         Flag(FIELD(factory))},
        {bootp, "bootp.interval_ms", "N", "time between requests", "4000", false, "",
         Number(FIELD(bootpIntervalMs), 1, 3600000)},
        {bootp, "bootp.client_port", "N", "source port, 0 picks a free one", "QLWIZ_BOOTP_CLIENT_PORT or 68",
         false, "", Number(FIELD(bootpClientPort), 0, 65535)},
        {bootp, "bootp.server_port", "N", "destination port", "QLWIZ_BOOTP_SERVER_PORT or 67", false, "",
         Number(FIELD(bootpServerPort), 1, 65535)},
        {bootp, "bootp.target", "A.B.C.D", "destination address", "255.255.255.255", false, "",
         Address(FIELD(bootpTarget))},
        {bootp, "bootp.interface", "IFNAME", "as root: add the assigned address to this interface", "", false, "",
         Text(FIELD(bootpInterface))},
        {bootp, "bootp.prefix_len", "N", "prefix length used with bootp.interface", "24", false, "",
         Number(FIELD(bootpPrefixLen), 1, 32)},
        {bootp, "hwaddr", "02:51:4C:xx:xx:xx", "hardware address sent in chaddr", "02:51:4C:00:00:01", false,
         "six hexadecimal bytes joined by colons",
         [](SimConfig& c, int, const std::string& v, std::string&) {
             if (!HwAddress(v))
                 return false;
             c.hwaddr = v;
             return true;
         }},

        {isdn, "isdn.switch", "KEYWORD|any",
         "switch the lines are provisioned for (ni-1, att-5ess,\n"
         "dms-100, att-5ess-ptp, net3, net3-swiss, 1tr6, kdd, ntt,\n"
         "vn2, vn3, vn4, vnp, att-4ess, net5, net5-swiss); a router\n"
         "set to another switch, or to none, never registers",
         "any", false, "", Text(FIELD(isdnSwitch))},
        {isdn, "isdn.register_ms", "N", "time from boot or change to registration", "1000", false, "",
         Number(FIELD(registerMs), 0, 3600000)},
        {isdn, "isdn.N.spid", "TEXT", "channel N (1 = first ISDN port, up to 8) registers only\nwith this SPID", "",
         false, "",
         [](SimConfig& c, int n, const std::string& v, std::string&) {
             c.lines[n].checkSpid = true;
             c.lines[n].spid = v;
             return true;
         }},
        {isdn, "isdn.N.directory", "TEXT", "... and only with this directory number", "", false, "",
         [](SimConfig& c, int n, const std::string& v, std::string&) {
             c.lines[n].checkDirectory = true;
             c.lines[n].directory = v;
             return true;
         }},
        {isdn, "isdn.N.register", "yes|no", "no: channel N never registers", "yes", false, kYesNo,
         [](SimConfig& c, int n, const std::string& v, std::string&) { return ToBool(v, &c.lines[n].registers); }},
        {isdn, "isp.address", "A.B.C.D", "the ISP's end of the link, reported as the port's\n"
                                         "destination while the call is up",
         "127.0.0.2", false, "", Address(FIELD(ispAddress))},
        {isdn, "isp.outcome", "LIST",
         "outcome of each dial in turn, the last repeats: ok, busy\n"
         "(cause 17), noanswer (cause 18), notsubscribed (cause 50),\n"
         "auth (reason isp.auth_reason), rejected (reason 12), hang\n"
         "(stays COMMAND), fail:REASON:CAUSE",
         "ok", false, "a list of ok, busy, noanswer, notsubscribed, auth, rejected, hang, fail:REASON:CAUSE",
         [](SimConfig& c, int, const std::string& v, std::string& want) {
             std::vector<DialOutcome> list;
             for (const std::string& w : SplitList(v)) {
                 DialOutcome o;
                 if (!ParseOutcome(w, &o, c.authReason))
                     return false;
                 list.push_back(o);
             }
             if (list.empty()) {
                 want = "at least one outcome";
                 return false;
             }
             c.outcomes = list;
             return true;
         }},
        {isdn, "isp.auth_reason", "N", "termination reason of \"auth\"", "21", false, "",
         [](SimConfig& c, int channel, const std::string& v, std::string& want) {
             if (!Number(FIELD(authReason), 0, 255)(c, channel, v, want))
                 return false;
             for (DialOutcome& o : c.outcomes)
                 if (o.kind == DialOutcome::Auth)
                     o.reason = c.authReason;
             return true;
         }},
        {isdn, "isp.auth_only_with_chap", "yes|no", "\"auth\" fails only while the location has CHAP on", "no",
         false, "", Flag(FIELD(authOnlyWithChap))},
        {isdn, "isp.connect_ms", "N", "time a dialling port shows COMMAND", "1000", false, "",
         Number(FIELD(connectMs), 0, 3600000)},
        {isdn, "location_chap", "yes|no", "mid firmware accepts CHAP per location", "yes", false, "",
         Flag(FIELD(locationChap))},

        {faults, "fault.refuse", "PREFIX", "refuse every command line starting with PREFIX", "", true,
         "a command prefix", Adds(FIELD(faults.refusePrefixes))},
        {faults, "fault.drop_after_frames", "N", "answer N frames, then close instead of answering", "",
         false, "", Number(FIELD(faults.dropAfterFrames), 0, 1000000)},
        {faults, "fault.drop_on", "PREFIX",
         "close instead of answering (or applying) the first command\nline starting with PREFIX", "", true,
         "a command prefix", Adds(FIELD(faults.dropOnPrefixes))},
        {faults, "fault.delay_ms", "N", "hold back every reply this long", "", false, "",
         Number(FIELD(faults.delayMs), 0, 3600000)},
        {faults, "fault.sysmsg_port", "I", "answer the status request of port index I with \"SYSMSG ...\"", "",
         true, "a port index 0 to 15",
         [](SimConfig& c, int, const std::string& v, std::string&) {
             long n = 0;
             if (!ToLong(v, 0, 15, &n))
                 return false;
             c.faults.sysmsgPorts.push_back(static_cast<int>(n));
             return true;
         }},
        {faults, "fault.bad_frame", "truncated|negative|overlong",
         "\nafter fault.bad_frame_after answered frames, send this\nframe instead of the next reply", "", false,
         "truncated, negative or overlong",
         [](SimConfig& c, int, const std::string& v, std::string&) {
             if (v != "truncated" && v != "negative" && v != "overlong")
                 return false;
             c.faults.badFrame = v;
             if (c.faults.badFrameAfter < 0)
                 c.faults.badFrameAfter = 1;
             return true;
         }},
        {faults, "fault.bad_frame_after", "N", "frames answered before the bad frame", "1", false, "",
         Number(FIELD(faults.badFrameAfter), 0, 1000000)},
        {faults, "fault.silent_after", "N", "answer N frames, then keep the connection open and say\nnothing", "",
         false, "", Number(FIELD(faults.silentAfter), 0, 1000000)},
        {faults, "fault.connections", "N", "faults apply to the first N connections only, 0 = all", "0",
         false, "", Number(FIELD(faults.connections), 0, 1000000)},
        {faults, "fault.from_connection", "N", "faults apply from connection N on (2: after a restart)", "1",
         false, "", Number(FIELD(faults.fromConnection), 1, 1000000)},

        {other, "time_scale", "X", "factor on every wait", "QLWIZ_TIME_SCALE or 1", false, "a number from 0 to 1000",
         [](SimConfig& c, int, const std::string& v, std::string&) {
             char* end = nullptr;
             double s = std::strtod(v.c_str(), &end);
             if (v.empty() || *end != '\0' || !std::isfinite(s) || s < 0.0 || s > 1000.0)
                 return false;
             c.timeScale = s;
             return true;
         }},
    };
}

#undef FIELD

// The table's entry for `key`, with the channel of an "isdn.N." key in `channel`.
const ScenarioKey* Find(const std::string& key, int* channel) {
    *channel = 0;
    std::string name = key;
    // isdn.1.spid to isdn.8.spid share one entry.
    if (key.rfind("isdn.", 0) == 0 && key.size() > 7 && key[6] == '.' && key[5] >= '1' && key[5] <= '8') {
        *channel = key[5] - '0';
        name = "isdn.N." + key.substr(7);
    }
    for (const ScenarioKey& k : ScenarioKeys())
        if (k.name == name)
            return &k;
    return nullptr;
}

} // namespace

const std::vector<ScenarioKey>& ScenarioKeys() {
    static const std::vector<ScenarioKey> keys = MakeKeys();
    return keys;
}

bool SetScenarioKey(SimConfig& c, const std::string& key, const std::string& value, std::string* err) {
    int channel = 0;
    const ScenarioKey* k = Find(key, &channel);
    if (k == nullptr) {
        if (err)
            *err = "unknown key " + key;
        return false;
    }
    std::string want = k->want;
    if (k->set(c, channel, value, want))
        return true;
    if (err)
        *err = key + ": bad value \"" + value + "\" (" + want + ")";
    return false;
}

const char* ScenarioHelp() {
    static const std::string help = [] {
        std::string text =
            "Scenario file: one \"key = value\" per line; \"#\" starts a comment line; blank lines\n"
            "are skipped. Keys marked (+) may be given several times.\n";
        const char* section = nullptr;
        const std::string indent(29, ' ');
        for (const ScenarioKey& k : ScenarioKeys()) {
            if (section == nullptr || std::string(section) != k.section)
                text += std::string("\n") + (section = k.section) + "\n";
            std::string left = "  " + k.name + " = " + k.value + (k.repeats ? " (+)" : "");
            // The help begins on the next line where the key's own is long.
            left.resize(k.help.rfind('\n', 0) == 0 ? left.size() : std::max(left.size() + 2, indent.size()), ' ');
            std::string body = k.help;
            if (!k.fallback.empty()) {
                // The default ends the last line, or has one of its own where it would not fit.
                const size_t last = body.rfind('\n') == std::string::npos ? 0 : body.rfind('\n') + 1;
                const bool fits = indent.size() + body.size() - last + k.fallback.size() + 4 <= 90;
                body += (body.empty() ? "" : fits ? "  " : "\n") + ("[" + k.fallback + "]");
            }
            for (size_t at = 0, end; at <= body.size(); at = end + 1) {
                end = std::min(body.find('\n', at), body.size());
                text += (at == 0 ? left : indent) + body.substr(at, end - at) + "\n";
            }
        }
        return text;
    }();
    return help.c_str();
}

} // namespace sim
