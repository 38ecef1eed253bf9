// Randomised agreement with OpenSSL's libcrypto, an implementation we did not write: many keys,
// IVs, lengths and ways of splitting the input, on both the hardware and the table path.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <memory>

#include "crypto/aes.h"
#include "crypto/sha256.h"
#include "tests/crypto/crypto_test_support.h"

using namespace qm;
using namespace qmtest;

namespace {

Bytes libcryptoCipher(const EVP_CIPHER* cipher, bool encrypt, const Bytes& key, const Bytes& iv,
                      const Bytes& in) {
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        EVP_CIPHER_CTX_free);
    Bytes out(in.size() + 16);
    int n = 0, tail = 0;
    const bool ok =
        EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key.data(), iv.empty() ? nullptr : iv.data(),
                          encrypt ? 1 : 0) == 1 &&
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) == 1 &&
        EVP_CipherUpdate(ctx.get(), out.data(), &n, in.data(), static_cast<int>(in.size())) == 1 &&
        EVP_CipherFinal_ex(ctx.get(), out.data() + n, &tail) == 1;
    EXPECT_TRUE(ok);
    out.resize(static_cast<std::size_t>(n + tail));
    return out;
}

void incrementCounter(std::uint8_t counter[16]) {
    for (int i = 15; i >= 0 && ++counter[i] == 0; --i) {
    }
}

// Random piece sizes that add up to len, with small pieces frequent so positions inside a block
// and across block boundaries are all reached.
std::vector<std::size_t> randomPieces(std::mt19937_64& rng, std::size_t len) {
    std::vector<std::size_t> pieces;
    while (len > 0) {
        const std::size_t n =
            std::min<std::size_t>(len, rng() % 2 ? rng() % 17 + 1 : rng() % 200 + 1);
        pieces.push_back(n);
        len -= n;
    }
    return pieces;
}

using StreamCall = int (*)(const std::uint8_t*, std::uint8_t*, std::size_t, AesEncryptContext&,
                           std::uint8_t*);

Bytes ourStream(StreamCall call, const Bytes& key, Bytes iv, const Bytes& in,
                const std::vector<std::size_t>& pieces) {
    AesEncryptContext ctx;
    aesEncryptKey256(key.data(), ctx);
    Bytes out(in.size());
    std::size_t off = 0;
    for (std::size_t n : pieces) {
        EXPECT_EQ(call(in.data() + off, out.data() + off, n, ctx, iv.data()), 0);
        off += n;
    }
    return out;
}

Bytes ourCtr(const Bytes& key, Bytes counter, const Bytes& in,
             const std::vector<std::size_t>& pieces) {
    AesEncryptContext ctx;
    aesEncryptKey256(key.data(), ctx);
    Bytes out(in.size());
    std::size_t off = 0;
    for (std::size_t n : pieces) {
        EXPECT_EQ(aesCtrCrypt(in.data() + off, out.data() + off, n, ctx, counter.data(),
                              incrementCounter),
                  0);
        off += n;
    }
    return out;
}

}  // namespace

TEST_P(AesPathTest, BlockModesAgreeWithLibcrypto) {
    std::mt19937_64 rng(20240801);
    for (int round = 0; round < 300; ++round) {
        const Bytes key = randomBytes(rng, 32), iv = randomBytes(rng, 16);
        const std::size_t blocks = round < 20 ? static_cast<std::size_t>(round) : rng() % 300;
        const Bytes plain = randomBytes(rng, 16 * blocks);
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(plain.size()) +
                     " bytes");
        AesEncryptContext enc;
        AesDecryptContext dec;
        aesEncryptKey256(key.data(), enc);
        aesDecryptKey256(key.data(), dec);

        Bytes out(plain.size()), back(plain.size());
        ASSERT_EQ(aesEcbEncrypt(plain.data(), out.data(), out.size(), enc), 0);
        EXPECT_EQ(out, libcryptoCipher(EVP_aes_256_ecb(), true, key, {}, plain));
        ASSERT_EQ(aesEcbDecrypt(out.data(), back.data(), back.size(), dec), 0);
        EXPECT_EQ(back, plain);

        Bytes chain = iv;
        ASSERT_EQ(aesCbcEncrypt(plain.data(), out.data(), out.size(), enc, chain.data()), 0);
        const Bytes expected = libcryptoCipher(EVP_aes_256_cbc(), true, key, iv, plain);
        EXPECT_EQ(out, expected);
        if (!expected.empty()) {
            EXPECT_EQ(chain, Bytes(expected.end() - 16, expected.end()));
        }
        chain = iv;
        ASSERT_EQ(aesCbcDecrypt(out.data(), out.data(), out.size(), dec, chain.data()), 0);
        EXPECT_EQ(out, plain);
    }
}

TEST_P(AesPathTest, StreamModesAgreeWithLibcryptoInAnyPieces) {
    std::mt19937_64 rng(97);
    for (int round = 0; round < 200; ++round) {
        const Bytes key = randomBytes(rng, 32), iv = randomBytes(rng, 16);
        const Bytes plain = randomBytes(rng, rng() % 1200);
        const std::vector<std::size_t> pieces = randomPieces(rng, plain.size());
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(plain.size()) +
                     " bytes");

        const Bytes cfb = libcryptoCipher(EVP_aes_256_cfb128(), true, key, iv, plain);
        EXPECT_EQ(ourStream(aesCfbEncrypt, key, iv, plain, pieces), cfb);
        EXPECT_EQ(ourStream(aesCfbDecrypt, key, iv, cfb, randomPieces(rng, cfb.size())), plain);
        EXPECT_EQ(ourStream(aesOfbCrypt, key, iv, plain, pieces),
                  libcryptoCipher(EVP_aes_256_ofb(), true, key, iv, plain));
        EXPECT_EQ(ourCtr(key, iv, plain, pieces),
                  libcryptoCipher(EVP_aes_256_ctr(), true, key, iv, plain));
    }
}

TEST_P(ShaPathTest, DigestsAndMacsAgreeWithLibcryptoInAnyPieces) {
    std::mt19937_64 rng(6103);
    for (int round = 0; round < 400; ++round) {
        const std::size_t len = round < 140 ? static_cast<std::size_t>(round) : rng() % 5000;
        const Bytes data = randomBytes(rng, len);
        const Bytes key = randomBytes(rng, rng() % 3 == 0 ? rng() % 300 : rng() % 70);
        SCOPED_TRACE("round " + std::to_string(round));

        std::uint8_t expected[32];
        unsigned expectedLen = 0;
        ASSERT_EQ(
            EVP_Digest(data.data(), data.size(), expected, &expectedLen, EVP_sha256(), nullptr), 1);
        Sha256Context sha;
        sha256Begin(sha);
        std::size_t off = 0;
        for (std::size_t n : randomPieces(rng, data.size())) {
            sha256Hash(data.data() + off, n, sha);
            off += n;
        }
        std::uint8_t digest[32];
        sha256End(digest, sha);
        EXPECT_EQ(toHex(digest, 32), toHex(expected, 32));

        ASSERT_NE(HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()), data.data(),
                       data.size(), expected, &expectedLen),
                  nullptr);
        HmacSha256Context mac;
        hmacSha256Begin(mac);
        off = 0;
        for (std::size_t n : randomPieces(rng, key.size())) {
            ASSERT_EQ(hmacSha256Key(key.data() + off, n, mac), 0);
            off += n;
        }
        off = 0;
        for (std::size_t n : randomPieces(rng, data.size())) {
            hmacSha256Data(data.data() + off, n, mac);
            off += n;
        }
        hmacSha256End(digest, 32, mac);
        EXPECT_EQ(toHex(digest, 32), toHex(expected, 32));
    }
}

TEST_P(ShaPathTest, Pbkdf2AgreesWithLibcrypto) {
    std::mt19937_64 rng(1024);
    auto check = [](const Bytes& password, const Bytes& salt, std::uint32_t iterations,
                    std::size_t len) {
        Bytes ours(len), theirs(len);
        ASSERT_EQ(pbkdf2HmacSha256(password.data(), password.size(), salt.data(), salt.size(),
                                   iterations, ours.data(), len),
                  0);
        ASSERT_EQ(PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(password.data()),
                                    static_cast<int>(password.size()), salt.data(),
                                    static_cast<int>(salt.size()), static_cast<int>(iterations),
                                    EVP_sha256(), static_cast<int>(len), theirs.data()),
                  1);
        EXPECT_EQ(toHex(ours), toHex(theirs))
            << password.size() << "-byte password, " << salt.size() << "-byte salt, " << iterations
            << " iterations, " << len << " bytes";
    };
    // The page encryption's own parameters: 1024 iterations, a 16-byte salt, 60 bytes.
    for (int i = 0; i < 5; ++i)
        check(randomBytes(rng, rng() % 40 + 1), randomBytes(rng, 16), 1024, 60);
    for (int i = 0; i < 60; ++i) {
        check(randomBytes(rng, rng() % 150), randomBytes(rng, rng() % 100), 1 + rng() % 40,
              1 + rng() % 130);
    }
}
