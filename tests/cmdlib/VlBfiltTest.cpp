// Reading the filter tables: the newer table with its continuations, and the fallback
// to the three older ones.
#include "support/Peer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using peer::Frame;
using peer::Peer;

namespace {

std::vector<std::string> Names(const VlFilter* list) {
    std::vector<std::string> out;
    for (; list != nullptr; list = list->next)
        out.push_back(list->name);
    return out;
}

std::vector<int> Numbers(const VlFilter* f) {
    std::vector<int> out;
    for (const VlFilterRule* r = f->ip_rules; r != nullptr; r = r->next)
        out.push_back(r->number);
    return out;
}

TEST(VlReadFilters, AnotherWordForBigfiltFallsBackToTheOlderTables) {
    peer::Router router;
    router.replies["17:bigfilt"] = {"filters 0 0"};
    router.replies["17:filters"] = {"filters 3 2",
                                    "isp.in 2 |1 66 10.0.0.0 8 0.0.0.0 0 6 0 25 |2 0 0.0.0.0 0 10.1.1.1 32 17 0 53",
                                    "a.out 1 |7 64 1.1.1.1 32 2.2.2.2 32 1 8 0"};
    router.replies["17:filters 2"] = {"b 3 |1 0 x 0 y 0 0 0 0 junk"};
    router.replies["17:ipxfilt"] = {"ipxfilt 2 0", "isp.in 1 |1 17 0000ABCD HOST 451 N H 0x452",
                                    "ghost 1 |1 0 x y 1 x y 2"};
    router.replies["17:sapfilt"] = {"sapfilt 1 0", "a.out 1 |1 32 FS1 4 N H 451"};
    Peer p(router);
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    VlFilter* list = vl_read_filters(&r);
    ASSERT_NE(list, nullptr);
    EXPECT_GE(r.socket, 0);
    const std::vector<Frame> f = p.Frames();
    ASSERT_EQ(f.size(), 5u);
    EXPECT_EQ(f[0].payload, std::string("bigfilt\0\0", 9));
    EXPECT_EQ(f[1].payload, std::string("filters\0\0", 9));
    EXPECT_EQ(f[2].payload, std::string("filters 2\0", 10));
    EXPECT_EQ(f[3].payload, std::string("ipxfilt\0", 8));
    EXPECT_EQ(f[4].payload, std::string("sapfilt\0", 8));

    EXPECT_EQ(Names(list), (std::vector<std::string>{"a.out", "b", "isp.in"}));
    const VlFilter* aout = list;
    const VlFilter* b = list->next;
    const VlFilter* isp = b->next;
    ASSERT_EQ(isp->ip_count, 2);
    const VlFilterRule* r1 = isp->ip_rules;
    EXPECT_EQ(r1->flags, 66);
    EXPECT_STREQ(r1->src, "10.0.0.0");
    EXPECT_EQ(r1->src_bits, 8);
    EXPECT_EQ(r1->protocol, 6);
    EXPECT_EQ(r1->dst_port, 25);
    EXPECT_STREQ(r1->next->dst, "10.1.1.1");
    EXPECT_EQ(r1->next->dst_port, 53);
    EXPECT_EQ(b->ip_count, 1);  // only one rule behind a "|"
    ASSERT_EQ(isp->ipx_count, 1);
    EXPECT_STREQ(isp->ipx_rules->srcnet, "0000ABCD");
    EXPECT_EQ(isp->ipx_rules->srcsocket, 0x451u);
    EXPECT_EQ(isp->ipx_rules->dstsocket, 0x452u);
    EXPECT_EQ(aout->ipx_count, 0);
    ASSERT_EQ(aout->sap_count, 1);
    EXPECT_STREQ(aout->sap_rules->server, "FS1");
    EXPECT_EQ(aout->sap_rules->service, 4u);
    vl_free_filters(list);
    vl_close(&r);
}

TEST(VlReadFilters, WithoutAnOlderIpTableNoIpxOrSapTableIsAskedFor) {
    for (const char* header : {"filters 0 0", "nofilt 2 0"}) {
        SCOPED_TRACE(header);
        peer::Router router;
        router.replies["17:bigfilt"] = {"bigfilt 0 0 0"};
        router.replies["17:filters"] = {header};
        router.replies["17:ipxfilt"] = {"ipxfilt 0 0"};
        router.replies["17:sapfilt"] = {"sapfilt 0 0"};
        Peer p(router);
        VlRouter r;
        ASSERT_TRUE(p.Connect(&r));
        EXPECT_EQ(vl_read_filters(&r), nullptr);
        EXPECT_EQ(p.Requests(VL_MSG_TABLE), (std::vector<std::string>{"bigfilt", "filters"}));
        EXPECT_GE(r.socket, 0);
        vl_close(&r);
    }
}

TEST(VlReadBigfilt, ChunksAndContinuedFilters) {
    auto rules = [&](int from, int to) {
        std::string out;
        for (int i = from; i <= to; ++i)
            out += " |" + std::to_string(i) + " 64 10.0.0.0 8 0.0.0.0 0 6 0 80";
        return out;
    };
    peer::Router router;
    // The router streams: f0's line ends after two of its three rules, so the rest of
    // the first run (f1) follows the answers to the continuation.
    router.replies["17:bigfilt"] = {"bigfilt 4 99 2", "zeta 3 0" + rules(1, 2) + "\n"};
    router.replies["17:bigfilt 0 2"] = {"zeta 3 0 |ignored", "zeta 3 0" + rules(3, 3) + "\n",
                                        "alpha 1 0" + rules(1, 1) + "\n"};
    router.replies["17:bigfilt 2 0"] = {"mid 2 0" + rules(1, 1) + "\n"};
    router.replies["17:bigfilt 2 1"] = {"mid 2 0" + rules(2, 2) + "\n", "empty 0 0\n"};
    Peer p(router);
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    VlFilter* list = vl_read_bigfilt(&r);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(p.Requests(VL_MSG_TABLE),
              (std::vector<std::string>{"bigfilt", "bigfilt 0 2", "bigfilt 2 0", "bigfilt 2 1"}));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"alpha", "empty", "mid", "zeta"}));
    EXPECT_EQ(Numbers(list), (std::vector<int>{1}));
    EXPECT_EQ(Numbers(list->next), (std::vector<int>{}));
    EXPECT_EQ(Numbers(list->next->next), (std::vector<int>{1, 2}));
    EXPECT_EQ(Numbers(list->next->next->next), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(list->next->next->next->ip_count, 3);
    vl_free_filters(list);
    vl_close(&r);
}

TEST(VlReadBigfilt, ARouterThatNeverSendsTheRestIsNotAskedForever) {
    peer::Router router;
    router.replies["17:bigfilt"] = {"bigfilt 1 0 0", "f 5 0 |1 0 a 0 b 0 6 0 80\n"};
    router.replies["17:bigfilt 0 1"] = {"f 5 0\n", "f 5 0\n"};
    Peer p(router);
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    VlFilter* list = vl_read_bigfilt(&r);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->ip_count, 1);
    EXPECT_EQ(p.Requests(VL_MSG_TABLE).size(), 2u);
    vl_free_filters(list);
    vl_close(&r);
}

TEST(VlReadFilters, ABrokenExchangeClosesAndReturnsNothing) {
    Peer p([](Peer& peer, const Frame&) {
        peer.FailAfter(40);
        peer.Send(peer::TextFrame("bigfilt 2 0 0") + peer::TextFrame("f 1 0 |1 0 a 0 b 0 6 0 80\n") +
                  peer::TextFrame("g 0 0"));
    });
    VlRouter r;
    ASSERT_TRUE(p.Connect(&r));
    EXPECT_EQ(vl_read_filters(&r), nullptr);
    EXPECT_LT(r.socket, 0);
}

} // namespace
