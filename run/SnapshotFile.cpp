// The snapshot as a file: writing one privately, reading one back (a regular file of
// bounded size, never waiting on a FIFO or a device).
#include "run/RouterSnapshot.h"

#include "run/SnapshotFields.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace VLQLWizUIControl {

namespace {

// Makes every missing folder of `dir`, private to the user.
bool MakeFolders(const std::string& dir, std::string& error) {
    for (size_t at = 1; at <= dir.size(); ++at) {
        if (at != dir.size() && dir[at] != '/')
            continue;
        const std::string part = dir.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = part + ": cannot create the folder: " + std::strerror(errno);
            return false;
        }
    }
    struct stat st{};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = dir + ": not a folder";
        return false;
    }
    return true;
}

std::string FileNamePart(const std::string& text) {
    std::string out;
    for (char c : text)
        out += (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-') ? c : '_';
    return out.empty() ? "router" : out;
}

} // namespace

bool RouterSnapshot::WriteFile(const std::string& dir, std::string& path, std::string& error) const {
    if (dir.empty()) {
        error = "no folder for snapshots: set QLWIZ_SNAPSHOT_DIR, XDG_STATE_HOME or HOME";
        return false;
    }
    if (!MakeFolders(dir, error))
        return false;
    std::string stamp = taken;
    stamp.erase(std::remove_if(stamp.begin(), stamp.end(), [](char c) { return c == '-' || c == ':'; }),
                stamp.end());
    const std::string base = dir + (dir.back() == '/' ? "" : "/") + FileNamePart(address) + "-" + stamp;
    int fd = -1;
    for (int n = 1; fd < 0 && n < 100; ++n) {
        path = base;
        if (n > 1)  // appended, not concatenated: g++ 12 warns falsely on "-" + to_string
            path.append("-").append(std::to_string(n));
        path += ".snapshot";
        // It holds passwords: private from the start, and never written through a link
        // someone else planted under the name.
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0)
            break;
        const int e = errno;
        struct stat st{};
        if (e == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            error = path + ": is a symbolic link; not writing the snapshot through it";
            return false;
        }
        if (e != EEXIST) {
            error = path + ": cannot create the snapshot: " + std::strerror(e);
            return false;
        }
    }
    if (fd < 0) {
        error = base + ".snapshot: too many snapshots of this router in one second";
        return false;
    }
    const std::string content = Text();
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = path + ": cannot write the snapshot: " + std::strerror(errno);
            ::close(fd);
            ::unlink(path.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) {
        error = path + ": cannot write the snapshot: " + std::strerror(errno);
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

bool RouterSnapshot::ReadFile(const std::string& path, RouterSnapshot& out, std::string& error) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<unsigned long long>(st.st_size) > snapshot::kMaxBytes) {
        error = path + (!S_ISREG(st.st_mode) ? ": not a regular file" : ": too large for a snapshot");
        ::close(fd);
        return false;
    }
    // The size may still change under us: read on while it grows, one byte past the
    // limit at most.
    std::string text(static_cast<size_t>(st.st_size) + 1, '\0');
    size_t done = 0;
    for (;;) {
        if (done == text.size()) {
            if (done > snapshot::kMaxBytes)
                break;
            text.resize(std::min(2 * done, snapshot::kMaxBytes + 1));
        }
        const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = path + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    if (done > snapshot::kMaxBytes) {
        error = path + ": too large for a snapshot";
        return false;
    }
    text.resize(done);
    if (!Parse(text, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace VLQLWizUIControl
