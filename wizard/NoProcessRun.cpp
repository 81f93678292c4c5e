// Built while this tree has no router run yet: every step fails at once with a message
// saying so, so that the pages, the probe and the failure flow still work.
#include "wizard/WizardRun.h"

namespace wiz {
namespace {

class NoProcessRun : public WizardRun, public VLQLWizUIControl::StepMachine {
public:
    explicit NoProcessRun(ConfigSettings* settings) : StepMachine(settings) {}
    StepMachine& Machine() override { return *this; }
    bool IsConnected() const override { return false; }
    void ReadRouterSettings(std::string&) override {}

protected:
    int Fail(std::string& message) {
        message = "This build of the Quillet Configuration Wizard cannot talk to a Quillet.";
        state = Failed;
        return 1;
    }
    int StepSearching(std::string& m) override { return Fail(m); }
    int StepWaitingForAddressRequest(std::string& m) override { return Fail(m); }
    int StepConnecting(std::string& m) override { return Fail(m); }
    int StepConfiguring(std::string& m) override { return Fail(m); }
    int StepSavingAndRestarting(std::string& m) override { return Fail(m); }
    int StepReconnecting(std::string& m) override { return Fail(m); }
    int StepCheckingIsdn(std::string& m) override { return Fail(m); }
    int StepEstablishingPpp(std::string& m) override { return Fail(m); }
    int StepTestingRoute(std::string& m) override { return Fail(m); }
};

} // namespace

std::unique_ptr<WizardRun> MakeProcessRun(ConfigSettings* settings) {
    return std::make_unique<NoProcessRun>(settings);
}

} // namespace wiz
