// Status record readers: the global record with its capability ladder, the Ethernet
// interfaces and the port table.
#include "cmdlib/vl.h"
#include "cmdlib/vl_internal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using vl_detail::Copy;

// ---- global status record -------------------------------------------------------------

namespace {

// Table sizes the router never exceeds; a record claiming more is cut here so that the
// caller's port table stays a sane size.
constexpr int kMaxPorts = 256;

} // namespace

/* Reads the global status record and derives the capability bits. */
int vl_read_global(VlRouter* r) {
    if (r == nullptr || r->socket < 0) {
        vl_last_error = VL_ERR_NO_CONNECTION;
        return -1;
    }
    const char nul = '\0';
    if (vl_send_message(r, VL_MSG_STATUS, &nul, 1) != 0) {
        std::fputs("Send Failed\n", stderr);
        return vl_detail::Fail(r);
    }
    if (vl_get_reply(r, vl_reply_buffer()) != 0) {
        std::fputs("Get Return Failed\n", stderr);
        return vl_detail::Fail(r);
    }

    for (auto& h : r->host)
        h[0] = '\0';
    for (char* t : {r->status_text1, r->status_text2, r->status_text3, r->status_text4,
                    r->status_text5, r->status_text6, r->status_text7, r->status_text8})
        t[0] = '\0';
    for (char* t : {r->ypserver, r->domain, r->gateway, r->netmask, r->ifilter, r->ofilter,
                    r->ipxnet, r->ipxgateway})
        t[0] = '\0';
    r->gateway_metric = 0;
    r->ipxgateway_hops = 0;
    r->ipxframe = 0;
    r->flags = 0;
    r->capabilities = 0;
    r->status_num1 = -1;
    // Ports are read after this record; until then "set isdn" is not held back.
    r->isdn_present = -1;

    char skip[32];
    const char* p = vl_detail::ReplyText();
    p = vl_scan(p, "%s %s %s %s %s %d %s %s %s %s %s %s %q %d %d %s %s %d %s %q", skip,
                r->address, r->host[0], r->gateway, r->netmask, &r->port_count,
                r->status_text1, r->status_text2, r->host[1], r->host[2], r->host[3],
                r->ypserver, r->domain, &r->flags, &r->telnet, r->loghost, r->assigned,
                &r->gateway_metric, r->status_text3, r->ifilter);
    r->isdn_switch = -1;
    r->status_num3 = 0;
    p = vl_scan(p, "%q %s %s %s %d %s %d %d %d %d ", r->ofilter, r->status_text5,
                r->status_text6, r->ipxnet, &r->ipxframe, r->ipxgateway, &r->ipxgateway_hops,
                &r->ether_count, &r->isdn_switch, &r->status_num3);
    p = vl_scan(p, "%s %d %q %q %q %q %q %q %q", r->status_text4, &r->status_num1,
                r->status_text15, r->status_text7, r->status_text8, r->status_text9,
                r->status_text10, r->status_text11, r->status_text12);
    r->firmware_level = -1;
    vl_scan(p, "%d %d %q %q", &r->status_num2, &r->firmware_level, r->status_text13,
            r->status_text14);

    // A hostile or garbled record must not make the tables it sizes unusable.
    if (r->ether_count < 0)
        r->ether_count = 0;
    if (r->ether_count > VL_MAX_ETHER)
        r->ether_count = VL_MAX_ETHER;
    if (r->port_count < 0)
        r->port_count = 0;
    if (r->port_count > kMaxPorts)
        r->port_count = kMaxPorts;

    // The firmware marks a switch whose lines registered. Only a real index carries it:
    // clearing it from -1 (unknown) would make -65.
    if (r->isdn_switch >= 0 && (r->isdn_switch & VL_SWITCH_REGISTERED) != 0)
        r->isdn_switch &= ~VL_SWITCH_REGISTERED;

    // Capability ladder: each rung that holds also holds every rung below it.
    bool rung = r->firmware_level != -1;
    if (rung)
        r->capabilities |= VL_CAP_LEVEL6 | VL_CAP_MULTILINK | VL_CAP_VOICE | VL_CAP_LOCATION_CHAP |
                           VL_CAP_LEVEL6_D | VL_CAP_LEVEL6_B | VL_CAP_LEVEL6_C | VL_CAP_LEVEL6_E;
    if (!rung)
        rung = vl_probe_location_chap(r) == 1;
    if (rung)
        r->capabilities |= VL_CAP_LOCATION_CHAP;
    rung = rung || r->flags > 0xFFFF;
    if (rung)
        r->capabilities |= VL_CAP_LEVEL4 | VL_CAP_CHAP | VL_CAP_PAP | VL_CAP_SERIAL_ADMIN;
    rung = rung || r->status_text8[0] != '\0';
    if (rung)
        r->status_text8[strcspn(r->status_text8, "\n")] = '\0';
    rung = rung || r->status_text4[0] != '\0';
    if (rung)
        r->capabilities |= VL_CAP_LEVEL2;
    rung = rung || r->status_text7[0] != '\0';
    if (rung)
        r->capabilities |= VL_CAP_LEVEL1;
    rung = rung || r->status_num1 != -1;
    if (rung)
        r->capabilities |= VL_CAP_LEVEL0;
    return 0;
}

/* Reads the Ethernet interface records named "ether0", "ether1". */
int vl_read_ether(VlRouter* r) {
    if (r == nullptr)
        return -1;
    const int count = r->ether_count < 0 ? 0
                      : r->ether_count > VL_MAX_ETHER ? VL_MAX_ETHER
                                                      : r->ether_count;
    for (int i = 0; i < count; ++i) {
        VlEther& e = r->ether[i];
        char name[16]; // room for any int, so the compiler sees no truncation
        std::snprintf(name, sizeof name, "ether%d", i);
        if (vl_detail::Request(r, VL_MSG_STATUS, name,
                               static_cast<int>(std::strlen(name)) + 1) != 0)
            return -1;
        std::memset(&e, 0, sizeof e);
        Copy(e.name, name);
        char skip[32];
        vl_scan(vl_detail::ReplyText(), "%s %s %s %d %q %q %s %d %q", skip, e.address,
                e.netmask, &e.flags, e.ifilter, e.ofilter, e.ipxnet, &e.ipxframe, e.extra);
        if (e.extra[0] != '\0')
            r->capabilities |= VL_CAP_ETHER_EXTRA;
    }
    return 0;
}

// ---- ports ----------------------------------------------------------------------------

int vl_parse_service(const char* text, int32_t* port) {
    int service = 0;
    int32_t tcp = 1642;
    if (text == nullptr)
        text = "";
    if (std::strncmp(text, "Rlogin", 6) == 0) {
        service = 1;
        tcp = 513;
    } else if (std::strncmp(text, "Telnet", 6) == 0) {
        service = 2;
        tcp = 23;
    } else if (std::strncmp(text, "Netdata", 7) == 0) {
        service = 3;
        tcp = 6000;
    }
    if (const char* at = std::strchr(text, '@'))
        tcp = vl_text_to_int(at + 1);
    if (port != nullptr)
        *port = tcp;
    return service;
}

int vl_expand_prompt(char* out, size_t size, const char* text) {
    if (out == nullptr || size == 0)
        return -1;
    static const char kHostname[] = "$hostname";
    size_t n = 0;
    auto put = [&](char c) {
        if (n + 1 < size)
            out[n++] = c;
    };
    for (const char* p = text == nullptr ? "" : text; *p != '\0'; ++p) {
        if (p[0] == '$' && p[1] == 'h') {
            for (const char* h = kHostname; *h != '\0'; ++h)
                put(*h);
            ++p;
        } else {
            put(*p);
        }
    }
    out[n] = '\0';
    return 0;
}

namespace {

void DashToEmpty(char* text) {
    if (std::strcmp(text, "-") == 0)
        text[0] = '\0';
}

// A caller's table may come uninitialised; whatever the reply leaves out, every text
// field still ends inside its field.
template <size_t N>
void Terminate(char (&a)[N]) {
    a[N - 1] = '\0';
}

void TerminateTexts(VlPort& p) {
    Terminate(p.name);
    Terminate(p.type);
    Terminate(p.host[0]);
    Terminate(p.host[1]);
    Terminate(p.host[2]);
    Terminate(p.host[3]);
    Terminate(p.parity);
    Terminate(p.cd);
    Terminate(p.device);
    Terminate(p.term);
    Terminate(p.prompt);
    Terminate(p.username);
    Terminate(p.message);
    Terminate(p.destination);
    Terminate(p.destination_mask);
    Terminate(p.ifilter);
    Terminate(p.ofilter);
    Terminate(p.ipxnet);
    Terminate(p.p5_7);
    Terminate(p.spid);
    Terminate(p.directory);
    Terminate(p.state);
    Terminate(p.p1_25);
    Terminate(p.p1_19);
    Terminate(p.p1_24);
    Terminate(p.p3_5);
    Terminate(p.destination_mask2);
    Terminate(p.p3_7);
    Terminate(p.p4_7);
    Terminate(p.p4_8);
    Terminate(p.p5_1);
    Terminate(p.conn_state);
}

bool RouterHasWanPorts(const VlRouter* r, int ports_read) {
    for (int i = 0; i < ports_read; ++i)
        if (r->ports[i].port_type == 64)
            return true;
    if (std::strchr(r->status_text2, 'R') != nullptr)
        return true;
    return r->status_text3[0] == '3' || r->status_text3[0] == '4';
}

void ParsePort(VlRouter* r, int index, const char* text) {
    VlPort& port = r->ports[index];
    char s1_2[16] = "", s1_3[16] = "", s1_4[16] = "", s1_15[40] = "", s1_18[16] = "",
         s1_21[16] = "";
    char s2_12[256] = "", s2_13[32] = "", s2_14[32] = "";
    char s3_1[32] = "", s3_2[32] = "", s3_6[20] = "", s3_12[16] = "";
    char s4_1[16] = "", s4_2[16] = "", s4_9[16] = "";

    const char* p = text;
    p = vl_scan(p, "%s %s %s %s %s %s %s %s %l %l %l %l %l %l %s %q %s %s %s %d %s %d %d %s %s",
                port.name, s1_2, s1_3, s1_4, port.parity, port.cd, port.type, port.conn_state,
                &port.p1_9, &port.p1_10, &port.p1_11, &port.speed[0], &port.speed[1],
                &port.speed[2], s1_15, port.message, port.state, s1_18, port.p1_19,
                &port.p1_20, s1_21, &port.p1_22, &port.line_flags, port.p1_24, port.p1_25);
    port.port_type = -1;
    port.p5_6 = -1;
    port.term_reason = 0xFFFFFFFFu;
    p = vl_scan(p, "%s %s %s %s %q %l %l %l %q %d %d %q %s %s ", port.host[0], port.host[1],
                port.host[2], port.host[3], port.term, &port.p2_6, &port.p2_7, &port.p2_8,
                port.username, &port.flags, &port.override, s2_12, s2_13, s2_14);
    p = vl_scan(p, "%s %s %s %s %s %s %q %d %d %d %d %s %d %d ", s3_1, s3_2, port.destination,
                port.destination_mask, port.p3_5, s3_6, port.p3_7, &port.p3_8, &port.group,
                &port.mtu, &port.p3_11, s3_12, &port.p3_13, &port.p3_14);
    p = vl_scan(p, "%s %s %d %d %q %q %q %q %q %d %d %l %l %d ", s4_1, s4_2, &port.p4_3,
                &port.p4_4, port.ifilter, port.ofilter, port.p4_7, port.p4_8, s4_9,
                &port.idle_minutes, &port.p4_11, &port.p4_12, &port.p4_13, &port.p4_14);
    port.idle = -1;
    vl_scan(p, "%s %q %q %d %d %d %q %x %x %x %d %d", port.p5_1, port.spid, port.directory,
            &port.port_type, &port.p5_5, &port.p5_6, port.p5_7, &port.p5_8, &port.term_reason,
            &port.isdn_cause, &port.idle, &port.p5_12);
    TerminateTexts(port);

    if (port.p5_6 != -1)
        r->capabilities |= VL_CAP_PORT_STATUS;
    if (port.idle != -1)
        r->capabilities |= VL_CAP_IDLE_SECONDS;

    // Port class from the router's code; older firmware sends none.
    // A code of 0 to 3 is the class's place in that order.
    int32_t cls = port.port_type;
    if (cls >= 0 && cls <= 3)
        cls = VL_PORT_ASYNC << cls;
    const int32_t band = cls & 0xF0;
    if (band == VL_PORT_ASYNC || band == VL_PORT_PARALLEL || band == VL_PORT_WAN) {
        // kept
    } else if (band == VL_PORT_ISDN) {
        r->isdn_present = 1;
    } else if (port.name[0] == 'P') {
        cls = VL_PORT_PARALLEL;
    } else if (port.name[0] == 'W') {
        cls = VL_PORT_WAN;
    } else if (std::strcmp(port.name, "S0") != 0 && r->port_count <= 5 &&
               RouterHasWanPorts(r, index)) {
        cls = VL_PORT_WAN;
    } else {
        cls = VL_PORT_ASYNC;
    }
    port.port_type = cls;

    if (std::strcmp(port.state, "Unknown") == 0)
        Copy(port.state, port.type);
    if (std::strcmp(port.type, "Netwrk") == 0)
        vl_hex_address(port.ipxnet, s3_6);
    else
        Copy(port.ipxnet, "00000000");
    Copy(port.device, s1_15[0] != '\0' ? s1_15 + 1 : "");
    port.p1_2 = vl_text_to_int(s1_2);
    port.p1_18 = vl_text_to_int(s1_18);
    port.p1_21 = vl_text_to_int(s1_21);
    port.databits = vl_text_to_int(s1_3);
    port.stopbits = vl_text_to_int(s1_4);
    port.map = vl_text_to_hex(s3_12);
    port.p4_1 = vl_text_to_hex(s4_1);
    port.p4_2 = vl_text_to_hex(s4_2);
    port.p4_9 = vl_text_to_int(s4_9);
    if (std::strcmp(port.name, "P0") == 0)
        port.p4_9 &= ~0xFF;
    std::memset(port.reserved1, 0, sizeof port.reserved1);
    std::memset(port.reserved2, 0, sizeof port.reserved2);
    DashToEmpty(port.parity);
    DashToEmpty(port.cd);
    DashToEmpty(port.p1_19);
    DashToEmpty(port.p1_24);
    vl_expand_prompt(port.prompt, sizeof port.prompt, s2_12);
    port.p2_13_service = vl_parse_service(s2_13, &port.p2_13_port);
    port.login_service = vl_parse_service(s2_14, &port.login_port);
    port.p3_1_service = vl_parse_service(s3_1, &port.p3_1_port);
    port.device_service = vl_parse_service(s3_2, &port.device_port);
    Copy(port.destination_mask2, port.destination_mask);
    if (cls == 64 && port.login_port < 1000)
        port.lmi = port.login_port;
    if ((r->capabilities & VL_CAP_IDLE_SECONDS) != 0 && (port.flags & VL_PF_IDLE_SECONDS) == 0)
        port.idle = vl_detail::MinutesToSeconds(port.idle_minutes);
}

// The router answers at most this many queued status requests from one batch.
constexpr int kPortGroup = 6;

} // namespace

/* Fills the caller's port table from the per-port status records. */
int vl_read_ports(VlRouter* r) {
    if (r == nullptr)
        return -1;
    if (r->port_count > 0 && r->ports == nullptr)
        return -1;
    for (int first = 0; first < r->port_count; first += kPortGroup) {
        const int last = first + kPortGroup < r->port_count ? first + kPortGroup : r->port_count;
        for (int i = first; i < last; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "%d", i);
            if (vl_queue_message(r, VL_MSG_STATUS, name,
                                 static_cast<int>(std::strlen(name)) + 1) != 0)
                return vl_detail::Fail(r);
        }
        if (vl_flush(r) != 0)
            return vl_detail::Fail(r);
        for (int i = first; i < last; ++i) {
            if (vl_get_reply(r, vl_reply_buffer()) != 0)
                return vl_detail::Fail(r);
            const char* text = vl_detail::ReplyText();
            // A system message in place of the record leaves the port as it was.
            if (std::strncmp(text, "SYSMSG", 6) == 0)
                continue;
            ParsePort(r, i, text);
        }
    }
    if (r->isdn_present == -1)
        r->isdn_present = 0;
    return 0;
}
