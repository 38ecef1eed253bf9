// Work cut into parts run side by side.
#include "platform/parallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace qm;

TEST(ForEachPart, ThePartsCoverEveryItemOnceInOrderAndRespectTheirBounds) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (size_t count : {0u, 1u, 999u, 1000u, 1001u, 7919u, 100000u}) {
        for (unsigned most : {1u, 3u, 8u}) {
            std::vector<int> seen(count, 0);
            std::vector<std::pair<size_t, size_t>> parts(most, {0, 0});
            std::atomic<unsigned> calls{0};
            const unsigned used =
                ForEachPart(count, 1000, most, [&](unsigned part, size_t first, size_t end) {
                    ++calls;
                    parts.at(part) = {first, end};
                    for (size_t i = first; i < end; ++i) ++seen[i];
                });
            EXPECT_EQ(calls, used);
            // As many parts as allowed, none of fewer than 1000 items unless there is one.
            const size_t allowed = std::min<size_t>(most, cores);
            EXPECT_EQ(used, std::max<size_t>(1, std::min(count / 1000, allowed))) << count;
            // Part p is the p-th run of the items.
            size_t next = 0;
            for (unsigned p = 0; p < used; ++p) {
                EXPECT_EQ(parts[p].first, next);
                next = parts[p].second;
            }
            EXPECT_EQ(next, count);
            EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), static_cast<long>(count));
        }
    }
}

TEST(ForEachPart, TheFirstPartRunsHereAndAFailureIsRaisedAfterEveryPartEnded) {
    const std::thread::id here = std::this_thread::get_id();
    std::atomic<bool> firstHere{false};
    std::atomic<unsigned> ended{0};
    auto work = [&](unsigned part, size_t, size_t) {
        if (part == 0) firstHere = std::this_thread::get_id() == here;
        if (part == 1) throw std::runtime_error("part 1");
        ++ended;
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    if (cores < 2) {
        EXPECT_EQ(ForEachPart(10, 1, 4, work), 1u);
        EXPECT_TRUE(firstHere);
        return;
    }
    try {
        ForEachPart(cores * 10, 10, cores, work);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "part 1");
    }
    EXPECT_TRUE(firstHere);
    EXPECT_EQ(ended, cores - 1);
}
