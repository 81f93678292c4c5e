#include "TestEnvironment.h"

#include "wizard/app/App.h"

#include <QSettings>
#include <QString>

#include <cstdlib>

namespace wiztest {

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform says at every new window that it cannot pass size hints on.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints"))) return;
    if (previousHandler) previousHandler(type, context, message);
}

} // namespace

void PrepareEnvironment(const QTemporaryDir& home) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QLWIZ_SUMMARY_FILE", home.filePath(QStringLiteral("QLWIZ.TXT")).toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit().constData(), 1);
    previousHandler = qInstallMessageHandler(QuietHandler);
}

void UseTemporaryProfile(const QTemporaryDir& home) {
    wiz::SetApplicationNames();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.filePath(QStringLiteral("config")));
}

} // namespace wiztest
