// The one way the wizard asks the user something: text, buttons, icon and help topic in,
// the pressed button out. Tests replace the function with scripted answers.
//
// `detail` is read after the text (the box's informative text): what the program saw,
// such as the cause of a failure, so the text a screen reader reads first stays as it is.
#pragma once

#include <QString>

#include <functional>

namespace wiz {

enum class MsgButtons { Ok, OkCancel, RetryCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Exclamation, Question, Stop };

// Button ids, numbered as the classic dialog ids so that logs read the same everywhere.
enum MsgResult : int { IdOk = 1, IdCancel = 2, IdRetry = 4, IdYes = 6, IdNo = 7 };

// helpTopic 0: no Help button; F1 opens the topic of the window behind the box.
using MessageBoxFn =
    std::function<int(const QString& text, MsgButtons buttons, MsgIcon icon, int helpTopic, const QString& detail)>;

int ShowMessage(const QString& text, MsgButtons buttons, MsgIcon icon, int helpTopic = 0,
                const QString& detail = QString());

// Installs `fn` (an empty function restores the real box) and returns the one before.
MessageBoxFn SetMessageBoxFn(MessageBoxFn fn);

// The real box: a QMessageBox titled with the application name; with a topic it has a
// Help button and answers F1 by opening the help window there, without closing. Once it
// is answered the window behind it has the keyboard again.
int RealMessageBox(const QString& text, MsgButtons buttons, MsgIcon icon, int helpTopic,
                   const QString& detail = QString());

} // namespace wiz
