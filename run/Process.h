// The configuration run: takes a Quillet from powered on somewhere on the LAN to
// configured, restarted and on-line with the ISP, one Step at a time.
#pragma once

#include "platform/Thread.h"
#include "router/EtherConfig.h"
#include "router/Filter.h"
#include "router/GlobalConfig.h"
#include "router/Location.h"
#include "router/PortConfig.h"
#include "router/VLVelunor.h"
#include "run/StepMachine.h"

#include <memory>
#include <string>
#include <vector>

namespace VLQLWizUIControl {

class Process : public StepMachine {
public:
    explicit Process(ConfigSettings* settings);
    ~Process() override;

    // Reads what an already configured router holds back into the settings record,
    // after a probe found it. The session must be open.
    void ReadRouterSettings(std::string& message);

    // The command lines the configure step and its saves and restart would send now,
    // computed by the same code on a copy of the session with the library capturing
    // instead of sending: only reads reach the router, and this run and its session are
    // left exactly as they were. The session must be open (after the probe). False with
    // `error` when the step would fail before its end (`lines` then holds what it would
    // have sent).
    bool PreviewConfigure(std::vector<std::string>& lines, std::string& error);

    // The file that keeps what the router held before this run changed it; empty until
    // the configure step has written it.
    std::string snapshotPath;

    // The texts shown when the router did not ask for its address, and when another
    // administrative connection holds it.
    static const char* const NotRespondingMessage;
    static const char* const RefusedMessage;
    static const char* const NoRouteMessage;

    // The responder of state 0; the run polls its exit code and never waits for it.
    std::unique_ptr<platform::Thread> bootpThread;
    VLVelunor session;

    // Working records of the configure step and the steps after it.
    EtherConfig etherCurrent;
    EtherConfig etherDesired;
    std::unique_ptr<GlobalConfig> globalConfig;
    VlPort* port1 = nullptr;
    VlPort* port2 = nullptr;
    PortConfig port1Desired;
    PortConfig port2Desired;
    VlLocation* existingLocation = nullptr;
    Location ispLocation;
    VlFilter* existingFilter = nullptr;
    Filter filter;

protected:
    int StepSearching(std::string& message) override;
    int StepWaitingForAddressRequest(std::string& message) override;
    int StepConnecting(std::string& message) override;
    int StepConfiguring(std::string& message) override;
    int StepSavingAndRestarting(std::string& message) override;
    int StepReconnecting(std::string& message) override;
    int StepCheckingIsdn(std::string& message) override;
    int StepEstablishingPpp(std::string& message) override;
    int StepTestingRoute(std::string& message) override;

private:
    void Configure();
    void SaveForRestart();  // the restart step's writes and saves, before the reboot
    bool KeepSnapshot(std::string& message);
    void WriteFilter(const char* name, bool input);
    void DialIsp();
    void RereadPorts();
    void TakeIsdnPorts();
};

} // namespace VLQLWizUIControl
