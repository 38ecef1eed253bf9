// Work cut into parts run side by side on the shared pool.
#include "platform/parallel.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace qm;

namespace {

// Parts forced on (or off) for the life of the object.
struct Forced {
    bool was;
    explicit Forced(bool on = true) : was(ForceParts(on)) {}
    ~Forced() { ForceParts(was); }
};

long ThreadNumber() {
    return syscall(SYS_gettid);
}

}  // namespace

TEST(ForEachPart, ThePartsCoverEveryItemOnceInOrderAndRespectTheirBounds) {
    // The processors the pool counts, not the machine's: a process may be kept to a few.
    const unsigned cores = PoolProcessors();
    for (bool force : {false, true}) {
        const bool was = ForceParts(force);
        for (size_t count : {0u, 1u, 2u, 999u, 1000u, 1001u, 7919u, 100000u}) {
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
                // As many parts as allowed, none of fewer than 1000 items unless there is one;
                // forced, two wherever two items and the bound allow them.
                const size_t allowed = std::min<size_t>(most, cores);
                size_t expected = std::max<size_t>(1, std::min(count / 1000, allowed));
                if (force) expected = std::max(expected, std::min<size_t>({count, most, 2}));
                EXPECT_EQ(used, expected) << count << " items, at most " << most;
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
        ForceParts(was);
    }
}

TEST(ForEachPart, TheFirstPartRunsHereAndAFailureIsRaisedAfterEveryPartEnded) {
    Forced forced;
    const std::thread::id here = std::this_thread::get_id();
    std::atomic<bool> firstHere{false};
    std::atomic<unsigned> begun{0}, ended{0};
    auto work = [&](unsigned part, size_t, size_t) {
        ++begun;
        if (part == 0) firstHere = std::this_thread::get_id() == here;
        if (part == 1) throw std::runtime_error("part 1");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ++ended;
    };
    const unsigned parts = std::max(2u, PoolProcessors());
    try {
        ForEachPart(parts * 10, 10, parts, work);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "part 1");
    }
    EXPECT_TRUE(firstHere);
    EXPECT_EQ(begun, parts);
    EXPECT_EQ(ended, parts - 1);
    // The pool goes on serving after a failure.
    EXPECT_EQ(ForEachPart(4, 1, 2, [](unsigned, size_t, size_t) {}), 2u);
}

// The parts of every call run on the same few long-lived threads, however many calls are made
// and from however many threads at once; a call from inside a part runs its parts on that
// part's thread instead of waiting for workers that may all be busy.
TEST(ForEachPart, EveryCallRunsOnTheSameFewThreadsAndACallInsideAPartStaysOnItsThread) {
    Forced forced;
    std::mutex mutex;
    std::set<long> threads;
    std::set<long> callerThreads{ThreadNumber()};
    std::atomic<unsigned> wrong{0}, nestedElsewhere{0};
    auto call = [&] {
        for (int i = 0; i < 50; ++i) {
            std::vector<int> seen(64, 0);
            ForEachPart(seen.size(), 1, 8, [&](unsigned, size_t first, size_t end) {
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    threads.insert(ThreadNumber());
                }
                const long outer = ThreadNumber();
                for (size_t at = first; at < end; ++at) {
                    const bool onWorker = callerThreads.count(outer) == 0;
                    ForEachPart(3, 1, 3, [&](unsigned, size_t, size_t) {
                        if (onWorker && ThreadNumber() != outer) ++nestedElsewhere;
                    });
                    ++seen[at];
                }
            });
            wrong += static_cast<unsigned>(std::count(seen.begin(), seen.end(), 0));
        }
    };
    std::vector<std::thread> callers;
    std::vector<long> numbers(3);
    std::atomic<int> started{0};
    for (int c = 0; c < 3; ++c)
        callers.emplace_back([&, c] {
            numbers[c] = ThreadNumber();
            ++started;
            while (started < 4) std::this_thread::yield();
            call();
        });
    while (started < 3) std::this_thread::yield();
    callerThreads.insert(numbers.begin(), numbers.end());
    ++started;
    call();
    for (std::thread& t : callers) t.join();
    EXPECT_EQ(wrong, 0u);
    // The four calling threads and the pool's workers: not a thread per part of each call.
    EXPECT_LE(threads.size(), PoolWorkers() + 4);
    EXPECT_GE(PoolWorkers(), 1u);
    EXPECT_EQ(nestedElsewhere, 0u);
}

// Each worker stays on one processor the process may use, never the first of them, and no two
// share one: woken together they would otherwise be stacked onto a few. On one processor the
// one worker shares it with the callers.
TEST(ForEachPart, EachWorkerKeepsToAProcessorOfItsOwn) {
    Forced forced;
    cpu_set_t allowed;
    ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
    const int count = CPU_COUNT(&allowed);
    EXPECT_EQ(PoolProcessors(), static_cast<unsigned>(count));
    int first = 0;
    while (!CPU_ISSET(first, &allowed)) ++first;
    std::mutex mutex;
    std::map<long, std::set<int>> processors;  // worker thread -> processors it ran on
    const long here = ThreadNumber();
    // A part for each worker and the caller's, none ending before all have begun: every worker
    // holds one of them in every call, woken together, however few processors run them.
    const unsigned parts = PoolWorkers() + 1;
    for (int i = 0; i < 200; ++i) {
        std::atomic<unsigned> begun{0};
        const auto late = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        ForEachPart(parts, 1, parts, [&](unsigned, size_t, size_t) {
            const long thread = ThreadNumber();
            const int cpu = sched_getcpu();
            ++begun;
            while (begun < parts && std::chrono::steady_clock::now() < late)
                std::this_thread::yield();
            volatile unsigned spin = 0;
            for (int k = 0; k < 20000; ++k) spin = spin + 1;  // long enough to be moved
            std::lock_guard<std::mutex> lock(mutex);
            if (thread != here) processors[thread].insert({cpu, sched_getcpu()});
        });
        ASSERT_EQ(begun, parts) << "the parts did not all run at once";
    }
    EXPECT_EQ(processors.size(), PoolWorkers());
    std::set<int> homes;
    for (const auto& [thread, cpus] : processors) {
        ASSERT_EQ(cpus.size(), 1u) << "a worker moved between processors";
        const int cpu = *cpus.begin();
        EXPECT_TRUE(CPU_ISSET(cpu, &allowed));
        EXPECT_TRUE(count == 1 || cpu != first) << "a worker on the callers' processor";
        homes.insert(cpu);
    }
    EXPECT_EQ(homes.size(), processors.size()) << "two workers share a processor";
}

// The default runner runs the work here as one part; with parts forced it runs side by side as
// ForEachPart does, so that the tests of a class made with the default runner still run its
// parts on the pool.
TEST(ForEachPart, ARunnerThatIsNotSideBySideRunsTheWorkHereAsOnePartUnlessPartsAreForced) {
    const std::thread::id here = std::this_thread::get_id();
    const auto nothing = [](unsigned, size_t, size_t) {};
    for (bool force : {false, true}) {
        Forced forced(force);
        EXPECT_EQ(TParts().IsSideBySide(), force);
        for (size_t count : {0u, 5u, 100000u}) {
            std::mutex mutex;
            std::map<unsigned, std::pair<size_t, size_t>> seen;
            std::atomic<bool> elsewhere{false};
            const unsigned used =
                TParts().Run(count, 1, 8, [&](unsigned part, size_t first, size_t end) {
                    if (std::this_thread::get_id() != here) elsewhere = true;
                    std::lock_guard<std::mutex> lock(mutex);
                    seen[part] = {first, end};
                });
            EXPECT_EQ(used, force ? ForEachPart(count, 1, 8, nothing) : 1u) << count;
            EXPECT_GE(used, force && count >= 2 ? 2u : 1u) << count;
            ASSERT_EQ(seen.size(), used);
            EXPECT_EQ(seen.begin()->second.first, 0u);
            EXPECT_EQ(seen.rbegin()->second.second, count);
            EXPECT_TRUE(force || !elsewhere) << "one part, yet not here";
        }
    }
    EXPECT_EQ(TParts::SideBySide().Run(100, 1, 8, nothing), ForEachPart(100, 1, 8, nothing));
}

// A child made by fork() (a death test, a crash test's writer) has none of the pool's workers:
// its calls run every part themselves, and its exit does not wait for workers it never had.
TEST(ForEachPart, AChildMadeByForkRunsItsPartsAndEnds) {
    Forced forced;
    ForEachPart(8, 1, 8, [](unsigned, size_t, size_t) {});  // the pool and its workers exist
    EXPECT_EXIT(
        {
            alarm(20);  // a hang ends the child by a signal, not with code 3
            std::atomic<size_t> seen{0};
            const unsigned used = ForEachPart(
                1000, 1, 8, [&](unsigned, size_t first, size_t end) { seen += end - first; });
            if (used < 2 || seen != 1000) std::exit(4);
            // A child of the child forks from a pool that already has no workers.
            const pid_t grandchild = fork();
            if (grandchild == 0) {
                seen = 0;
                ForEachPart(1000, 1, 8,
                            [&](unsigned, size_t first, size_t end) { seen += end - first; });
                std::_Exit(seen == 1000 ? 3 : 5);
            }
            int status = 0;
            waitpid(grandchild, &status, 0);
            std::exit(WIFEXITED(status) ? WEXITSTATUS(status) : 6);
        },
        testing::ExitedWithCode(3), "");
}

// A task handed to the pool runs on a worker while the caller goes on; waiting for it (or
// dropping its handle) returns once it has ended, and raises again what it raised.
TEST(ForEachPart, ATaskForLaterRunsOnAWorkerAndIsWaitedFor) {
    const std::thread::id here = std::this_thread::get_id();
    std::atomic<bool> started{false}, release{false}, ended{false};
    std::thread::id ranOn;
    {
        TLater later([&] {
            ranOn = std::this_thread::get_id();
            started = true;
            while (!release) std::this_thread::yield();
            ended = true;
        });
        while (!started) std::this_thread::yield();  // a worker took it: the caller went on
        EXPECT_FALSE(ended);
        release = true;
    }
    EXPECT_TRUE(ended);
    EXPECT_NE(ranOn, here);
    TLater failing([] { throw std::runtime_error("freeing"); });
    EXPECT_THROW(failing.Wait(), std::runtime_error);
    failing.Wait();  // waited for once; nothing left
}

// A child made by fork() while every worker runs a task for later, and one more task waits for a
// worker: the child's waits end. A task a worker had begun is lost to the child (waiting raises,
// dropping returns, and neither runs it again, which would block on the parent's release here);
// the task nobody had begun runs in the child's own wait.
TEST(ForEachPart, AChildMadeByForkEndsItsWaitsForTasksAWorkerHadBegun) {
    const unsigned workers = PoolWorkers();
    std::atomic<unsigned> begun{0}, queuedRuns{0};
    std::atomic<bool> release{false};
    std::vector<std::unique_ptr<TLater>> busy;
    for (unsigned i = 0; i < workers; ++i)
        busy.push_back(std::make_unique<TLater>([&] {
            ++begun;
            while (!release) std::this_thread::yield();
        }));
    while (begun < workers) std::this_thread::yield();  // every worker holds one
    TLater queued([&] { ++queuedRuns; });
    for (bool wait : {true, false}) {
        const pid_t child = fork();
        if (child == 0) {
            int code = 0;
            for (std::unique_ptr<TLater>& later : busy) {
                try {
                    if (wait) {
                        later->Wait();
                        code |= 1;  // a lost task ended
                    }
                } catch (const TPartLost&) {
                }
                later.reset();
            }
            queued.Wait();
            std::_Exit(code | (queuedRuns != 1 ? 2 : 0) | (begun != workers ? 4 : 0));
        }
        int status = 0;
        pid_t ended = 0;
        for (int i = 0; i < 400 && child > 0 && (ended = waitpid(child, &status, WNOHANG)) == 0;
             ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (ended == 0 && child > 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        EXPECT_TRUE(ended == child && WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << (wait ? "waiting: " : "dropping: ")
            << (ended == 0 ? "the child still waited after 20 s"
                           : "status " + std::to_string(status));
    }
    EXPECT_EQ(queuedRuns, 0u);  // the parent's workers are still busy
    release = true;
    busy.clear();
    queued.Wait();
    EXPECT_EQ(queuedRuns, 1u);
}
