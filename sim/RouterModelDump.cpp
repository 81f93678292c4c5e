// The configuration dump: the running and the saved configuration and the lines' state as
// "key = value" lines, for tests and for a person comparing two moments of a router. Every
// setting a client can change or read back is here, in a fixed order, so two dumps of the
// same configuration are the same text.
#include "sim/ModelText.h"

namespace sim {

namespace {

// A client's text may hold any byte but NUL: a line break or a control byte in it must not
// start a line of its own (or pass for another key), so they and the backslash are escaped.
std::string Escaped(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || c == 0x7F)
            out += Fmt("\\x%02X", c);
        else
            out += static_cast<char>(c);
    }
    return out;
}

// The rule's fields as the filter tables send them, without the rule's number: what a client
// reads back, to the bit (the rule text alone cannot show every flag combination).
std::string RuleFields(const std::string& withNumber) {
    return withNumber.substr(withNumber.find(' ') + 1);
}

class Lines {
public:
    explicit Lines(std::string& out) : out_(out) {}
    void Prefix(const std::string& prefix) { prefix_ = prefix; }
    void Put(const std::string& key, const std::string& value) {
        out_ += prefix_ + key + " = " + Escaped(value) + "\n";
    }
    void Put(const std::string& key, long long n) { Put(key, std::to_string(n)); }
    void Hex(const std::string& key, unsigned long n) { Put(key, Fmt("0x%lX", n)); }

private:
    std::string& out_;
    std::string prefix_;
};

void DumpGlobal(Lines& o, const GlobalSettings& g) {
    o.Prefix("global.");
    o.Put("address", g.address);
    o.Put("netmask", g.netmask);
    for (int i = 0; i < 4; ++i)
        o.Put("host." + std::to_string(i + 1), g.hosts[i]);
    o.Put("gateway", g.gateway);
    o.Put("gateway_metric", g.gatewayMetric);
    o.Put("ypserver", g.ypserver);
    o.Put("domain", g.domain);
    o.Hex("flags", g.flags);
    o.Put("telnet", g.telnet);
    o.Put("loghost", g.loghost);
    o.Put("assigned", g.assigned);
    o.Put("ifilter", g.ifilter);
    o.Put("ofilter", g.ofilter);
    o.Put("ipxnet", g.ipxnet);
    o.Put("ipxframe", g.ipxframe);
    o.Put("ipxgateway", g.ipxgateway);
    o.Put("ipxgateway_hops", g.ipxgatewayHops);
    o.Put("isdn", SwitchKeyword(g.isdnSwitch));
    o.Put("password", g.password);
    o.Prefix("ether1.");
    o.Put("address", g.ether1Address);
    o.Put("netmask", g.ether1Netmask);
    o.Hex("flags", g.ether1Flags);
    o.Put("ifilter", g.ether1Ifilter);
    o.Put("ofilter", g.ether1Ofilter);
    o.Put("ipxnet", g.ether1Ipxnet);
    o.Put("ipxframe", g.ether1Ipxframe);
}

void DumpPort(Lines& o, const PortSettings& p) {
    o.Prefix("port." + Escaped(p.name) + ".");
    o.Put("kind", KindName(p.kind));
    o.Put("type", p.type);
    o.Put("device", p.device);
    o.Hex("flags", p.flags);
    for (int i = 0; i < 4; ++i)
        o.Put("host." + std::to_string(i + 1), p.hosts[i]);
    for (int i = 0; i < 3; ++i)
        o.Put("speed." + std::to_string(i + 1), p.speed[i]);
    o.Put("databits", p.databits);
    o.Put("parity", p.parity);
    o.Put("stopbits", p.stopbits);
    o.Hex("line_flags", static_cast<unsigned>(p.lineFlags));
    o.Put("cd", p.cd);
    o.Hex("override", static_cast<unsigned>(p.override));
    o.Put("term", p.term);
    o.Put("prompt", p.prompt);
    o.Put("username", p.username);
    o.Put("message", p.message);
    o.Put("login_service", Fmt("%d %d", p.loginService, p.loginPort));
    o.Put("device_service", Fmt("%d %d", p.deviceService, p.devicePort));
    o.Put("destination", p.destination + " " + p.destinationMask);
    o.Put("group", p.group);
    o.Put("mtu", p.mtu);
    o.Hex("map", p.map);
    o.Put("ifilter", p.ifilter);
    o.Put("ofilter", p.ofilter);
    o.Put("ipxnet", p.ipxnet);
    o.Put("idle", p.idle);
    o.Put("lmi", p.lmi);
    o.Put("spid", p.spid);
    o.Put("directory", p.directory);
}

void DumpLocation(Lines& o, const LocationSettings& l) {
    o.Prefix("location." + Escaped(l.name) + ".");
    o.Put("dest", l.dest);
    o.Put("netmask", l.netmask);
    o.Put("group", l.group);
    o.Hex("flags", static_cast<unsigned>(l.flags));
    o.Hex("flags2", static_cast<unsigned>(l.flags2));
    o.Put("idle", l.idle);
    o.Put("maxports", l.maxports);
    o.Put("high_water", l.highWater);
    o.Put("mtu", l.mtu);
    o.Hex("map", l.map);
    o.Put("ifilter", l.ifilter);
    o.Put("ofilter", l.ofilter);
    o.Put("ipxnet", l.ipxnet);
    o.Put("script", l.script);
    o.Put("v25bis", l.v25bis);
    o.Put("telephone", l.telephone);
    o.Put("telephone2", l.telephone2);
    o.Put("username", l.username);
    o.Put("password", l.password);
}

void DumpFilter(Lines& o, const std::string& name, const FilterSettings& f) {
    o.Prefix("filter." + Escaped(name) + ".");
    o.Put("rules", Fmt("%zu %zu %zu", f.ip.size(), f.ipx.size(), f.sap.size()));
    for (size_t i = 0; i < f.ip.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        o.Put("ip." + n, IpRuleText(f.ip[i]));
        o.Put("ip." + n + ".fields", RuleFields(IpRuleFields(1, f.ip[i])));
    }
    for (size_t i = 0; i < f.ipx.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        o.Put("ipx." + n, IpxRuleText(f.ipx[i]));
        o.Put("ipx." + n + ".fields", RuleFields(IpxRuleFields(1, f.ipx[i])));
    }
    for (size_t i = 0; i < f.sap.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        o.Put("sap." + n, SapRuleText(f.sap[i]));
        o.Put("sap." + n + ".fields", RuleFields(SapRuleFields(1, f.sap[i])));
    }
}

void DumpConfiguration(Lines& o, const Configuration& c) {
    DumpGlobal(o, c.global);
    for (const PortSettings& p : c.ports)
        DumpPort(o, p);
    for (const auto& [name, l] : c.locations)
        DumpLocation(o, l);
    for (const auto& [name, f] : c.filters)
        DumpFilter(o, name, f);
}

} // namespace

std::string RouterModel::Dump() const {
    std::string text;
    Lines o(text);
    text += "[running]\n";
    DumpConfiguration(o, running_);
    text += "[saved]\n";
    DumpConfiguration(o, saved_);
    text += "[state]\n";
    for (size_t i = 0; i < running_.ports.size(); ++i) {
        const PortRuntime& rt = runtime_[i];
        o.Prefix("port." + Escaped(running_.ports[i].name) + ".");
        o.Put("state", StateText(static_cast<int>(i)));
        o.Put("remote", rt.remote);
        o.Put("reason", rt.reason);
        o.Put("cause", rt.cause);
    }
    o.Prefix("");
    o.Hex("debug", debug_);
    o.Put("dials", static_cast<long long>(dials_));
    return text;
}

} // namespace sim