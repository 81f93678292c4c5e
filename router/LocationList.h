// The router's locations as read at login, sorted by name, with lookup, adding and
// rewriting on the router.
#pragma once

#include "cmdlib/vl.h"
#include "router/Location.h"

#include <string>

class VLVelunor;
class LocationList;

struct LocationIterator {
    const LocationList* list = nullptr;
    VlLocation* node = nullptr;

    std::string Name() const;
    LocationIterator operator++(int);
    bool operator==(const LocationIterator&) const = default;
};

class LocationList {
public:
    // Reads the router's location table; a failed read gives an empty list.
    explicit LocationList(VLVelunor& owner);
    // A copy of `other`'s records for `owner`, read from nowhere.
    LocationList(VLVelunor& owner, const LocationList& other);
    ~LocationList();
    LocationList(const LocationList&) = delete;
    LocationList& operator=(const LocationList&) = delete;

    void Clear();
    bool IsEmpty() const { return head == nullptr; }
    LocationIterator Begin() const;
    LocationIterator Last() const;
    // Exact, case-sensitive match; null when none.
    VlLocation* Find(const std::string& name) const;
    // Creates the location on the router and in the list; throws LocationExists (and
    // sends nothing) or LocationWriteFailed as VLVelunor::ReturnCode.
    VlLocation* Add(const Location& location);
    // Sends the differences between `existing` and `desired`; throws LocationNotFound or
    // LocationWriteFailed. The list record keeps its old contents.
    VlLocation* Modify(Location& desired, VlLocation* existing);
    int Save();

    VlLocation* head = nullptr;
    VLVelunor* owner = nullptr;
};
