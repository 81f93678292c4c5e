// The connection-type page: dial on demand or hold the link up, asked when a service is published.
#pragma once

#include "wizard/pages/CConfigPage.h"

class QRadioButton;

namespace wiz {

class CConfigPropertyPage_CxnType : public CConfigPage {
public:
    CConfigPropertyPage_CxnType();

    bool OnSetActive() override;

    QRadioButton* OnDemandButton() const { return onDemand_; }
    QRadioButton* FullTimeButton() const { return fullTime_; }
    QLabel* ExplanatoryText() const { return text_; }

    static const char* const ExplanationText;  // string 106

protected:
    QString SummaryLines() const override;
    void BuildPage(QVBoxLayout* body) override;
    void LoadControls() override;
    void OnDestroyWindow() override;

private:
    QRadioButton* onDemand_ = nullptr;
    QRadioButton* fullTime_ = nullptr;
    QLabel* text_ = nullptr;
};

} // namespace wiz
