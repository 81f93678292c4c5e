// The wizard's tests run offscreen with one QApplication, the sockets started, the
// summary file and the profile in a temporary folder of their own.
#include "TestEnvironment.h"
#include "platform/Sockets.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir home;
    if (!home.isValid()) return 2;
    wiztest::PrepareEnvironment(home);
    QApplication app(argc, argv);
    wiztest::UseTemporaryProfile(home);
    platform::SocketsStartup();
    int rc = RUN_ALL_TESTS();
    platform::SocketsCleanup();
    return rc;
}
