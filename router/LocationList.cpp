#include "router/LocationList.h"

#include "router/RecordText.h"
#include "router/VLVelunor.h"

#include <cstdlib>
#include <cstring>
#include <new>

std::string LocationIterator::Name() const {
    return node != nullptr ? FieldText(node->name) : std::string();
}

LocationIterator LocationIterator::operator++(int) {
    LocationIterator old = *this;
    if (node != nullptr)
        node = node->next;
    return old;
}

LocationList::LocationList(VLVelunor& o) : owner(&o) {
    if (owner->router != nullptr)
        head = vl_read_locations(owner->router);
}

LocationList::LocationList(VLVelunor& o, const LocationList& other) : owner(&o) {
    VlLocation** tail = &head;
    for (const VlLocation* l = other.head; l != nullptr; l = l->next) {
        VlLocation* copy = vl_new_location();
        if (copy == nullptr) {
            Clear();
            throw std::bad_alloc();
        }
        *copy = *l;
        copy->next = nullptr;
        *tail = copy;
        tail = &copy->next;
    }
}

LocationList::~LocationList() { Clear(); }

void LocationList::Clear() {
    vl_free_locations(head);
    head = nullptr;
}

LocationIterator LocationList::Begin() const { return {this, head}; }

LocationIterator LocationList::Last() const {
    VlLocation* last = head;
    while (last != nullptr && last->next != nullptr)
        last = last->next;
    return {this, last};
}

VlLocation* LocationList::Find(const std::string& name) const {
    for (VlLocation* l = head; l != nullptr; l = l->next)
        if (FieldText(l->name) == name)
            return l;
    return nullptr;
}

VlLocation* LocationList::Add(const Location& location) {
    if (Find(FieldText(location.name)) != nullptr)
        throw VLVelunor::LocationExists;
    auto* copy = static_cast<VlLocation*>(std::calloc(1, sizeof(VlLocation)));
    if (copy == nullptr)
        throw std::bad_alloc();
    *copy = location;
    copy->next = nullptr;
    if (owner->router == nullptr || vl_add_location(owner->router, copy) == -1) {
        std::free(copy);
        throw VLVelunor::LocationWriteFailed;
    }
    vl_insert_location(&head, copy);
    vl_save_location(owner->router);
    return copy;
}

VlLocation* LocationList::Modify(Location& desired, VlLocation* existing) {
    if (existing == nullptr || Find(FieldText(existing->name)) == nullptr)
        throw VLVelunor::LocationNotFound;
    desired.next = existing->next;
    if (owner->router == nullptr || vl_set_location(owner->router, existing, &desired) == -1)
        throw VLVelunor::LocationWriteFailed;
    return existing;
}

int LocationList::Save() { return owner->router != nullptr ? vl_save_location(owner->router) : -1; }
