#include "wizard/app/RestoreDialog.h"

#include "platform/Time.h"
#include "run/CommandPreview.h"
#include "run/RouterRestore.h"
#include "wizard/app/PasswordPrompt.h"
#include "wizard/framework/HelpWindow.h"
#include "wizard/framework/MessageBox.h"
#include "wizard/framework/ReturnFocus.h"
#include "wizard/framework/WorkerCall.h"
#include "wizard/pages/ChangesWindow.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QHeaderView>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace wiz {

using VLQLWizUIControl::CountOf;
using VLQLWizUIControl::GroupedPreview;
using VLQLWizUIControl::GroupPreview;
using VLQLWizUIControl::PreviewPorts;
using VLQLWizUIControl::PreviewText;
using VLQLWizUIControl::RouterRestore;
using VLQLWizUIControl::RouterSnapshot;

RestoreDialog::RestoreDialog(RouterSnapshot snapshot, bool askFirst, QWidget* parent)
    : QDialog(parent), askFirst_(askFirst) {
    restore_ = std::make_unique<RouterRestore>(std::move(snapshot));
    setWindowTitle(QStringLiteral("Restore Quillet"));
    const QString text = QStringLiteral("Putting the Quillet at %1 back as it was when the snapshot was taken (%2). Do "
                                        "not turn the Quillet off.")
                             .arg(QString::fromStdString(restore_->snapshot.address),
                                  QString::fromStdString(restore_->snapshot.taken));
    setAccessibleDescription(text);
    auto* intro = new QLabel(text, this);
    intro->setWordWrap(true);
    log_ = new QPlainTextEdit(this);
    log_->setReadOnly(true);
    log_->setAccessibleName(QStringLiteral("Restore log"));
    log_->setAccessibleDescription(QStringLiteral("Each step of the restore, and how it ended"));
    log_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_->setTabChangesFocus(true);
    intro->setBuddy(log_);
    bar_ = new QProgressBar(this);
    bar_->setAccessibleName(QStringLiteral("Restore activity"));
    bar_->setAccessibleDescription(QStringLiteral("Busy while the restore talks to the Quillet"));
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    cancel_ = buttons->button(QDialogButtonBox::Cancel);
    cancel_->setAccessibleDescription(QStringLiteral("Stops the restore; possible until the first command is sent"));
    buttons->button(QDialogButtonBox::Help)->setAccessibleDescription(QStringLiteral("Opens the help on this window"));
    connect(buttons, &QDialogButtonBox::rejected, this, &RestoreDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] { OpenHelp(HelpTopic); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [] { OpenHelp(HelpTopic); });
    SetWindowHelpTopic(this, HelpTopic);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(log_, 1);
    layout->addWidget(bar_);
    layout->addWidget(buttons);
    worker_ = new WorkerCall(this);
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] { NextStep(); });
    resize(560, 420);
}

RestoreDialog::~RestoreDialog() {
    // The worker may still use the restore: it goes first, joining its thread.
    delete worker_;
}

void RestoreDialog::OfferPassword(const std::string& password) { restore_->OfferPassword(password); }

QString RestoreDialog::LogText() const {
    return log_->toPlainText();
}

void RestoreDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        QTimer::singleShot(0, this, [this] { Connect(); });
    }
}

void RestoreDialog::reject() {
    // Stopping between the writes and the restart would leave the router half restored.
    if (writing_ || stopping_) return;
    if (!running_) {
        if (outcome_ == Outcome::NotStarted) outcome_ = Outcome::Declined;
        QDialog::reject();
        return;
    }
    // A call to the router is in flight (it cannot be cut short): the restore stops when
    // it is back, before anything is written.
    stopping_ = true;
    cancel_->setEnabled(false);
    Append(QStringLiteral("Stopping once the Quillet has answered. Nothing will be sent."));
}

void RestoreDialog::Append(const QString& text) {
    log_->appendPlainText(text);
    log_->moveCursor(QTextCursor::End);
}

void RestoreDialog::Connect() {
    if (stopping_) {
        Stop();
        return;
    }
    running_ = true;
    cursor_.On();
    bar_->setRange(0, 0);  // busy: the steps measure nothing
    Append(QString::fromStdString(restore_->StepText()));
    auto message = std::make_shared<std::string>();
    auto more = std::make_shared<int>(0);
    RouterRestore* r = restore_.get();
    worker_->Start([r, message, more] { *more = r->Step(*message); }, [this, message, more] { Connected(*more, *message); });
}

void RestoreDialog::Connected(int more, const std::string& message) {
    if (stopping_) {
        Stop();
        return;
    }
    if (more == 0 && restore_->passwordsRefused) {
        if (AskPassword() && !stopping_) {
            Connect();
        } else {
            Append(QStringLiteral("No password was given. Nothing was sent."));
            Stop();
        }
        return;
    }
    if (more == 0) {
        End(message);
        return;
    }
    Append(QStringLiteral("Logged in with %1.").arg(QString::fromStdString(restore_->passwordUsed)));
    auto lines = std::make_shared<std::vector<std::string>>();
    RouterRestore* r = restore_.get();
    worker_->Start([r, lines] { *lines = r->Preview(); }, [this, lines] { Previewed(*lines); });
}

bool RestoreDialog::AskPassword() {
    cursor_.Off();
    std::string password;
    if (!AskPresentPassword(this, QString::fromStdString(restore_->snapshot.address), passwordAsked_,
                            password))
        return false;
    restore_->OfferPassword(std::move(password));
    return true;
}

void RestoreDialog::Previewed(const std::vector<std::string>& lines) {
    if (stopping_) {
        Stop();
        return;
    }
    const auto& ports = restore_->snapshot.ports;
    const GroupedPreview preview = GroupPreview(lines, PreviewPorts(ports.data(), ports.size()));
    Append(QStringLiteral("The restore writes %1 with %2.")
               .arg(QString::fromStdString(CountOf(preview.settings, "setting", "settings")),
                    QString::fromStdString(CountOf(preview.lines, "command line", "command lines"))));
    if (!askFirst_) {
        Append(QString::fromStdString(PreviewText(preview, false)).trimmed());
        NextStep();
        return;
    }
    // The lines in a window of their own, to be read before anything is sent.
    cursor_.Off();
    ChangesWindow confirm(ChangesWindow::Purpose::Restore, preview, QString(),
                          QString::fromStdString(restore_->snapshot.address), this);
    const bool restore = confirm.exec() == QDialog::Accepted;
    ReturnFocus(this);
    if (!restore || stopping_) {
        Append(QStringLiteral("Cancelled. Nothing was sent."));
        Stop();
        return;
    }
    cursor_.On();
    NextStep();
}

void RestoreDialog::NextStep() {
    if (restore_->stage == RouterRestore::Writing) {
        writing_ = true;
        cancel_->setEnabled(false);
    }
    Append(QString::fromStdString(restore_->StepText()));
    auto message = std::make_shared<std::string>();
    auto more = std::make_shared<int>(0);
    RouterRestore* r = restore_.get();
    worker_->Start([r, message, more] { *more = r->Step(*message); }, [this, message, more] { StepDone(*more, *message); });
}

void RestoreDialog::StepDone(int more, const std::string& message) {
    if (more == 0) {
        End(message);
        return;
    }
    timer_->start(static_cast<int>(platform::ScaledMs(restore_->DelayMs())));
}

// Before the first write: only the login and the reads reached the router.
void RestoreDialog::Stop() {
    stopping_ = true;
    cursor_.On();
    RouterRestore* r = restore_.get();
    worker_->Start([r] { r->session.Close(); }, [this] {
        running_ = false;
        cursor_.Off();
        bar_->setRange(0, 100);
        outcome_ = Outcome::Declined;
        QDialog::reject();
    });
}

void RestoreDialog::End(const std::string& message) {
    running_ = false;
    writing_ = false;
    cursor_.Off();
    bar_->setRange(0, 100);
    bar_->setValue(100);
    const bool failed = restore_->stage == RouterRestore::Failed;
    outcome_ = failed ? Outcome::Failed : restore_->Succeeded() ? Outcome::Restored : Outcome::Differs;
    const QString text = QString::fromStdString(failed ? message : restore_->ResultText());
    Append(text);
    // The box reads the first sentence first; the settings and areas follow one a line.
    const qsizetype firstLine = text.indexOf(QLatin1Char('\n'));
    ShowMessage(text.left(firstLine), MsgButtons::Ok, outcome_ == Outcome::Restored ? MsgIcon::Information : MsgIcon::Stop,
                ResultTopic, firstLine < 0 ? QString() : text.mid(firstLine + 1));
    if (outcome_ == Outcome::Restored)
        accept();
    else
        QDialog::reject();
}

QString ChooseSnapshotFile(QWidget* parent, const QString& dir, bool compare) {
    QFileDialog chooser(parent,
                        compare ? QStringLiteral("Compare a snapshot with its Quillet")
                                : QStringLiteral("Restore a Quillet from a snapshot"),
                        QDir(dir).exists() ? dir : QDir::homePath(),
                        QStringLiteral("Quillet snapshots (*.snapshot);;All files (*)"));
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    // Our own chooser, so that F1 reaches the help like every other window of ours.
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.resize(820, 460);
    // Snapshot names are long and their times matter: every column as wide as it needs,
    // the newest, the one an undo usually wants, first.
    if (auto* view = chooser.findChild<QTreeView*>()) {
        view->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        view->sortByColumn(3, Qt::DescendingOrder);
    }
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), &chooser);
    QObject::connect(f1, &QShortcut::activated, &chooser, [] { OpenHelp(ChooseSnapshotTopic); });
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return QString();
    return chooser.selectedFiles().front();
}

bool ReadSnapshotFile(const QString& path, RouterSnapshot& snapshot) {
    std::string error;
    if (RouterSnapshot::ReadFile(QFile::encodeName(path).toStdString(), snapshot, error))
        return true;
    ShowMessage(
        QStringLiteral("%1 is not a snapshot the wizard can read: %2\n\nNothing was sent to the "
                       "Quillet.")
            .arg(path, QString::fromStdString(error)),
        MsgButtons::Ok, MsgIcon::Stop, NotASnapshotTopic);
    return false;
}

RestoreDialog::Outcome RestoreFromFile(QWidget* parent, const QString& path, bool askFirst,
                                       const std::string& password) {
    RouterSnapshot snapshot;
    if (!ReadSnapshotFile(path, snapshot))
        return RestoreDialog::Outcome::NotStarted;
    RestoreDialog dialog(std::move(snapshot), askFirst, parent);
    dialog.OfferPassword(password);
    dialog.exec();
    return dialog.Result();
}

} // namespace wiz
