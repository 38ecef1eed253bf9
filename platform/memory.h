// How freed memory goes back to the system. The allocator keeps what the program frees for the
// next allocation; after a large piece of work (an export of hundreds of thousands of cells, a
// report over every move) that is tens of megabytes the program may not ask for again, some of
// it in the pools of threads that have ended, where nothing else can use it.
#pragma once

namespace qm {

// Makes large blocks go back to the system as soon as they are freed, and the top of the heap
// once more than a megabyte of it is free, where the allocator would otherwise raise its bounds
// after each large block freed. Called once at start-up (the application object does); touches
// the allocator's settings only.
void ReturnFreedMemoryPromptly();

// Hands every whole free page of every pool back to the system: for after a large piece of work
// has freed what it made. Returns nothing; costs a walk over the free lists.
void ReturnFreedMemory();

}  // namespace qm
