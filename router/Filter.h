// A named filter with its rule lists. It is exactly the library's filter record; its
// rule records come from calloc like the library's own, so either side can free them.
#pragma once

#include "cmdlib/vl.h"
#include "router/FilterRule.h"

#include <string>

struct Filter : VlFilter {
    Filter();   // empty name, no rules
    ~Filter();  // releases the rules
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    // Longest name SetName stores.
    static constexpr size_t NameLength = 15;

    void SetName(const std::string& text);  // cut to NameLength characters
    std::string NameText() const;

    // Adds a copy of `rule`: position 0 or 2 first (numbered 1), 1 or 3 after the last
    // (numbered one above it). Returns the filter's record, or null for any other
    // position (then nothing is added).
    VlFilterRule* AddRule(const FilterRule& rule, int position);

    // Releases every IP, IPX and SAP rule and empties the three lists.
    void Clear();
    // Takes the name and a copy of the IP rules of `other`; IPX and SAP rules are
    // dropped, `next` is kept.
    void CopyFrom(const VlFilter& other);
    VlFilter* Next() const { return next; }

    // The same on any library filter record (the router's filters are library records).
    static void Clear(VlFilter& filter);
    static void CopyFrom(VlFilter& target, const VlFilter& other);
};

static_assert(sizeof(Filter) == sizeof(VlFilter), "a Filter must be a VlFilter");
