// The single-instance check over the platform's named lock.
#include "app/program/only_one.h"

#include "platform/single_instance.h"

namespace qm {

AnsiString MakeValidMutexName(const AnsiString& name) {
    AnsiString r = name;
    for (char& c : r)
        if (c == '\\') c = '_';
    return r;
}

bool IsFirstInstance(const AnsiString& name) {
    return AcquireNamedLock(MakeValidMutexName(name));
}

}  // namespace qm
