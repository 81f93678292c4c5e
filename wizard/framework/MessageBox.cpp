#include "wizard/framework/MessageBox.h"

#include "wizard/framework/HelpWindow.h"
#include "wizard/framework/ReturnFocus.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>

namespace wiz {
namespace {

MessageBoxFn& CurrentFn() {
    static MessageBoxFn fn;
    return fn;
}

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Stop: return QMessageBox::Critical;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// What the icon means, for those who cannot see it.
QString IconName(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information: return QStringLiteral("Information");
    case MsgIcon::Exclamation: return QStringLiteral("Warning");
    case MsgIcon::Question: return QStringLiteral("Question");
    case MsgIcon::Stop: return QStringLiteral("Error");
    case MsgIcon::None: break;
    }
    return QString();
}

} // namespace

int ShowMessage(const QString& text, MsgButtons buttons, MsgIcon icon, int helpTopic, const QString& detail) {
    if (CurrentFn())
        return CurrentFn()(text, buttons, icon, helpTopic, detail);
    return RealMessageBox(text, buttons, icon, helpTopic, detail);
}

MessageBoxFn SetMessageBoxFn(MessageBoxFn fn) {
    MessageBoxFn old = std::move(CurrentFn());
    CurrentFn() = std::move(fn);
    return old;
}

int RealMessageBox(const QString& text, MsgButtons buttons, MsgIcon icon, int helpTopic, const QString& detail) {
    QPointer<QWidget> behind = QApplication::activeWindow();
    QMessageBox box(ToQtIcon(icon), QApplication::applicationName(), text, QMessageBox::NoButton, behind);
    if (!detail.isEmpty()) {
        box.setInformativeText(detail);
        // The box sizes itself for the text, often a few words: the detail gets room to
        // read as sentences rather than a column of single words.
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
            grid->addItem(new QSpacerItem(420, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                          grid->columnCount());
    }
    if (auto* picture = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label")))
        picture->setAccessibleName(IconName(icon));
    struct Choice { QMessageBox::StandardButton button; int id; };
    std::vector<Choice> choices;
    switch (buttons) {
    case MsgButtons::Ok: choices = {{QMessageBox::Ok, IdOk}}; break;
    case MsgButtons::OkCancel: choices = {{QMessageBox::Ok, IdOk}, {QMessageBox::Cancel, IdCancel}}; break;
    case MsgButtons::RetryCancel: choices = {{QMessageBox::Retry, IdRetry}, {QMessageBox::Cancel, IdCancel}}; break;
    case MsgButtons::YesNo: choices = {{QMessageBox::Yes, IdYes}, {QMessageBox::No, IdNo}}; break;
    case MsgButtons::YesNoCancel:
        choices = {{QMessageBox::Yes, IdYes}, {QMessageBox::No, IdNo}, {QMessageBox::Cancel, IdCancel}};
        break;
    }
    for (const Choice& c : choices)
        box.addButton(c.button);
    box.setDefaultButton(choices.front().button);
    if (buttons != MsgButtons::Ok && buttons != MsgButtons::YesNo)
        box.setEscapeButton(QMessageBox::Cancel);
    if (helpTopic != 0) {
        // QMessageBox closes on every button; the Help button must leave the question open.
        QPushButton* help = box.addButton(QMessageBox::Help);
        help->disconnect();
        QObject::connect(help, &QPushButton::clicked, &box, [helpTopic] { OpenHelp(helpTopic); });
    }
    // Without a topic of its own the box still answers F1, with the window behind it.
    const int f1Topic = helpTopic != 0 ? helpTopic : WindowHelpTopic(behind);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), &box);
    QObject::connect(f1, &QShortcut::activated, &box, [f1Topic] { OpenHelp(f1Topic); });
    box.exec();
    box.hide();
    ReturnFocus(behind);
    QAbstractButton* clicked = box.clickedButton();
    for (const Choice& c : choices)
        if (clicked == box.button(c.button))
            return c.id;
    // Closed by the window manager: the box's way out.
    if (buttons == MsgButtons::Ok) return IdOk;
    if (buttons == MsgButtons::YesNo) return IdNo;
    return IdCancel;
}

} // namespace wiz
