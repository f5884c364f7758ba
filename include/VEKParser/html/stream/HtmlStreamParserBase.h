#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include <VEKParser/Export.h>
#include <VEKParser/host/HostTypes.h>

namespace VEKParser {

// What the stream tokenizer and its callers need to take a tag apart: the charset, the
// delimiters and white space in that charset, and the operations that split a raw tag into its
// name, marks and a normalised attribute string (` key="value"` per attribute) and read it back.
// CharT is char (bytes of the charset) or unsigned short (16-bit units in stream order).
template <class CharT>
class VEKPARSER_API HtmlStreamParserBaseT {
public:
    using String = std::basic_string<CharT>;

    // Positions in the delimiter set.
    enum Delimiter : unsigned {
        DELIM_LT, DELIM_GT, DELIM_APOSTROPHE, DELIM_QUOTE, DELIM_BANG, DELIM_QUESTION, DELIM_MINUS, DELIM_EQUALS,
        DELIM_SLASH, DELIM_HASH, DELIM_PERCENT, DELIM_OPEN_BRACKET, DELIM_CLOSE_BRACKET, DELIM_BLANK, DELIM_AMPERSAND,
        DELIM_COUNT
    };

    explicit HtmlStreamParserBaseT(VEK::CHARSET charset);
    HtmlStreamParserBaseT(const HtmlStreamParserBaseT&) = default;
    HtmlStreamParserBaseT& operator=(const HtmlStreamParserBaseT&) = default;
    virtual ~HtmlStreamParserBaseT();

    // `raw` is a tag as the scanner returns it, from "<" to its closing unit. The name comes
    // lower-cased as 16-bit text; declarations (`<!...>`) keep their text as attributes.
    void ParseTag(const String& raw, VEK::WString& name, String& attributes, bool& isEndTag, bool& isEmptyTag) const;
    // Reads a normalised attribute string; the first value of a repeated key wins.
    void ParseAttributes(const String& attributes, std::map<String, String>& result) const;
    bool FindSingleAttributeKey(const String& key, const String& attributes, String& value) const;

protected:
    // Appends ` key="value"`; the value goes in apostrophes when it holds a double quote but no
    // apostrophe, and with "&quot;" for its double quotes when it holds both.
    void AppendKeyValue(const std::pair<String, String>& keyValue, String& attributes) const;

    CharT Delim(Delimiter which) const noexcept { return m_sDelimiters[which]; }
    // The set always holds its four units (one per character converted); the scans ask this for
    // nearly every unit, so it compares them directly.
    bool IsWhiteSpace(CharT unit) const noexcept
    {
        const CharT* set = m_sWhiteSpace.data();
        return unit == set[0] || unit == set[1] || unit == set[2] || unit == set[3];
    }
    // Maps A-Z to a-z in the units of the charset.
    void LowerInPlace(String& text) const;
    CharT LowerUnit(CharT unit) const noexcept
    {
        const unsigned value = sizeof(CharT) == 1 ? static_cast<unsigned char>(unit) : MachineUnit(unit);
        if (value < 'A' || value > 'Z') return unit;
        // Swapped units (charset 1210) carry the letter in their high byte.
        return static_cast<CharT>(unit + (static_cast<unsigned>(unit) == value ? 32u : 32u << 8));
    }
    // The unit in machine order (swapped back for charset 1210).
    unsigned MachineUnit(CharT unit) const noexcept;

    VEK::CHARSET m_Charset;
    String m_sDelimiters;
    String m_sWhiteSpace;
    mutable String m_sKey;
    mutable String m_sValue;

private:
    void ParseName(const String& raw, std::size_t& position, VEK::WString& name) const;
    // AppendKeyValue over units that need not be strings of their own.
    void AppendAttribute(const CharT* key, std::size_t keyLength, const CharT* value, std::size_t valueLength,
                         String& attributes) const;
    // Calls `visit(key, value)` for each attribute of a normalised string until it returns true.
    template <class Visit>
    bool WalkAttributes(const String& attributes, Visit&& visit) const;
};

extern template class HtmlStreamParserBaseT<char>;
extern template class HtmlStreamParserBaseT<unsigned short>;

} // namespace VEKParser
