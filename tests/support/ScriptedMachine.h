// A run without a router: a step machine whose handlers are scripts, for the tests of
// what drives a run (the tick driver, the wizard's pages). A state without a script moves
// on to the next one; `Self` is the derived class the scripts get.
#pragma once

#include "run/StepMachine.h"

#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

template <class Self>
class ScriptedMachine : public VLQLWizUIControl::StepMachine {
public:
    using Handler = std::function<int(Self& run, std::string& message)>;
    explicit ScriptedMachine(ConfigSettings* settings = nullptr) : StepMachine(settings) {}

    void On(int s, Handler h) { handlers[s] = std::move(h); }
    // Fails with `kind`, leaving `text` as the step's message.
    static Handler FailWith(int kind, std::string text = {}) {
        return [kind, text](Self& run, std::string& message) {
            run.state = Failed;
            run.failureKind = kind;
            message = text;
            return 1;
        };
    }

    std::map<int, Handler> handlers;
    std::vector<int> statesRun;             // states whose handler ran, in order
    std::vector<std::thread::id> threads;   // the thread of every step

protected:
    virtual int Handle(int s, std::string& message) {
        statesRun.push_back(s);
        threads.push_back(std::this_thread::get_id());
        if (auto it = handlers.find(s); it != handlers.end() && it->second)
            return it->second(static_cast<Self&>(*this), message);
        state = s + 1;
        return 1;
    }

private:
    int StepSearching(std::string& m) override { return Handle(0, m); }
    int StepWaitingForAddressRequest(std::string& m) override { return Handle(1, m); }
    int StepConnecting(std::string& m) override { return Handle(2, m); }
    int StepConfiguring(std::string& m) override { return Handle(3, m); }
    int StepSavingAndRestarting(std::string& m) override { return Handle(4, m); }
    int StepReconnecting(std::string& m) override { return Handle(5, m); }
    int StepCheckingIsdn(std::string& m) override { return Handle(6, m); }
    int StepEstablishingPpp(std::string& m) override { return Handle(7, m); }
    int StepTestingRoute(std::string& m) override { return Handle(8, m); }
};
