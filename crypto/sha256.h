// SHA-256 (FIPS 180-2), HMAC-SHA-256 (RFC 2104) and PBKDF2 with HMAC-SHA-256 as its pseudo-random
// function (RFC 2898 / RFC 8018). The page encryption derives its key material with PBKDF2.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm {

inline constexpr std::size_t kSha256DigestSize = 32;
inline constexpr std::size_t kSha256BlockSize = 64;

struct Sha256Context {
    std::uint32_t count[2];  // bytes hashed so far, low word first
    std::uint32_t hash[8];
    std::uint8_t block[64];  // input collected until a whole block is present
};

void sha256Begin(Sha256Context& ctx);
void sha256Hash(const std::uint8_t* data, std::size_t len, Sha256Context& ctx);
// Pads the message and writes the first n bytes of the digest (at most 32; a larger n writes 32).
void sha256Finish(std::uint8_t* out, Sha256Context& ctx, std::size_t n);
void sha256End(std::uint8_t out[32], Sha256Context& ctx);
void sha256(std::uint8_t out[32], const std::uint8_t* data, std::size_t len);

// keyLength counts the key bytes given so far; a key longer than a block is hashed as it arrives.
// It becomes kHmacPastKeyPhase once the inner hash has started, after which no key may be added.
inline constexpr std::uint32_t kHmacPastKeyPhase = 0xFFFFFFFFu;

struct HmacSha256Context {
    std::uint8_t key[64];
    Sha256Context sha;
    std::uint32_t keyLength;
};

void hmacSha256Begin(HmacSha256Context& ctx);
// Adds key bytes. Returns 0, or -1 (with nothing changed) once data has been added.
int hmacSha256Key(const std::uint8_t* key, std::size_t len, HmacSha256Context& ctx);
void hmacSha256Data(const std::uint8_t* data, std::size_t len, HmacSha256Context& ctx);
// Writes the first n bytes of the MAC (at most 32). The context is spent afterwards.
void hmacSha256End(std::uint8_t* out, std::size_t n, HmacSha256Context& ctx);
void hmacSha256(const std::uint8_t* key, std::size_t keyLen, const std::uint8_t* data,
                std::size_t dataLen, std::uint8_t* out, std::size_t n);

// Derives outLen bytes. Returns 0, or -1 with nothing written for zero iterations or for an
// output longer than the (2^32 - 1) blocks the construction can count.
int pbkdf2HmacSha256(const std::uint8_t* password, std::size_t passwordLen,
                     const std::uint8_t* salt, std::size_t saltLen, std::uint32_t iterations,
                     std::uint8_t* out, std::size_t outLen);

}  // namespace qm
