// SHA-256: the streaming interface, the portable compression function and the choice between it
// and the one on the processor's SHA instructions.
#include "crypto/sha256.h"

#include <string.h>  // explicit_bzero

#include <algorithm>
#include <cstring>
#include <iterator>

#include "crypto/cpu_features.h"
#include "crypto/sha256_internal.h"

namespace qm {
namespace sha256_detail {

alignas(16) const std::uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

namespace {

constexpr std::uint32_t rotr(std::uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}
constexpr std::uint32_t bigSigma0(std::uint32_t x) {
    return rotr(x, 2) ^ rotr(x, 13) ^ rotr(x, 22);
}
constexpr std::uint32_t bigSigma1(std::uint32_t x) {
    return rotr(x, 6) ^ rotr(x, 11) ^ rotr(x, 25);
}
constexpr std::uint32_t smallSigma0(std::uint32_t x) {
    return rotr(x, 7) ^ rotr(x, 18) ^ (x >> 3);
}
constexpr std::uint32_t smallSigma1(std::uint32_t x) {
    return rotr(x, 17) ^ rotr(x, 19) ^ (x >> 10);
}

// One round with the working variables named by position, so that eight calls with the names
// rotated replace the shuffle of a..h by renaming.
inline void round(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t& d,
                  std::uint32_t e, std::uint32_t f, std::uint32_t g, std::uint32_t& h,
                  std::uint32_t kw) {
    const std::uint32_t t1 = h + bigSigma1(e) + ((e & f) ^ (~e & g)) + kw;
    d += t1;
    h = t1 + bigSigma0(a) + ((a & b) ^ (a & c) ^ (b & c));
}

// The message schedule is kept as a ring of 16 words, extended as the rounds need it.
inline std::uint32_t schedule(std::uint32_t w[16], int i) {
    if (i >= 16) {
        w[i & 15] += smallSigma1(w[(i - 2) & 15]) + w[(i - 7) & 15] + smallSigma0(w[(i - 15) & 15]);
    }
    return w[i & 15] + kRoundConstants[i];
}

void compressWords(std::uint32_t state[8], std::uint32_t w[16]) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; i += 8) {
        round(a, b, c, d, e, f, g, h, schedule(w, i));
        round(h, a, b, c, d, e, f, g, schedule(w, i + 1));
        round(g, h, a, b, c, d, e, f, schedule(w, i + 2));
        round(f, g, h, a, b, c, d, e, schedule(w, i + 3));
        round(e, f, g, h, a, b, c, d, schedule(w, i + 4));
        round(d, e, f, g, h, a, b, c, schedule(w, i + 5));
        round(c, d, e, f, g, h, a, b, schedule(w, i + 6));
        round(b, c, d, e, f, g, h, a, schedule(w, i + 7));
    }
    state[0] += a, state[1] += b, state[2] += c, state[3] += d;
    state[4] += e, state[5] += f, state[6] += g, state[7] += h;
}

inline std::uint32_t loadBe32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

inline void storeBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

bool useHardware() {
#ifdef QM_HAVE_SHANI_PATH
    return shaHardwareInUse();
#else
    return false;
#endif
}

}  // namespace

void portableCompressBlocks(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks) {
    std::uint32_t w[16];
    for (; blocks > 0; --blocks, data += 64) {
        for (int i = 0; i < 16; ++i) w[i] = loadBe32(data + 4 * i);
        compressWords(state, w);
    }
}

// Each U is 32 bytes, so both HMAC blocks are the 8 digest words, the 0x80 pad byte and the bit
// length of pad block plus digest (768); only the digest words change from one round to the next.
void portablePbkdf2Iterate(const std::uint32_t inner[8], const std::uint32_t outer[8],
                           std::uint32_t u[8], std::uint32_t acc[8], std::uint32_t count) {
    for (; count > 0; --count) {
        std::uint32_t w[16] = {u[0],        u[1], u[2], u[3], u[4], u[5], u[6], u[7],
                               0x80000000u, 0,    0,    0,    0,    0,    0,    768};
        std::uint32_t t[8];
        std::copy(inner, inner + 8, t);
        compressWords(t, w);
        std::uint32_t w2[16] = {t[0],        t[1], t[2], t[3], t[4], t[5], t[6], t[7],
                                0x80000000u, 0,    0,    0,    0,    0,    0,    768};
        std::copy(outer, outer + 8, u);
        compressWords(u, w2);
        for (int i = 0; i < 8; ++i) acc[i] ^= u[i];
    }
}

void compressBlocks(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks) {
#ifdef QM_HAVE_SHANI_PATH
    if (useHardware()) return niCompressBlocks(state, data, blocks);
#endif
    portableCompressBlocks(state, data, blocks);
}

void pbkdf2Iterate(const std::uint32_t inner[8], const std::uint32_t outer[8], std::uint32_t u[8],
                   std::uint32_t acc[8], std::uint32_t count) {
#ifdef QM_HAVE_SHANI_PATH
    if (useHardware()) return niPbkdf2Iterate(inner, outer, u, acc, count);
#endif
    portablePbkdf2Iterate(inner, outer, u, acc, count);
}

}  // namespace sha256_detail

using sha256_detail::compressBlocks;

void sha256Begin(Sha256Context& ctx) {
    static constexpr std::uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                  0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    ctx.count[0] = ctx.count[1] = 0;
    std::copy(std::begin(kInitial), std::end(kInitial), ctx.hash);
    std::fill(std::begin(ctx.block), std::end(ctx.block), 0);
}

void sha256Hash(const std::uint8_t* data, std::size_t len, Sha256Context& ctx) {
    if (len == 0) return;
    std::size_t used = ctx.count[0] & 63;
    const std::uint64_t total = ((std::uint64_t{ctx.count[1]} << 32) | ctx.count[0]) + len;
    ctx.count[0] = static_cast<std::uint32_t>(total);
    ctx.count[1] = static_cast<std::uint32_t>(total >> 32);
    if (used != 0) {
        const std::size_t take = std::min(kSha256BlockSize - used, len);
        std::memcpy(ctx.block + used, data, take);
        data += take, len -= take, used += take;
        if (used < kSha256BlockSize) return;
        compressBlocks(ctx.hash, ctx.block, 1);
    }
    if (len >= kSha256BlockSize) {
        compressBlocks(ctx.hash, data, len / kSha256BlockSize);
        data += len - len % kSha256BlockSize;
        len %= kSha256BlockSize;
    }
    if (len > 0) std::memcpy(ctx.block, data, len);
}

void sha256Finish(std::uint8_t* out, Sha256Context& ctx, std::size_t n) {
    const std::uint64_t bits = ((std::uint64_t{ctx.count[1]} << 32) | ctx.count[0]) << 3;
    std::size_t used = ctx.count[0] & 63;
    ctx.block[used++] = 0x80;
    if (used > 56) {
        std::fill(ctx.block + used, ctx.block + 64, 0);
        compressBlocks(ctx.hash, ctx.block, 1);
        used = 0;
    }
    std::fill(ctx.block + used, ctx.block + 56, 0);
    sha256_detail::storeBe32(ctx.block + 56, static_cast<std::uint32_t>(bits >> 32));
    sha256_detail::storeBe32(ctx.block + 60, static_cast<std::uint32_t>(bits));
    compressBlocks(ctx.hash, ctx.block, 1);
    std::uint8_t digest[kSha256DigestSize];
    for (int i = 0; i < 8; ++i) sha256_detail::storeBe32(digest + 4 * i, ctx.hash[i]);
    std::memcpy(out, digest, std::min(n, kSha256DigestSize));
    explicit_bzero(digest, sizeof digest);
}

void sha256End(std::uint8_t out[32], Sha256Context& ctx) {
    sha256Finish(out, ctx, kSha256DigestSize);
}

void sha256(std::uint8_t out[32], const std::uint8_t* data, std::size_t len) {
    Sha256Context ctx;
    sha256Begin(ctx);
    sha256Hash(data, len, ctx);
    sha256End(out, ctx);
    explicit_bzero(&ctx, sizeof ctx);
}

}  // namespace qm
