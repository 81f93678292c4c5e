// Asks for the administration password a Quillet has now, masked, when none of the
// passwords the restore or the compare knows opens it (someone set another one since
// the snapshot).
#pragma once

#include <QDialog>

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

private:
    QLabel* text_;
    QLineEdit* box_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace wiz
