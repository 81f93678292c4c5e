#include "wizard/app/App.h"

#include "platform/Sockets.h"
#include "wizard/framework/MessageBox.h"
#include "wizard/pages/Pictures.h"
#include "wizard/app/StartDialog.h"

#include <QApplication>

#include "qlwiz_version.h"

namespace wiz {

void SetApplicationNames() {
    QApplication::setApplicationName(QStringLiteral("Quillet Wizard"));
    QApplication::setOrganizationName(QStringLiteral("Tolvane Enterprises"));
    QApplication::setApplicationVersion(QStringLiteral(QLWIZ_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("qlwiz"));
}

int RunQLWiz(const std::function<bool()>& startSockets) {
    SetApplicationNames();
    QApplication::setWindowIcon(AppIcon());
    bool started = startSockets ? startSockets() : platform::SocketsStartup();
    if (!started) {
        ShowMessage(QStringLiteral("Could not start WinSock"), MsgButtons::Ok, MsgIcon::Exclamation);
        return -1;
    }
    {
        StartDialog dialog;
        dialog.exec();
    }
    platform::SocketsCleanup();
    return 0;
}

} // namespace wiz
