// The summary page: everything entered on the path, shown and saved to the summary file.
#pragma once

#include "wizard/pages/CConfigPage.h"

class QPlainTextEdit;

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

protected:
    QString BottomText() const override;
    bool FillsPage() const override { return true; }
    void BuildPage(QVBoxLayout* body) override;
    void OnDestroyWindow() override;

private:
    QString shown_;
    QPlainTextEdit* box_ = nullptr;
};

} // namespace wiz
