// The Quillet router command library: the framed management connection (TCP 1643),
// the command lines for every setting, the readers of the router's status records and
// tables, the filter rule language and the error codes.
//
// Shape: plain records and functions. Every operation takes the router record first and
// returns an int (0 done, -1 failed, 2 nothing to send, or a socket / flag where said);
// the reason for a failure is left in `vl_last_error`.
//
// The library keeps process-wide buffers (the 4000-byte batch, the reply buffer, the
// command line buffer) and one `vl_last_error`: only one thread may use it, and only one
// exchange is under way at a time across all router records.
//
// Memory: every record of a list the library builds or frees (VlLocation, VlFilter,
// VlFilterRule, VlIpxFilterRule, VlSapFilterRule) comes from std::calloc/std::malloc and
// goes back through std::free. Code that builds such records itself must allocate them
// the same way (the vl_new_* helpers below do, zero-filled) so that vl_free_locations and
// vl_free_filters can release them. The router's port table (`VlRouter::ports`) is the
// caller's: the library never allocates or frees it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Frame types the PC sends. Replies carry a type too, which nothing checks.
enum : int {
    VL_MSG_LOGIN = 2,    // password and its NUL, sent at once, never padded
    VL_MSG_COMMAND = 4,  // command line, NUL, padded to an even length, batched
    VL_MSG_STATUS = 8,   // name of the record wanted ("" global, "ether%d", port number)
    VL_MSG_CONSOLE = 14, // one NUL byte; reply is the pending console text
    VL_MSG_TABLE = 17,   // table name (+ continuation numbers)
};

enum : int {
    VL_FRAME_MAGIC = 0x65,      // first byte of every frame the router accepts
    VL_HEADER_SIZE = 4,         // magic, type, 16-bit big-endian length
    VL_BATCH_SIZE = 4000,       // the router reads at most this much in one go
    VL_REPLY_PAYLOAD = 2060,    // largest reply payload the router sends
    VL_CMD_LINE_SIZE = 512,     // one command line is at most 511 characters
    VL_MAX_QUEUED_PAYLOAD = 1024, // largest payload of one queued frame
    VL_CONSOLE_SIZE = VL_REPLY_PAYLOAD + 1, // buffer vl_get_console writes into
    VL_RULE_TEXT_SIZE = 256,    // buffer the rule-text writers need
    VL_MAX_ETHER = 2,           // Ethernet entries a router record holds
};

// Library error codes (vl_last_error 1..9); any other non-zero value is a WinSock number.
enum : int {
    VL_ERR_NONE = 0,
    VL_ERR_UNKNOWN_HOST = 1,
    VL_ERR_ALL_PORTS_IN_USE = 2,
    VL_ERR_INVALID_HOSTNAME = 3,
    VL_ERR_REQUEST_DENIED = 4,
    VL_ERR_NO_CONNECTION = 5,
    VL_ERR_UNKNOWN_VELUNOR = 6,
    VL_ERR_NO_FILE = 7,
    VL_ERR_NO_IPX = 8,
    VL_ERR_TIMED_OUT = 9,
};

// Capability bits of VlRouter::capabilities (what the firmware accepts).
enum : uint32_t {
    VL_CAP_LEVEL1 = 0x1,
    VL_CAP_LEVEL0 = 0x2,
    VL_CAP_LEVEL2 = 0x8,
    VL_CAP_ETHER_EXTRA = 0x10,
    VL_CAP_PORT_STATUS = 0x20,
    VL_CAP_PAP = 0x40,
    VL_CAP_LEVEL6 = 0x80,
    VL_CAP_LOCATION_CHAP = 0x100,
    VL_CAP_VOICE = 0x200,
    VL_CAP_MULTILINK = 0x400,
    VL_CAP_SERIAL_ADMIN = 0x800,
    VL_CAP_IDLE_SECONDS = 0x1000,
    VL_CAP_CHAP = 0x2000,
    VL_CAP_LEVEL6_B = 0x4000,
    VL_CAP_LEVEL6_C = 0x8000,
    VL_CAP_LEVEL6_D = 0x20000,
    VL_CAP_LEVEL6_E = 0x40000,
    VL_CAP_LEVEL4 = 0x80000,
};

// ---------------------------------------------------------------------------------------
// Records. Texts are NUL-terminated fixed-width arrays; every write into one is cut to
// width - 1 characters.

struct VlPort;

// One Ethernet interface.
struct VlEther {
    char address[20];
    char netmask[20];
    int32_t flags;     // the global bits of the same meaning: VL_GF_RIP_SEND, _RIP_NO_LISTEN,
                       // _ETHER_DOWN, _BROADCAST_HIGH
    char ifilter[20];
    char ofilter[20];
    char ipxnet[20];
    int32_t ipxframe;  // 1 802.2, 2 802.3, 3 ii, other 802.2_ii
    char name[10];     // "ether%d"
    char extra[22];    // last field of the interface record; present on newer firmware
};

// The router record: global settings, Ethernet table, capability bits and the socket.
// It is plain data: copying it copies the `ports` pointer only (the table stays the
// caller's), so a copy of the global part is a plain assignment with `ports` reset.
struct VlRouter {
    char host[4][20];        // default hosts 1..4
    char status_text1[20];
    char status_text2[20];   // an 'R' in it marks a router with WAN ports
    char status_text3[20];   // a leading '3' or '4' marks a router with WAN ports
    char ypserver[20];
    char domain[32];
    uint32_t flags;          // global switches (VL_GF_*)
    int32_t port_count;      // entries of `ports`
    uint8_t reserved1[4];
    int32_t telnet;
    char loghost[20];
    char assigned[20];
    char address[20];
    char gateway[20];
    int32_t gateway_metric;
    char ipxgateway[32];
    int32_t ipxgateway_hops;
    char netmask[20];
    char ifilter[20];
    char ofilter[20];
    char ipxnet[20];
    int32_t ipxframe;
    VlPort* ports;           // caller's table of `port_count` entries, or null
    VlEther ether[2];
    int32_t ether_count;     // valid entries of `ether` (never read beyond 2)
    char status_text4[20];
    int32_t status_num1;     // -1 when absent
    char status_text5[20];
    char status_text6[20];
    char status_text7[20];
    char status_text8[20];
    char status_text9[20];
    char status_text10[20];
    char status_text11[20];
    char status_text12[20];
    int32_t status_num2;
    int32_t firmware_level;  // -1 when absent
    char reserved2[20];
    char status_text13[20];
    char status_text14[20];
    char status_text15[20];
    int32_t isdn_switch;     // index into the switch-name table, -1 unknown (the reader
                             // clears the firmware's VL_SWITCH_REGISTERED from it)
    int32_t status_num3;
    int32_t isdn_present;    // 1 ISDN port present, 0 none, -1 ports not read yet
    uint32_t capabilities;   // VL_CAP_*
    int32_t socket;          // -1 when closed
};

// The bit the firmware adds to the switch index once the lines registered.
enum : int32_t { VL_SWITCH_REGISTERED = 0x40 };

// Global flag bits (VlRouter::flags).
enum : uint32_t {
    VL_GF_RIP_SEND = 0x1,
    VL_GF_SLIP = 0x2,
    VL_GF_ETHER_DOWN = 0x4,
    VL_GF_BROADCAST_HIGH = 0x8,
    VL_GF_SNMP = 0x10,
    VL_GF_RIP_NO_LISTEN = 0x20,
    VL_GF_DEFAULT_SEND = 0x40,
    VL_GF_DEFAULT_LISTEN = 0x80,
    VL_GF_DNS = 0x200,
    VL_GF_PAP_OFF = 0x8000,
    VL_GF_CHAP_OFF = 0x20000,
    VL_GF_SERIAL_ADMIN_OFF = 0x40000,
};

// One port. Fields named pN_M hold field M of the Nth line format of the port status
// record; they are kept for callers and carry no meaning for the commands.
struct VlPort {
    char name[12];            // S0, W1, C2, P3 ...
    char type[20];            // "Login", "Device/Netwrk", "PPP" ...
    char host[4][20];         // network ports: host[3] is the local address
    int32_t speed[3];         // bit/s; 60000 = 115200, 60001 = 78600
    int32_t databits;
    char parity[8];
    int32_t stopbits;
    int32_t line_flags;       // VL_LINE_*
    char cd[4];
    int32_t override;         // VL_OVERRIDE_*
    uint32_t flags;           // VL_PF_*
    char device[32];
    char term[18];
    char prompt[256];
    char username[10];
    char message[280];        // or "DLCI:" and the DLCI list
    int32_t login_service;
    int32_t login_port;
    int32_t device_service;
    int32_t device_port;
    char destination[20];     // the remote address after a dial
    char destination_mask[20];
    int32_t group;
    int32_t mtu;
    uint32_t reserved1[2];
    uint32_t map;
    uint32_t reserved2[3];
    char ifilter[18];
    char ofilter[18];
    int32_t idle_minutes;
    int32_t idle;             // seconds
    char ipxnet[20];
    int32_t lmi;
    char p5_7[16];
    int32_t p5_5;
    int32_t p5_6;             // -1 when absent
    uint8_t reserved3[4];
    char spid[21];            // 20 digits and the NUL
    char directory[17];       // 16 digits and the NUL
    int32_t port_type;        // VL_PORT_CLASS_*
    char state[20];
    char p1_25[20];
    int32_t p1_2;
    int32_t p1_18;
    char p1_19[8];
    int32_t p1_20;
    int32_t p1_21;
    int32_t p1_22;
    char p1_24[4];
    int32_t p3_8;
    int32_t p2_13_service;
    int32_t p2_13_port;
    int32_t p3_1_service;
    int32_t p3_1_port;
    char p3_5[20];
    char destination_mask2[20]; // copy of destination_mask
    char p3_7[16];
    int32_t p3_11;
    int32_t p3_13;
    int32_t p3_14;
    uint32_t p4_1;
    uint32_t p4_2;
    int32_t p4_3;
    int32_t p4_4;
    int32_t p4_9;             // low byte cleared for P0
    uint8_t reserved4[28];
    char p4_7[18];
    char p4_8[18];
    int32_t p4_11;
    int32_t p5_12;
    int32_t p4_12;
    int32_t p4_13;
    int32_t p4_14;
    char p5_1[20];
    uint32_t p5_8;
    char conn_state[20];      // connection state: "NO-SERVICE", "IDLE", "ESTABLISHED" ...
    int32_t p1_9;
    int32_t p1_10;
    int32_t p1_11;
    int32_t p2_6;
    int32_t p2_7;
    int32_t p2_8;
    uint32_t term_reason;     // termination reason; 0xFFFFFFFF when absent
    uint32_t isdn_cause;      // ISDN cause value
};

// Port flag bits (VlPort::flags).
enum : uint32_t {
    VL_PF_HOST_PROMPT = 0x1,
    VL_PF_EXTENDED = 0x2,
    VL_PF_RIP_SEND = 0x8,
    VL_PF_DIALIN = 0x10,
    VL_PF_DIALOUT = 0x20,
    VL_PF_COMPRESS = 0x100,
    VL_PF_PPP = 0x200,
    VL_PF_RIP_NO_LISTEN = 0x400,
    VL_PF_SECURITY = 0x1000,
    VL_PF_ACCESS_ANNEXD = 0x4000,  // "access" on a serial line, annex D (not LMI) on a frame relay one
    VL_PF_HANGUP_OFF = 0x8000,
    VL_PF_IDLE_SECONDS = 0x80000,
};

// Serial line bits (VlPort::line_flags) and the settings a port's user may override
// (VlPort::override).
enum : int32_t {
    VL_LINE_XON_OFF = 0x4,
    VL_LINE_RTS_ON = 0x20,
    VL_OVERRIDE_XONXOFF = 0x1,
    VL_OVERRIDE_SPEED = 0x2,
    VL_OVERRIDE_DATABITS = 0x4,
    VL_OVERRIDE_PARITY = 0x10,
    VL_OVERRIDE_PARCTL = 0x40,
};

// Port classes (VlPort::port_type) as the reader derives them.
enum : int32_t {
    VL_PORT_ASYNC = 16,
    VL_PORT_PARALLEL = 32,
    VL_PORT_WAN = 64,
    VL_PORT_ISDN = 128,
};

// A dial-out destination. Lists are sorted by `name` (byte-wise) and linked by `next`.
struct VlLocation {
    char name[16];            // 1..12 characters when created here
    char dest[20];
    char netmask[20];
    int32_t group;
    int32_t flags;            // VL_LF_*
    int32_t flags2;           // VL_LF2_*
    int32_t idle_minutes;
    int32_t idle;             // seconds
    int32_t maxports;
    int32_t high_water;
    int32_t mtu;
    uint32_t map;
    char ifilter[18];
    char ofilter[18];
    char ipxnet[20];
    char script[256];
    char v25bis[256];
    char telephone[40];
    char telephone2[40];
    char username[40];
    char password[40];
    char status_text1[20];
    char status_text2[20];
    int32_t status_num;
    VlLocation* next;
};

// Location flag bits (VlLocation::flags, VlLocation::flags2).
enum : int32_t {
    VL_LF_RIP_NO_SEND = 0x1,
    VL_LF_CONTINUOUS = 0x2,
    VL_LF_ON_DEMAND = 0x4,
    VL_LF_COMPRESS = 0x8,
    VL_LF_PPP = 0x20,
    VL_LF_RIP_NO_LISTEN = 0x40,
    VL_LF2_MULTILINK = 0x2,
    VL_LF2_VOICE = 0x4,
    VL_LF2_CHAP = 0x40,
    VL_LF2_IDLE_SECONDS = 0x100,
};

// IP filter rule.
struct VlFilterRule {
    int32_t number;
    int32_t flags;            // VL_RF_*
    char src[16];
    int32_t src_bits;
    char dst[16];
    int32_t dst_bits;
    int32_t protocol;         // 1 ICMP, 6 TCP, 17 UDP
    int32_t src_port;         // or the ICMP type
    int32_t dst_port;
    VlFilterRule* next;
};

enum : int32_t {
    VL_RF_SRC = 0x1,
    VL_RF_DST = 0x2,
    VL_RF_PROTOCOL = 0x4,
    VL_RF_SRC_PORT = 0x8,
    VL_RF_DST_PORT = 0x10,
    VL_RF_ESTABLISHED = 0x20,
    VL_RF_DENY = 0x40,
    VL_RF_SRC_LT = 0x100,
    VL_RF_SRC_GT = 0x200,
    VL_RF_DST_LT = 0x400,
    VL_RF_DST_GT = 0x800,
    VL_RF_LOG = 0x1000,
    VL_RF_NOTIFY = 0x2000,
    VL_RF_SRC_TEXT = 0x4000,
    VL_RF_DST_TEXT = 0x8000,
};

// IPX and SAP rule flags (their deny and comparison bits are the IP rule's).
enum : int32_t {
    VL_XF_SRCNET = 0x1,
    VL_XF_DSTNET = 0x2,
    VL_XF_SRCHOST = 0x4,
    VL_XF_DSTHOST = 0x8,
    VL_XF_SRCSOCKET = 0x10,
    VL_XF_DSTSOCKET = 0x20,
    VL_SF_SERVER = 0x1,
    VL_SF_NETWORK = 0x2,
    VL_SF_HOST = 0x4,
    VL_SF_SOCKET = 0x10,
    VL_SF_SERVICE = 0x20,
    VL_RF_LT = 0x100,  // the comparison of an IPX socket or a SAP service
    VL_RF_GT = 0x200,
};

// IPX filter rule (flags VL_XF_*, VL_RF_DENY, VL_RF_LT, VL_RF_GT).
struct VlIpxFilterRule {
    int32_t number;
    int32_t flags;
    char srcnet[10];
    char srchost[18];
    uint32_t srcsocket;
    char dstnet[10];
    char dsthost[18];
    uint32_t dstsocket;
    VlIpxFilterRule* next;
};

// SAP filter rule (flags VL_SF_*, VL_RF_DENY, VL_RF_LT, VL_RF_GT).
struct VlSapFilterRule {
    int32_t number;
    int32_t flags;
    char server[48];
    uint32_t service;
    char network[10];
    char host[18];
    uint32_t socket;
    VlSapFilterRule* next;
};

// A named filter with its three rule lists. Lists are sorted by `name` (byte-wise).
struct VlFilter {
    char name[17];            // 1..16 characters and the NUL
    int32_t ip_count;
    int32_t ipx_count;
    int32_t sap_count;
    VlFilterRule* ip_rules;
    VlIpxFilterRule* ipx_rules;
    VlSapFilterRule* sap_rules;
    VlFilter* next;
};

// One frame as received: the length is stored back in host order. The byte after the
// payload area is a guard that stays NUL, so a full-size text payload still ends.
struct VlReply {
    uint8_t magic;
    uint8_t type;
    int16_t length;
    char payload[VL_REPLY_PAYLOAD + 1];
};

// ---------------------------------------------------------------------------------------
// Library-wide last error: 0, a library code 1..9, or a WinSock number.
extern int vl_last_error;

// Message text of a library code 0..9; "" for any other value.
const char* vl_error_text(int code);

// ---- connection (vl_conn) -------------------------------------------------------------
// Clears a router record for a new connection: zero fields, `socket` -1, `isdn_present`,
// `firmware_level` and `isdn_switch` -1, `ports` null.
void vl_init_router(VlRouter* router);
int vl_connect(const char* name);   // socket, or -1; retries while refused (11 attempts)
int vl_open(const char* name);      // one attempt: socket, or -1
int vl_login(VlRouter* router, const char* password);
int vl_close(VlRouter* router);
int vl_write(VlRouter* router, const void* bytes, int count);
int vl_read(VlRouter* router, void* buffer, int count);
int vl_send_message(VlRouter* router, int type, const void* payload, int length);
// Appends a frame to the batch (flushing it first when the frame would pass 4000 bytes).
// 0; -1 when the payload is over 1024 bytes (nothing queued) or the automatic flush failed.
int vl_queue_message(VlRouter* router, int type, const void* payload, int length);
int vl_flush(VlRouter* router);
int vl_get_reply(VlRouter* router, VlReply* reply);
int vl_get_status(VlRouter* router, VlReply* reply);   // 0 's', 1 refused, -1 failed
int vl_command(VlRouter* router, const char* text);
int vl_commit(VlRouter* router, int count);
int vl_get_console(VlRouter* router, char* text_out);  // text_out: VL_CONSOLE_SIZE bytes
// The reply buffer the library's own exchanges use.
VlReply* vl_reply_buffer();
// Bytes waiting in the batch (for callers that want to know whether a flush is due).
int vl_batch_fill();
// Capture: while `lines` is set, every command line is appended to it instead of being
// queued, and every commit succeeds without sending or reading anything. Logins, record
// and table reads still reach the router. This is how a preview computes what a write
// would send with the very builders that send it. Null ends the capture.
void vl_capture_commands(std::vector<std::string>* lines);
int vl_capturing();
// Read-only: while on, no command batch reaches the router (vl_commit drops it and fails
// with code 4), and the per-location CHAP probe of vl_read_global writes nothing: it
// takes its answer from this connection's earlier probe, else from a location that has
// CHAP on, else it assumes from the other capability fields (vl_chap_assumed then 1).
// Capture mode probes the same way. For previews and backups, whose login must leave
// the router as it was.
void vl_set_read_only(int on);
int vl_read_only();
int vl_chap_assumed();

// ---- address helpers (vl_conn) --------------------------------------------------------
int vl_is_hostname(const char* text);               // 0 dotted quad, -1 host name
uint32_t vl_parse_address(const char* text);        // host order; 0 on error
int vl_hex_address(char* text_out, const char* address_text); // text_out: 9 bytes

// ---- global and Ethernet (readers in vl_gsvc, builders, saves, restart in vl_cmd) -----
int vl_read_global(VlRouter* router);
int vl_read_ether(VlRouter* router);
int vl_set_global(VlRouter* current, const VlRouter* desired, const char* password);
int vl_set_ether(VlRouter* router, const char* ifname, const VlEther* current,
                 const VlEther* desired);
int vl_reset_all(VlRouter* router);
int vl_save(VlRouter* router, const char* what);
int vl_save_address(VlRouter* router);
int vl_reboot(VlRouter* router);
// Capability tests: the bit masked out of `capabilities` (non-zero = available).
int vl_has_pap(const VlRouter* router);             // 0x40   "set pap"
int vl_has_location_chap(const VlRouter* router);   // 0x100  "set <loc> chap"
int vl_has_voice(const VlRouter* router);           // 0x200  "set <loc> voice"
int vl_has_multilink(const VlRouter* router);       // 0x400  "set <loc> multilink"
int vl_has_serial_admin(const VlRouter* router);    // 0x800  "set serial-admin"
int vl_has_idle_seconds(const VlRouter* router);    // 0x1000 idle times in seconds
int vl_has_chap(const VlRouter* router);            // 0x2000 "set chap"
// Keyword of a switch-type index ("" for 3, 16 and out-of-range), frame-type keyword.
const char* vl_isdn_switch_name(int index);
const char* vl_ipxframe_name(int code);

// ---- ports (builder in vl_cmd_port, reader in vl_gsvc) --------------------------------
// Compares desired with current from `type` on (the records' names are not used; the
// port name is `name`). May rewrite the desired speed codes 60000/60001.
int vl_set_port(VlRouter* router, const char* name, const VlPort* current, VlPort* desired);
int vl_port_type(const char* type, int* network);   // kind 0..3; *network 0/1 (may be null)
const char* vl_port_mode_name(uint32_t flags);      // twoway, dialin, dialout, hardwired
const char* vl_service_name(int service);           // rlogin, telnet, netdata, velunor
int vl_read_ports(VlRouter* router);
int vl_parse_service(const char* text, int32_t* port); // service number; *port its TCP port
// Copies `text` with each "$h" pair written as "$hostname"; `out` holds `size` bytes.
int vl_expand_prompt(char* out, size_t size, const char* text);

// ---- locations (builder in vl_cmd_location; add, delete, save, dial, CHAP probe in
// vl_umgr; the table and the list in vl_table) ------------------------------------------
VlLocation* vl_read_locations(VlRouter* router);    // sorted list, or null
void vl_free_locations(VlLocation* list);
int vl_set_location(VlRouter* router, const VlLocation* current, const VlLocation* desired);
int vl_add_location(VlRouter* router, const VlLocation* desired);
int vl_delete_location(VlRouter* router, const char* name);
int vl_save_location(VlRouter* router);
int vl_dial(VlRouter* router, const char* name, int exclusive);
// 1 accepted, 0 not; read-only and capture modes answer without writing (see above).
int vl_probe_location_chap(VlRouter* router);
// Inserts `rec` before the first record whose name is equal or greater.
void vl_insert_location(VlLocation** list, VlLocation* rec);

// ---- filters (rule texts and builder in vl_cmd_filter; add, delete, save in vl_umgr;
// the tables and the list in vl_bfilt) ---------------------------------------------------
// Rule texts; `out` holds VL_RULE_TEXT_SIZE bytes.
int vl_filter_text(char* out, const VlFilterRule* rule);
int vl_ipxfilter_text(char* out, const VlIpxFilterRule* rule);
int vl_sapfilter_text(char* out, const VlSapFilterRule* rule);
int vl_set_filter(VlRouter* router, const VlFilter* current, const VlFilter* desired);
int vl_add_filter(VlRouter* router, const VlFilter* desired);
int vl_delete_filter(VlRouter* router, const char* name);
int vl_save_filter(VlRouter* router);
VlFilter* vl_read_filters(VlRouter* router);        // "bigfilt", else the three older tables
VlFilter* vl_read_bigfilt(VlRouter* router);
// Frees every filter with at most `ip_count`, `ipx_count` and `sap_count` rules of its
// three lists (std::free), so keep the counts in step with the lists.
void vl_free_filters(VlFilter* list);
void vl_insert_filter(VlFilter** list, VlFilter* filter);

// Zero-filled records from std::calloc (released with std::free / vl_free_*); null when
// memory is short.
VlLocation* vl_new_location();
VlFilter* vl_new_filter();
VlFilterRule* vl_new_filter_rule();
VlIpxFilterRule* vl_new_ipxfilter_rule();
VlSapFilterRule* vl_new_sapfilter_rule();

// ---- scanner (vl_scan) ----------------------------------------------------------------
// One output of vl_scan: a text buffer with its size, or a number. Fixed-width arrays
// convert with their size, so a text never runs past its field.
struct VlScanOut {
    enum Kind { Text, Number } kind;
    char* text;       // Text: the buffer
    size_t size;      // Text: its size, NUL included
    void* num;        // Number: an int32_t or uint32_t (conversions store the 32 bits)

    template <size_t N>
    VlScanOut(char (&a)[N]) : kind(Text), text(a), size(N), num(nullptr) {}
    VlScanOut(char* t, size_t n) : kind(Text), text(t), size(n), num(nullptr) {}
    VlScanOut(int32_t* p) : kind(Number), text(nullptr), size(0), num(p) {}
    VlScanOut(uint32_t* p) : kind(Number), text(nullptr), size(0), num(p) {}
};

// Pass fixed-width char arrays (their size is taken from the type), VlScanOut(buf, size)
// for other buffers, and int32_t* / uint32_t* for numbers.
// Scans `input` with `format` (%s word, %q quoted or plain word, %d/%l decimal with an
// optional k suffix, %x hexadecimal) into `outs`. Stops at the end of the input, at a
// newline, at an unknown conversion, or when a conversion does not fit its output kind
// (a text conversion into a number or the reverse). Returns where it stopped.
const char* vl_scanv(const char* input, const char* format, const VlScanOut* outs,
                     int count);

template <typename... Outs>
const char* vl_scan(const char* input, const char* format, Outs&&... outs) {
    const VlScanOut list[] = {VlScanOut(outs)..., VlScanOut(static_cast<int32_t*>(nullptr))};
    return vl_scanv(input, format, list, static_cast<int>(sizeof...(Outs)));
}

// %d rules on a text (leading blanks, sign, digits, k suffix); %x rules likewise.
int32_t vl_text_to_int(const char* text);
uint32_t vl_text_to_hex(const char* text);
