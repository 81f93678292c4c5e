// A snapshot of a router taken on demand, and a snapshot held against the live router it
// names. Both only log in and read: the library is read-only meanwhile, so not even the
// capability probe of older firmware writes.
#pragma once

#include "router/VLVelunor.h"
#include "run/RouterSnapshot.h"
#include "run/SnapshotDiff.h"

#include <string>
#include <vector>

namespace VLQLWizUIControl {

// The command library's read-only mode for as long as it lives: nothing the router would
// apply leaves, the capability probe of older firmware included.
class ReadOnlyLink {
public:
    ReadOnlyLink();
    ~ReadOnlyLink();
    ReadOnlyLink(const ReadOnlyLink&) = delete;
    ReadOnlyLink& operator=(const ReadOnlyLink&) = delete;
};

// One password to try, and how to name it once it opened the router.
struct PasswordTry {
    std::string password;
    const char* label;
};

// Opens `session` with the first of `tries` the router takes (repeats are tried once).
// Ok with `label` set; LoginFailed when it took none; else the failure of the connect or of
// the reads, with `message` saying it in words.
VLVelunor::ReturnCode OpenWithPasswords(VLVelunor& session, const std::string& address,
                                        const std::vector<PasswordTry>& tries, std::string& label,
                                        std::string& message);

// Logs in to the router at `address` with `password` and keeps a snapshot of it in
// `dir` as a run keeps one. False with `message` when no router answered, the password was
// refused or the snapshot could not be written (`routerFailed` tells the first two).
bool KeepBackup(const std::string& address, const std::string& password, const std::string& dir,
                std::string& path, std::string& message, bool& routerFailed);

// What the live router holds differently from the snapshot.
struct LiveComparison {
    bool compared = false;  // false: the router could not be read, `message` says why
    bool passwordsRefused = false;
    std::string message;
    std::string passwordUsed;
    std::vector<SettingDifference> differences;
};

// Logs in to the router the snapshot names, with `offered` when it is not empty, else the
// snapshot's password, the one its run installed, or none, and compares what it reads with
// the snapshot, the administration password included.
LiveComparison CompareWithRouter(const RouterSnapshot& kept, const std::string& offered);

} // namespace VLQLWizUIControl
