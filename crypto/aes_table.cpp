// The portable AES-256 in its table-driven form: each inner round is four lookups per column in
// tables that combine SubBytes, ShiftRows and MixColumns. The tables are computed at compile time
// from the field arithmetic, so no table of magic numbers has to be trusted.
#include <array>
#include <bit>
#include <cstring>

#include "crypto/aes_internal.h"

namespace qm::aes_detail {
namespace {

using Table = std::array<std::uint32_t, 256>;

constexpr std::uint8_t xtime(std::uint8_t a) {
    return static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1b : 0));
}

constexpr std::uint8_t gmul(std::uint8_t a, std::uint8_t b) {
    std::uint8_t r = 0;
    for (; b != 0; b >>= 1, a = xtime(a)) {
        if (b & 1) r ^= a;
    }
    return r;
}

// The multiplicative inverse is x^254 (0 maps to 0), by squaring and multiplying: 254 is
// 11111110 in binary. Multiplying 254 times over would exceed the steps some compilers allow a
// constant expression for the whole table.
constexpr std::uint8_t ginv(std::uint8_t x) {
    std::uint8_t r = 1, power = x;
    for (int e = 254; e != 0; e >>= 1) {
        if (e & 1) r = gmul(r, power);
        power = gmul(power, power);
    }
    return r;
}

constexpr std::uint8_t rotl8(std::uint8_t b, int n) {
    return static_cast<std::uint8_t>((b << n) | (b >> (8 - n)));
}

constexpr std::array<std::uint8_t, 256> makeSbox() {
    std::array<std::uint8_t, 256> s{};
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t b = ginv(static_cast<std::uint8_t>(x));
        s[x] = b ^ rotl8(b, 1) ^ rotl8(b, 2) ^ rotl8(b, 3) ^ rotl8(b, 4) ^ 0x63;
    }
    return s;
}

constexpr std::array<std::uint8_t, 256> kSbox = makeSbox();

constexpr std::array<std::uint8_t, 256> makeInvSbox() {
    std::array<std::uint8_t, 256> inv{};
    for (int x = 0; x < 256; ++x) inv[kSbox[x]] = static_cast<std::uint8_t>(x);
    return inv;
}

constexpr std::array<std::uint8_t, 256> kInvSbox = makeInvSbox();

constexpr std::uint32_t rotl32(std::uint32_t w, int n) {
    return n == 0 ? w : (w << n) | (w >> (32 - n));
}

constexpr std::uint32_t column(std::uint8_t r0, std::uint8_t r1, std::uint8_t r2, std::uint8_t r3) {
    return r0 | (std::uint32_t{r1} << 8) | (std::uint32_t{r2} << 16) | (std::uint32_t{r3} << 24);
}

// Entry x of table r: the column that byte x in row r contributes to a round's output column.
constexpr Table makeEncTable(int row) {
    Table t{};
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t s = kSbox[x];
        t[x] = rotl32(column(gmul(s, 2), s, s, gmul(s, 3)), 8 * row);
    }
    return t;
}

constexpr Table makeDecTable(int row) {
    Table t{};
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t s = kInvSbox[x];
        t[x] = rotl32(column(gmul(s, 14), gmul(s, 9), gmul(s, 13), gmul(s, 11)), 8 * row);
    }
    return t;
}

constexpr Table kTe0 = makeEncTable(0), kTe1 = makeEncTable(1), kTe2 = makeEncTable(2),
                kTe3 = makeEncTable(3);
constexpr Table kTd0 = makeDecTable(0), kTd1 = makeDecTable(1), kTd2 = makeDecTable(2),
                kTd3 = makeDecTable(3);

static_assert(kSbox[0x00] == 0x63 && kSbox[0x53] == 0xed && kInvSbox[0x63] == 0x00);

inline std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    return w;  // the table layout assumes a little-endian host
}

inline void store32(std::uint8_t* p, std::uint32_t w) {
    std::memcpy(p, &w, 4);
}

inline std::uint8_t byteOf(std::uint32_t w, int row) {
    return static_cast<std::uint8_t>(w >> (8 * row));
}

std::uint32_t subWord(std::uint32_t w) {
    return column(kSbox[byteOf(w, 0)], kSbox[byteOf(w, 1)], kSbox[byteOf(w, 2)],
                  kSbox[byteOf(w, 3)]);
}

std::uint32_t invMixColumn(std::uint32_t w) {
    return kTd0[kSbox[byteOf(w, 0)]] ^ kTd1[kSbox[byteOf(w, 1)]] ^ kTd2[kSbox[byteOf(w, 2)]] ^
           kTd3[kSbox[byteOf(w, 3)]];
}

// One output column of a round: row r of it comes from the column r places on (ShiftRows), or r
// places back for the inverse; a, b, c, d are the columns that feed rows 0 to 3.
inline std::uint32_t encColumn(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return kTe0[byteOf(a, 0)] ^ kTe1[byteOf(b, 1)] ^ kTe2[byteOf(c, 2)] ^ kTe3[byteOf(d, 3)];
}

inline std::uint32_t encLastColumn(std::uint32_t a, std::uint32_t b, std::uint32_t c,
                                   std::uint32_t d) {
    return column(kSbox[byteOf(a, 0)], kSbox[byteOf(b, 1)], kSbox[byteOf(c, 2)],
                  kSbox[byteOf(d, 3)]);
}

inline std::uint32_t decColumn(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return kTd0[byteOf(a, 0)] ^ kTd1[byteOf(b, 1)] ^ kTd2[byteOf(c, 2)] ^ kTd3[byteOf(d, 3)];
}

inline std::uint32_t decLastColumn(std::uint32_t a, std::uint32_t b, std::uint32_t c,
                                   std::uint32_t d) {
    return column(kInvSbox[byteOf(a, 0)], kInvSbox[byteOf(b, 1)], kInvSbox[byteOf(c, 2)],
                  kInvSbox[byteOf(d, 3)]);
}

}  // namespace

static_assert(std::endian::native == std::endian::little, "column words are little-endian");

void tableEncryptKey256(const std::uint8_t key[32], std::uint32_t ks[60]) {
    for (int i = 0; i < 8; ++i) ks[i] = load32(key + 4 * i);
    std::uint8_t rcon = 1;
    for (int i = 8; i < 60; ++i) {
        std::uint32_t t = ks[i - 1];
        if (i % 8 == 0) {
            t = subWord((t >> 8) | (t << 24)) ^ rcon;  // RotWord, SubWord, Rcon
            rcon = xtime(rcon);
        } else if (i % 8 == 4) {
            t = subWord(t);
        }
        ks[i] = ks[i - 8] ^ t;
    }
}

void tableInvertSchedule(const std::uint32_t enc[60], std::uint32_t dec[60]) {
    for (int r = 0; r <= 14; ++r) {
        for (int c = 0; c < 4; ++c) {
            const std::uint32_t w = enc[4 * (14 - r) + c];
            dec[4 * r + c] = (r == 0 || r == 14) ? w : invMixColumn(w);
        }
    }
}

void tableEncryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                       const std::uint32_t ks[60]) {
    std::uint32_t s0 = load32(in) ^ ks[0], s1 = load32(in + 4) ^ ks[1];
    std::uint32_t s2 = load32(in + 8) ^ ks[2], s3 = load32(in + 12) ^ ks[3];
    for (const std::uint32_t* rk = ks + 4; rk < ks + 56; rk += 4) {
        const std::uint32_t t0 = encColumn(s0, s1, s2, s3) ^ rk[0];
        const std::uint32_t t1 = encColumn(s1, s2, s3, s0) ^ rk[1];
        const std::uint32_t t2 = encColumn(s2, s3, s0, s1) ^ rk[2];
        const std::uint32_t t3 = encColumn(s3, s0, s1, s2) ^ rk[3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    store32(out, encLastColumn(s0, s1, s2, s3) ^ ks[56]);
    store32(out + 4, encLastColumn(s1, s2, s3, s0) ^ ks[57]);
    store32(out + 8, encLastColumn(s2, s3, s0, s1) ^ ks[58]);
    store32(out + 12, encLastColumn(s3, s0, s1, s2) ^ ks[59]);
}

void tableDecryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                       const std::uint32_t ks[60]) {
    std::uint32_t s0 = load32(in) ^ ks[0], s1 = load32(in + 4) ^ ks[1];
    std::uint32_t s2 = load32(in + 8) ^ ks[2], s3 = load32(in + 12) ^ ks[3];
    for (const std::uint32_t* rk = ks + 4; rk < ks + 56; rk += 4) {
        const std::uint32_t t0 = decColumn(s0, s3, s2, s1) ^ rk[0];
        const std::uint32_t t1 = decColumn(s1, s0, s3, s2) ^ rk[1];
        const std::uint32_t t2 = decColumn(s2, s1, s0, s3) ^ rk[2];
        const std::uint32_t t3 = decColumn(s3, s2, s1, s0) ^ rk[3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    store32(out, decLastColumn(s0, s3, s2, s1) ^ ks[56]);
    store32(out + 4, decLastColumn(s1, s0, s3, s2) ^ ks[57]);
    store32(out + 8, decLastColumn(s2, s1, s0, s3) ^ ks[58]);
    store32(out + 12, decLastColumn(s3, s2, s1, s0) ^ ks[59]);
}

}  // namespace qm::aes_detail
