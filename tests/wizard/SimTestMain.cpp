// The probe tests against quillet-sim: the router is started before anything reads the
// hooks, so that the run connects to the port it chose.
#include "TestEnvironment.h"
#include "platform/Sockets.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

#include "SimRouter.h"

namespace wiztest {
SimRouter* sim = nullptr;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir home;
    if (!home.isValid()) return 2;
    wiztest::PrepareEnvironment(home);
    QApplication app(argc, argv);
    wiztest::UseTemporaryProfile(home);

    // Listing the tests needs no router.
    bool listing = false;
    for (int i = 1; i < argc; ++i) listing = listing || QByteArray(argv[i]) == "--gtest_list_tests";
    QProcess process;
    wiztest::SimRouter router;
    if (!listing) {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(QStringLiteral(QLWIZ_SIM_PATH),
                      {QStringLiteral("--listen"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                       QStringLiteral("0"), QStringLiteral("--password"), QStringLiteral("secret"),
                       QStringLiteral("--set"), QStringLiteral("apply=set isdn ntt"), QStringLiteral("--quiet"),
                       QStringLiteral("--exit-on-stdin-close")});
        if (!process.waitForStarted(10000)) {
            fprintf(stderr, "quillet-sim did not start\n");
            return 2;
        }
        // The first line names the port it chose.
        QByteArray first;
        while (!first.contains('\n') && process.waitForReadyRead(10000)) first += process.readLine();
        int at = first.indexOf("management port ");
        if (at < 0) {
            fprintf(stderr, "quillet-sim said: %s\n", first.constData());
            return 2;
        }
        router.process = &process;
        router.port = first.mid(at + 16).trimmed().toInt();
        router.pending = process.readAllStandardOutput();
        setenv("QLWIZ_MGMT_PORT", QByteArray::number(router.port).constData(), 1);
        wiztest::sim = &router;
    }
    platform::SocketsStartup();
    int rc = RUN_ALL_TESTS();
    platform::SocketsCleanup();
    if (!listing) {
        process.closeWriteChannel();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    return rc;
}
