// The base of every page of the Quillet wizard: the side picture left, the page's
// controls right of it, and what the path needs (the sheet that holds it, the settings
// record, the page that Next leads to and the page's lines of the summary).
#pragma once

#include "run/ConfigSettings.h"
#include "wizard/framework/WizardPage.h"
#include "wizard/framework/WizardSheet.h"
#include "wizard/pages/ConfigPageHost.h"

#include <QString>

class QBoxLayout;
class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace wiz {

class CConfigPage : public WizardPage {
public:
    CConfigPage(PageId id, int dialogId, const QString& title);

    void Attach(ConfigPageHost* host, ConfigSettings* settings);
    ConfigSettings* Settings() const { return settings_; }

    PageId Id() const { return id_; }
    int DialogId() const { return dialogId_; }
    PageId NextPage() const { return nextPage_; }
    const QString& SummaryText() const { return summaryText_; }
    // The side picture, for checks that the controls sit right of it.
    QLabel* Picture() const { return picture_; }

    bool OnSetActive() override;
    bool OnKillActive() override;
    // Next as most pages do it: store and check, OnValidate where the page has one,
    // the next page as the answers chose it, AddNextPage(nextPage) and the page's
    // summary lines.
    int OnWizardNext() override;
    int HelpTopic() const override { return dialogId_; }
    // The page dialogs are 276 dialog units wide (a unit is a quarter of the average
    // character width).
    int PreferredWidth() const override;

protected:
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

    void WriteProfile(const QString& entry, const QString& value) const;
    void WriteProfile(const QString& entry, int value) const;

    ConfigPageHost* host_ = nullptr;
    ConfigSettings* settings_ = nullptr;
    PageId nextPage_ = PageId::Password;
    QString summaryText_;

private:
    PageId id_;
    int dialogId_;
    QLabel* picture_ = nullptr;
};

} // namespace wiz
