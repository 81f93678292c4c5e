#include "wizard/pages/ChangesWindow.h"

#include "wizard/framework/HelpWindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>

namespace wiz {

namespace {

using VLQLWizUIControl::CountOf;
using VLQLWizUIControl::GroupDifferences;
using VLQLWizUIControl::GroupedPreview;
using VLQLWizUIControl::SettingDifference;

// The first sentence says what happens to the router, with the count of settings first.
QString IntroText(ChangesWindow::Purpose purpose, const GroupedPreview& p, const QString& address) {
    const QString settings = QString::fromStdString(CountOf(p.settings, "setting", "settings"));
    const QString lines = QString::fromStdString(CountOf(p.lines, "command line", "command lines"));
    const bool restore = purpose == ChangesWindow::Purpose::Restore;
    QString text;
    if (p.settings == 0) {
        text = (restore ? QStringLiteral("The Quillet at %1 already holds the snapshot's settings: the restore only saves "
                                         "them and restarts it, which takes about a minute.")
                        : QStringLiteral("The Quillet at %1 already holds these settings: pressing Next on the summary "
                                         "page only saves them and restarts it."))
                   .arg(address);
    } else {
        text = (restore ? QStringLiteral("The restore writes %1 back to the Quillet at %2, then saves them and restarts "
                                         "it, which takes about a minute.")
                        : QStringLiteral("Pressing Next on the summary page writes %1 to the Quillet at %2, then saves "
                                         "them and restarts it."))
                   .arg(settings, address);
    }
    text += QStringLiteral(" Below: the %1 it sends, each listed once under what it sets. Nothing has been sent yet.")
                .arg(lines);
    if (restore) text += QStringLiteral(" Press Restore to send them, or Cancel to leave the Quillet as it is.");
    return text;
}

// Compare: the first sentence says whether, and in how many settings, the two differ.
QString CompareIntroText(size_t count, const QString& address) {
    if (count == 0)
        return QStringLiteral(
                   "The Quillet at %1 holds what the snapshot holds. The wizard only logged in and read "
                   "it; nothing was sent.")
            .arg(address);
    return QStringLiteral(
               "The Quillet at %1 differs from the snapshot in %2. Below: each under what it belongs to, "
               "with the snapshot's value, then the Quillet's, and in brackets its name in the snapshot "
               "file. The wizard only logged in and read it; nothing was sent. Press Restore... to put the "
               "Quillet back as the snapshot has it: the restore lists its command lines before it sends "
               "any.")
        .arg(address, QString::fromStdString(CountOf(count, "setting", "settings")));
}

bool HasSecret(const GroupedPreview& p) {
    for (const auto& group : p.groups)
        for (const auto& line : group.lines)
            if (VLQLWizUIControl::SecretAt(line.text) != std::string::npos) return true;
    return false;
}

} // namespace

ChangesWindow::ChangesWindow(Purpose purpose, GroupedPreview preview, const QString& error,
                             const QString& address, QWidget* parent)
    : QDialog(parent), purpose_(purpose), preview_(std::move(preview)) {
    QString text = IntroText(purpose, preview_, address);
    if (!error.isEmpty()) text += QStringLiteral("\n\nThe configuration would stop before its end: %1.").arg(error);
    Build(text);
    showPasswords_->setEnabled(HasSecret(preview_));
}

ChangesWindow::ChangesWindow(std::vector<SettingDifference> differences, const QString& address,
                             QWidget* parent)
    : QDialog(parent), purpose_(Purpose::Compare), differences_(std::move(differences)) {
    Build(CompareIntroText(differences_.size(), address));
    // Only a changed password shows a value; a record only one side holds shows none.
    showPasswords_->setEnabled(
        std::any_of(differences_.begin(), differences_.end(), [](const SettingDifference& d) {
            return d.secret && d.kind == SettingDifference::Changed;
        }));
    restore_->setEnabled(!differences_.empty());
}

void ChangesWindow::Build(const QString& text) {
    const bool compare = purpose_ == Purpose::Compare;
    const bool restore = purpose_ == Purpose::Restore;
    const int topic = compare ? CompareTopic : restore ? RestoreTopic : ChangesTopic;
    setWindowTitle(compare   ? QStringLiteral("Compare: Snapshot and Quillet")
                   : restore ? QStringLiteral("Restore: Changes to the Quillet")
                             : QStringLiteral("Changes to the Quillet"));
    setAccessibleDescription(text);
    intro_ = new QLabel(text, this);
    intro_->setWordWrap(true);
    box_ = new QPlainTextEdit(this);
    box_->setReadOnly(true);
    box_->setAccessibleName(compare ? QStringLiteral("Settings that differ")
                                    : QStringLiteral("Command lines"));
    box_->setAccessibleDescription(QStringLiteral("Grouped under headings; the arrow keys read them line by line"));
    // A caret the keys move, so a screen reader reads the line moved to; Tab leaves.
    box_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    box_->setTabChangesFocus(true);
    box_->setLineWrapMode(QPlainTextEdit::NoWrap);
    box_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    intro_->setBuddy(box_);
    showPasswords_ = new QCheckBox(QStringLiteral("Show &passwords"), this);
    showPasswords_->setAccessibleName(QStringLiteral("Show passwords"));
    showPasswords_->setAccessibleDescription(
        compare ? QStringLiteral("Shows the passwords that differ instead of \"changed\"")
                : QStringLiteral("Shows the passwords in the command lines instead of %1")
                      .arg(QLatin1String(VLQLWizUIControl::MaskedSecret)));
    connect(showPasswords_, &QCheckBox::toggled, this, [this] { ShowLines(); });

    auto* buttons = new QDialogButtonBox(this);
    if (compare) {
        // The restore shows its own command lines and asks again before it sends any.
        restore_ = buttons->addButton(QStringLiteral("&Restore..."), QDialogButtonBox::AcceptRole);
        restore_->setAccessibleName(QStringLiteral("Restore"));
        restore_->setAccessibleDescription(
            QStringLiteral("Closes this window and starts the restore of this "
                           "snapshot, which lists its command lines before it sends any"));
        close_ = buttons->addButton(QDialogButtonBox::Close);
        close_->setAccessibleDescription(QStringLiteral("Closes this window; nothing was sent"));
    } else if (restore) {
        restore_ = buttons->addButton(QStringLiteral("&Restore"), QDialogButtonBox::AcceptRole);
        restore_->setAccessibleName(QStringLiteral("Restore"));
        restore_->setAccessibleDescription(QStringLiteral("Sends these command lines, then saves and restarts the Quillet"));
        close_ = buttons->addButton(QDialogButtonBox::Cancel);
        close_->setAccessibleDescription(QStringLiteral("Sends nothing and leaves the Quillet as it is"));
    } else {
        close_ = buttons->addButton(QDialogButtonBox::Close);
        close_->setAccessibleDescription(QStringLiteral("Closes this window; nothing is sent"));
    }
    QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
    help->setAccessibleDescription(QStringLiteral("Opens the help on this window"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [topic] { OpenHelp(topic); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [topic] { OpenHelp(topic); });
    SetWindowHelpTopic(this, topic);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro_);
    layout->addWidget(box_, 1);
    layout->addWidget(showPasswords_);
    layout->addWidget(buttons);
    setTabOrder(box_, showPasswords_);
    ShowLines();

    // Wide enough for the longest line (within reason), tall enough for a screenful.
    QFontMetrics metrics(box_->font());
    int widest = metrics.horizontalAdvance(QStringLiteral("    set isp ofilter isp.out    (sent twice)"));
    for (QTextBlock line = box_->document()->begin(); line.isValid(); line = line.next())
        widest = std::max(widest, metrics.horizontalAdvance(line.text()));
    int width = std::min(widest, metrics.averageCharWidth() * 100) + 2 * box_->frameWidth() +
                2 * int(box_->document()->documentMargin()) + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
    box_->setMinimumSize(width, metrics.lineSpacing() * 12);
    resize(std::max(width + 24, 520), metrics.lineSpacing() * 26 + 160);
    box_->setFocus();
}

void ChangesWindow::ShowLines() {
    const bool shown = showPasswords_->isChecked();
    // A difference's line masks its own password: PreviewText knows only command lines.
    const bool compare = purpose_ == Purpose::Compare;
    if (compare)
        preview_ = GroupDifferences(differences_, shown);
    box_->setPlainText(QString::fromStdString(VLQLWizUIControl::PreviewText(preview_, shown || compare)));
    // Headings in bold: the lines under them are indented, the headings are not.
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (QTextBlock block = box_->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty() || block.text().startsWith(QLatin1Char(' '))) continue;
        QTextCursor heading(block);
        heading.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        heading.mergeCharFormat(bold);
    }
    box_->moveCursor(QTextCursor::Start);
}

} // namespace wiz
