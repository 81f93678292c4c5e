// Global and Ethernet commands, the saves and the restart; the switch and frame-type
// keywords. Every builder compares a desired record with the current one, queues one
// "set" line per difference and commits the batch; the other groups are in vl_cmd_port,
// vl_cmd_location and vl_cmd_filter.
#include "cmdlib/vl.h"
#include "cmdlib/vl_internal.h"

#include <cstdio>
#include <cstring>

using vl_detail::BitsDiffer;
using vl_detail::Empty;
using vl_detail::Line;
using vl_detail::OnOff;
using vl_detail::RouteWord;
using vl_detail::Same;
using vl_detail::T;

namespace {

// The router's keyword of each switch index; 3 and 16 have none.
const char* const kSwitchNames[] = {
    "ni-1", "att-5ess", "dms-100", "", "att-5ess-ptp", "net3", "net3-swiss", "1tr6", "kdd",
    "ntt", "vn2", "vn3", "vn4", "vnp", "att-4ess", "net5", "", "net5-swiss",
};

// Route mode keyword from the RIP send and no-listen bits.
const char* RouteMode(uint32_t flags) {
    return RouteWord((flags & VL_GF_RIP_SEND) != 0, (flags & VL_GF_RIP_NO_LISTEN) != 0);
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
    if (BitsDiffer(des->flags, cur->flags, VL_GF_BROADCAST_HIGH))
        n += Line(cur, "set broadcast %s", (des->flags & VL_GF_BROADCAST_HIGH) ? "high" : "low");
    if (!Same(des->ypserver, cur->ypserver))
        n += Line(cur, "set ypserver %s", T(des->ypserver).c_str());
    if (!Same(des->domain, cur->domain))
        n += Line(cur, "set domain %s", T(des->domain).c_str());
    if (BitsDiffer(des->flags, cur->flags, VL_GF_DNS))
        n += Line(cur, "set namesvc %s", (des->flags & VL_GF_DNS) ? "dns" : "nis");
    // Until the ports were read (isdn_present -1) the switch type is still sent.
    if (cur->isdn_present != 0 && des->isdn_switch != cur->isdn_switch &&
        vl_isdn_switch_name(des->isdn_switch)[0] != '\0')
        n += Line(cur, "set isdn %s", vl_isdn_switch_name(des->isdn_switch));
    if (password != nullptr)
        n += Line(cur, "set password %s", password);
    if (BitsDiffer(des->flags, cur->flags, VL_GF_RIP_SEND | VL_GF_RIP_NO_LISTEN))
        n += Line(cur, "set route %s", RouteMode(des->flags));
    if (BitsDiffer(des->flags, cur->flags, VL_GF_DEFAULT_SEND | VL_GF_DEFAULT_LISTEN)) {
        const bool send = (des->flags & VL_GF_DEFAULT_SEND) != 0;
        const bool listen = (des->flags & VL_GF_DEFAULT_LISTEN) != 0;
        n += Line(cur, "set default %s",
                  send && listen ? "on" : send ? "broadcast" : listen ? "listen" : "off");
    }
    if (BitsDiffer(des->flags, cur->flags, VL_GF_SLIP))
        n += Line(cur, "set slip %s", OnOff(des->flags & VL_GF_SLIP));
    if (BitsDiffer(des->flags, cur->flags, VL_GF_ETHER_DOWN))
        n += Line(cur, "set ethernet %s", (des->flags & VL_GF_ETHER_DOWN) ? "down" : "up");
    if (BitsDiffer(des->flags, cur->flags, VL_GF_SNMP))
        n += Line(cur, "set snmp %s", OnOff(des->flags & VL_GF_SNMP));
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
    if (vl_has_pap(cur) && BitsDiffer(des->flags, cur->flags, VL_GF_PAP_OFF))
        n += Line(cur, "set pap %s", (des->flags & VL_GF_PAP_OFF) ? "off" : "on");
    if (vl_has_chap(cur) && BitsDiffer(des->flags, cur->flags, VL_GF_CHAP_OFF))
        n += Line(cur, "set chap %s", (des->flags & VL_GF_CHAP_OFF) ? "off" : "on");
    if (vl_has_serial_admin(cur) && BitsDiffer(des->flags, cur->flags, VL_GF_SERIAL_ADMIN_OFF))
        n += Line(cur, "set serial-admin %s", (des->flags & VL_GF_SERIAL_ADMIN_OFF) ? "off" : "on");
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
    if (BitsDiffer(df, cf, VL_GF_BROADCAST_HIGH))
        n += Line(r, "set %s broadcast %s", ifname, (df & VL_GF_BROADCAST_HIGH) ? "high" : "low");
    if (BitsDiffer(df, cf, VL_GF_RIP_SEND | VL_GF_RIP_NO_LISTEN))
        n += Line(r, "set %s route %s", ifname, RouteMode(df));
    if (BitsDiffer(df, cf, VL_GF_ETHER_DOWN))
        n += Line(r, "set %s %s", ifname, (df & VL_GF_ETHER_DOWN) ? "down" : "up");
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
