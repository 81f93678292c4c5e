// The router address page: the Quillet's address and mask, and the router probe.
// The probe finds out whether a Quillet already answers there and reads its settings back.
#pragma once

#include "wizard/pages/CConfigPage.h"

namespace wiz {

class CConfigPropertyIPAddressPage : public CConfigPage {
public:
    CConfigPropertyIPAddressPage();

    bool OnSetActive() override;
    int OnWizardNext() override;
    // Cancelled during the probe: the answer is dropped, so the wait ends here.
    void OnSheetDone() override;

    QLineEdit* AddressBox() const { return addressBox_; }
    QLineEdit* MaskBox() const { return maskBox_; }
    QLabel* StatusText() const { return status_; }
    bool Probing() const { return probing_; }

    static const char* const LookingText;
    static const char* const NoQuilletText;  // string 105

protected:
    QString SummaryLines() const override;
    void BuildPage(QVBoxLayout* body) override;
    void LoadControls() override;
    bool StoreControls() override;
    void OnDestroyWindow() override;

private:
    enum class Probe { Found, NotFound, Later };
    // The same-network test and the probe's start; Later when the answer comes from the
    // worker, which then calls ProbeAnswered.
    Probe StartProbe();
    void ProbeAnswered(int result, bool threw, const std::string& message);
    bool ProbeOutcome(const std::string& message);
    bool LocalComputerOnRouterNetwork() const;
    // Next goes on: remember the probe, put the next page on the path.
    void ProbeSucceeded();

    QString address_;
    QString mask_;
    QString probedAddress_;
    QString probedMask_;
    bool probing_ = false;
    QLineEdit* addressBox_ = nullptr;
    QLineEdit* maskBox_ = nullptr;
    QLabel* status_ = nullptr;
};

} // namespace wiz
