// HMAC-SHA-256 with a key that may arrive in pieces, and PBKDF2 over it. PBKDF2 keeps the keyed
// inner and outer hash states and runs its iterations on the compression function directly: every
// U after the first is one 32-byte message, so each HMAC of it is exactly two compressions.
#include <string.h>  // explicit_bzero

#include <algorithm>
#include <cstring>

#include "crypto/sha256.h"
#include "crypto/sha256_internal.h"

namespace qm {
namespace {

constexpr std::uint8_t kInnerPad = 0x36;
constexpr std::uint8_t kInnerToOuterPad = 0x36 ^ 0x5c;  // 0x6a
// A hashed key only needs to stay recognisable as longer than a block; keeping its count below
// the past-key-phase mark means no key length can wrap into it.
constexpr std::uint32_t kLongestKeyCount = kHmacPastKeyPhase - 1;

// Ends the key phase: a hashed key becomes its digest, the key block is zero-padded and turned into
// the inner pad, and the inner hash starts with it.
void finishKey(HmacSha256Context& ctx) {
    if (ctx.keyLength > kSha256BlockSize) {
        sha256End(ctx.key, ctx.sha);
        ctx.keyLength = kSha256DigestSize;
    }
    std::fill(ctx.key + ctx.keyLength, ctx.key + kSha256BlockSize, 0);
    for (auto& b : ctx.key) b ^= kInnerPad;
    sha256Begin(ctx.sha);
    sha256Hash(ctx.key, kSha256BlockSize, ctx.sha);
    ctx.keyLength = kHmacPastKeyPhase;
}

std::uint32_t countKey(std::uint32_t have, std::size_t added) {
    return added >= kLongestKeyCount - have ? kLongestKeyCount
                                            : have + static_cast<std::uint32_t>(added);
}

}  // namespace

void hmacSha256Begin(HmacSha256Context& ctx) {
    std::memset(&ctx, 0, sizeof ctx);
}

int hmacSha256Key(const std::uint8_t* key, std::size_t len, HmacSha256Context& ctx) {
    if (ctx.keyLength == kHmacPastKeyPhase) return -1;
    if (len == 0) return 0;
    if (ctx.keyLength > kSha256BlockSize) {
        sha256Hash(key, len, ctx.sha);
    } else if (len <= kSha256BlockSize - ctx.keyLength) {
        std::memcpy(ctx.key + ctx.keyLength, key, len);
    } else {
        sha256Begin(ctx.sha);
        sha256Hash(ctx.key, ctx.keyLength, ctx.sha);
        sha256Hash(key, len, ctx.sha);
    }
    ctx.keyLength = countKey(ctx.keyLength, len);
    return 0;
}

void hmacSha256Data(const std::uint8_t* data, std::size_t len, HmacSha256Context& ctx) {
    if (ctx.keyLength != kHmacPastKeyPhase) finishKey(ctx);
    sha256Hash(data, len, ctx.sha);
}

void hmacSha256End(std::uint8_t* out, std::size_t n, HmacSha256Context& ctx) {
    if (ctx.keyLength != kHmacPastKeyPhase) finishKey(ctx);
    std::uint8_t innerDigest[kSha256DigestSize];
    sha256End(innerDigest, ctx.sha);
    for (auto& b : ctx.key) b ^= kInnerToOuterPad;
    sha256Begin(ctx.sha);
    sha256Hash(ctx.key, kSha256BlockSize, ctx.sha);
    sha256Hash(innerDigest, kSha256DigestSize, ctx.sha);
    sha256Finish(out, ctx.sha, n);
    explicit_bzero(innerDigest, sizeof innerDigest);
}

void hmacSha256(const std::uint8_t* key, std::size_t keyLen, const std::uint8_t* data,
                std::size_t dataLen, std::uint8_t* out, std::size_t n) {
    HmacSha256Context ctx;
    hmacSha256Begin(ctx);
    hmacSha256Key(key, keyLen, ctx);
    hmacSha256Data(data, dataLen, ctx);
    hmacSha256End(out, n, ctx);
    explicit_bzero(&ctx, sizeof ctx);
}

namespace {

struct Pbkdf2Keys {
    HmacSha256Context salted;  // keyed with the password, salt absorbed
    std::uint32_t inner[8];    // hash state after the inner pad block
    std::uint32_t outer[8];    // hash state after the outer pad block
};

void preparePbkdf2(const std::uint8_t* password, std::size_t passwordLen, const std::uint8_t* salt,
                   std::size_t saltLen, Pbkdf2Keys& keys) {
    HmacSha256Context& ctx = keys.salted;
    hmacSha256Begin(ctx);
    hmacSha256Key(password, passwordLen, ctx);
    hmacSha256Data(nullptr, 0, ctx);  // the inner hash has now absorbed exactly the pad block
    std::copy(ctx.sha.hash, ctx.sha.hash + 8, keys.inner);
    Sha256Context outer;
    std::uint8_t outerPad[kSha256BlockSize];
    for (std::size_t i = 0; i < kSha256BlockSize; ++i) outerPad[i] = ctx.key[i] ^ kInnerToOuterPad;
    sha256Begin(outer);
    sha256Hash(outerPad, kSha256BlockSize, outer);
    std::copy(outer.hash, outer.hash + 8, keys.outer);
    hmacSha256Data(salt, saltLen, ctx);
    explicit_bzero(&outer, sizeof outer);
    explicit_bzero(outerPad, sizeof outerPad);
}

// Output block `index` (from 1): U1 from the salted context, then the remaining iterations.
void pbkdf2Block(const Pbkdf2Keys& keys, std::uint32_t index, std::uint32_t iterations,
                 std::uint8_t block[kSha256DigestSize]) {
    HmacSha256Context ctx = keys.salted;
    const std::uint8_t be[4] = {
        static_cast<std::uint8_t>(index >> 24), static_cast<std::uint8_t>(index >> 16),
        static_cast<std::uint8_t>(index >> 8), static_cast<std::uint8_t>(index)};
    hmacSha256Data(be, sizeof be, ctx);
    hmacSha256End(block, kSha256DigestSize, ctx);
    std::uint32_t u[8], acc[8];
    for (int i = 0; i < 8; ++i) {
        const std::uint8_t* p = block + 4 * i;
        u[i] = acc[i] = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                        (std::uint32_t{p[2]} << 8) | p[3];
    }
    sha256_detail::pbkdf2Iterate(keys.inner, keys.outer, u, acc, iterations - 1);
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 4; ++j)
            block[4 * i + j] = static_cast<std::uint8_t>(acc[i] >> (24 - 8 * j));
    }
    explicit_bzero(&ctx, sizeof ctx);
    explicit_bzero(u, sizeof u);
    explicit_bzero(acc, sizeof acc);
}

}  // namespace

int pbkdf2HmacSha256(const std::uint8_t* password, std::size_t passwordLen,
                     const std::uint8_t* salt, std::size_t saltLen, std::uint32_t iterations,
                     std::uint8_t* out, std::size_t outLen) {
    constexpr std::uint64_t kMaxBlocks = 0xFFFFFFFFu;
    const std::uint64_t blocks = outLen / kSha256DigestSize + (outLen % kSha256DigestSize != 0);
    if (iterations == 0 || blocks > kMaxBlocks) return -1;
    Pbkdf2Keys keys;
    preparePbkdf2(password, passwordLen, salt, saltLen, keys);
    std::uint8_t block[kSha256DigestSize];
    for (std::uint32_t index = 1; outLen > 0; ++index) {
        pbkdf2Block(keys, index, iterations, block);
        const std::size_t take = std::min(outLen, kSha256DigestSize);
        std::memcpy(out, block, take);
        out += take, outLen -= take;
    }
    explicit_bzero(&keys, sizeof keys);
    explicit_bzero(block, sizeof block);
    return 0;
}

}  // namespace qm
