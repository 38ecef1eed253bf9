// At most one running copy of the program per user.
#pragma once

#include "platform/ansistring.h"

namespace qm {

inline constexpr const char* kInstanceName = "MyProgramMutexTarnwick";

// Every backslash becomes an underscore.
AnsiString MakeValidMutexName(const AnsiString& name);
// Takes the named lock; false only when another copy holds it. Where no folder of the user's can
// hold the lock, the program starts without it. The lock is held until the process ends.
bool IsFirstInstance(const AnsiString& name);

}  // namespace qm
