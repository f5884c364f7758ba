// Tag parameters: a parameter is found by its name delimited on both sides anywhere in the tag
// text, and its value is what follows the next "=" or ":". Values are kept on the tag's node,
// become hidden-text nodes, or fill the tree's document values and meta map.
#include <VEKParser/html/doctree/HtmlDocParser.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <VEKParser/host/Conv.h>
#include <VEKParser/host/StringFunctions.h>
#include <VEKParser/html/vocabulary/NamedCharacters.h>

#include "html/doctree/DocParserCodes.h"
#include "html/vocabulary/TagText.h"

namespace VEKParser {

namespace {

constexpr std::uint32_t kUriTypes = PARAM_LINK | PARAM_REDIRECT | PARAM_BASE_URI;
constexpr std::uint32_t kLinkNodeBit = 0x40000;
constexpr std::uint32_t kHiddenTextId = KW_HIDDEN_TEXT;
constexpr unsigned int kConversionArea = 4096;

constexpr std::string_view kMetaName("name");
constexpr std::string_view kMetaContent("content");
const VEK::WString kListSeparator = VEK::Widen(", ");
const VEK::WString kSubjectSeparator = VEK::Widen("\n");

// The byte classes of parameter texts. Tests of a few bytes each: called for every byte of a
// value, a set search would cost a call per byte.
bool IsLineBreakOrTab(char c) noexcept { return c == '\r' || c == '\n' || c == '\t'; }
using VocabularyText::IsBlank;
bool IsNameDelimiter(char c) noexcept { return IsBlank(c) || c == ';' || c == '"' || c == '\'' || c == '='; }
bool IsValueIntroducer(char c) noexcept { return c == '=' || c == ':'; }
bool IsUnquotedValueEnd(char c) noexcept { return IsBlank(c) || c == '\'' || c == '"' || c == '>'; }

#if defined(__SSE2__)
__m128i Load16(const char* text) noexcept { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(text)); }

__m128i Equal16(__m128i bytes, char c) noexcept { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); }

// 0xFF in each byte of the 16 that is a blank.
__m128i BlanksOf16(__m128i bytes) noexcept
{
    return _mm_or_si128(_mm_or_si128(Equal16(bytes, ' '), Equal16(bytes, '\t')),
                        _mm_or_si128(Equal16(bytes, '\r'), Equal16(bytes, '\n')));
}

// Bit k set when byte k of the 16 at `text` delimits a parameter name.
std::uint64_t NameDelimitersOf16(const char* text) noexcept
{
    const __m128i bytes = Load16(text);
    const __m128i quotes = _mm_or_si128(_mm_or_si128(Equal16(bytes, '"'), Equal16(bytes, '\'')),
                                        _mm_or_si128(Equal16(bytes, ';'), Equal16(bytes, '=')));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_or_si128(quotes, BlanksOf16(bytes))));
}
#endif

// Where the name delimiters of a tag text are, one bit per byte: the search for the kept
// parameters walks the words between them instead of searching the text once per name.
class NameDelimiters {
public:
    NameDelimiters(std::string_view text, std::vector<std::uint64_t>& bits) : m_uSize(text.size()), m_Bits(bits)
    {
        m_Bits.assign((text.size() + 63) / 64, 0);
        std::size_t i = 0;
#if defined(__SSE2__)
        for (; i + 16 <= text.size(); i += 16) m_Bits[i / 64] |= NameDelimitersOf16(text.data() + i) << (i % 64);
        if (i < text.size()) {
            // The last bytes, padded with zeros, which delimit nothing.
            char last[16] = {};
            std::memcpy(last, text.data() + i, text.size() - i);
            m_Bits[i / 64] |= NameDelimitersOf16(last) << (i % 64);
        }
#else
        for (; i < text.size(); ++i)
            if (IsNameDelimiter(text[i])) m_Bits[i / 64] |= std::uint64_t{1} << (i % 64);
#endif
    }

    // Calls `visit(start, end)` for each word with a delimiter on both sides, in order, while it
    // returns true. Words start where a delimiter is followed by another byte and end where
    // another byte is followed by a delimiter; both are found 64 bytes at a time.
    template <class Visit>
    void ForEachWord(Visit visit) const
    {
        std::uint64_t before = 0;  // bit 0: the byte before the block is a delimiter
        std::size_t start = m_uSize;
        for (std::size_t block = 0; block < m_Bits.size(); ++block) {
            const std::uint64_t delimiters = m_Bits[block];
            const std::uint64_t follows = (delimiters << 1) | before;  // bit k: byte k - 1 is a delimiter
            const std::uint64_t starts = ~delimiters & follows & InText(block);
            std::uint64_t events = starts | (delimiters & ~follows);
            before = delimiters >> 63;
            for (; events != 0; events &= events - 1) {
                const auto bit = static_cast<unsigned>(__builtin_ctzll(events));
                const std::size_t at = block * 64 + bit;
                if ((starts >> bit) & 1) {
                    start = at;
                } else if (start != m_uSize) {
                    if (!visit(start, at)) return;
                    start = m_uSize;
                }
            }
        }
    }

private:
    // The bits of a block that stand for bytes of the text.
    std::uint64_t InText(std::size_t block) const noexcept
    {
        const std::size_t left = m_uSize - block * 64;
        return left >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << left) - 1;
    }

    std::size_t m_uSize;
    std::vector<std::uint64_t>& m_Bits;
};

bool SameNameNoCase(const char* text, std::string_view name) noexcept
{
    for (std::size_t i = 0; i < name.size(); ++i)
        if (VocabularyText::LowerAscii(text[i]) != name[i]) return false;
    return true;
}

// The first index at or after `from` whose byte passes `test`, or npos.
template <class Test>
std::size_t FindFirst(std::string_view text, std::size_t from, Test test) noexcept
{
    for (std::size_t i = from; i < text.size(); ++i)
        if (test(text[i])) return i;
    return std::string::npos;
}

// The first occurrence of `name` (not empty) at or after `from`. Names are a few letters and
// their first letter is common in tag texts: each candidate is compared inline rather than
// through memcmp.
std::size_t FindName(std::string_view text, std::string_view name, std::size_t from) noexcept
{
    if (name.size() > text.size()) return std::string::npos;
    const char* const begin = text.data();
    const char* const last = begin + (text.size() - name.size());
    for (const char* p = begin + std::min(from, text.size()); p <= last; ++p) {
        p = static_cast<const char*>(std::memchr(p, name[0], static_cast<std::size_t>(last - p) + 1));
        if (p == nullptr) return std::string::npos;
        std::size_t i = 1;
        while (i < name.size() && p[i] == name[i]) ++i;
        if (i == name.size()) return static_cast<std::size_t>(p - begin);
    }
    return std::string::npos;
}

// Lower-casing changes letters only, so names, delimiters and positions stay where they are.
// Tag texts run to a few hundred bytes: they are folded sixteen bytes at a time where the
// machine allows.
std::string_view FoldInto(std::string_view text, std::string& folded)
{
    folded.resize(text.size());
    const char* in = text.data();
    char* out = folded.data();
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= text.size(); i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        // Signed compares: bytes from 0x80 on are negative, so never taken for capitals.
        const __m128i capitals = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('A' - 1)),
                                               _mm_cmplt_epi8(bytes, _mm_set1_epi8('Z' + 1)));
        const __m128i lowered = _mm_add_epi8(bytes, _mm_and_si128(capitals, _mm_set1_epi8('a' - 'A')));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), lowered);
    }
#endif
    VocabularyText::CopyLowerAscii(in + i, text.size() - i, out + i);
    return folded;
}

bool IsWhiteSpace(char c) noexcept { return VEK::IsWhiteSpace(static_cast<unsigned char>(c)); }

// URIs run to tens of bytes and seldom hold a blank: they are searched sixteen bytes at a time.
bool HasBlank(std::string_view text) noexcept
{
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= text.size(); i += 16)
        if (_mm_movemask_epi8(BlanksOf16(Load16(text.data() + i))) != 0) return true;
#endif
    return FindFirst(text, i, IsBlank) != std::string::npos;
}

// URIs lose surrounding white space, and line breaks and tabs inside them, as browsers do. The
// result views `value`, or `scratch` when bytes had to be taken out.
std::string_view TidyUri(std::string_view value, std::string& scratch)
{
    while (!value.empty() && IsWhiteSpace(value.front())) value.remove_prefix(1);
    while (!value.empty() && IsWhiteSpace(value.back())) value.remove_suffix(1);
    if (!HasBlank(value)) return value;
    scratch.assign(value);
    std::erase_if(scratch, IsLineBreakOrTab);
    return scratch;
}

void AppendSummary(std::string_view value, VEK::CHARSET charset, const VEK::WString& separator, VEK::WString& out)
{
    VEK::WString converted;
    HtmlDocParser::ConvertString(charset, VEK::CHARSET_UTF16, std::string(value), converted, false, true);
    if (!out.empty()) out += separator;
    out += converted;
}

} // namespace

std::string_view HtmlDocParser::KeywordText() const
{
    return std::string_view(m_pScanner->GetKeywordBuffer(), m_pScanner->GetKeywordLength());
}

// The values a node keeps go into its parameter block at the end, in one allocation. Values
// are views of the tag text, or of a scratch string when they had to be tidied.
void HtmlDocParser::ParseParam(const KeywordInfo& info, NodeVector& children, Node* node)
{
    const std::vector<ParamInfo>& params = HtmlKeywordTable::FindParamInfo(doctree::IdOf(info));
    if (params.empty()) return;
    const std::string_view text = KeywordText();
    FindParamNames(text, params);
    m_KeptParams.clear();
    // A scratch per value that may be kept, made before any is viewed.
    if (m_KeptValues.size() < params.size()) m_KeptValues.resize(params.size());
    for (std::size_t i = 0; i < params.size(); ++i) {
        const ParamInfo& param = params[i];
        unsigned int pos = m_ParamEnds[i];
        std::string_view value;
        if (pos == 0 || !ExtractValue(text, pos, value)) continue;
        std::string& scratch = m_KeptValues[m_KeptParams.size()];
        if (!ApplyParam(param, value, scratch, children, node) || node == nullptr) continue;
        m_KeptParams.emplace_back(param.m_sName, value);
    }
    if (m_KeptParams.empty()) return;
    node->m_pParams =
        HtmlDocTree::ParamHolder(HtmlDocTree::SharedParamMap::Create(m_KeptParams.data(), m_KeptParams.size()));
}

// What IsParamFound finds for each name, for all of them in one pass: the index after the first
// delimited occurrence, or 0. Names hold no delimiter, so a delimited occurrence is a whole
// word between delimiters; a word at either end of the text has no delimiter on that side.
void HtmlDocParser::FindParamNames(std::string_view text, const std::vector<ParamInfo>& params)
{
    m_ParamEnds.assign(params.size(), 0);
    std::uint64_t lengths = 0;
    for (const ParamInfo& param : params) {
        const std::size_t length = param.m_sName.size();
        if (length < 64 && text.size() > length + 2) lengths |= std::uint64_t{1} << length;
    }
    if (lengths == 0) return;
    std::size_t missing = params.size();
    NameDelimiters(text, m_ParamDelimiters).ForEachWord([&](std::size_t start, std::size_t end) {
        const std::size_t length = end - start;
        if (length >= 64 || ((lengths >> length) & 1) == 0) return true;
        for (std::size_t i = 0; i < params.size(); ++i) {
            const std::string& name = params[i].m_sName;
            if (m_ParamEnds[i] != 0 || name.size() != length || !SameNameNoCase(text.data() + start, name)) continue;
            m_ParamEnds[i] = static_cast<std::uint32_t>(end);
            --missing;
        }
        return missing > 0;
    });
}

// Document values already set are never replaced: the first redirect, base URI and meta
// charset of a document win, and summary strings only grow. True when the value is kept on
// the node.
bool HtmlDocParser::ApplyParam(const ParamInfo& param, std::string_view& value, std::string& scratch,
                               NodeVector& children, Node* node) const
{
    value = value.substr(0, value.find('\0'));
    if ((param.m_uType & kUriTypes) != 0) value = TidyUri(value, scratch);
    if (value.empty()) return false;
    HtmlDocTree& tree = m_Tree;
    const VEK::CHARSET charset = tree.m_Charset;
    const auto size = static_cast<unsigned int>(value.size());
    if (node != nullptr && (param.m_uType & PARAM_LINK) != 0) node->m_uKeyword |= kLinkNodeBit;
    if ((param.m_uType & PARAM_REDIRECT) != 0 && tree.m_sRedirectUri.empty())
        ExpandUriCharacterReferences(charset, value.data(), size, tree.m_sRedirectUri);
    if ((param.m_uType & PARAM_CHARSET) != 0 && tree.m_sMetaCharset.empty())
        ConvertString(charset, VEK::CHARSET_UTF16, std::string(value), tree.m_sMetaCharset, false, true);
    if ((param.m_uType & PARAM_HIDDEN_TEXT) != 0) {
        char name[40];
        std::snprintf(name, sizeof name, "hidden-text-block ( 0x%08x )", param.m_uHiddenAtt);
        VEK::RefCount<Node> holder = VEK::MakeRefCount<Node>();
        holder->m_pTagName = tree.m_StringPool.Store(name, true);
        holder->m_uKeyword = (param.m_uHiddenAtt & ~0xFFu) | kHiddenTextId | (param.m_uHiddenAtt & 0xFFu);
        holder->m_pTree = &tree;
        holder->m_pText = tree.m_StringPool.Store(value.data(), size, true);
        holder->m_uTextSize = size;
        children.push_back(std::move(holder));
    }
    HtmlDocTree::DocSummaryInformation& summary = tree.m_Summary;
    if ((param.m_uType & PARAM_KEYWORDS) != 0) AppendSummary(value, charset, kListSeparator, summary.m_sKeywords);
    if ((param.m_uType & PARAM_AUTHOR) != 0) AppendSummary(value, charset, kListSeparator, summary.m_sAuthor);
    if ((param.m_uType & PARAM_SUBJECT) != 0) AppendSummary(value, charset, kSubjectSeparator, summary.m_sSubject);
    if ((param.m_uType & PARAM_BASE_URI) != 0 && tree.m_sBaseUri.empty())
        ExpandUriCharacterReferences(charset, value.data(), size, tree.m_sBaseUri);
    return true;
}

// Tag texts start with "<" and the tag name, so a parameter never matches at the start.
// `folded` is the tag text lower-cased, and names are lower-case: a plain search then matches
// letters of either case, and one folding serves all the names looked for.
bool HtmlDocParser::IsParamFound(std::string_view folded, unsigned int& pos, std::string_view name) const
{
    const std::string_view text = folded;
    if (text.size() <= name.size() + 2 || name.empty()) return false;
    const std::size_t lastStart = text.size() - name.size();
    for (std::size_t from = pos;;) {
        const std::size_t at = FindName(text, name, from);
        if (at == std::string::npos || at > lastStart) return false;
        const std::size_t after = at + name.size();
        if (at > 0 && IsNameDelimiter(text[at - 1]) && after < text.size() && IsNameDelimiter(text[after])) {
            pos = static_cast<unsigned int>(after);
            return true;
        }
        from = at + 1;
    }
}

// A parameter written without "=" takes the value of the next one that has it.
bool HtmlDocParser::ExtractValue(std::string_view text, unsigned int& pos, std::string& value) const
{
    std::string_view view;
    const bool found = ExtractValue(text, pos, view);
    value.assign(view);
    return found;
}

// `value` views `text`.
bool HtmlDocParser::ExtractValue(std::string_view text, unsigned int& pos, std::string_view& value) const
{
    value = {};
    const std::size_t introducer = FindFirst(text, pos, IsValueIntroducer);
    if (introducer == std::string::npos) return false;
    std::size_t start = FindFirst(text, introducer + 1, [](char c) { return !IsBlank(c); });
    if (start == std::string::npos) return false;
    char quote = 0;
    if (text[start] == '"' || text[start] == '\'') {
        quote = text[start++];
        if (start >= text.size()) return false;
    }
    std::size_t end = quote != 0 ? text.find(quote, start) : FindFirst(text, start, IsUnquotedValueEnd);
    if (end == std::string::npos) end = text.size();
    value = text.substr(start, end - start);
    pos = 0;
    return !value.empty();
}

// The first meta entry of a name wins; names compare without regard to case.
void HtmlDocParser::ParseMetaInfo(std::string_view text) const
{
    std::string lowered;
    const std::string_view folded = FoldInto(text, lowered);
    unsigned int pos = 0;
    std::string key;
    if (!IsParamFound(folded, pos, kMetaName) || !ExtractValue(text, pos, key)) return;
    std::string content;
    if (IsParamFound(folded, pos, kMetaContent)) ExtractValue(text, pos, content);
    VEK::WString wide;
    if (!content.empty()) ExpandCharacterReferences(m_Tree.m_Charset, content, wide, false);
    m_Tree.m_MetaMap.emplace(std::move(key), std::move(wide));
}

unsigned int HtmlDocParser::ConvertString(VEK::CHARSET from, VEK::CHARSET to, const std::string& bytes,
                                          VEK::WString& out, bool flag1, bool)
{
    out.reserve(out.size() + bytes.size());
    const VEKCharset::ConversionFunction fast = VEKCharset::Conv::FastConversionFunction(from, to);
    const VEKCharset::Conv::ConversionClass general(VEKCharset::Conv::MbToWcConversionFunction(from),
                                                    VEKCharset::Conv::WcToMbConversionFunction(to));
    const auto* source = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto total = static_cast<std::uint32_t>(bytes.size());
    unsigned short area[kConversionArea / 2];
    std::uint32_t position = 0;
    while (position < total) {
        std::uint32_t consumed = 0;
        std::uint32_t produced = 0;
        auto* target = reinterpret_cast<unsigned char*>(area);
        const unsigned char* from = source + position;
        const std::uint32_t rest = total - position;
        if (fast != nullptr) fast(from, rest, consumed, target, kConversionArea, produced, flag1, false);
        else general(from, rest, consumed, target, kConversionArea, produced, flag1, false);
        out.append(area, produced / 2);
        if (consumed == 0) break;
        position += consumed;
    }
    return position;
}

} // namespace VEKParser
