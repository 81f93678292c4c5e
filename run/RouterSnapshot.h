// What a router held before a run changed it: the global and Ethernet records, the ISDN
// ports, every location and every filter with its rules, the address, the time and the
// passwords. Kept as a text file of "key = value" lines so a person can read and diff it,
// and read back by the restore.
#pragma once

#include "cmdlib/vl.h"

#include <string>
#include <vector>

class VLVelunor;

namespace VLQLWizUIControl {

struct RouterSnapshot {
    // The format written; format 1 (without `tables`) still reads.
    static constexpr int Format = 2;
    // The first line of every snapshot written; a file without it (or format 1's) is not
    // one of ours.
    static const char* const Header;

    struct FilterRecord {
        std::string name;
        std::vector<VlFilterRule> ip;
        std::vector<VlIpxFilterRule> ipx;
        std::vector<VlSapFilterRule> sap;
    };

    std::string address;      // where the router was reached
    std::string taken;        // UTC, ISO 8601
    std::string password;     // the administration password that opened the session
    std::string runPassword;  // the one the run was about to install
    // The location and filter tables were read whole, so the snapshot holds all of them
    // (false for a format-1 file, which does not say).
    bool tablesWhole = false;
    VlRouter global{};        // global part only: `ports` null, `socket` -1
    std::vector<VlEther> ethers;
    std::vector<VlPort> ports;          // the ISDN ports, in table order
    std::vector<VlLocation> locations;  // `next` null
    std::vector<FilterRecord> filters;

    // Takes what the open session read at login; sends nothing.
    static RouterSnapshot FromSession(VLVelunor& session, const std::string& address,
                                      const std::string& runPassword);

    // The whole file, header included.
    std::string Text() const;
    // The router's records only, one "key = value" a line: what a restore compares.
    std::string RecordsText() const;
    // Parses a whole file, format 1 or 2. False with one line in `error` for anything
    // malformed: a line that is not "key = value", an unknown or repeated key, a name the
    // router would not take, a value its field's rule refuses, a missing field.
    static bool Parse(const std::string& text, RouterSnapshot& out, std::string& error);

    // Writes the file into `dir` (created 0700 when missing) as
    // <address>-<yyyymmddThhmmssZ>.snapshot, mode 0600, never through a symbolic link, and
    // syncs the file and the folder to disk before it returns. Refuses a folder that others
    // could change (writable by group or others without the sticky bit, or owned by
    // someone other than the user or root, the folder or any above it), and a snapshot
    // that would not read back.
    bool WriteFile(const std::string& dir, std::string& path, std::string& error) const;
    // Reads a regular file of at most 1 MiB; anything else (a FIFO, a device) is refused
    // at once, without waiting on it.
    static bool ReadFile(const std::string& path, RouterSnapshot& out, std::string& error);

    // Copy the fields a snapshot keeps from a kept record onto a live one, leaving the
    // rest of the live record (status fields, the socket) as it is.
    static void ApplyGlobal(const VlRouter& kept, VlRouter& live);
    static void ApplyEther(const VlEther& kept, VlEther& live);
    static void ApplyPort(const VlPort& kept, VlPort& live);

    const VlLocation* FindLocation(const std::string& name) const;
    const FilterRecord* FindFilter(const std::string& name) const;
};

// A filter record laid out as the command library wants it: rule lists linked in place.
// Keep it alive while the library uses `filter`.
struct LinkedFilter {
    explicit LinkedFilter(const RouterSnapshot::FilterRecord& record);
    LinkedFilter(const LinkedFilter&) = delete;
    LinkedFilter& operator=(const LinkedFilter&) = delete;
    VlFilter filter{};
    std::vector<VlFilterRule> ip;
    std::vector<VlIpxFilterRule> ipx;
    std::vector<VlSapFilterRule> sap;
};

} // namespace VLQLWizUIControl
