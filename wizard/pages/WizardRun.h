// The configuration run as the wizard's pages use it: its step machine (which the
// progress page ticks through run/'s driver) plus what the router address page needs
// of the router session. The shipped one wraps the run of run/; tests put in scripted
// step machines.
#pragma once

#include "run/CommandPreview.h"
#include "run/StepMachine.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

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
    // The command lines the configure step would send now, nothing sent; the session
    // stays usable for the run. False with `error` when the step would stop early.
    virtual bool PreviewConfigure(std::vector<std::string>& lines, std::string& error) {
        lines.clear();
        error = "no router session";
        return false;
    }
    // The router's ports, for the headings of a preview.
    virtual std::vector<VLQLWizUIControl::PreviewPort> Ports() const { return {}; }
    // Why the last Step failed, with the step it was in; "" when the run saw no cause
    // (see run/FailureCause). Called on the thread of that Step, right after it.
    virtual std::string FailureCause() const { return std::string(); }
    // The snapshot the configure step kept before it changed the router; empty when
    // none was written.
    virtual std::string SnapshotPath() const { return std::string(); }
};

using RunFactory = std::function<std::unique_ptr<WizardRun>(ConfigSettings* settings)>;

// The run the program ships with.
std::unique_ptr<WizardRun> MakeProcessRun(ConfigSettings* settings);

} // namespace wiz
