#include "platform/Sockets.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

std::atomic<int> startCount{0};
thread_local int lastError = 0;

int Fail(int err) {
    lastError = WsaFromErrno(err);
    return -1;
}

sockaddr_in MakeAddr(uint32_t addrNetOrder, uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = addrNetOrder;
    sa.sin_port = htons(port);
    return sa;
}

} // namespace

bool SocketsStartup() {
    ++startCount;
    return true;
}

void SocketsCleanup() {
    if (startCount > 0)
        --startCount;
}

bool SocketsStarted() { return startCount > 0; }

int LastSocketError() { return lastError; }
void SetLastSocketError(int wsaError) { lastError = wsaError; }

int WsaFromErrno(int err) {
    switch (err) {
    case 0: return 0;
    case EINTR: return WSAEINTR;
    case EBADF: return WSAEBADF;
    case EACCES: case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE: case ENFILE: return WSAEMFILE;
    case EWOULDBLOCK: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEINPROGRESS;
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EDESTADDRREQ: return WSAEDESTADDRREQ;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET: case EPIPE: return WSAECONNRESET;
    case ENOBUFS: case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case ELOOP: return WSAELOOP;
    case ENAMETOOLONG: return WSAENAMETOOLONG;
    case EHOSTDOWN: return WSAEHOSTDOWN;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    default: return WSAEINVAL;
    }
}

uint32_t InetAddr(const char* text) {
    if (text == nullptr)
        return INADDR_NONE;
    in_addr a{};
    // inet_aton accepts the same shortened, octal and hexadecimal forms as inet_addr,
    // and, like it, a trailing blank and anything after it.
    if (inet_aton(text, &a) == 0)
        return INADDR_NONE;
    return a.s_addr;
}

int ResolveHost(const char* name, uint32_t* addrNetOrder) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    int rc = getaddrinfo(name, nullptr, &hints, &res);
    if (rc != 0 || res == nullptr) {
        lastError = (rc == EAI_AGAIN) ? WSATRY_AGAIN : WSAHOST_NOT_FOUND;
        return -1;
    }
    *addrNetOrder = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(res);
    return 0;
}

std::vector<uint32_t> LocalHostAddresses() {
    std::vector<uint32_t> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return out;
    for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr != nullptr && i->ifa_addr->sa_family == AF_INET)
            out.push_back(reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
    }
    freeifaddrs(list);
    return out;
}

static int NewSocket(int type) {
    if (!SocketsStarted()) {
        lastError = WSANOTINITIALISED;
        return -1;
    }
    int s = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (s < 0)
        return Fail(errno);
    return s;
}

int TcpSocket() {
    int s = NewSocket(SOCK_STREAM);
    if (s >= 0) {
        // Command batches are written whole and then answered; Nagle would only add a
        // delayed-acknowledgement stall between a write and the reply it waits for.
        int one = 1;
        ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    return s;
}

int UdpSocket() { return NewSocket(SOCK_DGRAM); }

int CloseSocket(int s) {
    if (::close(s) != 0)
        return Fail(errno);
    return 0;
}

int SetSockOptInt(int s, int level, int option, int value) {
    if (::setsockopt(s, level, option, &value, sizeof value) != 0)
        return Fail(errno);
    return 0;
}

int BindAny(int s, uint16_t port) { return BindAddress(s, htonl(INADDR_ANY), port); }

int BindAddress(int s, uint32_t addrNetOrder, uint16_t port) {
    sockaddr_in sa = MakeAddr(addrNetOrder, port);
    if (::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0)
        return Fail(errno);
    return 0;
}

int LocalPort(int s) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return Fail(errno);
    return ntohs(sa.sin_port);
}

int Listen(int s, int backlog) {
    if (::listen(s, backlog) != 0)
        return Fail(errno);
    return 0;
}

int Accept(int s) {
    int c;
    do {
        c = ::accept4(s, nullptr, nullptr, SOCK_CLOEXEC);
    } while (c < 0 && errno == EINTR);
    if (c < 0)
        return Fail(errno);
    int one = 1;
    ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return c;
}

int Connect(int s, uint32_t addrNetOrder, uint16_t port) {
    sockaddr_in sa = MakeAddr(addrNetOrder, port);
    if (::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0)
        return Fail(errno);
    return 0;
}

int Send(int s, const void* data, int count) {
    ssize_t n;
    do {
        n = ::send(s, data, static_cast<size_t>(count), MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return Fail(errno);
    return static_cast<int>(n);
}

int WaitReadable(int s, long timeoutMs) {
    pollfd p{};
    p.fd = s;
    p.events = POLLIN;
    int rc;
    do {
        rc = ::poll(&p, 1, timeoutMs < 0 ? -1 : static_cast<int>(timeoutMs));
    } while (rc < 0 && errno == EINTR);
    if (rc < 0)
        return Fail(errno);
    return rc == 0 ? 0 : 1;
}

int Recv(int s, void* buffer, int count, long timeoutMs) {
    int ready = WaitReadable(s, timeoutMs);
    if (ready < 0)
        return -1;
    if (ready == 0) {
        lastError = WSAETIMEDOUT;
        return -1;
    }
    ssize_t n;
    do {
        n = ::recv(s, buffer, static_cast<size_t>(count), 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return Fail(errno);
    return static_cast<int>(n);
}

int SendTo(int s, const void* data, int count, uint32_t addrNetOrder, uint16_t port) {
    sockaddr_in sa = MakeAddr(addrNetOrder, port);
    ssize_t n = ::sendto(s, data, static_cast<size_t>(count), MSG_NOSIGNAL,
                         reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    if (n < 0)
        return Fail(errno);
    return static_cast<int>(n);
}

int RecvFrom(int s, void* buffer, int count, uint32_t* fromAddr, uint16_t* fromPort) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    ssize_t n;
    do {
        // MSG_TRUNC reports a datagram's real length even when it did not fit.
        n = ::recvfrom(s, buffer, static_cast<size_t>(count), MSG_TRUNC,
                       reinterpret_cast<sockaddr*>(&sa), &len);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return Fail(errno);
    if (fromAddr != nullptr)
        *fromAddr = sa.sin_addr.s_addr;
    if (fromPort != nullptr)
        *fromPort = ntohs(sa.sin_port);
    return static_cast<int>(n);
}

} // namespace platform
