#include "SimClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace simtest {

namespace {

long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

SimClient::~SimClient() { Close(); }

int SimClient::Connect(int port, const std::string& address) {
    Close();
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        int e = errno;
        close(fd);
        return e;
    }
    fd_ = fd;
    return 0;
}

void SimClient::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

bool SimClient::SendRaw(const std::string& bytes) {
    if (fd_ < 0)
        return false;
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool SimClient::Send(uint8_t type, const std::string& payload) {
    std::string f;
    f += static_cast<char>(0x65);
    f += static_cast<char>(type);
    f += static_cast<char>((payload.size() >> 8) & 0xFF);
    f += static_cast<char>(payload.size() & 0xFF);
    return SendRaw(f + payload);
}

bool SimClient::ReadExactly(char* buf, size_t count, long long deadline) {
    size_t got = 0;
    while (got < count) {
        long long left = deadline - NowMs();
        if (left <= 0)
            return false;
        pollfd p{fd_, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        ssize_t n = recv(fd_, buf + got, count - got, 0);
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

bool SimClient::Read(Frame* frame, long timeoutMs) {
    if (fd_ < 0)
        return false;
    long long deadline = NowMs() + timeoutMs;
    char h[4];
    if (!ReadExactly(h, 4, deadline))
        return false;
    frame->magic = static_cast<uint8_t>(h[0]);
    frame->type = static_cast<uint8_t>(h[1]);
    frame->length =
        static_cast<int16_t>((static_cast<uint8_t>(h[2]) << 8) | static_cast<uint8_t>(h[3]));
    frame->payload.clear();
    if (frame->length <= 0 || frame->length > 2060)
        return true;
    frame->payload.resize(static_cast<size_t>(frame->length));
    return ReadExactly(frame->payload.data(), frame->payload.size(), deadline);
}

bool SimClient::WaitClosed(long timeoutMs) {
    if (fd_ < 0)
        return true;
    long long deadline = NowMs() + timeoutMs;
    for (;;) {
        long long left = deadline - NowMs();
        if (left <= 0)
            return false;
        pollfd p{fd_, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        char buf[512];
        ssize_t n = recv(fd_, buf, sizeof buf, 0);
        if (n <= 0) {
            Close();
            return true;
        }
    }
}

bool SimClient::QuietFor(long ms) {
    if (fd_ < 0)
        return false;
    pollfd p{fd_, POLLIN, 0};
    return poll(&p, 1, static_cast<int>(ms)) == 0;
}

std::string SimClient::Exchange(uint8_t type, const std::string& text, bool* ok) {
    Frame f;
    bool good = Send(type, text + std::string(1, '\0')) && Read(&f);
    if (ok)
        *ok = good;
    if (!good)
        return "<no reply>";
    size_t nul = f.payload.find('\0');
    return nul == std::string::npos ? f.payload : f.payload.substr(0, nul);
}

bool SimClient::Login(const std::string& password) {
    std::string r = Exchange(kLogin, password);
    return !r.empty() && r[0] == 's';
}

std::vector<std::string> SimClient::ReadReplies(int replies) {
    std::vector<std::string> out;
    for (int i = 0; i < replies; ++i) {
        Frame f;
        if (!Read(&f))
            break;
        size_t nul = f.payload.find('\0');
        out.push_back(nul == std::string::npos ? f.payload : f.payload.substr(0, nul));
    }
    return out;
}

std::vector<std::string> SimClient::Table(const std::string& request, int replies) {
    if (!Send(kTable, request + std::string(1, '\0')))
        return {};
    return ReadReplies(replies);
}

std::vector<std::string> Fields(const std::string& record) {
    std::vector<std::string> out;
    size_t i = 0;
    for (;;) {
        while (i < record.size() && (record[i] == ' ' || record[i] == '\t'))
            ++i;
        if (i >= record.size() || record[i] == '\n' || record[i] == '\0')
            return out;
        if (record[i] == '"') {
            size_t close = record.find('"', i + 1);
            if (close == std::string::npos) {
                out.push_back(record.substr(i + 1));
                return out;
            }
            out.push_back(record.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            size_t b = i;
            while (i < record.size() && record[i] != ' ' && record[i] != '\t' &&
                   record[i] != '\n' && record[i] != '\0')
                ++i;
            out.push_back(record.substr(b, i - b));
        }
    }
}

}  // namespace simtest
