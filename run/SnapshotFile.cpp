// The snapshot as a file: reading one (a regular file of bounded size, never waiting on a
// FIFO or a device) and writing one privately and durably into a folder only the user
// controls.
#include "run/RouterSnapshot.h"

#include "platform/Files.h"
#include "run/SnapshotFields.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
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

// The file holds passwords: as ssh does for a key, refuse a folder (or one above it) in
// which someone else could rename, replace or plant the file: one that another user owns,
// or that group or others may write without the sticky bit that keeps them to their own
// entries.
bool OnlyUsersFolder(const std::string& dir, std::string& error) {
    char* real = ::realpath(dir.c_str(), nullptr);
    if (real == nullptr) {
        error = dir + ": " + std::strerror(errno);
        return false;
    }
    std::string path = real;
    std::free(real);
    for (;;) {
        struct stat st{};
        if (::stat(path.c_str(), &st) != 0) {
            error = path + ": " + std::strerror(errno);
            return false;
        }
        if (st.st_uid != 0 && st.st_uid != ::geteuid()) {
            error = path + ": the folder belongs to another user; not keeping a snapshot, which "
                           "holds passwords, where they could replace it";
            return false;
        }
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0) {
            error = path + ": the folder is writable by others; not keeping a snapshot, which "
                           "holds passwords, where they could replace it";
            return false;
        }
        if (path == "/")
            return true;
        const size_t slash = path.rfind('/');
        path = slash == 0 ? "/" : path.substr(0, slash);
    }
}

// A text as a file name: letters, digits, '.' and '-' kept, anything else '_'.
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
    // A snapshot that the restore would refuse is no safety net: say so before the run
    // changes anything.
    const std::string content = Text();
    RouterSnapshot back;
    if (!Parse(content, back, error)) {
        error = "the Quillet's present settings would not read back from a snapshot: " + error;
        return false;
    }
    if (!MakeFolders(dir, error) || !OnlyUsersFolder(dir, error))
        return false;
    std::string stamp = taken;
    stamp.erase(std::remove_if(stamp.begin(), stamp.end(), [](char c) { return c == '-' || c == ':'; }),
                stamp.end());
    const std::string base = dir + (dir.back() == '/' ? "" : "/") + FileNamePart(address) + "-" + stamp;
    int fd = -1;
    for (int n = 1; fd < 0 && n < 100; ++n) {
        path = base;
        if (n > 1)
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
    // The run changes the router once this returns: the file must be on the disk by then,
    // and so must the folder's entry for it, or a crash could leave neither.
    if (!platform::WriteAll(fd, content.data(), content.size()) || ::fsync(fd) != 0) {
        error = path + ": cannot write the snapshot: " + std::strerror(errno);
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    if (::close(fd) != 0) {
        error = path + ": cannot write the snapshot: " + std::strerror(errno);
        ::unlink(path.c_str());
        return false;
    }
    const int folder = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // EINVAL: a file system that cannot sync a folder; the file itself is synced.
    if (folder < 0 || (::fsync(folder) != 0 && errno != EINVAL)) {
        error = dir + ": cannot sync the folder of the snapshot: " + std::strerror(errno);
        if (folder >= 0)
            ::close(folder);
        ::unlink(path.c_str());
        return false;
    }
    ::close(folder);
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
