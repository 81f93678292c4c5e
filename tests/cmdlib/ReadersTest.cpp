// Record readers: the scanner, the global, Ethernet and port records, and the location
// and filter tables with their chunks, continuations and fallbacks.
#include "support/Peer.h"

#include <gtest/gtest.h>

#include <cstring>

using peer::Frame;
using peer::Peer;
using Texts = std::vector<std::string>;

namespace {

TEST(VlScan, FormatLanguage) {
    // Outputs: a text of 3 characters, a number and a text; untouched ones keep "kep" and 99.
    const struct {
        const char *input, *format, *text1;
        int32_t num;
        const char* text2;
    } cases[] = {
        {"abc 12k \"two words\"", "%s %d %q", "abc", 12000, "two words"},
        {"x -3K rest", "%s %d %q", "x", -3000, "rest"},
        {"\"no closing quote", "%q", "no ", 99, "keep"},
        {"a\tb c", "%s", "a", 99, "keep"},      // %s stops at a tab
        {"a\tb c", "%q", "a\tb", 99, "keep"},   // %q does not
        {"w 7 ", "%s %d %s", "w", 7, ""},       // trailing blank: one more field
        {"w\n7 z", "%s %d %s", "w", 99, "keep"}, // a newline ends the scan
        {"w zz q", "%s %d %s", "w", 0, "zz"},   // no digits reads 0
        {"w 09x q", "%s %d %s", "w", 9, "x"},
        {"a b", "%s %z %s", "a", 99, "keep"},   // an unknown conversion stops
        {"toolong\t5", "%s %d", "too", 5, "keep"},  // cut to the field
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " | " + c.format);
        char t1[4] = "kep", t2[32] = "keep";
        int32_t n = 99;
        const std::string f = c.format;
        if (f == "%q" || f == "%s")
            vl_scan(c.input, c.format, t1);
        else
            vl_scan(c.input, c.format, t1, &n, t2);
        EXPECT_STREQ(t1, c.text1);
        EXPECT_EQ(n, c.num);
        EXPECT_STREQ(t2, c.text2);
    }
    uint32_t a = 0, b = 0, d = 0;
    int32_t k = 0;
    vl_scan(vl_scan("1F 0x1f a0B9 2k", "%x %x %x", &a, &b, &d), "%d", &k);  // formats in a row
    EXPECT_EQ(std::vector<int64_t>({a, b, d, k}), std::vector<int64_t>({0x1F, 0x1F, 0xA0B9, 2000}));
    const std::pair<const char*, int> services[] = {{"Rlogin", 1}, {"Telnet@2323", 2}, {"Netdata", 3},
                                                    {"Rlogi", 0},  {"other@17", 0},     {"Telnetx", 2}};
    const int ports[] = {513, 2323, 6000, 1642, 17, 23};
    for (size_t i = 0; i < std::size(services); ++i) {
        int32_t port = -1;
        EXPECT_EQ(vl_parse_service(services[i].first, &port), services[i].second) << i;
        EXPECT_EQ(port, ports[i]) << i;
    }
}

std::string F1(const std::string& flags) {
    return "global 192.168.1.254 h1 10.0.0.1 255.255.255.0 8 st1 st2 h2 h3 h4 nis \"my domain\" " + flags +
           " 23 logger 0.0.0.0 2 st3 \"in f\"";
}
const std::string kF2 = " outf st5 st6 0000ABCD 2 ipxgw 3 2 65 7";

TEST(VlReadGlobal, CapabilityLadderAndTheSwitchField) {
    // A third format always brings status text 4, so rungs 0 and 1 come with rung 2.
    const uint32_t rung2 = 0x8 | 0x1 | 0x2, rung4 = 0x80000 | 0x2000 | 0x40 | 0x800 | rung2,
                   rung6 = 0x80 | 0x400 | 0x200 | 0x100 | 0x20000 | 0x4000 | 0x8000 | 0x40000 | rung4;
    const struct {
        std::string record;
        bool chapAccepted, probed;  // the router's answer to the CHAP probe; whether it was made
        uint32_t caps;
        int32_t isdnSwitch;
    } cases[] = {
        {F1("512"), false, true, 0, -1},
        {F1("512"), true, true, rung4 | 0x100, -1},
        {F1("65535"), false, true, 0, -1},
        {F1("65536"), false, true, rung4, -1},
        {F1("65536"), true, true, rung4 | 0x100, -1},
        {F1("0") + kF2, false, true, 0, 1},  // 65: att-5ess with its "active" bit
        {F1("0") + " outf st5 st6 0000ABCD 2 ipxgw 3 2 64 7", false, true, 0, 0},
        {F1("0") + " outf st5 st6 0000ABCD 2 ipxgw 3 2 -2 7", false, true, 0, -2},  // no index: left
        {F1("0") + kF2 + " st4 -1", false, true, rung2, 1},
        {F1("0") + kF2 + " - -1 s15 \"\" \"line\nmore\"", false, true, rung2, 1},
        {F1("0") + kF2 + " st4 1 s15 st7 \"st8\nsecond\" s9 s10 s11 s12 77 3 s13 s14", false, false, rung6, 1},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const auto& c = cases[i];
        peer::Router router;
        router.replies["8:"] = {c.record};
        router.replies["17:location"] = {"location 0 0"};
        if (!c.chapAccepted)
            router.refuse.insert("set loc __xy__ chap on");
        VlRouter got;
        auto frames = peer::With(router, [&](VlRouter* r) {
            r->capabilities = 0xFFFFFFFF;
            r->isdn_switch = 9;  // left from an earlier read: the reader must reset it
            EXPECT_EQ(vl_read_global(r), 0);
            EXPECT_GE(r->socket, 0);
            got = *r;
        });
        EXPECT_EQ(got.capabilities, c.caps) << std::hex << got.capabilities;
        EXPECT_EQ(got.isdn_switch, c.isdnSwitch);
        EXPECT_EQ(std::string(got.status_text8).find('\n'), std::string::npos);
        EXPECT_EQ(peer::Texts(frames), c.probed ? Texts({"add loc __xy__", "set loc __xy__ chap on", "del loc __xy__"})
                                                : Texts{});
    }
    // A broken reply or none closes the connection.
    for (const std::string& reply : {peer::FrameBytes(0, "glo", 20), std::string()}) {
        peer::With([&](Peer& p, const Frame&) { p.Send(reply); p.Close(); }, [](VlRouter* r) {
            EXPECT_EQ(vl_read_global(r), -1);
            EXPECT_LT(r->socket, 0);
        });
    }
}

TEST(VlReadEther, RequestsEachInterfaceByNameAndNeverPastTheTable) {
    peer::Router router;
    router.replies["8:ether0"] = {"ether0 10.0.0.1 255.0.0.0 9 inf \"out f\" 0000000A 3 extra"};
    router.replies["8:ether1"] = {"ether1 10.1.0.1 255.255.0.0 4"};
    VlRouter got;
    auto frames = peer::With(router, [&](VlRouter* r) {
        r->ether_count = 5;  // more than the record holds: only two are asked for
        EXPECT_EQ(vl_read_ether(r), 0);
        got = *r;
    });
    EXPECT_EQ(peer::Texts(frames, VL_MSG_STATUS), Texts({"ether0", "ether1"}));
    EXPECT_EQ(frames.at(0).payload, std::string("ether0\0", 7));
    EXPECT_EQ(Texts({got.ether[0].address, got.ether[0].ofilter, got.ether[0].extra, got.ether[1].name,
                     got.ether[1].ifilter}),
              Texts({"10.0.0.1", "out f", "extra", "ether1", ""}));
    EXPECT_EQ(got.ether[0].flags * 10 + got.ether[0].ipxframe, 93);
    EXPECT_NE(got.capabilities & VL_CAP_ETHER_EXTRA, 0u);
    // Older firmware sends no last field, and so has not the capability it stands for.
    router.replies["8:ether0"] = {"ether0 10.0.0.1 255.0.0.0 9 inf \"out f\" 0000000A 3"};
    peer::With(router, [](VlRouter* r) {
        r->ether_count = 2;
        r->capabilities = 0;
        EXPECT_EQ(vl_read_ether(r), 0);
        EXPECT_EQ(r->capabilities, 0u);
    });
    router.replies.erase("8:ether1");  // a failed request ends the read
    peer::With([&](Peer& p, const Frame& f) { f.Text() == "ether0" ? router(p, f) : p.Close(); }, [](VlRouter* r) {
        r->ether_count = 2;
        EXPECT_EQ(vl_read_ether(r), -1);
        EXPECT_LT(r->socket, 0);
    });
}

std::string Port(const std::string& name, const std::string& type = "Login",
                 const std::string& p5 = "p51 5551234567 5551234 3 5 6 p57 8 9 A 300 12",
                 const std::string& flags = "4097", const std::string& login = "Telnet@2323") {
    return name + " 12 8 1 - - " + type + " IDLE 1 2 3 9600 19200 115k /ttyS1 \"hello msg\" Unknown 4 - 5 6 7 36 - st25 "
           "h1 h2 h3 10.0.0.2 vt100 1 2 3 user " + flags + " 3 \"$h login: \" Telnet " + login +
           " Rlogin Netdata@7000 10.1.1.1 255.0.0.0 st5 192.168.7.9 \"p3 7\" 8 5 1500 11 0x1F 13 14 "
           "1F 2e 3 4 inf outf p47 p48 777 10 11 12 13 14 " + p5;
}

std::vector<VlPort> ReadPorts(const peer::Router& router, size_t count, const char* st2 = "", const char* st3 = "",
                              int32_t* isdn = nullptr) {
    std::vector<VlPort> ports(count);
    peer::With(router, [&](VlRouter* r) {
        std::strcpy(r->status_text2, st2);
        std::strcpy(r->status_text3, st3);
        r->ports = ports.data();
        r->port_count = static_cast<int32_t>(count);
        EXPECT_EQ(vl_read_ports(r), 0);
        if (isdn)
            *isdn = r->isdn_present;
    });
    return ports;
}

TEST(VlReadPorts, FieldsConversionsAndDerivedValues) {
    peer::Router router;
    router.replies["8:0"] = {Port("S1")};
    // A WAN port: idle already in seconds (0x80000), its low "login port" is its LMI.
    router.replies["8:1"] = {Port("W0", "Netwrk", "p51 \"\" \"\" 2 5 -1 p57 8 9 A 90 12", "524288", "Telnet@17")};
    const std::vector<VlPort> ports = ReadPorts(router, 2);
    const VlPort &s = ports[0], &w = ports[1];
    EXPECT_EQ(Texts({s.name, s.parity, s.cd, s.conn_state, s.device, s.message, s.state, s.host[3], s.prompt,
                     s.destination_mask2, s.ipxnet, s.spid, w.ipxnet}),
              Texts({"S1", "", "", "IDLE", "ttyS1", "hello msg", "Login", "10.0.0.2", "$hostname login: ", "255.0.0.0",
                     "00000000", "5551234567", "C0A80709"}));
    EXPECT_EQ(std::vector<int64_t>({s.p1_2, s.databits, s.stopbits, s.speed[2], s.line_flags, s.p2_13_service,
                                    s.p2_13_port, s.login_service, s.login_port, s.p3_1_service, s.p3_1_port,
                                    s.device_service, s.device_port, s.map, s.p4_1, s.p4_2, s.p4_9, s.port_type,
                                    s.term_reason, s.isdn_cause, s.idle, w.port_type, w.lmi, w.idle}),
              std::vector<int64_t>({12, 8, 1, 115000, 36, 2, 23, 2, 2323, 1, 513, 3, 7000, 0x1F, 0x1F, 0x2E, 777, 128,
                                    9, 10, 600, 64, 17, 90}));
}

TEST(VlReadPorts, ClassDerivation) {
    auto coded = [](const char* name, const char* code) { return Port(name, "Login", std::string("p51 s d ") + code); };
    const struct {
        Texts replies;  // records (only the first field unless coded)
        const char *st2, *st3;
        std::vector<int> classes;
        int isdn;
    } cases[] = {
        {{"S0", "S1", "W2", "P3"}, "", "", {16, 16, 64, 32}, 0},
        {{"S0", "W1", "S2"}, "", "", {16, 64, 64}, 0},  // a WAN port read before
        {{"S0", "S1"}, "xRx", "", {16, 64}, 0},
        {{"S0", "S1"}, "", "4.1", {16, 64}, 0},
        {{"S0", "S1"}, "", "3", {16, 64}, 0},
        {{"S0", "S1", "S2", "S3", "S4", "S5"}, "R", "", {16, 16, 16, 16, 16, 16}, 0},  // more than 5 ports
        {{coded("S0", "0"), coded("S1", "1"), coded("S2", "2"), coded("S3", "3"), coded("S4", "69"),
          coded("S5", "200")}, "", "", {16, 32, 64, 128, 69, 16}, 1},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        peer::Router router;
        for (size_t p = 0; p < cases[i].replies.size(); ++p)
            router.replies["8:" + std::to_string(p)] = {cases[i].replies[p]};
        int32_t isdn = -5;
        std::vector<int> classes;
        for (const VlPort& p : ReadPorts(router, cases[i].replies.size(), cases[i].st2, cases[i].st3, &isdn))
            classes.push_back(p.port_type);
        EXPECT_EQ(classes, cases[i].classes) << i;
        EXPECT_EQ(isdn, cases[i].isdn) << i;
    }
}

TEST(VlReadPorts, EightPortsGoAsSixAndTwoAndASystemMessageKeepsThePort) {
    // The router answers a group once it has all its requests; a request that arrives
    // while the group is unanswered means the group was too large.
    int pending = 0, answered = 0;
    bool overrun = false;
    std::vector<int> groups;
    std::vector<VlPort> ports(8);
    std::strcpy(ports[2].name, "keep");
    auto frames = peer::With(
        [&](Peer& p, const Frame&) {
            if (++pending < 6 && answered + pending < 8)
                return;
            overrun = overrun || p.MoreArrivesWithin(50);
            std::string out;
            for (int i = 0; i < pending; ++i) {
                const std::string name = std::string("S").append(std::to_string(answered + i));
                out += peer::TextFrame(answered + i == 2 ? "SYSMSG port busy" : name);
            }
            groups.push_back(pending);
            answered += pending;
            pending = 0;
            p.Send(out);
        },
        [&](VlRouter* r) {
            r->ports = ports.data();
            r->port_count = 8;
            EXPECT_EQ(vl_read_ports(r), 0);
        });
    EXPECT_FALSE(overrun);
    EXPECT_EQ(groups, (std::vector<int>{6, 2}));
    EXPECT_EQ(peer::Texts(frames, VL_MSG_STATUS), Texts({"0", "1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(frames.at(1).payload, std::string("1\0", 2));  // queued frames are padded to even
    EXPECT_STREQ(ports[2].name, "keep");
    EXPECT_STREQ(ports[7].name, "S7");
    peer::With([](Peer& p, const Frame&) { p.FailAfter(10); p.Send(peer::TextFrame("S0 12 8 1 - - Login IDLE")); },
               [&](VlRouter* r) {
                   r->ports = ports.data();
                   r->port_count = 1;
                   EXPECT_EQ(vl_read_ports(r), -1);
                   EXPECT_LT(r->socket, 0);
               });
}

std::string Loc(const std::string& name, const std::string& account = "\"\"", const std::string& flags2 = "0") {
    return name + " 10.0.0.0 255.0.0.0 1 36 5 2 3 \"ATDT\" 1500 A inf outf 00000000 v25 " + account + " " + flags2 +
           " 7 s1 s2";
}

Texts Names(const VlLocation* l) {
    Texts out;
    for (; l != nullptr; l = l->next)
        out.push_back(l->name);
    return out;
}

TEST(VlReadLocations, ChunksContinuationsSortingAccountsAndBrokenTables) {
    const std::string account = std::string("1\x02") + "5551234&5555678\x02user\x02pw\x02";
    peer::Router router;
    router.replies["17:location"] = {"location 5 2", Loc("isp", account, "140"), Loc("c")};
    router.replies["17:location 2"] = {Loc("a", "\"0\x02x\x02y\x02z\x02\""), Loc("d", "\"1\x02x\"")};
    router.replies["17:location 4"] = {Loc("b")};
    for (uint32_t caps : {0u, uint32_t{VL_CAP_IDLE_SECONDS}}) {
        auto frames = peer::With(router, [&](VlRouter* r) {
            r->capabilities = caps;
            VlLocation* list = vl_read_locations(r);
            ASSERT_EQ(Names(list), Texts({"a", "b", "c", "d", "isp"}));
            const VlLocation& isp = *list->next->next->next->next;
            EXPECT_EQ(Texts({isp.telephone, isp.telephone2, isp.username, isp.password, isp.script, isp.status_text2,
                             list->username, list->next->next->next->telephone}),
                      Texts({"5551234", "5555678", "user", "pw", "ATDT", "s2", "", ""}));  // marker 0; cut short
            EXPECT_EQ(std::vector<int64_t>({isp.flags2, isp.map, isp.status_num, isp.idle, list->idle}),
                      std::vector<int64_t>({0x140, 0xA, 7, caps ? 5 : 300, 300}));  // "a" has no seconds flag
            vl_free_locations(list);
            EXPECT_GE(r->socket, 0);
        });
        EXPECT_EQ(peer::Texts(frames, VL_MSG_TABLE), Texts({"location", "location 2", "location 4"}));
        EXPECT_EQ(frames.at(1).payload, std::string("location 2\0", 11));
    }
    const struct {
        Texts reply;
        size_t failAfter;  // bytes the router sends before it drops the line
        bool open;
    } broken[] = {{{"filters 3 0"}, SIZE_MAX, true}, {{"location 0 0"}, SIZE_MAX, true},
                  {{"location 2 0", Loc("a"), Loc("b")}, 60, false}};
    for (const auto& c : broken) {
        peer::With(
            [&](Peer& p, const Frame&) {
                std::string all;
                for (const std::string& t : c.reply)
                    all += peer::TextFrame(t);
                p.FailAfter(c.failAfter);
                p.Send(all);
            },
            [&](VlRouter* r) {
                EXPECT_EQ(vl_read_locations(r), nullptr);
                EXPECT_EQ(r->socket >= 0, c.open);
            });
    }
}

Texts Names(const VlFilter* f) {
    Texts out;
    for (; f != nullptr; f = f->next)
        out.push_back(f->name + std::string(":") + std::to_string(f->ip_count) + std::to_string(f->ipx_count) +
                      std::to_string(f->sap_count));
    return out;
}

TEST(VlReadFilters, TheOlderTablesWhenTheNewerOneYieldsNothingAndNoMoreWhenTheyDoNot) {
    peer::Router old;
    old.replies["17:bigfilt"] = {"filters 0 0"};
    old.replies["17:filters"] = {"filters 3 2",
                                 "isp.in 2 |1 66 10.0.0.0 8 0.0.0.0 0 6 0 25 |2 0 0.0.0.0 0 10.1.1.1 32 17 0 53",
                                 "a.out 1 |7 64 1.1.1.1 32 2.2.2.2 32 1 8 0"};
    old.replies["17:filters 2"] = {"b 3 |1 0 x 0 y 0 0 0 0 junk"};  // one rule behind a "|"
    old.replies["17:ipxfilt"] = {"ipxfilt 2 0", "isp.in 1 |1 17 0000ABCD HOST 451 N H 0x452 |2 0 x y 1 x y 2",
                                 "ghost 1 |1 0 x y 1 x y 2"};  // rules past the count are not read
    old.replies["17:sapfilt"] = {"sapfilt 1 0", "a.out 1 |1 32 FS1 4 N H 451"};
    auto frames = peer::With(old, [](VlRouter* r) {
        VlFilter* list = vl_read_filters(r);
        ASSERT_EQ(Names(list), Texts({"a.out:101", "b:100", "isp.in:210"}));
        const VlFilterRule* r1 = list->next->next->ip_rules;
        EXPECT_EQ(Texts({r1->src, r1->next->dst, list->next->next->ipx_rules->srcnet, list->sap_rules->server}),
                  Texts({"10.0.0.0", "10.1.1.1", "0000ABCD", "FS1"}));
        EXPECT_EQ(std::vector<int64_t>({r1->flags, r1->src_bits, r1->protocol, r1->dst_port, r1->next->dst_port,
                                        list->next->next->ipx_rules->srcsocket, list->next->next->ipx_rules->dstsocket,
                                        list->sap_rules->service}),
                  std::vector<int64_t>({66, 8, 6, 25, 53, 0x451, 0x452, 4}));
        vl_free_filters(list);
        EXPECT_GE(r->socket, 0);
    });
    EXPECT_EQ(peer::Texts(frames, VL_MSG_TABLE), Texts({"bigfilt", "filters", "filters 2", "ipxfilt", "sapfilt"}));
    EXPECT_EQ(frames.at(0).payload, std::string("bigfilt\0\0", 9));
    EXPECT_EQ(frames.at(1).payload, std::string("filters\0\0", 9));
    EXPECT_EQ(frames.at(3).payload, std::string("ipxfilt\0", 8));
    for (const char* header : {"filters 0 0", "nofilt 2 0"}) {  // no IP table: nothing to attach to
        peer::Router none = old;
        none.replies["17:filters"] = {header};
        frames = peer::With(none, [](VlRouter* r) {
            EXPECT_EQ(vl_read_filters(r), nullptr);
            EXPECT_GE(r->socket, 0);
        });
        EXPECT_EQ(peer::Texts(frames, VL_MSG_TABLE), Texts({"bigfilt", "filters"})) << header;
    }
    // A broken exchange closes the connection and asks for nothing more.
    frames = peer::With(
        [](Peer& p, const Frame&) {
            p.FailAfter(40);
            p.Send(peer::TextFrame("bigfilt 2 0 0") + peer::TextFrame("f 1 0 |1 0 a 0 b 0 6 0 80\n"));
        },
        [](VlRouter* r) {
            EXPECT_EQ(vl_read_filters(r), nullptr);
            EXPECT_LT(r->socket, 0);
        });
    EXPECT_EQ(frames.size(), 1u);
}

TEST(VlReadBigfilt, ChunksAndContinuedFilters) {
    auto rules = [](int from, int to) {
        std::string out;
        for (int i = from; i <= to; ++i)
            out += " |" + std::to_string(i) + " 64 10.0.0.0 8 0.0.0.0 0 6 0 80";
        return out;
    };
    const struct {
        std::map<std::string, Texts> replies;
        Texts requests, filters;
    } cases[] = {
        // The router streams: zeta's line ends after two of its three rules, so the rest of
        // the first run (alpha) follows the answers to the continuation, which come twice
        // for the first filter.
        {{{"bigfilt", {"bigfilt 4 99 2", "zeta 3 0" + rules(1, 2) + "\n"}},
          {"bigfilt 0 2", {"zeta 3 0 |ignored", "zeta 3 0" + rules(3, 3) + "\n", "alpha 1 0" + rules(1, 1) + "\n"}},
          {"bigfilt 2 0", {"mid 2 0" + rules(1, 1) + "\n"}},
          {"bigfilt 2 1", {"mid 2 0" + rules(2, 2) + "\n", "empty 0 0\n"}}},
         {"bigfilt", "bigfilt 0 2", "bigfilt 2 0", "bigfilt 2 1"},
         {"alpha:100", "empty:000", "mid:200", "zeta:300"}},
        // A first line without any rule is continued; a continuation that brings none is not asked again.
        {{{"bigfilt", {"bigfilt 1 0 0", "late 1 0\n"}}, {"bigfilt 0 0", {"late 1 0 |x", "late 1 0 |5 0 a 0 b 0 6 0 80\n"}}},
         {"bigfilt", "bigfilt 0 0"}, {"late:100"}},
        {{{"bigfilt", {"bigfilt 1 0 0", "f 5 0 |1 0 a 0 b 0 6 0 80\n"}}, {"bigfilt 0 1", {"f 5 0\n", "f 5 0\n"}}},
         {"bigfilt", "bigfilt 0 1"}, {"f:100"}},
    };
    for (const auto& c : cases) {
        peer::Router router;
        for (const auto& [request, replies] : c.replies)
            router.replies["17:" + request] = replies;
        auto frames = peer::With(router, [&](VlRouter* r) {
            VlFilter* list = vl_read_bigfilt(r);
            EXPECT_EQ(Names(list), c.filters);
            vl_free_filters(list);
        });
        EXPECT_EQ(peer::Texts(frames, VL_MSG_TABLE), c.requests);
    }
}

} // namespace
