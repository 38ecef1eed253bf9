// SHA-256 compression on the processor's SHA instructions. The instructions keep the eight hash
// words in two registers ordered ABEF and CDGH; the state is converted into that order on entry
// and back on exit, and the PBKDF2 loop stays in it across all its rounds.
#include "crypto/sha256_internal.h"

#ifdef QM_HAVE_SHANI_PATH

#include <immintrin.h>

#define QM_SHANI __attribute__((target("sha,sse4.1,ssse3")))

namespace qm::sha256_detail {
namespace {

struct State {
    __m128i abef, cdgh;
};

QM_SHANI inline State toRegisters(const std::uint32_t s[8]) {
    const __m128i cdab =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), 0xB1);
    const __m128i efgh =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4)), 0x1B);
    return {_mm_alignr_epi8(cdab, efgh, 8), _mm_blend_epi16(efgh, cdab, 0xF0)};
}

// Back to the hash words in order: lo holds a, b, c, d and hi e, f, g, h in lanes 0 to 3.
QM_SHANI inline void fromRegisters(State st, __m128i& lo, __m128i& hi) {
    const __m128i feba = _mm_shuffle_epi32(st.abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(st.cdgh, 0xB1);
    lo = _mm_blend_epi16(feba, dchg, 0xF0);
    hi = _mm_alignr_epi8(dchg, feba, 8);
}

// 64 rounds over the message words m (word 4g + j in lane j of m[g]), added into st.
QM_SHANI inline void compress(State& st, __m128i m0, __m128i m1, __m128i m2, __m128i m3) {
    const State saved = st;
    __m128i msg[4] = {m0, m1, m2, m3};
    const __m128i* k = reinterpret_cast<const __m128i*>(kRoundConstants);
#pragma GCC unroll 16
    for (int g = 0; g < 16; ++g) {
        __m128i wk = _mm_add_epi32(msg[g & 3], _mm_load_si128(k + g));
        st.cdgh = _mm_sha256rnds2_epu32(st.cdgh, st.abef, wk);
        if (g >= 3 && g <= 14) {  // words of group g + 1 from groups g - 3 .. g
            const __m128i w7 = _mm_alignr_epi8(msg[g & 3], msg[(g - 1) & 3], 4);
            msg[(g + 1) & 3] =
                _mm_sha256msg2_epu32(_mm_add_epi32(msg[(g + 1) & 3], w7), msg[g & 3]);
        }
        wk = _mm_shuffle_epi32(wk, 0x0E);
        st.abef = _mm_sha256rnds2_epu32(st.abef, st.cdgh, wk);
        if (g >= 1 && g <= 12)
            msg[(g - 1) & 3] = _mm_sha256msg1_epu32(msg[(g - 1) & 3], msg[g & 3]);
    }
    st.abef = _mm_add_epi32(st.abef, saved.abef);
    st.cdgh = _mm_add_epi32(st.cdgh, saved.cdgh);
}

}  // namespace

QM_SHANI void niCompressBlocks(std::uint32_t state[8], const std::uint8_t* data,
                               std::size_t blocks) {
    const __m128i bswap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    State st = toRegisters(state);
    for (; blocks > 0; --blocks, data += 64) {
        __m128i m[4];
        for (int i = 0; i < 4; ++i)
            m[i] = _mm_shuffle_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), bswap);
        compress(st, m[0], m[1], m[2], m[3]);
    }
    __m128i lo, hi;
    fromRegisters(st, lo, hi);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), hi);
}

QM_SHANI void niPbkdf2Iterate(const std::uint32_t inner[8], const std::uint32_t outer[8],
                              std::uint32_t u[8], std::uint32_t acc[8], std::uint32_t count) {
    const State innerState = toRegisters(inner), outerState = toRegisters(outer);
    const __m128i pad = _mm_set_epi32(0, 0, 0, static_cast<int>(0x80000000u));
    const __m128i length = _mm_set_epi32(768, 0, 0, 0);
    __m128i u0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u));
    __m128i u1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u + 4));
    __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(acc));
    __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(acc + 4));
    for (; count > 0; --count) {
        State st = innerState;
        compress(st, u0, u1, pad, length);
        fromRegisters(st, u0, u1);
        st = outerState;
        compress(st, u0, u1, pad, length);
        fromRegisters(st, u0, u1);
        a0 = _mm_xor_si128(a0, u0);
        a1 = _mm_xor_si128(a1, u1);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(u), u0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(u + 4), u1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(acc), a0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(acc + 4), a1);
}

}  // namespace qm::sha256_detail

#endif  // QM_HAVE_SHANI_PATH
