#include "wizard/app/StartDialog.h"

#include "platform/Hooks.h"
#include "wizard/app/AboutBox.h"
#include "wizard/app/CompareFromFile.h"
#include "wizard/app/RestoreDialog.h"
#include "wizard/framework/HelpWindow.h"
#include "wizard/framework/ReturnFocus.h"
#include "wizard/pages/Pictures.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace wiz {

const char* const StartDialog::Text =
    "The Quillet Configuration Wizard prepares your Quillet for connecting   your network to the Internet.";
const char* const StartDialog::AboutItem = "&About QLWiz...";

StartDialog::StartDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Quillet Configuration Wizard"));
    setWindowIcon(AppIcon());
    auto* banner = new QLabel(this);
    banner->setPixmap(BannerPicture());
    banner->setAccessibleName(QStringLiteral("Quillet"));
    auto* text = new QLabel(QString::fromLatin1(Text), this);
    setAccessibleDescription(text->text().simplified());
    text->setWordWrap(true);
    setup_ = new QPushButton(QStringLiteral("&Setup..."), this);
    cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    overview_ = new QPushButton(QStringLiteral("&Overview ..."), this);
    setup_->setAccessibleName(QStringLiteral("Setup"));
    cancel_->setAccessibleName(QStringLiteral("Cancel"));
    overview_->setAccessibleName(QStringLiteral("Overview"));
    setup_->setAccessibleDescription(QStringLiteral("Start the wizard that sets up a Quillet"));
    cancel_->setAccessibleDescription(QStringLiteral("End the program"));
    overview_->setAccessibleDescription(QStringLiteral("Open the help's contents"));
    setup_->setDefault(true);
    connect(setup_, &QPushButton::clicked, this, &StartDialog::Setup);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(overview_, &QPushButton::clicked, this, &StartDialog::Overview);
    restore_ = new QPushButton(QStringLiteral("&Restore..."), this);
    restore_->setAccessibleName(QStringLiteral("Restore"));
    restore_->setAccessibleDescription(QStringLiteral("Put a Quillet back as a snapshot found it"));
    connect(restore_, &QPushButton::clicked, this, &StartDialog::Restore);
    compare_ = new QPushButton(QStringLiteral("Co&mpare..."), this);
    compare_->setAccessibleName(QStringLiteral("Compare"));
    compare_->setAccessibleDescription(
        QStringLiteral("Show what a Quillet holds differently from a snapshot of it"));
    connect(compare_, &QPushButton::clicked, this, &StartDialog::Compare);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, &StartDialog::Overview);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(setup_);
    buttons->addWidget(restore_);
    buttons->addWidget(compare_);
    buttons->addWidget(cancel_);
    buttons->addWidget(overview_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(banner, 0, Qt::AlignHCenter);
    layout->addWidget(text);
    layout->addLayout(buttons);
    setTabOrder(setup_, cancel_);
    setTabOrder(cancel_, overview_);
    setTabOrder(setup_, restore_);
    setTabOrder(restore_, compare_);
}

void StartDialog::Setup() {
    // A fresh sheet for every press: the last wizard's entries are gone.
    CConfigPropertySheet sheet(env_);
    if (runSheet_)
        runSheet_(sheet);
    else
        sheet.exec();
    ReturnFocus(setup_);
}

void StartDialog::Restore() {
    QString dir = QString::fromStdString(platform::GetHooks().snapshotDir);
    QString path = chooseFile_ ? chooseFile_(dir) : ChooseSnapshotFile(this, dir);
    if (!path.isEmpty()) RestoreFromFile(this, path, true);
    // The last window of the restore may have been a message box over a window that is
    // gone: the keyboard comes back here, not wherever the window manager puts it.
    ReturnFocus(restore_);
}

void StartDialog::Compare() {
    QString dir = QString::fromStdString(platform::GetHooks().snapshotDir);
    QString path = chooseFile_ ? chooseFile_(dir) : ChooseSnapshotFile(this, dir, true);
    if (!path.isEmpty())
        CompareFromFile(this, path);
    ReturnFocus(compare_);
}

void StartDialog::Overview() {
    OpenHelp(HelpContents);
}

void StartDialog::ShowAbout() {
    AboutBox about(this);
    about.exec();
}

QMenu* StartDialog::ContextMenu() {
    if (!menu_) {
        menu_ = new QMenu(this);
        QString item = QString::fromLatin1(AboutItem);
        if (!item.isEmpty())
            menu_->addAction(item, this, &StartDialog::ShowAbout);
    }
    return menu_;
}

void StartDialog::contextMenuEvent(QContextMenuEvent* event) {
    ContextMenu()->exec(event->globalPos());
}

} // namespace wiz
