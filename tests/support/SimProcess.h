// Child processes for tests, started one way: quillet-sim kept running beside a test
// (SimProcess) and a program run to its end (RunChild). Every wait is bounded; a child
// that outlives its limit is killed by its own pid.
#pragma once

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the simulator on a scenario file, on loopback port 0, dumping into a temporary
    // file on exit, then `args` (later options win). Waits for "management port" and, unless
    // `waitListening` is false, for the first "listening on". False when it did not start.
    bool Start(const std::string& scenario = "", const std::vector<std::string>& args = {},
               bool waitListening = true);
    // Waits for the next event line (stdout) that starts with "quillet-sim: " + `what`,
    // skipping others; the rest of the line goes to `rest`. Bounded by `timeoutMs`.
    bool WaitFor(const std::string& what, long timeoutMs = 10000, std::string* rest = nullptr);
    // Passes over every event line written so far: the next WaitFor sees only later ones.
    void SkipEvents();
    // Waits until the standard error log holds `text`. Bounded by `timeoutMs`.
    bool WaitForLog(const std::string& text, long timeoutMs = 10000) const;
    // Asks for the configuration dump (SIGUSR1) and returns its text, "" on failure.
    std::string Dump(long timeoutMs = 10000);
    // SIGTERM, or only its standard input closed; then waits (bounded; SIGKILL after it)
    // and returns the exit status, or -1.
    int Stop(bool bySignal = true);

    int Port() const { return port_; }
    const std::string& Error() const { return error_; }
    const std::vector<std::string>& Events() const { return lines_; }
    std::string Log() const;  // the standard error log written so far
    std::string DumpFileText() const;  // what --dump-on-exit wrote
    static std::string BinaryPath();
    // The value of "key = value" in a section ("running", "saved" or "state") of a dump.
    static std::string DumpValue(const std::string& dump, const std::string& section,
                                 const std::string& key);

private:
    bool ReadLine(std::string* line, long long deadlineMs);
    pid_t pid_ = -1;
    int stdinFd_ = -1, stdoutFd_ = -1, port_ = 0;
    std::string error_, buffer_;
    std::vector<std::string> lines_;
    size_t cursor_ = 0;
    std::string scenarioFile_, logFile_, dumpFile_;
};

struct ChildResult {
    int exitCode = -1;  // -1 when it did not exit normally
    bool timedOut = false;
    std::string out, err;
    long long elapsedMs = 0;
};

// Runs a program to its end with extra environment, capturing its output.
ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env, long limitMs);

// A loopback port nothing listens on right now (bound to port 0, read back, freed).
int FreeTcpPort();
int FreeUdpPort();
// Writes `text` to a new file in this process's temporary directory; returns its path.
std::string WriteTempFile(const std::string& name, const std::string& text);
// The count of `part` in `text`.
int Count(const std::string& text, const std::string& part);
