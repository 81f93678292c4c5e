// The shipped run: run/'s Process with its router session.
#include "run/FailureCause.h"
#include "run/Process.h"
#include "wizard/pages/WizardRun.h"

namespace wiz {
namespace {

class ProcessRun : public WizardRun {
public:
    explicit ProcessRun(ConfigSettings* settings) : process_(settings) {}
    VLQLWizUIControl::StepMachine& Machine() override { return process_; }
    bool IsConnected() const override { return process_.session.IsConnected(); }
    void ReadRouterSettings(std::string& message) override { process_.ReadRouterSettings(message); }
    bool PreviewConfigure(std::vector<std::string>& lines, std::string& error) override {
        return process_.PreviewConfigure(lines, error);
    }
    std::vector<VLQLWizUIControl::PreviewPort> Ports() const override {
        const VLVelunor& s = process_.session;
        std::vector<VlPort> table;
        for (const auto* kind : {&s.isdnPorts, &s.otherPorts, &s.kind1Ports, &s.kind2Ports})
            for (const VlPort* port : *kind) table.push_back(*port);
        return VLQLWizUIControl::PreviewPorts(table.data(), table.size());
    }
    std::string FailureCause() const override {
        return VLQLWizUIControl::StepFailureCause(process_, VLQLWizUIControl::LastExchangeCause());
    }
    std::string SnapshotPath() const override { return process_.snapshotPath; }

private:
    VLQLWizUIControl::Process process_;
};

} // namespace

std::unique_ptr<WizardRun> MakeProcessRun(ConfigSettings* settings) {
    return std::make_unique<ProcessRun>(settings);
}

} // namespace wiz
