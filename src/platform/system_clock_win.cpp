// The real clock, from GetLocalTime, GetSystemTimeAsFileTime, GetTickCount64,
// QueryUnbiasedInterruptTime and GetDynamicTimeZoneInformation with the zone's definition in the registry.
#include "platform/system_clock_win.h"

#include <windows.h>
#include <realtimeapiset.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace kestrel::win {

namespace {

LocalDateTime FromSystemTime(const SYSTEMTIME& time) {
    return LocalDateTime{time.wYear,   time.wMonth,  time.wDay,       time.wHour,
                         time.wMinute, time.wSecond, time.wDayOfWeek, time.wMilliseconds};
}

std::int64_t FileTimeValue(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000LL;

// Windows' list of time zones: one key per zone, named as TimeZoneKeyName, its offsets in the value TZI.
constexpr wchar_t kZonesKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\";

// The TZI value (REG_TZI_FORMAT): biases in minutes, UTC = local time + bias, and the moments daylight
// saving ends and starts (a month of 0: the zone has none).
struct ZoneBiases {
    LONG bias;
    LONG standardBias;
    LONG daylightBias;
    SYSTEMTIME standardDate;
    SYSTEMTIME daylightDate;
};

// The standard and daylight offsets the definition of `name` gives; false when there is none.
bool ReadZoneDefinition(const std::wstring& name, int& standardOffset, int& daylightOffset) {
    if (name.empty() || name.find(L'\\') != std::wstring::npos) {
        return false;
    }
    BYTE value[64]{};
    DWORD size = sizeof(value);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, (std::wstring(kZonesKey) + name).c_str(), L"TZI", RRF_RT_REG_BINARY,
                       nullptr, value, &size) != ERROR_SUCCESS ||
        size < 3 * sizeof(LONG)) {
        return false;
    }
    ZoneBiases biases{};
    std::memcpy(&biases, value, std::min<std::size_t>(size, sizeof(biases)));
    standardOffset = -static_cast<int>(biases.bias);
    // Zones without daylight saving keep a DaylightBias too (usually -60) that they never use: their one
    // offset is the standard one.
    const bool hasDaylightSaving = size >= sizeof(ZoneBiases) && biases.daylightDate.wMonth != 0;
    daylightOffset = hasDaylightSaving ? -static_cast<int>(biases.bias + biases.daylightBias) : standardOffset;
    return true;
}

} // namespace

LocalDateTime SystemClock::Now() const {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return FromSystemTime(now);
}

ClockReading SystemClock::Read() const {
    // One UTC reading, turned into local time by the offset in force now, so that the two never straddle a
    // second or a daylight-saving change.
    FILETIME utc{};
    ::GetSystemTimeAsFileTime(&utc);
    FILETIME local{};
    SYSTEMTIME localTime{};
    ClockReading reading;
    if (::FileTimeToLocalFileTime(&utc, &local) && ::FileTimeToSystemTime(&local, &localTime)) {
        reading.local = FromSystemTime(localTime);
        reading.utcOffsetMinutes =
            static_cast<int>((FileTimeValue(local) - FileTimeValue(utc)) / 600000000LL);
    } else {
        reading.local = Now();
    }
    reading.utcMs = (FileTimeValue(utc) - kUnixEpochInFileTime) / 10000;
    reading.tickMs = ::GetTickCount64();
    ULONGLONG awake = 0;
    reading.awakeMs = ::QueryUnbiasedInterruptTime(&awake) ? awake / 10000 : reading.tickMs;
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    if (::GetDynamicTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID) {
        zone.TimeZoneKeyName[std::size(zone.TimeZoneKeyName) - 1] = L'\0';
        reading.zoneName = zone.TimeZoneKeyName;
    }
    if (reading.zoneName != definedName_) {
        definedName_ = reading.zoneName;
        defined_ = ReadZoneDefinition(definedName_, standardOffset_, daylightOffset_);
    }
    reading.zoneDefined = defined_;
    reading.zoneStandardOffsetMinutes = standardOffset_;
    reading.zoneDaylightOffsetMinutes = daylightOffset_;
    return reading;
}

} // namespace kestrel::win
