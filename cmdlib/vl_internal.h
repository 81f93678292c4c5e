// Pieces the library's source files share; not part of the public interface.
#pragma once

#include "cmdlib/vl.h"

#include <cstring>
#include <string>

namespace vl_detail {

// Copies `src` into a field of `size` bytes, cut to size - 1 characters.
inline void Copy(char* dst, size_t size, const char* src) {
    if (size == 0)
        return;
    size_t n = src == nullptr ? 0 : strnlen(src, size - 1);
    std::memcpy(dst, src == nullptr ? "" : src, n);
    dst[n] = '\0';
}

template <size_t N>
inline void Copy(char (&dst)[N], const char* src) {
    Copy(dst, N, src);
}

// A field as a text that never runs past the field, even when the caller left it
// without its NUL.
template <size_t N>
inline std::string T(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

template <size_t N>
inline bool Same(const char (&a)[N], const char (&b)[N]) {
    return strncmp(a, b, N) == 0;
}

template <size_t N>
inline bool Empty(const char (&a)[N]) {
    return a[0] == '\0';
}

inline bool BitsDiffer(uint32_t a, uint32_t b, uint32_t mask) { return ((a ^ b) & mask) != 0; }

inline const char* OnOff(bool on) { return on ? "on" : "off"; }

// The route mode keyword of a router, a port or a location, from whether it sends RIP
// and whether it ignores what it hears.
inline const char* RouteWord(bool send, bool deaf) {
    if (send && deaf)
        return "broadcast";
    if (send)
        return "on";
    if (deaf)
        return "off";
    return "listen";
}

// Formats one command line in the shared command line buffer and queues it. Returns 1
// so that builders can count the lines they queued.
int Line(VlRouter* router, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The text of the last reply: its payload, or an empty text when the frame had none.
const char* ReplyText();

// Closes the connection after a failed exchange, keeping the failure's code. -1.
int Fail(VlRouter* router);

// Sends a request frame at once and reads one reply into the reply buffer; on failure
// the connection is closed. 0 or -1.
int Request(VlRouter* router, int type, const void* payload, int length);

// Table exchange: header, then the records in chunks with continuation requests.
// `header_numbers` is 2 for "%s %d %d", 3 for the newer filter table's "%s %d %d %d".
// `continuation` formats the request for the records after `done` ("%s %d", "%s %d 0").
// `on_record` gets each record's text; it returns 0, -1 for a failed exchange (the
// connection is already closed) or -2 for a failed allocation.
// Result: 1 read, 0 no such table (wrong word or no records; connection left open),
// -1 exchange failed (connection closed), -2 allocation failed.
using RecordFn = int (*)(void* ctx, VlRouter* router, const char* text);
int ReadTable(VlRouter* router, const char* name, int payload_length, int header_numbers,
              const char* continuation, RecordFn on_record, void* ctx);

// Location table with the full status format, or the short one the CHAP probe uses.
VlLocation* ReadLocations(VlRouter* router, bool short_format);

// A new connection's router has not answered the CHAP probe yet.
void ForgetChapAnswer();

// Links `rec` into a list kept in name order (locations, filters), before the first
// record whose name is not smaller.
template <class T>
void InsertByName(T** list, T* rec) {
    if (list == nullptr || rec == nullptr)
        return;
    T** at = list;
    while (*at != nullptr && std::strncmp((*at)->name, rec->name, sizeof rec->name) < 0)
        at = &(*at)->next;
    rec->next = *at;
    *at = rec;
}

// idle minutes to seconds without overflow.
inline int32_t MinutesToSeconds(int32_t minutes) {
    long long s = static_cast<long long>(minutes) * 60;
    if (s > INT32_MAX)
        return INT32_MAX;
    if (s < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(s);
}

} // namespace vl_detail
