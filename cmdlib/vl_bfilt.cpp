// Reading the router's filter tables: the newer "bigfilt" table, and the three older
// ones ("filters", "ipxfilt", "sapfilt") for firmware that does not know it.
#include "cmdlib/vl.h"
#include "cmdlib/vl_internal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

template <typename Rule>
void FreeRules(Rule* rule, int32_t count) {
    for (int32_t i = 0; rule != nullptr && i < count; ++i) {
        Rule* next = rule->next;
        std::free(rule);
        rule = next;
    }
}

const char* SkipBlanks(const char* p) {
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

VlFilter* NewFilter(const char* name) {
    VlFilter* f = vl_new_filter();
    if (f != nullptr)
        vl_detail::Copy(f->name, name);
    return f;
}

void FreeFilter(VlFilter* f) {
    if (f == nullptr)
        return;
    FreeRules(f->ip_rules, f->ip_count);
    FreeRules(f->ipx_rules, f->ipx_count);
    FreeRules(f->sap_rules, f->sap_count);
    std::free(f);
}

struct FilterRead {
    VlFilter* head = nullptr;
    int filters_read = 0;
};

// One record of the older IP table: "name count |rule |rule ...".
int OnFilter(void* ctx, VlRouter*, const char* text) {
    auto* read = static_cast<FilterRead*>(ctx);
    char name[sizeof(VlFilter::name)] = "";
    int32_t count = 0;
    const char* p = vl_scan(text, "%s %d", name, &count);
    VlFilter* f = NewFilter(name);
    if (f == nullptr)
        return -2;
    VlFilterRule** tail = &f->ip_rules;
    for (int32_t i = 0; i < count; ++i) {
        p = SkipBlanks(p);
        // Rules start with '|'; without one nothing more can be read from this record.
        if (*p != '|')
            break;
        VlFilterRule* rule = vl_new_filter_rule();
        if (rule == nullptr) {
            FreeFilter(f);
            return -2;
        }
        p = vl_scan(p + 1, "%d %d %s %d %s %d %d %d %d", &rule->number, &rule->flags, rule->src,
                    &rule->src_bits, rule->dst, &rule->dst_bits, &rule->protocol,
                    &rule->src_port, &rule->dst_port);
        *tail = rule;
        tail = &rule->next;
        ++f->ip_count;
    }
    vl_insert_filter(&read->head, f);
    ++read->filters_read;
    return 0;
}

VlFilter* FindFilter(VlFilter* list, const char* name) {
    for (VlFilter* f = list; f != nullptr; f = f->next)
        if (std::strncmp(f->name, name, sizeof f->name) == 0)
            return f;
    return nullptr;
}

// One record of the IPX or SAP table: "name count |rule |rule ...". The rules replace
// that list of the filter of that name; a name not in the list is read and dropped.
template <typename Rule, typename NewRule, typename ScanRule>
int AttachRules(void* ctx, const char* text, Rule* VlFilter::*rulesOf, int32_t VlFilter::*countOf,
                NewRule newRule, ScanRule scanRule) {
    auto* read = static_cast<FilterRead*>(ctx);
    char name[sizeof(VlFilter::name)] = "";
    int32_t count = 0;
    const char* p = vl_scan(text, "%s %d", name, &count);
    Rule* rules = nullptr;
    Rule** tail = &rules;
    int32_t n = 0;
    for (int32_t i = 0; i < count; ++i) {
        p = SkipBlanks(p);
        if (*p != '|')
            break;
        Rule* rule = newRule();
        if (rule == nullptr) {
            FreeRules(rules, n);
            return -2;
        }
        p = scanRule(p + 1, rule);
        *tail = rule;
        tail = &rule->next;
        ++n;
    }
    VlFilter* f = FindFilter(read->head, name);
    if (f == nullptr) {
        FreeRules(rules, n);
        return 0;
    }
    FreeRules(f->*rulesOf, f->*countOf);
    f->*rulesOf = rules;
    f->*countOf = n;
    return 0;
}

int OnIpxFilter(void* ctx, VlRouter*, const char* text) {
    return AttachRules(ctx, text, &VlFilter::ipx_rules, &VlFilter::ipx_count, vl_new_ipxfilter_rule,
                       [](const char* p, VlIpxFilterRule* rule) {
                           return vl_scan(p, "%d %d %s %s %x %s %s %x", &rule->number,
                                          &rule->flags, rule->srcnet, rule->srchost,
                                          &rule->srcsocket, rule->dstnet, rule->dsthost,
                                          &rule->dstsocket);
                       });
}

int OnSapFilter(void* ctx, VlRouter*, const char* text) {
    return AttachRules(ctx, text, &VlFilter::sap_rules, &VlFilter::sap_count, vl_new_sapfilter_rule,
                       [](const char* p, VlSapFilterRule* rule) {
                           return vl_scan(p, "%d %d %s %x %s %s %x", &rule->number, &rule->flags,
                                          rule->server, &rule->service, rule->network, rule->host,
                                          &rule->socket);
                       });
}

// One filter of the newer table. A long filter is continued on further replies, asked
// for with "bigfilt <filter index> <rules so far>".
int OnBigFilter(void* ctx, VlRouter* r, const char* text) {
    auto* read = static_cast<FilterRead*>(ctx);
    const int index = read->filters_read;
    char name[sizeof(VlFilter::name)] = "";
    int32_t count = 0, ignored = 0;
    const char* p = vl_scan(text, "%s %d %d", name, &count, &ignored);
    VlFilter* f = NewFilter(name);
    if (f == nullptr)
        return -2;
    VlFilterRule** tail = &f->ip_rules;
    bool continued = false;
    while (f->ip_count < count) {
        p = SkipBlanks(p);
        if (*p == '|') {
            VlFilterRule* rule = vl_new_filter_rule();
            if (rule == nullptr) {
                FreeFilter(f);
                return -2;
            }
            p = vl_scan(p + 1, "%d %d %s ", &rule->number, &rule->flags, rule->src);
            p = vl_scan(p, "%d ", &rule->src_bits);
            p = vl_scan(p, "%s ", rule->dst);
            p = vl_scan(p, "%d ", &rule->dst_bits);
            p = vl_scan(p, "%d %d %d", &rule->protocol, &rule->src_port, &rule->dst_port);
            *tail = rule;
            tail = &rule->next;
            ++f->ip_count;
            continued = false;
            continue;
        }
        // A continuation that brought no rule would only be asked for again.
        if ((*p != '\n' && *p != '\0') || continued)
            break;
        char more[64];
        std::snprintf(more, sizeof more, "bigfilt %d %d", index, static_cast<int>(f->ip_count));
        bool ok = vl_send_message(r, VL_MSG_TABLE, more, static_cast<int>(std::strlen(more)) + 1) == 0 &&
                  vl_get_reply(r, vl_reply_buffer()) == 0;
        // The router answers the first filter's continuation twice; the second counts.
        if (ok && index == 0)
            ok = vl_get_reply(r, vl_reply_buffer()) == 0;
        if (!ok) {
            FreeFilter(f);
            return vl_detail::Fail(r);
        }
        char skip[32];
        p = vl_scan(vl_detail::ReplyText(), "%s %d %d", skip, &ignored, &ignored);
        continued = true;
    }
    vl_insert_filter(&read->head, f);
    ++read->filters_read;
    return 0;
}

} // namespace

VlFilter* vl_new_filter() { return static_cast<VlFilter*>(std::calloc(1, sizeof(VlFilter))); }
VlFilterRule* vl_new_filter_rule() {
    return static_cast<VlFilterRule*>(std::calloc(1, sizeof(VlFilterRule)));
}
VlIpxFilterRule* vl_new_ipxfilter_rule() {
    return static_cast<VlIpxFilterRule*>(std::calloc(1, sizeof(VlIpxFilterRule)));
}
VlSapFilterRule* vl_new_sapfilter_rule() {
    return static_cast<VlSapFilterRule*>(std::calloc(1, sizeof(VlSapFilterRule)));
}

void vl_insert_filter(VlFilter** list, VlFilter* filter) { vl_detail::InsertByName(list, filter); }

void vl_free_filters(VlFilter* list) {
    while (list != nullptr) {
        VlFilter* next = list->next;
        FreeFilter(list);
        list = next;
    }
}

/* The newer filter table; none when the router does not know it. */
VlFilter* vl_read_bigfilt(VlRouter* r) {
    FilterRead read;
    // "bigfilt" goes out padded with a second NUL: 9 bytes.
    int rc = vl_detail::ReadTable(r, "bigfilt", 9, 3, "%s %d 0", OnBigFilter, &read);
    if (rc != 1) {
        vl_free_filters(read.head);
        return nullptr;
    }
    return read.head;
}

/* All filters with their rules: the newer table, else the three older ones. */
VlFilter* vl_read_filters(VlRouter* r) {
    if (VlFilter* list = vl_read_bigfilt(r))
        return list;
    // A failed exchange closed the link: asking on would only bury its error.
    if (r == nullptr || r->socket < 0)
        return nullptr;
    FilterRead read;
    int rc = vl_detail::ReadTable(r, "filters", 9, 2, "%s %d", OnFilter, &read);
    // Without an IP table there is no filter to attach IPX or SAP rules to: ask no more.
    if (rc == 1) {
        rc = vl_detail::ReadTable(r, "ipxfilt", 8, 2, "%s %d", OnIpxFilter, &read);
        if (rc >= 0)
            rc = vl_detail::ReadTable(r, "sapfilt", 8, 2, "%s %d", OnSapFilter, &read);
    }
    if (rc < 0 || read.head == nullptr) {
        vl_free_filters(read.head);
        return nullptr;
    }
    return read.head;
}
