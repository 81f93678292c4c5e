// Test main of the command library: the management port is the loopback listener of the
// scripted peer, chosen free at start-up before anything reads the hooks.
#include "ScriptedPeer.h"

#include "platform/Sockets.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    peer::StartListener();
    if (peer::ListenPort() <= 0) {
        std::fprintf(stderr, "cannot listen on loopback\n");
        return 1;
    }
    setenv("QLWIZ_MGMT_PORT", std::to_string(peer::ListenPort()).c_str(), 1);
    // Keep the real waits short when run by hand; CTest sets its own scale.
    setenv("QLWIZ_TIME_SCALE", "0.01", 0);
    platform::SocketsStartup();
    int rc = RUN_ALL_TESTS();
    platform::SocketsCleanup();
    return rc;
}
