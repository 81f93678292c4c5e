#include "wizard/framework/HelpWindow.h"

#include "wizard/framework/ReturnFocus.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWindow>

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

// Where the anchor named `name` starts in the document; -1 when it has none.
int AnchorPosition(const QTextDocument* document, const QString& name) {
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        // An anchor before a heading names the heading's block; one in the text, its fragment.
        if (block.charFormat().anchorNames().contains(name)) return block.position();
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().anchorNames().contains(name)) return it.fragment().position();
    }
    return -1;
}

// Tab moves from link to link without a word to assistive tools: the link reached is
// named in the browser's description.
class LinkBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;
    void NameLink() {
        QTextCursor at = textCursor();
        QString name = at.hasSelection() && at.charFormat().isAnchor() ? QStringLiteral("Link: ") + at.selectedText()
                                                                        : QString();
        if (accessibleDescription() != name) setAccessibleDescription(name);
    }

protected:
    bool focusNextPrevChild(bool next) override {
        bool moved = QTextBrowser::focusNextPrevChild(next);
        NameLink();
        return moved;
    }
};

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

void SetWindowHelpTopic(QWidget* window, int topic) {
    window->setProperty("qlwizHelpTopic", topic);
}

int WindowHelpTopic(const QWidget* window) {
    return window ? window->property("qlwizHelpTopic").toInt() : HelpContents;
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
    auto* links = new LinkBrowser(this);
    browser_ = links;
    setAccessibleDescription(tr("Help on the window you were in; Escape closes it"));
    browser_->setAccessibleName(tr("Help text"));
    browser_->setOpenExternalLinks(false);
    // A caret the keys move, as well as Tab from link to link: a screen reader reads where
    // the caret is, and the link Tab reached is named in the description.
    browser_->setTextInteractionFlags(browser_->textInteractionFlags() | Qt::TextSelectableByKeyboard);
    connect(links, &QTextEdit::cursorPositionChanged, links, [links] { links->NameLink(); });
    browser_->setSource(QUrl(CurrentDocument().source));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addWidget(buttons);
    resize(560, 480);
}

void HelpWindow::ShowTopic(int topic) {
    if (QWidget* active = QApplication::activeWindow(); active && active != this) opener_ = active;
    // A modal window that asked for help (a message box, the Changes window) blocks the
    // rest: the help window must be the next modal window up, or the user could not
    // scroll or close it. The modality can only change while the window is hidden.
    const Qt::WindowModality modality = QApplication::activeModalWidget() ? Qt::ApplicationModal : Qt::NonModal;
    if (isVisible() && windowModality() != modality) {
        reopening_ = true;
        hide();
        reopening_ = false;
    }
    if (!isVisible()) {
        setWindowModality(modality);
        // Over the window that asked, as its dialog: a window manager gives the keyboard
        // back to it when the help closes, not to the first window of the program.
        winId();
        windowHandle()->setTransientParent(opener_ ? opener_->window()->windowHandle() : nullptr);
        show();
    }
    raise();
    activateWindow();
    // The caret goes to the topic's heading too, or a screen reader would go on reading
    // wherever it stood before.
    int at = AnchorPosition(browser_->document(), HelpAnchor(topic));
    if (at >= 0) {
        QTextCursor caret(browser_->document());
        caret.setPosition(at);
        browser_->setTextCursor(caret);
    }
    browser_->scrollToAnchor(HelpAnchor(topic));
}

void HelpWindow::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!reopening_) ReturnFocus(opener_);
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
