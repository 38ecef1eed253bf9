// An advisory lock on a file, held by one process for as long as it works on the file: two
// copies of the program on one data file (two sessions, two users sharing a folder) would each
// work from what it read and write over the other.
//
// The lock is a record lock of the open file description (F_OFD_SETLK) on one byte far beyond
// any the database engine locks, on a descriptor of our own:
//  1. it does not meet the engine's own record locks, in this process or another, also on a
//     network file system, where flock() is emulated with record locks over the whole file;
//  2. the engine closing and reopening the file (the daily backup) does not drop it: a record
//     lock of an open file description lives until that description is closed;
//  3. every copy locks that same byte the same way: a descriptor that may write takes a write
//     lock, one that may only read takes a read lock, and the two refuse each other, so a copy
//     that can only read the file still sees (and is seen by) a copy working on it;
//  4. opening never waits and locks only a regular file: a pipe or a device put under a name the
//     program opens would otherwise hold the start in open() forever.
#pragma once

#include <filesystem>
#include <string>

namespace qm {

class TFileLock {
  public:
    enum Result {
        kTaken,     // this process holds the lock; Writable() tells which kind
        kHeld,      // another process (or another descriptor here) holds it
        kUnlocked,  // the file system keeps no locks; `error` says why
        kUnopened,  // the file cannot be opened at all; `error` says why
        kNotAFile,  // what stands there is no regular file (a pipe, a device, a folder)
    };
    TFileLock() = default;
    ~TFileLock() { Release(); }
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

    // Opens `path` (never creating it) and takes the lock without waiting: a write lock where
    // this user may write the file, else a read lock. A lock already held by this object is
    // released first. Touches nothing in the file. The lock is taken on the file the name
    // leads to once it is held: a file renamed over the name meanwhile is opened afresh.
    Result Acquire(const std::filesystem::path& path, std::string* error = nullptr);
    // The same on a descriptor the caller opened, which this object owns from now on (closed
    // here on failure): a write lock where it was opened for writing, else a read lock.
    Result Acquire(int fd, std::string* error = nullptr);
    // Whether any copy, this process included through another descriptor, holds the lock on
    // the file open at `fd`. Takes nothing: a file merely probed keeps no lock of this process.
    static bool HeldOn(int fd);
    // Drops the lock and closes the descriptor. Closing any descriptor of a file also drops
    // the record locks this process holds on it by other descriptors: call it only once no
    // database connection of this process has the file open.
    void Release();
    bool Held() const { return fd_ >= 0; }
    // After kTaken or kUnlocked: 0 when the file was opened for writing, else the system's
    // reason (an errno value) why it could not be.
    int WriteError() const { return writeError_; }

  private:
    int fd_ = -1;
    int writeError_ = 0;
};

}  // namespace qm
