// Which instruction-set extensions the cipher and hash code may use: probed from the processor
// once, and switchable off so that tests and benchmarks can run the portable code anywhere.
#pragma once

namespace qm {

// The processor offers the AES round instructions (with the SSE4.1 and SSSE3 they rely on).
bool cpuHasAesInstructions();
// The processor offers the SHA-256 round and message instructions (with SSE4.1 and SSSE3).
bool cpuHasShaInstructions();

// Allows or forbids the instruction-set paths; forbidding them makes every routine take its
// portable table-driven form. Allowed by default. Results are the same either way.
void setCryptoHardwareAllowed(bool allowed);
bool cryptoHardwareAllowed();

// What the routines use right now: the processor has the instructions and they are allowed.
bool aesHardwareInUse();
bool shaHardwareInUse();

}  // namespace qm
