// Processor feature probing for the cipher and hash code, with the switch that forces the
// portable path.
#include "crypto/cpu_features.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace qm {
namespace {

struct Features {
    bool aes = false;
    bool sha = false;
};

Features probe() {
    Features f;
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return f;
    const bool ssse3 = (ecx & (1u << 9)) != 0;
    const bool sse41 = (ecx & (1u << 19)) != 0;
    const bool aesni = (ecx & (1u << 25)) != 0;
    f.aes = aesni && ssse3 && sse41;
    if (__get_cpuid_max(0, nullptr) >= 7) {
        __cpuid_count(7, 0, eax, ebx, ecx, edx);
        f.sha = (ebx & (1u << 29)) != 0 && ssse3 && sse41;
    }
#endif
    return f;
}

const Features& features() {
    static const Features f = probe();
    return f;
}

std::atomic<bool> g_hardwareAllowed{true};

}  // namespace

bool cpuHasAesInstructions() {
    return features().aes;
}
bool cpuHasShaInstructions() {
    return features().sha;
}

void setCryptoHardwareAllowed(bool allowed) {
    g_hardwareAllowed.store(allowed, std::memory_order_relaxed);
}
bool cryptoHardwareAllowed() {
    return g_hardwareAllowed.load(std::memory_order_relaxed);
}

bool aesHardwareInUse() {
    return features().aes && cryptoHardwareAllowed();
}
bool shaHardwareInUse() {
    return features().sha && cryptoHardwareAllowed();
}

}  // namespace qm
