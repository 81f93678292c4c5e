#include "run/StepMachine.h"

#include "platform/Hooks.h"

namespace VLQLWizUIControl {

namespace {

const std::string kEmpty;

const char* const kChannel1FailureText =
    "Channel 1 did not register correctly with the telephone company's switch.  This may be "
    "a problem with the line IDs you entered.  You can go back and verify these entries by "
    "pressing Retry.  If the data entered matches what you were given by the telephone "
    "company, you will need to contact the telephone company for help resolving the "
    "problem.\n\nYou can also continue configuring your Quillet with a single channel "
    "working and rerun the Configuration Wizard at a later date to resolve the problem.\n\n"
    "Press Retry to verify the line IDs, Cancel to resume the Configuration Wizard, or F1 "
    "for additional help.";

struct FailureEntry {
    int32_t kind;
    const char* name;
    const char* text;
    int32_t helpTopic;
};

const FailureEntry kFailures[] = {
    {StepMachine::AddressNotRequested, "Bootp did not respond",
     "The Quillet did not request address resolution.  If you resolve this problem you can "
     "press Retry to attempt configuring the Quillet again.\n\nPress Retry to try again, "
     "Cancel to exit the Configuration Wizard, or F1 for additional help.",
     3866},
    {StepMachine::BadPassword, "BadPassword", "Password was Invalid", 3841},
    {StepMachine::NetworkError, "Network Error", "Error communicating with Velunor", 3842},
    {StepMachine::ConnectionRefused, "Connection Refused",
     "Another connection to the Quillet currently is active.  This could be another "
     "Configuration Wizard or Tolvane's DERazaruz management software.  Please exit that "
     "other application and press Retry to restart.",
     3844},
    {StepMachine::SettingGlobal, "Setting Global", "Setting Global Configuration", 3845},
    {StepMachine::SavingGlobal, "Saving Global", "Saving Global Configuration", 3846},
    {StepMachine::SettingIsdnPorts, "Setting ISDN Ports", "Setting ISDN Port Configuration",
     3847},
    {StepMachine::SavingIsdnPorts, "Saving ISDN Ports", "Saving ISDN Port Configuration",
     3848},
    {StepMachine::SettingLocation, "Setting Location:", "Creating ISP Location", 3849},
    {StepMachine::SavingLocation, "Saving Location", "Saving ISP Location", 3850},
    {StepMachine::SettingFilter, "Setting Filter", "Creating Filters", 3851},
    {StepMachine::SavingFilter, "Saving Filter", "Saving Filters", 3852},
    {StepMachine::IsdnFailure, "ISDN Failure",
     "Your ISDN channels did not correctly register with the telephone company's switch.  "
     "This may be a problem the ISDN switch type you selected, or with the line IDs you "
     "entered.  You can go back and verify these entries by pressing Retry.  If the data "
     "entered matches what you were given by the telephone company, you will need to "
     "contact the telephone company for help resolving the problem.\n\nPress Retry to "
     "verify the switch type and line IDs, Cancel to exit the Configuration Wizard, or F1 "
     "for additional help.",
     3853},
    {StepMachine::Channel1Failure, "Channel 1 Failure", kChannel1FailureText, 3854},
    {StepMachine::Channel2Failure, "Channel 2 Failure", nullptr, 3855},
    {StepMachine::NoPortAvailable, "No Port Available", "No port was available to dial out",
     3859},
    {StepMachine::AuthenticationFailure, "Authentication Failure",
     "The Quillet failed to authenticate with your ISP.  This may be a problem with the "
     "username and password you entered.  You can go back and verify these entries by "
     "pressing Retry.  If the data entered matches what you were given by your ISP, you "
     "will need to contact the ISP for help resolving the problem.\n\nPress Retry to verify "
     "the username and password, Cancel to exit the Configuration Wizard, or F1 for "
     "additional help.",
     3860},
    {StepMachine::DialNoAnswer, "",
     "There was no answer to the phone number you entered.  Please verify that the number "
     "entered was correct.\n\nPress Retry to verify phone number, Cancel to exit the "
     "Configuration Wizard, or F1 for additional help.",
     3867},
    {StepMachine::UserBusy, "User Busy",
     "The number you tried to dial was busy.  You can press Retry to try the number again, "
     "or exit the Wizard and rerun it later to verify your connection and complete your "
     "configuration.\n\nPress Retry to dial again now or Cancel to exit the Configuration "
     "Wizard.",
     StepMachine::NoHelpTopic},
    {StepMachine::IspRejected, "",
     "The ISP rejected your attempt to connect.  Your account name and password were "
     "correct, but there was another problem with your configuration.  Most likely, the "
     "problem was your IP address not being the one specified by your ISP.  You can press "
     "Retry to verify your IP address.  If the data entered matches what you were given by "
     "your ISP, you will have to contact the ISP for help resolving the problem.\n\nPress "
     "Retry to verify the IP address, Cancel to exit the Configuration Wizard, or F1 for "
     "additional help.",
     StepMachine::NoHelpTopic},
    {StepMachine::RouteTestFailed, "Pinging Route",
     "The Quillet Configuration Wizard was unable to verify the route to the ISP.  This may "
     "be because the Quillet has taken more time to start the connection than expected.  "
     "You can retest the route by pressing Retry.  If you get this message more than once, "
     "you will probably need help from your vendor to resolve this problem.\n\nPress Retry "
     "to test the route again or Cancel to exit the Configuration Wizard.",
     StepMachine::NoHelpTopic},
    {StepMachine::WinsockNotInitialized, "Winsock Not Initialized", "", 3861},
};

std::string SummaryFilePath() {
    const std::string& path = platform::GetHooks().summaryFile;
    return path.empty() ? platform::DefaultSummaryFile() : path;
}

} // namespace

StepMachine::StepMachine(ConfigSettings* settingsRecord) : settings(settingsRecord) {
    stepTexts = {
        "Searching for Quillet",
        "Waiting for Quillet to request address",
        "Connecting to Quillet",
        "Configuring Quillet",
        "Saving changes and restarting Quillet",
        "Reconnecting to Quillet",
        "Checking ISDN connection",
        "Establishing PPP connection",
        "Testing route",
        "Setup succeeded. Saving changes",
        "Setup partially succeeded.  Attempting recovery.",
        "Setup failed.",
        "",
    };
    for (const FailureEntry& e : kFailures) {
        failureNames[e.kind] = e.name;
        helpTopics[e.kind] = e.helpTopic;
        if (e.text != nullptr)
            failureTexts[e.kind] = e.text;
    }
    // Kind 16 is kind 15's text about the other channel.
    std::string channel2 = kChannel1FailureText;
    channel2.replace(0, 9, "Channel 2");
    failureTexts[Channel2Failure] = channel2;
}

int StepMachine::Step(std::string& message) {
    failureKind = NoFailure;
    if (state < Searching || state > Failed)
        return 0;
    if (state <= TestingRoute)
        lastStep = state;
    int result;
    try {
        result = RunHandler(message);
    } catch (int32_t) {
        // The router layer throws plain integers (-1, 65536); they end the run here.
        state = Failed;
        return 0;
    }
    return state == Failed ? 0 : result;
}

int StepMachine::RunHandler(std::string& message) {
    switch (state) {
    case Searching: return StepSearching(message);
    case WaitingForAddressRequest: return StepWaitingForAddressRequest(message);
    case Connecting: return StepConnecting(message);
    case Configuring: return StepConfiguring(message);
    case SavingAndRestarting: return StepSavingAndRestarting(message);
    case Reconnecting: return StepReconnecting(message);
    case CheckingIsdn: return StepCheckingIsdn(message);
    case EstablishingPpp: return StepEstablishingPpp(message);
    case TestingRoute: return StepTestingRoute(message);
    case Succeeded:
        state = Finished;
        return 0;
    default: // Recovering and Failed end the run.
        return 0;
    }
}

std::string StepMachine::StepText() const {
    if (state == Failed) {
        std::string text = "Setup Failed in step: " + StepTextOf(lastStep);
        if (failureKind != NoFailure)
            text += "\r\n  Substate:" + FailureTextOf(failureKind);
        return text;
    }
    if (state == lastStep || state < Searching || state > Finished)
        return "";
    return StepTextOf(state);
}

std::string StepMachine::FailureMessage() const {
    if (failureKind != NoFailure && !FailureTextOf(failureKind).empty())
        return FailureTextOf(failureKind);
    std::string name = failureKind == NoFailure ? std::string() : FailureNameOf(failureKind);
    return "An unexpected error has occurred in the Quillet Configuration Wizard.  The Wizard "
           "was processing '" +
           StepTextOf(lastStep) + "' and was at step #" + name +
           "\nYou may be able to reconfigure your Quillet by running the Wizard again.  If "
           "you are unable to do so, please contact your vendor with the above information "
           "and the configuration information saved to " +
           SummaryFilePath() + ".";
}

int32_t StepMachine::HelpTopic(int32_t kind) const {
    return kind >= 0 && kind < FailureKindCount ? helpTopics[kind] : NoHelpTopic;
}

const std::string& StepMachine::StepTextOf(int32_t s) const {
    return s >= 0 && s < StateCount ? stepTexts[s] : kEmpty;
}

const std::string& StepMachine::FailureTextOf(int32_t kind) const {
    return kind >= 0 && kind < FailureKindCount ? failureTexts[kind] : kEmpty;
}

const std::string& StepMachine::FailureNameOf(int32_t kind) const {
    return kind >= 0 && kind < FailureKindCount ? failureNames[kind] : kEmpty;
}

} // namespace VLQLWizUIControl
