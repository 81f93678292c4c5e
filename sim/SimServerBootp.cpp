// The BOOTP client of a router in its factory state: it asks for an address until a reply
// for its hardware address gives it one, then serves there.
#include "sim/SimServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr size_t kBootpSize = 300;

} // namespace

bool SimServer::StartBootp(std::string* err) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (err)
            *err = std::string("cannot create the BOOTP socket: ") + std::strerror(errno);
        return false;
    }
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(bootpPort_ ? bootpPort_ : cfg_.bootpClientPort));
    sa.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        if (err)
            *err = "cannot bind the BOOTP client port " + std::to_string(cfg_.bootpClientPort) +
                   ": " + std::strerror(errno);
        close(fd);
        return false;
    }
    socklen_t len = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    bootpPort_ = ntohs(sa.sin_port);
    bootpFd_ = fd;
    std::random_device rd;
    xid_ = rd();
    bootpNext_ = Now();
    bootedAt_ = bootpNext_;
    Event("bootp client port " + std::to_string(bootpPort_));
    return true;
}

void SimServer::SendBootpRequest() {
    uint8_t m[kBootpSize] = {};
    m[0] = 1;  // request
    m[1] = 1;  // Ethernet
    m[2] = 6;
    m[4] = static_cast<uint8_t>(xid_ >> 24);
    m[5] = static_cast<uint8_t>(xid_ >> 16);
    m[6] = static_cast<uint8_t>(xid_ >> 8);
    m[7] = static_cast<uint8_t>(xid_);
    long long secs = (Now() - bootedAt_) / 1000;
    m[8] = static_cast<uint8_t>(secs >> 8);
    m[9] = static_cast<uint8_t>(secs);
    std::memcpy(m + 28, hw_, 6);
    // vendor area: the RFC 1048 magic cookie and the end option
    m[236] = 99;
    m[237] = 130;
    m[238] = 83;
    m[239] = 99;
    m[240] = 255;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(cfg_.bootpServerPort));
    inet_pton(AF_INET, cfg_.bootpTarget.c_str(), &to.sin_addr);
    ssize_t n = sendto(bootpFd_, m, sizeof m, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    if (n != static_cast<ssize_t>(sizeof m))
        Log(std::string("BOOTP request not sent: ") + std::strerror(errno));
    else
        Log("BOOTP request sent to " + cfg_.bootpTarget + ":" +
            std::to_string(cfg_.bootpServerPort));
    bootpNext_ = Now() + std::max(1L, Scaled(cfg_.bootpIntervalMs));
}

void SimServer::ReadBootp() {
    uint8_t m[1500];
    ssize_t n = recv(bootpFd_, m, sizeof m, 0);
    if (n < 0)
        return;
    if (n < 236 || m[0] != 2 || std::memcmp(m + 28, hw_, 6) != 0) {
        Log("BOOTP: ignored a datagram of " + std::to_string(n) + " bytes");
        return;
    }
    in_addr yi{};
    std::memcpy(&yi.s_addr, m + 16, 4);
    if (yi.s_addr == 0) {
        Log("BOOTP: reply without an address ignored");
        return;
    }
    char shown[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &yi, shown, sizeof shown);
    TakeAddress(shown);
}

void SimServer::TakeAddress(const std::string& address) {
    close(bootpFd_);
    bootpFd_ = -1;
    model_.AssignAddress(address);
    Event("address assigned " + address);
    if (!cfg_.bootpInterface.empty()) {
        // as root in a network namespace: the address goes on the interface for real
        std::string cidr = address + "/" + std::to_string(cfg_.bootpPrefixLen);
        pid_t pid = fork();
        if (pid == 0) {
            execlp("ip", "ip", "addr", "add", cidr.c_str(), "dev", cfg_.bootpInterface.c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0)
            Log("could not add " + cidr + " to " + cfg_.bootpInterface);
    }
    OpenListener(nullptr);
}

} // namespace sim
