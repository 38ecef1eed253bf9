// The AES-256 entry points and block modes. Each call picks the instruction-set path when the
// processor has it and it is allowed, and the table-driven path otherwise; contexts are the same
// for both.
#include "crypto/aes.h"

#include <string.h>  // explicit_bzero

#include <algorithm>
#include <cstring>

#include "crypto/aes_internal.h"
#include "crypto/cpu_features.h"

namespace qm {
namespace {

using namespace aes_detail;

template <class Context>
bool keyed(const Context& ctx) {
    return ctx.inf[0] == kRounds256Byte;
}

bool wholeBlocks(std::size_t len) {
    return len % kAesBlockSize == 0;
}

void setInfo(std::uint8_t inf[4]) {
    inf[0] = kRounds256Byte;
    inf[1] = inf[2] = inf[3] = 0;
}

bool useHardware() {
#ifdef QM_HAVE_AESNI_PATH
    return aesHardwareInUse();
#else
    return false;
#endif
}

void encryptOne(const std::uint8_t in[16], std::uint8_t out[16], const std::uint32_t ks[60]) {
#ifdef QM_HAVE_AESNI_PATH
    if (useHardware()) return niEncryptBlock(in, out, ks);
#endif
    tableEncryptBlock(in, out, ks);
}

void decryptOne(const std::uint8_t in[16], std::uint8_t out[16], const std::uint32_t ks[60]) {
#ifdef QM_HAVE_AESNI_PATH
    if (useHardware()) return niDecryptBlock(in, out, ks);
#endif
    tableDecryptBlock(in, out, ks);
}

void xorInto(std::uint8_t* dst, const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) dst[i] = a[i] ^ b[i];
}

void tableCbcEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                     const std::uint32_t ks[60], std::uint8_t iv[16]) {
    for (std::size_t off = 0; off < len; off += kAesBlockSize) {
        xorInto(iv, iv, in + off, kAesBlockSize);
        tableEncryptBlock(iv, iv, ks);
        std::memcpy(out + off, iv, kAesBlockSize);
    }
}

// The ciphertext block is copied before its plaintext is written, so out may equal in.
void tableCbcDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                     const std::uint32_t ks[60], std::uint8_t iv[16]) {
    std::uint8_t cipher[kAesBlockSize], plain[kAesBlockSize];
    for (std::size_t off = 0; off < len; off += kAesBlockSize) {
        std::memcpy(cipher, in + off, kAesBlockSize);
        tableDecryptBlock(cipher, plain, ks);
        xorInto(out + off, plain, iv, kAesBlockSize);
        std::memcpy(iv, cipher, kAesBlockSize);
    }
}

}  // namespace

void aesEncryptKey256(const std::uint8_t key[32], AesEncryptContext& ctx) {
#ifdef QM_HAVE_AESNI_PATH
    if (useHardware()) {
        niEncryptKey256(key, ctx.ks);
        setInfo(ctx.inf);
        return;
    }
#endif
    tableEncryptKey256(key, ctx.ks);
    setInfo(ctx.inf);
}

void aesDecryptKey256(const std::uint8_t key[32], AesDecryptContext& ctx) {
    AesEncryptContext enc;
    aesEncryptKey256(key, enc);
#ifdef QM_HAVE_AESNI_PATH
    if (useHardware()) {
        niInvertSchedule(enc.ks, ctx.ks);
    } else {
        tableInvertSchedule(enc.ks, ctx.ks);
    }
#else
    tableInvertSchedule(enc.ks, ctx.ks);
#endif
    explicit_bzero(&enc, sizeof enc);
    setInfo(ctx.inf);
}

int aesEncryptBlock(const std::uint8_t in[16], std::uint8_t out[16], const AesEncryptContext& ctx) {
    if (!keyed(ctx)) return kAesFailure;
    encryptOne(in, out, ctx.ks);
    return kAesSuccess;
}

int aesDecryptBlock(const std::uint8_t in[16], std::uint8_t out[16], const AesDecryptContext& ctx) {
    if (!keyed(ctx)) return kAesFailure;
    decryptOne(in, out, ctx.ks);
    return kAesSuccess;
}

int aesEcbEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                  const AesEncryptContext& ctx) {
    if (!keyed(ctx) || !wholeBlocks(len)) return kAesFailure;
#ifdef QM_HAVE_AESNI_PATH
    if (useHardware()) {
        niEcbEncrypt(in, out, len / kAesBlockSize, ctx.ks);
        return kAesSuccess;
    }
#endif
    for (std::size_t off = 0; off < len; off += kAesBlockSize)
        tableEncryptBlock(in + off, out + off, ctx.ks);
    return kAesSuccess;
}

int aesEcbDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                  const AesDecryptContext& ctx) {
    if (!keyed(ctx) || !wholeBlocks(len)) return kAesFailure;
#ifdef QM_HAVE_AESNI_PATH
    if (useHardware()) {
        niEcbDecrypt(in, out, len / kAesBlockSize, ctx.ks);
        return kAesSuccess;
    }
#endif
    for (std::size_t off = 0; off < len; off += kAesBlockSize)
        tableDecryptBlock(in + off, out + off, ctx.ks);
    return kAesSuccess;
}

int aesCbcEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                  const AesEncryptContext& ctx, std::uint8_t iv[16]) {
    if (!keyed(ctx) || !wholeBlocks(len)) return kAesFailure;
#ifdef QM_HAVE_AESNI_PATH
    if (useHardware()) {
        niCbcEncrypt(in, out, len / kAesBlockSize, ctx.ks, iv);
        return kAesSuccess;
    }
#endif
    tableCbcEncrypt(in, out, len, ctx.ks, iv);
    return kAesSuccess;
}

int aesCbcDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                  const AesDecryptContext& ctx, std::uint8_t iv[16]) {
    if (!keyed(ctx) || !wholeBlocks(len)) return kAesFailure;
#ifdef QM_HAVE_AESNI_PATH
    if (useHardware()) {
        niCbcDecrypt(in, out, len / kAesBlockSize, ctx.ks, iv);
        return kAesSuccess;
    }
#endif
    tableCbcDecrypt(in, out, len, ctx.ks, iv);
    return kAesSuccess;
}

// In CFB the IV becomes the key stream at the start of each block and is then overwritten, byte
// by byte, with the ciphertext, which is the next block's cipher input.
int aesCfbEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                  AesEncryptContext& ctx, std::uint8_t iv[16]) {
    if (!keyed(ctx)) return kAesFailure;
    unsigned pos = ctx.inf[2] & 15u;
    for (std::size_t i = 0; i < len; ++i) {
        if (pos == 0) encryptOne(iv, iv, ctx.ks);
        iv[pos] ^= in[i];
        out[i] = iv[pos];
        pos = (pos + 1) & 15u;
    }
    ctx.inf[2] = static_cast<std::uint8_t>(pos);
    return kAesSuccess;
}

int aesCfbDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len,
                  AesEncryptContext& ctx, std::uint8_t iv[16]) {
    if (!keyed(ctx)) return kAesFailure;
    unsigned pos = ctx.inf[2] & 15u;
    for (std::size_t i = 0; i < len; ++i) {
        if (pos == 0) encryptOne(iv, iv, ctx.ks);
        const std::uint8_t c = in[i];
        out[i] = iv[pos] ^ c;
        iv[pos] = c;
        pos = (pos + 1) & 15u;
    }
    ctx.inf[2] = static_cast<std::uint8_t>(pos);
    return kAesSuccess;
}

// In OFB the IV is the key stream itself and is enciphered again at the start of each block.
int aesOfbCrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len, AesEncryptContext& ctx,
                std::uint8_t iv[16]) {
    if (!keyed(ctx)) return kAesFailure;
    unsigned pos = ctx.inf[2] & 15u;
    for (std::size_t i = 0; i < len; ++i) {
        if (pos == 0) encryptOne(iv, iv, ctx.ks);
        out[i] = in[i] ^ iv[pos];
        pos = (pos + 1) & 15u;
    }
    ctx.inf[2] = static_cast<std::uint8_t>(pos);
    return kAesSuccess;
}

// The key stream of a part-used block is not kept: it is made again from the counter block, which
// is only advanced once its block is used up.
int aesCtrCrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t len, AesEncryptContext& ctx,
                std::uint8_t counter[16], AesCounterIncrement increment) {
    if (!keyed(ctx) || increment == nullptr) return kAesFailure;
    unsigned pos = ctx.inf[2] & 15u;
    std::uint8_t stream[kAesBlockSize];
    while (len > 0) {
        encryptOne(counter, stream, ctx.ks);
        const std::size_t n = std::min<std::size_t>(kAesBlockSize - pos, len);
        xorInto(out, in, stream + pos, n);
        in += n, out += n, len -= n;
        pos += static_cast<unsigned>(n);
        if (pos == kAesBlockSize) {
            increment(counter);
            pos = 0;
        }
    }
    explicit_bzero(stream, sizeof stream);
    ctx.inf[2] = static_cast<std::uint8_t>(pos);
    return kAesSuccess;
}

void aesModeReset(AesEncryptContext& ctx) {
    ctx.inf[2] = 0;
}

}  // namespace qm
