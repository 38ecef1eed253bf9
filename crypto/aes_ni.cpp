// AES-256 on the processor's AES instructions. The round keys are read straight from the context:
// its little-endian column words are exactly the byte order the instructions expect, and its
// decryption schedule is the one aesdec wants (reversed, InvMixColumns on the inner keys). Several
// blocks are kept in flight where the mode allows it, to cover the latency of each round.
#include "crypto/aes_internal.h"

#ifdef QM_HAVE_AESNI_PATH

#include <immintrin.h>

#define QM_AESNI __attribute__((target("aes,sse4.1,ssse3")))

namespace qm::aes_detail {
namespace {

constexpr int kRounds = 14;
constexpr std::size_t kLanes = 8;

struct RoundKeys {
    __m128i k[kRounds + 1];
};

QM_AESNI inline RoundKeys loadKeys(const std::uint32_t ks[60]) {
    RoundKeys r;
    for (int i = 0; i <= kRounds; ++i)
        r.k[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ks + 4 * i));
    return r;
}

QM_AESNI inline __m128i load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

QM_AESNI inline void store(std::uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

QM_AESNI inline __m128i prefixXor(__m128i x) {
    x = _mm_xor_si128(x, _mm_slli_si128(x, 4));
    return _mm_xor_si128(x, _mm_slli_si128(x, 8));
}

// The round key after `prev2`, made from the one before it (`prev1`) with RotWord, SubWord and
// Rcon.
template <int Rcon>
QM_AESNI inline __m128i expandEven(__m128i prev2, __m128i prev1) {
    const __m128i t = _mm_shuffle_epi32(_mm_aeskeygenassist_si128(prev1, Rcon), 0xff);
    return _mm_xor_si128(prefixXor(prev2), t);
}

// The odd round keys of a 256-bit schedule take SubWord only.
QM_AESNI inline __m128i expandOdd(__m128i prev2, __m128i prev1) {
    const __m128i t = _mm_shuffle_epi32(_mm_aeskeygenassist_si128(prev1, 0), 0xaa);
    return _mm_xor_si128(prefixXor(prev2), t);
}

QM_AESNI inline __m128i encrypt1(__m128i b, const RoundKeys& k) {
    b = _mm_xor_si128(b, k.k[0]);
    for (int r = 1; r < kRounds; ++r) b = _mm_aesenc_si128(b, k.k[r]);
    return _mm_aesenclast_si128(b, k.k[kRounds]);
}

QM_AESNI inline __m128i decrypt1(__m128i b, const RoundKeys& k) {
    b = _mm_xor_si128(b, k.k[0]);
    for (int r = 1; r < kRounds; ++r) b = _mm_aesdec_si128(b, k.k[r]);
    return _mm_aesdeclast_si128(b, k.k[kRounds]);
}

QM_AESNI inline void encrypt8(__m128i b[kLanes], const RoundKeys& k) {
#pragma GCC unroll 8
    for (std::size_t j = 0; j < kLanes; ++j) b[j] = _mm_xor_si128(b[j], k.k[0]);
#pragma GCC unroll 13
    for (int r = 1; r < kRounds; ++r) {
#pragma GCC unroll 8
        for (std::size_t j = 0; j < kLanes; ++j) b[j] = _mm_aesenc_si128(b[j], k.k[r]);
    }
#pragma GCC unroll 8
    for (std::size_t j = 0; j < kLanes; ++j) b[j] = _mm_aesenclast_si128(b[j], k.k[kRounds]);
}

QM_AESNI inline void decrypt8(__m128i b[kLanes], const RoundKeys& k) {
#pragma GCC unroll 8
    for (std::size_t j = 0; j < kLanes; ++j) b[j] = _mm_xor_si128(b[j], k.k[0]);
#pragma GCC unroll 13
    for (int r = 1; r < kRounds; ++r) {
#pragma GCC unroll 8
        for (std::size_t j = 0; j < kLanes; ++j) b[j] = _mm_aesdec_si128(b[j], k.k[r]);
    }
#pragma GCC unroll 8
    for (std::size_t j = 0; j < kLanes; ++j) b[j] = _mm_aesdeclast_si128(b[j], k.k[kRounds]);
}

}  // namespace

QM_AESNI void niEncryptKey256(const std::uint8_t key[32], std::uint32_t ks[60]) {
    __m128i k[kRounds + 1];
    k[0] = load(key);
    k[1] = load(key + 16);
    k[2] = expandEven<0x01>(k[0], k[1]);
    k[3] = expandOdd(k[1], k[2]);
    k[4] = expandEven<0x02>(k[2], k[3]);
    k[5] = expandOdd(k[3], k[4]);
    k[6] = expandEven<0x04>(k[4], k[5]);
    k[7] = expandOdd(k[5], k[6]);
    k[8] = expandEven<0x08>(k[6], k[7]);
    k[9] = expandOdd(k[7], k[8]);
    k[10] = expandEven<0x10>(k[8], k[9]);
    k[11] = expandOdd(k[9], k[10]);
    k[12] = expandEven<0x20>(k[10], k[11]);
    k[13] = expandOdd(k[11], k[12]);
    k[14] = expandEven<0x40>(k[12], k[13]);
    for (int i = 0; i <= kRounds; ++i)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(ks + 4 * i), k[i]);
}

QM_AESNI void niInvertSchedule(const std::uint32_t enc[60], std::uint32_t dec[60]) {
    const RoundKeys e = loadKeys(enc);
    for (int i = 0; i <= kRounds; ++i) {
        const __m128i k = e.k[kRounds - i];
        const __m128i d = (i == 0 || i == kRounds) ? k : _mm_aesimc_si128(k);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dec + 4 * i), d);
    }
}

QM_AESNI void niEncryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                             const std::uint32_t ks[60]) {
    store(out, encrypt1(load(in), loadKeys(ks)));
}

QM_AESNI void niDecryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                             const std::uint32_t ks[60]) {
    store(out, decrypt1(load(in), loadKeys(ks)));
}

QM_AESNI void niEcbEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks,
                           const std::uint32_t ks[60]) {
    const RoundKeys k = loadKeys(ks);
    for (; blocks >= kLanes; blocks -= kLanes, in += 16 * kLanes, out += 16 * kLanes) {
        __m128i b[kLanes];
        for (std::size_t j = 0; j < kLanes; ++j) b[j] = load(in + 16 * j);
        encrypt8(b, k);
        for (std::size_t j = 0; j < kLanes; ++j) store(out + 16 * j, b[j]);
    }
    for (; blocks > 0; --blocks, in += 16, out += 16) store(out, encrypt1(load(in), k));
}

QM_AESNI void niEcbDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks,
                           const std::uint32_t ks[60]) {
    const RoundKeys k = loadKeys(ks);
    for (; blocks >= kLanes; blocks -= kLanes, in += 16 * kLanes, out += 16 * kLanes) {
        __m128i b[kLanes];
        for (std::size_t j = 0; j < kLanes; ++j) b[j] = load(in + 16 * j);
        decrypt8(b, k);
        for (std::size_t j = 0; j < kLanes; ++j) store(out + 16 * j, b[j]);
    }
    for (; blocks > 0; --blocks, in += 16, out += 16) store(out, decrypt1(load(in), k));
}

// Each block depends on the one before, so encryption runs one block at a time.
QM_AESNI void niCbcEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks,
                           const std::uint32_t ks[60], std::uint8_t iv[16]) {
    const RoundKeys k = loadKeys(ks);
    __m128i chain = load(iv);
    for (; blocks > 0; --blocks, in += 16, out += 16) {
        chain = encrypt1(_mm_xor_si128(chain, load(in)), k);
        store(out, chain);
    }
    store(iv, chain);
}

// All ciphertext blocks of a batch are loaded before any output is stored, so out may equal in.
QM_AESNI void niCbcDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks,
                           const std::uint32_t ks[60], std::uint8_t iv[16]) {
    const RoundKeys k = loadKeys(ks);
    __m128i chain = load(iv);
    for (; blocks >= kLanes; blocks -= kLanes, in += 16 * kLanes, out += 16 * kLanes) {
        __m128i c[kLanes], b[kLanes];
        for (std::size_t j = 0; j < kLanes; ++j) b[j] = c[j] = load(in + 16 * j);
        decrypt8(b, k);
        store(out, _mm_xor_si128(b[0], chain));
        for (std::size_t j = 1; j < kLanes; ++j) store(out + 16 * j, _mm_xor_si128(b[j], c[j - 1]));
        chain = c[kLanes - 1];
    }
    for (; blocks > 0; --blocks, in += 16, out += 16) {
        const __m128i c = load(in);
        store(out, _mm_xor_si128(decrypt1(c, k), chain));
        chain = c;
    }
    store(iv, chain);
}

}  // namespace qm::aes_detail

#endif  // QM_HAVE_AESNI_PATH
