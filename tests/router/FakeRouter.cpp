#include "FakeRouter.h"

#include "platform/Hooks.h"
#include "platform/Time.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool ReadAll(int s, void* buf, size_t n) {
    auto* p = static_cast<uint8_t*>(buf);
    while (n > 0) {
        ssize_t r = ::recv(s, p, n, 0);
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

void SendFrame(int s, uint8_t type, const std::string& text, bool withNul = true) {
    std::string payload = text;
    if (withNul)
        payload.push_back('\0');
    std::string frame;
    frame.push_back(static_cast<char>(0x65));
    frame.push_back(static_cast<char>(type));
    frame.push_back(static_cast<char>((payload.size() >> 8) & 0xFF));
    frame.push_back(static_cast<char>(payload.size() & 0xFF));
    frame += payload;
    ::send(s, frame.data(), frame.size(), MSG_NOSIGNAL);
}

std::string Hex(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%x", v);
    return b;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

} // namespace

FakeRouter::FakeRouter() {
    ports = {{"C0", 0, {"COMMAND"}},
             {"S1", 3, {"IDLE"}},
             {"S2", 3, {"IDLE"}},
             {"W3", 2, {"IDLE"}}};
}

FakeRouter::~FakeRouter() { Stop(); }

bool FakeRouter::Start() {
    stateIndex_.assign(ports.size(), 0);
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(static_cast<uint16_t>(platform::GetHooks().mgmtPort));
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(listen_, 4) != 0) {
        ::close(listen_);
        listen_ = -1;
        return false;
    }
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void FakeRouter::Stop() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listen_ >= 0)
        ::close(listen_);
    listen_ = -1;
}

std::vector<std::string> FakeRouter::Commands() {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

bool FakeRouter::WaitPeerClosed(long boundMs) {
    long long end = platform::NowMs() + boundMs;
    while (!peerClosed_) {
        if (platform::NowMs() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void FakeRouter::Serve() {
    while (!stop_) {
        pollfd p{listen_, POLLIN, 0};
        if (::poll(&p, 1, 10) <= 0)
            continue;
        int conn = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        if (conn < 0)
            continue;
        ++connections_;
        peerClosed_ = false;
        // Replies go out frame by frame; Nagle would hold each behind the last ACK.
        int one = 1;
        ::setsockopt(conn, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Handle(conn);
        ::close(conn);
    }
}

std::string FakeRouter::GlobalRecord() const {
    std::string count = portCountText.empty() ? std::to_string(ports.size()) : portCountText;
    // Four formats: the newest firmware (level 6), so no CHAP probe is made.
    return "G 10.0.0.1 0.0.0.0 0.0.0.0 255.255.255.0 " + count +
           " t1 QL2B 0.0.0.0 0.0.0.0 0.0.0.0 yp dom 0 23 lh as 1 5.2 \"\""
           " \"\" t5 t6 0 1 0 0 1 " + std::to_string(isdnSwitch) + " 0"
           " t4 0 t15 t7 t8 t9 t10 t11 t12"
           " 0 6 t13 t14";
}

std::string FakeRouter::PortRecord(size_t i) {
    Port& p = ports[i];
    size_t k = stateIndex_[i];
    const std::string& state = p.states[k < p.states.size() ? k : p.states.size() - 1];
    ++stateIndex_[i];
    return p.name + " 0 8 1 - - PPP " + state + " 0 0 0 64000 0 0 -isdn msg Idle 0 - 0 0 0 0 - x" +
           " h1 h2 h3 h4 term 0 0 0 user 0 0 prompt Telnet Telnet" +
           " Telnet Telnet 10.9.9.9 255.255.255.255 x 10.0.0.1 y 0 1 1500 0 0 0 0" +
           " 0 0 0 0 if of a b 0 0 0 0 0 0" +
           " x " + Quoted(p.spid) + " " + Quoted(p.directory) + " " + std::to_string(p.typeCode) +
           " 0 0 y 0 " + Hex(p.reason) + " " + Hex(p.cause) + " 300 0";
}

void FakeRouter::Handle(int conn) {
    for (;;) {
        pollfd p{conn, POLLIN, 0};
        int ready = ::poll(&p, 1, 10);
        if (stop_)
            return;
        if (ready <= 0)
            continue;
        uint8_t header[4];
        if (!ReadAll(conn, header, 4)) {
            peerClosed_ = true;
            return;
        }
        size_t length = (size_t{header[2]} << 8) | header[3];
        std::string payload(length, '\0');
        if (length > 0 && !ReadAll(conn, payload.data(), length)) {
            peerClosed_ = true;
            return;
        }
        std::string text = payload.substr(0, payload.find('\0'));
        uint8_t type = header[1];
        switch (type) {
        case 2:  // login
            SendFrame(conn, type, text == password ? "s" : "e");
            break;
        case 4: {  // command
            bool refused = false;
            for (const std::string& r : refuse)
                if (text.compare(0, r.size(), r) == 0)
                    refused = true;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                commands_.push_back(text);
            }
            SendFrame(conn, type, refused ? "e" : "s");
            break;
        }
        case 8:  // status
            if (++statusRequests_ == dropAtStatus)
                return;
            if (text.empty())
                SendFrame(conn, type, GlobalRecord());
            else if (text.compare(0, 5, "ether") == 0)
                SendFrame(conn, type, "E 10.0.0.1 255.255.255.0 0 \"\" \"\" 0 1 x");
            else if (std::stoul(text) < ports.size())
                SendFrame(conn, type, PortRecord(std::stoul(text)));
            else
                SendFrame(conn, type, "SYSMSG no such port");
            break;
        case 14:  // console: nothing pending
            SendFrame(conn, type, "", false);
            break;
        case 17:  // tables
            if (text == "location" && !locations.empty()) {
                SendFrame(conn, type, "location " + std::to_string(locations.size()) + " 0");
                for (const std::string& l : locations)
                    SendFrame(conn, type, l);
            } else if (text == "bigfilt" && !filters.empty()) {
                SendFrame(conn, type, "bigfilt " + std::to_string(filters.size()) + " 0 0");
                for (const std::string& f : filters)
                    SendFrame(conn, type, f);
            } else {
                SendFrame(conn, type, "none 0 0");
            }
            break;
        default:
            SendFrame(conn, type, "e");
        }
    }
}
