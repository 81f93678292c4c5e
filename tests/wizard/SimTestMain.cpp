// The probe tests against quillet-sim: the router is started before anything reads the
// hooks, so that the run connects to the port it chose.
#include "platform/Sockets.h"
#include "wizard/App.h"

#include <QApplication>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

#include "SimRouter.h"

namespace wiztest {
SimRouter* sim = nullptr;
}

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform says at every new window that it cannot pass size hints on.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints"))) return;
    if (previousHandler) previousHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir home;
    if (!home.isValid()) return 2;
    setenv("QLWIZ_SUMMARY_FILE", home.filePath(QStringLiteral("QLWIZ.TXT")).toLocal8Bit().constData(), 1);
    previousHandler = qInstallMessageHandler(QuietHandler);
    QApplication app(argc, argv);
    wiz::SetApplicationNames();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.filePath(QStringLiteral("config")));

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
