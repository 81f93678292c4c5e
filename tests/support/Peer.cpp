#include "support/Peer.h"

#include "platform/Hooks.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace peer {

namespace {

constexpr int kIdleMs = 100;
constexpr long kGiveUpMs = 20000;  // a peer whose client never comes; tests never reach it

// One listener on the management port for every peer of the process.
int Listener() {
    static int fd = [] {
        int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(platform::GetHooks().mgmtPort));
        if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 16) != 0)
            return -1;
        return s;
    }();
    return fd;
}

} // namespace

std::string FrameBytes(int type, const std::string& payload, int length) {
    std::string out = "\x65...";
    out[1] = static_cast<char>(type);
    out[2] = static_cast<char>((length >> 8) & 0xFF);
    out[3] = static_cast<char>(length & 0xFF);
    return out + payload;
}

std::string TextFrame(const std::string& text, int type) {
    return FrameBytes(type, text + '\0', static_cast<int>(text.size()) + 1);
}

Peer::Peer(Handler handler) : handler_(std::move(handler)) {
    Listener();
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
    // Wait until this peer holds the connection: none is left for the next test's peer.
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, std::chrono::milliseconds(kGiveUpMs), [&] { return accepted_; });
}

bool Peer::Ended() {
    std::lock_guard<std::mutex> lock(mu_);
    return stop_ || closed_;
}

bool Peer::ReadExact(void* buf, size_t n) {
    for (size_t got = 0; got < n;) {
        pollfd pf{conn_, POLLIN, 0};
        int rc = ::poll(&pf, 1, kIdleMs);
        if (Ended())
            return false;
        if (rc == 0)
            continue;
        ssize_t r = ::recv(conn_, static_cast<char*>(buf) + got, n - got, 0);
        if (r <= 0)
            return false;
        got += static_cast<size_t>(r);
    }
    return true;
}

void Peer::Run() {
    for (long waited = 0; conn_ < 0; waited += kIdleMs) {
        if (Ended() || waited > kGiveUpMs)
            return;
        pollfd pf{Listener(), POLLIN, 0};
        if (::poll(&pf, 1, kIdleMs) == 1)
            conn_ = ::accept4(Listener(), nullptr, nullptr, SOCK_CLOEXEC);
    }
    {
        std::lock_guard<std::mutex> lock(mu_);
        accepted_ = true;
    }
    cv_.notify_all();
    for (;;) {
        unsigned char h[4];
        Frame f;
        if (!ReadExact(h, 4))
            break;
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
        if (Ended())
            break;
    }
    std::lock_guard<std::mutex> lock(mu_);
    closed_ = true;
    ::close(conn_);
    conn_ = -1;
    cv_.notify_all();
}

void Peer::Send(const std::string& bytes) {
    size_t n = bytes.size();
    bool cut = false;
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (closed_ || conn_ < 0)
            return;
        cut = n > budget_;
        n = cut ? budget_ : n;
        budget_ -= n;  // from SIZE_MAX, no test ever sends enough to reach a cut
    }
    for (size_t sent = 0; sent < n;) {
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
    if (conn_ >= 0)
        ::shutdown(conn_, SHUT_RDWR);
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

std::vector<std::string> Texts(const std::vector<Frame>& frames, int type) {
    std::vector<std::string> out;
    for (const Frame& f : frames)
        if (f.type == type)
            out.push_back(f.Text());
    return out;
}

std::vector<Frame> With(Peer::Handler handler, const std::function<void(VlRouter*)>& use) {
    Peer p(std::move(handler));
    VlRouter r;
    if (!p.Connect(&r))
        return {Frame{0, 0, 0, "<no connection>"}};
    use(&r);
    vl_close(&r);
    p.WaitClosed(5000);  // every frame the client sent is recorded
    return p.Frames();
}

bool Peer::WaitFrames(size_t count, long ms) {
    std::unique_lock<std::mutex> lock(mu_);
    cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return frames_.size() >= count || closed_; });
    return frames_.size() >= count;
}

bool Peer::WaitClosed(long ms) {
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return closed_; });
}

void Router::operator()(Peer& p, const Frame& f) const {
    if (f.type == VL_MSG_LOGIN || f.type == VL_MSG_COMMAND)
        return p.Reply(refuse.count(f.Text()) ? "e" : "s");
    auto it = replies.find(std::to_string(f.type) + ":" + f.Text());
    if (it == replies.end())
        return p.Reply("?");
    std::string all;
    for (const std::string& r : it->second)
        all += TextFrame(r);
    p.Send(all);
}

} // namespace peer
