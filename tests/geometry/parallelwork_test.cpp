#include "parallelwork.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Pieces of uneven cost, so that the threads finish them out of order.
void work(std::size_t piece) {
    volatile std::size_t sink = 0;
    for (std::size_t i = 0; i < (piece * 7919 % 13) * 20000; ++i) {
        sink = sink + i;
    }
}

TEST(RunInOrder, ConsumesEveryPieceOnceInOrderOnTheCallingThreadWithinItsWindow) {
    for (const unsigned threads : {1u, 2u, 4u}) {
        constexpr std::size_t PIECES = 200;
        constexpr std::size_t AHEAD = 3;
        std::vector<int> slots(AHEAD, -1);
        std::vector<std::size_t> consumed;
        std::atomic<std::size_t> inFlight{0};
        std::atomic<std::size_t> mostInFlight{0};
        bool elsewhere = false;
        const std::thread::id caller = std::this_thread::get_id();
        runInOrder(
            threads, PIECES, AHEAD,
            [&](std::size_t piece) {
                const std::size_t now = ++inFlight;
                std::size_t most = mostInFlight;
                while (now > most && !mostInFlight.compare_exchange_weak(most, now)) {
                }
                work(piece);
                slots[piece % AHEAD] = static_cast<int>(piece);
            },
            [&](std::size_t piece) {
                elsewhere = elsewhere || std::this_thread::get_id() != caller;
                EXPECT_EQ(slots[piece % AHEAD], static_cast<int>(piece));
                consumed.push_back(piece);
                --inFlight;
            });
        std::vector<std::size_t> expected(PIECES);
        for (std::size_t i = 0; i < PIECES; ++i) {
            expected[i] = i;
        }
        EXPECT_EQ(consumed, expected) << threads << " threads";
        EXPECT_FALSE(elsewhere);
        EXPECT_LE(mostInFlight, AHEAD);
    }
}

TEST(RunInOrder, AFailureOnAnyThreadReachesTheCallerAndStopsTheRest) {
    for (const std::size_t failing : {std::size_t{0}, std::size_t{37}}) {
        std::atomic<std::size_t> produced{0};
        const auto run = [&] {
            runInOrder(
                2, 1000, 4,
                [&](std::size_t piece) {
                    if (piece == failing) {
                        throw std::runtime_error("piece");
                    }
                    ++produced;
                    work(piece);
                },
                [](std::size_t) {});
        };
        EXPECT_THROW(run(), std::runtime_error);
        EXPECT_LT(produced, 1000u);
    }
    EXPECT_THROW(runInOrder(
                     2, 100, 4, [](std::size_t) {},
                     [](std::size_t piece) {
                         if (piece == 50) {
                             throw std::runtime_error("consume");
                         }
                     }),
                 std::runtime_error);
}

// Pieces fed one by one until the feed runs dry, as a file is read: each fed once on the calling
// thread before it is produced, consumed once in order there, never more than the window fed
// and not yet consumed, and a failure while feeding reaches the caller.
TEST(RunFedInOrder, FeedsProducesAndConsumesEveryPieceInOrderWithinItsWindow) {
    for (const unsigned threads : {1u, 2u, 4u}) {
        for (const std::size_t pieces : {std::size_t{0}, std::size_t{1}, std::size_t{157}}) {
            constexpr std::size_t AHEAD = 3;
            std::vector<int> fedSlots(AHEAD, -1);
            std::vector<int> producedSlots(AHEAD, -1);
            std::vector<std::size_t> fed;
            std::vector<std::size_t> consumed;
            std::size_t mostAhead = 0;
            bool elsewhere = false;
            const std::thread::id caller = std::this_thread::get_id();
            runFedInOrder(
                threads, AHEAD,
                [&](std::size_t piece) {
                    elsewhere = elsewhere || std::this_thread::get_id() != caller;
                    if (piece == pieces) {
                        return false;
                    }
                    fed.push_back(piece);
                    mostAhead = std::max(mostAhead, fed.size() - consumed.size());
                    fedSlots[piece % AHEAD] = static_cast<int>(piece);
                    return true;
                },
                [&](std::size_t piece) {
                    EXPECT_EQ(fedSlots[piece % AHEAD], static_cast<int>(piece));
                    work(piece);
                    producedSlots[piece % AHEAD] = static_cast<int>(piece);
                },
                [&](std::size_t piece) {
                    elsewhere = elsewhere || std::this_thread::get_id() != caller;
                    EXPECT_EQ(producedSlots[piece % AHEAD], static_cast<int>(piece));
                    consumed.push_back(piece);
                });
            std::vector<std::size_t> expected(pieces);
            for (std::size_t i = 0; i < pieces; ++i) {
                expected[i] = i;
            }
            EXPECT_EQ(fed, expected) << threads << " threads";
            EXPECT_EQ(consumed, expected) << threads << " threads";
            EXPECT_FALSE(elsewhere);
            EXPECT_LE(mostAhead, AHEAD);
        }
    }
    const auto failingFeed = [] {
        runFedInOrder(
            2, 4,
            [](std::size_t piece) {
                if (piece == 40) {
                    throw std::runtime_error("feed");
                }
                return true;
            },
            [](std::size_t piece) { work(piece); }, [](std::size_t) {});
    };
    EXPECT_THROW(failingFeed(), std::runtime_error);
}

} // namespace
