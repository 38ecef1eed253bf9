// Work over many items cut into parts that run side by side on one pool of long-lived workers.
//
// Thread notes (the pool is the one place in the program that starts threads for work in parts):
//  1. The pool is made on first use with one worker fewer than the processors the process may
//     run on (at least one) and lives until the process ends; nothing else starts a thread for a
//     part. Each worker keeps to one of those processors, none to the first unless it is the
//     only one.
//  2. A call runs its part 0 on the calling thread and hands the others to the workers; the
//     calling thread also takes any part no worker has begun, so a call always ends even when
//     every worker is busy with another caller's parts. All parts have ended when it returns.
//  3. A call made from inside a part (on a worker) runs all its parts on that worker, one after
//     the other: a worker never waits for work queued behind it.
//  4. What the parts share is the caller's to keep read-only while they run; each part writes
//     only its own items and its own slot of any per-part result.
//  5. A child made by fork() has a pool of no workers: its calls run every part themselves. A
//     part or task that a worker of the parent had begun at the fork counts as ended in the
//     child, lost (TPartLost), so that the child's waits for it return.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>

namespace qm {

using TPartWork = std::function<void(unsigned part, size_t first, size_t end)>;

// What ForEachPart or TLater::Wait raises in a child made by fork() for a part or task that a
// worker of the parent had begun: it did not end in the child, and never will.
class TPartLost : public std::runtime_error {
  public:
    TPartLost();
};

// Calls work(part, first, end) for the parts of [0, count): as many parts as PoolProcessors(),
// at most `mostParts`, each of at least `leastPerPart` items (one part when there are fewer).
// Parts run on the shared pool beside the calling thread, which runs part 0; all have ended
// when this returns, and the first exception one of them raised is raised again here (TPartLost
// for a part lost at a fork).
// With parts forced (ForceParts), at least two parts whenever there are two items and
// `mostParts` allows them. Returns the number of parts.
unsigned ForEachPart(size_t count, size_t leastPerPart, unsigned mostParts, const TPartWork& work);

// How a caller lets a class of the model cut its work: the class takes one of these and starts
// no thread of its own. The default runs every piece of work as one part on the calling thread;
// SideBySide() runs them through ForEachPart. With parts forced (ForceParts) every runner, the
// default too, runs side by side, so that a class's tests run its parts on the pool whichever
// runner they made it with.
class TParts {
  public:
    TParts() = default;
    static TParts SideBySide() { return TParts(true); }
    // As ForEachPart side by side, otherwise work(0, 0, count) here. Returns the number of parts.
    unsigned Run(size_t count, size_t leastPerPart, unsigned mostParts,
                 const TPartWork& work) const;
    // Whether Run goes through ForEachPart: made by SideBySide(), or parts are forced.
    bool IsSideBySide() const;

  private:
    explicit TParts(bool sideBySide) : sideBySide_(sideBySide) {}
    bool sideBySide_ = false;
};

// One task handed to the shared pool, for work the caller need not wait for (freeing a large
// structure once its file is written). Wait(), and the destructor, return once the task has
// ended; the one waiting runs the task itself when no worker has begun it. Wait() raises again
// what the task raised; the destructor drops it. The task owns what it touches.
// In a child made by fork() while a worker of the parent had begun the task, the task never
// ends: the child's Wait() raises TPartLost and its destructor returns, neither running the task
// again nor destroying what it owns, which the parent's worker may have left half changed.
class TLater {
  public:
    TLater() = default;
    explicit TLater(std::function<void()> task);
    ~TLater();
    TLater(const TLater&) = delete;
    TLater& operator=(const TLater&) = delete;
    void Wait();

  private:
    struct TState;
    std::unique_ptr<TState> state_;
};

// Whether every ForEachPart call, and so every TParts runner's, makes at least two parts,
// whatever the machine's cores and the callers' least sizes, so that tests of the seams between
// parts run them side by side on any machine. Set at the start from the environment value
// QM_FORCE_PARTS=1; tests change it with ForceParts, which returns the setting it replaced. Set
// it only while no parts run.
bool PartsForced();
bool ForceParts(bool on);

// The number of workers in the shared pool (made if it was not yet).
unsigned PoolWorkers();

// The processors the pool counts for this process: those it may run on (its affinity mask, not
// the machine's count). A call makes at most this many parts unless parts are forced.
unsigned PoolProcessors();

}  // namespace qm
