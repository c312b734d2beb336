// The password record's bytes and the retry delay; see password_record.h.
#include "lock/password_record.h"

#include <algorithm>

namespace kestrel {
namespace {

constexpr std::size_t kRecordSize = 1 + 4 + 16 + 32 + 4;

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) noexcept {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void PutUint32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint32_t GetUint32(std::span<const std::uint8_t> bytes) noexcept {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

} // namespace

std::vector<std::uint8_t> SerializePasswordRecord(const PasswordRecord& record) {
    std::vector<std::uint8_t> out;
    out.reserve(kRecordSize);
    out.push_back(kPasswordRecordVersion);
    PutUint32(out, record.iterations);
    out.insert(out.end(), record.salt.begin(), record.salt.end());
    out.insert(out.end(), record.key.begin(), record.key.end());
    PutUint32(out, Crc32(out));
    return out;
}

ParsedRecord ParsePasswordRecord(std::span<const std::uint8_t> bytes) {
    ParsedRecord parsed;
    if (!bytes.empty() && bytes[0] != kPasswordRecordVersion) {
        parsed.status = RecordStatus::UnknownVersion;
        return parsed;
    }
    if (bytes.size() != kRecordSize || Crc32(bytes.first(kRecordSize - 4)) != GetUint32(bytes.last(4))) {
        return parsed;
    }
    parsed.record.iterations = GetUint32(bytes.subspan(1, 4));
    std::copy_n(bytes.begin() + 5, parsed.record.salt.size(), parsed.record.salt.begin());
    std::copy_n(bytes.begin() + 21, parsed.record.key.size(), parsed.record.key.begin());
    if (parsed.record.iterations >= kMinPasswordIterations &&
        parsed.record.iterations <= kMaxPasswordIterations) {
        parsed.status = RecordStatus::Valid;
    }
    return parsed;
}

bool KeysEqual(const PasswordKey& a, const PasswordKey& b) noexcept {
    unsigned difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference |= static_cast<unsigned>(a[i] ^ b[i]);
    }
    return difference == 0;
}

std::uint32_t PasswordRetryDelayMs(int failures) noexcept {
    constexpr std::uint32_t kLongestMs = 30000;
    if (failures <= 0) {
        return 0;
    }
    // 2^(failures-1) seconds; from the sixth failure on the cap holds (2^5 s is already past it).
    return failures > 5 ? kLongestMs : std::min<std::uint32_t>(1000u << (failures - 1), kLongestMs);
}

} // namespace kestrel
