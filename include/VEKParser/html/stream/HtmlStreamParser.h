#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <VEKParser/Export.h>
#include <VEKParser/host/BinaryStream.h>
#include <VEKParser/host/HostTypes.h>
#include <VEKParser/html/stream/HtmlStreamParserBase.h>
#include <VEKParser/html/stream/LookAheadWindow.h>

namespace VEKParser {

class CharsetConverter;

enum ElementType {
    ELEMENT_TAG = 0,
    ELEMENT_COMMENT = 1,
    ELEMENT_TEXT = 2,
    ELEMENT_RAW_TEXT = 3,
    ELEMENT_SERVER_BLOCK = 4,
    ELEMENT_SECTION = 5
};

// Receives the elements that HtmlStreamParserT::Parse pushes, as 16-bit text.
class VEKPARSER_API HtmlStreamParserCallback {
public:
    virtual ~HtmlStreamParserCallback();
    virtual void BeginParse() {}
    virtual void EndParse() {}
    // Returns false to stop the parse.
    virtual bool HandleElement(ElementType type, unsigned int start, unsigned int end, const VEK::WString& text) = 0;
};

// Cuts an HTML stream into a flat sequence of elements with their stream byte offsets, one
// element in memory at a time. char reads 8-bit charsets; unsigned short reads 16-bit units in
// charset 1201 (machine order) or 1210 (swapped).
template <class CharT>
class VEKPARSER_API HtmlStreamParserT : public HtmlStreamParserBaseT<CharT> {
public:
    using String = std::basic_string<CharT>;
    // An element's text holds at most this many units of its body.
    static constexpr std::uint32_t MAX_ELEMENT_UNITS = 102400;

    explicit HtmlStreamParserT(VEK::CHARSET charset);
    HtmlStreamParserT(VEK::CHARSET charset, VEK::BinaryStreamBufT<unsigned int>& buffer);
    HtmlStreamParserT(const HtmlStreamParserT&) = delete;
    HtmlStreamParserT& operator=(const HtmlStreamParserT&) = delete;
    ~HtmlStreamParserT() override;

    void SetBuffer(VEK::BinaryStreamBufT<unsigned int>& buffer);
    void ReleaseBuffer();
    void ParseSections(bool parse) noexcept { m_bSections = parse; }
    bool EndOfFile() const noexcept { return m_Window.AtEnd(); }

    // Reads one element into `text` (replaced), its raw units as they stand in the stream.
    ElementType GetNext(unsigned int& start, unsigned int& end, String& text);
    // Pushes every element to `callback`; false when the callback stopped the parse.
    bool Parse(HtmlStreamParserCallback& callback);
    // Skips a byte-order mark at the start: EF BB BF under charset 65001, FEFF/FFFE under 1201.
    void SkipBOM();

private:
    using Base = HtmlStreamParserBaseT<CharT>;
    using Entry = std::pair<VEK::WString, String>;
    using Entries = std::vector<Entry>;
    static constexpr std::uint32_t NO_FAILURE = 0xFFFFFFFFu;

    void InitConstants();
    bool IsLetter(CharT unit) const noexcept;
    bool IsTagStart(CharT second) const noexcept;
    // Steps over the element at a "<"; false when none is complete there (then the scan goes on as text).
    bool ScanMarkup(ElementType& kind);
    void ScanText(std::uint32_t start);
    bool FoundTagBeginning();
    bool MatchesActiveEndTag();
    bool ClosedConstructAhead();
    bool FindClosingComment();
    bool FindClosingSection(CharT closing);
    bool FindClosingBracket();
    // Where the bracket rule stands between two units: outside quotes (OPENER: behind "=" or
    // white space, where a quote opens a value), inside a quoted value, or passing the stray
    // units behind a closing quote.
    struct BracketState {
        enum Mode : unsigned char { OUTSIDE, OPENER, QUOTED, TAIL } mode = OUTSIDE;
        CharT quote = 0;
        bool operator==(const BracketState&) const = default;
    };
    // Only a quote behind "=" or white space opens a quoted value.
    bool IsQuoteOpener(CharT c) const noexcept
    {
        return c == this->Delim(Base::DELIM_EQUALS) || this->IsWhiteSpace(c);
    }
    // Takes one unit; true when it is the ">" that closes the tag.
    [[gnu::always_inline]] inline bool StepBracket(BracketState& state, CharT c) const noexcept;
    // Walks the units of the window in place: true behind the closing ">", else false with the
    // window passed and `behindLastGt` moved behind the last ">" met inside a quoted value.
    bool StepBracketInWindow(BracketState& state, std::uint32_t& behindLastGt);
    // The same up to the end of the stream.
    bool StepBracketToEnd(BracketState& state, std::uint32_t& behindLastGt);
    // The same unit by unit beside the states of the last failed searches; false also as soon
    // as the state meets one of theirs.
    bool StepBracketBesideShadows(BracketState& state, std::uint32_t& behindLastGt);
    // A failed search's state at a unit.
    struct Shadow {
        BracketState state;
        std::uint32_t offset = 0;
    };
    static constexpr std::size_t MAX_SHADOWS = 4;
    // Moves the states of the last failed searches up to `begin`; returns how many there are.
    std::size_t CatchUpShadows(std::uint32_t begin);
    void Copy(String& text, std::uint32_t count) { m_Window.CopyTo(text, count); }
    void AppendEndingTagCharacters(std::uint32_t start, std::uint32_t end, String& text);
    typename Entries::const_iterator CheckHighPriorityTag(const String& text);
    // Most tags are ruled out by their length or their first two units: an upper-case letter
    // shares its low five bits with its lower-case form, so one bit per candidate covers both.
    bool MayBeHighPriority(const String& text) const noexcept
    {
        return text.size() >= 7 && (m_uCandidateUnits[0] >> (text[1] & 31) & 1) != 0 &&
               (m_uCandidateUnits[1] >> (text[2] & 31) & 1) != 0;
    }
    // Through `shared` when given, else through a converter of its own.
    void AppendAsUnicode(const String& text, VEK::WString& wide, const CharsetConverter* shared) const;
    // A failed search for a closing sequence from some offset fails from every later offset too
    // (for the bracket rule: from every offset behind the last ">").
    bool KnownToFail(std::uint32_t& failedFrom) const noexcept { return failedFrom <= m_Window.Offset(); }

    LookAheadWindowT<CharT> m_Window;
    bool m_bSections = false;
    Entries m_HighPriority;
    typename Entries::const_iterator m_itActive;
    bool m_bPlainText = false;
    String m_sEndTagName;
    // Bit (u & 31) for the first and the second unit u of each high-priority name.
    std::array<std::uint32_t, 2> m_uCandidateUnits{};
    std::uint32_t m_uCommentFailedFrom = NO_FAILURE;
    std::uint32_t m_uServerFailedFrom = NO_FAILURE;
    std::uint32_t m_uSectionFailedFrom = NO_FAILURE;
    std::uint32_t m_uBracketFailedFrom = NO_FAILURE;
    std::array<Shadow, MAX_SHADOWS> m_Shadows{};
    std::size_t m_uShadows = 0;
    std::size_t m_uNextShadow = 0;
};

extern template class HtmlStreamParserT<char>;
extern template class HtmlStreamParserT<unsigned short>;

} // namespace VEKParser
