// How freed memory goes back to the system. The allocator keeps what the program frees for the
// next allocation; after a large piece of work (an export of hundreds of thousands of cells, a
// report over every move) that is tens of megabytes the program may not ask for again, some of
// it in the pools of threads that have ended, where nothing else can use it.
#pragma once

namespace qm {

// While one is held, large blocks go back to the system as soon as they are freed, and the top of
// the heap once more than a megabyte of it is free: for the largest piece of work (the export),
// whose blocks would otherwise come on top of what the program had freed before it. The bounds
// are not kept for the rest of the session, where each large block would come fresh from the
// system (the ledger of 100,000 moves opened in 77-81 ms with them against 57-59 ms without):
// when it ends they are set to the largest the allocator raises them to by itself. One at a
// time, on the window's thread; touches the allocator's settings only.
class TFreedMemoryPromptly {
  public:
    TFreedMemoryPromptly();
    ~TFreedMemoryPromptly();
    TFreedMemoryPromptly(const TFreedMemoryPromptly&) = delete;
    TFreedMemoryPromptly& operator=(const TFreedMemoryPromptly&) = delete;
};

// Hands every whole free page of every pool back to the system: for after a large piece of work
// has freed what it made. Returns nothing; costs a walk over the free lists.
void ReturnFreedMemory();

}  // namespace qm
