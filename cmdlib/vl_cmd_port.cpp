// Port commands: a port's type and services, its hosts or network link, the overrides,
// the serial line, and an ISDN port's line identifiers, each section as the router's
// "set PORT" commands group them.
#include "cmdlib/vl.h"
#include "cmdlib/vl_internal.h"

#include <cstring>

using vl_detail::BitsDiffer;
using vl_detail::Empty;
using vl_detail::Line;
using vl_detail::OnOff;
using vl_detail::RouteWord;
using vl_detail::Same;
using vl_detail::T;

int vl_port_type(const char* type, int* network) {
    int kind = 0;
    int net = 0;
    const char* p = type == nullptr ? "" : type;
    for (;;) {
        const char* end = std::strchr(p, '/');
        const size_t len = end == nullptr ? std::strlen(p) : static_cast<size_t>(end - p);
        if (len >= 5 && std::strncmp(p, "Login", 5) == 0)
            kind = 1;
        else if (len >= 6 && std::strncmp(p, "Device", 6) == 0)
            kind = 2;
        else if (len >= 6 && std::strncmp(p, "TwoWay", 6) == 0)
            kind = 3;
        if ((len >= 6 && std::strncmp(p, "Netwrk", 6) == 0) ||
            (len >= 3 && std::strncmp(p, "PPP", 3) == 0) ||
            (end == nullptr && std::strcmp(p, "Slip") == 0))
            net = 1;
        if (end == nullptr)
            break;
        p = end + 1;
    }
    if (network != nullptr)
        *network = net;
    return kind;
}

const char* vl_port_mode_name(uint32_t flags) {
    switch (flags & (VL_PF_DIALIN | VL_PF_DIALOUT)) {
    case VL_PF_DIALIN | VL_PF_DIALOUT: return "twoway";
    case VL_PF_DIALIN: return "dialin";
    case VL_PF_DIALOUT: return "dialout";
    default: return "hardwired";
    }
}

const char* vl_service_name(int service) {
    switch (service) {
    case 1: return "rlogin";
    case 2: return "telnet";
    case 3: return "netdata";
    default: return "velunor";
    }
}

namespace {

// Codes the reader gives the two speeds the router's speed table cannot hold.
constexpr int32_t kSpeed115200 = 60000;
constexpr int32_t kSpeed78600 = 60001;

// What the port is: extended, its services, and its type with the device and the
// dial-in/dial-out mode of a network port.
int TypeLines(VlRouter* r, const char* name, const VlPort* cur, const VlPort* des, const std::string& type) {
    const uint32_t df = des->flags;
    const uint32_t cf = cur->flags;
    int n = 0;
    if (BitsDiffer(df, cf, VL_PF_EXTENDED))
        n += Line(r, "set %s extended %s", name, OnOff(df & VL_PF_EXTENDED));
    if (des->login_service != cur->login_service || des->login_port != cur->login_port)
        n += Line(r, "set %s service_login %s %d", name, vl_service_name(des->login_service),
                  des->login_port);
    if (des->device_service != cur->device_service || des->device_port != cur->device_port)
        n += Line(r, "set %s service_device %s %d", name, vl_service_name(des->device_service),
                  des->device_port);
    const std::string device = T(des->device);
    if (type == "PPP") {
        if (T(cur->type) != "PPP")
            n += Line(r, "set %s ppp", name);
        return n;
    }
    if (type == T(cur->type) && Same(des->device, cur->device) &&
        !BitsDiffer(df, cf, VL_PF_DIALIN | VL_PF_DIALOUT))
        return n;
    int network = 0;
    const int kind = vl_port_type(type.c_str(), &network);
    const std::string slip = network ? std::string(" slip ") + vl_port_mode_name(df) : std::string();
    switch (kind) {
    case 2:
        if (name[0] == 'P' && device.empty())
            n += Line(r, "set %s disabled%s", name, slip.c_str());
        else
            n += Line(r, "set %s device %s%s", name, device.c_str(), slip.c_str());
        break;
    case 3:
        n += Line(r, "set %s twoway %s%s", name, device.c_str(), slip.c_str());
        break;
    case 1:
        n += Line(r, "set %s login%s", name, slip.c_str());
        break;
    default:
        n += Line(r, "set %s%s", name, slip.c_str());
        break;
    }
    return n;
}

// The hosts a login or device port offers.
int HostLines(VlRouter* r, const char* name, const VlPort* cur, const VlPort* des) {
    int n = 0;
    if (!Same(des->host[0], cur->host[0]) || BitsDiffer(des->flags, cur->flags, VL_PF_HOST_PROMPT)) {
        const std::string h1 = T(des->host[0]);
        // A prompt or the default host stands for all four: no lines for the others.
        if (des->flags & VL_PF_HOST_PROMPT)
            return n + Line(r, "set %s host prompt", name);
        if (h1.empty() || h1 == "0.0.0.0")
            return n + Line(r, "set %s host default", name);
        n += Line(r, "set %s host %s", name, h1.c_str());
    }
    for (int h = 2; h <= 4; ++h) {
        if (!Same(des->host[h - 1], cur->host[h - 1])) {
            const std::string text = T(des->host[h - 1]);
            n += Line(r, "set %s host %d %s", name, h, text.empty() ? "0.0.0.0" : text.c_str());
        }
    }
    return n;
}

// A network port's link: addresses, protocol, routing, IPX and frame relay.
int NetworkLines(VlRouter* r, const char* name, const VlPort* cur, const VlPort* des) {
    const uint32_t df = des->flags;
    const uint32_t cf = cur->flags;
    int n = 0;
    if (!Same(des->host[3], cur->host[3]))
        n += Line(r, "set %s address %s", name, T(des->host[3]).c_str());
    if (!Same(des->destination, cur->destination) || !Same(des->destination_mask, cur->destination_mask))
        n += Line(r, "set %s destination %s %s", name, T(des->destination).c_str(),
                  T(des->destination_mask).c_str());
    if (BitsDiffer(df, cf, VL_PF_PPP))
        n += Line(r, "set %s protocol %s", name, (df & VL_PF_PPP) ? "ppp" : "slip");
    if (des->mtu != cur->mtu)
        n += Line(r, "set %s mtu %d", name, des->mtu);
    if (des->map != cur->map)
        n += Line(r, "set %s map 0x%lx", name, static_cast<unsigned long>(des->map));
    if (BitsDiffer(df, cf, VL_PF_COMPRESS))
        n += Line(r, "set %s compress %s", name, OnOff(df & VL_PF_COMPRESS));
    if (BitsDiffer(df, cf, VL_PF_RIP_SEND | VL_PF_RIP_NO_LISTEN)) {
        const bool send = (df & VL_PF_RIP_SEND) != 0;
        const bool deaf = (df & VL_PF_RIP_NO_LISTEN) != 0;
        n += Line(r, "set %s routing %s", name, RouteWord(send, deaf));
    }
    if (!Same(des->ipxnet, cur->ipxnet))
        n += Line(r, "set %s ipxnet %s", name, T(des->ipxnet).c_str());
    if (des->lmi != cur->lmi)
        n += Line(r, "set %s %s %d", name, (df & VL_PF_ACCESS_ANNEXD) ? "annex-d" : "lmi", des->lmi);
    return n;
}

// What the port's user may change for a session.
int OverrideLines(VlRouter* r, const char* name, const VlPort* cur, const VlPort* des) {
    static const struct {
        const char* keyword;
        int32_t bit;
    } kOverrides[] = {
        {"xon/xoff", VL_OVERRIDE_XONXOFF}, {"speed", VL_OVERRIDE_SPEED}, {"databits", VL_OVERRIDE_DATABITS},
        {"parity", VL_OVERRIDE_PARITY},    {"parctl", VL_OVERRIDE_PARCTL},
    };
    int n = 0;
    for (const auto& o : kOverrides)
        if ((des->override ^ cur->override) & o.bit)
            n += Line(r, "set %s override %s %s", name, o.keyword, OnOff(des->override & o.bit));
    return n;
}

// The line of a serial, WAN or console port: speeds, framing, terminal, session limits.
// May rewrite the desired speed codes to the speeds they stand for.
int SerialLines(VlRouter* r, const char* name, const VlPort* cur, VlPort* des) {
    const uint32_t df = des->flags;
    const uint32_t cf = cur->flags;
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        if (des->speed[i] == cur->speed[i])
            continue;
        if (des->speed[i] == kSpeed115200)
            des->speed[i] = 115200;
        else if (des->speed[i] == kSpeed78600)
            des->speed[i] = 78600;
        const uint32_t v = static_cast<uint32_t>(des->speed[i]);
        if (des->speed[i] >= 128000)
            n += Line(r, "set %s speed %d %ldk", name, i + 1, static_cast<long>(v / 1000));
        else
            n += Line(r, "set %s speed %d %lu", name, i + 1, static_cast<unsigned long>(v));
    }
    if (!Same(des->parity, cur->parity))
        n += Line(r, "set %s parity %s", name, T(des->parity).c_str());
    if (des->databits != cur->databits)
        n += Line(r, "set %s databits %d", name, des->databits);
    if (des->stopbits != cur->stopbits)
        n += Line(r, "set %s stopbits %d", name, des->stopbits);
    if (des->line_flags != cur->line_flags) {
        n += Line(r, "set %s xon %s", name, (des->line_flags & VL_LINE_XON_OFF) ? "off" : "on");
        n += Line(r, "set %s rts %s", name, OnOff(des->line_flags & VL_LINE_RTS_ON));
    }
    if (!Same(des->cd, cur->cd))
        n += Line(r, "set %s cd %s", name, T(des->cd).c_str());
    if (!Same(des->term, cur->term)) {
        if (Empty(des->term))
            n += Line(r, "set %s term undefined", name);
        else
            n += Line(r, "set %s term %s", name, T(des->term).c_str());
    }
    if (!Same(des->prompt, cur->prompt)) {
        if (Empty(des->prompt))
            n += Line(r, "set %s prompt $hostname login: ", name);
        else
            n += Line(r, "set %s prompt %s", name, T(des->prompt).c_str());
    }
    if (!Same(des->username, cur->username))
        n += Line(r, "set %s username %s", name, T(des->username).c_str());
    if (!Same(des->message, cur->message)) {
        const std::string message = T(des->message);
        if (message.compare(0, 5, "DLCI:") == 0)
            n += Line(r, "set %s dlci %s", name, message.c_str() + 5);
        else
            n += Line(r, "set %s message %s", name, message.c_str());
    }
    if (des->group != cur->group)
        n += Line(r, "set %s group %d", name, des->group);
    if (BitsDiffer(df, cf, VL_PF_SECURITY))
        n += Line(r, "set %s security %s", name, OnOff(df & VL_PF_SECURITY));
    if (BitsDiffer(df, cf, VL_PF_HANGUP_OFF))
        n += Line(r, "set %s hangup %s", name, (df & VL_PF_HANGUP_OFF) ? "off" : "on");
    if (des->idle != cur->idle) {
        if (vl_has_idle_seconds(r) && des->idle <= 240)
            n += Line(r, "set %s idletime %d seconds", name, des->idle);
        else
            n += Line(r, "set %s idletime %d", name, des->idle / 60);
    }
    if (!Same(des->ifilter, cur->ifilter))
        n += Line(r, "set %s ifilter %s", name, T(des->ifilter).c_str());
    if (!Same(des->ofilter, cur->ofilter))
        n += Line(r, "set %s ofilter %s", name, T(des->ofilter).c_str());
    if (BitsDiffer(df, cf, VL_PF_ACCESS_ANNEXD))
        n += Line(r, "set %s access %s", name, OnOff(df & VL_PF_ACCESS_ANNEXD));
    return n;
}

// An ISDN port's line identifiers.
int IsdnLines(VlRouter* r, const char* name, const VlPort* cur, const VlPort* des) {
    int n = 0;
    if (!Same(des->spid, cur->spid))
        n += Line(r, "set %s spid %s", name, T(des->spid).c_str());
    if (!Same(des->directory, cur->directory))
        n += Line(r, "set %s directory %s", name, T(des->directory).c_str());
    return n;
}

} // namespace

/* One port: the lines for every setting that differs, section by section, then one commit. */
int vl_set_port(VlRouter* r, const char* name, const VlPort* cur, VlPort* des) {
    if (r == nullptr || name == nullptr || cur == nullptr || des == nullptr)
        return -1;
    // The router reports SLIP network ports as "Netwrk".
    std::string type = T(des->type);
    if (type == "Slip")
        type = "Netwrk";
    int n = TypeLines(r, name, cur, des, type);
    const bool network = type == "PPP" || (type == "Netwrk" && (des->flags & (VL_PF_DIALIN | VL_PF_DIALOUT)) == 0);
    n += network ? NetworkLines(r, name, cur, des) : HostLines(r, name, cur, des);
    n += OverrideLines(r, name, cur, des);
    if (name[0] == 'S' || name[0] == 'W' || name[0] == 'C')
        n += SerialLines(r, name, cur, des);
    if (des->port_type == VL_PORT_ISDN)
        n += IsdnLines(r, name, cur, des);
    if (n == 0)
        return 2;
    return vl_commit(r, n);
}
