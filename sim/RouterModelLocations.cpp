// Locations and the dialer: "add|delete location", "set <location>", "dial", calls that
// come up or fail as time passes, and the location table's record.
#include "sim/ModelText.h"

#include <algorithm>

namespace sim {

namespace {

constexpr size_t kMaxLocations = 32;

} // namespace

CommandResult RouterModel::AddLocation(const std::string& name) {
    if (name.size() > 15)
        return Refuse("Location name too long");
    if (running_.locations.count(name))
        return Refuse("Location exists: " + name);
    if (PortIndex(name) >= 0 || name == "ether0" || name == "ether1")
        return Refuse("Name in use: " + name);
    if (IsGlobalKeyword(name))
        return Refuse("Name in use: " + name);
    if (running_.locations.size() >= kMaxLocations)
        return Refuse("Location table full");
    LocationSettings l;
    l.name = name;
    running_.locations[name] = l;
    return Done();
}

CommandResult RouterModel::DeleteLocation(const std::string& name) {
    if (!running_.locations.erase(name))
        return Refuse("No such location: " + name);
    for (size_t i = 0; i < runtime_.size(); ++i)
        if (runtime_[i].location == name)
            HangUp(static_cast<int>(i));
    return Done();
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

} // namespace sim
