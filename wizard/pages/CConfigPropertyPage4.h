// The security page: filtering on or off.
#pragma once

#include "wizard/pages/CConfigPage.h"

class QRadioButton;

namespace wiz {

class CConfigPropertyPage4 : public CConfigPage {
public:
    CConfigPropertyPage4();

    QRadioButton* OnButton() const { return on_; }
    QRadioButton* OffButton() const { return off_; }

protected:
    QString SummaryLines() const override;
    void BuildPage(QVBoxLayout* body) override;
    void LoadControls() override;
    bool StoreControls() override;
    void OnDestroyWindow() override;

private:
    QRadioButton* on_ = nullptr;
    QRadioButton* off_ = nullptr;
};

} // namespace wiz
