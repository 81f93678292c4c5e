#include "ScriptedPeer.h"

#include "platform/Time.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace peer {

namespace {

int g_listener = -1;
int g_port = 0;

// Safety bound for a peer waiting on a client that never comes; tests never reach it.
constexpr int kIdleMs = 100;
constexpr long kGiveUpMs = 20000;

} // namespace

int ListenPort() { return g_port; }

void StartListener() {
    g_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = 0;
    if (g_listener < 0 || ::bind(g_listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(g_listener, 16) != 0)
        return;
    socklen_t len = sizeof sa;
    ::getsockname(g_listener, reinterpret_cast<sockaddr*>(&sa), &len);
    g_port = ntohs(sa.sin_port);
}

std::string FrameBytes(int type, const std::string& payload, int length) {
    std::string out;
    out += static_cast<char>(0x65);
    out += static_cast<char>(type);
    out += static_cast<char>((length >> 8) & 0xFF);
    out += static_cast<char>(length & 0xFF);
    out += payload;
    return out;
}

std::string TextFrame(const std::string& text, int type) {
    std::string payload = text + '\0';
    return FrameBytes(type, payload, static_cast<int>(payload.size()));
}

long ReceiveTimeoutMs() { return platform::ScaledMs(30000); }

Peer::Peer(Handler handler) : handler_(std::move(handler)) {
    thread_ = std::thread([this] { Run(); });
}

Peer::~Peer() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        stop_ = true;
    }
    thread_.join();
    if (conn_ >= 0)
        ::close(conn_);
}

bool Peer::Connect(VlRouter* router) {
    vl_init_router(router);
    router->socket = vl_open("127.0.0.1");
    if (router->socket < 0)
        return false;
    // Wait until this peer holds the connection, so that no connection is ever left
    // waiting on the listener for the next test's peer.
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, std::chrono::milliseconds(kGiveUpMs), [&] { return accepted_; });
}

bool Peer::ReadExact(void* buf, size_t n) {
    auto* p = static_cast<char*>(buf);
    size_t got = 0;
    while (got < n) {
        pollfd pf{conn_, POLLIN, 0};
        int rc = ::poll(&pf, 1, kIdleMs);
        {
            std::lock_guard<std::mutex> lock(mu_);
            if (stop_ || closed_)
                return false;
        }
        if (rc == 0)
            continue;
        ssize_t r = ::recv(conn_, p + got, n - got, 0);
        if (r <= 0)
            return false;
        got += static_cast<size_t>(r);
    }
    return true;
}

void Peer::Run() {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mu_);
            if (stop_)
                return;
        }
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(kGiveUpMs))
            return;
        pollfd pf{g_listener, POLLIN, 0};
        if (::poll(&pf, 1, kIdleMs) == 1) {
            conn_ = ::accept4(g_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (conn_ >= 0)
                break;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mu_);
        accepted_ = true;
    }
    cv_.notify_all();
    for (;;) {
        unsigned char h[4];
        if (!ReadExact(h, 4))
            break;
        Frame f;
        f.magic = h[0];
        f.type = h[1];
        f.length = (h[2] << 8) | h[3];
        f.payload.resize(static_cast<size_t>(f.length));
        if (f.length > 0 && !ReadExact(f.payload.data(), f.payload.size()))
            break;
        {
            std::lock_guard<std::mutex> lock(mu_);
            frames_.push_back(f);
        }
        cv_.notify_all();
        handler_(*this, f);
        std::lock_guard<std::mutex> lock(mu_);
        if (closed_)
            break;
    }
    std::lock_guard<std::mutex> lock(mu_);
    closed_ = true;
    if (conn_ >= 0) {
        ::close(conn_);
        conn_ = -1;
    }
    cv_.notify_all();
}

void Peer::Send(const std::string& bytes) {
    size_t n = bytes.size();
    bool cut = false;
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (closed_ || conn_ < 0)
            return;
        if (n > budget_) {
            n = budget_;
            cut = true;
        }
        if (budget_ != SIZE_MAX)
            budget_ -= n;
    }
    size_t sent = 0;
    while (sent < n) {
        ssize_t r = ::send(conn_, bytes.data() + sent, n - sent, MSG_NOSIGNAL);
        if (r <= 0)
            break;
        sent += static_cast<size_t>(r);
    }
    if (cut)
        Close();
}

void Peer::Close() {
    std::lock_guard<std::mutex> lock(mu_);
    closed_ = true;
    if (conn_ >= 0) {
        ::shutdown(conn_, SHUT_RDWR);
    }
    cv_.notify_all();
}

void Peer::FailAfter(size_t bytes) {
    std::lock_guard<std::mutex> lock(mu_);
    budget_ = bytes;
}

bool Peer::MoreArrivesWithin(long ms) {
    pollfd pf{conn_, POLLIN, 0};
    return ::poll(&pf, 1, static_cast<int>(ms)) == 1;
}

std::vector<Frame> Peer::Frames() {
    std::lock_guard<std::mutex> lock(mu_);
    return frames_;
}

std::vector<std::string> Peer::Requests(int type) {
    std::vector<std::string> out;
    for (const Frame& f : Frames())
        if (f.type == type)
            out.push_back(f.Text());
    return out;
}

std::vector<std::string> Peer::Commands() { return Requests(VL_MSG_COMMAND); }

bool Peer::WaitFrames(size_t count, long ms) {
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms),
                        [&] { return frames_.size() >= count || closed_; }) &&
           frames_.size() >= count;
}

bool Peer::WaitClosed(long ms) {
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return closed_; });
}

bool Peer::Accepted() {
    std::lock_guard<std::mutex> lock(mu_);
    return accepted_;
}

void Router::operator()(Peer& p, const Frame& f) const {
    if (f.type == VL_MSG_LOGIN) {
        p.Reply(login_reply);
        return;
    }
    if (f.type == VL_MSG_COMMAND) {
        p.Reply(refuse.count(f.Text()) ? "e" : "s");
        return;
    }
    auto it = replies.find(std::to_string(f.type) + ":" + f.Text());
    if (it == replies.end()) {
        p.Reply("?");
        return;
    }
    std::string all;
    for (const std::string& r : it->second)
        all += TextFrame(r);
    p.Send(all);
}

} // namespace peer
