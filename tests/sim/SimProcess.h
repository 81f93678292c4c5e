// Starts the built quillet-sim as a child process for a test, with a scenario text and
// options, waits (bounded) for its "listening on" line and stops it deterministically.
// Any layer's tests can link the `simprocess` library and use it.
//
//   SimProcess sim;
//   ASSERT_TRUE(sim.Start("password = secret\nisp.outcome = busy\n")) << sim.Error();
//   connect to 127.0.0.1:sim.Port() ...
//   EXPECT_EQ(sim.Stop(), 0);
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Writes the scenario to a temporary file and starts the simulator with --listen
    // 127.0.0.1, --port 0, --bootp-target 127.0.0.1, --exit-on-stdin-close and
    // --dump-on-exit into a temporary file, then `args` (later options win). It waits for the
    // "management port" line (so Port() is known even in the factory state) and, unless
    // `waitListening` is false, for the first "listening on" line. False when the simulator
    // did not start (usage error: see CloseStdin() for its exit status).
    bool Start(const std::string& scenario = "", const std::vector<std::string>& args = {},
               bool waitListening = true);

    // Waits for the next event line (stdout) that starts with "quillet-sim: " + `what`,
    // skipping others; the line's remainder after `what` goes to `rest`. Bounded by
    // `timeoutMs` real milliseconds.
    bool WaitFor(const std::string& what, long timeoutMs = 10000, std::string* rest = nullptr);

    // Asks for the configuration dump (SIGUSR1) and returns its text, "" on failure.
    std::string Dump(long timeoutMs = 10000);

    // SIGTERM, then waits (bounded; SIGKILL after it) and returns the exit status, or -1.
    int Stop(long timeoutMs = 10000);

    // Closes the simulator's standard input (it then exits by itself) and waits like Stop.
    int CloseStdin(long timeoutMs = 10000);

    int Port() const { return port_; }
    const std::string& Address() const { return address_; }
    pid_t Pid() const { return pid_; }
    bool Running() const { return pid_ > 0; }
    const std::string& Error() const { return error_; }
    // Every event line read so far, and the standard error log written so far.
    const std::vector<std::string>& Events() const { return lines_; }
    std::string Log() const;
    const std::string& DumpFile() const { return dumpFile_; }

    static std::string BinaryPath();

    // The value of "key = value" in a section ("running", "saved" or "state") of a dump.
    static std::string DumpValue(const std::string& dump, const std::string& section,
                                 const std::string& key);

private:
    bool ReadLine(std::string* line, long long deadlineMs);
    int Reap(long timeoutMs);

    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int stdoutFd_ = -1;
    int port_ = 0;
    std::string address_;
    std::string error_;
    std::string buffer_;
    std::vector<std::string> lines_;
    size_t cursor_ = 0;
    std::string dir_;
    std::string scenarioFile_, logFile_, dumpFile_;
};
