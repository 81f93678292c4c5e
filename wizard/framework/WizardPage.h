// One page of a wizard sheet. The page object lives as long as the sheet; its window
// (the controls) exists only while the page is on the sheet's path and has been shown,
// and is made afresh when the page comes back after having been cut off.
#pragma once

#include "wizard/framework/WaitCursor.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;

#include <memory>

namespace wiz {

class WizardSheet;

class WizardPage {
public:
    explicit WizardPage(QString title);
    virtual ~WizardPage();
    WizardPage(const WizardPage&) = delete;
    WizardPage& operator=(const WizardPage&) = delete;

    const QString& Title() const { return title_; }
    WizardSheet* Sheet() const { return sheet_; }

    // Notifications, as the sheet sends them.
    virtual bool OnSetActive();    // the page is about to be shown
    virtual bool OnKillActive();   // false keeps the user on the page
    virtual int OnWizardBack();    // 0 goes to the previous page of the path, -1 stays
    virtual int OnWizardNext();    // 0 goes to the next page of the path, -1 stays
    virtual bool OnWizardFinish(); // true ends the wizard
    virtual bool OnQueryCancel();  // true lets Cancel end the wizard
    virtual bool OnValidate();     // a check that OnWizardNext may call
    // Help for the page as a whole (the Help button and F1 outside message boxes).
    virtual int HelpTopic() const;
    // The sheet is closing (Finish, Cancel): stop whatever the page keeps running.
    virtual void OnSheetDone();

    // Data exchange: loading fills the controls, storing checks and keeps their values.
    // Storing returns false when a check failed (the page says why).
    bool UpdateData(bool store);

    // The width the page is designed for (0: none); the sheet takes the widest.
    virtual int PreferredWidth() const { return 0; }
    // The page's controls in a window of their own, not shown, for the sheet to measure.
    std::unique_ptr<QWidget> MakeTrialWindow();

    bool HasWindow() const { return window_ != nullptr; }
    QWidget* Window() const { return window_; }

    // Moves the keyboard focus to a control, its text selected, as a failed check does.
    void FocusControl(QWidget* control);
    // The control a check last sent the focus to (null after activation).
    QWidget* LastFocusedControl() const { return lastFocus_; }

    // The text that explains the page: assistive tools read it as the page's description
    // when the page opens.
    void SetExplanation(QLabel* text);
    QString Explanation() const;
    // The page waits on something (a call the user cannot hurry): the wait cursor is on and
    // assistive tools see the page as busy meanwhile.
    void SetBusy(bool busy);
    bool IsBusy() const { return busy_; }

    // A status line that assistive tools read out whenever it changes: a status bar whose
    // name follows its text (`idleName` while it is empty).
    static QLabel* MakeStatusLabel(const QString& idleName);
    static void SetStatusText(QLabel* label, const QString& text, const QString& idleName);
    // A named group around controls that belong together (a set of radio buttons), so a
    // screen reader names the choice before the button.
    static QWidget* MakeGroup(const QString& name);

protected:
    // Builds the controls into `window`; runs once per window.
    virtual void BuildWindow(QWidget* window) = 0;
    // Runs right after the window was built (the dialog's initialisation).
    virtual bool OnInitDialog();
    virtual void LoadControls();
    virtual bool StoreControls();
    // The window is going away; pointers to its controls become invalid.
    virtual void OnDestroyWindow();

private:
    friend class WizardSheet;
    QWidget* CreateWindow(QWidget* parent);
    void DestroyWindow();

    QString title_;
    WizardSheet* sheet_ = nullptr;
    QPointer<QWidget> window_;
    QPointer<QWidget> lastFocus_;
    QPointer<QLabel> explanation_;
    bool busy_ = false;
    WaitCursor cursor_;
};

} // namespace wiz
