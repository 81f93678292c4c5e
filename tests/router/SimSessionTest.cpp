// The router session against quillet-sim: what the session writes must arrive on a
// router that keeps its own state, and dial outcomes must come back classified.
#include "router/EtherConfig.h"
#include "router/Filter.h"
#include "router/FilterList.h"
#include "router/GlobalConfig.h"
#include "router/Location.h"
#include "router/LocationList.h"
#include "router/PortConfig.h"
#include "router/VLVelunor.h"

#include "platform/Hooks.h"
#include "sim/SimProcess.h"

#include <gtest/gtest.h>

namespace {

// The session connects to the process's management port, so the simulator serves there.
bool StartSim(SimProcess& sim, const std::string& scenario) {
    return sim.Start("isdn.register_ms = 0\n" + scenario,
                     {"--port", std::to_string(platform::GetHooks().mgmtPort), "--quiet"});
}

} // namespace

TEST(SimSession, ConfigurationReachesTheRouter) {
    SimProcess sim;
    ASSERT_TRUE(StartSim(sim, "")) << sim.Error();
    VLVelunor session;
    ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok) << sim.Log();

    EtherConfig current(*session.EtherInterface(0));
    EtherConfig desired(current);
    desired.SetAddress("10.20.30.1");
    desired.SetNetmask("255.255.0.0");
    session.WriteEthernet(current, desired, 1);
    EXPECT_STREQ(current.address, "10.20.30.1");

    {
        GlobalConfig global(session);
        global.SetSwitchType("EuroISDN Net3");
        global.Write(0);
    }

    VlPort* live = session.IsdnPort(0);
    ASSERT_NE(live, nullptr);
    PortConfig port(*live);
    port.SetSpid("01234567890123456789");
    port.SetDirectory("0123456789012345");
    port.SetGroup("2");
    port.Write(session, live, 0);

    Location isp;
    isp.SetName("isp");
    isp.SetUsername("joe");
    isp.SetPassword("pw");
    isp.SetTelephone("5551212");
    isp.SetDestination("Negotiated");
    isp.SetIdle("5");
    isp.SetMaxPorts("2");
    isp.SetOnDemand(1);
    isp.SetChap(1);
    isp.SetRouting(0);
    ASSERT_NE(session.locations->Add(isp), nullptr);
    EXPECT_NE(session.locations->Find("isp"), nullptr);

    Filter in;
    in.SetName("isp.in");
    FilterRule deny;
    deny.SetPermit(0);
    deny.SetSource("10.20.30.1", "255.255.0.0");
    in.AddRule(deny, 3);
    FilterRule web;
    web.SetProtocol("TCP");
    web.SetDestination("10.20.30.5", "255.255.255.255");
    web.SetDestinationPort("80");
    in.AddRule(web, 3);
    ASSERT_NE(session.filters->Add(in), nullptr);
    EXPECT_EQ(session.filters->Add(in), nullptr);

    std::string dump = sim.Dump();
    auto running = [&](const std::string& key) { return SimProcess::DumpValue(dump, "running", key); };
    EXPECT_EQ(running("global.address"), "10.20.30.1");
    EXPECT_EQ(running("global.netmask"), "255.255.0.0");
    EXPECT_EQ(running("global.isdn"), "net3");
    EXPECT_EQ(running("port.S1.spid"), "01234567890123456789");
    EXPECT_EQ(running("port.S1.directory"), "0123456789012345");
    EXPECT_EQ(running("port.S1.group"), "2");
    EXPECT_EQ(running("location.isp.telephone"), "5551212");
    EXPECT_EQ(running("location.isp.username"), "joe");
    EXPECT_EQ(running("location.isp.dest"), "255.255.255.255");
    EXPECT_EQ(running("location.isp.idle"), "300");
    EXPECT_EQ(running("location.isp.maxports"), "2");
    EXPECT_EQ(SimProcess::DumpValue(dump, "saved", "location.isp.telephone"), "5551212")
        << "Add saves the locations";
    EXPECT_EQ(SimProcess::DumpValue(dump, "saved", "global.address"), "10.20.30.1")
        << "WriteEthernet with the save flag saves the address";

    session.SetPassword("newpass");
    session.WriteGlobal();
    EXPECT_EQ(SimProcess::DumpValue(sim.Dump(), "running", "global.password"), "newpass");
}

TEST(SimSession, DialOutcomesAreClassified) {
    const struct {
        const char* outcome;
        VLVelunor::ReturnCode expected;
    } cases[] = {
        {"ok", VLVelunor::Ok},
        {"busy", VLVelunor::Busy},
        {"noanswer", VLVelunor::NoAnswer},
        {"notsubscribed", VLVelunor::NotSubscribed},
        {"rejected", VLVelunor::Rejected},
        {"auth", VLVelunor::AuthenticationFailed},
        {"fail:3:0", VLVelunor::DialFailed11},
        {"fail:26:0", VLVelunor::CommandFailed},
        {"hang", VLVelunor::CommandFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outcome);
        SimProcess sim;
        ASSERT_TRUE(StartSim(sim, std::string("apply = add location isp\n"
                                              "apply = set isp telephone 5551212\n"
                                              "isp.outcome = ") +
                                      c.outcome + "\n"))
            << sim.Error();
        VLVelunor session;
        ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok) << sim.Log();
        EXPECT_EQ(session.Dial("isp", 1, 1), c.expected) << sim.Log();
        std::string debug = SimProcess::DumpValue(sim.Dump(), "state", "debug");
        // A failed dial turns the router's debugging off again; a good one leaves it on.
        EXPECT_EQ(debug, c.expected == VLVelunor::Ok ? "0x51" : "0x0");
        if (c.expected == VLVelunor::Ok) {
            // The remote end the run reads after the dial.
            EXPECT_STREQ(session.router->ports[1].destination, "127.0.0.2");
        }
    }
}

TEST(SimSession, RebootThenOpenAgain) {
    SimProcess sim;
    ASSERT_TRUE(StartSim(sim, "reboot_ms = 1000\n")) << sim.Error();
    VLVelunor session;
    ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok) << sim.Log();
    session.Reboot();
    EXPECT_EQ(session.router, nullptr);
    EXPECT_FALSE(session.IsConnected());
    ASSERT_TRUE(sim.WaitFor("rebooting")) << sim.Log();
    ASSERT_TRUE(sim.WaitFor("listening on")) << sim.Log();
    ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok) << sim.Log();
    EXPECT_EQ(session.isdnPorts.size(), 2u);
}
