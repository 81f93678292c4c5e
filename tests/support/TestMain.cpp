// The one test main: the socket layer is started as the programs do, and every hook
// points at loopback ports that were free at start-up, before anything reads them (the
// hooks are read once per process). A scale already set by CTest or by hand is kept.
#include "platform/Sockets.h"
#include "support/SimProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QLWIZ_TIME_SCALE", "0.01", 0);
    setenv("QLWIZ_MGMT_PORT", std::to_string(FreeTcpPort()).c_str(), 1);
    setenv("QLWIZ_ROUTE_TEST_PORT", std::to_string(FreeTcpPort()).c_str(), 1);
    setenv("QLWIZ_BOOTP_SERVER_PORT", std::to_string(FreeUdpPort()).c_str(), 1);
    setenv("QLWIZ_BOOTP_CLIENT_PORT", std::to_string(FreeUdpPort()).c_str(), 1);
    setenv("QLWIZ_BOOTP_REPLY_ADDR", "127.0.0.1", 1);
    setenv("QLWIZ_SUMMARY_FILE", WriteTempFile("QLWIZ.TXT", "").c_str(), 1);
    platform::SocketsStartup();
    int rc = RUN_ALL_TESTS();
    platform::SocketsCleanup();
    return rc;
}
