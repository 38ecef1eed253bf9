#include "platform/parallel.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace qm {

unsigned ForEachPart(size_t count, size_t leastPerPart, unsigned mostParts,
                     const std::function<void(unsigned part, size_t first, size_t end)>& work) {
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t byItems = leastPerPart > 0 ? count / leastPerPart : count;
    const auto parts =
        static_cast<unsigned>(std::max<size_t>(1, std::min({byItems, cores, size_t{mostParts}})));
    std::vector<std::exception_ptr> failures(parts);
    auto run = [&](unsigned part) {
        try {
            work(part, count * part / parts, count * (part + 1) / parts);
        } catch (...) {
            failures[part] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    std::vector<unsigned> here;  // parts no thread could be made for
    for (unsigned part = 1; part < parts; ++part) {
        try {
            threads.emplace_back(run, part);
        } catch (const std::system_error&) {
            here.push_back(part);
        }
    }
    run(0);
    for (unsigned part : here) run(part);
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
    return parts;
}

}  // namespace qm
