// The single-instance check over the platform's named lock.
#include "app/program/only_one.h"

#include <cstdio>

#include "platform/single_instance.h"

namespace qm {

AnsiString MakeValidMutexName(const AnsiString& name) {
    AnsiString r = name;
    for (char& c : r)
        if (c == '\\') c = '_';
    return r;
}

bool IsFirstInstance(const AnsiString& name) {
    switch (AcquireNamedLock(MakeValidMutexName(name))) {
        case NamedLockResult::kTaken:
            return true;
        case NamedLockResult::kHeld:
            return false;
        case NamedLockResult::kUnavailable:
            // Ending without a word would leave the user with nothing; the data file's own lock
            // still keeps a second copy off the file.
            std::fprintf(stderr, "No folder of this user's can hold the single-instance lock.\n");
            return true;
    }
    return true;
}

}  // namespace qm
