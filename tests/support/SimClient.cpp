#include "support/SimClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace simtest {

namespace {

long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string UpToNul(const std::string& s) { return s.substr(0, s.find('\0')); }

} // namespace

int SimClient::Connect(int port, const std::string& address) {
    Close();
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        int e = errno;
        ::close(fd);
        return e;
    }
    fd_ = fd;
    return 0;
}

void SimClient::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool SimClient::SendRaw(const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
        ssize_t n = fd_ < 0 ? -1 : ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return fd_ >= 0;
}

bool SimClient::Send(uint8_t type, const std::string& payload) {
    const size_t n = payload.size();
    return SendRaw(std::string{char(0x65), char(type), char((n >> 8) & 0xFF), char(n & 0xFF)} + payload);
}

bool SimClient::ReadExactly(char* buf, size_t count, long long deadline) {
    for (size_t got = 0; got < count;) {
        pollfd p{fd_, POLLIN, 0};
        long long left = deadline - NowMs();
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
            return false;
        ssize_t n = ::recv(fd_, buf + got, count - got, 0);
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

bool SimClient::Read(Frame* frame, long timeoutMs) {
    const long long deadline = NowMs() + timeoutMs;
    unsigned char h[4];
    if (fd_ < 0 || !ReadExactly(reinterpret_cast<char*>(h), 4, deadline))
        return false;
    frame->magic = h[0];
    frame->type = h[1];
    frame->length = static_cast<int16_t>((h[2] << 8) | h[3]);
    frame->payload.clear();
    if (frame->length <= 0 || frame->length > 2060)
        return true;
    frame->payload.resize(static_cast<size_t>(frame->length));
    return ReadExactly(frame->payload.data(), frame->payload.size(), deadline);
}

bool SimClient::WaitClosed(long timeoutMs) {
    const long long deadline = NowMs() + timeoutMs;
    while (fd_ >= 0) {
        pollfd p{fd_, POLLIN, 0};
        long long left = deadline - NowMs();
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
            return false;
        char buf[512];
        if (::recv(fd_, buf, sizeof buf, 0) <= 0)
            Close();
    }
    return true;
}

bool SimClient::QuietFor(long ms) {
    pollfd p{fd_, POLLIN, 0};
    return fd_ >= 0 && ::poll(&p, 1, static_cast<int>(ms)) == 0;
}

std::string SimClient::Exchange(uint8_t type, const std::string& text, bool* ok) {
    Frame f;
    bool good = Send(type, text + '\0') && Read(&f);
    if (ok)
        *ok = good;
    return good ? UpToNul(f.payload) : "<no reply>";
}

bool SimClient::Login(const std::string& password) {
    std::string r = Exchange(kLogin, password);
    return !r.empty() && r[0] == 's';
}

std::vector<std::string> SimClient::ReadReplies(int replies) {
    std::vector<std::string> out;
    for (Frame f; replies-- > 0 && Read(&f);)
        out.push_back(UpToNul(f.payload));
    return out;
}

std::vector<std::string> SimClient::Table(const std::string& request, int replies) {
    return Send(kTable, request + '\0') ? ReadReplies(replies) : std::vector<std::string>{};
}

std::vector<std::string> Fields(const std::string& record) {
    std::vector<std::string> out;
    for (size_t i = 0;;) {
        while (i < record.size() && (record[i] == ' ' || record[i] == '\t'))
            ++i;
        if (i >= record.size() || record[i] == '\n' || record[i] == '\0')
            return out;
        size_t end;
        if (record[i] == '"') {
            end = record.find('"', i + 1);
            out.push_back(record.substr(i + 1, end == std::string::npos ? end : end - i - 1));
            if (end == std::string::npos)
                return out;
            i = end + 1;
            continue;
        }
        end = record.find_first_of(std::string(" \t\n\0", 4), i);
        out.push_back(record.substr(i, end == std::string::npos ? end : end - i));
        i = end == std::string::npos ? record.size() : end;
    }
}

} // namespace simtest
