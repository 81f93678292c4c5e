// The server's life: start, the one-thread loop that waits on every socket and timer, stop,
// and the configuration dump. The management service is in SimServerSession.cpp, the BOOTP
// client of the factory state in SimServerBootp.cpp.
#include "sim/SimServer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

namespace sim {

namespace {

bool ParseHw(const std::string& text, uint8_t out[6]) {
    unsigned m[6];
    if (std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &m[0], &m[1], &m[2], &m[3], &m[4],
                    &m[5]) != 6)
        return false;
    for (int i = 0; i < 6; ++i)
        out[i] = static_cast<uint8_t>(m[i]);
    return true;
}

} // namespace

SimServer::SimServer(const SimConfig& cfg) : cfg_(cfg), model_(cfg) {
    events_ = [](const std::string& line) {
        std::fprintf(stdout, "%s\n", line.c_str());
        std::fflush(stdout);
    };
    if (pipe(wake_) == 0) {
        fcntl(wake_[0], F_SETFL, O_NONBLOCK);
        fcntl(wake_[1], F_SETFL, O_NONBLOCK);
        fcntl(wake_[0], F_SETFD, FD_CLOEXEC);
        fcntl(wake_[1], F_SETFD, FD_CLOEXEC);
    }
    ParseHw(cfg_.hwaddr, hw_);
}

SimServer::~SimServer() {
    CloseListener();
    if (sessionFd_ >= 0)
        close(sessionFd_);
    if (bootpFd_ >= 0)
        close(bootpFd_);
    for (int fd : wake_)
        if (fd >= 0)
            close(fd);
}

void SimServer::Event(const std::string& text) {
    if (events_)
        events_("quillet-sim: " + text);
}

void SimServer::Log(const std::string& text) {
    if (!cfg_.quiet)
        std::fprintf(stderr, "quillet-sim: %s\n", text.c_str());
}

long long SimServer::Now() const {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

long SimServer::Scaled(long ms) const {
    double v = std::llround(static_cast<double>(ms) * cfg_.timeScale);
    return v < 0 ? 0 : static_cast<long>(v);
}

void SimServer::Stop() {
    char c = 'q';
    if (wake_[1] >= 0 && write(wake_[1], &c, 1) < 0) {
        // the pipe is full: a wake-up is already pending
    }
}

void SimServer::RequestDump() {
    char c = 'd';
    if (wake_[1] >= 0 && write(wake_[1], &c, 1) < 0) {
    }
}

bool SimServer::WriteDump() {
    if (cfg_.dumpFile.empty())
        return false;
    FILE* f = std::fopen(cfg_.dumpFile.c_str(), "w");
    if (f == nullptr) {
        Log("cannot write " + cfg_.dumpFile + ": " + std::strerror(errno));
        return false;
    }
    std::string text = model_.Dump();
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fclose(f) == 0 && ok;
    if (ok)
        Event("dumped " + cfg_.dumpFile);
    return ok;
}

bool SimServer::Start(std::string* err) {
    if (wake_[0] < 0) {
        if (err)
            *err = "cannot create the wake-up pipe";
        return false;
    }
    port_ = cfg_.port;
    if (port_ == 0 && !ReservePort(err))
        return false;
    // announced before anything else, so a fixture knows the port even before BOOTP
    Event("management port " + std::to_string(port_));
    bootedAt_ = Now();
    model_.Boot(bootedAt_);
    if (cfg_.factory)
        return StartBootp(err);
    return OpenListener(err);
}

void SimServer::Run() {
    bool stdinOpen = cfg_.exitOnStdinClose;
    while (!stop_) {
        long long now = Now();
        model_.Advance(now);
        if (rebooting_ && now >= rebootEnd_)
            FinishReboot();
        if (bootpFd_ >= 0 && now >= bootpNext_)
            SendBootpRequest();
        FlushDue(now);

        std::vector<pollfd> fds;
        fds.push_back({wake_[0], POLLIN, 0});
        int listenAt = -1, sessionAt = -1, bootpAt = -1, stdinAt = -1;
        if (listenFd_ >= 0) {
            listenAt = static_cast<int>(fds.size());
            fds.push_back({listenFd_, POLLIN, 0});
        }
        if (sessionFd_ >= 0) {
            sessionAt = static_cast<int>(fds.size());
            fds.push_back({sessionFd_, POLLIN, 0});
        }
        if (bootpFd_ >= 0) {
            bootpAt = static_cast<int>(fds.size());
            fds.push_back({bootpFd_, POLLIN, 0});
        }
        if (stdinOpen) {
            stdinAt = static_cast<int>(fds.size());
            fds.push_back({0, POLLIN, 0});
        }
        long long wakeAt = now + 1000;
        if (rebooting_)
            wakeAt = std::min(wakeAt, rebootEnd_);
        if (bootpFd_ >= 0)
            wakeAt = std::min(wakeAt, bootpNext_);
        if (!pending_.empty())
            wakeAt = std::min(wakeAt, pending_.front().due);
        int timeout = static_cast<int>(std::max(0LL, wakeAt - now));
        int ready = poll(fds.data(), fds.size(), timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            Log(std::string("poll failed: ") + std::strerror(errno));
            break;
        }
        if (fds[0].revents & POLLIN) {
            char cmds[64];
            ssize_t n;
            while ((n = read(wake_[0], cmds, sizeof cmds)) > 0)
                for (ssize_t i = 0; i < n; ++i) {
                    if (cmds[i] == 'q')
                        stop_ = true;
                    else if (cmds[i] == 'd')
                        WriteDump();
                }
        }
        if (stop_)
            break;
        if (stdinAt >= 0 && fds[stdinAt].revents) {
            char buf[256];
            ssize_t n = read(0, buf, sizeof buf);
            if (n <= 0) {
                Log("standard input closed");
                break;
            }
        }
        if (sessionAt >= 0 && fds[sessionAt].revents && sessionFd_ >= 0)
            ReadSession();
        if (listenAt >= 0 && (fds[listenAt].revents & POLLIN) && listenFd_ >= 0 &&
            sessionFd_ < 0)
            Accept();
        if (bootpAt >= 0 && (fds[bootpAt].revents & POLLIN) && bootpFd_ >= 0)
            ReadBootp();
    }
    stop_ = true;
    if (sessionFd_ >= 0) {
        close(sessionFd_);
        sessionFd_ = -1;
    }
    CloseListener();
}

} // namespace sim
