#include "wizard/app/RestoreDialog.h"

#include "platform/Time.h"
#include "run/RouterRestore.h"
#include "wizard/framework/HelpWindow.h"
#include "wizard/framework/MessageBox.h"
#include "wizard/framework/WorkerCall.h"

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

using VLQLWizUIControl::RouterRestore;
using VLQLWizUIControl::RouterSnapshot;

RestoreDialog::RestoreDialog(RouterSnapshot snapshot, bool askFirst, QWidget* parent)
    : QDialog(parent), askFirst_(askFirst) {
    restore_ = std::make_unique<RouterRestore>(std::move(snapshot));
    setWindowTitle(QStringLiteral("Restore Quillet"));
    auto* intro = new QLabel(QStringLiteral("Putting the Quillet at %1 back as it was when the snapshot was taken "
                                            "(%2). Do not turn the Quillet off.")
                                 .arg(QString::fromStdString(restore_->snapshot.address),
                                      QString::fromStdString(restore_->snapshot.taken)),
                             this);
    intro->setWordWrap(true);
    log_ = new QPlainTextEdit(this);
    log_->setReadOnly(true);
    log_->setAccessibleName(QStringLiteral("Restore log"));
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_->setTabChangesFocus(true);
    bar_ = new QProgressBar(this);
    bar_->setAccessibleName(QStringLiteral("Restore activity"));
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Help, this);
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
    resize(520, 400);
}

RestoreDialog::~RestoreDialog() {
    // The worker may still use the restore: it goes first, joining its thread.
    delete worker_;
}

QString RestoreDialog::LogText() const {
    return log_->toPlainText();
}

void RestoreDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        QTimer::singleShot(0, this, [this] { Begin(); });
    }
}

void RestoreDialog::reject() {
    // Stopping between the writes and the restart would leave the router half restored.
    if (!running_) QDialog::reject();
}

void RestoreDialog::Append(const QString& text) {
    log_->appendPlainText(text);
    log_->moveCursor(QTextCursor::End);
}

void RestoreDialog::Begin() {
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
    if (more == 0) {
        End(message);
        return;
    }
    Append(QStringLiteral("Logged in with %1.").arg(QString::fromStdString(restore_->passwordUsed)));
    auto lines = std::make_shared<std::vector<std::string>>();
    RouterRestore* r = restore_.get();
    worker_->Start([r, lines] { *lines = r->Preview(); }, [this, lines] { Previewed(*lines); });
}

void RestoreDialog::Previewed(const std::vector<std::string>& lines) {
    Append(QStringLiteral("The restore sends these %1 command lines:").arg(lines.size()));
    for (const std::string& line : lines) Append(QStringLiteral("    ") + QString::fromStdString(line));
    if (askFirst_) {
        cursor_.Off();
        int answer = ShowMessage(QStringLiteral("Send these %1 command lines to the Quillet at %2? It then saves them "
                                                "and restarts, which takes about a minute.")
                                     .arg(lines.size())
                                     .arg(QString::fromStdString(restore_->snapshot.address)),
                                 MsgButtons::YesNo, MsgIcon::Question, ConfirmTopic);
        if (answer != IdYes) {
            // Only the login and the reads reached the router.
            RouterRestore* r = restore_.get();
            worker_->Start([r] { r->session.Close(); }, [this] {
                running_ = false;
                outcome_ = Outcome::Declined;
                QDialog::reject();
            });
            return;
        }
        cursor_.On();
    }
    NextStep();
}

void RestoreDialog::NextStep() {
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

void RestoreDialog::End(const std::string& message) {
    running_ = false;
    cursor_.Off();
    bar_->setRange(0, 100);
    bar_->setValue(100);
    const bool failed = restore_->stage == RouterRestore::Failed;
    outcome_ = failed ? Outcome::Failed : restore_->Succeeded() ? Outcome::Restored : Outcome::Differs;
    QString text = QString::fromStdString(failed ? message : restore_->ResultText());
    Append(text);
    ShowMessage(text, MsgButtons::Ok, outcome_ == Outcome::Restored ? MsgIcon::Information : MsgIcon::Stop,
                ResultTopic);
    if (outcome_ == Outcome::Restored)
        accept();
    else
        QDialog::reject();
}

QString ChooseSnapshotFile(QWidget* parent, const QString& dir) {
    QFileDialog chooser(parent, QStringLiteral("Restore a Quillet from a snapshot"),
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

RestoreDialog::Outcome RestoreFromFile(QWidget* parent, const QString& path, bool askFirst) {
    RouterSnapshot snapshot;
    std::string error;
    if (!RouterSnapshot::ReadFile(QFile::encodeName(path).toStdString(), snapshot, error)) {
        ShowMessage(QStringLiteral("%1 is not a snapshot the wizard can restore from: %2\n\nNothing was sent to the "
                                   "Quillet.")
                        .arg(path, QString::fromStdString(error)),
                    MsgButtons::Ok, MsgIcon::Stop, NotASnapshotTopic);
        return RestoreDialog::Outcome::NotStarted;
    }
    RestoreDialog dialog(std::move(snapshot), askFirst, parent);
    dialog.exec();
    return dialog.Result();
}

} // namespace wiz
