// Answers the BOOTP request of a new router so that it takes the address the user chose.
// Runs as the one worker thread of a configuration run (platform::Thread).
#pragma once

#include <cstdint>
#include <string>

// The first three bytes of every Quillet's hardware address (a locally administered
// prefix; the router simulator carries the same one).
inline constexpr uint8_t BootpMakerPrefix[3] = {0x02, 0x51, 0x4C};

// Exit code 0 when a request from a Quillet was answered; otherwise the socket error
// number of the failing call, or 1 when there is none. The address text is copied, so
// the caller's record may change while the thread runs.
uint32_t BootpResponder(std::string addressText);

// Where the responder listens and where its reply goes; the one above takes them from
// the environment hooks (UDP 67, 255.255.255.255:68 by default).
struct BootpEndpoints {
    int serverPort;
    std::string replyAddress;
    int clientPort;
};
uint32_t BootpResponder(std::string addressText, const BootpEndpoints& endpoints);
