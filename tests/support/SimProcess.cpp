#include "support/SimProcess.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// One temporary directory per test process, removed with everything in it at the end.
const std::string& TempDir() {
    static struct Dir {
        std::string path;
        Dir() {
            std::string t = (std::filesystem::temp_directory_path() / "qlwiz-test-XXXXXX").string();
            path = ::mkdtemp(t.data()) ? t : "/tmp";
        }
        ~Dir() {
            std::error_code ec;
            if (path != "/tmp")
                std::filesystem::remove_all(path, ec);
        }
    } dir;
    return dir.path;
}

int FreePort(int type) {
    int s = ::socket(AF_INET, type, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = -1;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

// Forks `argv` with the given descriptors as 0, 1 and 2 and `env` added to this process's
// environment. The hooks this process was given are not passed on, the time scale and the
// snapshot folder aside: a child uses real ports unless the test names its own, and keeps
// its snapshots in the build tree, never in the user's state folder.
pid_t Spawn(std::vector<std::string> argv, const std::map<std::string, std::string>& env,
            int in, int out, int err) {
    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string key = std::string(*e).substr(0, std::string(*e).find('='));
        if (env.count(key) == 0 && (key.rfind("QLWIZ_", 0) != 0 || key == "QLWIZ_TIME_SCALE" ||
                                   key == "QLWIZ_SNAPSHOT_DIR"))
            envText.push_back(*e);
    }
    for (const auto& [key, value] : env)
        envText.push_back(key + "=" + value);
    std::vector<char*> cargv, cenv;
    for (auto [from, to] : {std::pair{&argv, &cargv}, {&envText, &cenv}}) {
        for (std::string& a : *from)
            to->push_back(a.data());
        to->push_back(nullptr);
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::execve(cargv[0], cargv.data(), cenv.data());
        ::_exit(127);
    }
    return pid;
}

// Waits for `pid` until `deadline`, then kills it. Its status, or -1.
int WaitChild(pid_t pid, long long deadline, bool* killed = nullptr) {
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (NowMs() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            if (killed)
                *killed = true;
            return -1;
        }
        ::poll(nullptr, 0, 5);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    return false;
}

} // namespace

int FreeTcpPort() { return FreePort(SOCK_STREAM); }
int FreeUdpPort() { return FreePort(SOCK_DGRAM); }

std::string WriteTempFile(const std::string& name, const std::string& text) {
    static int serial = 0;
    std::string path = TempDir() + "/" + std::to_string(++serial) + "-" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env, long limitMs) {
    ChildResult result;
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        return result;
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const long long start = NowMs();
    pid_t pid = Spawn(argv, env, devNull, outPipe[1], errPipe[1]);
    ::close(devNull);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    for (int open = 2; open > 0 && NowMs() - start < limitMs;) {
        if (::poll(fds, 2, static_cast<int>(limitMs - (NowMs() - start))) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buf[4096];
            ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<size_t>(n));
            } else {
                CloseFd(fds[i].fd);
                --open;
            }
        }
    }
    for (pollfd& p : fds)
        CloseFd(p.fd);
    result.exitCode = WaitChild(pid, start + limitMs, &result.timedOut);
    result.elapsedMs = NowMs() - start;
    return result;
}

std::string SimProcess::BinaryPath() {
    const char* p = std::getenv("QUILLET_SIM");
    return p ? p : QUILLET_SIM_PATH;
}

SimProcess::~SimProcess() {
    if (pid_ > 0)
        Stop();
}

bool SimProcess::Start(const std::string& scenario, const std::vector<std::string>& args,
                       bool waitListening) {
    scenarioFile_ = WriteTempFile("scenario", scenario);
    logFile_ = WriteTempFile("sim.log", "");
    dumpFile_ = WriteTempFile("dump.txt", "");
    // Loopback only: a factory-state router's BOOTP requests go to 127.0.0.1 unless a test
    // says otherwise, never to the LAN broadcast.
    std::vector<std::string> argv = {BinaryPath(), "--scenario", scenarioFile_, "--listen",
                                     "127.0.0.1", "--port", "0", "--bootp-target", "127.0.0.1",
                                     "--exit-on-stdin-close", "--dump-on-exit", dumpFile_};
    argv.insert(argv.end(), args.begin(), args.end());
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    int logFd = ::open(logFile_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    pid_ = Spawn(argv, {}, in[0], out[1], logFd);
    ::close(in[0]);
    ::close(out[1]);
    ::close(logFd);
    stdinFd_ = in[1];
    stdoutFd_ = out[0];
    for (std::string line : {"management port", "listening on"}) {
        std::string rest;
        if (line[0] == 'l' && !waitListening)
            return true;
        if (pid_ < 0 || !WaitFor(line + " ", 10000, &rest)) {
            error_ = "no \"" + line + "\" line from " + BinaryPath() + "; log:\n" + Log();
            return false;
        }
        port_ = std::atoi(rest.c_str() + rest.rfind(':') + 1);  // npos + 1 is 0
    }
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
        pollfd p{stdoutFd_, POLLIN, 0};
        if (left <= 0 || stdoutFd_ < 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
            return false;
        char chunk[1024];
        ssize_t n = ::read(stdoutFd_, chunk, sizeof chunk);
        if (n <= 0)
            return CloseFd(stdoutFd_);
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

bool SimProcess::WaitFor(const std::string& what, long timeoutMs, std::string* rest) {
    const std::string prefix = "quillet-sim: " + what;
    const long long deadline = NowMs() + timeoutMs;
    for (std::string line;;) {
        while (cursor_ < lines_.size()) {
            const std::string& l = lines_[cursor_++];
            if (l.compare(0, prefix.size(), prefix) == 0) {
                if (rest)
                    *rest = l.substr(prefix.size());
                return true;
            }
        }
        if (!ReadLine(&line, deadline))
            return false;
        lines_.push_back(line);
    }
}

void SimProcess::SkipEvents() {
    for (std::string line; ReadLine(&line, NowMs() + 1);)
        lines_.push_back(line);
    cursor_ = lines_.size();
}

bool SimProcess::WaitForLog(const std::string& text, long timeoutMs) const {
    for (const long long deadline = NowMs() + timeoutMs; Log().find(text) == std::string::npos; ::poll(nullptr, 0, 5))
        if (NowMs() > deadline)
            return false;
    return true;
}

std::string SimProcess::Dump(long timeoutMs) {
    if (pid_ <= 0 || ::kill(pid_, SIGUSR1) != 0 || !WaitFor("dumped ", timeoutMs))
        return "";
    return DumpFileText();
}

std::string SimProcess::DumpFileText() const { return ReadFile(dumpFile_); }

int SimProcess::Stop(bool bySignal) {
    if (pid_ <= 0)
        return -1;
    if (bySignal)
        ::kill(pid_, SIGTERM);
    else
        CloseFd(stdinFd_);  // it exits by itself when its standard input closes
    // Its event lines are read to the end, so it never blocks on a full pipe while exiting.
    const long long deadline = NowMs() + 10000;
    for (std::string line; ReadLine(&line, deadline);)
        lines_.push_back(line);
    int status = WaitChild(pid_, deadline);
    pid_ = -1;
    CloseFd(stdinFd_);
    CloseFd(stdoutFd_);
    return status;
}

std::string SimProcess::Log() const { return ReadFile(logFile_); }

std::string SimProcess::DumpValue(const std::string& dump, const std::string& section,
                                  const std::string& key) {
    std::istringstream in(dump);
    std::string line, current;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[')
            current = line.substr(1, line.find(']') - 1);
        else if (current == section && line.compare(0, key.size() + 3, key + " = ") == 0)
            return line.substr(key.size() + 3);
    }
    return "";
}
