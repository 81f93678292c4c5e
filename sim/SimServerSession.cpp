// The management service: the listening socket (closed while a session runs), one
// session's frames in and replies out, the faults a scenario asks for, and the restart
// window after "reboot".
#include "sim/SimServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

namespace {

// Message types of the management protocol.
constexpr uint8_t kMagic = 0x65;
constexpr uint8_t kLogin = 2;
constexpr uint8_t kCommand = 4;
constexpr uint8_t kStatus = 8;
constexpr uint8_t kConsole = 14;
constexpr uint8_t kTable = 17;

// A client's reply area holds 2060 payload bytes; no frame of ours is longer, and no client
// frame needs to be either (a command line is at most 511 characters).
constexpr int kMaxPayload = 2060;
constexpr size_t kBootpSize = 300;

const char* TypeName(uint8_t type) {
    switch (type) {
    case kLogin: return "LOGIN";
    case kCommand: return "COMMAND";
    case kStatus: return "STATUS";
    case kConsole: return "CONSOLE";
    case kTable: return "TABLE";
    default: return "UNKNOWN";
    }
}

std::string Printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c >= 0x20 && c < 0x7F)
            out += static_cast<char>(c);
        else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

std::string UpToNul(const std::string& payload) {
    size_t nul = payload.find('\0');
    return nul == std::string::npos ? payload : payload.substr(0, nul);
}

std::string Frame(uint8_t type, const std::string& payload, int claimedLength) {
    std::string f;
    f += static_cast<char>(kMagic);
    f += static_cast<char>(type);
    f += static_cast<char>((claimedLength >> 8) & 0xFF);
    f += static_cast<char>(claimedLength & 0xFF);
    f += payload;
    return f;
}

} // namespace

// Port 0: one free port is chosen at start and kept, so that the router answers on the same
// port after a restart or once BOOTP gave it an address.
bool SimServer::ReservePort(std::string* err) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    socklen_t len = sizeof sa;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
        if (err)
            *err = std::string("cannot pick a free port: ") + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return false;
    }
    port_ = ntohs(sa.sin_port);
    close(fd);
    return true;
}

bool SimServer::OpenListener(std::string* err) {
    std::string address = cfg_.listen;
    if (address == "router") {
        address = model_.Running().global.address;
        if (address.empty())
            address = "0.0.0.0";
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            break;
        int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<uint16_t>(port_));
        inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
        // backlog 1 and the socket closed while a session runs: a second client is refused
        if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 && listen(fd, 1) == 0) {
            socklen_t len = sizeof sa;
            getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
            port_ = ntohs(sa.sin_port);
            listenFd_ = fd;
            boundAddress_ = address;
            char shown[INET_ADDRSTRLEN];
            inet_ntop(AF_INET, &sa.sin_addr, shown, sizeof shown);
            Event("listening on " + std::string(shown) + ":" + std::to_string(port_));
            return true;
        }
        std::string why = std::strerror(errno);
        close(fd);
        if (attempt == 0 && address != "0.0.0.0" && cfg_.listen == "router") {
            // the router's own address is not on this machine: serve on every address instead
            Log("cannot listen on " + address + ": " + why + "; using 0.0.0.0");
            address = "0.0.0.0";
            continue;
        }
        if (err)
            *err = "cannot listen on " + address + ":" + std::to_string(port_) + ": " + why;
        Log("cannot listen on " + address + ":" + std::to_string(port_) + ": " + why);
        return false;
    }
    if (err)
        *err = "cannot create a socket";
    return false;
}

void SimServer::CloseListener() {
    if (listenFd_ >= 0) {
        close(listenFd_);
        listenFd_ = -1;
    }
}

void SimServer::Accept() {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    int fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
    if (fd < 0)
        return;
    // A batch of commands is answered with one frame per command; with Nagle every frame
    // after the first would wait for the client's delayed acknowledgement (40 ms each).
    int noDelay = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    // one administrative connection at a time: nobody else gets in until it ends
    CloseListener();
    sessionFd_ = fd;
    timeval tv{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    in_.clear();
    pending_.clear();
    loggedIn_ = false;
    silent_ = false;
    closing_ = false;
    frames_ = 0;
    ++connections_;
    char shown[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &peer.sin_addr, shown, sizeof shown);
    Log("session " + std::to_string(connections_) + " from " + shown + ":" +
        std::to_string(ntohs(peer.sin_port)));
}

void SimServer::EndSession(const std::string& why) {
    if (sessionFd_ < 0)
        return;
    close(sessionFd_);
    sessionFd_ = -1;
    in_.clear();
    pending_.clear();
    Log("session closed: " + why);
    if (!rebooting_ && !stop_)
        OpenListener(nullptr);
}

bool SimServer::FaultsActive() const {
    return connections_ >= cfg_.faults.fromConnection &&
           (cfg_.faults.connections == 0 || connections_ <= cfg_.faults.connections);
}

void SimServer::ReadSession() {
    char buf[4096];
    ssize_t n = recv(sessionFd_, buf, sizeof buf, 0);
    if (n <= 0) {
        EndSession(n == 0 ? "peer closed" : std::string("receive failed: ") + std::strerror(errno));
        return;
    }
    if (closing_ || silent_) {
        return;  // a closing or silent session reads and drops what comes
    }
    in_.append(buf, static_cast<size_t>(n));
    while (sessionFd_ >= 0 && !closing_ && in_.size() >= 4) {
        uint8_t magic = static_cast<uint8_t>(in_[0]);
        uint8_t type = static_cast<uint8_t>(in_[1]);
        int16_t length = static_cast<int16_t>((static_cast<uint8_t>(in_[2]) << 8) |
                                              static_cast<uint8_t>(in_[3]));
        if (magic != kMagic) {
            EndSession("garbage (first byte 0x" + std::to_string(magic) + ")");
            return;
        }
        if (length < 0 || length > kMaxPayload) {
            EndSession("bad frame length " + std::to_string(length));
            return;
        }
        if (in_.size() < 4u + static_cast<size_t>(length))
            return;
        std::string payload = in_.substr(4, static_cast<size_t>(length));
        in_.erase(0, 4u + static_cast<size_t>(length));
        ++frames_;
        Log("<- " + std::string(TypeName(type)) + " (" + std::to_string(length) + ") " +
            Printable(UpToNul(payload)));
        if (!HandleFrame(type, payload))
            return;
    }
}

// Answers one frame; false when the session ended or stopped answering.
bool SimServer::HandleFrame(uint8_t type, const std::string& payload) {
    const Faults& f = cfg_.faults;
    long long now = Now();
    if (FaultsActive()) {
        int answered = frames_ - 1;
        if (f.silentAfter >= 0 && answered >= f.silentAfter) {
            Log("fault: falling silent");
            silent_ = true;
            in_.clear();
            return false;
        }
        if (f.dropAfterFrames >= 0 && answered >= f.dropAfterFrames) {
            EndSession("fault: dropped after " + std::to_string(f.dropAfterFrames) + " frames");
            return false;
        }
        if (!f.badFrame.empty() && answered == f.badFrameAfter) {
            SendBadFrame(type);
            return sessionFd_ >= 0 && !closing_;
        }
    }

    std::string text = UpToNul(payload);
    if (type == kLogin) {
        if (model_.CheckPassword(text)) {
            loggedIn_ = true;
            Log("login accepted");
            Reply(type, std::string("s") + '\0');
        } else {
            Log("login refused");
            Reply(type, std::string("eLogin incorrect") + '\0');
        }
        return true;
    }
    if (!loggedIn_) {
        Reply(type, std::string("eNot logged in") + '\0');
        return true;
    }
    switch (type) {
    case kCommand: {
        if (FaultsActive())
            for (const std::string& prefix : f.dropOnPrefixes)
                if (text.compare(0, prefix.size(), prefix) == 0) {
                    EndSession("fault: dropped on \"" + Printable(text) + "\"");
                    return false;
                }
        if (FaultsActive())
            for (const std::string& prefix : f.refusePrefixes)
                if (text.compare(0, prefix.size(), prefix) == 0) {
                    Log("refused: " + Printable(text) + " (scenario refuses \"" + prefix + "\")");
                    Reply(type, "eCommand refused" + std::string(1, '\0'));
                    return true;
                }
        CommandResult r = model_.Apply(text, now);
        if (!r.ok) {
            Log("refused: " + Printable(text) + " (" + r.error + ")");
            Reply(type, "e" + r.error + std::string(1, '\0'));
        } else {
            Log("applied: " + Printable(text));
            Reply(type, std::string("s") + '\0', r.reboot, r.reboot);
            if (r.reboot) {
                closing_ = true;
                return false;
            }
        }
        return true;
    }
    case kStatus: {
        bool sysmsg = false;
        bool portRequest =
            !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
        if (FaultsActive() && portRequest)
            for (int port : f.sysmsgPorts)
                sysmsg = sysmsg || std::to_string(port) == text;
        std::string record =
            sysmsg ? "SYSMSG: port " + text + " is busy" : model_.StatusReply(text, now);
        Reply(type, record + '\0');
        return true;
    }
    case kConsole:
        Reply(type, model_.TakeConsole(2000));
        return true;
    case kTable:
        for (const std::string& r : model_.TableReplies(text, now))
            Reply(type, r + '\0');
        return true;
    default:
        Reply(type, "eUnknown message type " + std::to_string(type) + std::string(1, '\0'));
        return true;
    }
}

void SimServer::SendBadFrame(uint8_t type) {
    const std::string& kind = cfg_.faults.badFrame;
    Log("fault: sending a " + kind + " frame");
    if (kind == "truncated") {
        // the header promises 100 bytes, 10 come, then the connection goes
        QueueBytes(Frame(type, std::string(10, 's'), 100), true, false);
        closing_ = true;
    } else if (kind == "negative") {
        QueueBytes(Frame(type, std::string(16, 's'), 0xFFF0), false, false);
    } else {
        QueueBytes(Frame(type, std::string(3000, 's'), 3000), false, false);
    }
}

void SimServer::Reply(uint8_t type, const std::string& payload, bool closeAfter,
                      bool rebootAfter) {
    std::string p = payload;
    if (p.size() > static_cast<size_t>(kMaxPayload)) {
        Log("reply cut to " + std::to_string(kMaxPayload) + " bytes");
        p.resize(kMaxPayload);
    }
    QueueBytes(Frame(type, p, static_cast<int>(p.size())), closeAfter, rebootAfter);
}

void SimServer::QueueBytes(const std::string& bytes, bool closeAfter, bool rebootAfter) {
    long long now = Now();
    long long due = now + (FaultsActive() ? Scaled(cfg_.faults.delayMs) : 0);
    if (!pending_.empty() && pending_.back().due > due)
        due = pending_.back().due;
    pending_.push_back({due, bytes, closeAfter, rebootAfter});
    FlushDue(now);
}

void SimServer::FlushDue(long long now) {
    while (sessionFd_ >= 0 && !pending_.empty() && pending_.front().due <= now) {
        Pending p = pending_.front();
        pending_.pop_front();
        size_t sent = 0;
        while (sent < p.bytes.size()) {
            ssize_t n = send(sessionFd_, p.bytes.data() + sent, p.bytes.size() - sent,
                             MSG_NOSIGNAL);
            if (n <= 0) {
                EndSession(std::string("send failed: ") + std::strerror(errno));
                return;
            }
            sent += static_cast<size_t>(n);
        }
        if (p.rebootAfter) {
            BeginReboot();
            return;
        }
        if (p.closeAfter) {
            EndSession("closed by the router");
            return;
        }
    }
}

void SimServer::BeginReboot() {
    rebooting_ = true;
    rebootEnd_ = Now() + Scaled(cfg_.rebootMs);
    if (sessionFd_ >= 0) {
        close(sessionFd_);
        sessionFd_ = -1;
    }
    in_.clear();
    pending_.clear();
    CloseListener();
    Event("rebooting");
}

void SimServer::FinishReboot() {
    rebooting_ = false;
    model_.Boot(Now());
    Log("restarted with the saved configuration");
    if (cfg_.factory && model_.Running().global.address.empty()) {
        std::string err;
        if (!StartBootp(&err))
            Log(err);
        return;
    }
    OpenListener(nullptr);
}

} // namespace sim
