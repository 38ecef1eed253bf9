// Work over many items cut into parts that run side by side on the machine's cores.
#pragma once

#include <cstddef>
#include <functional>

namespace qm {

// Calls work(part, first, end) for the parts of [0, count): as many parts as the machine has
// cores, at most `mostParts`, each of at least `leastPerPart` items (one part when there are
// fewer). Part 0 runs on the calling thread, the others each on a thread of its own; all have
// ended when this returns, and the first exception one of them raised is raised again here.
// Returns the number of parts.
unsigned ForEachPart(size_t count, size_t leastPerPart, unsigned mostParts,
                     const std::function<void(unsigned part, size_t first, size_t end)>& work);

}  // namespace qm
