// The summary page: everything entered on the path, shown and saved to the summary file.
#pragma once

#include "wizard/framework/WaitCursor.h"
#include "wizard/pages/CConfigPage.h"

#include <QPointer>

class QPlainTextEdit;
class QPushButton;

namespace wiz {

class CConfigSummaryPage : public CConfigPage {
public:
    CConfigSummaryPage();

    bool OnSetActive() override;
    int OnWizardNext() override;

    QPlainTextEdit* SummaryBox() const { return box_; }
    // The summary last shown, with its "\r\n" line ends.
    const QString& ShownSummary() const { return shown_; }
    // Where the summary goes: the path every text names.
    static QString SummaryFilePath();

    // "Changes...": enabled while the probe's session to a found router is open.
    QPushButton* ChangesButton() const { return changes_; }
    // Computes the lines off the GUI thread, then opens the window over the page.
    void ShowChanges();
    class ChangesWindow* ChangesWindowShown() const;
    void OnSheetDone() override;

protected:
    QString BottomText() const override;
    bool FillsPage() const override { return true; }
    void BuildPage(QVBoxLayout* body) override;
    void OnDestroyWindow() override;

private:
    QString shown_;
    QPlainTextEdit* box_ = nullptr;
    QPushButton* changes_ = nullptr;
    QPointer<QWidget> changesWindow_;
    WaitCursor cursor_;
};

} // namespace wiz
