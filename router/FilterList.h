// The router's filters as read at login, sorted by name, with lookup, adding and
// rewriting on the router.
#pragma once

#include "cmdlib/vl.h"
#include "router/Filter.h"

#include <string>

class VLVelunor;
class FilterList;

struct FilterIterator {
    const FilterList* list = nullptr;
    VlFilter* node = nullptr;

    std::string Name() const;
    FilterIterator operator++(int);
    bool operator==(const FilterIterator&) const = default;
};

class FilterList {
public:
    // Reads the router's filter tables; a failed read gives an empty list.
    explicit FilterList(VLVelunor& owner);
    // A copy of `other`'s filters, every rule list whole, for `owner`, read from nowhere.
    FilterList(VLVelunor& owner, const FilterList& other);
    ~FilterList();
    FilterList(const FilterList&) = delete;
    FilterList& operator=(const FilterList&) = delete;

    void Clear();
    bool IsEmpty() const { return head == nullptr; }
    FilterIterator Begin() const;
    FilterIterator Last() const;
    // Exact, case-sensitive match; null when none.
    VlFilter* Find(const std::string& name) const;
    // Creates a copy of `filter` on the router and in the list. Null (and nothing sent)
    // when a filter of that name exists; throws the integer 65536 when the router fails.
    VlFilter* Add(const VlFilter& filter);
    // Rewrites `existing` as `desired` on the router, then makes the list record equal to
    // it; throws the integer 65536 when the router fails.
    VlFilter* Modify(VlFilter& desired, VlFilter* existing);
    int Save();

    VlFilter* head = nullptr;
    VLVelunor* owner = nullptr;
};
