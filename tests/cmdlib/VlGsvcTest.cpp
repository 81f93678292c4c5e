// Record readers: the scanner, the global and Ethernet records, the port table and the
// location table.
#include "support/Peer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using peer::Frame;
using peer::Peer;

namespace {

constexpr long kWaitMs = 5000;

TEST(VlScan, FormatLanguage) {
    // Outputs: a text, a number and a text, in the order the format names them; the
    // untouched ones keep "keep" and 99.
    const struct {
        const char *input, *format, *text1;
        int32_t num;
        const char* text2;
    } cases[] = {
        {"abc 12k \"two words\"", "%s %d %q", "abc", 12000, "two words"},
        {"x -3K rest", "%s %d %q", "x", -3000, "rest"},
        {"\"no closing quote here", "%q", "no closing quote here", 99, "keep"},
        {"a\tb c", "%s", "a", 99, "keep"},       // %s stops at a tab
        {"a\tb c", "%q", "a\tb", 99, "keep"},    // %q does not
        {"w 7 ", "%s %d %s", "w", 7, ""},        // trailing blank: one more field
        {"w 7", "%s %d %s", "w", 7, "keep"},
        {"w\n7 z", "%s %d %s", "w", 99, "keep"}, // a newline ends the scan
        {"w zz q", "%s %d %s", "w", 0, "zz"},    // no digits reads 0
        {"w 09x q", "%s %d %s", "w", 9, "x"},
        {"a b", "%s %z %s", "a", 99, "keep"},    // an unknown conversion stops
        {"toolong\t5", "%s %d", "too", 5, "keep"},  // cut to the field
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " | " + c.format);
        char t1[4] = "kep", t2[32] = "keep";
        int32_t n = 99;
        const std::string f = c.format;
        if (f == "%q" || f == "%s")
            vl_scan(c.input, c.format, t1);
        else if (f == "%s %d")
            vl_scan(c.input, c.format, t1, &n);
        else
            vl_scan(c.input, c.format, t1, &n, t2);
        EXPECT_EQ(std::string(t1), std::string(c.text1).substr(0, 3));
        EXPECT_EQ(n, c.num);
        EXPECT_STREQ(t2, c.text2);
    }
    uint32_t a = 0, b = 0, d = 0;
    int32_t k = 0;
    const char* rest = vl_scan("1F 0x1f a0B9 2k", "%x %x %x", &a, &b, &d);
    EXPECT_EQ(a, 0x1Fu);
    EXPECT_EQ(b, 0x1Fu);
    EXPECT_EQ(d, 0xA0B9u);
    vl_scan(rest, "%d", &k);  // a long record is read with several formats in a row
    EXPECT_EQ(k, 2000);
}

TEST(VlParseService, NamesAndPorts) {
    const struct {
        const char* text;
        int service, port;
    } cases[] = {{"Rlogin", 1, 513}, {"Telnet@2323", 2, 2323}, {"Netdata", 3, 6000}, {"Rlogi", 0, 1642},
                 {"", 0, 1642},      {"other@17", 0, 17},      {"Telnetx", 2, 23}};
    for (const auto& c : cases) {
        int32_t port = -1;
        EXPECT_EQ(vl_parse_service(c.text, &port), c.service) << c.text;
        EXPECT_EQ(port, c.port) << c.text;
    }
}

// ---- global record --------------------------------------------------------------------

std::string F1(const std::string& flags) {
    return "global 192.168.1.254 h1 10.0.0.1 255.255.255.0 8 st1 st2 h2 h3 h4 nis "
           "\"my domain\" " + flags + " 23 logger 0.0.0.0 2 st3 \"in f\"";
}
const std::string kF2 = " outf st5 st6 0000ABCD 2 ipxgw 3 2 65 7";

void ExpectProbe(Peer& p, bool probed) {
    const std::vector<std::string> cmds = p.Commands();
    if (!probed) {
        EXPECT_TRUE(cmds.empty());
        EXPECT_TRUE(p.Requests(VL_MSG_TABLE).empty());
        return;
    }
    EXPECT_EQ(p.Requests(VL_MSG_TABLE), std::vector<std::string>{"location"});
    EXPECT_EQ(cmds, (std::vector<std::string>{"add loc __xy__", "set loc __xy__ chap on",
                                              "del loc __xy__"}));
}

TEST(VlReadGlobal, CapabilityLadder) {
    // A third format always brings status text 4, so rungs 0 and 1 come with rung 2.
    const uint32_t rung2 = 0x8 | 0x1 | 0x2;
    const uint32_t rung4 = 0x80000 | 0x2000 | 0x40 | 0x800 | rung2;
    const uint32_t rung6 = 0x80 | 0x400 | 0x200 | 0x100 | 0x20000 | 0x4000 | 0x8000 | 0x40000 | rung4;
    struct Case {
        const char* name;
        std::string record;
        bool chap_accepted;  // the router's answer to the probe
        bool probed;
        uint32_t caps;
    };
    const Case cases[] = {
        {"first format only", F1("512"), false, true, 0},
        {"first format only, location CHAP accepted", F1("512"), true, true, rung4 | 0x100},
        {"flags 0xFFFF", F1("65535"), false, true, 0},
        {"flags above 0xFFFF", F1("65536"), false, true, rung4},
        {"flags above 0xFFFF, CHAP accepted", F1("65536"), true, true, rung4 | 0x100},
        {"two formats", F1("0") + kF2, false, true, 0},
        {"status text 4", F1("0") + kF2 + " st4 -1", false, true, rung2},
        {"status text 8", F1("0") + kF2 + " - -1 s15 \"\" \"line\nmore\"", false, true, rung2},
        {"newest", F1("0") + kF2 + " st4 1 s15 st7 \"st8\nsecond\" s9 s10 s11 s12 77 3 s13 s14",
         false, false, rung6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        peer::Router router;
        router.replies["8:"] = {c.record};
        router.replies["17:location"] = {"location 0 0"};
        if (!c.chap_accepted)
            router.refuse.insert("set loc __xy__ chap on");
        Peer p(router);
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        r.capabilities = 0xFFFFFFFF;
        ASSERT_EQ(vl_read_global(&r), 0);
        EXPECT_EQ(r.capabilities, c.caps) << std::hex << r.capabilities;
        ExpectProbe(p, c.probed);
        EXPECT_EQ(std::string(r.status_text8).find('\n'), std::string::npos);
        EXPECT_EQ(r.socket >= 0, true);
        vl_close(&r);
    }
}

TEST(VlReadGlobal, ActiveBitIsTakenOffAKnownSwitchTypeOnly) {
    struct Case {
        const char* field;  // the switch field of the record, or "" when the record ends before it
        int32_t expected;
    };
    const Case cases[] = {
        {"65", 1},   // att-5ess with its lines registered
        {"1", 1},
        {"64", 0},
        {"-1", -1},  // unknown: stays unknown, not -65
        {"-2", -2},  // any other negative value is not a switch index either
        {"", -1},    // older firmware: absent
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        const std::string second =
            *c.field ? std::string(" outf st5 st6 0000ABCD 2 ipxgw 3 2 ") + c.field + " 7" : "";
        peer::Router router;
        router.replies["8:"] = {F1("0") + second};
        router.replies["17:location"] = {"location 0 0"};
        Peer p(router);
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        r.isdn_switch = 9;  // left from an earlier read: the reader must reset it
        ASSERT_EQ(vl_read_global(&r), 0);
        EXPECT_EQ(r.isdn_switch, c.expected);
        vl_close(&r);
    }
}

TEST(VlReadGlobal, FailuresCloseTheConnection) {
    for (bool silent : {false, true}) {
        Peer p([&](Peer& peer, const Frame&) {
            if (!silent)
                peer.Send(peer::FrameBytes(0, "glo", 20));
            peer.Close();
        });
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        EXPECT_EQ(vl_read_global(&r), -1);
        EXPECT_LT(r.socket, 0);
    }
}

TEST(VlReadEther, RequestsEachInterfaceByNameAndNeverPastTheTable) {
    peer::Router router;
    router.replies["8:ether0"] = {"ether0 10.0.0.1 255.0.0.0 9 inf \"out f\" 0000000A 3 extra"};
    router.replies["8:ether1"] = {"ether1 10.1.0.1 255.255.0.0 4"};
    Peer p(router);
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    r.ether_count = 5;  // more than the record holds: only two are asked for
    ASSERT_EQ(vl_read_ether(&r), 0);
    std::vector<Frame> f = p.Frames();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].type, VL_MSG_STATUS);
    EXPECT_EQ(f[0].payload, std::string("ether0\0", 7));
    EXPECT_EQ(f[1].payload, std::string("ether1\0", 7));
    EXPECT_STREQ(r.ether[0].name, "ether0");
    EXPECT_STREQ(r.ether[0].address, "10.0.0.1");
    EXPECT_EQ(r.ether[0].flags, 9);
    EXPECT_STREQ(r.ether[0].ofilter, "out f");
    EXPECT_EQ(r.ether[0].ipxframe, 3);
    EXPECT_STREQ(r.ether[0].extra, "extra");
    EXPECT_STREQ(r.ether[1].name, "ether1");
    EXPECT_STREQ(r.ether[1].ifilter, "");
    EXPECT_NE(r.capabilities & VL_CAP_ETHER_EXTRA, 0u);
    vl_close(&r);
}

// ---- ports ----------------------------------------------------------------------------

struct PortText {
    std::string name = "S1";
    std::string type = "Login";
    std::string p5 = "p51 5551234567 5551234 3 5 6 p57 8 9 A 300 12";
    std::string ip = "192.168.7.9";
    std::string flags = "4097";
    std::string login = "Telnet@2323";

    std::string Text() const {
        return name + " 12 8 1 - - " + type + " IDLE 1 2 3 9600 19200 115k /ttyS1 \"hello msg\" "
               "Unknown 4 - 5 6 7 36 - st25 " +
               "h1 h2 h3 10.0.0.2 vt100 1 2 3 user " + flags + " 3 \"$h login: \" Telnet " + login +
               " " +
               "Rlogin Netdata@7000 10.1.1.1 255.0.0.0 st5 " + ip + " \"p3 7\" 8 5 1500 11 "
               "0x1F 13 14 " +
               "1F 2e 3 4 inf outf p47 p48 777 10 11 12 13 14 " + p5;
    }
};

TEST(VlReadPorts, FieldsConversionsAndDerivedValues) {
    PortText login;
    PortText net;
    net.name = "W0";
    net.type = "Netwrk";
    net.flags = "524288";  // 0x80000: idle already in seconds
    net.login = "Telnet@17";  // a WAN port's low "login port" is its LMI
    net.p5 = "p51 \"\" \"\" 2 5 -1 p57 8 9 A 90 12";
    peer::Router router;
    router.replies["8:0"] = {login.Text()};
    router.replies["8:1"] = {net.Text()};
    Peer p(router);
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    std::vector<VlPort> ports(2);
    r.ports = ports.data();
    r.port_count = 2;
    ASSERT_EQ(vl_read_ports(&r), 0);

    const VlPort& s = ports[0];
    EXPECT_EQ(std::vector<std::string>({s.name, s.parity, s.cd, s.conn_state, s.device, s.message, s.state,
                                        s.host[3], s.prompt, s.destination_mask2, s.ipxnet, s.spid}),
              std::vector<std::string>({"S1", "", "", "IDLE", "ttyS1", "hello msg", "Login", "10.0.0.2",
                                        "$hostname login: ", "255.0.0.0", "00000000", "5551234567"}));
    EXPECT_EQ(std::vector<int64_t>({s.p1_2, s.databits, s.stopbits, s.speed[2], s.line_flags, s.p2_13_service,
                                    s.p2_13_port, s.login_service, s.login_port, s.p3_1_service, s.p3_1_port,
                                    s.device_service, s.device_port, s.map, s.p4_1, s.p4_2, s.p4_9, s.port_type,
                                    s.term_reason, s.isdn_cause, s.idle}),
              std::vector<int64_t>({12, 8, 1, 115000, 36, 2, 23, 2, 2323, 1, 513, 3, 7000, 0x1F, 0x1F, 0x2E, 777,
                                    128, 9, 10, 600}));
    const VlPort& w = ports[1];
    EXPECT_EQ(w.port_type, 64);
    EXPECT_STREQ(w.ipxnet, "C0A80709");  // the port's address in hexadecimal
    EXPECT_EQ(w.lmi, 17);
    EXPECT_EQ(w.idle, 90);
    EXPECT_EQ(r.isdn_present, 1);
    EXPECT_NE(r.capabilities & VL_CAP_PORT_STATUS, 0u);
    EXPECT_NE(r.capabilities & VL_CAP_IDLE_SECONDS, 0u);
    vl_close(&r);
}

TEST(VlReadPorts, ClassDerivation) {
    struct Case {
        const char* name;
        std::vector<std::string> replies;  // records (only the first field unless given)
        const char* st2;
        const char* st3;
        std::vector<int> classes;
        int isdn;
    };
    auto coded = [](const char* name, const char* code) {
        PortText t;
        t.name = name;
        t.p5 = std::string("p51 s d ") + code;
        return t.Text();
    };
    const Case cases[] = {
        {"older router", {"S0", "S1", "W2", "P3"}, "", "", {16, 16, 64, 32}, 0},
        {"a WAN port read before", {"S0", "W1", "S2"}, "", "", {16, 64, 64}, 0},
        {"R in status text 2", {"S0", "S1"}, "xRx", "", {16, 64}, 0},
        {"status text 3 starts with 4", {"S0", "S1"}, "", "4.1", {16, 64}, 0},
        {"more than 5 ports", {"S0", "S1", "S2", "S3", "S4", "S5"}, "R", "", {16, 16, 16, 16, 16, 16}, 0},
        {"codes", {coded("S0", "0"), coded("S1", "1"), coded("S2", "2"), coded("S3", "3"),
                   coded("S4", "69"), coded("S5", "200")}, "", "", {16, 32, 64, 128, 69, 16}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        peer::Router router;
        for (size_t i = 0; i < c.replies.size(); ++i)
            router.replies["8:" + std::to_string(i)] = {c.replies[i]};
        Peer p(router);
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        std::strcpy(r.status_text2, c.st2);
        std::strcpy(r.status_text3, c.st3);
        std::vector<VlPort> ports(c.replies.size());
        r.ports = ports.data();
        r.port_count = static_cast<int32_t>(ports.size());
        ASSERT_EQ(vl_read_ports(&r), 0);
        for (size_t i = 0; i < ports.size(); ++i) {
            EXPECT_EQ(ports[i].port_type, c.classes[i]) << "port " << i;
        }
        EXPECT_EQ(r.isdn_present, c.isdn);
        vl_close(&r);
    }
}

TEST(VlReadPorts, EightPortsGoAsSixAndTwoAndASystemMessageKeepsThePort) {
    // The router answers a group only once it has all its requests; a request that
    // arrives while the group is still unanswered means the group was too large.
    int pending = 0, answered = 0;
    bool overrun = false;
    std::vector<int> groups;
    Peer p([&](Peer& peer, const Frame& f) {
        ASSERT_EQ(f.type, VL_MSG_STATUS);
        ++pending;
        if (pending < 6 && answered + pending < 8)
            return;
        overrun = overrun || peer.MoreArrivesWithin(50);
        std::string out;
        for (int i = 0; i < pending; ++i) {
            const int index = answered + i;
            out += peer::TextFrame(index == 2 ? "SYSMSG port busy" : "S" + std::to_string(index));
        }
        groups.push_back(pending);
        answered += pending;
        pending = 0;
        peer.Send(out);
    });
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    std::vector<VlPort> ports(8);
    std::strcpy(ports[2].name, "keep");
    r.ports = ports.data();
    r.port_count = 8;
    ASSERT_EQ(vl_read_ports(&r), 0);
    EXPECT_FALSE(overrun);
    EXPECT_EQ(groups, (std::vector<int>{6, 2}));
    const std::vector<Frame> frames = p.Frames();
    ASSERT_EQ(frames.size(), 8u);
    for (size_t i = 0; i < 8; ++i) {
        std::string want = std::to_string(i) + '\0';
        want.resize(want.size() + (want.size() & 1), '\0');  // queued frames are padded
        EXPECT_EQ(frames[i].payload, want);
    }
    EXPECT_STREQ(ports[2].name, "keep");
    EXPECT_STREQ(ports[7].name, "S7");
    vl_close(&r);
}

TEST(VlReadPorts, ABrokenReplyClosesTheConnection) {
    Peer p([](Peer& peer, const Frame&) {
        peer.FailAfter(10);
        peer.Send(peer::TextFrame("S0 12 8 1 - - Login IDLE"));
    });
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    std::vector<VlPort> ports(1);
    r.ports = ports.data();
    r.port_count = 1;
    EXPECT_EQ(vl_read_ports(&r), -1);
    EXPECT_LT(r.socket, 0);
}

// ---- locations ------------------------------------------------------------------------

std::string Loc(const std::string& name, const std::string& account = "\"\"",
                const std::string& flags2 = "0") {
    return name + " 10.0.0.0 255.0.0.0 1 36 5 2 3 \"ATDT\" 1500 A inf outf 00000000 v25 " +
           account + " " + flags2 + " 7 s1 s2";
}

TEST(VlReadLocations, ChunksContinuationsSortingAndAccounts) {
    const std::string account = std::string("1\x02") + "5551234&5555678\x02user\x02pw\x02";
    for (bool seconds : {false, true}) {
        SCOPED_TRACE(seconds ? "idle in seconds" : "idle in minutes");
        peer::Router router;
        router.replies["17:location"] = {"location 5 2", Loc("isp", account, "140"), Loc("c")};
        router.replies["17:location 2"] = {Loc("a", "\"0\x02x\x02y\x02z\x02\""), Loc("d", "\"1\x02x\"")};
        router.replies["17:location 4"] = {Loc("b")};
        Peer p(router);
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        r.capabilities = seconds ? uint32_t{VL_CAP_IDLE_SECONDS} : 0u;
        VlLocation* list = vl_read_locations(&r);
        ASSERT_NE(list, nullptr);
        std::vector<std::string> names;
        for (VlLocation* l = list; l != nullptr; l = l->next)
            names.push_back(l->name);
        EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c", "d", "isp"}));
        const std::vector<Frame> f = p.Frames();
        ASSERT_EQ(f.size(), 3u);
        EXPECT_EQ(f[0].payload, std::string("location\0", 9));
        EXPECT_EQ(f[1].payload, std::string("location 2\0", 11));
        EXPECT_EQ(f[2].payload, std::string("location 4\0", 11));

        VlLocation* isp = list->next->next->next->next;
        EXPECT_STREQ(isp->telephone, "5551234");
        EXPECT_STREQ(isp->telephone2, "5555678");
        EXPECT_STREQ(isp->username, "user");
        EXPECT_STREQ(isp->password, "pw");
        EXPECT_EQ(isp->flags2, 0x140);
        EXPECT_EQ(isp->map, 0xAu);
        EXPECT_STREQ(isp->script, "ATDT");
        EXPECT_EQ(isp->status_num, 7);
        EXPECT_STREQ(isp->status_text2, "s2");
        EXPECT_EQ(isp->idle, seconds ? 5 : 300);
        EXPECT_EQ(list->idle, 300);  // no seconds flag on "a"
        EXPECT_STREQ(list->username, "");          // marker 0
        EXPECT_STREQ(list->next->next->next->telephone, "");  // separators missing
        vl_free_locations(list);
        EXPECT_GE(r.socket, 0);
        vl_close(&r);
    }
}

TEST(VlReadLocations, EmptyWrongOrBrokenTables) {
    struct Case {
        const char* name;
        std::vector<std::string> reply;
        size_t fail_after;  // bytes the router sends before it drops the line
        bool open;
    };
    const Case cases[] = {
        {"wrong word", {"filters 3 0"}, SIZE_MAX, true},
        {"no records", {"location 0 0"}, SIZE_MAX, true},
        {"cut in a record", {"location 2 0", Loc("a"), Loc("b")}, 60, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Peer p([&](Peer& peer, const Frame&) {
            std::string all;
            for (const std::string& t : c.reply)
                all += peer::TextFrame(t);
            peer.FailAfter(c.fail_after);
            peer.Send(all);
        });
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        EXPECT_EQ(vl_read_locations(&r), nullptr);
        EXPECT_EQ(r.socket >= 0, c.open);
        vl_close(&r);
    }
}

} // namespace
