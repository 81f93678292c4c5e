#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

uint32_t WaitForExit(const platform::Thread& t) {
    for (int i = 0; i < 2000 && t.ExitCode() == platform::Thread::StillActive; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return t.ExitCode();
}

} // namespace

TEST(Thread, ExitCodeIsStillActiveWhileRunningThenTheResult) {
    auto release = std::make_shared<std::atomic<bool>>(false);
    platform::Thread t;
    ASSERT_TRUE(t.Start([release] {
        while (!*release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 7u;
    }));
    EXPECT_EQ(t.ExitCode(), 259u);
    EXPECT_FALSE(t.Start([] { return 0u; })) << "a second start must be refused";
    *release = true;
    EXPECT_EQ(WaitForExit(t), 7u);
}

TEST(Thread, DestroyingWhileRunningNeitherBlocksNorCrashes) {
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    auto start = std::chrono::steady_clock::now();
    {
        platform::Thread t;
        ASSERT_TRUE(t.Start([release, finished] {
            while (!*release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            *finished = true;
            return 0u;
        }));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    *release = true;
    for (int i = 0; i < 2000 && !*finished; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(*finished);
}

TEST(Thread, AProcedureReturningTheStillActiveValueStillEnds) {
    platform::Thread t;
    ASSERT_TRUE(t.Start([] { return 259u; }));
    EXPECT_NE(WaitForExit(t), 259u);
}
