#include "settings/cipher.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

#include "settings/errors.h"

namespace {

// The program's fixed passphrase; its SHA-1 digest is the key material.
constexpr std::string_view kPassphrase = "5B1D0A93-C47E-4F21-8D36-A2E9F07B4C58";
constexpr std::size_t kKeySize = 24;  // AES-192: 20 digest bytes and 4 zero bytes
constexpr std::size_t kBlockSize = 16;

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// Key and initial vector, wiped when the call that set them up ends.
struct CipherKey {
    std::array<unsigned char, kKeySize> key{};
    std::array<unsigned char, kBlockSize> iv{};

    CipherKey() = default;
    CipherKey(const CipherKey&) = delete;
    CipherKey& operator=(const CipherKey&) = delete;
    ~CipherKey() {
        OPENSSL_cleanse(key.data(), key.size());
        OPENSSL_cleanse(iv.data(), iv.size());
    }
};

[[noreturn]] void CipherFailure() {
    throw TarnwickError("The cipher library failed.");
}

CipherContext NewContext() {
    CipherContext ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!ctx) CipherFailure();
    return ctx;
}

void DeriveKey(CipherKey& out) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int digestSize = 0;
    const bool hashed = EVP_Digest(kPassphrase.data(), kPassphrase.size(), digest.data(),
                                   &digestSize, EVP_sha1(), nullptr) == 1;
    if (hashed) std::copy_n(digest.begin(), std::min<std::size_t>(digestSize, 20), out.key.begin());
    OPENSSL_cleanse(digest.data(), digest.size());
    if (!hashed) CipherFailure();
}

// The initial vector is the encryption of one zero block under the key.
void DeriveInitialVector(CipherKey& k) {
    CipherContext ctx = NewContext();
    const std::array<unsigned char, kBlockSize> zero{};
    int written = 0;
    if (EVP_EncryptInit_ex(ctx.get(), EVP_aes_192_ecb(), nullptr, k.key.data(), nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
        EVP_EncryptUpdate(ctx.get(), k.iv.data(), &written, zero.data(), kBlockSize) != 1 ||
        written != static_cast<int>(kBlockSize)) {
        CipherFailure();
    }
}

// AES-192 in 8-bit cipher feedback over `bytes`, in place.
void RunCfb8(std::string& bytes, bool encrypt) {
    if (bytes.empty()) return;
    CipherKey k;
    DeriveKey(k);
    DeriveInitialVector(k);
    CipherContext ctx = NewContext();
    auto* data = reinterpret_cast<unsigned char*>(bytes.data());
    int written = 0;
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_192_cfb8(), nullptr, k.key.data(), k.iv.data(),
                          encrypt ? 1 : 0) != 1 ||
        EVP_CipherUpdate(ctx.get(), data, &written, data, static_cast<int>(bytes.size())) != 1 ||
        written != static_cast<int>(bytes.size())) {
        CipherFailure();
    }
}

std::string EncodeBase64(std::string_view bytes) {
    std::string out;
    out.reserve(4 * ((bytes.size() + 2) / 3));
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t j = 0; j < 3; ++j) {
            const auto byte = j < n ? static_cast<unsigned char>(bytes[i + j]) : 0u;
            group = (group << 8) | byte;
        }
        for (std::size_t j = 0; j < 4; ++j) {
            out += j <= n ? kBase64Alphabet[(group >> (18 - 6 * j)) & 0x3F] : '=';
        }
    }
    return out;
}

// Characters outside the alphabet ("=" included) count as zero bits.
std::uint32_t SextetOf(char c) {
    const std::size_t pos = kBase64Alphabet.find(c);
    return pos == std::string_view::npos ? 0 : static_cast<std::uint32_t>(pos);
}

// Lenient decoding: whole groups of four only; "=" in third place gives one byte, in fourth
// place two bytes; a trailing partial group is ignored.
std::string DecodeBase64(std::string_view text) {
    std::string out;
    out.reserve(3 * (text.size() / 4));
    for (std::size_t i = 0; i + 4 <= text.size(); i += 4) {
        std::uint32_t group = 0;
        for (std::size_t j = 0; j < 4; ++j) group = (group << 6) | SextetOf(text[i + j]);
        const std::size_t n = text[i + 2] == '=' ? 1 : text[i + 3] == '=' ? 2 : 3;
        for (std::size_t j = 0; j < n; ++j) {
            out += static_cast<char>((group >> (16 - 8 * j)) & 0xFF);
        }
    }
    return out;
}

}  // namespace

std::string EncipherText(std::string_view plain) {
    std::string bytes(plain);
    RunCfb8(bytes, true);
    std::string stored = EncodeBase64(bytes);
    OPENSSL_cleanse(bytes.data(), bytes.size());
    return stored;
}

std::string DecipherText(std::string_view stored) {
    std::string bytes = DecodeBase64(stored);
    RunCfb8(bytes, false);
    return bytes;
}
