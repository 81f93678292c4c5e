// The configuration run as the wizard's pages use it: its step machine (which the
// progress page ticks through run/'s driver) plus what the router address page needs
// of the router session. The shipped one wraps the run of run/; tests put in scripted
// step machines.
#pragma once

#include "run/StepMachine.h"

#include <functional>
#include <memory>
#include <string>

class ConfigSettings;

namespace wiz {

class WizardRun {
public:
    virtual ~WizardRun() = default;
    virtual VLQLWizUIControl::StepMachine& Machine() = 0;
    // Whether the run's router session is open.
    virtual bool IsConnected() const = 0;
    // Reads a found router's present settings into the settings record.
    virtual void ReadRouterSettings(std::string& message) = 0;
};

using RunFactory = std::function<std::unique_ptr<WizardRun>(ConfigSettings* settings)>;

// The run the program ships with.
std::unique_ptr<WizardRun> MakeProcessRun(ConfigSettings* settings);

} // namespace wiz
