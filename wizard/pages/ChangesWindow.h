// "Changes...": the command lines the configure step would send to the router found by
// the probe, in order, in a read-only window over the summary page. Nothing is sent.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;

namespace wiz {

class ChangesWindow : public QDialog {
public:
    // `error` (may be empty) says why the step would stop before its end.
    ChangesWindow(const QStringList& lines, const QString& error, const QString& address, QWidget* parent = nullptr);

    QPlainTextEdit* LinesBox() const { return box_; }
    QStringList Lines() const;
    QLabel* IntroLabel() const { return intro_; }

    static constexpr int HelpTopic = 126;

private:
    QLabel* intro_;
    QPlainTextEdit* box_;
};

} // namespace wiz
