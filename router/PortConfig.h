// A working copy of one router port: the run edits it and writes it against the live
// entry of the session's port table.
#pragma once

#include "cmdlib/vl.h"

#include <string>

class VLVelunor;

struct PortConfig : VlPort {
    PortConfig();  // all zero
    explicit PortConfig(const VlPort& port);

    void SetGroup(const std::string& text);
    void SetSpid(const std::string& text);       // up to 20 digits
    void SetDirectory(const std::string& text);  // up to 16 digits
    // Kept as seconds in the record's status position, not in `idle`: the port builder
    // does not compare that position, so no idle-time command goes to the port. The
    // location's idle time is what hangs up an idle ISP call; a port timer would also
    // cut a link the user asked to keep up full time.
    void SetIdle(const std::string& minutes);

    // Sends the differences from `live` (throws the integer -1 when the router fails);
    // with `save` non-zero, "save" and the port name follow (throws -1 likewise).
    void Write(VLVelunor& connection, const VlPort* live, int save);
};

static_assert(sizeof(PortConfig) == sizeof(VlPort), "a PortConfig must be a VlPort");
