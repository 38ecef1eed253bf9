// SHA-256, HMAC-SHA-256 and PBKDF2 against the FIPS 180-2 examples, RFC 4231 and published PBKDF2
// vectors, and the rules of the streaming interfaces (partial output, key phase, refused input).
#include "crypto/sha256.h"

#include <gtest/gtest.h>

#include "tests/crypto/crypto_test_support.h"

using namespace qm;
using namespace qmtest;

namespace {

std::string digestInPieces(const Bytes& data, std::size_t piece) {
    Sha256Context ctx;
    sha256Begin(ctx);
    for (std::size_t off = 0; off < data.size(); off += piece)
        sha256Hash(data.data() + off, std::min(piece, data.size() - off), ctx);
    std::uint8_t out[32];
    sha256End(out, ctx);
    return toHex(out, 32);
}

std::string oneShot(const Bytes& data) {
    std::uint8_t out[32];
    sha256(out, data.data(), data.size());
    return toHex(out, 32);
}

struct HmacCase {
    Bytes key, data;
    std::string mac;
};

std::vector<HmacCase> rfc4231Cases() {
    const Bytes longKey(131, 0xaa);
    return {
        {Bytes(20, 0x0b), bytesOf("Hi There"),
         "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {bytesOf("Jefe"), bytesOf("what do ya want for nothing?"),
         "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {Bytes(20, 0xaa), Bytes(50, 0xdd),
         "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
        {fromHex("0102030405060708090a0b0c0d0e0f10111213141516171819"), Bytes(50, 0xcd),
         "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
        {Bytes(20, 0x0c), bytesOf("Test With Truncation"), "a3b6167473100ee06e0c796c2955552b"},
        {longKey, bytesOf("Test Using Larger Than Block-Size Key - Hash Key First"),
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
        {longKey,
         bytesOf("This is a test using a larger than block-size key and a larger than block-size "
                 "data. The key needs to be hashed before being used by the HMAC algorithm."),
         "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
    };
}

// MAC with the key and the data each given in pieces of the stated size.
std::string macInPieces(const HmacCase& c, std::size_t keyPiece, std::size_t dataPiece,
                        std::size_t n) {
    HmacSha256Context ctx;
    hmacSha256Begin(ctx);
    for (std::size_t off = 0; off < c.key.size(); off += keyPiece)
        EXPECT_EQ(hmacSha256Key(c.key.data() + off, std::min(keyPiece, c.key.size() - off), ctx),
                  0);
    for (std::size_t off = 0; off < c.data.size(); off += dataPiece)
        hmacSha256Data(c.data.data() + off, std::min(dataPiece, c.data.size() - off), ctx);
    Bytes out(n);
    hmacSha256End(out.data(), n, ctx);
    return toHex(out);
}

std::string pbkdf2(const Bytes& password, const Bytes& salt, std::uint32_t iterations,
                   std::size_t len) {
    Bytes out(len);
    EXPECT_EQ(pbkdf2HmacSha256(password.data(), password.size(), salt.data(), salt.size(),
                               iterations, out.data(), out.size()),
              0);
    return toHex(out);
}

}  // namespace

TEST_P(ShaPathTest, Sha256MatchesTheFips180Examples) {
    EXPECT_EQ(oneShot(bytesOf("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(oneShot({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    const Bytes m448 = bytesOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq");
    const char* d448 = "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1";
    EXPECT_EQ(oneShot(m448), d448);
    EXPECT_EQ(digestInPieces(m448, 1), d448);
    EXPECT_EQ(digestInPieces(m448, 55), d448);
    const Bytes million(1000000, 'a');
    const char* dMillion = "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";
    EXPECT_EQ(oneShot(million), dMillion);
    EXPECT_EQ(digestInPieces(million, 1000), dMillion);
    EXPECT_EQ(digestInPieces(million, 63), dMillion);
}

TEST_P(ShaPathTest, Sha256FinishWritesOnlyTheRequestedPrefix) {
    Sha256Context ctx;
    sha256Begin(ctx);
    sha256Hash(reinterpret_cast<const std::uint8_t*>("abc"), 3, ctx);
    Sha256Context copy = ctx;
    Bytes out(48, 0xee);
    sha256Finish(out.data(), ctx, 7);
    EXPECT_EQ(toHex(out.data(), 8), "ba7816bf8f01cfee");
    // A request beyond the digest gets the digest and nothing past it.
    sha256Finish(out.data(), copy, 48);
    EXPECT_EQ(toHex(out.data(), 33),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015adee");
}

TEST_P(ShaPathTest, HmacMatchesRfc4231InAnyPieces) {
    for (const HmacCase& c : rfc4231Cases()) {
        const std::size_t n = c.mac.size() / 2;
        Bytes out(n);
        hmacSha256(c.key.data(), c.key.size(), c.data.data(), c.data.size(), out.data(), n);
        EXPECT_EQ(toHex(out), c.mac);
        EXPECT_EQ(macInPieces(c, 1, 1, n), c.mac);
        EXPECT_EQ(macInPieces(c, 60, 7, n),
                  c.mac);  // a long key crosses the block on its 2nd piece
        EXPECT_EQ(macInPieces(c, 64, 64, n), c.mac);
    }
}

TEST_P(ShaPathTest, HmacRefusesKeyBytesOnceDataHasBeenAdded) {
    const HmacCase c = rfc4231Cases()[1];
    HmacSha256Context ctx;
    hmacSha256Begin(ctx);
    ASSERT_EQ(hmacSha256Key(c.key.data(), c.key.size(), ctx), 0);
    hmacSha256Data(c.data.data(), 10, ctx);
    EXPECT_EQ(ctx.keyLength, kHmacPastKeyPhase);
    EXPECT_EQ(hmacSha256Key(reinterpret_cast<const std::uint8_t*>("more"), 4, ctx), -1);
    hmacSha256Data(c.data.data() + 10, c.data.size() - 10, ctx);
    std::uint8_t out[32];
    hmacSha256End(out, 32, ctx);
    EXPECT_EQ(toHex(out, 32), c.mac);

    // A MAC with no data at all also ends the key phase.
    hmacSha256Begin(ctx);
    ASSERT_EQ(hmacSha256Key(c.key.data(), c.key.size(), ctx), 0);
    hmacSha256End(out, 32, ctx);
    EXPECT_EQ(hmacSha256Key(c.key.data(), 1, ctx), -1);
    std::uint8_t direct[32];
    hmacSha256(c.key.data(), c.key.size(), nullptr, 0, direct, 32);
    EXPECT_EQ(toHex(out, 32), toHex(direct, 32));
    EXPECT_EQ(toHex(out, 32),  // as computed by libcrypto
              "923598ca6d64af2a5dba79dcd021a8a0fe5c5f557519adaaf0ad532d4506dd30");
}

TEST_P(ShaPathTest, Pbkdf2MatchesPublishedVectors) {
    const Bytes password = bytesOf("password"), salt = bytesOf("salt");
    EXPECT_EQ(pbkdf2(password, salt, 1, 32),
              "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b");
    EXPECT_EQ(pbkdf2(password, salt, 2, 32),
              "ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43");
    EXPECT_EQ(pbkdf2(password, salt, 4096, 32),
              "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a");
    EXPECT_EQ(pbkdf2(bytesOf("passwordPASSWORDpassword"),
                     bytesOf("saltSALTsaltSALTsaltSALTsaltSALTsalt"), 4096, 40),
              "348c89dbcbd32b2f32d814b8116e84cf2b17347ebc1800181c4e2a1fb8dd53e1c635518c7dac47e9");
    EXPECT_EQ(pbkdf2(fromHex("7061737300776f7264"), fromHex("7361006c74"), 4096, 16),
              "89b69d0516f829893c696226650a8687");
    EXPECT_EQ(pbkdf2(bytesOf("passwd"), salt, 1, 64),
              "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
              "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
    // Shorter outputs are prefixes of longer ones, whatever the cut.
    const std::string full = pbkdf2(password, salt, 1024, 60);
    for (std::size_t len : {1u, 31u, 33u, 59u})
        EXPECT_EQ(pbkdf2(password, salt, 1024, len), full.substr(0, 2 * len));
}

TEST_P(ShaPathTest, Pbkdf2RefusesZeroIterations) {
    Bytes out(32, 0x11);
    EXPECT_EQ(pbkdf2HmacSha256(reinterpret_cast<const std::uint8_t*>("pw"), 2, nullptr, 0, 0,
                               out.data(), out.size()),
              -1);
    EXPECT_EQ(out, Bytes(32, 0x11));
    EXPECT_EQ(pbkdf2HmacSha256(nullptr, 0, nullptr, 0, 1, out.data(), 0), 0);
    EXPECT_EQ(out, Bytes(32, 0x11));
}

QM_INSTANTIATE_CRYPTO_PATHS(ShaPathTest);
