#include "router/FilterList.h"

#include "router/RecordText.h"
#include "router/VLVelunor.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int FilterWriteFailed = 65536;

// A copy of a rule chain, records from calloc like the library's; `count` set to its length.
template <typename Rule>
Rule* CopyRules(const Rule* from, int32_t& count) {
    Rule* head = nullptr;
    Rule** tail = &head;
    count = 0;
    for (; from != nullptr; from = from->next) {
        auto* rule = static_cast<Rule*>(std::calloc(1, sizeof(Rule)));
        if (rule == nullptr) {
            while (head != nullptr) {
                Rule* next = head->next;
                std::free(head);
                head = next;
            }
            throw std::bad_alloc();
        }
        *rule = *from;
        rule->next = nullptr;
        *tail = rule;
        tail = &rule->next;
        ++count;
    }
    return head;
}

} // namespace

std::string FilterIterator::Name() const {
    return node != nullptr ? FieldText(node->name) : std::string();
}

FilterIterator FilterIterator::operator++(int) {
    FilterIterator old = *this;
    if (node != nullptr)
        node = node->next;
    return old;
}

FilterList::FilterList(VLVelunor& o) : owner(&o) {
    if (owner->router != nullptr)
        head = vl_read_filters(owner->router);
}

FilterList::FilterList(VLVelunor& o, const FilterList& other) : owner(&o) {
    VlFilter** tail = &head;
    try {
        for (const VlFilter* f = other.head; f != nullptr; f = f->next) {
            VlFilter* copy = vl_new_filter();
            if (copy == nullptr)
                throw std::bad_alloc();
            std::memcpy(copy->name, f->name, sizeof copy->name);
            *tail = copy;
            tail = &copy->next;
            copy->ip_rules = CopyRules(f->ip_rules, copy->ip_count);
            copy->ipx_rules = CopyRules(f->ipx_rules, copy->ipx_count);
            copy->sap_rules = CopyRules(f->sap_rules, copy->sap_count);
        }
    } catch (...) {
        Clear();
        throw;
    }
}

FilterList::~FilterList() { Clear(); }

void FilterList::Clear() {
    vl_free_filters(head);
    head = nullptr;
}

FilterIterator FilterList::Begin() const { return {this, head}; }

FilterIterator FilterList::Last() const {
    VlFilter* last = head;
    while (last != nullptr && last->next != nullptr)
        last = last->next;
    return {this, last};
}

VlFilter* FilterList::Find(const std::string& name) const {
    for (VlFilter* f = head; f != nullptr; f = f->next)
        if (FieldText(f->name) == name)
            return f;
    return nullptr;
}

VlFilter* FilterList::Add(const VlFilter& filter) {
    if (Find(FieldText(filter.name)) != nullptr)
        return nullptr;
    auto* copy = static_cast<VlFilter*>(std::calloc(1, sizeof(VlFilter)));
    if (copy == nullptr)
        throw std::bad_alloc();
    try {
        Filter::CopyFrom(*copy, filter);
    } catch (...) {
        std::free(copy);
        throw;
    }
    if (owner->router == nullptr || vl_add_filter(owner->router, copy) == -1) {
        Filter::Clear(*copy);
        std::free(copy);
        throw FilterWriteFailed;
    }
    vl_insert_filter(&head, copy);
    vl_save_filter(owner->router);
    return copy;
}

VlFilter* FilterList::Modify(VlFilter& desired, VlFilter* existing) {
    if (existing == nullptr)
        throw FilterWriteFailed;
    desired.next = existing->next;
    if (owner->router == nullptr || vl_set_filter(owner->router, existing, &desired) == -1)
        throw FilterWriteFailed;
    Filter::CopyFrom(*existing, desired);
    return existing;
}

int FilterList::Save() { return owner->router != nullptr ? vl_save_filter(owner->router) : -1; }
