// The configuration run as a step machine: its states, its failure kinds with their
// texts and help topics, and the stepping contract. The handlers that talk to the
// router live in Process; keeping the contract here lets the front ends and the tick
// driver work without the router layer, and lets tests drive the contract alone.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class ConfigSettings;

namespace VLQLWizUIControl {

class StepMachine {
public:
    enum State : int32_t {
        Searching = 0,
        WaitingForAddressRequest = 1,
        Connecting = 2,
        Configuring = 3,
        SavingAndRestarting = 4,
        Reconnecting = 5,
        CheckingIsdn = 6,
        EstablishingPpp = 7,
        TestingRoute = 8,
        Succeeded = 9,
        Recovering = 10,
        Failed = 11,
        Finished = 12,
    };

    enum FailureKind : int32_t {
        NoFailure = -1,
        AddressNotRequested = 1,
        BadPassword = 2,
        NetworkError = 3,
        RouterNotFound = 4,  // as no answer at all: the router is taken for a new one
        ConnectionRefused = 5,
        SettingGlobal = 6,
        SavingGlobal = 7,
        SettingIsdnPorts = 8,
        SavingIsdnPorts = 9,
        SettingLocation = 10,
        SavingLocation = 11,
        SettingFilter = 12,
        SavingFilter = 13,
        IsdnFailure = 14,
        Channel1Failure = 15,
        Channel2Failure = 16,
        NoPortAvailable = 17,
        AuthenticationFailure = 18,
        PppPreparing = 19,
        PppDialing = 20,
        PppRedialing = 21,
        PppReadingAddress = 22,
        PppRecordingAddress = 23,
        DialNoAnswer = 24,
        UserBusy = 25,
        IspRejected = 26,
        RouteTestFailed = 28,
        WinsockNotInitialized = 29,
    };

    static constexpr int StateCount = 13;
    static constexpr int FailureKindCount = 34;
    static constexpr int32_t NoHelpTopic = 0;

    explicit StepMachine(ConfigSettings* settings);
    virtual ~StepMachine() = default;
    StepMachine(const StepMachine&) = delete;
    StepMachine& operator=(const StepMachine&) = delete;

    // Runs the handler of the current state once. Non-zero: keep stepping; 0: the run
    // has ended (successfully unless `state` is Failed). A handler may leave a text for
    // the user in `message`, which should be empty on entry.
    int Step(std::string& message);
    // The line to log before the next Step; empty when the state only repeats.
    std::string StepText() const;
    // The message for the current failure kind, or the general "unexpected error" text.
    std::string FailureMessage() const;

    // The help topic of a failure kind; NoHelpTopic for none (and for -1).
    int32_t HelpTopic(int32_t kind) const;
    // Table entries, "" outside their range.
    const std::string& StepTextOf(int32_t s) const;
    const std::string& FailureTextOf(int32_t kind) const;
    const std::string& FailureNameOf(int32_t kind) const;

    ConfigSettings* Settings() const { return settings; }

    int32_t state = Searching;
    int32_t failureKind = NoFailure;
    int32_t lastStep = Searching;
    // A line the run wants in the log once, ahead of the next step text (or of the
    // failure's line when the step failed).
    std::string logNote;

protected:
    // Handlers of states 0 to 8. Each returns 1 or 0 and may change `state`,
    // `failureKind` and `message`.
    virtual int StepSearching(std::string& message) = 0;
    virtual int StepWaitingForAddressRequest(std::string& message) = 0;
    virtual int StepConnecting(std::string& message) = 0;
    virtual int StepConfiguring(std::string& message) = 0;
    virtual int StepSavingAndRestarting(std::string& message) = 0;
    virtual int StepReconnecting(std::string& message) = 0;
    virtual int StepCheckingIsdn(std::string& message) = 0;
    virtual int StepEstablishingPpp(std::string& message) = 0;
    virtual int StepTestingRoute(std::string& message) = 0;

    std::array<std::string, StateCount> stepTexts;
    std::array<std::string, FailureKindCount> failureTexts;
    std::array<std::string, FailureKindCount> failureNames;
    std::array<int32_t, FailureKindCount> helpTopics{};
    ConfigSettings* settings;

private:
    int RunHandler(std::string& message);
};

} // namespace VLQLWizUIControl
