// Adding, deleting and saving locations and filters, dialling, and the probe for
// per-location CHAP.
#include "cmdlib/vl.h"
#include "cmdlib/vl_internal.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The router keeps location names to 12 characters and filter names to 16.
constexpr size_t kMaxLocationName = 12;
constexpr size_t kMaxFilterName = 16;

bool NameFits(const char* name, size_t max) {
    return name != nullptr && name[0] != '\0' && strnlen(name, max + 1) <= max;
}

int One(VlRouter* r, const char* format, const char* name) {
    char line[VL_CMD_LINE_SIZE];
    std::snprintf(line, sizeof line, format, name);
    vl_command(r, line);
    return vl_commit(r, 1);
}

// What a Quillet gives a location it has just added. A captured add cannot ask the
// router, so the preview compares the desired location with these instead.
void NewLocationDefaults(VlLocation* l, const char* name) {
    std::memset(l, 0, sizeof *l);
    vl_detail::Copy(l->name, name);
    vl_detail::Copy(l->dest, "0.0.0.0");
    vl_detail::Copy(l->netmask, "255.255.255.0");
    vl_detail::Copy(l->ipxnet, "0");  // the router reports an unset IPX network as 0
    l->group = 1;
    l->flags = VL_LF_ON_DEMAND | VL_LF_COMPRESS | VL_LF_PPP;
    l->idle = 120;
    l->maxports = 1;
    l->mtu = 1500;
}

} // namespace

/* Creates a location and brings it from the router's defaults to the desired one. */
int vl_add_location(VlRouter* r, const VlLocation* des) {
    if (r == nullptr || des == nullptr)
        return -1;
    const std::string name = vl_detail::T(des->name);
    if (!NameFits(name.c_str(), kMaxLocationName))
        return -1;
    if (One(r, "add location %s", name.c_str()) != 0)
        return -1;
    if (vl_capturing()) {
        VlLocation fresh;
        NewLocationDefaults(&fresh, name.c_str());
        return vl_set_location(r, &fresh, des);
    }
    VlLocation* list = vl_read_locations(r);
    const VlLocation* current = nullptr;
    for (const VlLocation* l = list; l != nullptr; l = l->next)
        if (vl_detail::Same(l->name, des->name))
            current = l;
    // The router must list the location it just added; without it there is nothing
    // to compare with.
    int rc = current == nullptr ? -1 : vl_set_location(r, current, des);
    vl_free_locations(list);
    return rc;
}

int vl_delete_location(VlRouter* r, const char* name) {
    if (r == nullptr || !NameFits(name, kMaxLocationName))
        return -1;
    return One(r, "delete location %s", name);
}

/* Saves the locations; the dialer is reset so that they take effect. */
int vl_save_location(VlRouter* r) {
    vl_command(r, "save location");
    if (vl_commit(r, 1) != 0)
        return -1;
    vl_command(r, "reset dialer");
    vl_commit(r, 1);
    return 0;
}

int vl_dial(VlRouter* r, const char* name, int exclusive) {
    return One(r, exclusive ? "dial %s -x" : "dial %s", name == nullptr ? "" : name);
}

namespace {

// This connection's answer to the probe: -1 not asked yet, else 0 or 1.
int g_chap_answer = -1;
int g_chap_assumed = 0;

// The probe's answer without its three writes.
int ChapWithoutProbe(VlRouter* r) {
    g_chap_assumed = 0;
    if (g_chap_answer >= 0)
        return g_chap_answer;
    // Only firmware that takes CHAP per location can hold a location with it on.
    VlLocation* list = vl_read_locations(r);
    bool seen = false;
    for (const VlLocation* l = list; l != nullptr; l = l->next)
        seen = seen || (l->flags2 & VL_LF2_CHAP) != 0;
    vl_free_locations(list);
    if (seen)
        return 1;
    // The capability fields below CHAP on the ladder come with every firmware that
    // takes it; without them it is old firmware, which does not.
    g_chap_assumed = 1;
    return r->flags > 0xFFFF || r->status_text8[0] != '\0' || r->status_text4[0] != '\0' ||
           r->status_text7[0] != '\0' || r->status_num1 != -1;
}

} // namespace

void vl_detail::ForgetChapAnswer() {
    g_chap_answer = -1;
    g_chap_assumed = 0;
}

int vl_chap_assumed() { return g_chap_assumed; }

/* Tries CHAP on a temporary location: only firmware that knows it accepts the line. */
int vl_probe_location_chap(VlRouter* r) {
    if (r == nullptr)
        return 0;
    if (vl_read_only() || vl_capturing())
        return ChapWithoutProbe(r);
    char name[64] = "__xy__";
    VlLocation* list = vl_detail::ReadLocations(r, true);
    auto exists = [list](const char* candidate) {
        for (const VlLocation* l = list; l != nullptr; l = l->next)
            if (std::strncmp(l->name, candidate, sizeof l->name) == 0)
                return true;
        return false;
    };
    // Never touch a location the administrator made: lengthen the name until it is free.
    while (exists(name) && std::strlen(name) + 6 < sizeof name)
        std::strcat(name, "__xy__");
    vl_free_locations(list);
    char line[VL_CMD_LINE_SIZE];
    std::snprintf(line, sizeof line, "add loc %s", name);
    vl_command(r, line);
    vl_commit(r, 1);
    std::snprintf(line, sizeof line, "set loc %s chap on", name);
    vl_command(r, line);
    const bool accepted = vl_commit(r, 1) == 0;
    std::snprintf(line, sizeof line, "del loc %s", name);
    vl_command(r, line);
    vl_commit(r, 1);
    g_chap_answer = accepted ? 1 : 0;
    return g_chap_answer;
}

// ---- filters --------------------------------------------------------------------------

/* Creates a filter and writes its rules. */
int vl_add_filter(VlRouter* r, const VlFilter* des) {
    if (r == nullptr || des == nullptr)
        return -1;
    const std::string name = vl_detail::T(des->name);
    if (!NameFits(name.c_str(), kMaxFilterName))
        return -1;
    if (One(r, "add filter %s", name.c_str()) != 0)
        return -1;
    VlFilter empty{};
    vl_detail::Copy(empty.name, name.c_str());
    return vl_set_filter(r, &empty, des);
}

int vl_delete_filter(VlRouter* r, const char* name) {
    if (r == nullptr || !NameFits(name, kMaxFilterName))
        return -1;
    return One(r, "delete filter %s", name);
}

int vl_save_filter(VlRouter* r) {
    vl_command(r, "save filter");
    return vl_commit(r, 1);
}
