// The parent's password as Kestrel keeps it: never the password itself, only a record of the format
// version, the PBKDF2 iteration count, a random salt and the derived key, closed by a checksum so that a
// damaged record is told apart from a wrong password. A record that cannot be read counts as locked.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrel {

inline constexpr std::uint8_t kPasswordRecordVersion = 1;
// PBKDF2-HMAC-SHA256 rounds for a new record: about a tenth of a second on an ordinary PC.
inline constexpr std::uint32_t kPasswordIterations = 100000;
// Fewer rounds than this are never accepted from a stored record: an edit must not make guessing cheap.
inline constexpr std::uint32_t kMinPasswordIterations = 100000;
// Nor more than this: the check runs on the one user-interface thread, and this many rounds already take
// about two seconds there. A larger count is an edited or damaged record.
inline constexpr std::uint32_t kMaxPasswordIterations = 2000000;

using PasswordSalt = std::array<std::uint8_t, 16>;
using PasswordKey = std::array<std::uint8_t, 32>;

struct PasswordRecord {
    std::uint32_t iterations = kPasswordIterations;
    PasswordSalt salt{};
    PasswordKey key{};
    bool operator==(const PasswordRecord&) const = default;
};

enum class RecordStatus {
    Valid,
    Damaged,        // wrong size, checksum or iteration count
    UnknownVersion, // written by a newer Kestrel, or edited
};

struct ParsedRecord {
    RecordStatus status = RecordStatus::Damaged;
    PasswordRecord record;
};

// Version (1 byte), iterations (4, little-endian), salt (16), key (32), CRC-32 of all before it (4).
std::vector<std::uint8_t> SerializePasswordRecord(const PasswordRecord& record);
ParsedRecord ParsePasswordRecord(std::span<const std::uint8_t> bytes);

// Compares two keys in a time that does not depend on where they differ.
bool KeysEqual(const PasswordKey& a, const PasswordKey& b) noexcept;

// The key of `password` (as UTF-8) for `salt` and `iterations`: PBKDF2-HMAC-SHA256 in the program;
// tests pass something fast. nullopt when the system cannot derive it.
using DeriveKeyFunction =
    std::function<std::optional<PasswordKey>(const std::wstring& password, const PasswordSalt& salt,
                                             std::uint32_t iterations)>;
// Fills the buffer with random bytes from the system; false when it cannot.
using RandomFunction = std::function<bool(std::span<std::uint8_t> buffer)>;

// The wait before the next try after `failures` wrong passwords in a row: none before the first, then
// 1 s, 2 s, 4 s ... doubled each time, never more than 30 s.
std::uint32_t PasswordRetryDelayMs(int failures) noexcept;

} // namespace kestrel
