// Runs a program to its end with extra environment, capturing its output, for the
// end-to-end tests of qlwiz-batch. Every wait is bounded: a child that outlives its
// limit is killed (by its own pid) and reported as timed out.
#pragma once

#include <map>
#include <string>
#include <vector>

struct ChildResult {
    int exitCode = -1;     // -1 when it did not exit normally
    bool timedOut = false;
    std::string out;
    std::string err;
    long long elapsedMs = 0;
};

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env, long limitMs);

// A port number nothing listens on right now (bound to port 0 and read back, then freed).
int FreeTcpPort();
int FreeUdpPort();

// Writes `text` to a new file in a fresh temporary directory; returns its path.
std::string WriteTempFile(const std::string& name, const std::string& text);
