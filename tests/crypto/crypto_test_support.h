// Helpers shared by the cipher and hash tests: hex conversion, random bytes, and fixtures that run
// a test once on the instruction-set path and once on the forced table-driven path.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crypto/cpu_features.h"

namespace qmtest {

using Bytes = std::vector<std::uint8_t>;

Bytes fromHex(const std::string& hex);
std::string toHex(const std::uint8_t* data, std::size_t len);
inline std::string toHex(const Bytes& b) {
    return toHex(b.data(), b.size());
}
Bytes bytesOf(const std::string& text);
Bytes randomBytes(std::mt19937_64& rng, std::size_t len);

enum class CryptoPath { Hardware, Table };
std::string cryptoPathName(const ::testing::TestParamInfo<CryptoPath>& info);

// Selects the path named by the parameter for the test and allows the hardware again afterwards.
// A hardware run on a processor without the instructions is skipped, in CI too.
class CryptoPathTest : public ::testing::TestWithParam<CryptoPath> {
  protected:
    // Whether the processor has what the hardware run of this suite needs.
    virtual bool hardwarePresent() const = 0;
    void SetUp() override;
    void TearDown() override { qm::setCryptoHardwareAllowed(true); }
};

class AesPathTest : public CryptoPathTest {
  protected:
    bool hardwarePresent() const override { return qm::cpuHasAesInstructions(); }
};

class ShaPathTest : public CryptoPathTest {
  protected:
    bool hardwarePresent() const override { return qm::cpuHasShaInstructions(); }
};

}  // namespace qmtest

#define QM_INSTANTIATE_CRYPTO_PATHS(Suite)                                                        \
    INSTANTIATE_TEST_SUITE_P(                                                                     \
        Paths, Suite, ::testing::Values(qmtest::CryptoPath::Hardware, qmtest::CryptoPath::Table), \
        qmtest::cryptoPathName)
