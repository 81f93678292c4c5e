#include "platform/Hooks.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

const char* RealGetenv(const char* name) { return std::getenv(name); }

void Complain(std::string* err, const char* name, const char* value, const char* want) {
    if (err == nullptr)
        return;
    *err += std::string(name) + ": ignoring malformed value \"" + value + "\" (" + want + ")\n";
}

void ReadPort(const char* (*get)(const char*), const char* name, int& field, std::string* err) {
    const char* v = get(name);
    if (v == nullptr)
        return;
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(v, &end, 10);
    if (*v == '\0' || *end != '\0' || errno != 0 || n < 1 || n > 65535) {
        Complain(err, name, v, "a port from 1 to 65535");
        return;
    }
    field = static_cast<int>(n);
}

} // namespace

std::string DefaultSummaryFile() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    if (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir + "/QLWIZ.TXT";
}

std::string DefaultSnapshotDir() {
    const char* state = std::getenv("XDG_STATE_HOME");
    // A relative XDG path is to be ignored, as the base directory rules say.
    if (state != nullptr && state[0] == '/')
        return std::string(state) + "/qlwiz";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0')
        return "";
    return std::string(home) + "/.local/state/qlwiz";
}

Hooks ReadHooks(const char* (*get)(const char*), std::string* err) {
    Hooks h;
    ReadPort(get, "QLWIZ_MGMT_PORT", h.mgmtPort, err);
    ReadPort(get, "QLWIZ_BOOTP_SERVER_PORT", h.bootpServerPort, err);
    ReadPort(get, "QLWIZ_BOOTP_CLIENT_PORT", h.bootpClientPort, err);
    ReadPort(get, "QLWIZ_ROUTE_TEST_PORT", h.routeTestPort, err);

    if (const char* v = get("QLWIZ_BOOTP_REPLY_ADDR")) {
        in_addr a{};
        if (inet_pton(AF_INET, v, &a) == 1)
            h.bootpReplyAddr = v;
        else
            Complain(err, "QLWIZ_BOOTP_REPLY_ADDR", v, "a dotted IPv4 address");
    }
    if (const char* v = get("QLWIZ_TIME_SCALE")) {
        char* end = nullptr;
        errno = 0;
        double s = std::strtod(v, &end);
        if (*v == '\0' || *end != '\0' || errno != 0 || !std::isfinite(s) || s < 0.0 || s > 1000.0)
            Complain(err, "QLWIZ_TIME_SCALE", v, "a number from 0 to 1000");
        else
            h.timeScale = s;
    }
    if (const char* v = get("QLWIZ_SUMMARY_FILE")) {
        if (*v != '\0')
            h.summaryFile = v;
        else
            Complain(err, "QLWIZ_SUMMARY_FILE", v, "a file path");
    }
    if (h.summaryFile.empty())
        h.summaryFile = DefaultSummaryFile();
    if (const char* v = get("QLWIZ_SNAPSHOT_DIR")) {
        if (*v != '\0')
            h.snapshotDir = v;
        else
            Complain(err, "QLWIZ_SNAPSHOT_DIR", v, "a folder path");
    }
    if (h.snapshotDir.empty())
        h.snapshotDir = DefaultSnapshotDir();
    return h;
}

const Hooks& GetHooks() {
    static const Hooks hooks = [] {
        std::string err;
        Hooks h = ReadHooks(RealGetenv, &err);
        if (!err.empty())
            std::fputs(err.c_str(), stderr);
        return h;
    }();
    return hooks;
}

} // namespace platform
