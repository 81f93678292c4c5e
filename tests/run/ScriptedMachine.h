// A step machine whose handlers are scripts, for testing the stepping contract and the
// driver without a router.
#pragma once

#include "run/StepMachine.h"

#include <functional>
#include <string>
#include <vector>

class ScriptedMachine : public VLQLWizUIControl::StepMachine {
public:
    using Handler = std::function<int(ScriptedMachine&, std::string&)>;

    explicit ScriptedMachine(ConfigSettings* settings = nullptr) : StepMachine(settings) {}

    // The handler run in `s` (0..8). Unset handlers move to the next state and return 1.
    void On(int s, Handler h) { handlers_[s] = std::move(h); }
    // States whose handler ran, in order.
    std::vector<int> calls;

protected:
    int StepSearching(std::string& m) override { return Run(0, m); }
    int StepWaitingForAddressRequest(std::string& m) override { return Run(1, m); }
    int StepConnecting(std::string& m) override { return Run(2, m); }
    int StepConfiguring(std::string& m) override { return Run(3, m); }
    int StepSavingAndRestarting(std::string& m) override { return Run(4, m); }
    int StepReconnecting(std::string& m) override { return Run(5, m); }
    int StepCheckingIsdn(std::string& m) override { return Run(6, m); }
    int StepEstablishingPpp(std::string& m) override { return Run(7, m); }
    int StepTestingRoute(std::string& m) override { return Run(8, m); }

private:
    int Run(int s, std::string& message) {
        calls.push_back(s);
        if (handlers_[s])
            return handlers_[s](*this, message);
        state = s + 1;
        return 1;
    }
    Handler handlers_[9];
};
