#include "sim/RouterModel.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace sim {

namespace {

// Switch keywords by the router's switch index; an empty entry has no keyword.
const char* const kSwitches[] = {"ni-1", "att-5ess", "dms-100", "", "att-5ess-ptp", "net3",
                                 "net3-swiss", "1tr6", "kdd", "ntt", "vn2", "vn3", "vn4",
                                 "vnp", "att-4ess", "net5", "", "net5-swiss"};
constexpr int kSwitchCount = sizeof kSwitches / sizeof kSwitches[0];

const char* const kGlobalKeywords[] = {
    "address", "host", "gateway", "netmask", "broadcast", "ypserver", "domain", "namesvc",
    "isdn", "password", "route", "default", "slip", "ethernet", "snmp", "telnet", "loghost",
    "assigned", "ifilter", "ofilter", "ipxnet", "ipxframe", "ipxgateway", "pap", "chap",
    "serial-admin", "debug", "filter", "ipxfilter", "sapfilter", "loc"};

// Largest reply payload a client's reply area takes, terminator included.
constexpr size_t kMaxPayload = 2060;
constexpr size_t kRecordRoom = kMaxPayload - 2;  // leaves room for "\n" and the NUL
constexpr size_t kMaxLocations = 32;
constexpr size_t kMaxFilters = 32;
constexpr size_t kMaxRules = 64;

CommandResult Refuse(const std::string& why) {
    CommandResult r;
    r.ok = false;
    r.error = why;
    return r;
}

CommandResult Done() { return CommandResult{}; }

void SplitWords(const std::string& line, std::vector<std::string>* words,
                std::vector<size_t>* starts) {
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        size_t b = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > b) {
            words->push_back(line.substr(b, i - b));
            starts->push_back(b);
        }
    }
}

bool ToInt(const std::string& w, long lo, long hi, long* out) {
    if (w.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(w.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || n < lo || n > hi)
        return false;
    *out = n;
    return true;
}

bool ToHex(const std::string& w, uint32_t* out) {
    std::string s = w;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s = s.substr(2);
    if (s.empty() || s.size() > 8)
        return false;
    char* end = nullptr;
    unsigned long n = std::strtoul(s.c_str(), &end, 16);
    if (*end != '\0')
        return false;
    *out = static_cast<uint32_t>(n);
    return true;
}

bool IsAddress(const std::string& w) {
    in_addr a{};
    return inet_pton(AF_INET, w.c_str(), &a) == 1;
}

// "on"/"off" into a bit; `setWhenOn` false for the router's "off" bits (PAP off and so on).
bool OnOff(const std::string& w, uint32_t bit, bool setWhenOn, uint32_t* flags) {
    bool on;
    if (w == "on")
        on = true;
    else if (w == "off")
        on = false;
    else
        return false;
    if (on == setWhenOn)
        *flags |= bit;
    else
        *flags &= ~bit;
    return true;
}

bool OnOffInt(const std::string& w, int bit, bool setWhenOn, int* flags) {
    uint32_t f = static_cast<uint32_t>(*flags);
    if (!OnOff(w, static_cast<uint32_t>(bit), setWhenOn, &f))
        return false;
    *flags = static_cast<int>(f);
    return true;
}

// The routing words of the global and Ethernet "route" settings: bit 0x1 sends routes,
// bit 0x20 stops listening.
bool RouteWord(const std::string& w, uint32_t* flags) {
    uint32_t bits;
    if (w == "broadcast")
        bits = 0x1 | 0x20;
    else if (w == "on")
        bits = 0x1;
    else if (w == "off")
        bits = 0x20;
    else if (w == "listen")
        bits = 0;
    else
        return false;
    *flags = (*flags & ~0x21u) | bits;
    return true;
}

int IpxFrameCode(const std::string& w) {
    if (w == "ethernet_802.2")
        return 1;
    if (w == "ethernet_802.3")
        return 2;
    if (w == "ethernet_ii")
        return 3;
    if (w == "ethernet_802.2_ii")
        return 4;
    return -1;
}

const char* ServiceName(int service) {
    switch (service) {
    case 1: return "Rlogin";
    case 2: return "Telnet";
    case 3: return "Netdata";
    default: return "Velunor";
    }
}

int ServiceCode(const std::string& w) {
    if (w == "rlogin")
        return 1;
    if (w == "telnet")
        return 2;
    if (w == "netdata")
        return 3;
    if (w == "velunor")
        return 0;
    return -1;
}

int ClassCode(PortKind k) {
    switch (k) {
    case PortKind::Async: return 0;
    case PortKind::Parallel: return 1;
    case PortKind::Sync: return 2;
    case PortKind::Isdn: return 3;
    }
    return 0;
}

const char* KindName(PortKind k) {
    switch (k) {
    case PortKind::Async: return "async";
    case PortKind::Parallel: return "parallel";
    case PortKind::Sync: return "sync";
    case PortKind::Isdn: return "isdn";
    }
    return "";
}

// Record fields are blank-separated: an empty address goes out as 0.0.0.0, an empty word as 0,
// an empty marker text as "-" (which the client reads back as empty).
std::string Addr(const std::string& s) { return s.empty() ? "0.0.0.0" : s; }
std::string Word(const std::string& s) { return s.empty() ? "0" : s; }
std::string Dash(const std::string& s) { return s.empty() ? "-" : s; }
std::string Q(const std::string& s) { return "\"" + s + "\""; }

std::string Fmt(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Fmt(const char* fmt, ...) {
    char buf[2048];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

// The router keeps "$hostname" in a prompt as its short form "$h".
std::string PromptOut(const std::string& p) {
    std::string out;
    for (size_t i = 0; i < p.size(); ++i) {
        if (p.compare(i, 9, "$hostname") == 0) {
            out += "$h";
            i += 8;
        } else {
            out += p[i];
        }
    }
    return out;
}

PortSettings DefaultPort(const PortDef& def) {
    PortSettings p;
    p.name = def.name;
    p.kind = def.kind;
    switch (def.kind) {
    case PortKind::Async:
        p.type = "Login";
        p.speed[0] = 9600;
        p.parity = "none";
        p.term = "vt100";
        p.prompt = "$hostname login: ";
        p.flags = 0x4000;  // access on
        break;
    case PortKind::Isdn:
        p.type = "Netwrk";
        p.flags = 0x230;  // two-way, PPP
        p.speed[0] = 64000;
        p.group = 1;
        p.mtu = 1500;
        p.idle = 120;
        break;
    case PortKind::Sync:
        p.type = "Netwrk";
        p.flags = 0x200;  // hardwired PPP
        p.speed[0] = 64000;
        p.mtu = 1500;
        break;
    case PortKind::Parallel:
        p.type = "Device";
        p.device = "lp";
        break;
    }
    return p;
}

bool Quotable(const std::string& s) { return s.find('"') == std::string::npos; }

}  // namespace

std::string SwitchKeyword(int index) {
    if (index < 0 || index >= kSwitchCount)
        return "";
    return kSwitches[index];
}

int SwitchIndex(const std::string& keyword) {
    if (keyword.empty())
        return -1;
    for (int i = 0; i < kSwitchCount; ++i)
        if (keyword == kSwitches[i])
            return i;
    return -1;
}

RouterModel::RouterModel(const SimConfig& cfg) : cfg_(cfg) {
    GlobalSettings& g = running_.global;
    g.address = cfg.factory ? "" : cfg.address;
    g.netmask = cfg.netmask;
    g.flags = OldFirmware() ? 0x280 : 0x40280;  // DNS, default route heard; new: serial admin off
    g.isdnSwitch = cfg.factory ? -1 : 0;
    g.password = cfg.factory ? "" : cfg.password;
    g.ether1Netmask = "255.255.255.0";
    for (const PortDef& def : cfg.ports.empty() ? DefaultPorts() : cfg.ports)
        running_.ports.push_back(DefaultPort(def));
    runtime_.resize(running_.ports.size());
    for (const std::string& line : cfg.apply) {
        CommandResult r = Apply(line, 0);
        if (!r.ok)
            std::fprintf(stderr, "quillet-sim: scenario command refused: %s (%s)\n", line.c_str(),
                         r.error.c_str());
    }
    console_.clear();
    dials_ = 0;
    saved_ = running_;
}

long RouterModel::Scaled(long ms) const {
    double v = std::llround(static_cast<double>(ms) * cfg_.timeScale);
    return v < 0 ? 0 : static_cast<long>(v);
}

int RouterModel::PortIndex(const std::string& name) const {
    for (size_t i = 0; i < running_.ports.size(); ++i)
        if (running_.ports[i].name == name)
            return static_cast<int>(i);
    return -1;
}

void RouterModel::Boot(long long now) {
    running_ = saved_;
    for (PortRuntime& rt : runtime_)
        rt = PortRuntime{};
    for (size_t i = 0; i < running_.ports.size(); ++i)
        if (running_.ports[i].kind == PortKind::Isdn)
            runtime_[i].state = LineState::NoService;
    console_.clear();
    debug_ = 0;
    Reevaluate(now);
}

void RouterModel::AssignAddress(const std::string& address) { running_.global.address = address; }

bool RouterModel::CheckPassword(const std::string& password) const {
    return password == running_.global.password;
}

bool RouterModel::WouldRegister(int isdnIndex) const {
    int ordinal = -1;
    const PortSettings* port = nullptr;
    for (const PortSettings& p : running_.ports)
        if (p.kind == PortKind::Isdn && ++ordinal == isdnIndex) {
            port = &p;
            break;
        }
    if (port == nullptr)
        return false;
    LineDef line;
    auto it = cfg_.lines.find(isdnIndex + 1);
    if (it != cfg_.lines.end())
        line = it->second;
    if (!line.registers)
        return false;
    std::string kw = SwitchKeyword(running_.global.isdnSwitch);
    if (kw.empty())
        return false;
    if (cfg_.isdnSwitch != "any" && kw != cfg_.isdnSwitch)
        return false;
    if (line.checkSpid && port->spid != line.spid)
        return false;
    if (line.checkDirectory && port->directory != line.directory)
        return false;
    return true;
}

void RouterModel::Reevaluate(long long now) {
    int ordinal = -1;
    for (size_t i = 0; i < running_.ports.size(); ++i) {
        if (running_.ports[i].kind != PortKind::Isdn)
            continue;
        ++ordinal;
        PortRuntime& rt = runtime_[i];
        if (!WouldRegister(ordinal)) {
            if (rt.state != LineState::NoService) {
                HangUp(static_cast<int>(i));
                rt.state = LineState::NoService;
            }
        } else if (rt.state == LineState::NoService) {
            rt.state = LineState::Registering;
            rt.until = now + Scaled(cfg_.registerMs);
        }
    }
    Advance(now);
}

void RouterModel::Advance(long long now) {
    for (size_t i = 0; i < runtime_.size(); ++i) {
        PortRuntime& rt = runtime_[i];
        const std::string& name = running_.ports[i].name;
        if (rt.state == LineState::Registering && now >= rt.until) {
            rt.state = LineState::Idle;
        } else if (rt.state == LineState::Command && rt.outcome.kind != DialOutcome::Hang &&
                   now >= rt.until) {
            if (rt.outcome.kind == DialOutcome::Ok) {
                rt.state = LineState::Established;
                rt.remote = cfg_.ispAddress;
                Console(rt.location + ": connected on " + name + ", PPP up, remote address " +
                        rt.remote + "\n");
            } else {
                rt.state = LineState::Idle;
                rt.reason = rt.outcome.reason;
                rt.cause = rt.outcome.cause;
                Console(Fmt("%s: call on %s cleared, cause %u, reason %u\n",
                            rt.location.c_str(), name.c_str(), rt.cause, rt.reason));
                rt.location.clear();
            }
        }
    }
}

void RouterModel::HangUp(int index) {
    PortRuntime& rt = runtime_[index];
    if (rt.state == LineState::Command || rt.state == LineState::Established) {
        Console(rt.location + ": call on " + running_.ports[index].name + " hung up\n");
        rt.state = LineState::Idle;
    }
    rt.remote.clear();
    rt.location.clear();
}

void RouterModel::Console(const std::string& text) {
    console_ += text;
    // keep the newest text when nobody reads the console
    if (console_.size() > 8192)
        console_.erase(0, console_.size() - 8192);
}

std::string RouterModel::TakeConsole(size_t max) {
    std::string out = console_.substr(0, max);
    console_.erase(0, out.size());
    return out;
}

std::string RouterModel::StateText(int index) const {
    if (running_.ports[index].kind != PortKind::Isdn)
        return "IDLE";
    switch (runtime_[index].state) {
    case LineState::NoService:
    case LineState::Registering: return "NO-SERVICE";
    case LineState::Idle: return "IDLE";
    case LineState::Command: return "COMMAND";
    case LineState::Established: return "ESTABLISHED";
    }
    return "Unknown";
}

// ---------------------------------------------------------------------------------------------
// Commands

CommandResult RouterModel::Apply(const std::string& line, long long now) {
    Advance(now);
    std::vector<std::string> w;
    std::vector<size_t> at;
    SplitWords(line, &w, &at);
    if (w.empty())
        return Refuse("Empty command");
    const std::string& verb = w[0];

    if (verb == "set") {
        if (w.size() < 2)
            return Refuse("set what?");
        const std::string& what = w[1];
        if (what == "loc") {
            if (w.size() < 4)
                return Refuse("set loc NAME SETTING");
            auto it = running_.locations.find(w[2]);
            if (it == running_.locations.end())
                return Refuse("No such location: " + w[2]);
            return SetLocation(it->second, w, line, 3);
        }
        if (what == "filter" || what == "ipxfilter" || what == "sapfilter")
            return SetFilter(what == "filter" ? 0 : what == "ipxfilter" ? 1 : 2, w, line);
        for (const char* k : kGlobalKeywords)
            if (what == k)
                return SetGlobal(w, line, 1, now);
        if (what == "ether0" || what == "ether1")
            return SetEther(what[5] - '0', w, line, 2);
        int port = PortIndex(what);
        if (port >= 0)
            return SetPort(running_.ports[port], w, line, 2, now);
        auto it = running_.locations.find(what);
        if (it != running_.locations.end()) {
            if (w.size() < 3)
                return Refuse("set " + what + " what?");
            return SetLocation(it->second, w, line, 2);
        }
        return Refuse("Unknown name or setting: " + what);
    }

    if (verb == "add") {
        if (w.size() != 3)
            return Refuse("add location|loc|filter NAME");
        if (w[1] == "location" || w[1] == "loc") {
            const std::string& name = w[2];
            if (name.size() > 15)
                return Refuse("Location name too long");
            if (running_.locations.count(name))
                return Refuse("Location exists: " + name);
            if (PortIndex(name) >= 0 || name == "ether0" || name == "ether1")
                return Refuse("Name in use: " + name);
            for (const char* k : kGlobalKeywords)
                if (name == k)
                    return Refuse("Name in use: " + name);
            if (running_.locations.size() >= kMaxLocations)
                return Refuse("Location table full");
            LocationSettings l;
            l.name = name;
            running_.locations[name] = l;
            return Done();
        }
        if (w[1] == "filter") {
            if (w[2].size() > 16)
                return Refuse("Filter name too long");
            if (running_.filters.count(w[2]))
                return Refuse("Filter exists: " + w[2]);
            if (running_.filters.size() >= kMaxFilters)
                return Refuse("Filter table full");
            running_.filters[w[2]] = FilterSettings{};
            return Done();
        }
        return Refuse("add what?");
    }

    if (verb == "delete" || verb == "del") {
        if (w.size() != 3)
            return Refuse("delete location|loc|filter NAME");
        if (w[1] == "location" || w[1] == "loc") {
            if (!running_.locations.erase(w[2]))
                return Refuse("No such location: " + w[2]);
            for (size_t i = 0; i < runtime_.size(); ++i)
                if (runtime_[i].location == w[2])
                    HangUp(static_cast<int>(i));
            return Done();
        }
        if (w[1] == "filter") {
            if (!running_.filters.erase(w[2]))
                return Refuse("No such filter: " + w[2]);
            return Done();
        }
        return Refuse("delete what?");
    }

    if (verb == "save")
        return Save(w);
    if (verb == "reset")
        return Reset(w);
    if (verb == "dial")
        return Dial(w, now);
    if (verb == "reboot") {
        if (w.size() != 1)
            return Refuse("reboot takes no arguments");
        CommandResult r;
        r.reboot = true;
        return r;
    }
    return Refuse("Unknown command: " + verb);
}

CommandResult RouterModel::SetGlobal(const std::vector<std::string>& w, const std::string& line,
                                     size_t first, long long now) {
    GlobalSettings& g = running_.global;
    const std::string& key = w[first];
    size_t n = w.size() - first - 1;  // number of values
    auto value = [&](size_t i) -> const std::string& { return w[first + 1 + i]; };
    long num = 0;

    auto word = [&](std::string& field, size_t max) -> CommandResult {
        if (n > 1)
            return Refuse("Too many values for " + key);
        std::string v = n == 1 ? value(0) : "";
        if (v.size() > max)
            return Refuse("Value too long for " + key);
        field = v;
        return Done();
    };
    auto address = [&](std::string& field) -> CommandResult {
        if (n != 1 || !IsAddress(value(0)))
            return Refuse("Bad address for " + key);
        field = value(0) == "0.0.0.0" && &field != &g.address ? "" : value(0);
        return Done();
    };
    auto onoff = [&](uint32_t bit, bool setWhenOn) -> CommandResult {
        if (n != 1 || !OnOff(value(0), bit, setWhenOn, &g.flags))
            return Refuse(key + " on|off");
        return Done();
    };
    auto gated = [&]() { return !OldFirmware(); };

    if (key == "address")
        return address(g.address);
    if (key == "netmask")
        return address(g.netmask);
    if (key == "host") {
        if (n != 2 || !ToInt(value(0), 1, 4, &num) || value(1).size() > 19)
            return Refuse("set host 1-4 ADDRESS");
        g.hosts[num - 1] = value(1) == "0.0.0.0" ? "" : value(1);
        return Done();
    }
    if (key == "gateway") {
        if (n < 1 || n > 2 || !IsAddress(value(0)))
            return Refuse("set gateway ADDRESS [METRIC]");
        long metric = 1;
        if (n == 2 && !ToInt(value(1), 0, 65535, &metric))
            return Refuse("Bad gateway metric");
        g.gateway = value(0) == "0.0.0.0" ? "" : value(0);
        g.gatewayMetric = static_cast<int>(metric);
        return Done();
    }
    if (key == "broadcast") {
        if (n != 1 || (value(0) != "high" && value(0) != "low"))
            return Refuse("set broadcast high|low");
        g.flags = value(0) == "high" ? (g.flags | 0x8) : (g.flags & ~0x8u);
        return Done();
    }
    if (key == "ypserver")
        return word(g.ypserver, 19);
    if (key == "domain") {
        std::vector<std::string> ws;
        std::vector<size_t> at;
        SplitWords(line, &ws, &at);
        std::string v = n == 0 ? "" : line.substr(at[first + 1]);
        if (v.size() > 31 || !Quotable(v))
            return Refuse("Bad domain");
        g.domain = v;
        return Done();
    }
    if (key == "namesvc") {
        if (n != 1 || (value(0) != "dns" && value(0) != "nis"))
            return Refuse("set namesvc dns|nis");
        g.flags = value(0) == "dns" ? (g.flags | 0x200) : (g.flags & ~0x200u);
        return Done();
    }
    if (key == "isdn") {
        bool any = false;
        for (const PortSettings& p : running_.ports)
            any = any || p.kind == PortKind::Isdn;
        if (!any)
            return Refuse("No ISDN interface");
        int index = n == 1 ? SwitchIndex(value(0)) : -1;
        if (index < 0)
            return Refuse("Unknown switch type");
        g.isdnSwitch = index;
        Reevaluate(now);
        return Done();
    }
    if (key == "password") {
        // the rest of the line, blanks included
        size_t at = line.find("password") + 8;
        std::string v = at < line.size() ? line.substr(at + 1) : "";
        if (v.size() > 39)
            return Refuse("Password too long");
        g.password = v;
        return Done();
    }
    if (key == "route") {
        if (n != 1 || !RouteWord(value(0), &g.flags))
            return Refuse("set route broadcast|on|off|listen");
        return Done();
    }
    if (key == "default") {
        uint32_t bits;
        if (n != 1)
            return Refuse("set default on|broadcast|listen|off");
        if (value(0) == "on")
            bits = 0xC0;
        else if (value(0) == "broadcast")
            bits = 0x40;
        else if (value(0) == "listen")
            bits = 0x80;
        else if (value(0) == "off")
            bits = 0;
        else
            return Refuse("set default on|broadcast|listen|off");
        g.flags = (g.flags & ~0xC0u) | bits;
        return Done();
    }
    if (key == "slip")
        return onoff(0x2, true);
    if (key == "ethernet") {
        if (n != 1 || (value(0) != "down" && value(0) != "up"))
            return Refuse("set ethernet up|down");
        g.flags = value(0) == "down" ? (g.flags | 0x4) : (g.flags & ~0x4u);
        return Done();
    }
    if (key == "snmp")
        return onoff(0x10, true);
    if (key == "telnet") {
        if (n != 1 || !ToInt(value(0), 0, 65535, &num))
            return Refuse("set telnet PORT");
        g.telnet = static_cast<int>(num);
        return Done();
    }
    if (key == "loghost")
        return word(g.loghost, 19);
    if (key == "assigned")
        return address(g.assigned);
    if (key == "ifilter")
        return word(g.ifilter, 17);
    if (key == "ofilter")
        return word(g.ofilter, 17);
    if (key == "ipxnet")
        return word(g.ipxnet, 19);
    if (key == "ipxframe") {
        int code = n == 1 ? IpxFrameCode(value(0)) : -1;
        if (code < 0)
            return Refuse("Unknown frame type");
        g.ipxframe = code;
        return Done();
    }
    if (key == "ipxgateway") {
        if (n != 2 || value(0).size() > 31 || !ToInt(value(1), 0, 255, &num))
            return Refuse("set ipxgateway GATEWAY HOPS");
        g.ipxgateway = value(0) == "0" ? "" : value(0);
        g.ipxgatewayHops = static_cast<int>(num);
        return Done();
    }
    if (key == "pap" || key == "chap" || key == "serial-admin") {
        if (!gated())
            return Refuse("Not supported by this firmware: " + key);
        uint32_t bit = key == "pap" ? 0x8000 : key == "chap" ? 0x20000 : 0x40000;
        return onoff(bit, false);
    }
    if (key == "debug") {
        uint32_t v = 0;
        if (n != 1 || !ToHex(value(0), &v))
            return Refuse("set debug HEX");
        debug_ = v;
        return Done();
    }
    return Refuse("Unknown setting: " + key);
}

CommandResult RouterModel::SetEther(int index, const std::vector<std::string>& w,
                                    const std::string& /*line*/, size_t first) {
    if (w.size() <= first)
        return Refuse("set " + w[1] + " what?");
    GlobalSettings& g = running_.global;
    // ether0 is the router's own interface: its settings are the global ones
    std::string& address = index == 0 ? g.address : g.ether1Address;
    std::string& netmask = index == 0 ? g.netmask : g.ether1Netmask;
    uint32_t& flags = index == 0 ? g.flags : g.ether1Flags;
    std::string& ifilter = index == 0 ? g.ifilter : g.ether1Ifilter;
    std::string& ofilter = index == 0 ? g.ofilter : g.ether1Ofilter;
    std::string& ipxnet = index == 0 ? g.ipxnet : g.ether1Ipxnet;
    int& ipxframe = index == 0 ? g.ipxframe : g.ether1Ipxframe;

    const std::string& key = w[first];
    size_t n = w.size() - first - 1;
    const std::string v = n >= 1 ? w[first + 1] : "";
    if (key == "address" || key == "netmask") {
        if (n != 1 || !IsAddress(v))
            return Refuse("Bad address");
        (key == "address" ? address : netmask) = v;
        return Done();
    }
    if (key == "broadcast") {
        if (n != 1 || (v != "high" && v != "low"))
            return Refuse("broadcast high|low");
        flags = v == "high" ? (flags | 0x8) : (flags & ~0x8u);
        return Done();
    }
    if (key == "route") {
        if (n != 1 || !RouteWord(v, &flags))
            return Refuse("route broadcast|on|off|listen");
        return Done();
    }
    if ((key == "down" || key == "up") && n == 0) {
        flags = key == "down" ? (flags | 0x4) : (flags & ~0x4u);
        return Done();
    }
    if (key == "ifilter" || key == "ofilter" || key == "ipxnet") {
        if (n > 1 || v.size() > (key == "ipxnet" ? 19u : 17u))
            return Refuse("Bad value for " + key);
        (key == "ifilter" ? ifilter : key == "ofilter" ? ofilter : ipxnet) = v;
        return Done();
    }
    if (key == "ipxframe") {
        int code = IpxFrameCode(v);
        if (n != 1 || code < 0)
            return Refuse("Unknown frame type");
        ipxframe = code;
        return Done();
    }
    return Refuse("Unknown interface setting: " + key);
}

CommandResult RouterModel::SetPort(PortSettings& p, const std::vector<std::string>& w,
                                   const std::string& line, size_t first, long long now) {
    // the rest of the line after the setting word, blanks included
    std::vector<std::string> ws;
    std::vector<size_t> at;
    SplitWords(line, &ws, &at);
    auto rest = [&](size_t i) -> std::string {
        if (i < at.size())
            return line.substr(at[i]);
        // "set S1 prompt " ends in the blank that stands for an empty value
        return "";
    };
    size_t n = w.size() - first - 1;
    const std::string key = w.size() > first ? w[first] : "";
    const std::string v = n >= 1 ? w[first + 1] : "";
    long num = 0;

    // Port type lines: "set S1 [login|device D|twoway D|disabled] [slip MODE]", "set S1 ppp"
    if (key.empty() || key == "login" || key == "device" || key == "twoway" ||
        key == "disabled" || key == "slip") {
        size_t i = first;
        std::string base;
        std::string device = p.device;
        if (key == "login") {
            base = "Login";
            ++i;
        } else if (key == "device" || key == "twoway") {
            base = key == "device" ? "Device" : "TwoWay";
            device = i + 1 < w.size() && w[i + 1] != "slip" ? w[i + 1] : "";
            i += device.empty() ? 1 : 2;
        } else if (key == "disabled") {
            base = "Device";
            device = "";
            ++i;
        }
        bool network = false;
        uint32_t mode = p.flags & 0x30;
        if (i < w.size()) {
            if (w[i] != "slip" || i + 2 != w.size())
                return Refuse("Bad port type line");
            const std::string& m = w[i + 1];
            if (m == "twoway")
                mode = 0x30;
            else if (m == "dialin")
                mode = 0x10;
            else if (m == "dialout")
                mode = 0x20;
            else if (m == "hardwired")
                mode = 0;
            else
                return Refuse("Unknown network mode: " + m);
            network = true;
        }
        if (device.size() > 31)
            return Refuse("Device name too long");
        if (network)
            p.type = base.empty() ? "Netwrk" : base + "/Netwrk";
        else
            p.type = base.empty() ? "None" : base;
        p.device = device;
        p.flags = (p.flags & ~0x30u) | mode;
        return Done();
    }
    if (key == "ppp" && n == 0) {
        p.type = "PPP";
        return Done();
    }

    auto onoff = [&](uint32_t bit, bool setWhenOn) -> CommandResult {
        if (n != 1 || !OnOff(v, bit, setWhenOn, &p.flags))
            return Refuse(key + " on|off");
        return Done();
    };
    auto text = [&](std::string& field, size_t max, bool restOfLine) -> CommandResult {
        std::string val = restOfLine ? rest(first + 1) : (n == 1 ? v : "");
        if (!restOfLine && n > 1)
            return Refuse("Too many values for " + key);
        if (val.size() > max || !Quotable(val))
            return Refuse("Bad value for " + key);
        field = val;
        return Done();
    };
    auto integer = [&](int& field, long lo, long hi) -> CommandResult {
        if (n != 1 || !ToInt(v, lo, hi, &num))
            return Refuse("Bad number for " + key);
        field = static_cast<int>(num);
        return Done();
    };

    if (key == "extended")
        return onoff(0x2, true);
    if (key == "service_login" || key == "service_device") {
        int code = n == 2 ? ServiceCode(v) : -1;
        if (code < 0 || !ToInt(w[first + 2], 0, 65535, &num))
            return Refuse(key + " SERVICE PORT");
        (key == "service_login" ? p.loginService : p.deviceService) = code;
        (key == "service_login" ? p.loginPort : p.devicePort) = static_cast<int>(num);
        return Done();
    }
    if (key == "host") {
        if (n == 1 && v == "prompt") {
            p.flags |= 0x1;
        } else if (n == 1 && v == "default") {
            p.flags &= ~0x1u;
            p.hosts[0].clear();
        } else if (n == 1 && v.size() <= 19) {
            p.flags &= ~0x1u;
            p.hosts[0] = v == "0.0.0.0" ? "" : v;
        } else if (n == 2 && ToInt(v, 2, 4, &num) && w[first + 2].size() <= 19) {
            p.hosts[num - 1] = w[first + 2] == "0.0.0.0" ? "" : w[first + 2];
        } else {
            return Refuse("host prompt|default|ADDRESS|N ADDRESS");
        }
        return Done();
    }
    if (key == "address") {
        if (n != 1 || !IsAddress(v))
            return Refuse("Bad address");
        p.hosts[3] = v == "0.0.0.0" ? "" : v;
        return Done();
    }
    if (key == "destination") {
        if (n != 2 || !IsAddress(v) || !IsAddress(w[first + 2]))
            return Refuse("destination ADDRESS NETMASK");
        p.destination = v == "0.0.0.0" ? "" : v;
        p.destinationMask = w[first + 2] == "0.0.0.0" ? "" : w[first + 2];
        return Done();
    }
    if (key == "protocol") {
        if (n != 1 || (v != "ppp" && v != "slip"))
            return Refuse("protocol ppp|slip");
        p.flags = v == "ppp" ? (p.flags | 0x200) : (p.flags & ~0x200u);
        return Done();
    }
    if (key == "mtu")
        return integer(p.mtu, 0, 65535);
    if (key == "map") {
        if (n != 1 || !ToHex(v, &p.map))
            return Refuse("map HEX");
        return Done();
    }
    if (key == "compress")
        return onoff(0x100, true);
    if (key == "routing") {
        uint32_t bits;
        if (v == "broadcast")
            bits = 0x408;
        else if (v == "on")
            bits = 0x8;
        else if (v == "off")
            bits = 0x400;
        else if (v == "listen")
            bits = 0;
        else
            return Refuse("routing broadcast|on|off|listen");
        if (n != 1)
            return Refuse("routing broadcast|on|off|listen");
        p.flags = (p.flags & ~0x408u) | bits;
        return Done();
    }
    if (key == "ipxnet")
        return text(p.ipxnet, 19, false);
    if (key == "annex-d" || key == "lmi") {
        CommandResult r = integer(p.lmi, 0, 1023);
        if (r.ok)
            p.flags = key == "annex-d" ? (p.flags | 0x4000) : (p.flags & ~0x4000u);
        return r;
    }
    if (key == "override") {
        static const std::pair<const char*, int> table[] = {
            {"xon/xoff", 0x1}, {"speed", 0x2}, {"databits", 0x4}, {"parity", 0x10},
            {"parctl", 0x40}};
        if (n == 2)
            for (const auto& [word, bit] : table)
                if (v == word) {
                    if (!OnOffInt(w[first + 2], bit, true, &p.override))
                        break;
                    return Done();
                }
        return Refuse("override KEYWORD on|off");
    }
    if (key == "speed") {
        // "set S1 speed 1 115200" or, from 128000 on, "set S1 speed 1 128k"
        if (n != 2 || !ToInt(v, 1, 3, &num))
            return Refuse("speed 1-3 VALUE");
        std::string s = w[first + 2];
        long mult = 1;
        if (!s.empty() && (s.back() == 'k' || s.back() == 'K')) {
            mult = 1000;
            s.pop_back();
        }
        long value = 0;
        if (!ToInt(s, 0, 10000000, &value))
            return Refuse("Bad speed");
        p.speed[num - 1] = value * mult;
        return Done();
    }
    if (key == "parity")
        return text(p.parity, 7, false);
    if (key == "databits")
        return integer(p.databits, 5, 8);
    if (key == "stopbits")
        return integer(p.stopbits, 1, 2);
    if (key == "xon" || key == "rts") {
        if (n != 1 || !OnOffInt(v, key == "xon" ? 0x4 : 0x20, key == "rts", &p.lineFlags))
            return Refuse(key + " on|off");
        return Done();
    }
    if (key == "cd")
        return text(p.cd, 3, false);
    if (key == "term") {
        CommandResult r = text(p.term, 17, false);
        if (r.ok && p.term == "undefined")
            p.term.clear();
        return r;
    }
    if (key == "prompt")
        return text(p.prompt, 255, true);
    if (key == "username")
        return text(p.username, 9, false);
    if (key == "message")
        return text(p.message, 279, true);
    if (key == "dlci") {
        std::string list = rest(first + 1);
        if (list.size() + 5 > 279 || !Quotable(list))
            return Refuse("Bad DLCI list");
        p.message = "DLCI:" + list;
        return Done();
    }
    if (key == "group")
        return integer(p.group, 0, 255);
    if (key == "security")
        return onoff(0x1000, true);
    if (key == "hangup")
        return onoff(0x8000, false);
    if (key == "idletime") {
        bool seconds = n == 2 && w[first + 2] == "seconds";
        if ((n != 1 && !seconds) || !ToInt(v, 0, 1000000, &num))
            return Refuse("idletime N [seconds]");
        if (seconds && OldFirmware())
            return Refuse("Idle time in seconds not supported by this firmware");
        p.idle = static_cast<int>(seconds ? num : num * 60);
        return Done();
    }
    if (key == "ifilter")
        return text(p.ifilter, 17, false);
    if (key == "ofilter")
        return text(p.ofilter, 17, false);
    if (key == "access")
        return onoff(0x4000, true);
    if (key == "spid" || key == "directory") {
        if (p.kind != PortKind::Isdn)
            return Refuse("Not an ISDN port: " + p.name);
        // a SPID has up to 20 digits and a directory number up to 16: kept whole
        CommandResult r = key == "spid" ? text(p.spid, 20, false) : text(p.directory, 16, false);
        if (r.ok)
            Reevaluate(now);
        return r;
    }
    return Refuse("Unknown port setting: " + key);
}

CommandResult RouterModel::SetLocation(LocationSettings& l, const std::vector<std::string>& w,
                                       const std::string& line, size_t first) {
    std::vector<std::string> ws;
    std::vector<size_t> at;
    SplitWords(line, &ws, &at);
    auto rest = [&](size_t i) -> std::string { return i < at.size() ? line.substr(at[i]) : ""; };
    const std::string& key = w[first];
    size_t n = w.size() - first - 1;
    const std::string v = n >= 1 ? w[first + 1] : "";
    long num = 0;

    auto address = [&](std::string& field) -> CommandResult {
        if (n != 1 || !IsAddress(v))
            return Refuse("Bad address for " + key);
        field = v;
        return Done();
    };
    auto integer = [&](int& field, long lo, long hi) -> CommandResult {
        if (n != 1 || !ToInt(v, lo, hi, &num))
            return Refuse("Bad number for " + key);
        field = static_cast<int>(num);
        return Done();
    };
    auto flag2 = [&](int bit) -> CommandResult {
        if (n != 1 || !OnOffInt(v, bit, true, &l.flags2))
            return Refuse(key + " on|off");
        return Done();
    };
    auto text = [&](std::string& field, size_t max) -> CommandResult {
        std::string val = rest(first + 1);
        if (val.size() > max || !Quotable(val) || val.find('\x02') != std::string::npos)
            return Refuse("Bad value for " + key);
        field = val;
        return Done();
    };

    if (key == "dest")
        return address(l.dest);
    if (key == "netmask")
        return address(l.netmask);
    if (key == "ipxnet") {
        if (n != 1 || v.size() > 19)
            return Refuse("Bad value for ipxnet");
        l.ipxnet = v;
        return Done();
    }
    if (key == "group")
        return integer(l.group, 0, 255);
    if (key == "rout") {
        int bits;
        if (v == "off")
            bits = 0x41;
        else if (v == "listen")
            bits = 0x1;
        else if (v == "broadcast")
            bits = 0x40;
        else if (v == "on")
            bits = 0;
        else
            return Refuse("rout off|listen|broadcast|on");
        l.flags = (l.flags & ~0x41) | bits;
        return Done();
    }
    if ((key == "on_demand" || key == "continuous" || key == "manual") && n == 0) {
        l.flags &= ~0x6;
        if (key == "on_demand")
            l.flags |= 0x4;
        else if (key == "continuous")
            l.flags |= 0x2;
        return Done();
    }
    if (key == "protocol") {
        if (n != 1 || (v != "ppp" && v != "slip"))
            return Refuse("protocol ppp|slip");
        l.flags = v == "ppp" ? (l.flags | 0x20) : (l.flags & ~0x20);
        return Done();
    }
    if (key == "map") {
        if (n != 1 || !ToHex(v, &l.map))
            return Refuse("map HEX");
        return Done();
    }
    if (key == "compress") {
        if (n != 1 || !OnOffInt(v, 0x8, true, &l.flags))
            return Refuse("compress on|off");
        return Done();
    }
    if (key == "voice" || key == "multilink") {
        if (!NewFirmware())
            return Refuse("Not supported by this firmware: " + key);
        return flag2(key == "voice" ? 0x4 : 0x2);
    }
    if (key == "chap") {
        if (OldFirmware() || (!NewFirmware() && !cfg_.locationChap))
            return Refuse("CHAP per location not supported by this firmware");
        return flag2(0x40);
    }
    if (key == "mtu")
        return integer(l.mtu, 0, 65535);
    if (key == "idle") {
        bool seconds = n == 2 && w[first + 2] == "seconds";
        if ((n != 1 && !seconds) || !ToInt(v, 0, 1000000, &num))
            return Refuse("idle N [seconds]");
        if (seconds && OldFirmware())
            return Refuse("Idle time in seconds not supported by this firmware");
        l.idle = static_cast<int>(seconds ? num : num * 60);
        return Done();
    }
    if (key == "maxports")
        return integer(l.maxports, 0, 16);
    if (key == "high_water")
        return integer(l.highWater, 0, 1000000);
    if (key == "ifilter" || key == "ofilter") {
        if (n > 1 || v.size() > 17)
            return Refuse("Bad filter name");
        (key == "ifilter" ? l.ifilter : l.ofilter) = v;
        return Done();
    }
    if (key == "script" || key == "v25bis") {
        if (n < 1 || v != "all")
            return Refuse(key + " all TEXT");
        // "set isp script all " (nothing after "all") clears the script
        std::string val = rest(first + 2);
        if (val.size() > 255 || !Quotable(val))
            return Refuse("Bad value for " + key);
        (key == "script" ? l.script : l.v25bis) = val;
        return Done();
    }
    if (key == "username")
        return text(l.username, 39);
    if (key == "password")
        return text(l.password, 39);
    if (key == "telephone") {
        std::string val = rest(first + 1);
        size_t amp = val.find('&');
        std::string t1 = val.substr(0, amp);
        std::string t2 = amp == std::string::npos ? "" : val.substr(amp + 1);
        if (t1.size() > 39 || t2.size() > 39 || !Quotable(val) ||
            val.find('\x02') != std::string::npos)
            return Refuse("Bad telephone number");
        l.telephone = t1;
        l.telephone2 = t2;
        return Done();
    }
    return Refuse("Unknown location setting: " + key);
}

CommandResult RouterModel::SetFilter(int table, const std::vector<std::string>& w,
                                     const std::string& line) {
    if (w.size() < 4)
        return Refuse("set " + w[1] + " NAME blank|N RULE");
    auto it = running_.filters.find(w[2]);
    if (it == running_.filters.end())
        return Refuse("No such filter: " + w[2]);
    FilterSettings& f = it->second;
    if (w[3] == "blank" && w.size() == 4) {
        if (table == 0)
            f.ip.clear();
        else if (table == 1)
            f.ipx.clear();
        else
            f.sap.clear();
        return Done();
    }
    long number = 0;
    if (!ToInt(w[3], 1, static_cast<long>(kMaxRules), &number))
        return Refuse("Bad rule number");
    // the rule text follows the number
    std::vector<std::string> ws;
    std::vector<size_t> at;
    SplitWords(line, &ws, &at);
    std::string text = at.size() > 4 ? line.substr(at[4]) : "";
    std::string why;
    size_t index = static_cast<size_t>(number - 1);
    auto place = [&](auto& rules, const auto& rule) -> CommandResult {
        if (index > rules.size())
            return Refuse("Rule number out of order");
        if (index == rules.size())
            rules.push_back(rule);
        else
            rules[index] = rule;
        return Done();
    };
    if (table == 0) {
        IpRule r;
        if (!ParseIpRule(text, &r, &why))
            return Refuse("Bad filter rule: " + why);
        return place(f.ip, r);
    }
    if (table == 1) {
        IpxRule r;
        if (!ParseIpxRule(text, &r, &why))
            return Refuse("Bad IPX filter rule: " + why);
        return place(f.ipx, r);
    }
    SapRule r;
    if (!ParseSapRule(text, &r, &why))
        return Refuse("Bad SAP filter rule: " + why);
    return place(f.sap, r);
}

CommandResult RouterModel::Save(const std::vector<std::string>& w) {
    if (w.size() != 2)
        return Refuse("save address|location|filter|all|PORT");
    const std::string& what = w[1];
    if (what == "address") {
        saved_.global = running_.global;
    } else if (what == "location") {
        saved_.locations = running_.locations;
    } else if (what == "filter") {
        saved_.filters = running_.filters;
    } else if (what == "all") {
        saved_ = running_;
    } else {
        int port = PortIndex(what);
        if (port < 0)
            return Refuse("Nothing to save called " + what);
        saved_.ports[port] = running_.ports[port];
    }
    return Done();
}

CommandResult RouterModel::Reset(const std::vector<std::string>& w) {
    if (w.size() != 2)
        return Refuse("reset console|dialer|all");
    if (w[1] == "console") {
        console_.clear();
        return Done();
    }
    if (w[1] == "dialer" || w[1] == "all") {
        for (size_t i = 0; i < runtime_.size(); ++i)
            HangUp(static_cast<int>(i));
        if (w[1] == "all") {
            console_.clear();
            debug_ = 0;
        }
        return Done();
    }
    return Refuse("reset console|dialer|all");
}

CommandResult RouterModel::Dial(const std::vector<std::string>& w, long long now) {
    if (w.size() < 2 || w.size() > 3 || (w.size() == 3 && w[2] != "-x"))
        return Refuse("dial LOCATION [-x]");
    auto it = running_.locations.find(w[1]);
    if (it == running_.locations.end())
        return Refuse("No such location: " + w[1]);
    const LocationSettings& loc = it->second;
    int port = -1;
    for (size_t i = 0; i < running_.ports.size(); ++i) {
        const PortSettings& p = running_.ports[i];
        if (p.kind == PortKind::Isdn && runtime_[i].state == LineState::Idle &&
            (loc.group == 0 || p.group == loc.group)) {
            port = static_cast<int>(i);
            break;
        }
    }
    if (port < 0)
        return Refuse("No port available for " + loc.name);
    DialOutcome outcome;
    if (!cfg_.outcomes.empty())
        outcome = cfg_.outcomes[std::min(dials_, cfg_.outcomes.size() - 1)];
    ++dials_;
    if (outcome.kind == DialOutcome::Auth && cfg_.authOnlyWithChap && !(loc.flags2 & 0x40))
        outcome = DialOutcome{};
    PortRuntime& rt = runtime_[port];
    rt.state = LineState::Command;
    rt.until = now + Scaled(cfg_.connectMs);
    rt.outcome = outcome;
    rt.location = loc.name;
    rt.remote.clear();
    rt.reason = 0;
    rt.cause = 0;
    Console("dialing " + loc.name + " (" + loc.telephone + ") on " + running_.ports[port].name +
            "\n");
    Advance(now);
    return Done();
}

// ---------------------------------------------------------------------------------------------
// Records

std::string RouterModel::GlobalRecord(long long now) {
    Advance(now);
    const GlobalSettings& g = running_.global;
    bool registered = false;
    for (size_t i = 0; i < runtime_.size(); ++i)
        registered = registered || (running_.ports[i].kind == PortKind::Isdn &&
                                    runtime_[i].state != LineState::NoService &&
                                    runtime_[i].state != LineState::Registering);
    // the firmware flags an active switch with bit 0x40 of the switch index
    int isdnSwitch = g.isdnSwitch >= 0 && registered ? (g.isdnSwitch | 0x40) : g.isdnSwitch;

    std::string r = Fmt("quillet %s %s %s %s %d %s %s %s %s %s %s %s %u %d %s %s %d %s %s",
                        Addr(g.address).c_str(), Addr(g.hosts[0]).c_str(),
                        Addr(g.gateway).c_str(), Addr(g.netmask).c_str(),
                        static_cast<int>(running_.ports.size()), "Quillet", cfg_.model.c_str(),
                        Addr(g.hosts[1]).c_str(), Addr(g.hosts[2]).c_str(),
                        Addr(g.hosts[3]).c_str(), Addr(g.ypserver).c_str(), Q(g.domain).c_str(),
                        g.flags, g.telnet, Addr(g.loghost).c_str(), Addr(g.assigned).c_str(),
                        g.gatewayMetric, cfg_.version.c_str(), Q(g.ifilter).c_str());
    r += Fmt(" %s %s %s %s %d %s %d %d %d %d", Q(g.ofilter).c_str(), "none", "none",
             Word(g.ipxnet).c_str(), g.ipxframe, Word(g.ipxgateway).c_str(), g.ipxgatewayHops, 2,
             isdnSwitch, 0);
    if (OldFirmware())
        return r;
    r += Fmt(" %s %d %s %s %s %s %s %s %s", "BRI", 1, Q("").c_str(), Q("ISDN").c_str(),
             Q("Quillet OS " + cfg_.version).c_str(), Q("").c_str(), Q("").c_str(),
             Q("").c_str(), Q("").c_str());
    if (!NewFirmware())
        return r;
    r += Fmt(" %d %d %s %s", 0, cfg_.firmwareLevel, Q("").c_str(), Q("").c_str());
    return r;
}

std::string RouterModel::EtherRecord(int index) const {
    const GlobalSettings& g = running_.global;
    std::string hw = cfg_.hwaddr;
    if (index == 1 && hw.size() >= 2) {
        unsigned last = std::strtoul(hw.substr(hw.size() - 2).c_str(), nullptr, 16);
        hw = hw.substr(0, hw.size() - 2) + Fmt("%02X", (last + 1) & 0xFF);
    }
    std::string r;
    if (index == 0)
        r = Fmt("ether0 %s %s %u %s %s %s %d", Addr(g.address).c_str(), Addr(g.netmask).c_str(),
                g.flags & 0x2Du, Q(g.ifilter).c_str(), Q(g.ofilter).c_str(),
                Word(g.ipxnet).c_str(), g.ipxframe);
    else
        r = Fmt("ether1 %s %s %u %s %s %s %d", Addr(g.ether1Address).c_str(),
                Addr(g.ether1Netmask).c_str(), g.ether1Flags, Q(g.ether1Ifilter).c_str(),
                Q(g.ether1Ofilter).c_str(), Word(g.ether1Ipxnet).c_str(), g.ether1Ipxframe);
    if (!OldFirmware())
        r += " " + Q(hw);
    return r;
}

std::string RouterModel::PortRecord(int index, long long now) {
    Advance(now);
    const PortSettings& p = running_.ports[index];
    const PortRuntime& rt = runtime_[index];
    bool seconds = !OldFirmware() && cfg_.portFormats >= 5;
    uint32_t flags = p.flags | (seconds ? 0x80000u : 0u);
    std::string login = Fmt("%s@%d", ServiceName(p.loginService), p.loginPort);
    // a frame-relay line reports its LMI where a login port has its service port
    if (p.kind == PortKind::Sync && p.lmi > 0)
        login = Fmt("%s@%d", ServiceName(p.loginService), p.lmi);
    std::string device = Fmt("%s@%d", ServiceName(p.deviceService), p.devicePort);
    std::string destination = rt.state == LineState::Established ? rt.remote : p.destination;

    std::string r = Fmt("%s %s %d %d %s %s %s %s %d %d %d %ld %ld %ld %s %s %s %s %s %d %s %d %d "
                        "%s %s",
                        p.name.c_str(), "0", p.databits, p.stopbits, Dash(p.parity).c_str(),
                        Dash(p.cd).c_str(), p.type.c_str(), StateText(index).c_str(), 0, 0, 0,
                        p.speed[0], p.speed[1], p.speed[2], ("_" + p.device).c_str(),
                        Q(p.message).c_str(), "Unknown", "0", "-", 0, "0", 0, p.lineFlags, "-",
                        KindName(p.kind));
    if (cfg_.portFormats < 2)
        return r;
    r += Fmt(" %s %s %s %s %s %d %d %d %s %u %d %s %s %s", Addr(p.hosts[0]).c_str(),
             Addr(p.hosts[1]).c_str(), Addr(p.hosts[2]).c_str(), Addr(p.hosts[3]).c_str(),
             Q(p.term).c_str(), 0, 0, 0, Q(p.username).c_str(), flags, p.override,
             Q(PromptOut(p.prompt)).c_str(), "Velunor@1642", login.c_str());
    if (cfg_.portFormats < 3)
        return r;
    r += Fmt(" %s %s %s %s %s %s %s %d %d %d %d %x %d %d", "Velunor@1642", device.c_str(),
             Addr(destination).c_str(), Addr(p.destinationMask).c_str(), "none",
             Addr(p.hosts[3]).c_str(), Q("").c_str(), 0, p.group, p.mtu, 0, p.map, 0, 0);
    if (cfg_.portFormats < 4)
        return r;
    r += Fmt(" %s %s %d %d %s %s %s %s %s %d %d %d %d %d", "0", "0", 0, 0, Q(p.ifilter).c_str(),
             Q(p.ofilter).c_str(), Q("").c_str(), Q("").c_str(), Q("0").c_str(), p.idle / 60, 0,
             0, 0, 0);
    if (cfg_.portFormats < 5)
        return r;
    r += Fmt(" %s %s %s %d %d %d %s %x %x %x %d %d",
             p.kind == PortKind::Isdn ? "BRI" : "none", Q(p.spid).c_str(),
             Q(p.directory).c_str(), ClassCode(p.kind), 0, OldFirmware() ? -1 : 0, Q("").c_str(),
             0u, rt.reason, rt.cause, seconds ? p.idle : -1, 0);
    return r;
}

std::string RouterModel::StatusReply(const std::string& name, long long now) {
    if (name.empty())
        return GlobalRecord(now);
    if (name == "ether0" || name == "ether1")
        return EtherRecord(name[5] - '0');
    long index = 0;
    if (ToInt(name, 0, static_cast<long>(running_.ports.size()) - 1, &index))
        return PortRecord(static_cast<int>(index), now);
    return "eNo such record: " + name;
}

std::string RouterModel::LocationRecord(const LocationSettings& l) const {
    bool seconds = !OldFirmware() && cfg_.portFormats >= 5;
    std::string phone = l.telephone2.empty() ? l.telephone : l.telephone + "&" + l.telephone2;
    std::string account = "1\x02" + phone + "\x02" + l.username + "\x02" + l.password + "\x02";
    return Fmt("%s %s %s %d %d %d %d %d %s %d %x %s %s %s %s %s %x %d %s %s", l.name.c_str(),
               Addr(l.dest).c_str(), Addr(l.netmask).c_str(), l.group, l.flags,
               seconds ? l.idle : l.idle / 60, l.maxports, l.highWater, Q(l.script).c_str(),
               l.mtu, l.map, Q(l.ifilter).c_str(), Q(l.ofilter).c_str(), Word(l.ipxnet).c_str(),
               Q(l.v25bis).c_str(), Q(account).c_str(),
               static_cast<unsigned>(l.flags2 | (seconds ? 0x100 : 0)), 0, "-", "-");
}

std::vector<std::string> RouterModel::BigfiltRecords(const std::string& name,
                                                     const FilterSettings& f,
                                                     size_t fromRule) const {
    // one record from `fromRule` on, as many rules as fit (at least one)
    std::string r = Fmt("%s %d %d", name.c_str(), static_cast<int>(f.ip.size()),
                        static_cast<int>(f.ipx.size() + f.sap.size()));
    size_t limit = cfg_.bigfiltRulesPerReply > 0 ? static_cast<size_t>(cfg_.bigfiltRulesPerReply)
                                                 : f.ip.size();
    size_t sent = 0;
    for (size_t i = fromRule; i < f.ip.size() && sent < limit; ++i) {
        std::string rule = " |" + IpRuleFields(static_cast<int>(i + 1), f.ip[i]);
        if (sent > 0 && r.size() + rule.size() > kRecordRoom)
            break;
        r += rule;
        ++sent;
    }
    return {r + "\n"};
}

std::vector<std::string> RouterModel::TableReplies(const std::string& request, long long now) {
    Advance(now);
    std::vector<std::string> w;
    std::vector<size_t> at;
    SplitWords(request, &w, &at);
    if (w.empty())
        return {"eNo table named"};
    const std::string& table = w[0];
    long a = 0, b = 0;
    if (w.size() >= 2 && !ToInt(w[1], 0, 100000, &a))
        return {"eBad table position"};
    if (w.size() >= 3 && !ToInt(w[2], 0, 100000, &b))
        return {"eBad table position"};
    int chunk = cfg_.tableChunk;

    // the records of one table, all built; a chunk is then a slice of them
    std::vector<std::string> records;
    if (table == "location") {
        for (const auto& [name, l] : running_.locations)
            records.push_back(LocationRecord(l));
    } else if (table == "filters" || table == "ipxfilt" || table == "sapfilt") {
        for (const auto& [name, f] : running_.filters) {
            size_t count = table == "filters" ? f.ip.size()
                           : table == "ipxfilt" ? f.ipx.size()
                                                : f.sap.size();
            std::string r = Fmt("%s %d", name.c_str(), static_cast<int>(count));
            // the older tables have no continuation: rules that do not fit are left out
            for (size_t i = 0; i < count; ++i) {
                int num = static_cast<int>(i + 1);
                std::string rule = " |" + (table == "filters"   ? IpRuleFields(num, f.ip[i])
                                           : table == "ipxfilt" ? IpxRuleFields(num, f.ipx[i])
                                                                : SapRuleFields(num, f.sap[i]));
                if (r.size() + rule.size() > kRecordRoom)
                    break;
                r += rule;
            }
            records.push_back(r);
        }
    } else if (table == "bigfilt" && NewFirmware()) {
        std::vector<std::string> out;
        size_t total = running_.filters.size();
        size_t rules = 0;
        for (const auto& [name, f] : running_.filters)
            rules += f.ip.size();
        // a request for filter 0 starts over with the header, as a plain "bigfilt" does
        if (a == 0)
            out.push_back(Fmt("bigfilt %d %d %d", static_cast<int>(total),
                              static_cast<int>(rules), chunk));
        if (b > 0) {
            // rule continuation of filter a
            if (static_cast<size_t>(a) >= total)
                return {"eNo such filter"};
            auto it = std::next(running_.filters.begin(), a);
            if (static_cast<size_t>(b) >= it->second.ip.size())
                return {"eNo such rule"};
            for (std::string& r : BigfiltRecords(it->first, it->second, static_cast<size_t>(b)))
                out.push_back(r);
            return out;
        }
        size_t start = static_cast<size_t>(a);
        size_t count = chunk == 0 ? total : static_cast<size_t>(chunk);
        if (start > total || (start == total && total > 0))
            return {"eNo such filter"};
        auto it = std::next(running_.filters.begin(), static_cast<long>(start));
        for (size_t i = start; i < total && i < start + count; ++i, ++it)
            for (std::string& r : BigfiltRecords(it->first, it->second, 0))
                out.push_back(r);
        return out;
    } else {
        return {"eNo such table: " + table};
    }

    std::vector<std::string> out;
    size_t total = records.size();
    size_t count = chunk == 0 ? total : static_cast<size_t>(chunk);
    if (w.size() == 1)
        out.push_back(Fmt("%s %d %d", table.c_str(), static_cast<int>(total), chunk));
    size_t start = static_cast<size_t>(a);
    if (w.size() > 1 && start >= total)
        return {"eNo such record"};
    for (size_t i = start; i < total && i < start + count; ++i)
        out.push_back(records[i]);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Dump

namespace {

void DumpConfiguration(std::ostringstream& o, const Configuration& c) {
    const GlobalSettings& g = c.global;
    o << "global.address = " << g.address << "\n"
      << "global.netmask = " << g.netmask << "\n";
    for (int i = 0; i < 4; ++i)
        o << "global.host." << i + 1 << " = " << g.hosts[i] << "\n";
    o << "global.gateway = " << g.gateway << "\n"
      << "global.gateway_metric = " << g.gatewayMetric << "\n"
      << "global.ypserver = " << g.ypserver << "\n"
      << "global.domain = " << g.domain << "\n"
      << "global.flags = " << Fmt("0x%X", g.flags) << "\n"
      << "global.telnet = " << g.telnet << "\n"
      << "global.loghost = " << g.loghost << "\n"
      << "global.assigned = " << g.assigned << "\n"
      << "global.ifilter = " << g.ifilter << "\n"
      << "global.ofilter = " << g.ofilter << "\n"
      << "global.ipxnet = " << g.ipxnet << "\n"
      << "global.ipxframe = " << g.ipxframe << "\n"
      << "global.ipxgateway = " << g.ipxgateway << "\n"
      << "global.ipxgateway_hops = " << g.ipxgatewayHops << "\n"
      << "global.isdn = " << SwitchKeyword(g.isdnSwitch) << "\n"
      << "global.password = " << g.password << "\n"
      << "ether1.address = " << g.ether1Address << "\n"
      << "ether1.netmask = " << g.ether1Netmask << "\n"
      << "ether1.flags = " << Fmt("0x%X", g.ether1Flags) << "\n"
      << "ether1.ifilter = " << g.ether1Ifilter << "\n"
      << "ether1.ofilter = " << g.ether1Ofilter << "\n"
      << "ether1.ipxnet = " << g.ether1Ipxnet << "\n"
      << "ether1.ipxframe = " << g.ether1Ipxframe << "\n";
    for (const PortSettings& p : c.ports) {
        std::string k = "port." + p.name + ".";
        o << k << "kind = " << KindName(p.kind) << "\n"
          << k << "type = " << p.type << "\n"
          << k << "device = " << p.device << "\n"
          << k << "flags = " << Fmt("0x%X", p.flags) << "\n";
        for (int i = 0; i < 4; ++i)
            o << k << "host." << i + 1 << " = " << p.hosts[i] << "\n";
        for (int i = 0; i < 3; ++i)
            o << k << "speed." << i + 1 << " = " << p.speed[i] << "\n";
        o << k << "databits = " << p.databits << "\n"
          << k << "parity = " << p.parity << "\n"
          << k << "stopbits = " << p.stopbits << "\n"
          << k << "line_flags = " << Fmt("0x%X", p.lineFlags) << "\n"
          << k << "cd = " << p.cd << "\n"
          << k << "override = " << Fmt("0x%X", p.override) << "\n"
          << k << "term = " << p.term << "\n"
          << k << "prompt = " << p.prompt << "\n"
          << k << "username = " << p.username << "\n"
          << k << "message = " << p.message << "\n"
          << k << "login_service = " << p.loginService << " " << p.loginPort << "\n"
          << k << "device_service = " << p.deviceService << " " << p.devicePort << "\n"
          << k << "destination = " << p.destination << " " << p.destinationMask << "\n"
          << k << "group = " << p.group << "\n"
          << k << "mtu = " << p.mtu << "\n"
          << k << "map = " << Fmt("0x%X", p.map) << "\n"
          << k << "ifilter = " << p.ifilter << "\n"
          << k << "ofilter = " << p.ofilter << "\n"
          << k << "ipxnet = " << p.ipxnet << "\n"
          << k << "idle = " << p.idle << "\n"
          << k << "lmi = " << p.lmi << "\n"
          << k << "spid = " << p.spid << "\n"
          << k << "directory = " << p.directory << "\n";
    }
    for (const auto& [name, l] : c.locations) {
        std::string k = "location." + name + ".";
        o << k << "dest = " << l.dest << "\n"
          << k << "netmask = " << l.netmask << "\n"
          << k << "group = " << l.group << "\n"
          << k << "flags = " << Fmt("0x%X", l.flags) << "\n"
          << k << "flags2 = " << Fmt("0x%X", l.flags2) << "\n"
          << k << "idle = " << l.idle << "\n"
          << k << "maxports = " << l.maxports << "\n"
          << k << "high_water = " << l.highWater << "\n"
          << k << "mtu = " << l.mtu << "\n"
          << k << "map = " << Fmt("0x%X", l.map) << "\n"
          << k << "ifilter = " << l.ifilter << "\n"
          << k << "ofilter = " << l.ofilter << "\n"
          << k << "ipxnet = " << l.ipxnet << "\n"
          << k << "script = " << l.script << "\n"
          << k << "v25bis = " << l.v25bis << "\n"
          << k << "telephone = " << l.telephone << "\n"
          << k << "telephone2 = " << l.telephone2 << "\n"
          << k << "username = " << l.username << "\n"
          << k << "password = " << l.password << "\n";
    }
    for (const auto& [name, f] : c.filters) {
        std::string k = "filter." + name + ".";
        o << k << "rules = " << f.ip.size() << " " << f.ipx.size() << " " << f.sap.size()
          << "\n";
        for (size_t i = 0; i < f.ip.size(); ++i)
            o << k << "ip." << i + 1 << " = " << IpRuleText(f.ip[i]) << "\n";
        for (size_t i = 0; i < f.ipx.size(); ++i)
            o << k << "ipx." << i + 1 << " = " << IpxRuleText(f.ipx[i]) << "\n";
        for (size_t i = 0; i < f.sap.size(); ++i)
            o << k << "sap." << i + 1 << " = " << SapRuleText(f.sap[i]) << "\n";
    }
}

}  // namespace

std::string RouterModel::Dump() const {
    std::ostringstream o;
    o << "[running]\n";
    DumpConfiguration(o, running_);
    o << "[saved]\n";
    DumpConfiguration(o, saved_);
    o << "[state]\n";
    for (size_t i = 0; i < running_.ports.size(); ++i) {
        const PortRuntime& rt = runtime_[i];
        std::string k = "port." + running_.ports[i].name + ".";
        o << k << "state = " << StateText(static_cast<int>(i)) << "\n"
          << k << "remote = " << rt.remote << "\n"
          << k << "reason = " << rt.reason << "\n"
          << k << "cause = " << rt.cause << "\n";
    }
    o << "debug = " << Fmt("0x%X", debug_) << "\n"
      << "dials = " << dials_ << "\n";
    return o.str();
}

}  // namespace sim
