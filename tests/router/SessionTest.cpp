// The router session against a scripted management service on loopback.
#include "router/EtherConfig.h"
#include "router/FilterList.h"
#include "router/GlobalConfig.h"
#include "router/LocationList.h"
#include "router/PortConfig.h"
#include "router/VLVelunor.h"

#include "FakeRouter.h"
#include "platform/Time.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool Sent(const std::vector<std::string>& commands, const std::string& line) {
    return std::find(commands.begin(), commands.end(), line) != commands.end();
}

bool SentPrefix(const std::vector<std::string>& commands, const std::string& prefix) {
    for (const std::string& c : commands)
        if (c.compare(0, prefix.size(), prefix) == 0)
            return true;
    return false;
}

// "isp" location record: dest, mask, group 2, flags 0x69, idle 5, maxports 2, account.
const std::string IspLocation =
    "isp 255.255.255.255 255.255.255.0 2 105 5 2 0 \"\" 1500 0 \"\" \"\" 0 \"\" "
    "1\x02" "5551212\x02" "joe\x02" "secret\x02 40 0 a b";

} // namespace

TEST(Session, OpenAgainstNothingIsRefusedAfterRetries) {
    VLVelunor session;
    long long start = platform::NowMs();
    EXPECT_EQ(session.Open("127.0.0.1", ""), VLVelunor::ConnectFailed);
    EXPECT_EQ(vl_last_error, 10061);
    EXPECT_GE(platform::NowMs() - start, 11 * platform::ScaledMs(2000) - 5);
    EXPECT_EQ(session.router, nullptr);
    EXPECT_FALSE(session.IsConnected());
    EXPECT_EQ(session.filters, nullptr);
    EXPECT_EQ(session.locations, nullptr);
    session.Close();
    session.Close();
}

TEST(Session, OpenFailuresCloseTheConnection) {
    const struct {
        const char* what;
        std::string password;
        int dropAtStatus;
        VLVelunor::ReturnCode expected;
    } cases[] = {
        {"wrong password", "wrong", -1, VLVelunor::LoginFailed},
        {"global read fails", "", 1, VLVelunor::ReadFailed},
        {"port read fails", "", 4, VLVelunor::ReadFailed},
        {"second global read fails", "", 7, VLVelunor::ReadFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRouter fake;
        fake.dropAtStatus = c.dropAtStatus;
        ASSERT_TRUE(fake.Start());
        VLVelunor session;
        EXPECT_EQ(session.Open("127.0.0.1", c.password), c.expected);
        EXPECT_EQ(session.router, nullptr);
        EXPECT_FALSE(session.IsConnected());
        EXPECT_EQ(session.socketOpen, 0);
        EXPECT_TRUE(session.isdnPorts.empty());
        EXPECT_EQ(session.filters, nullptr);
        if (c.dropAtStatus < 0) {
            EXPECT_TRUE(fake.WaitPeerClosed(5000)) << "the session must close its socket";
        }
    }
}

TEST(Session, HostilePortCountsStayInsideTheTable) {
    const struct {
        std::string count;
        int ports;
    } cases[] = {{"-3", 0}, {"100000", VLVelunor::MaxPorts}, {"2", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        FakeRouter fake;
        fake.portCountText = c.count;
        ASSERT_TRUE(fake.Start());
        VLVelunor session;
        ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok);
        EXPECT_EQ(session.router->port_count, c.ports);
        size_t sorted = session.otherPorts.size() + session.kind1Ports.size() +
                        session.kind2Ports.size() + session.isdnPorts.size();
        EXPECT_EQ(sorted, static_cast<size_t>(c.ports));
        // Dialling a port the table does not have is a failure, not a read past it.
        EXPECT_EQ(session.Dial("isp", 1, c.ports + 1), VLVelunor::CommandFailed);
    }
}

TEST(Session, OpenReadsAndSortsPortsWithoutDuplicates) {
    FakeRouter fake;
    fake.password = "admin";
    fake.ports = {{"C0", 0, {"COMMAND"}}, {"S1", 3, {"IDLE"}}, {"P2", 3, {"IDLE"}},
                  {"S3", 3, {"IDLE"}},    {"W4", 2, {"IDLE"}}};
    fake.ports[1].spid = "0123456789";
    ASSERT_TRUE(fake.Start());
    VLVelunor session;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(session.Open(std::string("127.0.0.1"), std::string("admin")), VLVelunor::Ok);
        EXPECT_TRUE(session.IsConnected());
        EXPECT_EQ(session.password, "admin");
        ASSERT_EQ(session.isdnPorts.size(), 2u);
        EXPECT_STREQ(session.IsdnPort(0)->name, "S1");
        EXPECT_STREQ(session.IsdnPort(0)->spid, "0123456789");
        EXPECT_STREQ(session.IsdnPort(1)->name, "S3");  // P2 is sorted by its name first
        EXPECT_EQ(session.IsdnPort(2), nullptr);
        EXPECT_EQ(session.IsdnPort(-1), nullptr);
        ASSERT_EQ(session.kind2Ports.size(), 1u);
        EXPECT_STREQ(session.kind2Ports[0]->name, "P2");
        ASSERT_EQ(session.kind1Ports.size(), 1u);
        EXPECT_STREQ(session.kind1Ports[0]->name, "W4");
        ASSERT_EQ(session.otherPorts.size(), 1u);
        ASSERT_NE(session.filters, nullptr);
        ASSERT_NE(session.locations, nullptr);
        EXPECT_TRUE(session.locations->IsEmpty());
        if (round == 0)
            session.Close();  // the second round opens again after Close
    }
    // Opening an open session again replaces it instead of piling up ports.
    ASSERT_EQ(session.Open("127.0.0.1", "admin"), VLVelunor::Ok);
    EXPECT_EQ(session.isdnPorts.size(), 2u);
    EXPECT_EQ(fake.Connections(), 3);
    session.Close();
    EXPECT_FALSE(session.IsConnected());
    EXPECT_EQ(session.router, nullptr);
    EXPECT_EQ(session.filters, nullptr);
    EXPECT_EQ(session.locations, nullptr);
    EXPECT_TRUE(session.isdnPorts.empty());
    session.Close();
}

TEST(Session, WriteEthernetCopiesBackAndFails) {
    const struct {
        const char* what;
        std::string refuse;
        bool throws;
        bool copied;
    } cases[] = {
        {"accepted", "", false, true},
        {"write refused", "set ether0 address", true, false},
        {"save refused", "save address", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRouter fake;
        if (!c.refuse.empty())
            fake.refuse = {c.refuse};
        ASSERT_TRUE(fake.Start());
        VLVelunor session;
        ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok);
        EtherConfig current(*session.EtherInterface(0));
        EXPECT_STREQ(current.address, "10.0.0.1");  // from the global record
        EXPECT_STREQ(current.name, "ether0");
        EtherConfig desired(current);
        desired.SetAddress("192.168.5.1");
        desired.SetNetmask("255.255.0.0");
        bool threw = false;
        try {
            session.WriteEthernet(current, desired, 1);
        } catch (const VLVelunor::Failure&) {
            threw = true;
        }
        EXPECT_EQ(threw, c.throws);
        EXPECT_STREQ(current.address, c.copied ? "192.168.5.1" : "10.0.0.1");
        EXPECT_STREQ(current.netmask, c.copied ? "255.255.0.0" : "255.255.255.0");
        auto commands = fake.Commands();
        EXPECT_TRUE(Sent(commands, "set ether0 address 192.168.5.1"));
        EXPECT_TRUE(Sent(commands, "set ether0 netmask 255.255.0.0"));
        EXPECT_EQ(Sent(commands, "save address"), !c.refuse.starts_with("set"));
    }
}

TEST(Session, DialOutcomes) {
    struct Case {
        const char* what;
        std::vector<std::string> states;  // port S2: at Open, then one per poll
        uint32_t reason, cause;
        std::string refuse;
        int dropAtStatus;
        VLVelunor::ReturnCode expected;
        bool debugOff;
    };
    const Case cases[] = {
        {"comes up", {"IDLE", "COMMAND", "COMMAND", "ESTABLISHED"}, 0, 0, "", -1, VLVelunor::Ok,
         false},
        {"busy", {"IDLE", "COMMAND", "IDLE"}, 0, 17, "", -1, VLVelunor::Busy, true},
        {"rejected", {"IDLE", "IDLE"}, 12, 0, "", -1, VLVelunor::Rejected, true},
        {"no class", {"IDLE", "IDLE"}, 26, 0, "", -1, VLVelunor::CommandFailed, true},
        {"no service, cause first", {"IDLE", "NO-SERVICE"}, 3, 65, "", -1, VLVelunor::NoAnswer,
         true},
        {"case matters", {"IDLE", "established", "ESTABLISHED"}, 0, 0, "", -1, VLVelunor::Ok,
         false},
        {"dial refused", {"IDLE"}, 0, 0, "dial", -1, VLVelunor::CommandFailed, false},
        // Open reads global, ether, 4 ports, then global and ether again; the first poll's
        // global read is the 9th request.
        {"read fails while waiting", {"IDLE"}, 3, 0, "", 9, VLVelunor::DialFailed11, true},
        {"stuck in COMMAND", {"IDLE", "COMMAND"}, 0, 0, "", -1, VLVelunor::CommandFailed, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRouter fake;
        fake.ports[2].states = c.states;
        fake.ports[2].reason = c.reason;
        fake.ports[2].cause = c.cause;
        if (!c.refuse.empty())
            fake.refuse = {c.refuse};
        fake.dropAtStatus = c.dropAtStatus;
        ASSERT_TRUE(fake.Start());
        VLVelunor session;
        ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok);
        int before = fake.StatusRequests();
        long long start = platform::NowMs();
        EXPECT_EQ(session.Dial("isp", 1, 2), c.expected);
        long long elapsed = platform::NowMs() - start;
        auto commands = fake.Commands();
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(commands[0], "dial isp -x");
        bool dialed = c.refuse.empty();
        EXPECT_EQ(Sent(commands, "set debug 0x51"), dialed);
        EXPECT_EQ(Sent(commands, "reset console"), dialed);
        if (c.dropAtStatus < 0) {  // a dropped connection cannot carry it
            EXPECT_EQ(Sent(commands, "set debug 0x0"), c.debugOff);
        }
        if (std::string(c.what) == "comes up") {
            EXPECT_GE(elapsed, 2 * platform::ScaledMs(1000));
        }
        if (std::string(c.what) == "stuck in COMMAND") {
            // Each poll reads the global record, one interface and four ports.
            EXPECT_EQ(fake.StatusRequests() - before, VLVelunor::MaxDialPolls * 6);
        }
    }
}

TEST(Session, DialWithoutWaitSendsOnlyTheDial) {
    FakeRouter fake;
    ASSERT_TRUE(fake.Start());
    VLVelunor session;
    ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok);
    EXPECT_EQ(session.Dial("isp", 0, 1), VLVelunor::Ok);
    EXPECT_EQ(fake.Commands(), std::vector<std::string>{"dial isp -x"});
}

TEST(Session, LocationList) {
    FakeRouter fake;
    fake.locations = {IspLocation};
    ASSERT_TRUE(fake.Start());
    VLVelunor session;
    ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok);
    LocationList& list = *session.locations;
    ASSERT_FALSE(list.IsEmpty());
    VlLocation* isp = list.Find("isp");
    ASSERT_NE(isp, nullptr);
    EXPECT_STREQ(isp->username, "joe");
    EXPECT_STREQ(isp->telephone, "5551212");
    EXPECT_EQ(list.Find("ISP"), nullptr);
    EXPECT_EQ(list.Find("is"), nullptr);
    EXPECT_EQ(list.Begin().Name(), "isp");
    EXPECT_TRUE(list.Begin() == list.Last());
    LocationIterator it = list.Begin();
    EXPECT_TRUE(it++ == list.Begin());
    EXPECT_EQ(it.node, nullptr);

    Location same;
    same.SetName("isp");
    try {
        list.Add(same);
        ADD_FAILURE() << "Add of an existing name must throw";
    } catch (VLVelunor::ReturnCode code) {
        EXPECT_EQ(code, VLVelunor::LocationExists);
    }
    EXPECT_TRUE(fake.Commands().empty()) << "nothing may be sent";

    Location missing;
    missing.SetName("office");
    VlLocation notInList = missing;
    try {
        list.Modify(missing, &notInList);
        ADD_FAILURE() << "Modify of a missing location must throw";
    } catch (VLVelunor::ReturnCode code) {
        EXPECT_EQ(code, VLVelunor::LocationNotFound);
    }

    Location desired(*isp);
    desired.SetTelephone("5559999");
    EXPECT_EQ(list.Modify(desired, isp), isp);
    EXPECT_TRUE(Sent(fake.Commands(), "set isp telephone 5559999"));
    EXPECT_STREQ(isp->telephone, "5551212") << "the list record keeps its old contents";
}

TEST(Session, FilterListAddAndModify) {
    FakeRouter fake;
    fake.filters = {"isp.in 1 0 |1 64 10.0.0.0 24 0.0.0.0 0 0 0 0"};
    ASSERT_TRUE(fake.Start());
    VLVelunor session;
    ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok);
    FilterList& list = *session.filters;
    VlFilter* existing = list.Find("isp.in");
    ASSERT_NE(existing, nullptr);
    EXPECT_EQ(existing->ip_count, 1);
    EXPECT_EQ(list.Find("ISP.IN"), nullptr);

    Filter f;
    f.SetName("isp.in");
    FilterRule rule;
    rule.SetProtocol("TCP");
    rule.SetDestinationPort("80");
    f.AddRule(rule, 3);
    EXPECT_EQ(list.Add(f), nullptr);
    EXPECT_TRUE(fake.Commands().empty());

    f.SetName("isp.out");
    VlFilter* added = list.Add(f);
    ASSERT_NE(added, nullptr);
    EXPECT_NE(added, static_cast<VlFilter*>(&f));
    EXPECT_EQ(list.Find("isp.out"), added);
    EXPECT_EQ(list.Begin().Name(), "isp.in");  // sorted by name
    EXPECT_EQ(list.Last().Name(), "isp.out");
    auto commands = fake.Commands();
    EXPECT_TRUE(Sent(commands, "add filter isp.out"));
    EXPECT_TRUE(Sent(commands, "save filter"));

    f.SetName("isp.in");
    f.AddRule(rule, 3);
    EXPECT_EQ(list.Modify(f, existing), existing);
    EXPECT_EQ(existing->ip_count, 2);
    EXPECT_EQ(existing->ip_rules->dst_port, 80);
    EXPECT_TRUE(Sent(fake.Commands(), "set filter isp.in blank"));

    // A refused write throws 65536 and leaves the list alone.
    FakeRouter refusing;
    refusing.refuse = {"add filter"};
    session.Close();
    fake.Stop();
    ASSERT_TRUE(refusing.Start());
    ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok);
    f.SetName("new");
    try {
        session.filters->Add(f);
        ADD_FAILURE() << "a refused add must throw";
    } catch (int code) {
        EXPECT_EQ(code, 65536);
    }
    EXPECT_EQ(session.filters->Find("new"), nullptr);
}

TEST(Session, GlobalConfigReadsTheSwitchTypeOrLeavesItUnknown) {
    const struct {
        const char* what;
        bool open;
        int dropAtStatus;  // Open makes 8 status requests; the 9th is GlobalConfig's
        std::string name;
    } cases[] = {
        {"read", true, -1, "Japan NTT"},
        {"read dropped", true, 9, ""},
        {"closed session", false, -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRouter fake;
        fake.isdnSwitch = 9;
        fake.dropAtStatus = c.dropAtStatus;
        ASSERT_TRUE(fake.Start());
        VLVelunor session;
        if (c.open) {
            ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok);
        }
        GlobalConfig global(session);
        EXPECT_EQ(global.SwitchTypeName(), c.name);
        EXPECT_EQ(global.current->port_count, 1);
        if (c.dropAtStatus > 0) {
            EXPECT_FALSE(session.IsConnected()) << "the failed read closed the shared socket";
        }
        // An unknown name leaves the number as it was.
        global.SetSwitchType("Japan KDD");
        EXPECT_EQ(global.isdn_switch, 8);
        EXPECT_EQ(global.SetSwitchType("Japan kdd"), 0);
        EXPECT_EQ(global.isdn_switch, 8);
    }
}

TEST(Session, GlobalAndPortWrites) {
    FakeRouter fake;
    fake.isdnSwitch = 9;
    fake.refuse = {"set W3"};
    ASSERT_TRUE(fake.Start());
    VLVelunor session;
    ASSERT_EQ(session.Open("127.0.0.1", ""), VLVelunor::Ok);
    {
        GlobalConfig global(session);
        EXPECT_EQ(global.SwitchTypeName(), "Japan NTT");
        global.SetSwitchType("France VN4");
        global.Write(0);
    }
    auto commands = fake.Commands();
    EXPECT_TRUE(Sent(commands, "set address 10.0.0.1"));
    EXPECT_TRUE(Sent(commands, "set isdn vn4"));
    EXPECT_FALSE(SentPrefix(commands, "set password"));

    // SPID and directory number reach the router whole: 20 and 16 digits.
    VlPort* live = session.IsdnPort(0);
    ASSERT_NE(live, nullptr);
    PortConfig port(*live);
    port.SetSpid("01234567890123456789");
    port.SetDirectory("0123456789012345");
    port.SetGroup("2");
    port.SetIdle("5");
    port.Write(session, live, 1);
    commands = fake.Commands();
    EXPECT_TRUE(Sent(commands, "set S1 spid 01234567890123456789"));
    EXPECT_TRUE(Sent(commands, "set S1 directory 0123456789012345"));
    EXPECT_TRUE(Sent(commands, "set S1 group 2"));
    EXPECT_TRUE(Sent(commands, "save S1"));
    EXPECT_FALSE(SentPrefix(commands, "set S1 idletime"));

    session.SetPassword("newpass");
    session.WriteGlobal();
    EXPECT_TRUE(Sent(fake.Commands(), "set password newpass"));

    VlPort* w3 = &session.router->ports[3];
    PortConfig wan(*w3);
    wan.SetGroup("7");
    EXPECT_THROW(wan.Write(session, w3, 0), int);
}
