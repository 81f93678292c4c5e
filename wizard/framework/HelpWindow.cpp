#include "wizard/framework/HelpWindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace wiz {
namespace {

HelpFn& CurrentFn() {
    static HelpFn fn;
    return fn;
}

struct Document {
    QString source;
    QString title;
};

Document& CurrentDocument() {
    static Document document;
    return document;
}

} // namespace

QString HelpAnchor(int topic) {
    return topic == HelpContents ? QStringLiteral("contents") : QStringLiteral("topic%1").arg(topic);
}

void OpenHelp(int topic) {
    if (CurrentFn()) {
        CurrentFn()(topic);
        return;
    }
    HelpWindow::Instance()->ShowTopic(topic);
}

HelpFn SetHelpFn(HelpFn fn) {
    HelpFn old = std::move(CurrentFn());
    CurrentFn() = std::move(fn);
    return old;
}

void SetHelpDocument(const QString& source, const QString& title) {
    CurrentDocument() = {source, title};
}

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(CurrentDocument().title);
    browser_ = new QTextBrowser(this);
    browser_->setAccessibleName(tr("Help text"));
    browser_->setOpenExternalLinks(false);
    browser_->setSource(QUrl(CurrentDocument().source));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addWidget(buttons);
    resize(560, 480);
}

void HelpWindow::ShowTopic(int topic) {
    // A message box that asked for help is modal: the help window must be the next modal
    // window up, or the user could not scroll or close it.
    if (!isVisible()) {
        setWindowModality(QApplication::activeModalWidget() ? Qt::ApplicationModal : Qt::NonModal);
        show();
    }
    raise();
    activateWindow();
    browser_->scrollToAnchor(HelpAnchor(topic));
}

HelpWindow* HelpWindow::Instance() {
    static QPointer<HelpWindow> window;
    if (!window) {
        window = new HelpWindow();
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window.data(), &QObject::deleteLater);
    }
    return window;
}

} // namespace wiz
