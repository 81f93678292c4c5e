// A scripted Quillet management service on loopback, for the cases that need exact
// bytes: port states that change poll by poll, refused commands, a connection that drops
// at a chosen request, hostile status records. It listens on the process's management
// port (QLWIZ_MGMT_PORT, chosen free by the tests' main).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FakeRouter {
public:
    struct Port {
        Port(std::string n, int code, std::vector<std::string> s)
            : name(std::move(n)), typeCode(code), states(std::move(s)) {}
        std::string name;
        int typeCode;                     // router code: 0..3 (3 = ISDN)
        std::vector<std::string> states;  // connection state per status read; the last repeats
        uint32_t reason = 0xFFFFFFFFu;    // termination reason (absent)
        uint32_t cause = 0;               // ISDN cause
        std::string spid, directory;
    };

    FakeRouter();
    ~FakeRouter();

    // Starts listening; false when the port cannot be bound.
    bool Start();
    void Stop();

    // Script (set before Start).
    std::string password;             // accepted login password
    std::vector<Port> ports;          // default: C0, S1, S2 (ISDN), W3
    std::string portCountText;        // overrides the port count in the global record
    int isdnSwitch = 0;
    std::vector<std::string> locations;  // location status records
    std::vector<std::string> filters;    // "bigfilt" filter replies
    std::vector<std::string> refuse;     // command prefixes answered with a refusal
    int dropAtStatus = -1;               // close the connection at this status request (from 1)

    // What happened.
    std::vector<std::string> Commands();  // command lines received, in order
    int Connections() const { return connections_; }
    int StatusRequests() const { return statusRequests_; }
    // Waits (bounded) until the peer of the last connection has closed it.
    bool WaitPeerClosed(long boundMs);

private:
    void Serve();
    void Handle(int conn);
    std::string GlobalRecord() const;
    std::string PortRecord(size_t index);

    int listen_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> statusRequests_{0};
    std::atomic<bool> peerClosed_{false};
    std::mutex mutex_;
    std::vector<std::string> commands_;
    std::vector<size_t> stateIndex_;
};
