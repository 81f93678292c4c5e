// Counts what goes over the management connection: the linker sends every send() and
// recv() of the program through these wrappers (-Wl,--wrap=send,--wrap=recv,--wrap=close), which
// count the calls and follow the frame headers (0x65, type, 16-bit length) in each
// direction of each socket.
#include "WireCounters.h"

#include <sys/socket.h>
#include <sys/types.h>

#include <cstdint>
#include <map>

extern "C" ssize_t __real_send(int fd, const void* buf, size_t n, int flags);
extern "C" ssize_t __real_recv(int fd, void* buf, size_t n, int flags);
extern "C" int __real_close(int fd);

namespace {

// Where a byte stream stands inside its current frame.
struct FrameCursor {
    uint8_t header[4] = {};
    int headerBytes = 0;
    long payloadLeft = 0;

    // Feeds bytes; returns how many frames they completed.
    long Feed(const uint8_t* p, size_t n) {
        long frames = 0;
        while (n > 0) {
            if (payloadLeft > 0) {
                size_t take = n < static_cast<size_t>(payloadLeft) ? n : payloadLeft;
                payloadLeft -= static_cast<long>(take);
                p += take;
                n -= take;
                if (payloadLeft == 0)
                    ++frames;
                continue;
            }
            header[headerBytes++] = *p++;
            --n;
            if (headerBytes == 4) {
                headerBytes = 0;
                payloadLeft = (header[2] << 8) | header[3];
                if (payloadLeft == 0)
                    ++frames;
            }
        }
        return frames;
    }
};

std::map<int, FrameCursor> sent;
std::map<int, FrameCursor> received;
WireCounts counts;

} // namespace

WireCounts CurrentWireCounts() { return counts; }

void ForgetSocket(int fd) {
    sent.erase(fd);
    received.erase(fd);
}

extern "C" ssize_t __wrap_send(int fd, const void* buf, size_t n, int flags) {
    ssize_t r = __real_send(fd, buf, n, flags);
    ++counts.writes;
    if (r > 0) {
        FrameCursor& cursor = sent[fd];
        counts.framesSent += cursor.Feed(static_cast<const uint8_t*>(buf), r);
        // A write that stops inside a frame means frames are being written piecemeal.
        if (cursor.headerBytes != 0 || cursor.payloadLeft != 0)
            ++counts.partialWrites;
    }
    return r;
}

extern "C" ssize_t __wrap_recv(int fd, void* buf, size_t n, int flags) {
    ssize_t r = __real_recv(fd, buf, n, flags);
    ++counts.reads;
    if (r > 0)
        counts.framesReceived += received[fd].Feed(static_cast<const uint8_t*>(buf), r);
    else if (r == 0)
        ForgetSocket(fd);
    return r;
}

extern "C" int __wrap_close(int fd) {
    ForgetSocket(fd);
    return __real_close(fd);
}
