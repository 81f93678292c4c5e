// The router session against quillet-sim on the process's management port: opening,
// what the configuration objects write arriving on a router that keeps its own state,
// and the lists' rules. Dial outcomes show through the run's verification steps.
#include "router/EtherConfig.h"
#include "router/Filter.h"
#include "router/FilterList.h"
#include "router/GlobalConfig.h"
#include "router/Location.h"
#include "router/LocationList.h"
#include "router/PortConfig.h"
#include "router/VLVelunor.h"

#include "platform/Hooks.h"
#include "support/SimProcess.h"

#include <gtest/gtest.h>

namespace {

bool StartSim(SimProcess& sim, const std::string& scenario) {
    return sim.Start("isdn.register_ms = 0\n" + scenario,
                     {"--port", std::to_string(platform::GetHooks().mgmtPort), "--time-scale", "0.01"});
}

TEST(Session, OpenFailuresLeaveNothingOpen) {
    const struct {
        std::string scenario, password;
        VLVelunor::ReturnCode expected;
        const char* closed;  // how the router saw the session end
    } cases[] = {
        {"password = secret\n", "wrong", VLVelunor::LoginFailed, "peer closed"},  // the session closed it
        {"fault.drop_after_frames = 1\n", "", VLVelunor::ReadFailed, "fault"},  // the global record
        {"fault.drop_after_frames = 4\n", "", VLVelunor::ReadFailed, "fault"},  // a port
        {"fault.drop_after_frames = 9\n", "", VLVelunor::ReadFailed, "fault"},  // the second global read
        // A table read cut short is no empty table: a snapshot of it would delete on restore.
        {"fault.drop_after_frames = 11\n", "", VLVelunor::ReadFailed, "fault"},  // "bigfilt"
        {"fault.drop_after_frames = 12\n", "", VLVelunor::ReadFailed, "fault"},  // "location"
        {"fault.silent_after = 12\n", "", VLVelunor::ReadFailed, "peer closed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scenario);
        SimProcess sim;
        ASSERT_TRUE(StartSim(sim, c.scenario)) << sim.Error();
        VLVelunor session;
        EXPECT_EQ(session.Open("127.0.0.1", c.password), c.expected);
        EXPECT_EQ(session.router, nullptr);
        EXPECT_EQ(session.socketOpen, 0);
        EXPECT_TRUE(session.isdnPorts.empty());
        EXPECT_EQ(session.filters, nullptr);
        EXPECT_EQ(session.locations, nullptr);
        EXPECT_TRUE(sim.WaitForLog(std::string("session closed: ") + c.closed, 5000)) << sim.Log();
    }
    VLVelunor session;  // nothing listens any more: refused after the retries
    EXPECT_EQ(session.Open("127.0.0.1", ""), VLVelunor::ConnectFailed);
    EXPECT_EQ(vl_last_error, 10061);
}

TEST(Session, ConfigurationReachesTheRouterAndTheListsKeepTheirRules) {
    SimProcess sim;
    ASSERT_TRUE(StartSim(sim, 
                              "apply = add filter isp.in\napply = set filter isp.in 1 permit icmp\n"
                              "fault.refuse = add filter refused\n")) << sim.Error();
    VLVelunor session;
    for (int round = 0; round < 2; ++round)  // opening an open session replaces it
        ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok) << sim.Log();
    ASSERT_EQ(session.isdnPorts.size(), 2u);
    EXPECT_STREQ(session.IsdnPort(0)->name, "S1");
    EXPECT_EQ(session.IsdnPort(2), nullptr);
    EXPECT_EQ(session.IsdnPort(-1), nullptr);

    EtherConfig current(*session.EtherInterface(0));
    EtherConfig desired(current);
    desired.SetAddress("10.20.30.1");
    desired.SetNetmask("255.255.0.0");
    session.WriteEthernet(current, desired, 1);
    EXPECT_STREQ(current.address, "10.20.30.1");  // copied back once written
    {
        GlobalConfig global(session);
        EXPECT_EQ(global.SwitchTypeName(), "National ISDN1");
        global.SetSwitchType("Japan kdd");  // an unknown name leaves the number alone
        global.SetSwitchType("EuroISDN Net3");
        global.Write(0);
    }
    PortConfig port(*session.IsdnPort(0));
    port.SetSpid("01234567890123456789");
    port.SetDirectory("0123456789012345");
    port.SetGroup("2");
    port.Write(session, session.IsdnPort(0), 0);

    EXPECT_TRUE(session.locations->IsEmpty());  // the scenario has none
    EXPECT_EQ(session.locations->Begin().Name() + session.locations->Last().Name(), "");

    Location isp;
    isp.SetName("isp");
    isp.SetTelephone("5551212");
    isp.SetDestination("Negotiated");
    isp.SetIdle("5");
    ASSERT_NE(session.locations->Add(isp), nullptr);
    EXPECT_THROW(session.locations->Add(isp), VLVelunor::ReturnCode);  // nothing sent twice
    EXPECT_EQ(session.locations->Find("ISP"), nullptr);
    Location office;
    office.SetName("office");
    EXPECT_THROW(session.locations->Modify(office, &office), VLVelunor::ReturnCode);

    Filter in;
    in.SetName("isp.in");
    FilterRule web;
    web.SetProtocol("TCP");
    web.SetDestinationPort("80");
    in.AddRule(web, 3);
    EXPECT_EQ(session.filters->Add(in), nullptr);  // exists: nothing sent
    VlFilter* existing = session.filters->Find("isp.in");
    ASSERT_NE(existing, nullptr);
    EXPECT_EQ(session.filters->Modify(in, existing), existing);
    EXPECT_EQ(existing->ip_rules->dst_port, 80);
    in.SetName("isp.out");
    ASSERT_NE(session.filters->Add(in), nullptr);
    EXPECT_EQ(session.filters->Last().Name(), "isp.out");
    in.SetName("refused");
    EXPECT_THROW(session.filters->Add(in), int);
    EXPECT_EQ(session.filters->Find("refused"), nullptr);
    std::vector<std::string> names;
    for (FilterIterator it = session.filters->Begin(); it.node != nullptr; it++)
        names.push_back(it.Name());
    EXPECT_EQ(names, (std::vector<std::string>{"isp.in", "isp.out"}));
    {
        // A copy shares the connection and never closes it: not when it is opened again
        // (one administrative connection at a time: refused), nor when it goes.
        VLVelunor copy;
        copy.CopyOf(session);
        EXPECT_EQ(copy.filters->Last().Name(), "isp.out");
        EXPECT_EQ(copy.Open("127.0.0.1", ""), VLVelunor::ConnectFailed);
    }
    EXPECT_EQ(vl_read_global(session.router), 0);

    const std::string dump = sim.Dump();
    const std::pair<std::string, std::string> running[] = {
        {"global.address", "10.20.30.1"}, {"global.netmask", "255.255.0.0"}, {"global.isdn", "net3"},
        {"port.S1.spid", "01234567890123456789"},
        {"port.S1.directory", "0123456789012345"}, {"port.S1.group", "2"}, {"location.isp.telephone", "5551212"},
        {"location.isp.dest", "255.255.255.255"}, {"location.isp.idle", "300"},
        {"filter.isp.in.ip.1", "permit tcp dst eq 80"}, {"filter.isp.out.rules", "1 0 0"}};
    for (const auto& [key, value] : running) {
        EXPECT_EQ(SimProcess::DumpValue(dump, "running", key), value) << key;
    }
    // Adding a location saves the locations; the address was written with its save.
    EXPECT_EQ(SimProcess::DumpValue(dump, "saved", "location.isp.telephone"), "5551212");
    EXPECT_EQ(SimProcess::DumpValue(dump, "saved", "global.address"), "10.20.30.1");
    session.SetPassword("newpass");
    session.WriteGlobal();
    EXPECT_EQ(SimProcess::DumpValue(sim.Dump(), "running", "global.password"), "newpass");
    session.Close();
    EXPECT_EQ(session.router, nullptr);
    EXPECT_EQ(session.locations, nullptr);
    session.Close();
}

TEST(Session, DialWithoutWaitSendsOnlyTheDialAndRebootThenOpenAgain) {
    SimProcess sim;
    // Each call goes unanswered and frees its port at once, so every dial finds one idle.
    ASSERT_TRUE(StartSim(sim, "reboot_ms = 1000\napply = add location isp\nisp.outcome = noanswer\n"
                              "isp.connect_ms = 0\n")) << sim.Error();
    VLVelunor session;
    ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok) << sim.Log();
    EXPECT_EQ(session.Dial("isp", 0, 1), VLVelunor::Ok);
    EXPECT_EQ(SimProcess::DumpValue(sim.Dump(), "state", "debug"), "0x0");
    EXPECT_EQ(Count(sim.Log(), "<- CONSOLE"), 0);  // and reads no console
    // A port the table does not have is given up at the first poll, the debug output reset.
    for (int port : {-1, static_cast<int>(session.router->port_count)}) {
        const int polls = Count(sim.Log(), "<- STATUS (1)");
        EXPECT_EQ(session.Dial("isp", 1, port), VLVelunor::CommandFailed);
        EXPECT_EQ(SimProcess::DumpValue(sim.Dump(), "state", "debug"), "0x0");  // the log is written by now
        EXPECT_EQ(Count(sim.Log(), "<- STATUS (1)"), polls + 1) << port;
    }
    session.Reboot();
    EXPECT_EQ(session.router, nullptr);
    ASSERT_TRUE(sim.WaitFor("rebooting")) << sim.Log();
    ASSERT_TRUE(sim.WaitFor("listening on")) << sim.Log();
    ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok) << sim.Log();
    EXPECT_EQ(session.isdnPorts.size(), 2u);
}

} // namespace
