// A scripted router on loopback for byte-level tests: it accepts one management
// connection on the process's management port, records every frame and answers as the
// test scripts it. It can also misbehave: stop after N bytes, close, fall silent.
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

struct Frame {
    int magic = 0, type = 0, length = 0;  // length as sent, host order
    std::string payload;
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

    // Test thread: opens a router record on this peer (vl_open to 127.0.0.1).
    bool Connect(VlRouter* router);
    // Peer thread, from the handler.
    void Send(const std::string& bytes);
    void Reply(const std::string& text) { Send(TextFrame(text)); }
    void Close();
    void FailAfter(size_t bytes);  // sends at most this many more bytes, then closes
    bool MoreArrivesWithin(long ms);
    // Test thread.
    std::vector<Frame> Frames();
    bool WaitFrames(size_t count, long ms);
    bool WaitClosed(long ms);

private:
    void Run();
    bool Ended();  // the test is over or the connection closed
    bool ReadExact(void* buf, size_t n);
    Handler handler_;
    std::thread thread_;
    std::mutex mu_;
    std::condition_variable cv_;
    std::vector<Frame> frames_;
    int conn_ = -1;
    bool accepted_ = false, closed_ = false, stop_ = false;
    size_t budget_ = SIZE_MAX;
};

// A scripted router: status and table requests answered from `replies` (key: type and
// request text, "8:", "17:location 2" ...; each value is the list of text frames to send),
// logins and commands answered "s" unless listed in `refuse` (answered "e"), anything else "?".
struct Router {
    std::map<std::string, std::vector<std::string>> replies;
    std::set<std::string> refuse;
    void operator()(Peer& p, const Frame& f) const;
};

// Opens a router record on a peer running `handler`, calls `use` with it and closes it;
// gives the frames the peer received.
std::vector<Frame> With(Peer::Handler handler, const std::function<void(VlRouter*)>& use);
// The texts of the frames of one type.
std::vector<std::string> Texts(const std::vector<Frame>& frames, int type = VL_MSG_COMMAND);

} // namespace peer
