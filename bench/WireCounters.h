// What the benchmark counts on the management connection.
#pragma once

struct WireCounts {
    long writes = 0;          // send() calls: TCP writes
    long reads = 0;           // recv() calls
    long framesSent = 0;
    long framesReceived = 0;
    long partialWrites = 0;   // writes that ended inside a frame
};

WireCounts CurrentWireCounts();
// A socket number is about to be reused: start its frame cursors afresh.
void ForgetSocket(int fd);
