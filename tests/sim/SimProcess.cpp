#include "SimProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

}  // namespace

std::string SimProcess::BinaryPath() {
    if (const char* p = std::getenv("QUILLET_SIM"))
        return p;
#ifdef QUILLET_SIM_PATH
    return QUILLET_SIM_PATH;
#else
    return "quillet-sim";
#endif
}

SimProcess::~SimProcess() {
    if (pid_ > 0)
        Stop();
    for (const std::string& f : {scenarioFile_, logFile_, dumpFile_})
        if (!f.empty())
            unlink(f.c_str());
    if (!dir_.empty())
        rmdir(dir_.c_str());
}

bool SimProcess::Start(const std::string& scenario, const std::vector<std::string>& args,
                       bool waitListening) {
    const char* tmp = std::getenv("TMPDIR");
    std::string dirTemplate = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillet-sim-XXXXXX";
    std::vector<char> buf(dirTemplate.begin(), dirTemplate.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) {
        error_ = std::string("mkdtemp: ") + std::strerror(errno);
        return false;
    }
    dir_ = buf.data();
    scenarioFile_ = dir_ + "/scenario";
    logFile_ = dir_ + "/stderr.log";
    dumpFile_ = dir_ + "/dump.txt";
    if (!WriteFile(scenarioFile_, scenario)) {
        error_ = "cannot write the scenario file";
        return false;
    }

    // loopback only: a factory-state router's BOOTP requests go to 127.0.0.1 unless a test
    // says otherwise, never to the LAN broadcast
    std::vector<std::string> argv = {BinaryPath(),    "--scenario",   scenarioFile_,
                                     "--listen",      "127.0.0.1",    "--port",
                                     "0",             "--bootp-target", "127.0.0.1",
                                     "--exit-on-stdin-close", "--dump-on-exit", dumpFile_};
    argv.insert(argv.end(), args.begin(), args.end());

    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    int logFd = open(logFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        if (logFd >= 0)
            dup2(logFd, 2);
        std::vector<char*> cargv;
        for (std::string& a : argv)
            cargv.push_back(a.data());
        cargv.push_back(nullptr);
        execv(cargv[0], cargv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (logFd >= 0)
        close(logFd);
    if (pid_ < 0) {
        close(in[1]);
        close(out[0]);
        error_ = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    stdinFd_ = in[1];
    stdoutFd_ = out[0];
    std::string rest;
    if (!WaitFor("management port ", 10000, &rest)) {
        error_ = "no \"management port\" line from " + BinaryPath() + "; log:\n" + Log();
        return false;
    }
    port_ = std::atoi(rest.c_str());
    if (!waitListening)
        return true;
    if (!WaitFor("listening on ", 10000, &rest)) {
        error_ = "no \"listening on\" line from " + BinaryPath() + "; log:\n" + Log();
        return false;
    }
    size_t colon = rest.rfind(':');
    address_ = rest.substr(0, colon);
    port_ = std::atoi(rest.c_str() + colon + 1);
    return port_ > 0;
}

bool SimProcess::ReadLine(std::string* line, long long deadline) {
    for (;;) {
        size_t nl = buffer_.find('\n');
        if (nl != std::string::npos) {
            *line = buffer_.substr(0, nl);
            buffer_.erase(0, nl + 1);
            return true;
        }
        long long left = deadline - NowMs();
        if (left <= 0 || stdoutFd_ < 0)
            return false;
        pollfd p{stdoutFd_, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        char chunk[1024];
        ssize_t n = read(stdoutFd_, chunk, sizeof chunk);
        if (n <= 0) {
            close(stdoutFd_);
            stdoutFd_ = -1;
            return false;
        }
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

bool SimProcess::WaitFor(const std::string& what, long timeoutMs, std::string* rest) {
    const std::string prefix = "quillet-sim: " + what;
    long long deadline = NowMs() + timeoutMs;
    for (;;) {
        while (cursor_ < lines_.size()) {
            const std::string& l = lines_[cursor_++];
            if (l.compare(0, prefix.size(), prefix) == 0) {
                if (rest)
                    *rest = l.substr(prefix.size());
                return true;
            }
        }
        std::string line;
        if (!ReadLine(&line, deadline))
            return false;
        lines_.push_back(line);
    }
}

std::string SimProcess::Dump(long timeoutMs) {
    if (pid_ <= 0 || kill(pid_, SIGUSR1) != 0)
        return "";
    if (!WaitFor("dumped ", timeoutMs))
        return "";
    std::ifstream in(dumpFile_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int SimProcess::Reap(long timeoutMs) {
    if (pid_ <= 0)
        return -1;
    long long deadline = NowMs() + timeoutMs;
    int status = 0;
    for (;;) {
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_)
            break;
        if (r < 0) {
            pid_ = -1;
            return -1;
        }
        if (NowMs() >= deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = -1;
            return -1;
        }
        // keep draining its event lines while it exits, so it never blocks on a full pipe
        std::string line;
        if (stdoutFd_ < 0)
            poll(nullptr, 0, 10);
        else if (ReadLine(&line, std::min(deadline, NowMs() + 20)))
            lines_.push_back(line);
    }
    pid_ = -1;
    if (stdinFd_ >= 0) {
        close(stdinFd_);
        stdinFd_ = -1;
    }
    std::string line;
    while (stdoutFd_ >= 0 && ReadLine(&line, NowMs() + 1000))
        lines_.push_back(line);
    if (stdoutFd_ >= 0) {
        close(stdoutFd_);
        stdoutFd_ = -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int SimProcess::Stop(long timeoutMs) {
    if (pid_ <= 0)
        return -1;
    kill(pid_, SIGTERM);
    return Reap(timeoutMs);
}

int SimProcess::CloseStdin(long timeoutMs) {
    if (stdinFd_ >= 0) {
        close(stdinFd_);
        stdinFd_ = -1;
    }
    return Reap(timeoutMs);
}

std::string SimProcess::Log() const {
    std::ifstream in(logFile_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string SimProcess::DumpValue(const std::string& dump, const std::string& section,
                                  const std::string& key) {
    std::istringstream in(dump);
    std::string line, current;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            current = line.substr(1, line.find(']') - 1);
            continue;
        }
        if (current != section)
            continue;
        size_t eq = line.find(" = ");
        if (eq != std::string::npos && line.compare(0, eq, key) == 0 && eq == key.size())
            return line.substr(eq + 3);
    }
    return "";
}
