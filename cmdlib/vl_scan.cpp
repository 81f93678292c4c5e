// The scanner the record readers parse the router's replies with, and the number
// conversions of its %d and %x rules.
#include "cmdlib/vl.h"

#include <cstring>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Decimal with the router's "k" suffix; wraps like the router's own 32-bit counters
// rather than overflowing.
const char* ScanDecimal(const char* p, uint32_t* out) {
    while (IsBlank(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    uint32_t v = 0;
    while (*p >= '0' && *p <= '9') {
        v = v * 10u + static_cast<uint32_t>(*p - '0');
        ++p;
    }
    if (*p == 'k' || *p == 'K') {
        v *= 1000u;
        ++p;
    }
    *out = negative ? 0u - v : v;
    return p;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

const char* ScanHex(const char* p, uint32_t* out) {
    if (p[0] != '\0' && p[1] == 'x')
        p += 2;
    uint32_t v = 0;
    for (int d; (d = HexDigit(*p)) >= 0; ++p)
        v = (v << 4) | static_cast<uint32_t>(d);
    *out = v;
    return p;
}

void StoreNumber(const VlScanOut& o, uint32_t v) { std::memcpy(o.num, &v, sizeof v); }

void StoreText(const VlScanOut& o, const char* from, const char* to) {
    if (o.size == 0)
        return;
    size_t n = static_cast<size_t>(to - from);
    if (n > o.size - 1)
        n = o.size - 1;
    std::memcpy(o.text, from, n);
    o.text[n] = '\0';
}

} // namespace

const char* vl_scanv(const char* input, const char* format, const VlScanOut* outs, int count) {
    if (input == nullptr)
        return input;
    const char* p = input;
    const char* f = format == nullptr ? "" : format;
    int index = 0;
    for (;;) {
        while (*f != '\0' && *f != '%')
            ++f;
        // The end test comes before the blank skip: trailing blanks feed one more field.
        if (*f == '\0' || *p == '\0' || *p == '\n')
            return p;
        if (index >= count)
            return p;
        while (IsBlank(*p))
            ++p;
        const char conv = f[1];
        const VlScanOut& o = outs[index];
        switch (conv) {
        case 's': {
            if (o.kind != VlScanOut::Text)
                return p;
            const char* start = p;
            while (*p != '\0' && *p != ' ' && *p != '\t' && *p != '\n')
                ++p;
            StoreText(o, start, p);
            break;
        }
        case 'q': {
            if (o.kind != VlScanOut::Text)
                return p;
            if (*p == '"') {
                const char* start = ++p;
                while (*p != '\0' && *p != '"')
                    ++p;
                StoreText(o, start, p);
                if (*p == '"')
                    ++p;
            } else {
                const char* start = p;
                while (*p != '\0' && *p != ' ' && *p != '"')
                    ++p;
                StoreText(o, start, p);
            }
            break;
        }
        case 'd':
        case 'l': {
            if (o.kind != VlScanOut::Number)
                return p;
            uint32_t v = 0;
            p = ScanDecimal(p, &v);
            StoreNumber(o, v);
            break;
        }
        case 'x': {
            if (o.kind != VlScanOut::Number)
                return p;
            uint32_t v = 0;
            p = ScanHex(p, &v);
            StoreNumber(o, v);
            break;
        }
        default:
            return p;
        }
        f += 2;
        ++index;
    }
}

int32_t vl_text_to_int(const char* text) {
    uint32_t v = 0;
    if (text != nullptr)
        ScanDecimal(text, &v);
    return static_cast<int32_t>(v);
}

uint32_t vl_text_to_hex(const char* text) {
    uint32_t v = 0;
    if (text != nullptr)
        ScanHex(text, &v);
    return v;
}
