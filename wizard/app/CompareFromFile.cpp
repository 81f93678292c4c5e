#include "wizard/app/CompareFromFile.h"

#include "run/RouterBackup.h"
#include "wizard/app/PasswordPrompt.h"
#include "wizard/app/RestoreDialog.h"
#include "wizard/framework/MessageBox.h"
#include "wizard/framework/ReturnFocus.h"
#include "wizard/framework/WorkerCall.h"
#include "wizard/pages/ChangesWindow.h"

namespace wiz {

using VLQLWizUIControl::LiveComparison;
using VLQLWizUIControl::RouterSnapshot;

void CompareFromFile(QWidget* parent, const QString& path) {
    RouterSnapshot snapshot;
    if (!ReadSnapshotFile(path, snapshot))
        return;
    const QString address = QString::fromStdString(snapshot.address);
    LiveComparison result;
    std::string offered;
    bool asked = false;
    for (;;) {
        CallAndWait(parent, [&] { result = VLQLWizUIControl::CompareWithRouter(snapshot, offered); });
        if (!result.passwordsRefused)
            break;
        if (!AskPresentPassword(parent, address, asked, offered))
            return;
    }
    if (!result.compared) {
        ShowMessage(QStringLiteral(
                        "The wizard could not read the Quillet to compare it with the snapshot. Nothing was "
                        "sent to it."),
                    MsgButtons::Ok, MsgIcon::Stop, ChangesWindow::CompareTopic,
                    QString::fromStdString(result.message));
        return;
    }
    ChangesWindow window(std::move(result.differences), address, parent);
    const bool restore = window.exec() == QDialog::Accepted;
    ReturnFocus(parent);
    // The restore reads the file again and shows its own command lines before any goes out.
    if (restore)
        RestoreFromFile(parent, path, true, offered);
}

} // namespace wiz
