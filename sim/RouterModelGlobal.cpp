// The global settings and the Ethernet interfaces: "set" of a global keyword, "set ether0|1",
// and the global and Ethernet status records.
#include "sim/ModelText.h"

#include <cstdlib>

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

} // namespace

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

bool IsGlobalKeyword(const std::string& w) {
    for (const char* k : kGlobalKeywords)
        if (w == k)
            return true;
    return false;
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
        r += Fmt(" %s", Q(hw).c_str());
    return r;
}

} // namespace sim
