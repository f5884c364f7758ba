#include <VEKParser/html/stream/HtmlStreamParser.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include <VEKParser/host/IsAlphaClass.h>
#include <VEKParser/host/StringFunctions.h>

#include "encoding/CharsetConverter.h"

namespace VEKParser {

namespace {

// Elements whose content is not markup, in the order CheckHighPriorityTag tries them; the first
// switches the rest of the stream to text.
constexpr const char* HIGH_PRIORITY_NAMES[] = {"plaintext", "script", "style"};
// A high-priority name is compared on at most this many units; end tags are looked for this far.
constexpr std::size_t MAX_NAME_UNITS = 10;
constexpr std::uint32_t END_TAG_LOOKAHEAD = 12;
constexpr std::uint32_t ENDING_CHARACTERS = 10;

} // namespace

HtmlStreamParserCallback::~HtmlStreamParserCallback() = default;

template <class CharT>
HtmlStreamParserT<CharT>::HtmlStreamParserT(VEK::CHARSET charset)
    : Base(charset == 0 ? VEK::CHARSET_US_ASCII : charset)
{
    InitConstants();
}

template <class CharT>
HtmlStreamParserT<CharT>::HtmlStreamParserT(VEK::CHARSET charset, VEK::BinaryStreamBufT<unsigned int>& buffer)
    : HtmlStreamParserT(charset)
{
    m_Window.Attach(buffer);
}

template <class CharT>
HtmlStreamParserT<CharT>::~HtmlStreamParserT()
{
    m_Window.Release();
}

template <class CharT>
void HtmlStreamParserT<CharT>::InitConstants()
{
    m_HighPriority.clear();
    for (const char* name : HIGH_PRIORITY_NAMES) {
        VEK::WString wide = VEK::Widen(name);
        String converted = FromUnicode<CharT>(wide, this->m_Charset);
        m_HighPriority.emplace_back(std::move(wide), std::move(converted));
    }
    m_itActive = m_HighPriority.end();
    m_sEndTagName.reserve(2000);
    m_uCandidateUnits = {0, 0};
    for (const Entry& entry : m_HighPriority)
        for (std::size_t i = 0; i < m_uCandidateUnits.size(); ++i)
            m_uCandidateUnits[i] |= i < entry.second.size() ? 1u << (entry.second[i] & 31) : ~0u;
}

template <class CharT>
void HtmlStreamParserT<CharT>::SetBuffer(VEK::BinaryStreamBufT<unsigned int>& buffer)
{
    m_Window.Attach(buffer);
    m_uCommentFailedFrom = m_uServerFailedFrom = m_uSectionFailedFrom = m_uBracketFailedFrom = NO_FAILURE;
    m_uShadows = m_uNextShadow = 0;
}

template <class CharT>
void HtmlStreamParserT<CharT>::ReleaseBuffer()
{
    m_Window.Release();
}

template <class CharT>
bool HtmlStreamParserT<CharT>::IsLetter(CharT unit) const noexcept
{
    // Bytes from 0x80 on are taken as signed, so they are never letters.
    const unsigned value = sizeof(CharT) == 1 ? static_cast<unsigned short>(static_cast<signed char>(unit))
                                              : this->MachineUnit(unit);
    return value <= 'z' && VEK::IsAlphaClass::ms_ISALPHA[value & 0xFF];
}

template <class CharT>
bool HtmlStreamParserT<CharT>::IsTagStart(CharT second) const noexcept
{
    return second == this->Delim(Base::DELIM_QUESTION) || second == this->Delim(Base::DELIM_BANG) ||
           second == this->Delim(Base::DELIM_SLASH) || second == this->Delim(Base::DELIM_HASH) ||
           second == this->Delim(Base::DELIM_PERCENT) || IsLetter(second);
}

template <class CharT>
bool HtmlStreamParserT<CharT>::MatchesActiveEndTag()
{
    CharT units[END_TAG_LOOKAHEAD] = {};
    const std::uint32_t n = m_Window.Peek(units, END_TAG_LOOKAHEAD);
    const String& name = m_itActive->second;
    const std::size_t length = name.size();
    if (n < length + 3 || units[1] != this->Delim(Base::DELIM_SLASH) || !IsLetter(units[2])) return false;
    m_sEndTagName.assign(units + 2, length);
    this->LowerInPlace(m_sEndTagName);
    const CharT after = units[length + 2];
    if (m_sEndTagName != name ||
        !(this->IsWhiteSpace(after) || after == this->Delim(Base::DELIM_SLASH) || after == this->Delim(Base::DELIM_GT)))
        return false;
    m_itActive = m_HighPriority.end();
    return true;
}

template <class CharT>
bool HtmlStreamParserT<CharT>::ClosedConstructAhead()
{
    CharT units[4] = {};
    const std::uint32_t n = m_Window.Peek(units, 4);
    const std::uint32_t here = m_Window.Offset();
    bool found = false;
    m_Window.Next();
    if (n >= 4 && units[1] == this->Delim(Base::DELIM_BANG) && units[2] == this->Delim(Base::DELIM_MINUS) &&
        units[3] == this->Delim(Base::DELIM_MINUS))
        found = FindClosingComment();
    else if (n >= 2 && units[1] == this->Delim(Base::DELIM_PERCENT))
        found = FindClosingSection(this->Delim(Base::DELIM_PERCENT));
    else if (m_bSections && n >= 3 && units[1] == this->Delim(Base::DELIM_BANG) &&
             units[2] == this->Delim(Base::DELIM_OPEN_BRACKET))
        found = FindClosingSection(this->Delim(Base::DELIM_CLOSE_BRACKET));
    m_Window.Seek(here);
    return found;
}

template <class CharT>
bool HtmlStreamParserT<CharT>::FoundTagBeginning()
{
    if (m_bPlainText || m_Window.Current() != this->Delim(Base::DELIM_LT)) return false;
    if (m_itActive == m_HighPriority.end()) {
        CharT units[2] = {};
        return m_Window.Peek(units, 2) == 2 && IsTagStart(units[1]);
    }
    return MatchesActiveEndTag() || ClosedConstructAhead();
}

template <class CharT>
bool HtmlStreamParserT<CharT>::FindClosingComment()
{
    if (KnownToFail(m_uCommentFailedFrom)) return false;
    const std::uint32_t begin = m_Window.Offset();
    const CharT minus = this->Delim(Base::DELIM_MINUS);
    while (!m_Window.AtEnd()) {
        // Only a "-" can start the closing sequence: jump to the next one in the window.
        const CharT* from = m_Window.Begin();
        const CharT* hit = LookAheadWindowT<CharT>::Find(from, from + m_Window.Available(), minus);
        if (hit != from) {
            m_Window.Skip(static_cast<std::uint32_t>(hit - from));
            continue;
        }
        m_Window.Next();
        CharT units[2] = {};
        if (m_Window.Peek(units, 2) == 2 && units[0] == minus && units[1] == this->Delim(Base::DELIM_GT)) {
            m_Window.Skip(2);
            return true;
        }
    }
    m_uCommentFailedFrom = begin;
    m_Window.Seek(begin);
    return false;
}

template <class CharT>
bool HtmlStreamParserT<CharT>::FindClosingSection(CharT closing)
{
    std::uint32_t& failedFrom =
        closing == this->Delim(Base::DELIM_PERCENT) ? m_uServerFailedFrom : m_uSectionFailedFrom;
    if (KnownToFail(failedFrom)) return false;
    const std::uint32_t begin = m_Window.Offset();
    while (!m_Window.AtEnd()) {
        const CharT* from = m_Window.Begin();
        const CharT* hit = LookAheadWindowT<CharT>::Find(from, from + m_Window.Available(), closing);
        if (hit != from) {
            m_Window.Skip(static_cast<std::uint32_t>(hit - from));
            continue;
        }
        m_Window.Next();
        if (!m_Window.AtEnd() && m_Window.Current() == this->Delim(Base::DELIM_GT)) {
            m_Window.Next();
            return true;
        }
    }
    failedFrom = begin;
    m_Window.Seek(begin);
    return false;
}

template <class CharT>
bool HtmlStreamParserT<CharT>::StepBracket(BracketState& state, CharT c) const noexcept
{
    const CharT gt = this->Delim(Base::DELIM_GT);
    if (state.mode == BracketState::TAIL) {
        // Stray quotes, "=" and punctuation right behind a closing quote belong to nothing.
        if (!(this->IsWhiteSpace(c) || c == this->Delim(Base::DELIM_SLASH) || c == gt || IsLetter(c))) return false;
        state.mode = BracketState::OUTSIDE;
    }
    if (state.mode == BracketState::QUOTED) {
        if (c == state.quote) state = {BracketState::TAIL, 0};
        return false;
    }
    if (c == gt) return true;
    if (state.mode == BracketState::OPENER &&
        (c == this->Delim(Base::DELIM_APOSTROPHE) || c == this->Delim(Base::DELIM_QUOTE))) {
        state = {BracketState::QUOTED, c};
        return false;
    }
    state.mode = IsQuoteOpener(c) ? BracketState::OPENER : BracketState::OUTSIDE;
    return false;
}

template <class CharT>
std::size_t HtmlStreamParserT<CharT>::CatchUpShadows(std::uint32_t begin)
{
    std::size_t usable = 0;
    for (std::size_t i = 0; i < m_uShadows; ++i) {
        Shadow& shadow = m_Shadows[i];
        if (shadow.offset > begin) continue;
        m_Window.Seek(shadow.offset);
        while (m_Window.Offset() < begin && !m_Window.AtEnd()) StepBracket(shadow.state, m_Window.Next());
        shadow.offset = begin;
        m_Shadows[usable++] = shadow;
    }
    m_Window.Seek(begin);
    return m_uShadows = usable;
}

template <class CharT>
bool HtmlStreamParserT<CharT>::StepBracketInWindow(BracketState& state, std::uint32_t& behindLastGt)
{
    const CharT gt = this->Delim(Base::DELIM_GT);
    const CharT* const from = m_Window.Begin();
    const CharT* const end = from + m_Window.Available();
    const CharT* at = from;
    while (at != end) {
        if (state.mode == BracketState::QUOTED) {
            // Inside a quoted value only its closing quote counts; a ">" there closes nothing
            // but is remembered like any other. Values are short and rarely hold a ">", so one
            // scan for both beats a search for each.
            at = LookAheadWindowT<CharT>::FindFirstOf(at, end, state.quote, gt, gt);
            if (at == end) break;
            if (*at++ == state.quote) state = {BracketState::TAIL, 0};
            else behindLastGt = m_Window.Offset() + static_cast<std::uint32_t>(at - from);
            continue;
        }
        const CharT* stop = at;
        if (state.mode != BracketState::TAIL) {
            // Outside quotes only ">" and the quotes count; the unit before the first of them
            // decides whether a quote may open.
            stop = LookAheadWindowT<CharT>::FindFirstOf(at, end, gt, this->Delim(Base::DELIM_APOSTROPHE),
                                                        this->Delim(Base::DELIM_QUOTE));
            if (stop != at) state.mode = IsQuoteOpener(stop[-1]) ? BracketState::OPENER : BracketState::OUTSIDE;
            if (stop == end) break;
        }
        at = stop + 1;
        if (StepBracket(state, *stop)) {
            m_Window.Skip(static_cast<std::uint32_t>(at - from));
            return true;
        }
    }
    m_Window.Skip(static_cast<std::uint32_t>(end - from));
    return false;
}

template <class CharT>
bool HtmlStreamParserT<CharT>::StepBracketToEnd(BracketState& state, std::uint32_t& behindLastGt)
{
    while (!m_Window.AtEnd())
        if (StepBracketInWindow(state, behindLastGt)) return true;
    return false;
}

template <class CharT>
bool HtmlStreamParserT<CharT>::StepBracketBesideShadows(BracketState& state, std::uint32_t& behindLastGt)
{
    // A search that falls into the state a failed search had at the same unit fails like it, so
    // hostile input with no closable tag is not searched again from every "<". Quotes that open
    // and close in turn put later searches out of step with the last one, hence several.
    std::array<Shadow, MAX_SHADOWS> shadows;
    const std::size_t count = CatchUpShadows(m_Window.Offset());
    if (count == 0) return StepBracketToEnd(state, behindLastGt);
    std::copy_n(m_Shadows.begin(), count, shadows.begin());
    const CharT gt = this->Delim(Base::DELIM_GT);
    while (!m_Window.AtEnd()) {
        if (std::any_of(shadows.begin(), shadows.begin() + count,
                        [&](const Shadow& shadow) { return shadow.state == state; }))
            return false;
        const CharT c = m_Window.Next();
        if (StepBracket(state, c)) return true;
        if (c == gt) behindLastGt = m_Window.Offset();
        for (std::size_t i = 0; i < count; ++i) StepBracket(shadows[i].state, c);
    }
    return false;
}

template <class CharT>
bool HtmlStreamParserT<CharT>::FindClosingBracket()
{
    if (KnownToFail(m_uBracketFailedFrom)) return false;
    const std::uint32_t begin = m_Window.Offset();
    BracketState state;
    // Quote states differ with the start, but a search that begins behind the last ">" of the
    // stream fails whatever its state.
    std::uint32_t behindLastGt = begin;
    if (m_uShadows == 0 ? StepBracketToEnd(state, behindLastGt) : StepBracketBesideShadows(state, behindLastGt))
        return true;
    if (m_Window.AtEnd()) {
        m_uBracketFailedFrom = behindLastGt;
        m_Shadows[m_uNextShadow] = Shadow{BracketState{}, begin};
        m_uNextShadow = (m_uNextShadow + 1) % MAX_SHADOWS;
        m_uShadows = std::max(m_uShadows, m_uNextShadow == 0 ? MAX_SHADOWS : m_uNextShadow);
    }
    m_Window.Seek(begin);
    return false;
}

template <class CharT>
bool HtmlStreamParserT<CharT>::ScanMarkup(ElementType& kind)
{
    const bool active = m_itActive != m_HighPriority.end();
    if (!active && m_Window.Available() >= 2) {
        // Most markup is a start or end tag, which only the bracket rule can close.
        const CharT second = m_Window.Begin()[1];
        if (IsLetter(second) || second == this->Delim(Base::DELIM_SLASH)) {
            m_Window.Skip(1);
            kind = ELEMENT_TAG;
            if (FindClosingBracket()) return true;
            kind = ELEMENT_TEXT;  // the failed search has put the position back behind "<"
            return false;
        }
    }
    CharT units[END_TAG_LOOKAHEAD] = {};
    if (!active) {
        if (m_Window.Peek(units, 2) != 2 || !IsTagStart(units[1])) return false;
    } else {
        MatchesActiveEndTag();
    }
    const bool inRaw = m_itActive != m_HighPriority.end();
    m_Window.Next();
    const std::uint32_t behind = m_Window.Offset();
    const std::uint32_t n = m_Window.Peek(units, 3);
    if (n >= 1 && units[0] == this->Delim(Base::DELIM_PERCENT)) {
        kind = ELEMENT_SERVER_BLOCK;
        if (FindClosingSection(units[0])) return true;
    } else if (m_bSections && n >= 2 && units[0] == this->Delim(Base::DELIM_BANG) &&
               units[1] == this->Delim(Base::DELIM_OPEN_BRACKET)) {
        kind = ELEMENT_SECTION;
        if (FindClosingSection(this->Delim(Base::DELIM_CLOSE_BRACKET))) return true;
    } else {
        kind = ELEMENT_COMMENT;
        if (n == 3 && units[0] == this->Delim(Base::DELIM_BANG) && units[1] == this->Delim(Base::DELIM_MINUS) &&
            units[2] == this->Delim(Base::DELIM_MINUS) && FindClosingComment())
            return true;
        kind = ELEMENT_TAG;
        if (!inRaw && FindClosingBracket()) return true;
    }
    kind = ELEMENT_TEXT;
    m_Window.Seek(behind);
    return false;
}

template <class CharT>
void HtmlStreamParserT<CharT>::ScanText(std::uint32_t start)
{
    // The element is cut at its cap whatever follows, so the scan need not look further.
    const CharT lt = this->Delim(Base::DELIM_LT);
    while (!m_Window.AtEnd()) {
        const std::uint32_t room = MAX_ELEMENT_UNITS - (m_Window.Offset() - start);
        if (room == 0) return;
        const CharT* from = m_Window.Begin();
        const CharT* limit = from + std::min(room, m_Window.Available());
        const CharT* hit = from;
        if (m_bPlainText) {
            hit = limit;
        } else if (m_itActive == m_HighPriority.end()) {
            // Outside raw content the unit behind "<" alone decides; read it in place while the
            // window holds it. Text runs are short, so an inline scan beats a call to memchr.
            const CharT* const windowEnd = from + m_Window.Available();
            while ((hit = LookAheadWindowT<CharT>::FindFirstOf(hit, limit, lt, lt, lt)) != limit &&
                   hit + 1 != windowEnd) {
                if (IsTagStart(hit[1])) return m_Window.Skip(static_cast<std::uint32_t>(hit - from));
                ++hit;
            }
        } else {
            hit = LookAheadWindowT<CharT>::Find(from, limit, lt);
        }
        if (hit != from) {
            m_Window.Skip(static_cast<std::uint32_t>(hit - from));
            continue;
        }
        if (FoundTagBeginning()) return;
        m_Window.Next();
    }
}

template <class CharT>
ElementType HtmlStreamParserT<CharT>::GetNext(unsigned int& start, unsigned int& end, String& text)
{
    text.clear();
    ElementType kind = ELEMENT_TEXT;
    bool found = false;
    start = m_Window.Offset();
    if (!m_bPlainText && !m_Window.AtEnd() && m_Window.Current() == this->Delim(Base::DELIM_LT))
        found = ScanMarkup(kind);
    if (!found) {
        if (!m_bPlainText && m_itActive != m_HighPriority.end()) kind = ELEMENT_RAW_TEXT;
        ScanText(start);
    }
    end = m_Window.Offset();
    const std::uint32_t length = end - start;
    if (const CharT* units = length <= MAX_ELEMENT_UNITS ? m_Window.Span(start, length) : nullptr) {
        text.append(units, length);
    } else {
        m_Window.Seek(start);
        Copy(text, std::min(length, MAX_ELEMENT_UNITS));
        if (length > MAX_ELEMENT_UNITS) AppendEndingTagCharacters(start, end, text);
        end = m_Window.Offset();
    }
    if (found && m_itActive == m_HighPriority.end() && MayBeHighPriority(text)) {
        m_itActive = CheckHighPriorityTag(text);
        m_bPlainText = m_itActive == m_HighPriority.begin();
    }
    start *= sizeof(CharT);
    end *= sizeof(CharT);
    return kind;
}

template <class CharT>
void HtmlStreamParserT<CharT>::AppendEndingTagCharacters(std::uint32_t start, std::uint32_t end, String& text)
{
    CharT units[ENDING_CHARACTERS] = {};
    m_Window.Seek(end - ENDING_CHARACTERS);
    const std::uint32_t n = m_Window.Peek(units, ENDING_CHARACTERS);
    const std::uint32_t copiedEnd = start + MAX_ELEMENT_UNITS;
    std::uint32_t first = n;
    while (first > 0 && end - ENDING_CHARACTERS + (first - 1) >= copiedEnd) {
        const CharT unit = units[first - 1];
        if (!(unit == this->Delim(Base::DELIM_MINUS) || unit == this->Delim(Base::DELIM_SLASH) ||
              unit == this->Delim(Base::DELIM_GT) || unit == this->Delim(Base::DELIM_BANG) ||
              unit == this->Delim(Base::DELIM_QUESTION) || this->IsWhiteSpace(unit)))
            break;
        --first;
    }
    text.append(units + first, n - first);
    m_Window.Seek(end);
}

template <class CharT>
typename HtmlStreamParserT<CharT>::Entries::const_iterator
HtmlStreamParserT<CharT>::CheckHighPriorityTag(const String& text)
{
    if (text.size() < 7 || !IsLetter(text[1])) return m_HighPriority.end();
    CharT name[MAX_NAME_UNITS];
    std::size_t length = 0;
    for (std::size_t i = 1; i < text.size() && length < MAX_NAME_UNITS; ++i) {
        const CharT unit = text[i];
        if (this->IsWhiteSpace(unit) || unit == this->Delim(Base::DELIM_SLASH) ||
            unit == this->Delim(Base::DELIM_GT) || unit == this->Delim(Base::DELIM_HASH) ||
            unit == this->Delim(Base::DELIM_PERCENT))
            break;
        name[length++] = this->LowerUnit(unit);
    }
    return std::find_if(m_HighPriority.begin(), m_HighPriority.end(), [&](const Entry& entry) {
        return entry.second.size() == length && std::equal(name, name + length, entry.second.begin());
    });
}

template <class CharT>
void HtmlStreamParserT<CharT>::SkipBOM()
{
    if (m_Window.AtEnd()) return;
    if constexpr (sizeof(CharT) == 1) {
        CharT units[3] = {};
        if (this->m_Charset == VEK::CHARSET_UTF8 && m_Window.Peek(units, 3) == 3 &&
            std::memcmp(units, "\xEF\xBB\xBF", 3) == 0)
            m_Window.Skip(3);
    } else {
        const CharT first = m_Window.Current();
        if (this->m_Charset == VEK::CHARSET_UTF16 && (first == 0xFEFF || first == 0xFFFE)) m_Window.Skip(1);
    }
}

template <class CharT>
void HtmlStreamParserT<CharT>::AppendAsUnicode(const String& text, VEK::WString& wide,
                                               const CharsetConverter* shared) const
{
    if constexpr (sizeof(CharT) == 1) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
        const auto length = static_cast<std::uint32_t>(text.size());
        if (shared) shared->Append(bytes, length, wide);
        else CharsetConverter(this->m_Charset, VEK::CHARSET_UTF16).Append(bytes, length, wide);
    } else {
        wide.append(text);
        if (this->m_Charset == VEK::CHARSET_UTF16_SWAPPED)
            for (auto& unit : wide) unit = static_cast<unsigned short>(this->MachineUnit(unit));
    }
}

template <class CharT>
bool HtmlStreamParserT<CharT>::Parse(HtmlStreamParserCallback& callback)
{
    String text;
    VEK::WString wide;
    text.reserve(2000);
    wide.reserve(2000);
    // A fast conversion keeps nothing from one call to the next, so one converter serves every
    // element; a two-stage one may hold a shift state, so each element gets its own as ever.
    std::optional<CharsetConverter> shared;
    if (sizeof(CharT) == 1 && VEKCharset::Conv::FastConversionFunction(this->m_Charset, VEK::CHARSET_UTF16))
        shared.emplace(this->m_Charset, VEK::CHARSET_UTF16);
    callback.BeginParse();
    SkipBOM();
    while (!m_Window.AtEnd()) {
        wide.clear();
        unsigned int start = 0, end = 0;
        const ElementType kind = GetNext(start, end, text);
        AppendAsUnicode(text, wide, shared ? &*shared : nullptr);
        if (!callback.HandleElement(kind, start, end, wide)) return false;
    }
    callback.EndParse();
    return true;
}

template class HtmlStreamParserT<char>;
template class HtmlStreamParserT<unsigned short>;

} // namespace VEKParser
