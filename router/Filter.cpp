#include "router/Filter.h"

#include "router/RecordText.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

template <typename Rule>
void FreeRules(Rule*& head) {
    // Freed to the end of the list rather than by count, so a miscounted list leaks
    // nothing.
    while (head != nullptr) {
        Rule* next = head->next;
        std::free(head);
        head = next;
    }
}

VlFilterRule* NewRuleCopy(const VlFilterRule& from) {
    auto* rule = static_cast<VlFilterRule*>(std::calloc(1, sizeof(VlFilterRule)));
    if (rule == nullptr)
        throw std::bad_alloc();
    *rule = from;
    rule->next = nullptr;
    return rule;
}

} // namespace

Filter::Filter() { std::memset(static_cast<VlFilter*>(this), 0, sizeof(VlFilter)); }

Filter::~Filter() { Clear(); }

// Cut to 15 characters like every other name field of 16: the record's extra byte is
// only there so that the table reader can take a 16-character name the router sends.
void Filter::SetName(const std::string& text) { SetText(name, text.substr(0, NameLength)); }

std::string Filter::NameText() const { return FieldText(name); }

VlFilterRule* Filter::AddRule(const FilterRule& from, int position) {
    if (ip_rules == nullptr) {
        VlFilterRule* rule = NewRuleCopy(from);
        rule->number = 1;
        ip_rules = rule;
        ip_count = 1;
        return rule;
    }
    if (position == 0 || position == 2) {
        VlFilterRule* rule = NewRuleCopy(from);
        rule->next = ip_rules;
        rule->number = 1;
        ip_rules = rule;
        ++ip_count;
        return rule;
    }
    if (position == 1 || position == 3) {
        VlFilterRule* last = ip_rules;
        while (last->next != nullptr)
            last = last->next;
        VlFilterRule* rule = NewRuleCopy(from);
        rule->number = last->number + 1;
        last->next = rule;
        ++ip_count;
        return rule;
    }
    return nullptr;
}

void Filter::Clear() { Clear(*this); }

void Filter::CopyFrom(const VlFilter& other) { CopyFrom(*this, other); }

void Filter::Clear(VlFilter& filter) {
    FreeRules(filter.ip_rules);
    FreeRules(filter.ipx_rules);
    FreeRules(filter.sap_rules);
    filter.ip_count = filter.ipx_count = filter.sap_count = 0;
}

void Filter::CopyFrom(VlFilter& target, const VlFilter& other) {
    if (&target == &other) {
        // Copying onto itself keeps the IP rules and drops the rest, as for any other.
        FreeRules(target.ipx_rules);
        FreeRules(target.sap_rules);
        target.ipx_count = target.sap_count = 0;
        return;
    }
    // Build the copy before releasing the old rules, so a failed allocation leaves the
    // target as it was.
    VlFilterRule* head = nullptr;
    VlFilterRule** tail = &head;
    int count = 0;
    try {
        for (const VlFilterRule* r = other.ip_rules; r != nullptr; r = r->next) {
            *tail = NewRuleCopy(*r);
            tail = &(*tail)->next;
            ++count;
        }
    } catch (...) {
        FreeRules(head);
        throw;
    }
    Clear(target);
    CopyText(target.name, other.name);
    target.ip_rules = head;
    // The list as copied: a count that disagreed with the list would send the router
    // fewer rules than the filter holds.
    target.ip_count = count;
}
