// The help document and its window: one HTML page with an anchor per topic number;
// "contents" is its start. The application names the document before the first use.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

#include <functional>

class QTextBrowser;

namespace wiz {

inline constexpr int HelpContents = 0;

// Opens the help window at `topic` (HelpContents for the contents). Replaceable, so that
// tests see which topic a key or a button asked for.
void OpenHelp(int topic);
using HelpFn = std::function<void(int topic)>;
HelpFn SetHelpFn(HelpFn fn);

// The topic of a window, for the boxes over it without a topic of their own: F1 there opens
// it (the contents for a window that set none).
void SetWindowHelpTopic(QWidget* window, int topic);
int WindowHelpTopic(const QWidget* window);

// The document (a URL such as qrc:/...) and the window's title.
void SetHelpDocument(const QString& source, const QString& title);

// The anchor name of a topic in the document.
QString HelpAnchor(int topic);

class HelpWindow : public QDialog {
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // Shows the topic over the window that asked for it (the active one), which has the
    // keyboard again when the help closes.
    void ShowTopic(int topic);
    QTextBrowser* Browser() const { return browser_; }
    // The one window the program uses, made on first use.
    static HelpWindow* Instance();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    QTextBrowser* browser_;
    QPointer<QWidget> opener_;
    bool reopening_ = false;
};

} // namespace wiz
