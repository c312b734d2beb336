// What Kestrel needs from the system's cryptography (bcrypt.dll, bound on first use): for the parent's
// lock random bytes for a salt and PBKDF2-HMAC-SHA256 (a password never leaves these calls); for the
// plan file's digest SHA-256.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kestrel::win {

// Fills `buffer` from the system's preferred random generator.
bool SystemRandom(std::span<std::uint8_t> buffer);

// Derives `key.size()` bytes from the UTF-8 bytes of `password`. False when the system cannot.
bool DerivePbkdf2Sha256(const std::wstring& password, std::span<const std::uint8_t> salt,
                        std::uint32_t iterations, std::span<std::uint8_t> key);

// The SHA-256 digest of `bytes`. False when the system cannot.
bool Sha256(std::string_view bytes, std::span<std::uint8_t, 32> digest);

} // namespace kestrel::win
