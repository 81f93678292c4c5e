// Location commands: a location's settings, one line per difference, and a rename.
#include "cmdlib/vl.h"
#include "cmdlib/vl_internal.h"

using vl_detail::BitsDiffer;
using vl_detail::Empty;
using vl_detail::Line;
using vl_detail::OnOff;
using vl_detail::RouteWord;
using vl_detail::Same;
using vl_detail::T;

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
    if (BitsDiffer(df, cf, VL_LF_RIP_NO_SEND | VL_LF_RIP_NO_LISTEN)) {
        const bool quiet = (df & VL_LF_RIP_NO_SEND) != 0;
        const bool deaf = (df & VL_LF_RIP_NO_LISTEN) != 0;
        n += Line(r, "set %s rout %s", name, RouteWord(!quiet, deaf));
    }
    if (BitsDiffer(df, cf, VL_LF_CONTINUOUS | VL_LF_ON_DEMAND))
        n += Line(r, "set %s %s", name,
                  (df & VL_LF_ON_DEMAND) ? "on_demand" : (df & VL_LF_CONTINUOUS) ? "continuous" : "manual");
    if (BitsDiffer(df, cf, VL_LF_PPP)) {
        if (df & VL_LF_PPP) {
            n += Line(r, "set %s protocol ppp", name);
            n += Line(r, "set %s map 0x%lx", name, static_cast<unsigned long>(des->map));
        } else {
            n += Line(r, "set %s protocol slip", name);
        }
    }
    if (BitsDiffer(df, cf, VL_LF_COMPRESS))
        n += Line(r, "set %s compress %s", name, OnOff(df & VL_LF_COMPRESS));
    if (vl_has_voice(r) && BitsDiffer(df2, cf2, VL_LF2_VOICE))
        n += Line(r, "set %s voice %s", name, OnOff(df2 & VL_LF2_VOICE));
    if (vl_has_location_chap(r) && BitsDiffer(df2, cf2, VL_LF2_CHAP))
        n += Line(r, "set %s chap %s", name, OnOff(df2 & VL_LF2_CHAP));
    if (vl_has_multilink(r) && BitsDiffer(df2, cf2, VL_LF2_MULTILINK))
        n += Line(r, "set %s multilink %s", name, OnOff(df2 & VL_LF2_MULTILINK));
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
