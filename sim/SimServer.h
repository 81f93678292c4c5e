// The simulated router's network side: the management service (one session at a time,
// refused at TCP level while one is open), the restart window, the BOOTP client of the
// factory state, and the faults a scenario asks for. One thread runs everything.
#pragma once

#include "sim/RouterModel.h"
#include "sim/SimConfig.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace sim {

class SimServer {
public:
    // Event lines ("quillet-sim: listening on 127.0.0.1:40001", ...) for whoever waits on them;
    // the program prints them on standard output.
    using EventSink = std::function<void(const std::string&)>;

    explicit SimServer(const SimConfig& cfg);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    void SetEventSink(EventSink sink) { events_ = std::move(sink); }

    // Boots the router and opens the management port (or starts asking for an address).
    bool Start(std::string* err);

    // Serves until Stop() or, with exitOnStdinClose, until standard input closes.
    void Run();

    // Safe from another thread and from a signal handler.
    void Stop();
    void RequestDump();

    int Port() const { return port_; }
    int BootpClientPort() const { return bootpPort_; }
    RouterModel& Model() { return model_; }

    // Writes the configuration dump to the dump file; false when there is none or it failed.
    bool WriteDump();

private:
    struct Pending {
        long long due;
        std::string bytes;
        bool closeAfter;
        bool rebootAfter;
    };

    void Event(const std::string& text);
    void Log(const std::string& text);
    long long Now() const;
    long Scaled(long ms) const;

    bool ReservePort(std::string* err);
    bool OpenListener(std::string* err);
    void CloseListener();
    void Accept();
    void ReadSession();
    void EndSession(const std::string& why);
    bool HandleFrame(uint8_t type, const std::string& payload);
    void Reply(uint8_t type, const std::string& payload, bool closeAfter = false,
               bool rebootAfter = false);
    void QueueBytes(const std::string& bytes, bool closeAfter, bool rebootAfter);
    void FlushDue(long long now);
    bool FaultsActive() const;
    void SendBadFrame(uint8_t type);
    void BeginReboot();
    void FinishReboot();

    bool StartBootp(std::string* err);
    void SendBootpRequest();
    void ReadBootp();
    void TakeAddress(const std::string& address);

    SimConfig cfg_;
    RouterModel model_;
    EventSink events_;

    int wake_[2] = {-1, -1};
    int listenFd_ = -1;
    int sessionFd_ = -1;
    int bootpFd_ = -1;
    int port_ = 0;
    int bootpPort_ = 0;
    std::string boundAddress_;

    std::string in_;
    bool loggedIn_ = false;
    bool silent_ = false;
    bool closing_ = false;
    int frames_ = 0;
    int connections_ = 0;
    std::deque<Pending> pending_;

    bool rebooting_ = false;
    long long rebootEnd_ = 0;
    long long bootpNext_ = 0;
    uint32_t xid_ = 0;
    uint8_t hw_[6] = {0, 0, 0, 0, 0, 0};
    long long bootedAt_ = 0;

    bool stop_ = false;
};

} // namespace sim
