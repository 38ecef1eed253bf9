// The two implementations behind the AES entry points: the portable table-driven one and the one
// built on the processor's AES instructions. Both read and write the same context layout, so a
// schedule made by one is usable by the other.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/aes.h"

namespace qm::aes_detail {

inline constexpr std::uint8_t kRounds256Byte = 14 * 16;

void tableEncryptKey256(const std::uint8_t key[32], std::uint32_t ks[60]);
// Turns an encryption schedule into the equivalent-inverse-cipher schedule.
void tableInvertSchedule(const std::uint32_t enc[60], std::uint32_t dec[60]);
void tableEncryptBlock(const std::uint8_t in[16], std::uint8_t out[16], const std::uint32_t ks[60]);
void tableDecryptBlock(const std::uint8_t in[16], std::uint8_t out[16], const std::uint32_t ks[60]);

#if defined(__x86_64__) || defined(__i386__)
#define QM_HAVE_AESNI_PATH 1
// Only to be called when aesHardwareInUse() holds. Lengths are whole blocks.
void niEncryptKey256(const std::uint8_t key[32], std::uint32_t ks[60]);
void niInvertSchedule(const std::uint32_t enc[60], std::uint32_t dec[60]);
void niEncryptBlock(const std::uint8_t in[16], std::uint8_t out[16], const std::uint32_t ks[60]);
void niDecryptBlock(const std::uint8_t in[16], std::uint8_t out[16], const std::uint32_t ks[60]);
void niEcbEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks,
                  const std::uint32_t ks[60]);
void niEcbDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks,
                  const std::uint32_t ks[60]);
void niCbcEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks,
                  const std::uint32_t ks[60], std::uint8_t iv[16]);
void niCbcDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks,
                  const std::uint32_t ks[60], std::uint8_t iv[16]);
#endif

}  // namespace qm::aes_detail
