// Speed of the page encryption's primitives beside OpenSSL's libcrypto on the same machine:
// AES-256-CBC over 4096-byte pages (IV from the page number, decryption in place, as the page
// codec uses them) and PBKDF2-HMAC-SHA-256 with 1024 iterations and 60 bytes of output.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstring>
#include <string>
#include <vector>

#include "crypto/aes.h"
#include "crypto/cpu_features.h"
#include "crypto/sha256.h"

namespace {

constexpr std::size_t kPage = 4096;
const std::uint8_t kKey[32] = {0x60, 0x3d, 0xeb, 0x10, 0x15, 0xca, 0x71, 0xbe, 0x2b, 0x73, 0xae,
                               0xf0, 0x85, 0x7d, 0x77, 0x81, 0x1f, 0x35, 0x2c, 0x07, 0x3b, 0x61,
                               0x08, 0xd7, 0x2d, 0x98, 0x10, 0xa3, 0x09, 0x14, 0xdf, 0xf4};
const std::uint8_t kSalt[16] = {0x5b, 0xe0, 0x3a, 0x19, 0xc4, 0x7d, 0x2e, 0x86,
                                0xf1, 0x0b, 0x9a, 0x43, 0xd6, 0x27, 0x8c, 0xe5};
const char kPassword[] = "correct horse battery staple";

enum class Impl { OursHardware, OursTable, Libcrypto };

void pageIv(std::uint32_t page, std::uint8_t iv[16]) {
    for (int i = 0; i < 4; ++i) std::memcpy(iv + 4 * i, &page, 4);  // little-endian host
}

// Returns false (and marks the run skipped) when the hardware path cannot run here.
bool selectPath(benchmark::State& state, Impl impl) {
    if (impl == Impl::OursHardware && !qm::cpuHasAesInstructions()) {
        state.SkipWithError("no AES instructions");
        return false;
    }
    qm::setCryptoHardwareAllowed(impl != Impl::OursTable);
    return true;
}

void cbcPages(benchmark::State& state, Impl impl, bool encrypt) {
    if (!selectPath(state, impl)) return;
    std::vector<std::uint8_t> page(kPage, 0xa5), out(kPage);
    qm::AesEncryptContext enc;
    qm::AesDecryptContext dec;
    qm::aesEncryptKey256(kKey, enc);
    qm::aesDecryptKey256(kKey, dec);
    EVP_CIPHER_CTX* evp = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(evp, EVP_aes_256_cbc(), nullptr, kKey, nullptr, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(evp, 0);
    std::uint32_t pageNo = 1;
    std::uint8_t iv[16];
    for (auto _ : state) {
        pageIv(pageNo++, iv);
        if (impl == Impl::Libcrypto) {
            int n = 0;
            EVP_CipherInit_ex(evp, nullptr, nullptr, nullptr, iv, -1);
            EVP_CipherUpdate(evp, encrypt ? out.data() : page.data(), &n, page.data(), kPage);
        } else if (encrypt) {
            qm::aesCbcEncrypt(page.data(), out.data(), kPage, enc, iv);
        } else {
            qm::aesCbcDecrypt(page.data(), page.data(), kPage, dec, iv);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::DoNotOptimize(page.data());
    }
    EVP_CIPHER_CTX_free(evp);
    qm::setCryptoHardwareAllowed(true);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPage));
}

void pbkdf2(benchmark::State& state, Impl impl) {
    if (impl == Impl::OursHardware && !qm::cpuHasShaInstructions()) {
        state.SkipWithError("no SHA instructions");
        return;
    }
    qm::setCryptoHardwareAllowed(impl != Impl::OursTable);
    std::uint8_t out[60];
    const auto* password = reinterpret_cast<const std::uint8_t*>(kPassword);
    for (auto _ : state) {
        if (impl == Impl::Libcrypto) {
            PKCS5_PBKDF2_HMAC(kPassword, sizeof kPassword - 1, kSalt, sizeof kSalt, 1024,
                              EVP_sha256(), sizeof out, out);
        } else {
            qm::pbkdf2HmacSha256(password, sizeof kPassword - 1, kSalt, sizeof kSalt, 1024, out,
                                 sizeof out);
        }
        benchmark::DoNotOptimize(out);
    }
    qm::setCryptoHardwareAllowed(true);
}

void registerAll() {
    const std::pair<Impl, const char*> impls[] = {{Impl::OursHardware, "ours_hardware"},
                                                  {Impl::OursTable, "ours_table"},
                                                  {Impl::Libcrypto, "libcrypto"}};
    for (const auto& [impl, name] : impls) {
        benchmark::RegisterBenchmark(
            (std::string("aes256_cbc_encrypt_4096/") + name).c_str(),
            [impl = impl](benchmark::State& s) { cbcPages(s, impl, true); });
    }
    for (const auto& [impl, name] : impls) {
        benchmark::RegisterBenchmark(
            (std::string("aes256_cbc_decrypt_4096/") + name).c_str(),
            [impl = impl](benchmark::State& s) { cbcPages(s, impl, false); });
    }
    for (const auto& [impl, name] : impls) {
        benchmark::RegisterBenchmark((std::string("pbkdf2_sha256_1024x60/") + name).c_str(),
                                     [impl = impl](benchmark::State& s) { pbkdf2(s, impl); })
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
