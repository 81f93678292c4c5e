// The management connection: connect and log in, framing, the command batch, replies,
// console reads, and the address helpers.
#include "cmdlib/vl.h"
#include "cmdlib/vl_internal.h"

#include "platform/Hooks.h"
#include "platform/Sockets.h"
#include "platform/Time.h"

#include <arpa/inet.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>

int vl_last_error = 0;

namespace {

// The router reads a batch of at most this many bytes, headers and padding included.
uint8_t g_batch[VL_BATCH_SIZE];
int g_fill = 0;

VlReply g_reply;

char g_cmd_line[VL_CMD_LINE_SIZE];

std::vector<std::string>* g_capture = nullptr;
int g_read_only = 0;

// A receive waits this long (scaled) before the connection is given up.
constexpr long kReceiveTimeoutMs = 30000;
// Wait between refused connection attempts, and how many attempts are made.
constexpr long kRetryWaitMs = 2000;
constexpr int kConnectAttempts = 11;
constexpr int kFirstLocalPort = 1025;
constexpr int kLocalPortLimit = 64000;

bool Closed(const VlRouter* router) { return router == nullptr || router->socket < 0; }

int NoConnection() {
    vl_last_error = VL_ERR_NO_CONNECTION;
    return -1;
}

// A batch whose send or replies broke off leaves the router somewhere in the middle of
// it: the connection goes, so that nobody takes it for one still in step. -1, the
// failure's code kept.
int LinkLost(VlRouter* router) {
    const int err = vl_last_error;
    if (router != nullptr && router->socket >= 0)
        vl_close(router);
    vl_last_error = err;
    return -1;
}

} // namespace

VlReply* vl_reply_buffer() { return &g_reply; }

int vl_batch_fill() { return g_fill; }

void vl_capture_commands(std::vector<std::string>* lines) { g_capture = lines; }

int vl_capturing() { return g_capture != nullptr; }

void vl_set_read_only(int on) { g_read_only = on != 0; }

int vl_read_only() { return g_read_only; }

void vl_init_router(VlRouter* router) {
    if (router == nullptr)
        return;
    std::memset(router, 0, sizeof *router);
    router->socket = -1;
    router->isdn_present = -1;
    router->firmware_level = -1;
    router->isdn_switch = -1;
    router->status_num1 = -1;
}

/* One attempt at opening the management connection. */
int vl_open(const char* name) {
    if (name == nullptr) {
        vl_last_error = VL_ERR_UNKNOWN_VELUNOR;
        return -1;
    }
    uint32_t addr = 0;
    if (vl_is_hostname(name)) {
        if (platform::ResolveHost(name, &addr) != 0) {
            vl_last_error = VL_ERR_UNKNOWN_VELUNOR;
            return -1;
        }
    } else {
        addr = htonl(vl_parse_address(name));
    }
    const uint16_t port = static_cast<uint16_t>(platform::GetHooks().mgmtPort);

    // The router wants the PC on a fixed low port range: bind from 1025 upwards.
    int counter = kFirstLocalPort - 1;
    for (;;) {
        int s = platform::TcpSocket();
        if (s < 0)
            return -1;
        platform::SetSockOptInt(s, SOL_SOCKET, SO_KEEPALIVE, 1);
        int rc;
        do {
            ++counter;
            rc = platform::BindAny(s, static_cast<uint16_t>(counter));
        } while (rc != 0 && counter < kLocalPortLimit);
        if (counter >= kLocalPortLimit) {
            platform::CloseSocket(s);
            vl_last_error = VL_ERR_ALL_PORTS_IN_USE;
            return -1;
        }
        if (platform::Connect(s, addr, port) == 0)
            return s;
        vl_last_error = platform::LastSocketError();
        platform::CloseSocket(s);
        if (vl_last_error != platform::WSAEADDRINUSE)
            return -1;
    }
}

/* Opens the connection, waiting and retrying while the router refuses it. */
int vl_connect(const char* name) {
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        int s = vl_open(name);
        if (s >= 0 || vl_last_error != platform::WSAECONNREFUSED)
            return s;
        // Refused: the router still holds another administrative connection.
        platform::Sleep(kRetryWaitMs);
    }
    return -1;
}

int vl_close(VlRouter* router) {
    if (router == nullptr)
        return -1;
    int rc = platform::CloseSocket(router->socket);
    router->socket = -1;
    return rc;
}

int vl_login(VlRouter* router, const char* password) {
    if (Closed(router))
        return NoConnection();
    vl_detail::ForgetChapAnswer();
    const char* pw = password == nullptr ? "" : password;
    int length = static_cast<int>(strnlen(pw, VL_REPLY_PAYLOAD - 1)) + 1;
    if (vl_send_message(router, VL_MSG_LOGIN, pw, length) != 0) {
        vl_close(router);
        return -1;
    }
    // An unreadable reply still counts as accepted: the first record read then reports
    // the broken connection.
    if (vl_get_status(router, &g_reply) == 1) {
        vl_last_error = VL_ERR_REQUEST_DENIED;
        return -1;
    }
    return 0;
}

int vl_write(VlRouter* router, const void* bytes, int count) {
    if (Closed(router))
        return NoConnection();
    if (count < 0 || (bytes == nullptr && count > 0)) {
        vl_last_error = platform::WSAEFAULT;
        return -1;
    }
    int n = platform::Send(router->socket, bytes, count);
    if (n < 0) {
        vl_last_error = platform::LastSocketError();
        return -1;
    }
    if (n != count) {
        vl_last_error = platform::WSAENOBUFS;
        return -1;
    }
    return count;
}

int vl_read(VlRouter* router, void* buffer, int count) {
    if (Closed(router))
        return NoConnection();
    auto* p = static_cast<uint8_t*>(buffer);
    int got = 0;
    while (got < count) {
        int n = platform::Recv(router->socket, p + got, count - got,
                               platform::ScaledMs(kReceiveTimeoutMs));
        if (n > 0) {
            got += n;
            continue;
        }
        if (n == 0) {
            // The router closed the connection (mid-frame or between frames).
            vl_last_error = platform::WSAECONNRESET;
            return -1;
        }
        vl_last_error = platform::LastSocketError();
        if (vl_last_error == platform::WSAETIMEDOUT) {
            // A router that accepted the connection and fell silent: give the
            // connection up so the exchanges after this one fail at once.
            vl_close(router);
            vl_last_error = platform::WSAETIMEDOUT;
        }
        return -1;
    }
    return 0;
}

int vl_send_message(VlRouter* router, int type, const void* payload, int length) {
    vl_last_error = 0;
    if (Closed(router))
        return NoConnection();
    if (length < 0 || length > VL_REPLY_PAYLOAD || (payload == nullptr && length > 0)) {
        vl_last_error = platform::WSAEMSGSIZE;
        return -1;
    }
    uint8_t frame[VL_HEADER_SIZE + VL_REPLY_PAYLOAD];
    frame[0] = VL_FRAME_MAGIC;
    frame[1] = static_cast<uint8_t>(type);
    frame[2] = static_cast<uint8_t>((length >> 8) & 0xFF);
    frame[3] = static_cast<uint8_t>(length & 0xFF);
    if (length > 0)
        std::memcpy(frame + VL_HEADER_SIZE, payload, static_cast<size_t>(length));
    return vl_write(router, frame, VL_HEADER_SIZE + length) < 0 ? -1 : 0;
}

int vl_queue_message(VlRouter* router, int type, const void* payload, int length) {
    if (length < 0 || length > VL_MAX_QUEUED_PAYLOAD || (payload == nullptr && length > 0)) {
        vl_last_error = platform::WSAEMSGSIZE;
        return -1;
    }
    const int padded = length + (length & 1);
    int rc = 0;
    if (g_fill + VL_HEADER_SIZE + padded > VL_BATCH_SIZE)
        rc = vl_flush(router);
    if (rc == 0)
        vl_last_error = 0;
    uint8_t* f = g_batch + g_fill;
    f[0] = VL_FRAME_MAGIC;
    f[1] = static_cast<uint8_t>(type);
    f[2] = static_cast<uint8_t>((padded >> 8) & 0xFF);
    f[3] = static_cast<uint8_t>(padded & 0xFF);
    if (length > 0)
        std::memcpy(f + VL_HEADER_SIZE, payload, static_cast<size_t>(length));
    if (padded != length)
        f[VL_HEADER_SIZE + length] = 0; // the router reads payloads in 16-bit words
    g_fill += VL_HEADER_SIZE + padded;
    return rc;
}

int vl_flush(VlRouter* router) {
    vl_last_error = 0;
    const int fill = g_fill;
    g_fill = 0;
    if (Closed(router))
        return NoConnection();
    return vl_write(router, g_batch, fill) < 0 ? -1 : 0;
}

int vl_get_reply(VlRouter* router, VlReply* reply) {
    vl_last_error = 0;
    if (Closed(router))
        return NoConnection();
    if (reply == nullptr)
        reply = &g_reply;
    uint8_t header[VL_HEADER_SIZE];
    if (vl_read(router, header, VL_HEADER_SIZE) != 0)
        return -1;
    const int16_t length = static_cast<int16_t>((header[2] << 8) | header[3]);
    reply->magic = header[0];
    reply->type = header[1];
    reply->length = length;
    if (length < 0 || length > VL_REPLY_PAYLOAD) {
        // A negative length would leave its payload unread, a longer one would run
        // past the reply area: either way the stream is lost, so the connection goes.
        vl_close(router);
        vl_last_error = platform::WSAEMSGSIZE;
        return -1;
    }
    if (length > 0) {
        if (vl_read(router, reply->payload, length) != 0)
            return -1;
        reply->payload[length] = '\0';
    }
    reply->payload[VL_REPLY_PAYLOAD] = '\0';
    return 0;
}

int vl_get_status(VlRouter* router, VlReply* reply) {
    if (reply == nullptr)
        reply = &g_reply;
    if (vl_get_reply(router, reply) != 0 || reply->length <= 0)
        return -1;
    return reply->payload[0] == 's' ? 0 : 1;
}

int vl_command(VlRouter* router, const char* text) {
    if (text == nullptr)
        text = "";
    if (g_capture != nullptr) {
        g_capture->emplace_back(text, strnlen(text, VL_MAX_QUEUED_PAYLOAD - 1));
        return 0;
    }
    int length = static_cast<int>(strnlen(text, VL_MAX_QUEUED_PAYLOAD)) + 1;
    return vl_queue_message(router, VL_MSG_COMMAND, text, length);
}

int vl_commit(VlRouter* router, int count) {
    if (g_capture != nullptr)
        return 0;
    if (g_read_only) {
        // Nothing the router would apply leaves while only reading.
        g_fill = 0;
        vl_last_error = VL_ERR_REQUEST_DENIED;
        return -1;
    }
    if (vl_flush(router) != 0)
        return LinkLost(router);
    bool all_accepted = true;
    VlReply later;
    for (int i = 0; i < count; ++i) {
        // The first refusal stays in the reply buffer: its text says why.
        int rc = vl_get_status(router, all_accepted ? &g_reply : &later);
        if (rc != 0)
            all_accepted = false;
        // A reply that cannot be read leaves the stream out of step: stop there.
        if (rc < 0 && vl_last_error != 0)
            return LinkLost(router);
    }
    return all_accepted ? 0 : -1;
}

int vl_get_console(VlRouter* router, char* text_out) {
    if (Closed(router))
        return NoConnection();
    const char nul = '\0';
    if (vl_send_message(router, VL_MSG_CONSOLE, &nul, 1) != 0 ||
        vl_get_reply(router, &g_reply) != 0) {
        vl_close(router);
        return -1;
    }
    const int length = g_reply.length;
    if (text_out != nullptr) {
        if (length > 0)
            std::memcpy(text_out, g_reply.payload, static_cast<size_t>(length));
        text_out[length > 0 ? length : 0] = '\0';
    }
    return 0;
}

int vl_is_hostname(const char* text) {
    if (text == nullptr)
        return -1;
    int dots = 0;
    int digits = 0;
    for (const char* p = text; *p != '\0' && *p != ' '; ++p) {
        if (*p == '.') {
            ++dots;
            digits = 0;
        } else if (*p >= '0' && *p <= '9') {
            if (++digits > 3)
                return -1;
        } else {
            return -1;
        }
    }
    return dots == 3 ? 0 : -1;
}

uint32_t vl_parse_address(const char* text) {
    if (text == nullptr)
        return 0;
    uint32_t addr = 0;
    const char* p = text;
    for (int group = 0; group < 4; ++group) {
        int value = 0;
        int digits = 0;
        while (*p >= '0' && *p <= '9') {
            if (++digits > 3)
                return 0;
            value = value * 10 + (*p - '0');
            ++p;
        }
        if (digits == 0 || value > 255)
            return 0;
        if (group < 3) {
            if (*p != '.')
                return 0;
            ++p;
        }
        addr = (addr << 8) | static_cast<uint32_t>(value);
    }
    return addr;
}

int vl_hex_address(char* text_out, const char* address_text) {
    if (text_out == nullptr)
        return -1;
    std::snprintf(text_out, 9, "%08lX", static_cast<unsigned long>(vl_parse_address(address_text)));
    return 0;
}

namespace vl_detail {

int Line(VlRouter* router, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(g_cmd_line, sizeof g_cmd_line, format, ap);
    va_end(ap);
    vl_command(router, g_cmd_line);
    return 1;
}

const char* ReplyText() { return g_reply.length > 0 ? g_reply.payload : ""; }

int Request(VlRouter* router, int type, const void* payload, int length) {
    if (vl_send_message(router, type, payload, length) != 0 ||
        vl_get_reply(router, &g_reply) != 0)
        return Fail(router);
    return 0;
}

} // namespace vl_detail
