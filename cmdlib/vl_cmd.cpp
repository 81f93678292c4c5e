// Command builders: each compares a desired record with the current one, queues one
// "set" line per difference and commits the batch.
#include "cmdlib/vl.h"
#include "cmdlib/vl_internal.h"

#include <cstdio>
#include <cstring>

using vl_detail::Empty;
using vl_detail::Line;
using vl_detail::Same;
using vl_detail::T;

namespace {

const char* const kSwitchNames[] = {
    "ni-1", "att-5ess", "dms-100", "", "att-5ess-ptp", "net3", "net3-swiss", "1tr6", "kdd",
    "ntt", "vn2", "vn3", "vn4", "vnp", "att-4ess", "net5", "", "net5-swiss",
};

bool BitsDiffer(uint32_t a, uint32_t b, uint32_t mask) { return ((a ^ b) & mask) != 0; }

const char* OnOff(bool on) { return on ? "on" : "off"; }

// Route mode keyword from the RIP send (0x1) and no-listen (0x20) bits.
const char* RouteMode(uint32_t flags) {
    const bool send = (flags & 0x1) != 0;
    const bool deaf = (flags & 0x20) != 0;
    if (send && deaf)
        return "broadcast";
    if (send)
        return "on";
    if (deaf)
        return "off";
    return "listen";
}

// "set ipxgateway 0 1" when the gateway text reads as the number 0 (atoi rules).
bool ReadsAsZero(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v')
        ++p;
    if (*p == '+' || *p == '-')
        ++p;
    while (*p == '0')
        ++p;
    return !(*p >= '1' && *p <= '9');
}

} // namespace

const char* vl_isdn_switch_name(int index) {
    if (index < 0 || index >= static_cast<int>(sizeof kSwitchNames / sizeof kSwitchNames[0]))
        return "";
    return kSwitchNames[index];
}

const char* vl_ipxframe_name(int code) {
    switch (code) {
    case 1: return "ethernet_802.2";
    case 2: return "ethernet_802.3";
    case 3: return "ethernet_ii";
    default: return "ethernet_802.2_ii";
    }
}

int vl_has_pap(const VlRouter* r) { return r == nullptr ? 0 : static_cast<int>(r->capabilities & VL_CAP_PAP); }
int vl_has_location_chap(const VlRouter* r) { return r == nullptr ? 0 : static_cast<int>(r->capabilities & VL_CAP_LOCATION_CHAP); }
int vl_has_voice(const VlRouter* r) { return r == nullptr ? 0 : static_cast<int>(r->capabilities & VL_CAP_VOICE); }
int vl_has_multilink(const VlRouter* r) { return r == nullptr ? 0 : static_cast<int>(r->capabilities & VL_CAP_MULTILINK); }
int vl_has_serial_admin(const VlRouter* r) { return r == nullptr ? 0 : static_cast<int>(r->capabilities & VL_CAP_SERIAL_ADMIN); }
int vl_has_idle_seconds(const VlRouter* r) { return r == nullptr ? 0 : static_cast<int>(r->capabilities & VL_CAP_IDLE_SECONDS); }
int vl_has_chap(const VlRouter* r) { return r == nullptr ? 0 : static_cast<int>(r->capabilities & VL_CAP_CHAP); }

/* Global settings: one line per difference, the address and the password always. */
int vl_set_global(VlRouter* cur, const VlRouter* des, const char* password) {
    if (cur == nullptr || des == nullptr)
        return -1;
    int n = 0;
    n += Line(cur, "set address %s", T(des->address).c_str());
    for (int h = 4; h >= 1; --h)
        if (!Same(des->host[h - 1], cur->host[h - 1]))
            n += Line(cur, "set host %d %s", h, T(des->host[h - 1]).c_str());
    if (!Same(des->gateway, cur->gateway) || des->gateway_metric != cur->gateway_metric) {
        if (des->gateway_metric > 1)
            n += Line(cur, "set gateway %s %u", T(des->gateway).c_str(),
                      static_cast<unsigned>(des->gateway_metric));
        else
            n += Line(cur, "set gateway %s", T(des->gateway).c_str());
    }
    if (!Same(des->netmask, cur->netmask))
        n += Line(cur, "set netmask %s", T(des->netmask).c_str());
    if (BitsDiffer(des->flags, cur->flags, 0x8))
        n += Line(cur, "set broadcast %s", (des->flags & 0x8) ? "high" : "low");
    if (!Same(des->ypserver, cur->ypserver))
        n += Line(cur, "set ypserver %s", T(des->ypserver).c_str());
    if (!Same(des->domain, cur->domain))
        n += Line(cur, "set domain %s", T(des->domain).c_str());
    if (BitsDiffer(des->flags, cur->flags, 0x200))
        n += Line(cur, "set namesvc %s", (des->flags & 0x200) ? "dns" : "nis");
    // Until the ports were read (isdn_present -1) the switch type is still sent.
    if (cur->isdn_present != 0 && des->isdn_switch != cur->isdn_switch &&
        vl_isdn_switch_name(des->isdn_switch)[0] != '\0')
        n += Line(cur, "set isdn %s", vl_isdn_switch_name(des->isdn_switch));
    if (password != nullptr)
        n += Line(cur, "set password %s", password);
    if (BitsDiffer(des->flags, cur->flags, 0x1 | 0x20))
        n += Line(cur, "set route %s", RouteMode(des->flags));
    if (BitsDiffer(des->flags, cur->flags, 0x40 | 0x80)) {
        const bool send = (des->flags & 0x40) != 0;
        const bool listen = (des->flags & 0x80) != 0;
        n += Line(cur, "set default %s",
                  send && listen ? "on" : send ? "broadcast" : listen ? "listen" : "off");
    }
    if (BitsDiffer(des->flags, cur->flags, 0x2))
        n += Line(cur, "set slip %s", OnOff(des->flags & 0x2));
    if (BitsDiffer(des->flags, cur->flags, 0x4))
        n += Line(cur, "set ethernet %s", (des->flags & 0x4) ? "down" : "up");
    if (BitsDiffer(des->flags, cur->flags, 0x10))
        n += Line(cur, "set snmp %s", OnOff(des->flags & 0x10));
    if (des->telnet != cur->telnet)
        n += Line(cur, "set telnet %d", des->telnet);
    if (!Same(des->loghost, cur->loghost))
        n += Line(cur, "set loghost %s", T(des->loghost).c_str());
    if (!Same(des->assigned, cur->assigned))
        n += Line(cur, "set assigned %s", Empty(des->assigned) ? "0.0.0.0" : T(des->assigned).c_str());
    if (!Same(des->ifilter, cur->ifilter))
        n += Line(cur, "set ifilter %s", T(des->ifilter).c_str());
    if (!Same(des->ofilter, cur->ofilter))
        n += Line(cur, "set ofilter %s", T(des->ofilter).c_str());
    if (!Same(des->ipxnet, cur->ipxnet))
        n += Line(cur, "set ipxnet %s", T(des->ipxnet).c_str());
    if (des->ipxframe != cur->ipxframe)
        n += Line(cur, "set ipxframe %s", vl_ipxframe_name(des->ipxframe));
    if (!Same(des->ipxgateway, cur->ipxgateway) || des->ipxgateway_hops != cur->ipxgateway_hops) {
        const std::string gw = T(des->ipxgateway);
        if (ReadsAsZero(gw.c_str()))
            n += Line(cur, "set ipxgateway 0 1");
        else if (des->ipxgateway_hops > 1)
            n += Line(cur, "set ipxgateway %s %u", gw.c_str(),
                      static_cast<unsigned>(des->ipxgateway_hops));
        else
            n += Line(cur, "set ipxgateway %s 1", gw.c_str());
    }
    // Older firmware rejects these outright, so they go only where the router has them.
    if (vl_has_pap(cur) && BitsDiffer(des->flags, cur->flags, 0x8000))
        n += Line(cur, "set pap %s", (des->flags & 0x8000) ? "off" : "on");
    if (vl_has_chap(cur) && BitsDiffer(des->flags, cur->flags, 0x20000))
        n += Line(cur, "set chap %s", (des->flags & 0x20000) ? "off" : "on");
    if (vl_has_serial_admin(cur) && BitsDiffer(des->flags, cur->flags, 0x40000))
        n += Line(cur, "set serial-admin %s", (des->flags & 0x40000) ? "off" : "on");
    return vl_commit(cur, n);
}

/* One Ethernet interface. */
int vl_set_ether(VlRouter* r, const char* ifname, const VlEther* cur, const VlEther* des) {
    if (r == nullptr || ifname == nullptr || cur == nullptr || des == nullptr)
        return -1;
    const uint32_t df = static_cast<uint32_t>(des->flags);
    const uint32_t cf = static_cast<uint32_t>(cur->flags);
    int n = 0;
    n += Line(r, "set %s address %s", ifname, T(des->address).c_str());
    if (!Same(des->netmask, cur->netmask))
        n += Line(r, "set %s netmask %s", ifname, T(des->netmask).c_str());
    if (BitsDiffer(df, cf, 0x8))
        n += Line(r, "set %s broadcast %s", ifname, (df & 0x8) ? "high" : "low");
    if (BitsDiffer(df, cf, 0x1 | 0x20))
        n += Line(r, "set %s route %s", ifname, RouteMode(df));
    if (BitsDiffer(df, cf, 0x4))
        n += Line(r, "set %s %s", ifname, (df & 0x4) ? "down" : "up");
    if (!Same(des->ifilter, cur->ifilter))
        n += Line(r, "set %s ifilter %s", ifname, T(des->ifilter).c_str());
    if (!Same(des->ofilter, cur->ofilter))
        n += Line(r, "set %s ofilter %s", ifname, T(des->ofilter).c_str());
    if (!Same(des->ipxnet, cur->ipxnet))
        n += Line(r, "set %s ipxnet %s", ifname, T(des->ipxnet).c_str());
    if (des->ipxframe != cur->ipxframe)
        n += Line(r, "set %s ipxframe %s", ifname, vl_ipxframe_name(des->ipxframe));
    return vl_commit(r, n);
}

int vl_reset_all(VlRouter* r) {
    vl_command(r, "reset all");
    return vl_commit(r, 1);
}

int vl_save(VlRouter* r, const char* what) {
    char line[80];
    std::snprintf(line, sizeof line, "save %s", what == nullptr ? "" : what);
    vl_command(r, line);
    return vl_commit(r, 1);
}

int vl_save_address(VlRouter* r) {
    vl_command(r, "save address");
    return vl_commit(r, 1);
}

/* Restarts the router; an accepted reboot ends the connection from our side. */
int vl_reboot(VlRouter* r) {
    vl_command(r, "reboot");
    if (vl_commit(r, 1) != 0)
        return -1;
    // A captured reboot restarts nothing: the connection stays for the reads after it.
    if (!vl_capturing())
        vl_close(r);
    return 0;
}

// ---- ports ----------------------------------------------------------------------------

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
    switch (flags & 0x30) {
    case 0x30: return "twoway";
    case 0x10: return "dialin";
    case 0x20: return "dialout";
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

/* One port: the lines for every setting that differs, then one commit. */
int vl_set_port(VlRouter* r, const char* name, const VlPort* cur, VlPort* des) {
    if (r == nullptr || name == nullptr || cur == nullptr || des == nullptr)
        return -1;
    const uint32_t df = des->flags;
    const uint32_t cf = cur->flags;
    int n = 0;

    if (BitsDiffer(df, cf, 0x2))
        n += Line(r, "set %s extended %s", name, OnOff(df & 0x2));
    if (des->login_service != cur->login_service || des->login_port != cur->login_port)
        n += Line(r, "set %s service_login %s %d", name, vl_service_name(des->login_service),
                  des->login_port);
    if (des->device_service != cur->device_service || des->device_port != cur->device_port)
        n += Line(r, "set %s service_device %s %d", name, vl_service_name(des->device_service),
                  des->device_port);

    // The router reports SLIP network ports as "Netwrk".
    std::string type = T(des->type);
    if (type == "Slip")
        type = "Netwrk";
    const std::string device = T(des->device);
    if (type == "PPP") {
        if (T(cur->type) != "PPP")
            n += Line(r, "set %s ppp", name);
    } else if (type != T(cur->type) || !Same(des->device, cur->device) ||
               BitsDiffer(df, cf, 0x30)) {
        int network = 0;
        const int kind = vl_port_type(type.c_str(), &network);
        const std::string slip =
            network ? std::string(" slip ") + vl_port_mode_name(df) : std::string();
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
    }

    const bool network_section = type == "PPP" || (type == "Netwrk" && (df & 0x30) == 0);
    if (!network_section) {
        bool host_lines_follow = true;
        if (!Same(des->host[0], cur->host[0]) || BitsDiffer(df, cf, 0x1)) {
            const std::string h1 = T(des->host[0]);
            if (df & 0x1) {
                n += Line(r, "set %s host prompt", name);
                host_lines_follow = false;
            } else if (h1.empty() || h1 == "0.0.0.0") {
                n += Line(r, "set %s host default", name);
                host_lines_follow = false;
            } else {
                n += Line(r, "set %s host %s", name, h1.c_str());
            }
        }
        if (host_lines_follow) {
            for (int h = 2; h <= 4; ++h) {
                if (!Same(des->host[h - 1], cur->host[h - 1])) {
                    const std::string text = T(des->host[h - 1]);
                    n += Line(r, "set %s host %d %s", name, h,
                              text.empty() ? "0.0.0.0" : text.c_str());
                }
            }
        }
    } else {
        if (!Same(des->host[3], cur->host[3]))
            n += Line(r, "set %s address %s", name, T(des->host[3]).c_str());
        if (!Same(des->destination, cur->destination) ||
            !Same(des->destination_mask, cur->destination_mask))
            n += Line(r, "set %s destination %s %s", name, T(des->destination).c_str(),
                      T(des->destination_mask).c_str());
        if (BitsDiffer(df, cf, 0x200))
            n += Line(r, "set %s protocol %s", name, (df & 0x200) ? "ppp" : "slip");
        if (des->mtu != cur->mtu)
            n += Line(r, "set %s mtu %d", name, des->mtu);
        if (des->map != cur->map)
            n += Line(r, "set %s map 0x%lx", name, static_cast<unsigned long>(des->map));
        if (BitsDiffer(df, cf, 0x100))
            n += Line(r, "set %s compress %s", name, OnOff(df & 0x100));
        if (BitsDiffer(df, cf, 0x8 | 0x400)) {
            const bool a = (df & 0x8) != 0;
            const bool b = (df & 0x400) != 0;
            n += Line(r, "set %s routing %s", name,
                      a && b ? "broadcast" : a ? "on" : b ? "off" : "listen");
        }
        if (!Same(des->ipxnet, cur->ipxnet))
            n += Line(r, "set %s ipxnet %s", name, T(des->ipxnet).c_str());
        if (des->lmi != cur->lmi)
            n += Line(r, "set %s %s %d", name, (df & 0x4000) ? "annex-d" : "lmi", des->lmi);
    }

    static const struct {
        const char* keyword;
        int32_t bit;
    } kOverrides[] = {
        {"xon/xoff", 0x1}, {"speed", 0x2}, {"databits", 0x4}, {"parity", 0x10}, {"parctl", 0x40},
    };
    for (const auto& o : kOverrides)
        if ((des->override ^ cur->override) & o.bit)
            n += Line(r, "set %s override %s %s", name, o.keyword, OnOff(des->override & o.bit));

    if (name[0] == 'S' || name[0] == 'W' || name[0] == 'C') {
        for (int i = 0; i < 3; ++i) {
            if (des->speed[i] == cur->speed[i])
                continue;
            // Codes for the two speeds the router's speed table cannot hold.
            if (des->speed[i] == 60000)
                des->speed[i] = 115200;
            else if (des->speed[i] == 60001)
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
            n += Line(r, "set %s xon %s", name, (des->line_flags & 0x4) ? "off" : "on");
            n += Line(r, "set %s rts %s", name, OnOff(des->line_flags & 0x20));
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
        if (BitsDiffer(df, cf, 0x1000))
            n += Line(r, "set %s security %s", name, OnOff(df & 0x1000));
        if (BitsDiffer(df, cf, 0x8000))
            n += Line(r, "set %s hangup %s", name, (df & 0x8000) ? "off" : "on");
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
        if (BitsDiffer(df, cf, 0x4000))
            n += Line(r, "set %s access %s", name, OnOff(df & 0x4000));
    }

    if (des->port_type == 128) {
        if (!Same(des->spid, cur->spid))
            n += Line(r, "set %s spid %s", name, T(des->spid).c_str());
        if (!Same(des->directory, cur->directory))
            n += Line(r, "set %s directory %s", name, T(des->directory).c_str());
    }
    if (n == 0)
        return 2;
    return vl_commit(r, n);
}

// ---- locations ------------------------------------------------------------------------

/* One location: rename by replacement, else one line per difference. */
int vl_set_location(VlRouter* r, const VlLocation* cur, const VlLocation* des) {
    if (r == nullptr || cur == nullptr || des == nullptr)
        return -1;
    if (!Same(des->name, cur->name)) {
        if (vl_delete_location(r, T(cur->name).c_str()) != 0)
            return -1;
        // The new name already matching the router's defaults (2) is a finished rename.
        return vl_add_location(r, des) == -1 ? -1 : 0;
    }
    const std::string nm = T(des->name);
    const char* name = nm.c_str();
    const uint32_t df = static_cast<uint32_t>(des->flags);
    const uint32_t cf = static_cast<uint32_t>(cur->flags);
    const uint32_t df2 = static_cast<uint32_t>(des->flags2);
    const uint32_t cf2 = static_cast<uint32_t>(cur->flags2);
    int n = 0;

    if (!Same(des->dest, cur->dest))
        n += Line(r, "set %s dest %s", name, Empty(des->dest) ? "0.0.0.0" : T(des->dest).c_str());
    if (!Same(des->netmask, cur->netmask))
        n += Line(r, "set %s netmask %s", name,
                  Empty(des->netmask) ? "255.255.255.0" : T(des->netmask).c_str());
    if (!Same(des->ipxnet, cur->ipxnet))
        n += Line(r, "set %s ipxnet %s", name, Empty(des->ipxnet) ? "0.0.0.0" : T(des->ipxnet).c_str());
    if (des->group != cur->group)
        n += Line(r, "set %s group %d", name, des->group);
    if (BitsDiffer(df, cf, 0x1 | 0x40)) {
        const bool a = (df & 0x1) != 0;
        const bool b = (df & 0x40) != 0;
        n += Line(r, "set %s rout %s", name, a && b ? "off" : a ? "listen" : b ? "broadcast" : "on");
    }
    if (BitsDiffer(df, cf, 0x2 | 0x4))
        n += Line(r, "set %s %s", name,
                  (df & 0x4) ? "on_demand" : (df & 0x2) ? "continuous" : "manual");
    if (BitsDiffer(df, cf, 0x20)) {
        if (df & 0x20) {
            n += Line(r, "set %s protocol ppp", name);
            n += Line(r, "set %s map 0x%lx", name, static_cast<unsigned long>(des->map));
        } else {
            n += Line(r, "set %s protocol slip", name);
        }
    }
    if (BitsDiffer(df, cf, 0x8))
        n += Line(r, "set %s compress %s", name, OnOff(df & 0x8));
    if (vl_has_voice(r) && BitsDiffer(df2, cf2, 0x4))
        n += Line(r, "set %s voice %s", name, OnOff(df2 & 0x4));
    if (vl_has_location_chap(r) && BitsDiffer(df2, cf2, 0x40))
        n += Line(r, "set %s chap %s", name, OnOff(df2 & 0x40));
    if (vl_has_multilink(r) && BitsDiffer(df2, cf2, 0x2))
        n += Line(r, "set %s multilink %s", name, OnOff(df2 & 0x2));
    if (des->mtu != cur->mtu)
        n += Line(r, "set %s mtu %d", name, des->mtu);
    if (des->map != cur->map)
        n += Line(r, "set %s map 0x%lx", name, static_cast<unsigned long>(des->map));
    if (des->idle != cur->idle) {
        if (vl_has_idle_seconds(r) && des->idle <= 240)
            n += Line(r, "set %s idle %d seconds", name, des->idle);
        else
            n += Line(r, "set %s idle %d", name, des->idle / 60);
    }
    if (des->maxports != cur->maxports)
        n += Line(r, "set %s maxports %d", name, des->maxports);
    if (des->high_water != cur->high_water)
        n += Line(r, "set %s high_water %d", name, des->high_water);
    if ((Empty(des->ifilter) && !Empty(cur->ifilter)) || (Empty(des->ofilter) && !Empty(cur->ofilter))) {
        // A filter is only taken off by clearing both and setting back what stays.
        n += Line(r, "set %s ifilter", name);
        n += Line(r, "set %s ofilter", name);
        if (!Empty(des->ifilter))
            n += Line(r, "set %s ifilter %s", name, T(des->ifilter).c_str());
        if (!Empty(des->ofilter))
            n += Line(r, "set %s ofilter %s", name, T(des->ofilter).c_str());
    } else {
        if (!Same(des->ifilter, cur->ifilter))
            n += Line(r, "set %s ifilter %s", name, T(des->ifilter).c_str());
        if (!Same(des->ofilter, cur->ofilter))
            n += Line(r, "set %s ofilter %s", name, T(des->ofilter).c_str());
    }
    if (!Same(des->script, cur->script))
        n += Line(r, "set %s script all %s", name, T(des->script).c_str());
    if (!Same(des->v25bis, cur->v25bis)) {
        // A V.25bis dial string replaces the script, which must be cleared first.
        n += Line(r, "set %s script all ", name);
        n += Line(r, "set %s v25bis all %s", name, T(des->v25bis).c_str());
    }
    if (!Same(des->username, cur->username))
        n += Line(r, "set %s username %s", name, T(des->username).c_str());
    if (!Same(des->telephone, cur->telephone) || !Same(des->telephone2, cur->telephone2)) {
        if (Empty(des->telephone2))
            n += Line(r, "set %s telephone %s", name, T(des->telephone).c_str());
        else
            n += Line(r, "set %s telephone %s&%s", name, T(des->telephone).c_str(),
                      T(des->telephone2).c_str());
    }
    if (!Same(des->password, cur->password))
        n += Line(r, "set %s password %s", name, T(des->password).c_str());
    if (n == 0)
        return 2;
    return vl_commit(r, n);
}

// ---- filters --------------------------------------------------------------------------

namespace {

const char* ProtocolWord(int32_t protocol) {
    switch (protocol) {
    case 1: return "icmp";
    case 6: return "tcp";
    case 17: return "udp";
    default: return "unknown";
    }
}

const char* Compare(int32_t flags) {
    return (flags & 0x100) ? "lt" : (flags & 0x200) ? "gt" : "eq";
}

} // namespace

/* IP rule text as the router's filter command takes it. */
int vl_filter_text(char* out, const VlFilterRule* rule) {
    if (out == nullptr || rule == nullptr)
        return -1;
    const int32_t f = rule->flags;
    const char* action = (f & VL_RF_DENY) ? "deny" : "permit";
    char src[40] = "";
    char dst[40] = "";
    if (f & VL_RF_SRC_TEXT)
        std::snprintf(src, sizeof src, "%s", T(rule->src).c_str());
    else if (f & VL_RF_SRC)
        std::snprintf(src, sizeof src, "%s/%u", T(rule->src).c_str(), static_cast<unsigned>(rule->src_bits));
    if (f & VL_RF_DST_TEXT)
        std::snprintf(dst, sizeof dst, "%s", T(rule->dst).c_str());
    else if (f & VL_RF_DST)
        std::snprintf(dst, sizeof dst, "%s/%u", T(rule->dst).c_str(), static_cast<unsigned>(rule->dst_bits));
    const char* proto = (f & VL_RF_PROTOCOL) ? ProtocolWord(rule->protocol) : "";
    const bool icmp = rule->protocol == 1;
    const bool ports = rule->protocol == 6 || rule->protocol == 17;

    char src_port[40] = " ";
    if (icmp && (f & VL_RF_SRC_PORT))
        std::snprintf(src_port, sizeof src_port, " type %u", static_cast<unsigned>(rule->src_port));
    else if (ports && (f & VL_RF_SRC_PORT))
        std::snprintf(src_port, sizeof src_port, " %s%u ",
                      (f & VL_RF_SRC_LT) ? "src lt " : (f & VL_RF_SRC_GT) ? "src gt " : "src eq ",
                      static_cast<unsigned>(rule->src_port));
    std::string tail = " ";
    if (ports && (f & VL_RF_DST_PORT)) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%s%u",
                      (f & VL_RF_DST_LT) ? "dst lt " : (f & VL_RF_DST_GT) ? "dst gt " : "dst eq ",
                      static_cast<unsigned>(rule->dst_port));
        tail = buf;
    }
    if (ports && (f & VL_RF_ESTABLISHED))
        tail += " estab";
    if (f & VL_RF_LOG)
        tail += " log";
    if (f & VL_RF_NOTIFY)
        tail += " notify";

    if (src[0] == '\0' && dst[0] == '\0')
        std::snprintf(out, VL_RULE_TEXT_SIZE, "%-6.6s %s%s%s", action, proto, src_port, tail.c_str());
    else
        std::snprintf(out, VL_RULE_TEXT_SIZE, "%-6.6s %s %s %s%s%s", action,
                      src[0] ? src : "0.0.0.0/0", dst[0] ? dst : "0.0.0.0/0", proto, src_port,
                      tail.c_str());
    return 0;
}

int vl_ipxfilter_text(char* out, const VlIpxFilterRule* rule) {
    if (out == nullptr || rule == nullptr)
        return -1;
    const int32_t f = rule->flags;
    std::string t = (f & 0x40) ? "deny  " : "permit";
    char buf[64];
    if (f & 0x1)
        t += " srcnet " + T(rule->srcnet);
    if (f & 0x4)
        t += " srchost " + T(rule->srchost);
    if (f & 0x10) {
        std::snprintf(buf, sizeof buf, " srcsocket %s %04X", Compare(f), rule->srcsocket);
        t += buf;
    }
    if (f & 0x2)
        t += " dstnet " + T(rule->dstnet);
    if (f & 0x8)
        t += " dsthost " + T(rule->dsthost);
    if (f & 0x20) {
        std::snprintf(buf, sizeof buf, " dstsocket %s %04X", Compare(f), rule->dstsocket);
        t += buf;
    }
    vl_detail::Copy(out, VL_RULE_TEXT_SIZE, t.c_str());
    return 0;
}

int vl_sapfilter_text(char* out, const VlSapFilterRule* rule) {
    if (out == nullptr || rule == nullptr)
        return -1;
    const int32_t f = rule->flags;
    std::string t = (f & 0x40) ? "deny  " : "permit";
    char buf[64];
    if (f & 0x20) {
        std::snprintf(buf, sizeof buf, " service %X", rule->service);
        t += buf;
    }
    if (f & 0x1)
        t += " server " + T(rule->server);
    if (f & 0x2)
        t += " network " + T(rule->network);
    if (f & 0x4)
        t += " host " + T(rule->host);
    if (f & 0x10) {
        std::snprintf(buf, sizeof buf, " socket %s %04X", Compare(f), rule->socket);
        t += buf;
    }
    vl_detail::Copy(out, VL_RULE_TEXT_SIZE, t.c_str());
    return 0;
}

namespace {

// Filter lines are longer than most (name, number and a whole rule), so they are
// formatted in a buffer of their own.
int FilterLine(VlRouter* r, const char* format, const char* name, int number, const char* text) {
    char line[VL_CMD_LINE_SIZE];
    std::snprintf(line, sizeof line, format, name, number, text);
    vl_command(r, line);
    return 1;
}

int Blank(VlRouter* r, const char* format, const char* name) {
    char line[VL_CMD_LINE_SIZE];
    std::snprintf(line, sizeof line, format, name);
    vl_command(r, line);
    return vl_commit(r, 1);
}

} // namespace

/* Rewrites a filter from blank: every rule is sent again. */
int vl_set_filter(VlRouter* r, const VlFilter* cur, const VlFilter* des) {
    if (r == nullptr || cur == nullptr || des == nullptr)
        return -1;
    if (!Same(des->name, cur->name)) {
        if (vl_delete_filter(r, T(cur->name).c_str()) != 0)
            return -1;
        return vl_add_filter(r, des);
    }
    const std::string nm = T(des->name);
    const char* name = nm.c_str();
    if (Blank(r, "set filter %s blank", name) != 0)
        return -1;
    Blank(r, "set ipxfilter %s blank", name);
    Blank(r, "set sapfilter %s blank", name);

    bool failed = false;
    char text[VL_RULE_TEXT_SIZE];
    int n = 0;
    int i = 1;
    for (const VlFilterRule* rule = des->ip_rules; rule != nullptr && i <= des->ip_count;
         rule = rule->next, ++i) {
        vl_filter_text(text, rule);
        n += FilterLine(r, "set filter %s %d %s", name, i, text);
    }
    if (n > 0 && vl_commit(r, n) != 0)
        failed = true;
    n = 0;
    i = 1;
    for (const VlIpxFilterRule* rule = des->ipx_rules; rule != nullptr && i <= des->ipx_count;
         rule = rule->next, ++i) {
        vl_ipxfilter_text(text, rule);
        n += FilterLine(r, "set ipxfilter %s %d %s", name, i, text);
    }
    if (n > 0 && vl_commit(r, n) != 0)
        failed = true;
    n = 0;
    i = 1;
    for (const VlSapFilterRule* rule = des->sap_rules; rule != nullptr && i <= des->sap_count;
         rule = rule->next, ++i) {
        vl_sapfilter_text(text, rule);
        n += FilterLine(r, "set sapfilter %s %d %s", name, i, text);
    }
    if (n > 0 && vl_commit(r, n) != 0)
        failed = true;
    return failed ? -1 : 0;
}
