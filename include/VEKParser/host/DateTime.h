#pragma once

#include <cstdint>
#include <string>

#include <VEKParser/Export.h>

namespace VEK {

// A point in time as seconds since 1970-01-01 00:00:00 UTC in one unsigned 32-bit value
// (1970 to 2106); zero means "not set".
class VEKPARSER_API DateTime {
public:
    DateTime() noexcept = default;
    explicit DateTime(std::uint32_t seconds) noexcept : m_uValue(seconds) {}
    // Reads `text` by `format`, whose fields are %y (two-digit year: 50-99 are 19xx, 00-49 are
    // 20xx), %Y, %m, %d, %H, %M, %S; other format bytes must match the text as they stand.
    // Text that does not fit the format, an invalid date, or a time outside the range gives
    // the zero value.
    DateTime(const std::string& text, const std::string& format) noexcept;

    // A calendar date and time of day, UTC.
    struct Civil {
        int m_nYear = 1970;
        int m_nMonth = 1;
        int m_nDay = 1;
        int m_nHour = 0;
        int m_nMinute = 0;
        int m_nSecond = 0;
    };
    // The zero value for an invalid date or a time outside the range, as from a text.
    static DateTime FromCivil(const Civil& civil) noexcept;
    // The year a two-digit year (%y) stands for: 50-99 are 19xx, 00-49 are 20xx.
    static constexpr int FullYear(int twoDigits) noexcept { return twoDigits + (twoDigits < 50 ? 2000 : 1900); }

    std::uint32_t Value() const noexcept { return m_uValue; }
    // "YYYY-MM-DD HH:MM:SS" (UTC).
    std::string ToString() const;

    friend bool operator==(DateTime, DateTime) = default;

private:
    std::uint32_t m_uValue = 0;
};

} // namespace VEK
