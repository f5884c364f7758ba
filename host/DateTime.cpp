#include <VEKParser/host/DateTime.h>

#include <cstdio>
#include <limits>

namespace VEK {

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) noexcept
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsLeap(int y) noexcept { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) noexcept
{
    static constexpr int DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : DAYS[m - 1];
}

bool ReadDigits(const std::string& text, std::size_t& i, int count, int& value) noexcept
{
    value = 0;
    for (int k = 0; k < count; ++k, ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool Parse(const std::string& text, const std::string& format, DateTime::Civil& f) noexcept
{
    std::size_t i = 0;
    for (std::size_t k = 0; k < format.size(); ++k) {
        if (format[k] != '%' || k + 1 == format.size()) {
            if (i >= text.size() || text[i++] != format[k]) return false;
            continue;
        }
        bool ok = true;
        switch (format[++k]) {
        case 'y': ok = ReadDigits(text, i, 2, f.m_nYear); f.m_nYear = DateTime::FullYear(f.m_nYear); break;
        case 'Y': ok = ReadDigits(text, i, 4, f.m_nYear); break;
        case 'm': ok = ReadDigits(text, i, 2, f.m_nMonth); break;
        case 'd': ok = ReadDigits(text, i, 2, f.m_nDay); break;
        case 'H': ok = ReadDigits(text, i, 2, f.m_nHour); break;
        case 'M': ok = ReadDigits(text, i, 2, f.m_nMinute); break;
        case 'S': ok = ReadDigits(text, i, 2, f.m_nSecond); break;
        default: return false;
        }
        if (!ok) return false;
    }
    return i == text.size();
}

} // namespace

DateTime::DateTime(const std::string& text, const std::string& format) noexcept
{
    Civil civil;
    if (Parse(text, format, civil)) *this = FromCivil(civil);
}

DateTime DateTime::FromCivil(const Civil& f) noexcept
{
    if (f.m_nMonth < 1 || f.m_nMonth > 12 || f.m_nDay < 1 || f.m_nDay > DaysInMonth(f.m_nYear, f.m_nMonth) ||
        f.m_nHour < 0 || f.m_nHour >= 24 || f.m_nMinute < 0 || f.m_nMinute >= 60 || f.m_nSecond < 0 || f.m_nSecond >= 61)
        return DateTime();
    const std::int64_t seconds =
        DaysFromCivil(f.m_nYear, static_cast<unsigned>(f.m_nMonth), static_cast<unsigned>(f.m_nDay)) * 86400 +
        f.m_nHour * 3600 + f.m_nMinute * 60 + f.m_nSecond;
    if (seconds <= 0 || seconds > std::numeric_limits<std::uint32_t>::max()) return DateTime();
    return DateTime(static_cast<std::uint32_t>(seconds));
}

std::string DateTime::ToString() const
{
    const std::int64_t days = m_uValue / 86400, rest = m_uValue % 86400;
    // Civil date from days since 1970-01-01.
    const std::int64_t z = days + 719468, era = z / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    char text[32];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02lld:%02lld:%02lld", static_cast<long long>(y), m, d,
                  static_cast<long long>(rest / 3600), static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
    return text;
}

} // namespace VEK
