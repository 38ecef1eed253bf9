#include "platform/parallel.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace qm {

namespace {

std::atomic<bool> forced{[] {
    const char* value = std::getenv("QM_FORCE_PARTS");
    return value != nullptr && std::strcmp(value, "1") == 0;
}()};

thread_local bool onWorker = false;
thread_local int workerSlot = -1;  // the worker's slot in TWorkPool::running_

// The processors this process may run on, as the system lists them (or the count the standard
// library reports, where the system gives no list).
struct TCores {
    std::vector<int> ids;
    cpu_set_t allowed;
    bool listed = false;

    TCores() {
        CPU_ZERO(&allowed);
        if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
            listed = true;
            for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
                if (CPU_ISSET(cpu, &allowed)) ids.push_back(cpu);
        }
        if (ids.empty()) {
            listed = false;
            ids.resize(std::max(1u, std::thread::hardware_concurrency()));
        }
    }
    unsigned Count() const { return static_cast<unsigned>(ids.size()); }
};

const TCores& Cores() {
    static const TCores cores;
    return cores;
}

// Woken together, idle workers tend to be put on the same few processors by the system, each
// part then running at half speed or less (the ledger's eight reads took 29-45 ms each against
// 16-22 ms apart, and letting a worker move once woken brought that back), so each worker keeps
// to a processor of its own. A worker slowed by another program's load holds up only the part it
// has begun: the parts nobody has begun go to the caller and the other workers.
void KeepToProcessor(int cpu) {
    if (!Cores().listed) return;
    cpu_set_t home;
    CPU_ZERO(&home);
    CPU_SET(cpu, &home);
    pthread_setaffinity_np(pthread_self(), sizeof home, &home);
}

// One call's parts. Guarded by the pool's mutex: `next`, `ended`, `lost`; each part writes only
// its own slot of `failures`, read after every part has ended.
struct TJob {
    const TPartWork* work = nullptr;
    size_t count = 0;
    unsigned parts = 0;
    unsigned next = 1;  // part 0 is the caller's
    unsigned ended = 0;
    bool lost = false;  // a part counted in `ended` was a parent's worker's, begun at a fork
    std::vector<std::exception_ptr> failures;

    void Run(unsigned part) {
        try {
            (*work)(part, count * part / parts, count * (part + 1) / parts);
        } catch (...) {
            failures[part] = std::current_exception();
        }
    }
};

class TWorkPool {
  public:
    TWorkPool() {
        const TCores& cores = Cores();
        running_.assign(std::max(2u, cores.Count()) - 1, nullptr);
        for (unsigned i = 0; i < running_.size(); ++i) {
            // The first processor is left to the callers, who run part 0 of every call.
            const int home = cores.ids[(i + 1) % cores.Count()];
            try {
                workers_.emplace_back([this, home, i] { Serve(home, static_cast<int>(i)); });
            } catch (const std::system_error&) {
                break;  // fewer workers; callers take the parts nobody begins
            }
        }
    }
    unsigned Workers() const { return static_cast<unsigned>(workers_.size()); }

    // fork() copies only the calling thread. A worker may hold the mutex at that moment, and the
    // condition variables count waiters that will never wake in the child, so the mutex is held
    // across the fork and the child starts from a pool of no workers and nothing queued.
    void BeforeFork() { mutex_.lock(); }
    void AfterForkInParent() { mutex_.unlock(); }
    void AfterForkInChild() {
        new (&wake_) std::condition_variable;
        new (&ended_) std::condition_variable;
        queue_.clear();
        // A part a worker had begun never ends here, and running it again from its start could
        // repeat what the worker had done of it: it counts as ended, lost, so that whoever waits
        // for it returns. The forking thread's own part goes on in the child.
        for (size_t slot = 0; slot < running_.size(); ++slot) {
            TJob* job = std::exchange(running_[slot], nullptr);
            if (job == nullptr || static_cast<int>(slot) == workerSlot) continue;
            ++job->ended;
            job->lost = true;
        }
        // The threads do not exist here: their handles can be neither joined nor destroyed, so
        // they are kept where nothing touches them again.
        if (!forkedAway_) forkedAway_ = std::make_unique<std::vector<std::thread>>();
        for (std::thread& worker : workers_) forkedAway_->push_back(std::move(worker));
        workers_.clear();
        mutex_.unlock();
    }

    // Keeps what a lost task owned where the leak checker sees it: the parent's worker may have
    // left it half changed, so the child never destroys it.
    void KeepLost(const void* owned) {
        std::lock_guard<std::mutex> lock(mutex_);
        lost_.push_back(owned);
    }

    // Runs job's parts 1.. on the workers and here, part 0 here first; returns when all ended.
    void Run(TJob& job) {
        Post(job);
        job.Run(0);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++job.ended;
        }
        Finish(job);
    }

    // Hands the job's parts from job.next on to the workers.
    void Post(TJob& job) {
        bool many = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back(&job);
            many = job.parts - job.next > 1;  // read before a worker can claim a part
        }
        if (many)
            wake_.notify_all();
        else
            wake_.notify_one();
    }

    // Runs here the job's parts no worker has begun; returns when all have ended.
    void Finish(TJob& job) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (job.next < job.parts) {
            const unsigned part = Claim(job);
            lock.unlock();
            job.Run(part);
            lock.lock();
            ++job.ended;
        }
        ended_.wait(lock, [&] { return job.ended == job.parts; });
    }

  private:
    // Takes the job's next part; the job leaves the queue with its last part. Under mutex_.
    unsigned Claim(TJob& job) {
        const unsigned part = job.next++;
        if (job.next == job.parts) std::erase(queue_, &job);
        return part;
    }

    void Serve(int home, int slot) {
        onWorker = true;
        workerSlot = slot;
        KeepToProcessor(home);
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return !queue_.empty(); });
            TJob& job = *queue_.front();
            const unsigned part = Claim(job);
            running_[slot] = &job;
            lock.unlock();
            job.Run(part);
            lock.lock();
            running_[slot] = nullptr;
            if (++job.ended == job.parts) ended_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, ended_;
    std::deque<TJob*> queue_;  // jobs with parts nobody has begun
    std::vector<std::thread> workers_;
    std::vector<TJob*> running_;     // per worker, the job of the part it runs; fixed in size
    std::vector<const void*> lost_;  // what lost tasks owned in a forked child, never freed
    // Never freed (the pool itself never is): its threads' handles must not be destroyed.
    std::unique_ptr<std::vector<std::thread>> forkedAway_;
};

// Never destroyed: the workers wait until the process ends. A child made by fork() has none of
// them, and joining them at its exit would never return; its callers take every part themselves.
TWorkPool& Pool() {
    static TWorkPool* pool = [] {
        auto* made = new TWorkPool;
        pthread_atfork([] { Pool().BeforeFork(); }, [] { Pool().AfterForkInParent(); },
                       [] { Pool().AfterForkInChild(); });
        return made;
    }();
    return *pool;
}

unsigned PartsFor(size_t count, size_t leastPerPart, unsigned mostParts) {
    const size_t cores = Cores().Count();
    const size_t byItems = leastPerPart > 0 ? count / leastPerPart : count;
    size_t parts = std::max<size_t>(1, std::min({byItems, cores, size_t{mostParts}}));
    if (forced) parts = std::max(parts, std::min({count, size_t{mostParts}, size_t{2}}));
    return static_cast<unsigned>(parts);
}

}  // namespace

unsigned ForEachPart(size_t count, size_t leastPerPart, unsigned mostParts, const TPartWork& work) {
    TJob job;
    job.work = &work;
    job.count = count;
    job.parts = PartsFor(count, leastPerPart, mostParts);
    job.failures.resize(job.parts);
    if (job.parts == 1 || onWorker) {
        for (unsigned part = 0; part < job.parts; ++part) job.Run(part);
    } else {
        Pool().Run(job);
    }
    for (const std::exception_ptr& failure : job.failures)
        if (failure) std::rethrow_exception(failure);
    if (job.lost) throw TPartLost();
    return job.parts;
}

TPartLost::TPartLost()
    : std::runtime_error("work begun by a worker of the parent process did not end in its child") {}

unsigned TParts::Run(size_t count, size_t leastPerPart, unsigned mostParts,
                     const TPartWork& work) const {
    if (IsSideBySide()) return ForEachPart(count, leastPerPart, mostParts, work);
    work(0, 0, count);
    return 1;
}

bool TParts::IsSideBySide() const {
    return sideBySide_ || forced;
}

bool PartsForced() {
    return forced;
}

bool ForceParts(bool on) {
    return forced.exchange(on);
}

struct TLater::TState {
    std::function<void()> task;
    TPartWork work;
    TJob job;
};

TLater::TLater(std::function<void()> task) : state_(std::make_unique<TState>()) {
    state_->task = std::move(task);
    state_->work = [state = state_.get()](unsigned, size_t, size_t) { state->task(); };
    TJob& job = state_->job;
    job.work = &state_->work;
    job.count = 1;
    job.parts = 1;
    job.next = 0;
    job.failures.resize(1);
    if (onWorker) {
        job.Run(0);
        job.next = job.ended = 1;
    } else {
        Pool().Post(job);
    }
}

TLater::~TLater() {
    if (!state_) return;
    try {
        Wait();
    } catch (...) {  // a failure nobody waited for ends with it
    }
}

void TLater::Wait() {
    if (!state_) return;
    Pool().Finish(state_->job);
    if (state_->job.lost) {
        Pool().KeepLost(state_.release());
        throw TPartLost();
    }
    const std::exception_ptr failure = state_->job.failures[0];
    state_.reset();
    if (failure) std::rethrow_exception(failure);
}

unsigned PoolWorkers() {
    return Pool().Workers();
}

unsigned PoolProcessors() {
    return Cores().Count();
}

}  // namespace qm
