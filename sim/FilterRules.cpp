#include "sim/FilterRules.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace sim {

namespace {

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        size_t b = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t')
            ++i;
        if (i > b)
            out.push_back(text.substr(b, i - b));
    }
    return out;
}

bool Number(const std::string& w, unsigned long hi, unsigned* out, int base = 10) {
    if (w.empty() || w[0] == '-' || w[0] == '+')
        return false;
    char* end = nullptr;
    errno = 0;
    unsigned long n = std::strtoul(w.c_str(), &end, base);
    if (*end != '\0' || errno != 0 || n > hi)
        return false;
    *out = static_cast<unsigned>(n);
    return true;
}

bool Dotted(const std::string& w) {
    in_addr a{};
    return inet_pton(AF_INET, w.c_str(), &a) == 1;
}

// "A.B.C.D/N" or a literal word (the client's literal-text bits).
bool Endpoint(const std::string& w, std::string* addr, int* bits, bool* literal) {
    size_t slash = w.find('/');
    if (slash == std::string::npos) {
        if (w.size() > 15)
            return false;
        *addr = w;
        *bits = 0;
        *literal = true;
        return true;
    }
    unsigned n = 0;
    std::string a = w.substr(0, slash);
    if (!Dotted(a) || !Number(w.substr(slash + 1), 32, &n))
        return false;
    *addr = a;
    *bits = static_cast<int>(n);
    *literal = false;
    return true;
}

bool Compare(const std::string& w, int lt, int gt, int* flags) {
    if (w == "lt")
        *flags |= lt;
    else if (w == "gt")
        *flags |= gt;
    else if (w != "eq")
        return false;
    return true;
}

const char* CompareWord(int flags, int lt, int gt) {
    return (flags & lt) ? "lt" : (flags & gt) ? "gt" : "eq";
}

bool Fail(std::string* why, const std::string& text) {
    if (why)
        *why = text;
    return false;
}

bool IsIpKeyword(const std::string& w) {
    return w == "icmp" || w == "tcp" || w == "udp" || w == "unknown" || w == "type" ||
           w == "src" || w == "dst" || w == "estab" || w == "log" || w == "notify";
}

} // namespace

bool ParseIpRule(const std::string& text, IpRule* rule, std::string* why) {
    std::vector<std::string> w = Words(text);
    IpRule r;
    size_t i = 0;
    if (i >= w.size() || (w[i] != "permit" && w[i] != "deny"))
        return Fail(why, "rule must start with permit or deny");
    if (w[i++] == "deny")
        r.flags |= 0x40;
    if (i < w.size() && !IsIpKeyword(w[i])) {
        if (i + 1 >= w.size())
            return Fail(why, "source without destination");
        bool lit = false;
        if (!Endpoint(w[i], &r.src, &r.srcBits, &lit))
            return Fail(why, "bad source " + w[i]);
        // "0.0.0.0/0" is how the text says "any"
        if (lit)
            r.flags |= 0x4000;
        else if (!(r.src == "0.0.0.0" && r.srcBits == 0))
            r.flags |= 0x1;
        ++i;
        if (!Endpoint(w[i], &r.dst, &r.dstBits, &lit))
            return Fail(why, "bad destination " + w[i]);
        if (lit)
            r.flags |= 0x8000;
        else if (!(r.dst == "0.0.0.0" && r.dstBits == 0))
            r.flags |= 0x2;
        ++i;
    }
    bool ports = false, icmp = false;
    if (i < w.size() && (w[i] == "icmp" || w[i] == "tcp" || w[i] == "udp" || w[i] == "unknown")) {
        r.flags |= 0x4;
        r.protocol = w[i] == "icmp" ? 1 : w[i] == "tcp" ? 6 : w[i] == "udp" ? 17 : 0;
        icmp = r.protocol == 1;
        ports = r.protocol == 6 || r.protocol == 17;
        ++i;
    }
    while (i < w.size()) {
        const std::string& k = w[i++];
        if (k == "type" && icmp && i < w.size()) {
            if (!Number(w[i++], 255, &r.srcPort))
                return Fail(why, "bad icmp type");
            r.flags |= 0x8;
        } else if ((k == "src" || k == "dst") && ports && i + 1 < w.size()) {
            bool src = k == "src";
            if (!Compare(w[i++], src ? 0x100 : 0x400, src ? 0x200 : 0x800, &r.flags))
                return Fail(why, "bad port comparison");
            if (!Number(w[i++], 65535, src ? &r.srcPort : &r.dstPort))
                return Fail(why, "bad port number");
            r.flags |= src ? 0x8 : 0x10;
        } else if (k == "estab" && ports) {
            r.flags |= 0x20;
        } else if (k == "log") {
            r.flags |= 0x1000;
        } else if (k == "notify") {
            r.flags |= 0x2000;
        } else {
            return Fail(why, "unexpected word " + k);
        }
    }
    *rule = r;
    return true;
}

bool ParseIpxRule(const std::string& text, IpxRule* rule, std::string* why) {
    std::vector<std::string> w = Words(text);
    IpxRule r;
    size_t i = 0;
    if (i >= w.size() || (w[i] != "permit" && w[i] != "deny"))
        return Fail(why, "rule must start with permit or deny");
    if (w[i++] == "deny")
        r.flags |= 0x40;
    while (i < w.size()) {
        const std::string& k = w[i++];
        if (i >= w.size())
            return Fail(why, "missing value after " + k);
        if (k == "srcnet" && w[i].size() <= 9) {
            r.srcnet = w[i++];
            r.flags |= 0x1;
        } else if (k == "srchost" && w[i].size() <= 17) {
            r.srchost = w[i++];
            r.flags |= 0x4;
        } else if (k == "dstnet" && w[i].size() <= 9) {
            r.dstnet = w[i++];
            r.flags |= 0x2;
        } else if (k == "dsthost" && w[i].size() <= 17) {
            r.dsthost = w[i++];
            r.flags |= 0x8;
        } else if ((k == "srcsocket" || k == "dstsocket") && i + 1 < w.size()) {
            if (!Compare(w[i++], 0x100, 0x200, &r.flags))
                return Fail(why, "bad socket comparison");
            bool src = k == "srcsocket";
            if (!Number(w[i++], 0xFFFF, src ? &r.srcsocket : &r.dstsocket, 16))
                return Fail(why, "bad socket number");
            r.flags |= src ? 0x10 : 0x20;
        } else {
            return Fail(why, "unexpected word " + k);
        }
    }
    *rule = r;
    return true;
}

bool ParseSapRule(const std::string& text, SapRule* rule, std::string* why) {
    std::vector<std::string> w = Words(text);
    SapRule r;
    size_t i = 0;
    if (i >= w.size() || (w[i] != "permit" && w[i] != "deny"))
        return Fail(why, "rule must start with permit or deny");
    if (w[i++] == "deny")
        r.flags |= 0x40;
    while (i < w.size()) {
        const std::string& k = w[i++];
        if (i >= w.size())
            return Fail(why, "missing value after " + k);
        if (k == "service") {
            if (!Number(w[i++], 0xFFFF, &r.service, 16))
                return Fail(why, "bad service number");
            r.flags |= 0x20;
        } else if (k == "server" && w[i].size() <= 47) {
            r.server = w[i++];
            r.flags |= 0x1;
        } else if (k == "network" && w[i].size() <= 9) {
            r.network = w[i++];
            r.flags |= 0x2;
        } else if (k == "host" && w[i].size() <= 17) {
            r.host = w[i++];
            r.flags |= 0x4;
        } else if (k == "socket" && i + 1 < w.size()) {
            if (!Compare(w[i++], 0x100, 0x200, &r.flags))
                return Fail(why, "bad socket comparison");
            if (!Number(w[i++], 0xFFFF, &r.socket, 16))
                return Fail(why, "bad socket number");
            r.flags |= 0x10;
        } else {
            return Fail(why, "unexpected word " + k);
        }
    }
    *rule = r;
    return true;
}

namespace {
// Table fields are blank-separated words, so an absent text goes out as "0".
std::string Word(const std::string& s) { return s.empty() ? "0" : s; }
} // namespace

std::string IpRuleFields(int number, const IpRule& r) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%d %d %s %d %s %d %d %u %u", number, r.flags, r.src.c_str(),
                  r.srcBits, r.dst.c_str(), r.dstBits, r.protocol, r.srcPort, r.dstPort);
    return buf;
}

std::string IpxRuleFields(int number, const IpxRule& r) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%d %d %s %s %x %s %s %x", number, r.flags,
                  Word(r.srcnet).c_str(), Word(r.srchost).c_str(), r.srcsocket,
                  Word(r.dstnet).c_str(), Word(r.dsthost).c_str(), r.dstsocket);
    return buf;
}

std::string SapRuleFields(int number, const SapRule& r) {
    char buf[200];
    std::snprintf(buf, sizeof buf, "%d %d %s %x %s %s %x", number, r.flags,
                  Word(r.server).c_str(), r.service, Word(r.network).c_str(),
                  Word(r.host).c_str(), r.socket);
    return buf;
}

std::string IpRuleText(const IpRule& r) {
    std::string t = (r.flags & 0x40) ? "deny" : "permit";
    bool hasSrc = r.flags & (0x1 | 0x4000), hasDst = r.flags & (0x2 | 0x8000);
    auto ep = [](bool lit, const std::string& a, int bits) {
        return lit ? a : a + "/" + std::to_string(bits);
    };
    if (hasSrc || hasDst) {
        t += ' ';
        t += ep(r.flags & 0x4000, r.src, r.srcBits);
        t += ' ';
        t += ep(r.flags & 0x8000, r.dst, r.dstBits);
    }
    if (r.flags & 0x4) {
        t += r.protocol == 1 ? " icmp" : r.protocol == 6 ? " tcp" : r.protocol == 17 ? " udp"
                                                                                     : " unknown";
        bool ports = r.protocol == 6 || r.protocol == 17;
        if (r.protocol == 1 && (r.flags & 0x8))
            t += " type " + std::to_string(r.srcPort);
        if (ports && (r.flags & 0x8))
            t += std::string(" src ") + CompareWord(r.flags, 0x100, 0x200) + " " +
                 std::to_string(r.srcPort);
        if (ports && (r.flags & 0x10))
            t += std::string(" dst ") + CompareWord(r.flags, 0x400, 0x800) + " " +
                 std::to_string(r.dstPort);
        if (ports && (r.flags & 0x20))
            t += " estab";
    }
    if (r.flags & 0x1000)
        t += " log";
    if (r.flags & 0x2000)
        t += " notify";
    return t;
}

std::string IpxRuleText(const IpxRule& r) {
    std::string t = (r.flags & 0x40) ? "deny" : "permit";
    char sock[40];
    const char* cmp = CompareWord(r.flags, 0x100, 0x200);
    if (r.flags & 0x1)
        t += " srcnet " + r.srcnet;
    if (r.flags & 0x4)
        t += " srchost " + r.srchost;
    if (r.flags & 0x10) {
        std::snprintf(sock, sizeof sock, " srcsocket %s %04X", cmp, r.srcsocket);
        t += sock;
    }
    if (r.flags & 0x2)
        t += " dstnet " + r.dstnet;
    if (r.flags & 0x8)
        t += " dsthost " + r.dsthost;
    if (r.flags & 0x20) {
        std::snprintf(sock, sizeof sock, " dstsocket %s %04X", cmp, r.dstsocket);
        t += sock;
    }
    return t;
}

std::string SapRuleText(const SapRule& r) {
    std::string t = (r.flags & 0x40) ? "deny" : "permit";
    char num[40];
    if (r.flags & 0x20) {
        std::snprintf(num, sizeof num, " service %X", r.service);
        t += num;
    }
    if (r.flags & 0x1)
        t += " server " + r.server;
    if (r.flags & 0x2)
        t += " network " + r.network;
    if (r.flags & 0x4)
        t += " host " + r.host;
    if (r.flags & 0x10) {
        std::snprintf(num, sizeof num, " socket %s %04X", CompareWord(r.flags, 0x100, 0x200),
                      r.socket);
        t += num;
    }
    return t;
}

} // namespace sim
