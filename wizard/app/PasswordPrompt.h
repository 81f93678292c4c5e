// Asks for the administration password a Quillet has now, masked, when none of the
// passwords the restore or the compare knows opens it (someone set another one since
// the snapshot).
#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace wiz {

class PasswordPrompt : public QDialog {
public:
    PasswordPrompt(const QString& address, QWidget* parent = nullptr);

    QLabel* TextLabel() const { return text_; }
    QLineEdit* PasswordBox() const { return box_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    QString Password() const;

    static constexpr int HelpTopic = 4207;
    static constexpr int BadPasswordTopic = 4097; // the wizard's question after a refused password

private:
    QLabel* text_;
    QLineEdit* box_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// Asks over `over` for the present password of the Quillet at `address`; when `asked`
// (one the user typed was refused already), the wizard's Bad Password question first.
// False when the user gives none; else `password` holds it and `asked` is set.
bool AskPresentPassword(QWidget* over, const QString& address, bool& asked, std::string& password);

} // namespace wiz
