#include <VEKParser/host/StringFunctions.h>

#include <algorithm>
#include <limits>
#include <type_traits>

#include "host/WordUnits.h"

namespace VEK {

namespace {

template <class String>
void LowerInPlace(String& text) noexcept
{
    for (auto& unit : text)
        if (unit >= 'A' && unit <= 'Z') unit = static_cast<typename String::value_type>(unit + 32);
}

// Moves `in` past the stretch of 16-bit text that needs no change (see SkipWordUnits), copying
// it to `w` (`in` itself, a place before it, or another string). Captions are mostly words between single blanks, so
// most units pass here; until a run is collapsed `w` is `in` and nothing is copied.
void CopyWordUnits(const unsigned short*& in, const unsigned short* end, unsigned short*& w) noexcept
{
    const unsigned short* const stop = SkipWordUnits(in, end);
    if (w != in) std::char_traits<unsigned short>::move(w, in, static_cast<std::size_t>(stop - in));
    w += stop - in;
    in = stop;
}

// Whether [in, end) is words with single blanks between them and nothing else below 0x21, which
// the clean-up with trimming leaves as it is: most captions are, and they are short, so they are
// only looked at, not rewritten unit by unit.
bool IsTidy(const unsigned short* in, const unsigned short* end) noexcept
{
    if (in == end) return true;
    if (*in <= 0x20 || end[-1] <= 0x20) return false;
    for (in = SkipWordUnits(in, end); in != end; ++in)
        if (*in <= 0x20 && !(*in == 0x20 && in[1] > 0x20)) return false;  // a blank is never last
    return true;
}

// Writes the units of [in, end) with each run of white space made one blank from `w` on and
// returns the end of what it wrote. The result never outgrows the input, so `w` may be `in`
// itself, and a caller writes into room made once rather than unit by unit with growth checks.
template <class Unit>
Unit* BeautifyUnits(const Unit* in, const Unit* end, Unit* w, bool trim) noexcept
{
    Unit* const first = w;
    bool inSpace = false;
    for (; in != end; ++in) {
        if constexpr (std::is_same_v<Unit, unsigned short>) {
            // A blank may pass with the words only where it would be written as it is.
            if (!inSpace && !(trim && w == first)) CopyWordUnits(in, end, w);
            if (in == end) break;
        }
        const Unit unit = *in;
        if (IsWhiteSpace(static_cast<unsigned int>(static_cast<std::make_unsigned_t<Unit>>(unit)))) {
            inSpace = true;
            continue;
        }
        if (inSpace && !(trim && w == first)) *w++ = ' ';
        inSpace = false;
        *w++ = unit;
    }
    if (inSpace && !trim) *w++ = ' ';
    return w;
}

template <class String>
void Beautify(const String& in, String& out, bool trim, bool append)
{
    if (!append) out.clear();
    const std::size_t start = out.size();
    out.resize(start + in.size());
    const auto* const units = in.data();
    const auto* const end = BeautifyUnits(units, units + in.size(), out.data() + start, trim);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

template <class Unit>
std::int32_t DigitsToInt(const Unit* digits, std::size_t count, int base) noexcept
{
    std::int64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto u = static_cast<unsigned int>(static_cast<std::make_unsigned_t<Unit>>(digits[i]));
        int digit;
        if (u >= '0' && u <= '9') digit = static_cast<int>(u - '0');
        else if (base == 16 && (u | 0x20) >= 'a' && (u | 0x20) <= 'f') digit = static_cast<int>((u | 0x20) - 'a' + 10);
        else return 0;
        if (digit >= base) return 0;
        value = value * base + digit;
        if (value > std::numeric_limits<std::int32_t>::max()) return 0;
    }
    return static_cast<std::int32_t>(value);
}

unsigned char Fold(char c) noexcept
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + 32) : u;
}

} // namespace

std::string ToLower(const std::string& text)
{
    std::string out = text;
    LowerInPlace(out);
    return out;
}

void ToLowerInPlace(std::string& text) noexcept { LowerInPlace(text); }
void ToLowerInPlace(WString& text) noexcept { LowerInPlace(text); }

void BeautifyString(const std::string& in, std::string& out, bool trim, bool append) { Beautify(in, out, trim, append); }
void BeautifyString(const WString& in, WString& out, bool trim, bool append) { Beautify(in, out, trim, append); }

void BeautifyTail(WString& text, std::size_t from)
{
    unsigned short* const tail = text.data() + from;
    if (IsTidy(tail, text.data() + text.size())) return;
    const unsigned short* const end = BeautifyUnits(tail, text.data() + text.size(), tail, true);
    text.resize(static_cast<std::size_t>(end - text.data()));
}

void StripLeadingBlanks(std::string& text)
{
    const auto first = std::find_if(text.begin(), text.end(), [](char c) { return !IsWhiteSpace(static_cast<unsigned char>(c)); });
    text.erase(text.begin(), first);
}

void StripTrailingBlanks(std::string& text)
{
    while (!text.empty() && IsWhiteSpace(static_cast<unsigned char>(text.back()))) text.pop_back();
}

std::int32_t StringToInt(const char* digits, std::size_t count, int base) noexcept { return DigitsToInt(digits, count, base); }
std::int32_t StringToInt(const unsigned short* digits, std::size_t count, int base) noexcept
{
    return DigitsToInt(digits, count, base);
}

int NoCase::Compare(const char* a, std::size_t aLength, const char* b, std::size_t bLength) noexcept
{
    const std::size_t n = std::min(aLength, bLength);
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = Fold(a[i]), y = Fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return aLength == bLength ? 0 : (aLength < bLength ? -1 : 1);
}

bool NoCase::operator()(const std::string& a, const std::string& b) const noexcept
{
    return Compare(a.data(), a.size(), b.data(), b.size()) < 0;
}

bool NoCase::IsEqual(const std::string& a, const std::string& b) noexcept
{
    return a.size() == b.size() && Compare(a.data(), a.size(), b.data(), b.size()) == 0;
}

} // namespace VEK
