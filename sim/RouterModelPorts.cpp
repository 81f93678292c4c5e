// The ports and the ISDN lines: a port's defaults, "set <port>", a line's registration with
// the switch, and the port status record.
#include "sim/ModelText.h"

namespace sim {

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

} // namespace sim
