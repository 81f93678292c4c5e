#include "wizard/pages/ChangesWindow.h"

#include "wizard/framework/HelpWindow.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

namespace wiz {

ChangesWindow::ChangesWindow(const QStringList& lines, const QString& error, const QString& address, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Changes to the Quillet"));
    QString text = lines.isEmpty()
                       ? QStringLiteral("The Quillet at %1 already holds these settings: the wizard would send it "
                                        "no command lines.")
                             .arg(address)
                       : QStringLiteral("When you press Next on the summary page, the wizard sends these %1 command "
                                        "lines to the Quillet at %2, in this order, then saves them and restarts it. "
                                        "Nothing has been sent yet.")
                             .arg(lines.size())
                             .arg(address);
    if (!error.isEmpty())
        text += QStringLiteral("\n\nThe configuration would stop before its end: %1.").arg(error);
    intro_ = new QLabel(text, this);
    intro_->setWordWrap(true);
    box_ = new QPlainTextEdit(this);
    box_->setReadOnly(true);
    box_->setAccessibleName(QStringLiteral("Command lines"));
    box_->setLineWrapMode(QPlainTextEdit::NoWrap);
    box_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box_->setTabChangesFocus(true);
    box_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    box_->setPlainText(lines.join(QLatin1Char('\n')));
    intro_->setBuddy(box_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] { OpenHelp(HelpTopic); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [] { OpenHelp(HelpTopic); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro_);
    layout->addWidget(box_, 1);
    layout->addWidget(buttons);

    // Wide enough for the longest line (within reason), tall enough for a screenful.
    QFontMetrics metrics(box_->font());
    int widest = metrics.horizontalAdvance(QStringLiteral("set isp ofilter isp.out"));
    for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
    int width = std::min(widest, metrics.averageCharWidth() * 100) + 2 * box_->frameWidth() +
                style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 24;
    box_->setMinimumSize(width, metrics.lineSpacing() * 12);
    resize(std::max(width + 24, 480), metrics.lineSpacing() * 24 + 120);
    box_->setFocus();
}

QStringList ChangesWindow::Lines() const {
    QString text = box_->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

} // namespace wiz
