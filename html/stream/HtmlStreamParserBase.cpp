#include <VEKParser/html/stream/HtmlStreamParserBase.h>

#include <algorithm>
#include <array>
#include <cstddef>

#include <VEKParser/host/StringFunctions.h>

#include "encoding/CharsetConverter.h"

namespace VEKParser {

namespace {

// The delimiters in the order of HtmlStreamParserBaseT::Delimiter.
constexpr char DELIMITER_TEXT[] = "<>'\"!?-=/#%[] &";
constexpr char WHITE_SPACE_TEXT[] = "\r\n\t ";
constexpr char QUOTE_ENTITY[] = "&quot;";

// Units below 128 that end a tag name; every unit from 128 on belongs to names.
constexpr std::array<bool, 128> MakeNameCharacters() noexcept
{
    std::array<bool, 128> table{};
    for (bool& entry : table) entry = true;
    for (const char c : {'\r', '\n', '\t', ' ', '/', '>', '#', '%'}) table[static_cast<unsigned char>(c)] = false;
    return table;
}
constexpr std::array<bool, 128> NAME_CHARACTERS = MakeNameCharacters();

// Each character converted on its own, so that the set keeps one unit per position whatever the
// charset makes of the others.
template <class CharT>
std::basic_string<CharT> ConvertEach(const char* ascii, VEK::CHARSET charset)
{
    std::basic_string<CharT> units;
    for (; *ascii; ++ascii) {
        const auto converted = FromUnicode<CharT>(VEK::WString(1, static_cast<unsigned char>(*ascii)), charset);
        units.push_back(converted.empty() ? static_cast<CharT>(*ascii) : converted[0]);
    }
    return units;
}

unsigned short Swap(unsigned short unit) noexcept { return static_cast<unsigned short>((unit << 8) | (unit >> 8)); }

template <class String>
void SwapUnits(String& text) noexcept
{
    for (auto& unit : text) unit = Swap(unit);
}

} // namespace

template <class CharT>
HtmlStreamParserBaseT<CharT>::HtmlStreamParserBaseT(VEK::CHARSET charset)
    : m_Charset(charset),
      m_sDelimiters(ConvertEach<CharT>(DELIMITER_TEXT, charset)),
      m_sWhiteSpace(ConvertEach<CharT>(WHITE_SPACE_TEXT, charset))
{
    m_sKey.reserve(2000);
    m_sValue.reserve(2000);
}

template <class CharT>
HtmlStreamParserBaseT<CharT>::~HtmlStreamParserBaseT() = default;

template <class CharT>
unsigned HtmlStreamParserBaseT<CharT>::MachineUnit(CharT unit) const noexcept
{
    if constexpr (sizeof(CharT) == 1) {
        return static_cast<unsigned char>(unit);
    } else {
        return m_Charset == VEK::CHARSET_UTF16_SWAPPED ? Swap(unit) : unit;
    }
}

template <class CharT>
void HtmlStreamParserBaseT<CharT>::LowerInPlace(String& text) const
{
    if constexpr (sizeof(CharT) == 1) {
        VEK::ToLowerInPlace(text);
    } else if (m_Charset == VEK::CHARSET_UTF16_SWAPPED) {
        SwapUnits(text);
        VEK::ToLowerInPlace(text);
        SwapUnits(text);
    } else {
        VEK::ToLowerInPlace(text);
    }
}

template <class CharT>
void HtmlStreamParserBaseT<CharT>::ParseName(const String& raw, std::size_t& position, VEK::WString& name) const
{
    const std::size_t begin = position;
    if (sizeof(CharT) == 2 && m_Charset == VEK::CHARSET_UTF16_SWAPPED) {
        while (position < raw.size()) {
            const CharT unit = raw[position];
            if (IsWhiteSpace(unit) || unit == Delim(DELIM_SLASH) || unit == Delim(DELIM_GT) ||
                unit == Delim(DELIM_HASH) || unit == Delim(DELIM_PERCENT))
                break;
            name.push_back(static_cast<unsigned short>(MachineUnit(unit)));
            ++position;
        }
    } else {
        while (position < raw.size()) {
            const auto value = static_cast<std::make_unsigned_t<CharT>>(raw[position]);
            if (value < 128 && !NAME_CHARACTERS[value]) break;
            ++position;
        }
        if (sizeof(CharT) == 2 && m_Charset == VEK::CHARSET_UTF16)
            name.append(raw.begin() + static_cast<std::ptrdiff_t>(begin),
                        raw.begin() + static_cast<std::ptrdiff_t>(position));  // already 1201
        else
            CharsetConverter(m_Charset, VEK::CHARSET_UTF16)
                .Append(reinterpret_cast<const unsigned char*>(raw.data() + begin),
                        static_cast<std::uint32_t>((position - begin) * sizeof(CharT)), name);
    }
    VEK::ToLowerInPlace(name);
}

template <class CharT>
void HtmlStreamParserBaseT<CharT>::ParseTag(const String& raw, VEK::WString& name, String& attributes,
                                            bool& isEndTag, bool& isEmptyTag) const
{
    name.clear();
    attributes.clear();
    isEndTag = isEmptyTag = false;
    if (raw.size() < 2) return;
    std::size_t position = 1;
    if (raw[position] == Delim(DELIM_SLASH)) {
        isEndTag = true;
        ++position;
    }
    ParseName(raw, position, name);
    const std::size_t last = raw.size() - 1;
    if (name.empty() || name[0] == '!') {
        if (position < last) attributes.assign(raw, position, last - position);
        return;
    }
    attributes.reserve(raw.size() + 16);
    bool slash = false;
    const auto passWhiteSpace = [&] {
        while (position < last && IsWhiteSpace(raw[position])) ++position;
    };
    while (position < last) {
        slash = false;
        passWhiteSpace();
        if (position >= last) break;
        const std::size_t keyBegin = position;
        while (position < last && !IsWhiteSpace(raw[position]) && raw[position] != Delim(DELIM_EQUALS) &&
               raw[position] != Delim(DELIM_SLASH))
            ++position;
        const std::size_t keyLength = position - keyBegin;
        if (position < last && raw[position] == Delim(DELIM_SLASH)) {
            slash = true;
            ++position;
        }
        passWhiteSpace();
        slash = slash && position >= last;
        std::size_t valueBegin = position, valueLength = 0;
        if (position < last && raw[position] == Delim(DELIM_EQUALS)) {
            ++position;
            passWhiteSpace();
            if (position < last) {
                CharT quote = 0;
                if (raw[position] == Delim(DELIM_APOSTROPHE) || raw[position] == Delim(DELIM_QUOTE))
                    quote = raw[position++];
                valueBegin = position;
                while (position < last && (quote ? raw[position] != quote : !IsWhiteSpace(raw[position])))
                    ++position;
                valueLength = position - valueBegin;
                if (position < last) ++position;
            }
        }
        if (keyLength != 0) {
            // Key and value go from the tag straight into the string; the key is lowered there.
            const std::size_t keyAt = attributes.size() + 1;
            AppendAttribute(raw.data() + keyBegin, keyLength, raw.data() + valueBegin, valueLength, attributes);
            for (std::size_t i = keyAt; i < keyAt + keyLength; ++i) attributes[i] = LowerUnit(attributes[i]);
        }
    }
    isEmptyTag = slash && !isEndTag;
}

template <class CharT>
void HtmlStreamParserBaseT<CharT>::AppendKeyValue(const std::pair<String, String>& keyValue, String& attributes) const
{
    AppendAttribute(keyValue.first.data(), keyValue.first.size(), keyValue.second.data(), keyValue.second.size(),
                    attributes);
}

template <class CharT>
void HtmlStreamParserBaseT<CharT>::AppendAttribute(const CharT* key, std::size_t keyLength, const CharT* value,
                                                   std::size_t valueLength, String& attributes) const
{
    attributes.push_back(Delim(DELIM_BLANK));
    attributes.append(key, keyLength);
    attributes.push_back(Delim(DELIM_EQUALS));
    const CharT quote = Delim(DELIM_QUOTE);
    const CharT apostrophe = Delim(DELIM_APOSTROPHE);
    const CharT* const valueEnd = value + valueLength;
    const bool hasQuote = std::find(value, valueEnd, quote) != valueEnd;
    if (hasQuote && std::find(value, valueEnd, apostrophe) == valueEnd) {
        attributes.push_back(apostrophe);
        attributes.append(value, valueLength);
        attributes.push_back(apostrophe);
        return;
    }
    attributes.push_back(quote);
    if (!hasQuote) {
        attributes.append(value, valueLength);
    } else {
        const String entity = ConvertEach<CharT>(QUOTE_ENTITY, m_Charset);
        for (const CharT* unit = value; unit != valueEnd; ++unit) {
            if (*unit == quote) attributes.append(entity);
            else attributes.push_back(*unit);
        }
    }
    attributes.push_back(quote);
}

template <class CharT>
template <class Visit>
bool HtmlStreamParserBaseT<CharT>::WalkAttributes(const String& attributes, Visit&& visit) const
{
    std::size_t position = 0;
    while (position < attributes.size()) {
        ++position;  // the blank before each attribute
        const std::size_t equals = attributes.find(Delim(DELIM_EQUALS), position);
        if (equals == String::npos) return false;
        m_sKey.assign(attributes, position, equals - position);
        LowerInPlace(m_sKey);
        position = equals + 1;
        if (position >= attributes.size()) return false;
        const CharT quote = attributes[position++];
        std::size_t close = attributes.find(quote, position);
        if (close == String::npos) close = attributes.size();
        m_sValue.assign(attributes, position, close - position);
        position = close + 1;
        if (visit(m_sKey, m_sValue)) return true;
    }
    return false;
}

template <class CharT>
void HtmlStreamParserBaseT<CharT>::ParseAttributes(const String& attributes, std::map<String, String>& result) const
{
    result.clear();
    WalkAttributes(attributes, [&](const String& key, const String& value) {
        result.emplace(key, value);
        return false;
    });
}

template <class CharT>
bool HtmlStreamParserBaseT<CharT>::FindSingleAttributeKey(const String& key, const String& attributes,
                                                          String& value) const
{
    value.clear();
    return WalkAttributes(attributes, [&](const String& candidate, const String& found) {
        if (candidate != key) return false;
        value = found;
        return true;
    });
}

template class HtmlStreamParserBaseT<char>;
template class HtmlStreamParserBaseT<unsigned short>;

} // namespace VEKParser
