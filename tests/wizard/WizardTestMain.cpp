// The wizard's tests run offscreen with one QApplication, the sockets started, the
// summary file and the profile in a temporary folder of their own.
#include "platform/Sockets.h"
#include "wizard/App.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The offscreen platform says at every new window that it cannot pass size hints on.
QtMessageHandler previousHandler = nullptr;

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
    // Read once by the hooks: set before anything asks for them.
    std::string summary = home.filePath(QStringLiteral("QLWIZ.TXT")).toStdString();
    setenv("QLWIZ_SUMMARY_FILE", summary.c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit().constData(), 1);
    previousHandler = qInstallMessageHandler(QuietHandler);
    QApplication app(argc, argv);
    wiz::SetApplicationNames();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.filePath(QStringLiteral("config")));
    platform::SocketsStartup();
    int rc = RUN_ALL_TESTS();
    platform::SocketsCleanup();
    return rc;
}
