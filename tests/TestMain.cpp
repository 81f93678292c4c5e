// Shared test main: the socket layer is started once, as the programs do at start-up.
#include "platform/Sockets.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    platform::SocketsStartup();
    int rc = RUN_ALL_TESTS();
    platform::SocketsCleanup();
    return rc;
}
