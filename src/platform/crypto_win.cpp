// SystemRandom, DerivePbkdf2Sha256 and Sha256 over BCrypt; the UTF-8 copy of a password is wiped after use.
#include "platform/crypto_win.h"

#include <windows.h>

#include <bcrypt.h>

#include <string>

namespace kestrel::win {

namespace {

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

// The UTF-8 bytes of a password, overwritten when they go.
class Utf8Secret {
public:
    explicit Utf8Secret(const std::wstring& text) {
        if (text.empty()) {
            return;
        }
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                               0, nullptr, nullptr);
        if (size > 0) {
            bytes_.resize(static_cast<std::size_t>(size));
            ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes_.data(), size,
                                  nullptr, nullptr);
        }
    }
    ~Utf8Secret() { ::SecureZeroMemory(bytes_.data(), bytes_.size()); }
    Utf8Secret(const Utf8Secret&) = delete;
    Utf8Secret& operator=(const Utf8Secret&) = delete;

    PUCHAR data() { return reinterpret_cast<PUCHAR>(bytes_.data()); }
    ULONG size() const { return static_cast<ULONG>(bytes_.size()); }

private:
    std::string bytes_;
};

} // namespace

bool SystemRandom(std::span<std::uint8_t> buffer) {
    return Succeeded(::BCryptGenRandom(nullptr, buffer.data(), static_cast<ULONG>(buffer.size()),
                                       BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

bool DerivePbkdf2Sha256(const std::wstring& password, std::span<const std::uint8_t> salt,
                        std::uint32_t iterations, std::span<std::uint8_t> key) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!Succeeded(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                 BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
        return false;
    }
    Utf8Secret secret(password);
    // An empty password has no bytes to point at; BCrypt takes a null pointer with length 0.
    const bool derived = Succeeded(::BCryptDeriveKeyPBKDF2(
        algorithm, secret.size() ? secret.data() : nullptr, secret.size(),
        const_cast<PUCHAR>(salt.data()), static_cast<ULONG>(salt.size()), iterations, key.data(),
        static_cast<ULONG>(key.size()), 0));
    ::BCryptCloseAlgorithmProvider(algorithm, 0);
    return derived;
}

bool Sha256(std::string_view bytes, std::span<std::uint8_t, 32> digest) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!Succeeded(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        return false;
    }
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool done = Succeeded(::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    // BCryptHashData takes a ULONG: a large input goes in pieces.
    for (std::string_view rest = bytes; done && !rest.empty();) {
        const ULONG piece = rest.size() > (1u << 30) ? (1u << 30) : static_cast<ULONG>(rest.size());
        done = Succeeded(
            ::BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(rest.data())), piece, 0));
        rest.remove_prefix(piece);
    }
    done = done && Succeeded(::BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
    if (hash) {
        ::BCryptDestroyHash(hash);
    }
    ::BCryptCloseAlgorithmProvider(algorithm, 0);
    return done;
}

} // namespace kestrel::win
