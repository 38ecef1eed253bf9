// Hex, random data and path selection for the cipher and hash tests.
#include "tests/crypto/crypto_test_support.h"

#include <stdexcept>

namespace qmtest {

Bytes fromHex(const std::string& hex) {
    if (hex.size() % 2 != 0) throw std::invalid_argument("odd hex length");
    Bytes out(hex.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return out;
}

std::string toHex(const std::uint8_t* data, std::size_t len) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < len; ++i) {
        s += digits[data[i] >> 4];
        s += digits[data[i] & 15];
    }
    return s;
}

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes randomBytes(std::mt19937_64& rng, std::size_t len) {
    Bytes out(len);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

std::string cryptoPathName(const ::testing::TestParamInfo<CryptoPath>& info) {
    return info.param == CryptoPath::Hardware ? "Hardware" : "Table";
}

void CryptoPathTest::SetUp() {
    const bool hardware = GetParam() == CryptoPath::Hardware;
    // No install brings a processor its instructions: the table path, which every machine runs,
    // stands in for the program there, so this skip holds in CI too.
    if (hardware && !hardwarePresent()) GTEST_SKIP() << "the processor lacks the instructions";
    qm::setCryptoHardwareAllowed(hardware);
}

}  // namespace qmtest
