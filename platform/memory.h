// How freed memory goes back to the system. The allocator keeps what the program frees for the
// next allocation; after a large piece of work (an export of hundreds of thousands of cells, a
// report over every move) that is tens of megabytes the program may not ask for again, some of
// it in the pools of threads that have ended or of the pool's workers, where the window's thread
// cannot use it.
#pragma once

namespace qm {

// Hands every whole free page of every pool back to the system: for after a large piece of work
// has freed what it made. The allocator's own settings are left as they are, so that the rest of
// the session keeps its large blocks for reuse (a ledger opened in 77-81 ms where every block of
// 128 KB or more came fresh from the system, against 57-59 ms). Returns nothing; costs a walk
// over the free lists, under a millisecond after an export of 60,000 rows.
void ReturnFreedMemory();

}  // namespace qm
