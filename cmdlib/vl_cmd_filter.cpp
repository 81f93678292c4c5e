// Filter commands: the rule texts of the IP, IPX and SAP lists, and a filter rewritten
// from blank.
#include "cmdlib/vl.h"
#include "cmdlib/vl_internal.h"

#include <cstdio>
#include <string>

using vl_detail::Same;
using vl_detail::T;

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
    return (flags & VL_RF_LT) ? "lt" : (flags & VL_RF_GT) ? "gt" : "eq";
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
    std::string t = (f & VL_RF_DENY) ? "deny  " : "permit";
    char buf[64];
    if (f & VL_XF_SRCNET)
        t += " srcnet " + T(rule->srcnet);
    if (f & VL_XF_SRCHOST)
        t += " srchost " + T(rule->srchost);
    if (f & VL_XF_SRCSOCKET) {
        std::snprintf(buf, sizeof buf, " srcsocket %s %04X", Compare(f), rule->srcsocket);
        t += buf;
    }
    if (f & VL_XF_DSTNET)
        t += " dstnet " + T(rule->dstnet);
    if (f & VL_XF_DSTHOST)
        t += " dsthost " + T(rule->dsthost);
    if (f & VL_XF_DSTSOCKET) {
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
    std::string t = (f & VL_RF_DENY) ? "deny  " : "permit";
    char buf[64];
    if (f & VL_SF_SERVICE) {
        std::snprintf(buf, sizeof buf, " service %X", rule->service);
        t += buf;
    }
    if (f & VL_SF_SERVER)
        t += " server " + T(rule->server);
    if (f & VL_SF_NETWORK)
        t += " network " + T(rule->network);
    if (f & VL_SF_HOST)
        t += " host " + T(rule->host);
    if (f & VL_SF_SOCKET) {
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

// Sends the first `count` rules of one list, numbered from 1, and commits them as one
// batch. False when that commit failed.
template <class Rule>
bool SendRules(VlRouter* r, const char* format, const char* name, const Rule* rules, int count,
               int (*text_of)(char*, const Rule*)) {
    char text[VL_RULE_TEXT_SIZE];
    int n = 0;
    int i = 1;
    for (const Rule* rule = rules; rule != nullptr && i <= count; rule = rule->next, ++i) {
        text_of(text, rule);
        n += FilterLine(r, format, name, i, text);
    }
    return !(n > 0 && vl_commit(r, n) != 0);
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
    if (!SendRules(r, "set filter %s %d %s", name, des->ip_rules, des->ip_count, vl_filter_text))
        failed = true;
    if (!SendRules(r, "set ipxfilter %s %d %s", name, des->ipx_rules, des->ipx_count, vl_ipxfilter_text))
        failed = true;
    if (!SendRules(r, "set sapfilter %s %d %s", name, des->sap_rules, des->sap_count, vl_sapfilter_text))
        failed = true;
    return failed ? -1 : 0;
}
