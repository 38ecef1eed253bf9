// AES-256 and its block modes against the published FIPS-197 and SP 800-38A examples, and the
// behaviour of the modes at their edges (lengths, in-place use, streams split across calls).
#include "crypto/aes.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/crypto/crypto_test_support.h"
#include "tests/support/cannot_run.h"

using namespace qm;
using namespace qmtest;

namespace {

const char* kSpKey = "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4";
const char* kSpIv = "000102030405060708090a0b0c0d0e0f";
const char* kSpPlain =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";

AesEncryptContext encryptContext(const Bytes& key) {
    AesEncryptContext ctx;
    aesEncryptKey256(key.data(), ctx);
    return ctx;
}

AesDecryptContext decryptContext(const Bytes& key) {
    AesDecryptContext ctx;
    aesDecryptKey256(key.data(), ctx);
    return ctx;
}

void incrementCounter(std::uint8_t counter[16]) {
    for (int i = 15; i >= 0 && ++counter[i] == 0; --i) {
    }
}

using StreamMode = int (*)(const std::uint8_t*, std::uint8_t*, std::size_t, AesEncryptContext&,
                           std::uint8_t*);

// Runs a stream mode over the input in pieces of the given sizes (cycled).
Bytes streamInPieces(StreamMode mode, const Bytes& in, const std::vector<std::size_t>& pieces) {
    AesEncryptContext ctx = encryptContext(fromHex(kSpKey));
    Bytes iv = fromHex(kSpIv), out(in.size());
    for (std::size_t off = 0, i = 0; off < in.size(); ++i) {
        const std::size_t n = std::min(pieces[i % pieces.size()], in.size() - off);
        EXPECT_EQ(mode(in.data() + off, out.data() + off, n, ctx, iv.data()), 0);
        off += n;
    }
    return out;
}

}  // namespace

TEST_P(AesPathTest, EncryptsAndDecryptsTheFips197Example) {
    const Bytes key = fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const Bytes plain = fromHex("00112233445566778899aabbccddeeff");
    const AesEncryptContext enc = encryptContext(key);
    const AesDecryptContext dec = decryptContext(key);
    std::uint8_t block[16];
    ASSERT_EQ(aesEncryptBlock(plain.data(), block, enc), 0);
    EXPECT_EQ(toHex(block, 16), "8ea2b7ca516745bfeafc49904b496089");
    ASSERT_EQ(aesDecryptBlock(block, block, dec), 0);  // in place
    EXPECT_EQ(toHex(block, 16), toHex(plain));
    EXPECT_EQ(enc.inf[0], 224);
    EXPECT_EQ(dec.inf[0], 224);
}

TEST_P(AesPathTest, KeyScheduleHoldsTheColumnWordsOfTheKeyExpansion) {
    const Bytes key = fromHex(kSpKey);
    const AesEncryptContext enc = encryptContext(key);
    const AesDecryptContext dec = decryptContext(key);
    auto word = [](const std::uint32_t* ks, int i) {
        return toHex(reinterpret_cast<const std::uint8_t*>(ks + i), 4);
    };
    EXPECT_EQ(toHex(reinterpret_cast<const std::uint8_t*>(enc.ks), 32), kSpKey);
    EXPECT_EQ(word(enc.ks, 8), "9ba35411");  // FIPS-197 appendix A.3
    EXPECT_EQ(word(enc.ks, 15), "b75d5b9a");
    EXPECT_EQ(word(enc.ks, 59), "706c631e");
    EXPECT_EQ(std::memcmp(enc.inf, "\xe0\0\0\0", 4), 0);
    // The inverse schedule starts with the last round key and ends with the first, unmixed.
    EXPECT_EQ(std::memcmp(dec.ks, enc.ks + 56, 16), 0);
    EXPECT_EQ(std::memcmp(dec.ks + 56, enc.ks, 16), 0);
    EXPECT_NE(std::memcmp(dec.ks + 4, enc.ks + 52, 16), 0);
}

TEST_P(AesPathTest, EcbMatchesSp80038a) {
    const Bytes plain = fromHex(kSpPlain);
    Bytes out(plain.size());
    ASSERT_EQ(aesEcbEncrypt(plain.data(), out.data(), out.size(), encryptContext(fromHex(kSpKey))),
              0);
    EXPECT_EQ(toHex(out),
              "f3eed1bdb5d2a03c064b5a7e3db181f8591ccb10d410ed26dc5ba74a31362870"
              "b6ed21b99ca6f4f9f153e7b1beafed1d23304b7a39f9f3ff067d8d8f9e24ecc7");
    ASSERT_EQ(aesEcbDecrypt(out.data(), out.data(), out.size(), decryptContext(fromHex(kSpKey))),
              0);
    EXPECT_EQ(toHex(out), kSpPlain);
    EXPECT_EQ(aesEcbEncrypt(plain.data(), out.data(), 17, encryptContext(fromHex(kSpKey))), 1);
}

TEST_P(AesPathTest, CbcMatchesSp80038aAndLeavesTheLastCiphertextInTheIv) {
    const char* expected =
        "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
        "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b";
    const Bytes plain = fromHex(kSpPlain);
    Bytes out(plain.size()), iv = fromHex(kSpIv);
    const AesEncryptContext enc = encryptContext(fromHex(kSpKey));
    // Two calls continue one chain through the IV.
    ASSERT_EQ(aesCbcEncrypt(plain.data(), out.data(), 16, enc, iv.data()), 0);
    ASSERT_EQ(aesCbcEncrypt(plain.data() + 16, out.data() + 16, 48, enc, iv.data()), 0);
    EXPECT_EQ(toHex(out), expected);
    EXPECT_EQ(toHex(iv), "b2eb05e2c39be9fcda6c19078c6a9d1b");

    iv = fromHex(kSpIv);
    Bytes back(out.size());
    ASSERT_EQ(
        aesCbcDecrypt(out.data(), back.data(), 32, decryptContext(fromHex(kSpKey)), iv.data()), 0);
    EXPECT_EQ(toHex(iv), "9cfc4e967edb808d679f777bc6702c7d");
    ASSERT_EQ(aesCbcDecrypt(out.data() + 32, back.data() + 32, 32, decryptContext(fromHex(kSpKey)),
                            iv.data()),
              0);
    EXPECT_EQ(toHex(back), kSpPlain);
}

TEST_P(AesPathTest, CbcRefusesPartialBlocksAndAcceptsNothing) {
    const AesEncryptContext enc = encryptContext(fromHex(kSpKey));
    const AesDecryptContext dec = decryptContext(fromHex(kSpKey));
    const Bytes plain = fromHex(kSpPlain);
    Bytes out(64, 0x5a), iv = fromHex(kSpIv);
    EXPECT_EQ(aesCbcEncrypt(plain.data(), out.data(), 0, enc, iv.data()), 0);
    EXPECT_EQ(aesCbcDecrypt(plain.data(), out.data(), 0, dec, iv.data()), 0);
    EXPECT_EQ(aesCbcEncrypt(plain.data(), out.data(), 17, enc, iv.data()), 1);
    EXPECT_EQ(aesCbcDecrypt(plain.data(), out.data(), 17, dec, iv.data()), 1);
    EXPECT_EQ(aesCbcEncrypt(plain.data(), out.data(), 63, enc, iv.data()), 1);
    EXPECT_EQ(toHex(iv), kSpIv);
    EXPECT_EQ(out, Bytes(64, 0x5a));
}

TEST_P(AesPathTest, CbcDecryptsInPlaceAndFromUnalignedBuffers) {
    std::mt19937_64 rng(6102);
    const Bytes key = randomBytes(rng, 32), iv0 = randomBytes(rng, 16);
    const Bytes page = randomBytes(rng, 4096 + 16 * 5);  // a page and a few blocks beyond a batch
    Bytes cipher(page.size()), iv = iv0;
    ASSERT_EQ(
        aesCbcEncrypt(page.data(), cipher.data(), page.size(), encryptContext(key), iv.data()), 0);
    const Bytes ivAfterEncrypt = iv;

    Bytes separate(page.size());
    iv = iv0;
    ASSERT_EQ(aesCbcDecrypt(cipher.data(), separate.data(), cipher.size(), decryptContext(key),
                            iv.data()),
              0);
    EXPECT_EQ(separate, page);
    EXPECT_EQ(iv, ivAfterEncrypt);

    Bytes inPlace = cipher;
    iv = iv0;
    ASSERT_EQ(aesCbcDecrypt(inPlace.data(), inPlace.data(), inPlace.size(), decryptContext(key),
                            iv.data()),
              0);
    EXPECT_EQ(inPlace, page);

    // Buffers one and three bytes off a word boundary give the same result as aligned ones.
    Bytes shiftedIn(cipher.size() + 1), shiftedOut(cipher.size() + 3);
    std::memcpy(shiftedIn.data() + 1, cipher.data(), cipher.size());
    iv = iv0;
    ASSERT_EQ(aesCbcDecrypt(shiftedIn.data() + 1, shiftedOut.data() + 3, cipher.size(),
                            decryptContext(key), iv.data()),
              0);
    EXPECT_EQ(std::memcmp(shiftedOut.data() + 3, page.data(), page.size()), 0);
    std::memcpy(shiftedIn.data() + 1, page.data(), page.size());
    iv = iv0;
    ASSERT_EQ(aesCbcEncrypt(shiftedIn.data() + 1, shiftedOut.data() + 3, page.size(),
                            encryptContext(key), iv.data()),
              0);
    EXPECT_EQ(std::memcmp(shiftedOut.data() + 3, cipher.data(), cipher.size()), 0);
}

TEST_P(AesPathTest, CfbMatchesSp80038aInAnyPieces) {
    const char* expected =
        "dc7e84bfda79164b7ecd8486985d386039ffed143b28b1c832113c6331e5407b"
        "df10132415e54b92a13ed0a8267ae2f975a385741ab9cef82031623d55b1e471";
    const Bytes plain = fromHex(kSpPlain);
    EXPECT_EQ(toHex(streamInPieces(aesCfbEncrypt, plain, {64})), expected);
    EXPECT_EQ(toHex(streamInPieces(aesCfbEncrypt, plain, {1})), expected);
    EXPECT_EQ(toHex(streamInPieces(aesCfbEncrypt, plain, {5, 16, 11, 3})), expected);
    EXPECT_EQ(toHex(streamInPieces(aesCfbDecrypt, fromHex(expected), {7, 20})), kSpPlain);
}

TEST_P(AesPathTest, OfbMatchesSp80038aInAnyPieces) {
    const char* expected =
        "dc7e84bfda79164b7ecd8486985d38604febdc6740d20b3ac88f6ad82a4fb08d"
        "71ab47a086e86eedf39d1c5bba97c4080126141d67f37be8538f5a8be740e484";
    const Bytes plain = fromHex(kSpPlain);
    EXPECT_EQ(toHex(streamInPieces(aesOfbCrypt, plain, {64})), expected);
    EXPECT_EQ(toHex(streamInPieces(aesOfbCrypt, plain, {3, 13, 17})), expected);
    EXPECT_EQ(toHex(streamInPieces(aesOfbCrypt, fromHex(expected), {9})), kSpPlain);
}

TEST_P(AesPathTest, CtrMatchesSp80038aAndAdvancesTheCounterPerBlock) {
    const char* expected =
        "601ec313775789a5b7a7f504bbf3d228f443e3ca4d62b59aca84e990cacaf5c5"
        "2b0930daa23de94ce87017ba2d84988ddfc9c58db67aada613c2dd08457941a6";
    const Bytes plain = fromHex(kSpPlain);
    for (std::size_t piece : {64u, 1u, 5u, 16u, 20u}) {
        AesEncryptContext ctx = encryptContext(fromHex(kSpKey));
        Bytes counter = fromHex("f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff"), out(plain.size());
        for (std::size_t off = 0; off < plain.size(); off += piece) {
            const std::size_t n = std::min(piece, plain.size() - off);
            ASSERT_EQ(aesCtrCrypt(plain.data() + off, out.data() + off, n, ctx, counter.data(),
                                  incrementCounter),
                      0);
        }
        EXPECT_EQ(toHex(out), expected) << "pieces of " << piece;
        EXPECT_EQ(toHex(counter), "f0f1f2f3f4f5f6f7f8f9fafbfcfdff03") << "pieces of " << piece;
        EXPECT_EQ(ctx.inf[2], 0);
    }
    // A part-used block keeps its counter until it is used up.
    AesEncryptContext ctx = encryptContext(fromHex(kSpKey));
    Bytes counter = fromHex("f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff"), out(20);
    ASSERT_EQ(aesCtrCrypt(plain.data(), out.data(), 20, ctx, counter.data(), incrementCounter), 0);
    EXPECT_EQ(toHex(counter), "f0f1f2f3f4f5f6f7f8f9fafbfcfdff00");
    EXPECT_EQ(ctx.inf[2], 4);
    EXPECT_EQ(aesCtrCrypt(plain.data(), out.data(), 1, ctx, counter.data(), nullptr), 1);
}

TEST_P(AesPathTest, ModeResetStartsTheStreamAtABlockBoundary) {
    AesEncryptContext ctx = encryptContext(fromHex(kSpKey));
    const Bytes plain = fromHex(kSpPlain);
    Bytes iv = fromHex(kSpIv), first(5), again(16);
    ASSERT_EQ(aesOfbCrypt(plain.data(), first.data(), 5, ctx, iv.data()), 0);
    EXPECT_EQ(ctx.inf[2], 5);
    aesModeReset(ctx);
    EXPECT_EQ(ctx.inf[2], 0);
    // After the reset the IV (now the first key-stream block) is enciphered again at once.
    iv = fromHex(kSpIv);
    aesEcbEncrypt(iv.data(), iv.data(), 16, ctx);
    ASSERT_EQ(aesOfbCrypt(plain.data() + 16, again.data(), 16, ctx, iv.data()), 0);
    EXPECT_EQ(toHex(again), "4febdc6740d20b3ac88f6ad82a4fb08d");
}

TEST_P(AesPathTest, RefusesAContextWithoutAKey) {
    AesEncryptContext enc{};
    AesDecryptContext dec{};
    Bytes in(32, 1), out(32, 7), iv(16, 0);
    EXPECT_EQ(aesEncryptBlock(in.data(), out.data(), enc), 1);
    EXPECT_EQ(aesDecryptBlock(in.data(), out.data(), dec), 1);
    EXPECT_EQ(aesEcbEncrypt(in.data(), out.data(), 32, enc), 1);
    EXPECT_EQ(aesEcbDecrypt(in.data(), out.data(), 32, dec), 1);
    EXPECT_EQ(aesCbcEncrypt(in.data(), out.data(), 32, enc, iv.data()), 1);
    EXPECT_EQ(aesCbcDecrypt(in.data(), out.data(), 32, dec, iv.data()), 1);
    EXPECT_EQ(aesCfbEncrypt(in.data(), out.data(), 3, enc, iv.data()), 1);
    EXPECT_EQ(aesCfbDecrypt(in.data(), out.data(), 3, enc, iv.data()), 1);
    EXPECT_EQ(aesOfbCrypt(in.data(), out.data(), 3, enc, iv.data()), 1);
    EXPECT_EQ(aesCtrCrypt(in.data(), out.data(), 3, enc, iv.data(), incrementCounter), 1);
    EXPECT_EQ(out, Bytes(32, 7));
    EXPECT_EQ(iv, Bytes(16, 0));
}

QM_INSTANTIATE_CRYPTO_PATHS(AesPathTest);

// A schedule is the same whichever path made it, so a context made on one path works on the other.
TEST(Aes, SchedulesAreTheSameOnBothPaths) {
    if (!cpuHasAesInstructions()) QM_CANNOT_RUN_HERE("the processor lacks the AES instructions");
    std::mt19937_64 rng(3);
    for (int i = 0; i < 50; ++i) {
        const Bytes key = randomBytes(rng, 32);
        setCryptoHardwareAllowed(false);
        const AesEncryptContext tableEnc = encryptContext(key);
        const AesDecryptContext tableDec = decryptContext(key);
        setCryptoHardwareAllowed(true);
        const AesEncryptContext hardEnc = encryptContext(key);
        const AesDecryptContext hardDec = decryptContext(key);
        ASSERT_EQ(std::memcmp(&tableEnc, &hardEnc, sizeof tableEnc), 0);
        ASSERT_EQ(std::memcmp(&tableDec, &hardDec, sizeof tableDec), 0);
    }
    EXPECT_TRUE(aesHardwareInUse());
    setCryptoHardwareAllowed(false);
    EXPECT_FALSE(aesHardwareInUse());
    setCryptoHardwareAllowed(true);
}
