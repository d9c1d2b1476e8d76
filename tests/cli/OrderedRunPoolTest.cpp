// The pool that runs an ensemble: results in index order whatever order the jobs finish in,
// every job run once, cancelling keeps what has finished. Jobs wait on each other through
// futures, never on the clock, so the order of finishing is forced on any machine.

#include "OrderedRunPool.h"

#include <gtest/gtest.h>

#include <future>
#include <set>
#include <stdexcept>

using namespace std::chrono_literals;

namespace {

/// Waits up to a generous bound for the next result; fails the test when none comes.
template <class Result>
Result nextOf(OrderedRunPool<Result>& pool)
{
    for (int tries = 0; tries < 600; ++tries)
        if (auto result = pool.next(100ms))
            return *result;
    throw std::runtime_error("no result within a minute");
}

} // namespace

TEST(OrderedRunPool, HandsResultsBackInIndexOrderWhenTheyFinishBackwards)
{
    // Job 0 finishes only after job 2, job 1 only after job 0: the order of finishing is 2, 0, 1.
    std::promise<void> twoDone;
    std::promise<void> zeroDone;
    auto twoDoneFuture = twoDone.get_future().share();
    auto zeroDoneFuture = zeroDone.get_future().share();
    std::mutex orderMutex;
    std::vector<std::uint64_t> finishingOrder;
    OrderedRunPool<std::uint64_t> pool(3, 3, [&](std::uint64_t index, const std::atomic<bool>&) {
        if (index == 0)
            twoDoneFuture.wait();
        if (index == 1)
            zeroDoneFuture.wait();
        {
            std::lock_guard lock(orderMutex);
            finishingOrder.push_back(index);
        }
        if (index == 0)
            zeroDone.set_value();
        if (index == 2)
            twoDone.set_value();
        return index * 10;
    });
    EXPECT_EQ(nextOf(pool), 0u);
    EXPECT_EQ(nextOf(pool), 10u);
    EXPECT_EQ(nextOf(pool), 20u);
    EXPECT_FALSE(pool.next(1ms));
    EXPECT_TRUE(pool.allHandedBack());
    EXPECT_EQ(finishingOrder, (std::vector<std::uint64_t>{2, 0, 1}));
}

TEST(OrderedRunPool, RunsEveryJobOnceOnFewerThreads)
{
    std::mutex seenMutex;
    std::multiset<std::uint64_t> seen;
    OrderedRunPool<std::uint64_t> pool(50, 4, [&](std::uint64_t index, const std::atomic<bool>&) {
        std::lock_guard lock(seenMutex);
        seen.insert(index);
        return index;
    });
    for (std::uint64_t expected = 0; expected < 50; ++expected)
        ASSERT_EQ(nextOf(pool), expected);
    pool.join();
    EXPECT_EQ(seen.size(), 50u);
    EXPECT_EQ(std::set<std::uint64_t>(seen.begin(), seen.end()).size(), 50u);
}

TEST(OrderedRunPool, CancelStartsNoMoreJobsAndKeepsTheFinishedOnes)
{
    // Job 0 waits for the cancel; job 1 finishes before it. No third job may start.
    std::promise<void> oneDone;
    auto oneDoneFuture = oneDone.get_future().share();
    std::atomic<int> started{0};
    OrderedRunPool<int> pool(1000, 2, [&](std::uint64_t index, const std::atomic<bool>& cancelled) {
        ++started;
        if (index == 1) {
            oneDone.set_value();
            return 1;
        }
        while (!cancelled)
            std::this_thread::yield();
        return -1; // ended early: the caller's job tells such a result apart
    });
    oneDoneFuture.wait();
    // Job 1's thread may take job 2 before the cancel; the cancel stops anything after that.
    pool.cancel();
    pool.join();
    const std::vector<int> rest = pool.takeRest();
    EXPECT_LE(started.load(), 3);
    ASSERT_GE(rest.size(), 2u);
    EXPECT_EQ(rest[0], -1);
    EXPECT_EQ(rest[1], 1);
    EXPECT_TRUE(pool.allHandedBack());
}

TEST(OrderedRunPool, AJobsExceptionComesBackInItsTurn)
{
    OrderedRunPool<int> pool(3, 2, [](std::uint64_t index, const std::atomic<bool>&) {
        if (index == 1)
            throw std::runtime_error("job 1 failed");
        return static_cast<int>(index);
    });
    EXPECT_EQ(nextOf(pool), 0);
    EXPECT_THROW(nextOf(pool), std::runtime_error);
    EXPECT_EQ(nextOf(pool), 2);
}
