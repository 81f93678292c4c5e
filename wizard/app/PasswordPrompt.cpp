#include "wizard/app/PasswordPrompt.h"

#include "run/Driver.h"
#include "wizard/framework/HelpWindow.h"
#include "wizard/framework/MessageBox.h"
#include "wizard/framework/ReturnFocus.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace wiz {

PasswordPrompt::PasswordPrompt(const QString& address, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Quillet Password"));
    const QString text = QStringLiteral("The Quillet at %1 took none of the passwords the wizard knows: not the one the "
                                        "setup installed, not the snapshot's, and not an empty one. Someone may have "
                                        "set another one since. Nothing has been sent.")
                             .arg(address);
    setAccessibleDescription(text);
    text_ = new QLabel(text, this);
    text_->setWordWrap(true);
    auto* label = new QLabel(QStringLiteral("The Quillet's present &administration password:"), this);
    box_ = new QLineEdit(this);
    box_->setEchoMode(QLineEdit::Password);
    box_->setMaxLength(16);  // the administration password's longest
    box_->setAccessibleName(QStringLiteral("Administration password"));
    box_->setAccessibleDescription(QStringLiteral("The password the Quillet has now; the characters are hidden"));
    label->setBuddy(box_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    cancel_ = buttons->button(QDialogButtonBox::Cancel);
    ok_->setAccessibleDescription(QStringLiteral("Logs in with this password"));
    cancel_->setAccessibleDescription(QStringLiteral("Sends nothing and goes no further"));
    buttons->button(QDialogButtonBox::Help)->setAccessibleDescription(QStringLiteral("Opens the help on this window"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] { OpenHelp(HelpTopic); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [] { OpenHelp(HelpTopic); });
    SetWindowHelpTopic(this, HelpTopic);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(label);
    layout->addWidget(box_);
    layout->addWidget(buttons);
    setMinimumWidth(420);
    box_->setFocus();
}

QString PasswordPrompt::Password() const {
    return box_->text();
}

bool AskPresentPassword(QWidget* over, const QString& address, bool& asked, std::string& password) {
    if (asked && ShowMessage(QString::fromLatin1(VLQLWizUIControl::BadPasswordText), MsgButtons::RetryCancel,
                             MsgIcon::Exclamation, PasswordPrompt::BadPasswordTopic) != IdRetry)
        return false;
    PasswordPrompt prompt(address, over);
    const bool given = prompt.exec() == QDialog::Accepted;
    ReturnFocus(over);
    if (!given)
        return false;
    asked = true;
    password = prompt.Password().toStdString();
    return true;
}

} // namespace wiz
