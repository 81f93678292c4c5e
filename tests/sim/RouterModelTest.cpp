// The router model driven in-process: every command family applied and read back through the
// records exactly as a client's scanner splits them, saved versus running across a restart,
// tables in chunks, ISDN registration and every dial outcome (on the model's own clock).
#include "SimClient.h"
#include "sim/RouterModel.h"

#include <gtest/gtest.h>

#include <cstdlib>

using simtest::Fields;

namespace {

// Field positions in the records, counted over the reader's formats in a row.
enum GlobalField {
    kGAddress = 1, kGHost1 = 2, kGGateway = 3, kGNetmask = 4, kGPortCount = 5, kGHost2 = 8,
    kGYpserver = 11, kGDomain = 12, kGFlags = 13, kGTelnet = 14, kGLoghost = 15,
    kGAssigned = 16, kGMetric = 17, kGIfilter = 19, kGOfilter = 20, kGIpxnet = 23,
    kGIpxframe = 24, kGIpxgateway = 25, kGIpxhops = 26, kGEtherCount = 27, kGSwitch = 28,
    kGStatus4 = 30, kGStatus7 = 33, kGFirmwareLevel = 40
};
enum PortField {
    kPName = 0, kPDatabits = 2, kPStopbits = 3, kPParity = 4, kPType = 6, kPConn = 7,
    kPSpeed1 = 11, kPSpeed2 = 12, kPDevice = 14, kPMessage = 15, kPLineFlags = 22,
    kPHost1 = 25, kPHost3 = 27, kPHost4 = 28, kPTerm = 29, kPUsername = 33, kPFlags = 34,
    kPOverride = 35, kPPrompt = 36, kPLoginService = 38, kPDestination = 41, kPDestMask = 42,
    kPAddress = 44, kPGroup = 47, kPMtu = 48, kPMap = 50, kPIfilter = 57, kPIdleMinutes = 62,
    kPSpid = 68, kPDirectory = 69, kPClass = 70, kPStatus56 = 72, kPReason = 75, kPCause = 76,
    kPIdle = 77, kPortFields = 79
};
enum LocationField {
    kLName = 0, kLDest = 1, kLNetmask = 2, kLGroup = 3, kLFlags = 4, kLIdle = 5, kLMaxports = 6,
    kLHighWater = 7, kLScript = 8, kLMtu = 9, kLMap = 10, kLIfilter = 11, kLOfilter = 12,
    kLIpxnet = 13, kLV25bis = 14, kLAccount = 15, kLFlags2 = 16, kLocationFields = 20
};

sim::SimConfig Config(const std::string& scenario) {
    sim::SimConfig cfg;
    std::string err;
    EXPECT_TRUE(sim::ParseScenario(scenario, cfg, &err)) << err;
    return cfg;
}

long Num(const std::string& field) { return std::strtol(field.c_str(), nullptr, 0); }
unsigned long Hex(const std::string& field) { return std::strtoul(field.c_str(), nullptr, 16); }

std::string Field(const std::string& record, size_t index) {
    std::vector<std::string> f = Fields(record);
    return index < f.size() ? f[index] : "<missing>";
}

std::string LocationRecord(sim::RouterModel& m, const std::string& name) {
    std::vector<std::string> t = m.TableReplies("location", 0);
    for (const std::string& r : t)
        if (Field(r, kLName) == name && Fields(r).size() == kLocationFields)
            return r;
    return "";
}

void MustApply(sim::RouterModel& m, const std::string& line, long long now = 0) {
    sim::CommandResult r = m.Apply(line, now);
    ASSERT_TRUE(r.ok) << line << ": " << r.error;
}

}  // namespace

TEST(RouterModel, GlobalRecordCarriesTheFormatsOfEachFirmware) {
    struct Case {
        const char* firmware;
        size_t fields;
        bool flagsAboveSixteenBits;
    } cases[] = {{"new", 43, true}, {"mid", 39, true}, {"old", 30, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware);
        sim::RouterModel m(Config(std::string("firmware = ") + c.firmware + "\n"));
        m.Boot(0);
        std::vector<std::string> f = Fields(m.GlobalRecord(0));
        ASSERT_EQ(f.size(), c.fields);
        EXPECT_EQ(f[kGAddress], "192.168.1.1");
        EXPECT_EQ(f[kGPortCount], "4");
        EXPECT_EQ(f[kGEtherCount], "2");
        EXPECT_EQ(Num(f[kGFlags]) > 0xFFFF, c.flagsAboveSixteenBits);
        if (c.fields > kGStatus7) {
            EXPECT_FALSE(f[kGStatus4].empty());
            EXPECT_FALSE(f[kGStatus7].empty());
        }
        if (c.fields > kGFirmwareLevel) {
            EXPECT_EQ(f[kGFirmwareLevel], "6");
        }
        // the Ethernet record's last text exists on newer firmware only
        EXPECT_EQ(Fields(m.EtherRecord(0)).size(), std::string(c.firmware) == "old" ? 8u : 9u);
    }
}

TEST(RouterModel, GlobalCommandsAreReadBack) {
    struct Case {
        const char* command;
        int field;
        const char* value;
    } cases[] = {
        {"set address 10.1.2.3", kGAddress, "10.1.2.3"},
        {"set host 1 10.0.0.4", kGHost1, "10.0.0.4"},
        {"set host 2 mailhost", kGHost2, "mailhost"},
        {"set gateway 10.0.0.1 3", kGGateway, "10.0.0.1"},
        {"set gateway 10.0.0.1 3", kGMetric, "3"},
        {"set netmask 255.255.0.0", kGNetmask, "255.255.0.0"},
        {"set ypserver nis1", kGYpserver, "nis1"},
        {"set domain tolvane example", kGDomain, "tolvane example"},
        {"set telnet 2323", kGTelnet, "2323"},
        {"set loghost 10.0.0.7", kGLoghost, "10.0.0.7"},
        {"set assigned 10.0.0.8", kGAssigned, "10.0.0.8"},
        {"set ifilter in1", kGIfilter, "in1"},
        {"set ofilter out1", kGOfilter, "out1"},
        {"set ipxnet 0000ABCD", kGIpxnet, "0000ABCD"},
        {"set ipxframe ethernet_ii", kGIpxframe, "3"},
        {"set ipxgateway 00000001 2", kGIpxgateway, "00000001"},
        {"set ipxgateway 00000001 2", kGIpxhops, "2"},
        {"set isdn dms-100", kGSwitch, "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        sim::RouterModel m(Config("isdn.register_ms = 100000\n"));
        m.Boot(0);
        MustApply(m, c.command);
        EXPECT_EQ(Field(m.GlobalRecord(0), c.field), c.value);
    }
}

TEST(RouterModel, GlobalSwitchCommandsSetTheirFlagBits) {
    struct Case {
        const char* command;
        unsigned set, clear;
    } cases[] = {
        {"set broadcast high", 0x8, 0},       {"set broadcast low", 0, 0x8},
        {"set namesvc nis", 0, 0x200},        {"set namesvc dns", 0x200, 0},
        {"set route broadcast", 0x21, 0},     {"set route on", 0x1, 0x20},
        {"set route off", 0x20, 0x1},         {"set route listen", 0, 0x21},
        {"set default on", 0xC0, 0},          {"set default broadcast", 0x40, 0x80},
        {"set default listen", 0x80, 0x40},   {"set default off", 0, 0xC0},
        {"set slip on", 0x2, 0},              {"set ethernet down", 0x4, 0},
        {"set snmp on", 0x10, 0},             {"set pap off", 0x8000, 0},
        {"set chap off", 0x20000, 0},         {"set serial-admin on", 0, 0x40000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        sim::RouterModel m(Config(""));
        m.Boot(0);
        MustApply(m, c.command);
        unsigned long flags = static_cast<unsigned long>(Num(Field(m.GlobalRecord(0), kGFlags)));
        EXPECT_EQ(flags & c.set, c.set);
        EXPECT_EQ(flags & c.clear, 0u);
    }
}

TEST(RouterModel, EthernetCommandsAreReadBack) {
    sim::RouterModel m(Config(""));
    m.Boot(0);
    // ether0 is the router's own interface: its address is the router's address
    MustApply(m, "set ether0 address 10.9.9.9");
    MustApply(m, "set ether0 netmask 255.0.0.0");
    EXPECT_EQ(Field(m.GlobalRecord(0), kGAddress), "10.9.9.9");
    EXPECT_EQ(Field(m.EtherRecord(0), 1), "10.9.9.9");
    EXPECT_EQ(Field(m.EtherRecord(0), 2), "255.0.0.0");

    MustApply(m, "set ether1 address 172.16.0.1");
    MustApply(m, "set ether1 route broadcast");
    MustApply(m, "set ether1 down");
    MustApply(m, "set ether1 broadcast high");
    MustApply(m, "set ether1 ifilter lan.in");
    MustApply(m, "set ether1 ipxframe ethernet_802.3");
    std::vector<std::string> f = Fields(m.EtherRecord(1));
    ASSERT_EQ(f.size(), 9u);
    EXPECT_EQ(f[0], "ether1");
    EXPECT_EQ(f[1], "172.16.0.1");
    EXPECT_EQ(Num(f[3]), 0x1 | 0x20 | 0x4 | 0x8);
    EXPECT_EQ(f[4], "lan.in");
    EXPECT_EQ(f[7], "2");
    EXPECT_EQ(Field(m.GlobalRecord(0), kGAddress), "10.9.9.9");  // untouched by ether1
}

TEST(RouterModel, PortCommandsAreReadBack) {
    struct Case {
        const char* command;
        const char* port;
        int field;
        const char* value;
    } cases[] = {
        // a 20-digit SPID and a 16-digit directory number arrive whole
        {"set S1 spid 01234567890123456789", "1", kPSpid, "01234567890123456789"},
        {"set S1 directory 5551234567890123", "1", kPDirectory, "5551234567890123"},
        {"set S2 group 22", "2", kPGroup, "22"},
        {"set S1 destination 10.0.0.2 255.255.255.255", "1", kPDestination, "10.0.0.2"},
        {"set S1 destination 10.0.0.2 255.255.255.255", "1", kPDestMask, "255.255.255.255"},
        {"set S1 mtu 1400", "1", kPMtu, "1400"},
        {"set S1 map 0xa", "1", kPMap, "a"},
        {"set S1 idletime 5", "1", kPIdle, "300"},
        {"set S1 idletime 5", "1", kPIdleMinutes, "5"},
        {"set S1 idletime 200 seconds", "1", kPIdle, "200"},
        {"set S1 address 10.0.0.9", "1", kPHost4, "10.0.0.9"},
        {"set S1 address 10.0.0.9", "1", kPAddress, "10.0.0.9"},
        {"set S1 ifilter isp.in", "1", kPIfilter, "isp.in"},
        {"set C0 prompt $hostname login: ", "0", kPPrompt, "$h login: "},
        {"set C0 term undefined", "0", kPTerm, ""},
        {"set C0 term vt220", "0", kPTerm, "vt220"},
        {"set C0 speed 1 128k", "0", kPSpeed1, "128000"},
        {"set C0 speed 2 115200", "0", kPSpeed2, "115200"},
        {"set C0 parity even", "0", kPParity, "even"},
        {"set C0 databits 7", "0", kPDatabits, "7"},
        {"set C0 stopbits 2", "0", kPStopbits, "2"},
        {"set C0 message Welcome to Tolvane", "0", kPMessage, "Welcome to Tolvane"},
        {"set W3 dlci 16,17", "3", kPMessage, "DLCI:16,17"},
        {"set C0 username op", "0", kPUsername, "op"},
        {"set C0 service_login telnet 2323", "0", kPLoginService, "Telnet@2323"},
        {"set C0 host 10.0.0.5", "0", kPHost1, "10.0.0.5"},
        {"set C0 host 3 10.0.0.6", "0", kPHost3, "10.0.0.6"},
        {"set W3 lmi 5", "3", kPLoginService, "Velunor@5"},
        {"set C0 login slip dialin", "0", kPType, "Login/Netwrk"},
        {"set S1 ppp", "1", kPType, "PPP"},
        {"set W3 twoway modem slip dialout", "3", kPType, "TwoWay/Netwrk"},
        {"set W3 twoway modem slip dialout", "3", kPDevice, "_modem"},
        {"set C0 device printer", "0", kPType, "Device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        sim::RouterModel m(Config(""));
        m.Boot(0);
        MustApply(m, c.command);
        std::string record = m.StatusReply(c.port, 0);
        ASSERT_EQ(Fields(record).size(), static_cast<size_t>(kPortFields)) << record;
        EXPECT_EQ(Field(record, c.field), c.value);
    }
}

TEST(RouterModel, PortSwitchCommandsSetTheirBits) {
    struct Case {
        const char* command;
        const char* port;
        int field;
        unsigned set, clear;
    } cases[] = {
        {"set S1 extended on", "1", kPFlags, 0x2, 0},
        {"set S1 compress on", "1", kPFlags, 0x100, 0},
        {"set S1 protocol slip", "1", kPFlags, 0, 0x200},
        {"set S1 routing broadcast", "1", kPFlags, 0x408, 0},
        {"set S1 routing off", "1", kPFlags, 0x400, 0x8},
        {"set S1 security on", "1", kPFlags, 0x1000, 0},
        {"set S1 hangup off", "1", kPFlags, 0x8000, 0},
        {"set C0 access off", "0", kPFlags, 0, 0x4000},
        {"set C0 host prompt", "0", kPFlags, 0x1, 0},
        {"set W3 annex-d 3", "3", kPFlags, 0x4000, 0},
        {"set C0 login slip twoway", "0", kPFlags, 0x30, 0},
        {"set C0 xon off", "0", kPLineFlags, 0x4, 0},
        {"set C0 rts on", "0", kPLineFlags, 0x20, 0},
        {"set C0 override parity on", "0", kPOverride, 0x10, 0},
        {"set C0 override xon/xoff on", "0", kPOverride, 0x1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        sim::RouterModel m(Config(""));
        m.Boot(0);
        MustApply(m, c.command);
        unsigned long v = static_cast<unsigned long>(Num(Field(m.StatusReply(c.port, 0), c.field)));
        EXPECT_EQ(v & c.set, c.set);
        EXPECT_EQ(v & c.clear, 0u);
    }
}

TEST(RouterModel, LocationCommandsAreReadBack) {
    struct Case {
        const char* command;
        int field;
        const char* value;
    } cases[] = {
        {"set isp dest 10.20.0.1", kLDest, "10.20.0.1"},
        {"set isp netmask 255.255.0.0", kLNetmask, "255.255.0.0"},
        {"set isp group 2", kLGroup, "2"},
        {"set isp idle 5", kLIdle, "300"},
        {"set isp idle 120 seconds", kLIdle, "120"},
        {"set isp maxports 2", kLMaxports, "2"},
        {"set isp high_water 5", kLHighWater, "5"},
        {"set isp mtu 1492", kLMtu, "1492"},
        {"set isp map 0xff", kLMap, "ff"},
        {"set isp ifilter isp.in", kLIfilter, "isp.in"},
        {"set isp ofilter isp.out", kLOfilter, "isp.out"},
        {"set isp ipxnet 0.0.0.0", kLIpxnet, "0.0.0.0"},
        {"set isp script all ATZ OK", kLScript, "ATZ OK"},
        {"set isp v25bis all CRN5551234", kLV25bis, "CRN5551234"},
        {"set loc isp group 3", kLGroup, "3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        sim::RouterModel m(Config(""));
        m.Boot(0);
        MustApply(m, "add location isp");
        MustApply(m, c.command);
        EXPECT_EQ(Field(LocationRecord(m, "isp"), c.field), c.value);
    }

    struct Bits {
        const char* command;
        int field;
        unsigned set, clear;
    } bits[] = {
        {"set isp rout off", kLFlags, 0x41, 0},       {"set isp rout listen", kLFlags, 0x1, 0x40},
        {"set isp rout broadcast", kLFlags, 0x40, 0x1}, {"set isp rout on", kLFlags, 0, 0x41},
        {"set isp continuous", kLFlags, 0x2, 0x4},    {"set isp on_demand", kLFlags, 0x4, 0x2},
        {"set isp manual", kLFlags, 0, 0x6},          {"set isp protocol slip", kLFlags, 0, 0x20},
        {"set isp compress off", kLFlags, 0, 0x8},    {"set isp chap on", kLFlags2, 0x40, 0},
        {"set isp voice on", kLFlags2, 0x4, 0},       {"set isp multilink on", kLFlags2, 0x2, 0},
    };
    for (const Bits& c : bits) {
        SCOPED_TRACE(c.command);
        sim::RouterModel m(Config(""));
        m.Boot(0);
        MustApply(m, "add location isp");
        MustApply(m, c.command);
        unsigned long v = c.field == kLFlags2 ? Hex(Field(LocationRecord(m, "isp"), c.field))
                                              : static_cast<unsigned long>(
                                                    Num(Field(LocationRecord(m, "isp"), c.field)));
        EXPECT_EQ(v & c.set, c.set);
        EXPECT_EQ(v & c.clear, 0u);
    }
}

TEST(RouterModel, AccountTextCarriesPhoneUserAndPassword) {
    struct Case {
        const char* telephone;
        const char* phoneField;
    } cases[] = {{"5551234", "5551234"}, {"5551234&5555678", "5551234&5555678"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.telephone);
        sim::RouterModel m(Config(""));
        m.Boot(0);
        MustApply(m, "add location isp");
        MustApply(m, std::string("set isp telephone ") + c.telephone);
        MustApply(m, "set isp username office user");
        MustApply(m, "set isp password s3cret");
        std::string account = Field(LocationRecord(m, "isp"), kLAccount);
        EXPECT_EQ(account, std::string("1\x02") + c.phoneField + "\x02office user\x02s3cret\x02");
    }
}

TEST(RouterModel, SavedSettingsSurviveARestartAndUnsavedOnesDoNot) {
    struct Case {
        const char* command;
        const char* save;  // "" = not saved
        const char* status;
        int field;
        const char* before;  // value at boot
        const char* changed;
    } cases[] = {
        {"set address 10.0.0.1", "save address", "", kGAddress, "192.168.1.1", "10.0.0.1"},
        {"set address 10.0.0.1", "", "", kGAddress, "192.168.1.1", "10.0.0.1"},
        {"set isdn net3", "save address", "", kGSwitch, "0", "5"},
        {"set isdn net3", "save S1", "", kGSwitch, "0", "5"},
        {"set S1 spid 0101", "save S1", "1", kPSpid, "", "0101"},
        {"set S1 spid 0101", "save S2", "1", kPSpid, "", "0101"},
        {"set S1 spid 0101", "save all", "1", kPSpid, "", "0101"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " / " + c.save);
        sim::RouterModel m(Config("isdn.register_ms = 100000\n"));
        m.Boot(0);
        MustApply(m, c.command);
        if (*c.save)
            MustApply(m, c.save);
        EXPECT_EQ(Field(m.StatusReply(c.status, 0), c.field), c.changed);
        m.Boot(0);
        bool kept = std::string(c.save) == "save all" ||
                    (std::string(c.save) == "save address" && *c.status == '\0') ||
                    (std::string(c.save) == "save S1" && *c.status == '1');
        EXPECT_EQ(Field(m.StatusReply(c.status, 0), c.field), kept ? c.changed : c.before);
    }

    // locations, filters and the password are saved by their own commands
    sim::RouterModel m(Config(""));
    m.Boot(0);
    MustApply(m, "add location isp");
    MustApply(m, "save location");
    MustApply(m, "add location other");
    MustApply(m, "add filter isp.in");
    MustApply(m, "save filter");
    MustApply(m, "add filter isp.out");
    MustApply(m, "set password n3w");
    m.Boot(0);
    EXPECT_NE(LocationRecord(m, "isp"), "");
    EXPECT_EQ(LocationRecord(m, "other"), "");
    EXPECT_EQ(m.Running().filters.count("isp.in"), 1u);
    EXPECT_EQ(m.Running().filters.count("isp.out"), 0u);
    EXPECT_TRUE(m.CheckPassword(""));
    MustApply(m, "set password n3w");
    MustApply(m, "save address");
    m.Boot(0);
    EXPECT_TRUE(m.CheckPassword("n3w"));
    EXPECT_FALSE(m.CheckPassword(""));
}

TEST(RouterModel, TablesComeInChunksWithContinuations) {
    for (int chunk : {0, 1, 2, 5, 7}) {
        SCOPED_TRACE(chunk);
        sim::RouterModel m(Config("table_chunk = " + std::to_string(chunk) + "\n"));
        m.Boot(0);
        // added out of order: the table lists them in byte order
        for (const char* name : {"loc5", "loc1", "loc3", "loc2", "loc4"})
            MustApply(m, std::string("add location ") + name);
        std::vector<std::string> replies = m.TableReplies("location", 0);
        ASSERT_FALSE(replies.empty());
        std::vector<std::string> header = Fields(replies[0]);
        ASSERT_EQ(header.size(), 3u);
        EXPECT_EQ(header[0], "location");
        EXPECT_EQ(header[1], "5");
        size_t perChunk = chunk == 0 ? 5u : static_cast<size_t>(std::min(chunk, 5));
        ASSERT_EQ(replies.size(), 1 + perChunk);
        std::vector<std::string> names;
        for (size_t i = 1; i < replies.size(); ++i)
            names.push_back(Field(replies[i], kLName));
        while (names.size() < 5) {
            std::vector<std::string> more =
                m.TableReplies("location " + std::to_string(names.size()), 0);
            ASSERT_FALSE(more.empty());
            ASSERT_LE(more.size(), perChunk);
            for (const std::string& r : more)
                names.push_back(Field(r, kLName));
        }
        EXPECT_EQ(names, (std::vector<std::string>{"loc1", "loc2", "loc3", "loc4", "loc5"}));
    }
}

TEST(RouterModel, BigfiltSplitsLongFiltersIntoRuleContinuations) {
    sim::RouterModel m(Config("bigfilt_rules_per_reply = 2\ntable_chunk = 0\n"));
    m.Boot(0);
    for (const char* name : {"a", "b"}) {
        MustApply(m, std::string("add filter ") + name);
        for (int i = 1; i <= 5; ++i)
            MustApply(m, std::string("set filter ") + name + " " + std::to_string(i) +
                             " permit 0.0.0.0/0 10.0.0." + std::to_string(i) +
                             "/32 tcp  dst eq " + std::to_string(20 + i));
    }
    std::vector<std::string> first = m.TableReplies("bigfilt", 0);
    ASSERT_EQ(first.size(), 3u);  // header, then one reply per filter
    EXPECT_EQ(Fields(first[0]), (std::vector<std::string>{"bigfilt", "2", "10", "0"}));
    auto rules = [](const std::string& reply) {
        std::vector<std::string> out;
        for (const std::string& f : Fields(reply))
            if (!f.empty() && f[0] == '|')
                out.push_back(f.substr(1));
        return out;
    };
    // each reply holds the filter's name, rule count, a number, then its first two rules
    EXPECT_EQ(Field(first[1], 0), "a");
    EXPECT_EQ(Field(first[1], 1), "5");
    EXPECT_EQ(rules(first[1]), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(first[1].back(), '\n');

    // filter 0 continues after a repeated header; any other filter without one
    std::vector<std::string> more0 = m.TableReplies("bigfilt 0 2", 0);
    ASSERT_EQ(more0.size(), 2u);
    EXPECT_EQ(Field(more0[0], 0), "bigfilt");
    EXPECT_EQ(Field(more0[1], 0), "a");
    EXPECT_EQ(rules(more0[1]), (std::vector<std::string>{"3", "4"}));
    std::vector<std::string> more1 = m.TableReplies("bigfilt 1 4", 0);
    ASSERT_EQ(more1.size(), 1u);
    EXPECT_EQ(Field(more1[0], 0), "b");
    EXPECT_EQ(rules(more1[0]), (std::vector<std::string>{"5"}));
    // the rule fields themselves: number flags src bits dst bits protocol sport dport
    std::vector<std::string> f = Fields(more1[0]);
    std::vector<std::string> rule(f.end() - 9, f.end());
    EXPECT_EQ(rule, (std::vector<std::string>{"|5", "22", "0.0.0.0", "0", "10.0.0.5", "32", "6",
                                              "0", "25"}));

    // older firmware has no such table: the header word says so
    sim::RouterModel old(Config("firmware = mid\n"));
    old.Boot(0);
    std::vector<std::string> none = old.TableReplies("bigfilt", 0);
    ASSERT_EQ(none.size(), 1u);
    EXPECT_NE(Field(none[0], 0), "bigfilt");
}

TEST(RouterModel, FilterRuleTextsBecomeRuleFields) {
    struct Case {
        const char* text;
        int flags;
        const char* src;
        int srcBits;
        const char* dst;
        int dstBits;
        int protocol;
        unsigned srcPort, dstPort;
    } cases[] = {
        {"deny   192.168.1.1/24 0.0.0.0/0 ", 0x41, "192.168.1.1", 24, "0.0.0.0", 0, 0, 0, 0},
        {"permit tcp   estab", 0x24, "0.0.0.0", 0, "0.0.0.0", 0, 6, 0, 0},
        {"permit 0.0.0.0/0 10.0.0.5/32 tcp  dst eq 21", 0x16, "0.0.0.0", 0, "10.0.0.5", 32, 6, 0,
         21},
        {"permit udp  src eq 53 ", 0xC, "0.0.0.0", 0, "0.0.0.0", 0, 17, 53, 0},
        {"permit tcp  src eq 20 dst gt 1023", 0x81C, "0.0.0.0", 0, "0.0.0.0", 0, 6, 20, 1023},
        {"permit tcp  src lt 1024 dst lt 80 log notify", 0x351C, "0.0.0.0", 0, "0.0.0.0", 0, 6,
         1024, 80},
        {"permit icmp  ", 0x4, "0.0.0.0", 0, "0.0.0.0", 0, 1, 0, 0},
        {"deny   icmp type 8 ", 0x4C, "0.0.0.0", 0, "0.0.0.0", 0, 1, 8, 0},
        {"permit lanhost 0.0.0.0/0  ", 0x4000, "lanhost", 0, "0.0.0.0", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        sim::IpRule r;
        std::string why;
        ASSERT_TRUE(sim::ParseIpRule(c.text, &r, &why)) << why;
        EXPECT_EQ(r.flags, c.flags);
        EXPECT_EQ(r.src, c.src);
        EXPECT_EQ(r.srcBits, c.srcBits);
        EXPECT_EQ(r.dst, c.dst);
        EXPECT_EQ(r.dstBits, c.dstBits);
        EXPECT_EQ(r.protocol, c.protocol);
        EXPECT_EQ(r.srcPort, c.srcPort);
        EXPECT_EQ(r.dstPort, c.dstPort);
    }
    for (const char* bad : {"", "allow tcp", "permit 10.0.0.0/33 0.0.0.0/0", "permit 10.0.0.0/8",
                            "permit tcp dst eq", "permit tcp dst is 80", "permit udp estab x"}) {
        sim::IpRule r;
        EXPECT_FALSE(sim::ParseIpRule(bad, &r, nullptr)) << bad;
    }
}

TEST(RouterModel, IpxAndSapRulesAreListedInTheOlderTables) {
    sim::RouterModel m(Config("firmware = old\n"));
    m.Boot(0);
    MustApply(m, "add filter ipx1");
    MustApply(m, "set ipxfilter ipx1 blank");
    MustApply(m, "set ipxfilter ipx1 1 deny   srcsocket gt 0451 dstnet 0000ABCD");
    MustApply(m, "set sapfilter ipx1 1 permit service 4 server FS1 socket eq 0452");
    MustApply(m, "set filter ipx1 1 permit icmp  ");
    std::vector<std::string> ipx = m.TableReplies("ipxfilt", 0);
    ASSERT_EQ(ipx.size(), 2u);
    EXPECT_EQ(Fields(ipx[0]), (std::vector<std::string>{"ipxfilt", "1", "4"}));
    // name count |number flags srcnet srchost srcsocket dstnet dsthost dstsocket
    std::vector<std::string> f = Fields(ipx[1]);
    ASSERT_EQ(f.size(), 10u);
    EXPECT_EQ(Num(f[3]), 0x40 | 0x200 | 0x10 | 0x2);
    EXPECT_EQ(Hex(f[6]), 0x451u);
    EXPECT_EQ(f[7], "0000ABCD");
    std::vector<std::string> sap = m.TableReplies("sapfilt", 0);
    ASSERT_EQ(sap.size(), 2u);
    // name count |number flags server service network host socket
    f = Fields(sap[1]);
    ASSERT_EQ(f.size(), 9u);
    EXPECT_EQ(Num(f[3]), 0x20 | 0x1 | 0x10);
    EXPECT_EQ(f[4], "FS1");
    EXPECT_EQ(Hex(f[5]), 4u);
    EXPECT_EQ(Hex(f[8]), 0x452u);
    std::vector<std::string> ip = m.TableReplies("filters", 0);
    ASSERT_EQ(ip.size(), 2u);
    EXPECT_EQ(Fields(ip[1]).size(), 11u);
}

TEST(RouterModel, MalformedOrUnknownCommandsAreRefusedWithAText) {
    sim::RouterModel m(Config("firmware = old\n"));
    m.Boot(0);
    MustApply(m, "add location isp");
    const std::string bad[] = {
        "", "frobnicate", "set", "set nothing 1", "set address 300.1.1.1", "set host 5 a",
        "set gateway", "set isdn 5ess", "set route sideways", "set telnet x", "set S1 group x",
        "set S1 speed 4 9600", "set C0 spid 1234", "set S1 spid 012345678901234567890",
        "set S1 directory 01234567890123456", "set S1 bogus on", "set isp dest nowhere",
        "set isp idle 5 seconds",  // old firmware reports minutes only
        "set isp chap on", "set pap on", "set isp telephone a\"b", "set isp password " +
                                                                        std::string(40, 'p'),
        "add location isp", "add location averyverylongname", "delete location none",
        "add filter isp.in extra", "set filter missing blank", "set filter", "dial nowhere",
        "save nothing", "reset everything", "reboot now", "add location S1",
    };
    for (const std::string& line : bad) {
        sim::CommandResult r = m.Apply(line, 0);
        EXPECT_FALSE(r.ok) << line;
        EXPECT_FALSE(r.error.empty()) << line;
    }
}

TEST(RouterModel, CapabilityCommandsFollowTheFirmware) {
    struct Case {
        const char* firmware;
        const char* extra;
        bool pap, locationChap, voice;
    } cases[] = {
        {"new", "", true, true, true},
        {"mid", "", true, true, false},
        {"mid", "location_chap = no\n", true, false, false},
        {"old", "", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.firmware) + " " + c.extra);
        sim::RouterModel m(Config(std::string("firmware = ") + c.firmware + "\n" + c.extra));
        m.Boot(0);
        EXPECT_EQ(m.Apply("set pap off", 0).ok, c.pap);
        // the per-location CHAP probe, as a client sends it
        EXPECT_TRUE(m.Apply("add loc __xy__", 0).ok);
        EXPECT_EQ(m.Apply("set loc __xy__ chap on", 0).ok, c.locationChap);
        EXPECT_EQ(m.Apply("set loc __xy__ voice on", 0).ok, c.voice);
        EXPECT_TRUE(m.Apply("del loc __xy__", 0).ok);
        EXPECT_EQ(m.TableReplies("location", 0).size(), 1u);  // header only: the probe is gone
    }
}

TEST(RouterModel, IsdnChannelsRegisterOnlyAsTheSwitchExpects) {
    struct Case {
        const char* scenario;
        const char* commands;  // applied before the restart, then saved
        const char* ch1;
        const char* ch2;
    } cases[] = {
        {"", "", "IDLE", "IDLE"},
        {"isdn.switch = dms-100\n", "", "NO-SERVICE", "NO-SERVICE"},
        {"isdn.switch = dms-100\n", "set isdn dms-100", "IDLE", "IDLE"},
        {"isdn.1.spid = 0101\nisdn.2.spid = 0202\n", "set S1 spid 0101", "IDLE", "NO-SERVICE"},
        {"isdn.1.spid = 0101\nisdn.2.spid = 0202\n", "set S1 spid 0101;set S2 spid 0202", "IDLE",
         "IDLE"},
        {"isdn.2.directory = 5551234\n", "set S2 directory 5559999", "IDLE", "NO-SERVICE"},
        {"isdn.2.register = no\n", "", "IDLE", "NO-SERVICE"},
        {"factory = yes\n", "", "NO-SERVICE", "NO-SERVICE"},
        {"factory = yes\n", "set isdn ni-1", "IDLE", "IDLE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.scenario) + c.commands);
        sim::RouterModel m(Config(std::string(c.scenario) + "isdn.register_ms = 1000\n"));
        m.Boot(0);
        std::string cmds = c.commands;
        size_t at = 0;
        while (at < cmds.size()) {
            size_t semi = cmds.find(';', at);
            MustApply(m, cmds.substr(at, semi - at));
            at = semi == std::string::npos ? cmds.size() : semi + 1;
        }
        MustApply(m, "save all");
        m.Boot(10000);
        // "NO-SERVICE" until the registration time has passed
        EXPECT_EQ(Field(m.StatusReply("1", 10999), kPConn), "NO-SERVICE");
        EXPECT_EQ(Field(m.StatusReply("2", 10999), kPConn), "NO-SERVICE");
        EXPECT_EQ(Field(m.StatusReply("1", 11000), kPConn), c.ch1);
        EXPECT_EQ(Field(m.StatusReply("2", 11000), kPConn), c.ch2);
        // the switch index carries bit 0x40 only while a line is up; -1 is "no switch"
        bool up = std::string(c.ch1) == "IDLE" || std::string(c.ch2) == "IDLE";
        long sw = Num(Field(m.GlobalRecord(11000), kGSwitch));
        if (sw >= 0) {
            EXPECT_EQ((sw & 0x40) != 0, up);
        } else {
            EXPECT_EQ(sw, -1);
            EXPECT_FALSE(up);
        }
    }
}

TEST(RouterModel, EachDialOutcomeEndsAsTheIspDecides) {
    struct Case {
        const char* outcome;
        const char* finalState;
        unsigned reason, cause;
    } cases[] = {
        {"ok", "ESTABLISHED", 0, 0},        {"busy", "IDLE", 0, 17},
        {"noanswer", "IDLE", 0, 18},        {"notsubscribed", "IDLE", 0, 50},
        {"auth", "IDLE", 21, 16},           {"rejected", "IDLE", 12, 16},
        {"fail:26:0", "IDLE", 26, 0},       {"hang", "COMMAND", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outcome);
        sim::RouterModel m(Config(std::string("isp.outcome = ") + c.outcome +
                                  "\nisdn.register_ms = 0\nisp.connect_ms = 1000\n"
                                  "isp.address = 127.0.0.9\n"));
        m.Boot(0);
        MustApply(m, "add location isp");
        MustApply(m, "set isp telephone 5551234");
        MustApply(m, "dial isp -x", 100);
        std::string during = m.StatusReply("1", 1099);
        EXPECT_EQ(Field(during, kPConn), "COMMAND");
        std::string after = m.StatusReply("1", 1100);
        EXPECT_EQ(Field(after, kPConn), c.finalState);
        EXPECT_EQ(Hex(Field(after, kPReason)), c.reason);
        EXPECT_EQ(Hex(Field(after, kPCause)), c.cause);
        // a connected port's remote address is its destination
        EXPECT_EQ(Field(after, kPDestination),
                  std::string(c.finalState) == "ESTABLISHED" ? "127.0.0.9" : "0.0.0.0");
        EXPECT_EQ(Field(m.StatusReply("2", 1100), kPConn), "IDLE");  // the other channel
        std::string console = m.TakeConsole(2000);
        EXPECT_NE(console.find("dialing isp (5551234) on S1"), std::string::npos) << console;
    }
}

TEST(RouterModel, DialPicksAnIdleChannelOfTheLocationsGroup) {
    sim::RouterModel m(Config("isdn.register_ms = 0\nisp.connect_ms = 0\n"
                              "isp.outcome = busy, ok\nisp.auth_only_with_chap = yes\n"));
    m.Boot(0);
    MustApply(m, "add location isp");
    MustApply(m, "set isp group 2");
    EXPECT_FALSE(m.Apply("dial isp -x", 0).ok);  // no channel in group 2 yet
    MustApply(m, "set S2 group 2");
    MustApply(m, "dial isp -x", 0);
    EXPECT_EQ(Field(m.StatusReply("2", 1), kPConn), "IDLE");  // busy, on S2
    EXPECT_EQ(Hex(Field(m.StatusReply("2", 1), kPCause)), 17u);
    MustApply(m, "dial isp", 2);
    EXPECT_EQ(Field(m.StatusReply("2", 3), kPConn), "ESTABLISHED");
    EXPECT_FALSE(m.Apply("dial isp", 4).ok);  // the only channel of the group is busy now
    MustApply(m, "reset all", 5);
    EXPECT_EQ(Field(m.StatusReply("2", 6), kPConn), "IDLE");

    // authentication fails only while the location asks for CHAP
    sim::RouterModel a(Config("isdn.register_ms = 0\nisp.connect_ms = 0\n"
                              "isp.outcome = auth\nisp.auth_only_with_chap = yes\n"));
    a.Boot(0);
    MustApply(a, "add location isp");
    MustApply(a, "set isp chap on");
    MustApply(a, "dial isp -x", 0);
    EXPECT_EQ(Field(a.StatusReply("1", 1), kPConn), "IDLE");
    MustApply(a, "set isp chap off", 2);
    MustApply(a, "dial isp -x", 2);
    EXPECT_EQ(Field(a.StatusReply("1", 3), kPConn), "ESTABLISHED");
}

TEST(RouterModel, OlderPortRecordsLeaveOutTheNewerFields) {
    struct Case {
        const char* scenario;
        size_t fields;
        const char* status56;
        const char* idle;
    } cases[] = {
        {"", kPortFields, "0", "120"},
        {"firmware = old\n", kPortFields, "-1", "-1"},
        {"port_formats = 4\n", 67, "<missing>", "<missing>"},
        {"port_formats = 1\n", 25, "<missing>", "<missing>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        sim::RouterModel m(Config(c.scenario));
        m.Boot(0);
        std::string r = m.StatusReply("1", 0);
        EXPECT_EQ(Fields(r).size(), c.fields);
        EXPECT_EQ(Field(r, kPStatus56), c.status56);
        EXPECT_EQ(Field(r, kPIdle), c.idle);
        EXPECT_EQ(Field(r, kPName), "S1");
    }
    // the port table is configurable; classes are the router's codes 0 to 3
    sim::RouterModel m(Config("ports = C0:async S1:isdn S2:isdn W3:sync P4:parallel S5:isdn "
                              "S6:async W7:sync\n"));
    m.Boot(0);
    EXPECT_EQ(Field(m.GlobalRecord(0), kGPortCount), "8");
    const char* classes[] = {"0", "3", "3", "2", "1", "3", "0", "2"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(Field(m.StatusReply(std::to_string(i), 0), kPClass), classes[i]) << i;
}
