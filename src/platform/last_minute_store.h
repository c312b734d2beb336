// Where the scheduler keeps the last minute it looked at between runs: the registry in the app, a fake in
// tests. The minute is a UTC minute number (minutes since 1970-01-01 00:00 UTC). Each plan file has its
// own, so that two copies of Kestrel in two folders never take each other's running time for their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

class LastMinuteStore {
public:
    virtual ~LastMinuteStore() = default;
    // Empty when nothing was kept yet or what was kept cannot be read.
    virtual std::optional<std::int64_t> Load() = 0;
    virtual void Save(std::int64_t utcMinute) = 0;
};

// The decimal text the minute is kept as, and back; a text that is not a plain decimal number reads as none.
std::optional<std::int64_t> ParseStoredMinute(const std::wstring& text);

// The named text values the minutes of all plan files are kept in, and the single value that earlier
// versions kept for every copy alike. Reads give nothing for a missing value or one that is not text.
class MinuteValues {
public:
    virtual ~MinuteValues() = default;
    virtual std::optional<std::wstring> Read(const std::wstring& name) = 0;
    virtual bool Write(const std::wstring& name, const std::wstring& text) = 0;
    virtual std::optional<std::wstring> ReadShared() = 0;
    virtual void DeleteShared() = 0;
};

// The name a plan file's minute is kept under: its full path in lower case, with "\" as the separator,
// so that the same file named with other letter case finds the same value.
std::wstring MinuteValueName(std::wstring_view planFilePath);

// The last minute looked at for one plan file. The first time it is read it takes over the single value
// of an earlier version (when it has none of its own yet), which then goes: no copy writes it any more.
class PlanFileLastMinute final : public LastMinuteStore {
public:
    PlanFileLastMinute(MinuteValues& values, std::wstring_view planFilePath)
        : values_(values), name_(MinuteValueName(planFilePath)) {}
    std::optional<std::int64_t> Load() override;
    void Save(std::int64_t utcMinute) override;

private:
    MinuteValues& values_;
    std::wstring name_;
};

} // namespace kestrel
