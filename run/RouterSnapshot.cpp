// The snapshot's records: their field tables, taking them from an open session, writing
// them as "key = value" text, comparing two snapshots and giving kept fields back to live
// records. Reading the text is SnapshotReader.cpp; the file itself, SnapshotFile.cpp.
#include "run/RouterSnapshot.h"

#include "router/FilterList.h"
#include "router/LocationList.h"
#include "router/RecordText.h"
#include "router/VLVelunor.h"
#include "run/SnapshotFields.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sstream>

namespace VLQLWizUIControl {

const char* const RouterSnapshot::Header = snapshot::kHeader2.data();

namespace snapshot {

#define TEXT(T, f, rule) {#f, offsetof(T, f), Kind::Text, sizeof(T::f), Rule::rule}
#define TEXT_AT(T, key, f, rule) {key, offsetof(T, f), Kind::Text, sizeof(T::f), Rule::rule}
#define INT(T, f) {#f, offsetof(T, f), Kind::Int, 0, Rule::None}
#define INT_AT(T, key, f) {key, offsetof(T, f), Kind::Int, 0, Rule::None}
#define HEX(T, f) {#f, offsetof(T, f), Kind::Hex, 0, Rule::None}

// Every field a builder compares, so that a restore can give each one back. The rule of a
// text follows how the router sends it: a field of its records that is a bare word cannot
// hold a blank (Word), a quoted one can (Text). Addresses the router takes only as dotted
// quads are Address or Mask; where it also takes a host name (default hosts, log host,
// NIS server, a rule's literal end point) they are Host. Any of them may be empty: older
// firmware leaves out fields it does not have. Filter names in records are Word, not held
// to a filter name's length: the router takes any word there, up to the field's width.
const std::vector<Field> kGlobalFields = {
    TEXT(VlRouter, address, Address), TEXT(VlRouter, netmask, Mask),
    TEXT_AT(VlRouter, "host1", host[0], Host), TEXT_AT(VlRouter, "host2", host[1], Host),
    TEXT_AT(VlRouter, "host3", host[2], Host), TEXT_AT(VlRouter, "host4", host[3], Host),
    TEXT(VlRouter, gateway, Address), INT(VlRouter, gateway_metric),
    TEXT(VlRouter, ypserver, Host), TEXT(VlRouter, domain, Text), HEX(VlRouter, flags),
    INT(VlRouter, telnet), TEXT(VlRouter, loghost, Host), TEXT(VlRouter, assigned, Address),
    TEXT(VlRouter, ifilter, Word), TEXT(VlRouter, ofilter, Word), TEXT(VlRouter, ipxnet, Word),
    INT(VlRouter, ipxframe), TEXT(VlRouter, ipxgateway, Word), INT(VlRouter, ipxgateway_hops),
    INT(VlRouter, isdn_switch),
};

const std::vector<Field> kEtherFields = {
    TEXT(VlEther, address, Address), TEXT(VlEther, netmask, Mask), HEX(VlEther, flags),
    TEXT(VlEther, ifilter, Word), TEXT(VlEther, ofilter, Word), TEXT(VlEther, ipxnet, Word),
    INT(VlEther, ipxframe),
};

// SPID and directory number are Digits, as the line-identifier page takes them: the
// switch gives out nothing else, and a restore writes them back as they were read.
const std::vector<Field> kPortFields = {
    TEXT(VlPort, type, Word),
    TEXT_AT(VlPort, "host1", host[0], Host), TEXT_AT(VlPort, "host2", host[1], Host),
    TEXT_AT(VlPort, "host3", host[2], Host), TEXT_AT(VlPort, "host4", host[3], Host),
    INT_AT(VlPort, "speed1", speed[0]), INT_AT(VlPort, "speed2", speed[1]),
    INT_AT(VlPort, "speed3", speed[2]),
    INT(VlPort, databits), TEXT(VlPort, parity, Word), INT(VlPort, stopbits),
    HEX(VlPort, line_flags), TEXT(VlPort, cd, Word), HEX(VlPort, override), HEX(VlPort, flags),
    TEXT(VlPort, device, Word), TEXT(VlPort, term, Text), TEXT(VlPort, prompt, Text),
    TEXT(VlPort, username, Text), TEXT(VlPort, message, Text), INT(VlPort, login_service),
    INT(VlPort, login_port), INT(VlPort, device_service), INT(VlPort, device_port),
    TEXT(VlPort, destination, Address), TEXT(VlPort, destination_mask, Mask),
    INT(VlPort, group), INT(VlPort, mtu), HEX(VlPort, map), TEXT(VlPort, ifilter, Word),
    TEXT(VlPort, ofilter, Word), INT(VlPort, idle), TEXT(VlPort, ipxnet, Word),
    INT(VlPort, lmi), TEXT(VlPort, spid, Digits), TEXT(VlPort, directory, Digits),
    INT(VlPort, port_type),
};

// A location's telephone numbers, account and scripts come back as quoted texts: blanks,
// dashes and any printable byte are the router's to keep.
const std::vector<Field> kLocationFields = {
    TEXT(VlLocation, dest, Address), TEXT(VlLocation, netmask, Mask), INT(VlLocation, group),
    HEX(VlLocation, flags), HEX(VlLocation, flags2), INT(VlLocation, idle),
    INT(VlLocation, maxports), INT(VlLocation, high_water), INT(VlLocation, mtu),
    HEX(VlLocation, map), TEXT(VlLocation, ifilter, Word), TEXT(VlLocation, ofilter, Word),
    TEXT(VlLocation, ipxnet, Word), TEXT(VlLocation, script, Text),
    TEXT(VlLocation, v25bis, Text), TEXT(VlLocation, telephone, Text),
    TEXT(VlLocation, telephone2, Text), TEXT(VlLocation, username, Text),
    TEXT(VlLocation, password, Text),
};

const std::vector<Field> kIpRuleFields = {
    INT(VlFilterRule, number), HEX(VlFilterRule, flags), TEXT(VlFilterRule, src, Host),
    INT(VlFilterRule, src_bits), TEXT(VlFilterRule, dst, Host), INT(VlFilterRule, dst_bits),
    INT(VlFilterRule, protocol), INT(VlFilterRule, src_port), INT(VlFilterRule, dst_port),
};

const std::vector<Field> kIpxRuleFields = {
    INT(VlIpxFilterRule, number), HEX(VlIpxFilterRule, flags),
    TEXT(VlIpxFilterRule, srcnet, Word), TEXT(VlIpxFilterRule, srchost, Word),
    HEX(VlIpxFilterRule, srcsocket), TEXT(VlIpxFilterRule, dstnet, Word),
    TEXT(VlIpxFilterRule, dsthost, Word), HEX(VlIpxFilterRule, dstsocket),
};

const std::vector<Field> kSapRuleFields = {
    INT(VlSapFilterRule, number), HEX(VlSapFilterRule, flags),
    TEXT(VlSapFilterRule, server, Word), HEX(VlSapFilterRule, service),
    TEXT(VlSapFilterRule, network, Word), TEXT(VlSapFilterRule, host, Word),
    HEX(VlSapFilterRule, socket),
};

#undef TEXT
#undef TEXT_AT
#undef INT
#undef INT_AT
#undef HEX

std::string Escape(const char* p, size_t size) {
    std::string out;
    for (size_t i = 0; i < size && p[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string FieldValue(const void* record, const Field& f) {
    const char* base = static_cast<const char*>(record) + f.offset;
    char text[16];
    switch (f.kind) {
    case Kind::Text: return Escape(base, f.size);
    case Kind::Int: {
        int32_t v;
        std::memcpy(&v, base, sizeof v);
        return std::to_string(v);
    }
    case Kind::Hex: {
        uint32_t v;
        std::memcpy(&v, base, sizeof v);
        std::snprintf(text, sizeof text, "0x%X", v);
        return text;
    }
    }
    return "";
}

} // namespace snapshot

namespace {

using namespace snapshot;

const char* const kHeaderNote =
    "# This file holds passwords: the router's administration password and the ISP\n"
    "# account's. Anyone who can read it can administer the router; keep it private.\n"
    "# Put the router back as it was with: qlwiz-batch --restore THIS_FILE\n";

void PutRecord(std::ostringstream& o, const std::string& prefix, const void* record,
               const std::vector<Field>& fields) {
    for (const Field& f : fields)
        o << prefix << f.key << " = " << FieldValue(record, f) << "\n";
}

std::string UtcNow() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

} // namespace

RouterSnapshot RouterSnapshot::FromSession(VLVelunor& session, const std::string& address,
                                           const std::string& runPassword) {
    RouterSnapshot s;
    s.address = address;
    s.taken = UtcNow();
    s.password = session.password;
    s.runPassword = runPassword;
    s.tablesWhole = session.tablesWhole;
    if (session.router == nullptr)
        return s;
    // Interface 0 as the global record shows it, as the configure step takes it.
    const VlEther ether0 = *session.EtherInterface(0);
    s.global = *session.router;
    s.global.ports = nullptr;
    s.global.socket = -1;
    const int ethers = std::min(std::max(session.router->ether_count, 1), 2);
    for (int i = 0; i < ethers; ++i)
        s.ethers.push_back(i == 0 ? ether0 : session.router->ether[i]);
    for (const VlPort* p : session.isdnPorts)
        s.ports.push_back(*p);
    if (session.locations != nullptr)
        for (const VlLocation* l = session.locations->head; l != nullptr; l = l->next) {
            s.locations.push_back(*l);
            s.locations.back().next = nullptr;
        }
    if (session.filters != nullptr)
        for (const VlFilter* f = session.filters->head; f != nullptr; f = f->next) {
            FilterRecord r;
            r.name = FieldText(f->name);
            for (const VlFilterRule* x = f->ip_rules; x != nullptr; x = x->next)
                r.ip.push_back(*x);
            for (const VlIpxFilterRule* x = f->ipx_rules; x != nullptr; x = x->next)
                r.ipx.push_back(*x);
            for (const VlSapFilterRule* x = f->sap_rules; x != nullptr; x = x->next)
                r.sap.push_back(*x);
            s.filters.push_back(std::move(r));
        }
    return s;
}

std::string RouterSnapshot::RecordsText() const {
    std::ostringstream o;
    PutRecord(o, "global.", &global, kGlobalFields);
    for (size_t i = 0; i < ethers.size(); ++i)
        PutRecord(o, "ether" + std::to_string(i) + ".", &ethers[i], kEtherFields);
    for (const VlPort& p : ports)
        PutRecord(o, "port." + FieldText(p.name) + ".", &p, kPortFields);
    for (const VlLocation& l : locations)
        PutRecord(o, "location." + FieldText(l.name) + ".", &l, kLocationFields);
    for (const FilterRecord& f : filters) {
        const std::string k = "filter." + f.name + ".";
        o << k << "rules = " << f.ip.size() << " " << f.ipx.size() << " " << f.sap.size() << "\n";
        for (size_t i = 0; i < f.ip.size(); ++i)
            PutRecord(o, k + "ip." + std::to_string(i + 1) + ".", &f.ip[i], kIpRuleFields);
        for (size_t i = 0; i < f.ipx.size(); ++i)
            PutRecord(o, k + "ipx." + std::to_string(i + 1) + ".", &f.ipx[i], kIpxRuleFields);
        for (size_t i = 0; i < f.sap.size(); ++i)
            PutRecord(o, k + "sap." + std::to_string(i + 1) + ".", &f.sap[i], kSapRuleFields);
    }
    return o.str();
}

std::string RouterSnapshot::Text() const {
    std::ostringstream o;
    o << Header << "\n" << kHeaderNote;
    o << "format = " << Format << "\n"
      << "tables = " << (tablesWhole ? "whole" : "partial") << "\n"
      << "router.address = " << Escape(address.c_str(), address.size()) << "\n"
      << "taken = " << taken << "\n"
      << "session.password = " << Escape(password.c_str(), password.size()) << "\n"
      << "run.password = " << Escape(runPassword.c_str(), runPassword.size()) << "\n";
    return o.str() + RecordsText();
}


namespace {

void CopyFields(const void* from, void* onto, const std::vector<Field>& fields) {
    for (const Field& f : fields)
        std::memcpy(static_cast<char*>(onto) + f.offset, static_cast<const char*>(from) + f.offset,
                    f.kind == Kind::Text ? f.size : sizeof(int32_t));
}

} // namespace

void RouterSnapshot::ApplyGlobal(const VlRouter& kept, VlRouter& live) {
    CopyFields(&kept, &live, kGlobalFields);
}

void RouterSnapshot::ApplyEther(const VlEther& kept, VlEther& live) {
    CopyFields(&kept, &live, kEtherFields);
}

void RouterSnapshot::ApplyPort(const VlPort& kept, VlPort& live) { CopyFields(&kept, &live, kPortFields); }

const VlLocation* RouterSnapshot::FindLocation(const std::string& name) const {
    for (const VlLocation& l : locations)
        if (FieldText(l.name) == name)
            return &l;
    return nullptr;
}

const RouterSnapshot::FilterRecord* RouterSnapshot::FindFilter(const std::string& name) const {
    for (const FilterRecord& f : filters)
        if (f.name == name)
            return &f;
    return nullptr;
}

LinkedFilter::LinkedFilter(const RouterSnapshot::FilterRecord& record)
    : ip(record.ip), ipx(record.ipx), sap(record.sap) {
    std::snprintf(filter.name, sizeof filter.name, "%s", record.name.c_str());
    for (size_t i = 0; i < ip.size(); ++i)
        ip[i].next = i + 1 < ip.size() ? &ip[i + 1] : nullptr;
    for (size_t i = 0; i < ipx.size(); ++i)
        ipx[i].next = i + 1 < ipx.size() ? &ipx[i + 1] : nullptr;
    for (size_t i = 0; i < sap.size(); ++i)
        sap[i].next = i + 1 < sap.size() ? &sap[i + 1] : nullptr;
    filter.ip_count = static_cast<int32_t>(ip.size());
    filter.ipx_count = static_cast<int32_t>(ipx.size());
    filter.sap_count = static_cast<int32_t>(sap.size());
    filter.ip_rules = ip.empty() ? nullptr : ip.data();
    filter.ipx_rules = ipx.empty() ? nullptr : ipx.data();
    filter.sap_rules = sap.empty() ? nullptr : sap.data();
}

} // namespace VLQLWizUIControl
