#include "sim/ModelText.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace sim {

CommandResult Refuse(const std::string& why) {
    CommandResult r;
    r.ok = false;
    r.error = why;
    return r;
}

CommandResult Done() { return CommandResult{}; }

void SplitWords(const std::string& line, std::vector<std::string>* words,
                std::vector<size_t>* starts) {
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        size_t b = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > b) {
            words->push_back(line.substr(b, i - b));
            starts->push_back(b);
        }
    }
}

bool ToInt(const std::string& w, long lo, long hi, long* out) {
    if (w.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(w.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || n < lo || n > hi)
        return false;
    *out = n;
    return true;
}

bool ToHex(const std::string& w, uint32_t* out) {
    std::string s = w;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s = s.substr(2);
    if (s.empty() || s.size() > 8)
        return false;
    char* end = nullptr;
    unsigned long n = std::strtoul(s.c_str(), &end, 16);
    if (*end != '\0')
        return false;
    *out = static_cast<uint32_t>(n);
    return true;
}

bool IsAddress(const std::string& w) {
    in_addr a{};
    return inet_pton(AF_INET, w.c_str(), &a) == 1;
}

bool OnOff(const std::string& w, uint32_t bit, bool setWhenOn, uint32_t* flags) {
    bool on;
    if (w == "on")
        on = true;
    else if (w == "off")
        on = false;
    else
        return false;
    if (on == setWhenOn)
        *flags |= bit;
    else
        *flags &= ~bit;
    return true;
}

bool OnOffInt(const std::string& w, int bit, bool setWhenOn, int* flags) {
    uint32_t f = static_cast<uint32_t>(*flags);
    if (!OnOff(w, static_cast<uint32_t>(bit), setWhenOn, &f))
        return false;
    *flags = static_cast<int>(f);
    return true;
}

bool RouteWord(const std::string& w, uint32_t* flags) {
    uint32_t bits;
    if (w == "broadcast")
        bits = 0x1 | 0x20;
    else if (w == "on")
        bits = 0x1;
    else if (w == "off")
        bits = 0x20;
    else if (w == "listen")
        bits = 0;
    else
        return false;
    *flags = (*flags & ~0x21u) | bits;
    return true;
}

int IpxFrameCode(const std::string& w) {
    if (w == "ethernet_802.2")
        return 1;
    if (w == "ethernet_802.3")
        return 2;
    if (w == "ethernet_ii")
        return 3;
    if (w == "ethernet_802.2_ii")
        return 4;
    return -1;
}

const char* ServiceName(int service) {
    switch (service) {
    case 1: return "Rlogin";
    case 2: return "Telnet";
    case 3: return "Netdata";
    default: return "Velunor";
    }
}

int ServiceCode(const std::string& w) {
    if (w == "rlogin")
        return 1;
    if (w == "telnet")
        return 2;
    if (w == "netdata")
        return 3;
    if (w == "velunor")
        return 0;
    return -1;
}

int ClassCode(PortKind k) {
    switch (k) {
    case PortKind::Async: return 0;
    case PortKind::Parallel: return 1;
    case PortKind::Sync: return 2;
    case PortKind::Isdn: return 3;
    }
    return 0;
}

const char* KindName(PortKind k) {
    switch (k) {
    case PortKind::Async: return "async";
    case PortKind::Parallel: return "parallel";
    case PortKind::Sync: return "sync";
    case PortKind::Isdn: return "isdn";
    }
    return "";
}

std::string Addr(const std::string& s) { return s.empty() ? "0.0.0.0" : s; }
std::string Word(const std::string& s) { return s.empty() ? "0" : s; }
std::string Dash(const std::string& s) { return s.empty() ? "-" : s; }
std::string Q(const std::string& s) { return "\"" + s + "\""; }

std::string Fmt(const char* fmt, ...) {
    char buf[2048];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

std::string PromptOut(const std::string& p) {
    std::string out;
    for (size_t i = 0; i < p.size(); ++i) {
        if (p.compare(i, 9, "$hostname") == 0) {
            out += "$h";
            i += 8;
        } else {
            out += p[i];
        }
    }
    return out;
}

bool Quotable(const std::string& s) { return s.find('"') == std::string::npos; }

} // namespace sim
