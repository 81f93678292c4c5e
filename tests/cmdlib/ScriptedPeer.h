// A small router stand-in on loopback for the command library's tests: it accepts one
// management connection, records every frame, and answers as the test scripts it. It can
// also misbehave: fail after N bytes, close mid-frame, send hostile frames, fall silent.
#pragma once

#include "cmdlib/vl.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace peer {

// The listening socket every peer of this process accepts on (127.0.0.1 only). Its port
// is the management port the library connects to; main() sets both up.
int ListenPort();
void StartListener();

struct Frame {
    int magic = 0;
    int type = 0;
    int length = 0;          // as sent, host order
    std::string payload;     // `length` bytes
    std::string Text() const { return std::string(payload.c_str()); }
};

// Frame bytes: magic 0x65, type, big-endian length, payload.
std::string FrameBytes(int type, const std::string& payload, int length);
// A text reply frame: the text and its NUL.
std::string TextFrame(const std::string& text, int type = 0);

class Peer {
public:
    using Handler = std::function<void(Peer&, const Frame&)>;

    explicit Peer(Handler handler);
    ~Peer();
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    // Test thread: connects a router record to this peer (vl_open to 127.0.0.1).
    bool Connect(VlRouter* router);

    // Peer thread, from the handler.
    void Send(const std::string& bytes);
    void Reply(const std::string& text) { Send(TextFrame(text)); }
    void Close();                     // closes the connection now
    void FailAfter(size_t bytes);     // sends at most this many more bytes, then closes
    // Waits up to `ms` for more client bytes without reading them; true when some came.
    bool MoreArrivesWithin(long ms);

    // Test thread.
    std::vector<Frame> Frames();
    std::vector<std::string> Commands();       // texts of VL_MSG_COMMAND frames
    std::vector<std::string> Requests(int type); // texts of frames of one type
    bool WaitFrames(size_t count, long ms);
    bool WaitClosed(long ms);                  // the client or the peer ended the link
    bool Accepted();

private:
    void Run();
    bool ReadExact(void* buf, size_t n);

    Handler handler_;
    std::thread thread_;
    std::mutex mu_;
    std::condition_variable cv_;
    std::vector<Frame> frames_;
    int conn_ = -1;
    bool accepted_ = false;
    bool closed_ = false;
    bool stop_ = false;
    size_t budget_ = SIZE_MAX;
};

// A scripted router: status and table requests answered from `replies` (key: type and
// request text, "8:", "8:ether0", "17:location", "17:location 2" ...; each value is the
// list of text frames to send), commands answered 's' unless listed in `refuse`
// (answered "e"), anything else answered "?".
struct Router {
    std::map<std::string, std::vector<std::string>> replies;
    std::set<std::string> refuse;
    std::string login_reply = "s";

    void operator()(Peer& p, const Frame& f) const;
};

// The current time-scaled wait the library applies to one receive, in ms.
long ReceiveTimeoutMs();

} // namespace peer
