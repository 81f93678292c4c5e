// Router tests' main: starts the socket layer and points the hooks at free loopback
// ports before anything reads them.
#include "RouterTestEnv.h"

#include "platform/Sockets.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

int g_bootpClientSocket = -1;

namespace {

const uint32_t loopback = htonl(INADDR_LOOPBACK);

int FreePort(int socket) {
    if (socket < 0 || platform::BindAddress(socket, loopback, 0) != 0)
        return -1;
    int port = platform::LocalPort(socket);
    platform::CloseSocket(socket);
    return port;
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    platform::SocketsStartup();

    setenv("QLWIZ_TIME_SCALE", "0.01", 0);
    setenv("QLWIZ_BOOTP_REPLY_ADDR", "127.0.0.1", 1);
    setenv("QLWIZ_BOOTP_SERVER_PORT", std::to_string(FreePort(platform::UdpSocket())).c_str(), 1);
    setenv("QLWIZ_MGMT_PORT", std::to_string(FreePort(platform::TcpSocket())).c_str(), 1);
    g_bootpClientSocket = platform::UdpSocket();
    if (g_bootpClientSocket < 0 || platform::BindAddress(g_bootpClientSocket, loopback, 0) != 0) {
        std::fprintf(stderr, "cannot bind the BOOTP client socket\n");
        return 1;
    }
    setenv("QLWIZ_BOOTP_CLIENT_PORT", std::to_string(platform::LocalPort(g_bootpClientSocket)).c_str(), 1);

    int rc = RUN_ALL_TESTS();
    platform::CloseSocket(g_bootpClientSocket);
    platform::SocketsCleanup();
    return rc;
}
