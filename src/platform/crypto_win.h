// The two things the parent's lock needs from the system's cryptography (bcrypt.dll, bound on first
// use): random bytes for a salt, and PBKDF2-HMAC-SHA256. A password never leaves these calls.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kestrel::win {

// Fills `buffer` from the system's preferred random generator.
bool SystemRandom(std::span<std::uint8_t> buffer);

// Derives `key.size()` bytes from the UTF-8 bytes of `password`. False when the system cannot.
bool DerivePbkdf2Sha256(const std::wstring& password, std::span<const std::uint8_t> salt,
                        std::uint32_t iterations, std::span<std::uint8_t> key);

} // namespace kestrel::win
