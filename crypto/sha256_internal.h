// The SHA-256 compression function in its portable form and on the processor's SHA instructions,
// and the inner loop of PBKDF2 built directly on it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::sha256_detail {

// The FIPS 180-2 round constants, aligned for vector loads.
alignas(16) extern const std::uint32_t kRoundConstants[64];

// Compresses whole 64-byte blocks of message bytes into the hash words. Picks the path.
void compressBlocks(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks);

// PBKDF2 iterations 2 to count+1 of one output block, with the HMAC key already absorbed into
// the inner and outer hash states (each after its one 64-byte pad block). u holds the previous U
// as digest words and is replaced by each new U; acc accumulates their XOR.
void pbkdf2Iterate(const std::uint32_t inner[8], const std::uint32_t outer[8], std::uint32_t u[8],
                   std::uint32_t acc[8], std::uint32_t count);

void portableCompressBlocks(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks);
void portablePbkdf2Iterate(const std::uint32_t inner[8], const std::uint32_t outer[8],
                           std::uint32_t u[8], std::uint32_t acc[8], std::uint32_t count);

#if defined(__x86_64__) || defined(__i386__)
#define QM_HAVE_SHANI_PATH 1
// Only to be called when shaHardwareInUse() holds.
void niCompressBlocks(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks);
void niPbkdf2Iterate(const std::uint32_t inner[8], const std::uint32_t outer[8], std::uint32_t u[8],
                     std::uint32_t acc[8], std::uint32_t count);
#endif

}  // namespace qm::sha256_detail
