// AES-256 (FIPS-197) and the block cipher modes ECB, CBC, CFB-128, OFB and CTR (NIST SP 800-38A)
// on top of it. The page encryption of the database uses the key schedules and CBC.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm {

inline constexpr std::size_t kAesBlockSize = 16;
inline constexpr int kAesSuccess = 0;
// Returned for a length that is not a whole number of blocks where one is needed, and for a
// context that holds no AES-256 key schedule; nothing is written in either case.
inline constexpr int kAesFailure = 1;

// The 60 round-key words are the little-endian column words of the key expansion, so round key r
// is the 16 bytes starting at ks[4 * r]. Information bytes: inf[0] is the number of rounds times 16
// (224 once a 256-bit key is set), inf[2] the byte position (0 to 15) inside the current block of
// the stream modes; inf[1] and inf[3] stay 0.
struct AesEncryptContext {
    std::uint32_t ks[60];
    std::uint8_t inf[4];
};

// The same layout holding the schedule of the equivalent inverse cipher: round keys in reverse
// order, InvMixColumns applied to the inner ones.
struct AesDecryptContext {
    std::uint32_t ks[60];
    std::uint8_t inf[4];
};

void aesEncryptKey256(const std::uint8_t key[32], AesEncryptContext& ctx);
void aesDecryptKey256(const std::uint8_t key[32], AesDecryptContext& ctx);

// One block; in and out may be the same buffer.
int aesEncryptBlock(const std::uint8_t in[16], std::uint8_t out[16], const AesEncryptContext& ctx);
int aesDecryptBlock(const std::uint8_t in[16], std::uint8_t out[16], const AesDecryptContext& ctx);

// The block modes take the length in bytes. In and out may be the same buffer (but must not
// overlap otherwise). The IV or counter block belongs to the caller and is updated in place, so
// consecutive calls continue one stream.
int aesEcbEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                  const AesEncryptContext& ctx);
int aesEcbDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                  const AesDecryptContext& ctx);

// The IV ends as the last ciphertext block, ready for the next call.
int aesCbcEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                  const AesEncryptContext& ctx, std::uint8_t iv[16]);
int aesCbcDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                  const AesDecryptContext& ctx, std::uint8_t iv[16]);

// Byte-granular stream modes: any length, continuing at the context's position byte and leaving
// it at the new position. All of them run the cipher forwards, so they take the encrypt context.
int aesCfbEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                  AesEncryptContext& ctx, std::uint8_t iv[16]);
int aesCfbDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                  AesEncryptContext& ctx, std::uint8_t iv[16]);
int aesOfbCrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len, AesEncryptContext& ctx,
                std::uint8_t iv[16]);

// Advances a 16-byte counter block; called once a block of key stream has been used up.
using AesCounterIncrement = void (*)(std::uint8_t counter[16]);
// While a block is part used, the counter block still holds that block's counter. A null
// increment is refused with kAesFailure.
int aesCtrCrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len, AesEncryptContext& ctx,
                std::uint8_t counter[16], AesCounterIncrement increment);

// Starts the stream modes at the beginning of a block again.
void aesModeReset(AesEncryptContext& ctx);

}  // namespace qm
