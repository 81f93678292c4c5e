#include "router/BootpResponder.h"

#include "platform/Hooks.h"
#include "platform/Sockets.h"
#include "platform/Time.h"

#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <utility>

namespace {

constexpr int MessageSize = 300;   // a BOOTP message, vendor area included
constexpr long WaitMs = 90000;     // per datagram
constexpr int Attempts = 3;
constexpr int ChaddrOffset = 28;

uint32_t FailCode() {
    int e = platform::LastSocketError();
    return e != 0 ? static_cast<uint32_t>(e) : 1u;
}

uint32_t Fail(int s) {
    uint32_t code = FailCode();
    if (s >= 0)
        platform::CloseSocket(s);
    return code;
}

void PutAddress(uint8_t* at, uint32_t addrNetOrder) { std::memcpy(at, &addrNetOrder, 4); }

} // namespace

uint32_t BootpResponder(std::string addressText) {
    const platform::Hooks& hooks = platform::GetHooks();
    return BootpResponder(std::move(addressText),
                          {hooks.bootpServerPort, hooks.bootpReplyAddr, hooks.bootpClientPort});
}

uint32_t BootpResponder(std::string addressText, const BootpEndpoints& endpoints) {
    platform::SetLastSocketError(0);
    uint32_t assigned = platform::InetAddr(addressText.c_str());
    if (assigned == 0xFFFFFFFFu)
        return Fail(-1);
    uint32_t replyAddr = platform::InetAddr(endpoints.replyAddress.c_str());

    int s = platform::UdpSocket();
    if (s < 0)
        return Fail(-1);
    platform::SetSockOptInt(s, SOL_SOCKET, SO_REUSEADDR, 1);
    if (platform::BindAny(s, static_cast<uint16_t>(endpoints.serverPort)) != 0) {
        // Linux keeps ports below 1024 for privileged programs.
        if (platform::LastSocketError() == platform::WSAEACCES && endpoints.serverPort < 1024)
            std::fprintf(stderr,
                         "qlwiz: cannot bind UDP port %d to answer the router's address request: "
                         "the program needs CAP_NET_BIND_SERVICE "
                         "(setcap cap_net_bind_service=+ep on the program)\n",
                         endpoints.serverPort);
        return Fail(s);
    }
    if (platform::SetSockOptInt(s, SOL_SOCKET, SO_BROADCAST, 1) != 0)
        return Fail(s);

    bool answered = false;
    for (int attempt = 0; attempt < Attempts && !answered; ++attempt) {
        int ready = platform::WaitReadable(s, platform::ScaledMs(WaitMs));
        if (ready == 0)
            platform::SetLastSocketError(platform::WSAETIMEDOUT);
        if (ready <= 0)
            return Fail(s);  // a silent network ends the thread after one period
        uint8_t msg[MessageSize];
        int n = platform::RecvFrom(s, msg, MessageSize, nullptr, nullptr);
        if (n != MessageSize)
            return Fail(s);
        if (std::memcmp(msg + ChaddrOffset, BootpMakerPrefix, sizeof BootpMakerPrefix) != 0)
            continue;  // another device's request uses up an attempt
        msg[0] = 2;                  // op: reply
        PutAddress(msg + 16, assigned);  // yiaddr
        PutAddress(msg + 20, 0);         // siaddr
        PutAddress(msg + 24, assigned);  // giaddr
        int sent = platform::SendTo(s, msg, MessageSize, replyAddr,
                                    static_cast<uint16_t>(endpoints.clientPort));
        if (sent != MessageSize)
            return Fail(s);
        answered = true;
    }
    if (platform::CloseSocket(s) != 0 || !answered)
        return FailCode();
    return 0;
}
