// The run's steps against quillet-sim on loopback: which substep a refused command
// leaves behind, and what a configured router's settings read back as.
#include "TestHooks.h"

#include "run/ConfigSettings.h"
#include "run/Process.h"
#include "sim/SimProcess.h"

#include <gtest/gtest.h>

#include <string>

using VLQLWizUIControl::Process;

namespace {

int SimPort() { return TestManagementPort(); }

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
    s.SetConnectionType(1);
    s.SetAccountName("office");
    s.SetAccountPassword("pw");
    return s;
}

bool StartSim(SimProcess& sim, const std::string& scenario) {
    return sim.Start("password = secret\naddress = 127.0.0.1\nnetmask = 255.0.0.0\n" + scenario,
                     {"--port", std::to_string(SimPort()), "--time-scale", "0.01"});
}

} // namespace

TEST(ProcessSim, ConfigureStepLeavesTheSubstepOfARefusedCommand) {
    ASSERT_GT(SimPort(), 0);
    struct Case {
        const char* refused;  // "" refuses nothing
        int securityOn;
        int kind;             // -1: the step succeeds
    };
    const Case cases[] = {
        {"", 1, -1},
        {"", 0, -1},
        {"set ether0", 1, Process::SavingGlobal},
        {"save address", 0, Process::SavingGlobal},
        {"set S1", 1, Process::SavingIsdnPorts},
        {"set S2", 0, Process::SavingIsdnPorts},
        {"set isdn", 1, Process::SettingLocation},
        {"add filter", 1, Process::SettingFilter},
        {"set filter isp.out", 1, Process::SettingFilter},
        {"add filter", 0, -1},
        {"add location", 1, Process::SavingLocation},
        {"set isp", 0, Process::SavingLocation},
        {"set password", 1, Process::SavingLocation},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "refuse \"" << c.refused << "\" security "
                                        << c.securityOn);
        SimProcess sim;
        std::string scenario = *c.refused ? std::string("fault.refuse = ") + c.refused + "\n" : "";
        ASSERT_TRUE(StartSim(sim, scenario)) << sim.Error();
        ConfigSettings settings = Settings(c.securityOn);
        Process run(&settings);
        run.state = Process::Connecting;
        std::string message;
        ASSERT_EQ(run.Step(message), 1);
        ASSERT_EQ(run.state, Process::Configuring);
        int result = run.Step(message);
        if (c.kind == -1) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(run.state, Process::SavingAndRestarting);
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(run.state, Process::Failed);
            EXPECT_EQ(run.failureKind, c.kind);
            EXPECT_EQ(run.lastStep, Process::Configuring);
        }
        run.session.Close();
        std::string dump = sim.Dump();
        // With security off nothing about filters reaches the router.
        bool filterSent = sim.Log().find("filter isp.") != std::string::npos;
        if (c.securityOn == 0) {
            EXPECT_FALSE(filterSent);
        }
        if (c.kind == -1) {
            EXPECT_EQ(SimProcess::DumpValue(dump, "running", "location.isp.ifilter"),
                      c.securityOn ? "isp.in" : "");
        }
    }
}

TEST(ProcessSim, ReadRouterSettingsTakesTheConfiguredRoutersValues) {
    SimProcess sim;
    ASSERT_TRUE(StartSim(sim,
                         "isdn.switch = any\n"
                         "apply = set isdn ntt\n"
                         "apply = set S1 spid 0101\n"
                         "apply = set S1 directory 5550001\n"
                         "apply = set S2 directory 5550002\n"
                         "apply = add filter isp.in\n"
                         "apply = set filter isp.in 1 permit 0.0.0.0/0 127.0.0.10/32 tcp dst eq 80\n"
                         "apply = set filter isp.in 2 permit 0.0.0.0/0 127.0.0.11/32 udp dst eq 53\n"
                         "apply = set filter isp.in 3 permit 0.0.0.0/0 127.0.0.12/32 tcp dst eq 25\n"
                         "apply = set filter isp.in 4 permit 0.0.0.0/0 127.0.0.13/32 tcp dst eq 25\n"
                         "apply = add location isp\n"
                         "apply = set isp username someone\n"
                         "apply = set isp password hidden\n"
                         "apply = set isp telephone 5550100&5550101\n"
                         "apply = set isp maxports 2\n"))
        << sim.Error();
    ConfigSettings settings = Settings(0);
    std::string m;
    settings.SetDnsHost("127.0.0.99", m);
    settings.SetFtpHost("127.0.0.98", m);
    Process run(&settings);
    run.state = Process::Connecting;
    ASSERT_EQ(run.Step(m), 1);
    ASSERT_EQ(run.state, Process::Configuring);
    run.ReadRouterSettings(m);
    EXPECT_EQ(m, "");
    EXPECT_EQ(settings.SwitchType(), "Japan NTT");
    EXPECT_EQ(settings.Channel1Spid(), "0101");
    EXPECT_EQ(settings.Channel1DirNo(), "5550001");
    EXPECT_EQ(settings.Channel2Spid(), "");
    EXPECT_EQ(settings.Channel2DirNo(), "5550002");
    EXPECT_EQ(settings.SecurityOn(), 1);
    EXPECT_EQ(settings.HttpHost(), "127.0.0.10");
    EXPECT_EQ(settings.DnsHost(), "");  // the only port-53 rule is UDP
    EXPECT_EQ(settings.FtpHost(), "");
    EXPECT_EQ(settings.SmtpHost(), "127.0.0.13");  // a later rule wins
    EXPECT_EQ(settings.AccountName(), "someone");
    EXPECT_EQ(settings.AccountPassword(), "hidden");
    EXPECT_EQ(settings.PhoneNumber(), "5550100");
    EXPECT_EQ(settings.PhoneNumber2(), "5550101");
    EXPECT_EQ(settings.Channels(), "2");
    ASSERT_NE(run.existingFilter, nullptr);
    ASSERT_NE(run.existingLocation, nullptr);
}

TEST(ProcessSim, ReadRouterSettingsWithoutIspFilterTurnsSecurityOffAndKeepsTheNameServer) {
    SimProcess sim;
    ASSERT_TRUE(StartSim(sim, "")) << sim.Error();
    ConfigSettings settings = Settings(1);
    std::string m;
    settings.SetDnsHost("127.0.0.99", m);
    settings.SetSmtpHost("127.0.0.97", m);
    settings.SetAccountName("kept");
    Process run(&settings);
    run.state = Process::Connecting;
    ASSERT_EQ(run.Step(m), 1);
    run.ReadRouterSettings(m);
    EXPECT_EQ(settings.SecurityOn(), 0);
    EXPECT_EQ(settings.HttpHost(), "");
    EXPECT_EQ(settings.SmtpHost(), "");
    EXPECT_EQ(settings.DnsHost(), "127.0.0.99");
    EXPECT_EQ(settings.AccountName(), "kept");  // no "isp" location to read
    EXPECT_EQ(run.existingLocation, nullptr);
}

TEST(ProcessSim, ConnectTriesAnEmptyPasswordOnlyAfterARefusedGivenOne) {
    struct Case {
        const char* routerPassword;  // "" is a router in its factory state
        const char* adminPassword;
        int state;
        int kind;
        int refused;   // logins the router refused
        int accepted;  // logins it accepted
    };
    const Case cases[] = {
        {"secret", "secret", Process::Configuring, Process::NoFailure, 0, 1},
        // An empty password refused: nothing else to try.
        {"secret", "", Process::Failed, Process::BadPassword, 1, 0},
        {"secret", "wrong", Process::Failed, Process::BadPassword, 2, 0},
        // A factory router has no password yet; the configure step installs it.
        {"", "new-one", Process::Configuring, Process::NoFailure, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "router \"" << c.routerPassword << "\" given \""
                                        << c.adminPassword << "\"");
        SimProcess sim;
        ASSERT_TRUE(sim.Start(std::string("password = ") + c.routerPassword +
                                  "\naddress = 127.0.0.1\nnetmask = 255.0.0.0\n",
                              {"--port", std::to_string(SimPort()), "--time-scale", "0.01"}))
            << sim.Error();
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
        const std::string log = sim.Log();
        auto count = [&log](const std::string& text) {
            int n = 0;
            for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
                ++n;
            return n;
        };
        EXPECT_EQ(count("login refused"), c.refused) << log;
        EXPECT_EQ(count("login accepted"), c.accepted) << log;
    }
}
