// The base of every page of the Quillet wizard: the side picture left, the page's
// controls right of it, and what the path needs (the sheet, the settings record, the
// page that Next leads to and the page's lines of the summary).
#pragma once

#include "wizard/WizardPage.h"

#include <QString>

class ConfigSettings;
class QBoxLayout;
class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace wiz {

class CConfigPropertySheet;

class CConfigPage : public WizardPage {
public:
    CConfigPage(int dialogId, const QString& title);

    void Attach(CConfigPropertySheet* sheet, ConfigSettings* settings);
    CConfigPropertySheet* ConfigSheet() const { return sheet_; }
    ConfigSettings* Settings() const { return settings_; }

    int DialogId() const { return dialogId_; }
    CConfigPage* NextPage() const { return nextPage_; }
    const QString& SummaryText() const { return summaryText_; }
    // The side picture, for checks that the controls sit right of it.
    QLabel* Picture() const { return picture_; }

    bool OnSetActive() override;
    bool OnKillActive() override;
    // Next as most pages do it: store and check, OnValidate where the page has one,
    // AddNextPage(nextPage) and the page's summary lines.
    int OnWizardNext() override;
    int HelpTopic() const override { return dialogId_; }
    // The page dialogs are 276 dialog units wide (a unit is a quarter of the average
    // character width).
    int PreferredWidth() const override;

protected:
    // What OnSetActive sets nextPage to.
    virtual CConfigPage* DefaultNextPage() const = 0;
    // The page's lines of the summary, each ending in "\r\n".
    virtual QString SummaryLines() const { return QString(); }
    virtual bool HasValidate() const { return false; }
    // "Click Next> to Continue." at the bottom right; pages with other words override.
    virtual QString BottomText() const;
    // True for pages whose box takes the free height (summary, progress).
    virtual bool FillsPage() const { return false; }
    // Builds the page's own controls into `body`, right of the picture.
    virtual void BuildPage(QVBoxLayout* body) = 0;

    void BuildWindow(QWidget* window) final;
    void OnDestroyWindow() override;

    // Layout helpers. A label with a mnemonic, the buddy of `box`, and a mark ("Y", "ISP",
    // "T") right of the box when `mark` is not empty. Returns the label.
    QLabel* AddField(QVBoxLayout* body, const QString& label, QWidget* box, const QString& mark,
                     QLabel** markOut = nullptr);
    QLabel* AddText(QVBoxLayout* body, const QString& text);
    static QLineEdit* MakeEdit(const QString& accessibleName, int maxLength, bool masked = false);

    void SetNextPage(CConfigPage* page) { nextPage_ = page; }
    void SetSummaryText(const QString& text) { summaryText_ = text; }
    void WriteProfile(const QString& entry, const QString& value) const;
    void WriteProfile(const QString& entry, int value) const;

    CConfigPropertySheet* sheet_ = nullptr;
    ConfigSettings* settings_ = nullptr;
    CConfigPage* nextPage_ = nullptr;
    QString summaryText_;

private:
    int dialogId_;
    QLabel* picture_ = nullptr;
};

} // namespace wiz
