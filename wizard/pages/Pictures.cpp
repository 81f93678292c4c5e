#include "wizard/pages/Pictures.h"

#include "wizard/framework/HelpWindow.h"

#include <QString>

static void InitWizardResources() {
    // The resources live in a static library: make sure their registration is linked in.
    Q_INIT_RESOURCE(qlwiz);
}

namespace wiz {
namespace {

QPixmap Load(const char* path) {
    InitResources();
    return QPixmap(QString::fromLatin1(path));
}

} // namespace

void InitResources() {
    static bool once = (InitWizardResources(),
                        SetHelpDocument(QStringLiteral("qrc:/help/qlwiz.html"), QStringLiteral("Quillet Wizard Help")),
                        true);
    (void)once;
}

QPixmap BannerPicture() { return Load(":/pictures/banner.png"); }
QPixmap WizardPicture() { return Load(":/pictures/wizard.png"); }

QIcon AppIcon() {
    QIcon icon;
    for (const char* path : {":/pictures/icon16.png", ":/pictures/icon32.png", ":/pictures/icon48.png",
                             ":/pictures/icon128.png"})
        icon.addPixmap(Load(path));
    return icon;
}

} // namespace wiz
