// The dialing page: one or two B channels and the ISP's phone numbers.
#pragma once

#include "wizard/pages/CConfigPage.h"

class QRadioButton;

namespace wiz {

class CConfigPropertyPage5 : public CConfigPage {
public:
    CConfigPropertyPage5();

    QRadioButton* OneChannelButton() const { return oneChannel_; }
    QRadioButton* TwoChannelsButton() const { return twoChannels_; }
    QLineEdit* PrimaryBox() const { return primary_; }
    QLineEdit* SecondaryBox() const { return secondary_; }
    QLabel* SecondaryLabel() const { return secondaryLabel_; }
    QLabel* SecondaryMark() const { return secondaryMark_; }

protected:
    QString SummaryLines() const override;
    void BuildPage(QVBoxLayout* body) override;
    void LoadControls() override;
    bool StoreControls() override;
    void OnDestroyWindow() override;

private:
    void ShowSecondary(bool show);

    QString primaryText_;
    QString secondaryText_;
    QRadioButton* oneChannel_ = nullptr;
    QRadioButton* twoChannels_ = nullptr;
    QLineEdit* primary_ = nullptr;
    QLineEdit* secondary_ = nullptr;
    QLabel* secondaryLabel_ = nullptr;
    QLabel* secondaryMark_ = nullptr;
};

} // namespace wiz
