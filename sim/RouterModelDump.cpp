// The configuration dump: the running and the saved configuration and the lines' state as
// "key = value" lines, for tests and for a person comparing two moments of a router.
#include "sim/ModelText.h"

#include <sstream>

namespace sim {

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
