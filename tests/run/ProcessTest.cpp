// The run's steps against quillet-sim on the process's management port: the substep a
// refused command leaves behind, the password tried, the read-back of a configured
// router, and whole runs through the verification steps to their outcomes.
#include "run/ConfigSettings.h"
#include "run/Driver.h"
#include "run/Process.h"
#include "run/RouterSnapshot.h"

#include "platform/Hooks.h"
#include "platform/Time.h"
#include "support/SimProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using VLQLWizUIControl::Process;
using VLQLWizUIControl::RouterSnapshot;

namespace {

ConfigSettings Settings(int securityOn) {
    ConfigSettings s;
    std::string m;
    s.SetAdminPassword("secret");
    s.SetRouterAddress("127.0.0.1", m);
    s.SetRouterNetmask("255.0.0.0", m);
    s.SetSwitchType("Japan NTT");
    s.SetChannel1DirNo("5551234", m);
    s.SetChannel2DirNo("5551235", m);
    s.SetSecurityOn(securityOn);
    s.SetHttpHost("127.0.0.10", m);
    s.SetChannels("2", m);
    s.SetPhoneNumber("5550100", m);
    s.SetAccountName("office");
    s.SetAccountPassword("pw");
    return s;
}

bool StartSim(SimProcess& sim, const std::string& scenario, const std::string& password = "secret") {
    return sim.Start("password = " + password + "\naddress = 127.0.0.1\nnetmask = 255.0.0.0\n" + scenario,
                     {"--port", std::to_string(platform::GetHooks().mgmtPort), "--time-scale", "0.01"});
}

TEST(Process, ConfigureStepLeavesTheSubstepOfARefusedCommand) {
    const struct {
        const char* refused;  // "" refuses nothing
        int securityOn, kind;  // -1: the step succeeds
    } cases[] = {
        {"", 1, -1},                {"", 0, -1},
        {"set ether0", 1, Process::SavingGlobal},     {"save address", 0, Process::SavingGlobal},
        {"set S1", 1, Process::SavingIsdnPorts},      {"set S2", 0, Process::SavingIsdnPorts},
        {"set isdn", 1, Process::SettingLocation},    {"add filter", 1, Process::SettingFilter},
        {"set filter isp.out", 1, Process::SettingFilter}, {"add filter", 0, -1},
        {"add location", 1, Process::SavingLocation},
        {"set isp", 0, Process::SavingLocation},      {"set password", 1, Process::SavingLocation},
        {"save filter", 1, Process::SavingFilter},    {"save location", 0, Process::SavingLocation},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "refuse \"" << c.refused << "\" security " << c.securityOn);
        SimProcess sim;
        ASSERT_TRUE(StartSim(sim, *c.refused ? std::string("fault.refuse = ") + c.refused + "\n" : "")) << sim.Error();
        ConfigSettings settings = Settings(c.securityOn);
        Process run(&settings);
        run.state = Process::Connecting;
        std::string message;
        ASSERT_EQ(run.Step(message), 1);
        ASSERT_EQ(run.state, Process::Configuring);
        EXPECT_EQ(run.Step(message), c.kind == -1 ? 1 : 0);
        EXPECT_EQ(run.state, c.kind == -1 ? Process::SavingAndRestarting : Process::Failed);
        if (c.kind != -1) {
            EXPECT_EQ(run.failureKind, c.kind);
        }
        run.session.Close();
        const std::string dump = sim.Dump();
        if (c.kind == -1) {
            EXPECT_EQ(SimProcess::DumpValue(dump, "running", "location.isp.ifilter"), c.securityOn ? "isp.in" : "");
        }
        if (c.securityOn == 0) {  // with security off nothing about filters reaches the router
            EXPECT_EQ(sim.Log().find("filter isp."), std::string::npos);
        }
    }
    // A router with one ISDN channel: neither the configure step nor the dial works on the
    // port that is not there.
    SimProcess sim;
    ASSERT_TRUE(StartSim(sim, "ports = C0:async S1:isdn W3:sync\n")) << sim.Error();
    ConfigSettings settings = Settings(1);
    Process run(&settings);
    run.state = Process::Connecting;
    std::string message;
    ASSERT_EQ(run.Step(message), 1);
    EXPECT_EQ(run.Step(message), 0);
    EXPECT_EQ(run.failureKind, Process::SettingIsdnPorts);
    run.state = Process::EstablishingPpp;
    EXPECT_EQ(run.Step(message), 0);
    EXPECT_EQ(run.state, Process::Failed);
    EXPECT_EQ(run.failureKind, Process::NoPortAvailable);
}

TEST(Process, ConnectTriesAnEmptyPasswordOnlyAfterARefusedGivenOne) {
    const struct {
        const char *routerPassword, *adminPassword;  // "" is a router in its factory state
        int state, kind, refused, accepted;            // logins the router refused and accepted
    } cases[] = {
        {"secret", "secret", Process::Configuring, Process::NoFailure, 0, 1},
        {"secret", "", Process::Failed, Process::BadPassword, 1, 0},
        {"secret", "wrong", Process::Failed, Process::BadPassword, 2, 0},
        {"", "new-one", Process::Configuring, Process::NoFailure, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.routerPassword << "/" << c.adminPassword);
        SimProcess sim;
        ASSERT_TRUE(StartSim(sim, "", c.routerPassword)) << sim.Error();
        ConfigSettings settings = Settings(0);
        settings.SetAdminPassword(c.adminPassword);
        Process run(&settings);
        run.state = Process::Connecting;
        std::string message;
        run.Step(message);
        EXPECT_EQ(run.state, c.state);
        EXPECT_EQ(run.failureKind, c.kind);
        EXPECT_EQ(message, "");
        run.session.Close();
        sim.Stop();  // its log is complete once it has ended
        EXPECT_EQ(Count(sim.Log(), "login refused"), c.refused);
        EXPECT_EQ(Count(sim.Log(), "login accepted"), c.accepted);
    }
    // Nothing listens any more: another administrative connection is the likely cause.
    ConfigSettings settings = Settings(0);
    Process run(&settings);
    run.state = Process::Connecting;
    std::string message;
    EXPECT_EQ(run.Step(message), 0);
    EXPECT_EQ(run.failureKind, Process::ConnectionRefused);
    EXPECT_EQ(message, Process::RefusedMessage);
}

TEST(Process, ReadRouterSettingsTakesTheConfiguredRoutersValues) {
    const std::string configured =
        "isdn.switch = any\napply = set isdn ntt\napply = set S1 spid 0101\napply = set S1 directory 5550001\n"
        "apply = set S2 directory 5550002\napply = add filter isp.in\n"
        "apply = set filter isp.in 1 permit 0.0.0.0/0 127.0.0.10/32 tcp dst eq 80\n"
        "apply = set filter isp.in 2 permit 0.0.0.0/0 127.0.0.11/32 udp dst eq 53\n"
        "apply = set filter isp.in 3 permit 0.0.0.0/0 127.0.0.12/32 tcp dst eq 25\n"
        "apply = set filter isp.in 4 permit 0.0.0.0/0 127.0.0.13/32 tcp dst eq 25\n"
        "apply = add location isp\napply = set isp username someone\napply = set isp password hidden\n"
        "apply = set isp telephone 5550100&5550101\napply = set isp maxports 2\n";
    // The only port-53 rule is UDP; a later rule wins.
    const std::vector<std::string> read = {"Japan NTT", "0101", "", "5550001", "5550002", "1", "", "127.0.0.10",
                                           "127.0.0.13", "", "someone", "hidden", "5550100", "5550101", "2"};
    const struct {
        std::string scenario;
        std::vector<std::string> expected;  // switch, spid 1 and 2, dirno 1 and 2, security, hosts, account
    } cases[] = {
        {configured, read},
        {"firmware = mid\ntable_chunk = 1\n" + configured, read},
        {"firmware = old\ntable_chunk = 3\n" + configured, read},
        // Without an ISP filter security is off and the name server kept; no "isp" location.
        {"", {"National ISDN1", "", "", "", "", "0", "", "", "", "127.0.0.99", "kept", "pw", "5550100", "", "2"}},
    };
    for (const auto& c : cases) {
        SimProcess sim;
        ASSERT_TRUE(StartSim(sim, c.scenario)) << sim.Error();
        ConfigSettings s = Settings(1);
        std::string m;
        s.SetDnsHost("127.0.0.99", m);
        s.SetFtpHost("127.0.0.98", m);
        s.SetAccountName("kept");
        Process run(&s);
        run.state = Process::Connecting;
        ASSERT_EQ(run.Step(m), 1);
        run.ReadRouterSettings(m);
        EXPECT_EQ(m, "");
        EXPECT_EQ(std::vector<std::string>({s.SwitchType(), s.Channel1Spid(), s.Channel2Spid(), s.Channel1DirNo(),
                                            s.Channel2DirNo(), std::to_string(s.SecurityOn()), s.FtpHost(),
                                            s.HttpHost(), s.SmtpHost(), s.DnsHost(), s.AccountName(),
                                            s.AccountPassword(), s.PhoneNumber(), s.PhoneNumber2(), s.Channels()}),
                  c.expected);
        EXPECT_EQ(run.existingLocation != nullptr, !c.scenario.empty());

        // A preview leaves the router, the run and its session as they were, on every
        // firmware: the snapshot the run keeps next is the one it would keep without it.
        auto snapshot = [&run] {
            std::string text = RouterSnapshot::FromSession(run.session, "127.0.0.1", "").Text();
            return text.erase(text.find("taken = "), text.find('\n', text.find("taken = ")) - text.find("taken = "));
        };
        const std::string kept = snapshot();
        const int commands = Count(sim.Log(), "<- COMMAND");
        s.SetAdminPassword("another");
        std::vector<std::string> first, second;
        EXPECT_TRUE(run.PreviewConfigure(first, m)) << m;
        EXPECT_TRUE(run.PreviewConfigure(second, m)) << m;
        EXPECT_EQ(first, second);
        EXPECT_EQ(first.back(), "reboot");
        EXPECT_EQ(snapshot(), kept);
        EXPECT_EQ(Count(sim.Log(), "<- COMMAND"), commands) << sim.Log();
    }
}

// Whole runs from a configured router through the verification steps; every question
// is answered Cancel, as qlwiz-batch does.
TEST(Process, VerificationOutcomes) {
    const std::string late = "fault.refuse = save location\nfault.from_connection = 2\n";
    const struct {
        std::string scenario;
        bool succeeded;
        int kind;       // of the last failure
        int questions;  // asked on the way
        int dials;
        bool chapOff;  // the redial went out with CHAP off
        const char* isp;  // the ISP-side address learned
    } cases[] = {
        {"", true, -1, 0, 1, false, "127.0.0.2"},
        {"isp.outcome = busy\n", false, Process::UserBusy, 1, 2, true, ""},
        {"isp.outcome = noanswer\n", false, Process::DialNoAnswer, 1, 1, false, ""},
        {"isp.outcome = rejected\n", false, Process::IspRejected, 1, 2, true, ""},
        {"isp.outcome = auth\n", false, Process::AuthenticationFailure, 1, 2, true, ""},
        {"isp.outcome = auth\nisp.auth_only_with_chap = yes\n", true, -1, 0, 2, true, "127.0.0.2"},
        {"isp.outcome = notsubscribed\n", false, Process::IsdnFailure, 1, 2, true, ""},
        {"isdn.2.register = no\n", true, -1, 1, 1, false, "127.0.0.2"},  // goes on with one channel
        {"isdn.1.register = no\nisdn.2.register = no\n", false, Process::IsdnFailure, 1, 0, false, ""},
        {"isp.address = 0.0.0.0\n", true, -1, 0, 1, false, ""},
        {"isp.outcome = fail:3:0\n", false, Process::PppRedialing, 1, 2, true, ""},
        {"isp.outcome = hang\n", false, Process::PppRedialing, 1, 2, true, ""},
        // Saving refused after the restart: what the dial step changed would not survive the next one.
        {late, false, Process::PppRecordingAddress, 1, 1, false, "127.0.0.2"},
        {"fault.refuse = save address\nfault.from_connection = 2\n", false, Process::PppRecordingAddress, 1, 1, false, "127.0.0.2"},
        {"isp.outcome = auth\nisp.auth_only_with_chap = yes\n" + late, false, Process::PppDialing, 1, 1, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scenario);
        SimProcess sim;
        ASSERT_TRUE(StartSim(sim, "reboot_ms = 100\n" + c.scenario)) << sim.Error();
        ConfigSettings settings = Settings(1);
        Process run(&settings);
        run.state = Process::Connecting;
        int questions = 0;
        VLQLWizUIControl::LoopHost host{[](long ms) { platform::Sleep(ms); }, [](const std::string&) {},
                                        [&](const VLQLWizUIControl::Outcome& o) {
                                            ++questions;
                                            return o.offersRetry ? VLQLWizUIControl::Answer::Cancel
                                                                 : VLQLWizUIControl::Answer::Ok;
                                        }};
        EXPECT_EQ(VLQLWizUIControl::RunToEnd(run, host).succeeded, c.succeeded);
        if (!c.succeeded) {
            EXPECT_EQ(run.failureKind, c.kind);
        }
        EXPECT_EQ(questions, c.questions);
        sim.Stop();
        EXPECT_EQ(Count(sim.Log(), "applied: dial isp"), c.dials);
        EXPECT_EQ(Count(sim.Log(), "applied: set isp chap off") > 0, c.chapOff);
        EXPECT_EQ(settings.IspAddress(), c.isp);
    }
}

TEST(Process, RouteTestSucceedsWhenTheFarEndAnswersEvenWithRefusal) {
    const struct {
        const char* isp;
        bool listening;  // something accepts on the route test port
        int state;
        bool reached;    // a connection arrived at that listener
    } cases[] = {
        {"127.0.0.1", true, Process::Succeeded, true},
        {"127.0.0.1", false, Process::Succeeded, false},  // refused: the far end answered
        {"127.255.255.255", false, Process::Failed, false},
        // An address never learned is no place to connect to; this PC's port must not stand in.
        {"", true, Process::Succeeded, false},
        {"0.0.0.0", true, Process::Succeeded, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.isp);
        int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(platform::GetHooks().routeTestPort));
        if (c.listening) {
            ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) | ::listen(listener, 4), 0);
        }
        ConfigSettings settings;
        settings.SetIspAddress(c.isp);
        Process run(&settings);
        run.state = run.lastStep = Process::TestingRoute;
        std::string message;
        EXPECT_EQ(run.Step(message), c.state == Process::Failed ? 0 : 1);
        EXPECT_EQ(run.state, c.state);
        EXPECT_EQ(run.failureKind, Process::RouteTestFailed);
        sockaddr_in from{};
        socklen_t len = sizeof from;
        if (c.listening) {
            ::fcntl(listener, F_SETFL, O_NONBLOCK);
            EXPECT_EQ(::accept(listener, reinterpret_cast<sockaddr*>(&from), &len) >= 0, c.reached);
        }
        ::close(listener);
    }
}

TEST(Process, ReconnectGivesUpAfterFiveAttemptsAndAResponderThatEndsFailsTheWait) {
    ConfigSettings settings = Settings(0);
    Process run(&settings);
    run.state = Process::Reconnecting;  // nothing listens on the management port
    std::string m;
    const long long start = platform::NowMs();
    EXPECT_EQ(run.Step(m), 0);
    EXPECT_GE(platform::NowMs() - start, 5 * 10 * platform::ScaledMs(2000));
    EXPECT_EQ(run.failureKind, Process::NoFailure);
    EXPECT_EQ(run.lastStep, Process::Reconnecting);
    // A router address that is no dotted address ends the responder at once.
    ConfigSettings empty;
    Process fresh(&empty);
    ASSERT_EQ(fresh.Step(m), 1);
    ASSERT_EQ(fresh.state, Process::WaitingForAddressRequest);
    for (int i = 0; i < 5000 && fresh.bootpThread->ExitCode() == platform::Thread::StillActive; ++i)
        ::usleep(1000);
    EXPECT_EQ(fresh.Step(m), 0);
    EXPECT_EQ(fresh.failureKind, Process::AddressNotRequested);
    EXPECT_EQ(m, Process::NotRespondingMessage);
}

} // namespace
