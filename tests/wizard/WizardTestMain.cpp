// The wizard's tests run offscreen with one QApplication, the summary file and the
// profile in a temporary folder, and a quillet-sim started before anything reads the
// hooks, so that the shipped run's probe connects to the port it chose.
#include "WizardTestSupport.h"

#include "platform/Sockets.h"
#include "wizard/app/App.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdlib>

namespace wiztest {
SimProcess* sim = nullptr;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir home;
    if (!home.isValid()) return 2;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QLWIZ_SUMMARY_FILE", home.filePath(QStringLiteral("QLWIZ.TXT")).toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit().constData(), 1);
    // The offscreen platform says at every new window that it cannot pass size hints on.
    static QtMessageHandler previous = qInstallMessageHandler([](QtMsgType t, const QMessageLogContext& c, const QString& m) {
        if (previous && !m.contains(QLatin1String("propagateSizeHints"))) previous(t, c, m);
    });
    SimProcess router;
    if (!::testing::GTEST_FLAG(list_tests)) {
        if (!router.Start("password = secret\napply = set isdn ntt\n")) {
            fprintf(stderr, "quillet-sim did not start: %s\n", router.Error().c_str());
            return 2;
        }
        setenv("QLWIZ_MGMT_PORT", std::to_string(router.Port()).c_str(), 1);
        wiztest::sim = &router;
    }
    QApplication app(argc, argv);
    wiz::SetApplicationNames();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.filePath(QStringLiteral("config")));
    platform::SocketsStartup();
    int rc = RUN_ALL_TESTS();
    platform::SocketsCleanup();
    return rc;
}
