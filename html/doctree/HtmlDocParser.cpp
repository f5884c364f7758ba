// The document parser's driver: the top-level scan loop, document-level text, white-space
// normalisation, skipped element content and embedded tag fragments.
#include <VEKParser/html/doctree/HtmlDocParser.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <VEKParser/host/StringFunctions.h>

#include "html/doctree/DocParserCodes.h"

namespace VEKParser {

using namespace doctree;

namespace {

// Empties the pool's de-duplication cache however the parse ends, so that no string is shared
// across parses.
struct CacheReset {
    StringPool& pool;
    ~CacheReset() { pool.ClearCache(); }
};

#if defined(__SSE2__)
// Bit k set when byte k of the 16 at `text` is white space, and when it is a blank.
struct WhiteSpaceBits {
    unsigned white;
    unsigned blanks;
};

WhiteSpaceBits WhiteSpaceOf16(__m128i bytes) noexcept
{
    const __m128i blanks = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '));
    // Tab to carriage return are 9-13: below 5 once 9 is taken away, counted without sign.
    const __m128i controls = _mm_sub_epi8(bytes, _mm_set1_epi8(9));
    const __m128i isControl = _mm_cmpeq_epi8(_mm_min_epu8(controls, _mm_set1_epi8(4)), controls);
    return {static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(blanks, isControl))),
            static_cast<unsigned>(_mm_movemask_epi8(blanks))};
}
#endif

bool IsUntidyAt(const unsigned char* text, std::size_t i, std::size_t size) noexcept
{
    if (!VEK::IsWhiteSpace(text[i])) return false;
    return text[i] != ' ' || (i + 1 < size && VEK::IsWhiteSpace(text[i + 1]));
}

#if defined(__SSE2__)
// Bit k set when byte k of the 16 is untidy, as far as the 16 bytes tell: the last one is tidy
// unless the byte after it says otherwise.
unsigned UntidyOf16(__m128i bytes) noexcept
{
    const WhiteSpaceBits bits = WhiteSpaceOf16(bytes);
    return (bits.white & ~bits.blanks) | (bits.blanks & (bits.white >> 1));
}

unsigned UntidyOf16(const unsigned char* text) noexcept
{
    return UntidyOf16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text)));
}

template <class Word>
Word LoadWord(const unsigned char* text) noexcept
{
    Word word;
    std::memcpy(&word, text, sizeof word);
    return word;
}

// The first `size` (below 8) bytes at `text` as the low bytes of a word, zero above. Two loads
// that overlap put the same bytes in the same places.
std::uint64_t LoadBelow8(const unsigned char* text, std::size_t size) noexcept
{
    if (size >= 4)
        return LoadWord<std::uint32_t>(text) |
               std::uint64_t{LoadWord<std::uint32_t>(text + size - 4)} << (8 * (size - 4));
    if (size == 0) return 0;
    return text[0] | std::uint64_t{text[size / 2]} << (8 * (size / 2)) | std::uint64_t{text[size - 1]} << (8 * (size - 1));
}

// The `size` (below 16) bytes at `text`, zero above, read without touching a byte past them and
// without the store a copy to a padded block would make the load wait for.
__m128i LoadBelow16(const unsigned char* text, std::size_t size) noexcept
{
    if (size < 8) return _mm_cvtsi64_si128(static_cast<long long>(LoadBelow8(text, size)));
    // Bytes 8 on, none when there are 8: the shift is made in two, as one of 64 bits is undefined.
    const auto high = LoadWord<std::uint64_t>(text + size - 8) >> (8 * (15 - size)) >> 8;
    return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(LoadWord<std::uint64_t>(text)));
}

std::size_t FirstUntidyOrSize(unsigned untidy, std::size_t at, std::size_t size) noexcept
{
    return untidy != 0 ? at + static_cast<std::size_t>(__builtin_ctz(untidy)) : size;
}
#endif

// The index of the first byte of `text` that changes under white-space normalisation: a
// white-space byte other than a blank, or a blank followed by white space. Text runs are
// searched sixteen bytes at a time where the machine allows; most are shorter than that.
std::size_t FirstUntidy(const unsigned char* text, std::size_t size) noexcept
{
#if defined(__SSE2__)
    // Zero bytes are no white space: the padding changes nothing.
    if (size < 16) return FirstUntidyOrSize(UntidyOf16(LoadBelow16(text, size)), 0, size);
    std::size_t i = 0;
    for (; i + 16 <= size; i += 16) {
        const unsigned untidy = UntidyOf16(text + i);
        if (untidy != 0) return FirstUntidyOrSize(untidy, i, size);
        if (IsUntidyAt(text, i + 15, size)) return i + 15;
    }
    if (i == size) return size;
    // The last sixteen bytes, less those already searched.
    const std::size_t last = size - 16;
    return FirstUntidyOrSize(UntidyOf16(text + last) >> (i - last), i, size);
#else
    for (std::size_t i = 0; i < size; ++i)
        if (IsUntidyAt(text, i, size)) return i;
    return size;
#endif
}

// Writes `text` with each white-space run made one blank to `out`, which has room for all of
// it (a run never grows); returns the end of what was written. What lies between two untidy
// places is copied whole: an untidy place starts a white-space run, as any white space before
// it would have been untidy itself.
char* WriteCollapsed(const unsigned char* text, std::size_t size, char* out) noexcept
{
    for (std::size_t i = 0; i < size;) {
        const std::size_t tidy = FirstUntidy(text + i, size - i);
        std::memcpy(out, text + i, tidy);
        out += tidy;
        i += tidy;
        if (i == size) break;
        *out++ = ' ';
        while (i < size && VEK::IsWhiteSpace(text[i])) ++i;
    }
    return out;
}

bool IsWordEnd(char c) noexcept { return c == ' ' || c == '>'; }
bool IsWordStart(char c) noexcept { return c == ' ' || c == '<'; }

// One pass over the text from its second byte: a "<" that opens a known tag name is dropped
// together with the name and the blank or ">" after it.
std::string WipeForward(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (std::size_t at = text.find('<', 1); at != std::string::npos; at = text.find('<', at + 1)) {
        std::size_t end = at + 1;
        while (end < text.size() && !IsWordEnd(text[end])) ++end;
        if (end == text.size()) break;
        if (!HtmlKeywordTable::IsHtmlKeyword(text.substr(at + 1, end - at - 1))) continue;
        out.append(text, copied, at - copied);
        copied = end + 1;
        at = end;
    }
    out.append(text, copied, std::string::npos);
    return out;
}

// The same from the end: a known tag name before a ">" is dropped together with the ">" and
// the blank or "<" before it.
std::string WipeBackward(const std::string& text)
{
    std::string kept;  // the pieces that stay, last piece first, each reversed
    kept.reserve(text.size());
    std::size_t copiedFrom = text.size();
    for (std::size_t at = text.rfind('>'); at != std::string::npos && at > 0; at = text.rfind('>', at - 1)) {
        std::size_t start = at;
        while (start > 0 && !IsWordStart(text[start - 1])) --start;
        if (start == 0) break;
        --start;
        if (!HtmlKeywordTable::IsHtmlKeyword(text.substr(start + 1, at - start - 1))) continue;
        kept.append(text.rbegin() + static_cast<std::ptrdiff_t>(text.size() - copiedFrom),
                    text.rbegin() + static_cast<std::ptrdiff_t>(text.size() - at - 1));
        copiedFrom = start;
        if (start == 0) break;
        at = start;
    }
    kept.append(text.rbegin() + static_cast<std::ptrdiff_t>(text.size() - copiedFrom), text.rend());
    return std::string(kept.rbegin(), kept.rend());
}

} // namespace

HtmlDocParser::HtmlDocParser(VEK::BinaryStreamBufT<unsigned int>& stream, const HtmlKeywordTable& table,
                             HtmlDocTree& tree)
    : m_Table(table), m_Tree(tree), m_pScanner(std::make_unique<VEKFile::BinaryStreamParser>(stream, false)),
      m_TextBuffer(new VEKFile::MemoryBuffer(4096)), m_OpenChildren(std::make_unique<NodeVector[]>(kMaxDepth))
{
}

HtmlDocParser::~HtmlDocParser() = default;

bool HtmlDocParser::Parse()
{
    m_OpenKeywords.clear();
    // Scratches a failed parse left filled.
    for (std::size_t depth = 0; depth < kMaxDepth; ++depth) m_OpenChildren[depth].clear();
    m_uDepth = 0;
    m_pScanner->Reset();
    m_uReplayIndex = 0;
    m_bReplay = m_bUnwind = m_bTitleSeen = m_bLastSpace = false;
    m_TextBuffer->Clear();
    ForgetPooledNames();
    const CacheReset cacheReset{m_Tree.m_StringPool};

    const char* masterName =
        m_Tree.m_StringPool.Store(kMasterNodeName.data(), static_cast<std::uint32_t>(kMasterNodeName.size()), true);
    Node& master = AppendNode(m_Tree.m_TopNodes, masterName, KW_NONE, 0);
    GetOrphanText(master.m_Children);
    const KeywordInfo* table = m_Table.LookUpTagText(
        HtmlKeywordTable::m_sMASTER_TABLE_TAG.data(), static_cast<unsigned int>(HtmlKeywordTable::m_sMASTER_TABLE_TAG.size()));

    m_uCurrentOffset = 0;
    unsigned int code = CODE_UNCLOSED;
    for (;;) {
        if (code != CODE_PENDING && !m_bReplay && !FetchTagText()) break;
        code = RecursiveParse(master.m_Children, true, false, nullptr);
        if (code == CODE_TABLE_REENTRY && table != nullptr)
            code = RecursiveParse(master.m_Children, true, table->m_bPreformatted, table);
        if (code == CODE_TOO_DEEP) return false;
        if (code == CODE_END_OF_INPUT) break;
        if (code == CODE_PENDING) continue;
        ReadTopLevelText(master);
    }
    return true;
}

// Text after a top-level element belongs to the master node.
void HtmlDocParser::ReadTopLevelText(Node& master)
{
    const bool passed = m_pScanner->GetCurrentChar() != '>' || m_pScanner->Fetch(1, false, true);
    if (passed && m_pScanner->GetCurrentChar() != '<') GetOrphanText(master.m_Children);
    // Re-opened elements start where the end tag that closed them early started.
    if (!m_bReplay) m_uCurrentOffset = m_pScanner->GetPosition();
}

bool HtmlDocParser::FetchTagText() const
{
    return m_pScanner->FetchData('<', false, 0, nullptr, nullptr, false, false) && FetchTagRest();
}

bool HtmlDocParser::FetchTagRest() const
{
    return m_pScanner->FetchData('>', true, 0, nullptr, nullptr, false, false);
}

void HtmlDocParser::GetOrphanText(NodeVector& children)
{
    const std::uint32_t offset = m_pScanner->GetPosition();
    bool found = false;
    std::string_view text = m_pScanner->FetchText('<', *m_TextBuffer, found);
    const bool blankOnly = BeautifyString(text);
    if (text.empty() || (m_bLastSpace && blankOnly)) return;
    AppendTextNode(children, OrphanTextName(), text.data(), static_cast<std::uint32_t>(text.size()), offset,
                   m_pScanner->GetPosition() - offset);
}

// Normalises from the first byte that changes; most runs of text need nothing, and most of the
// others are the white space between two tags.
bool HtmlDocParser::BeautifyString(std::string_view& text)
{
    if (text.empty()) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    const std::size_t untidy = FirstUntidy(bytes, size);
    if (untidy == size) return size == 1 && bytes[0] == ' ';
    if (untidy == 0 && std::all_of(bytes, bytes + size, [](unsigned char c) { return VEK::IsWhiteSpace(c); })) {
        text = " ";
        return true;
    }
    if (m_Tidy.size() < size) m_Tidy.resize(size);
    std::memcpy(m_Tidy.data(), bytes, untidy);
    const char* end = WriteCollapsed(bytes + untidy, size - untidy, m_Tidy.data() + untidy);
    text = std::string_view(m_Tidy.data(), static_cast<std::size_t>(end - m_Tidy.data()));
    return false;
}

// The scan stops on the ">" that closes the end text, where it stops after any tag text.
bool HtmlDocParser::HandleSkip(const KeywordInfo& info) const
{
    const std::string& end = info.m_sEndTag;
    const std::size_t n = end.size() - (!end.empty() && end.back() == '>' ? 1 : 0);
    const char* tag = m_pScanner->GetKeywordBuffer();
    const std::uint32_t length = m_pScanner->GetKeywordLength();
    if (length >= end.size() && VEK::NoCase::Compare(tag + length - n, n, end.data(), n) == 0) return true;
    if (!m_pScanner->FetchData(end, false, 0, nullptr, nullptr, false, false)) return false;
    if (!m_pScanner->Fetch(static_cast<std::uint32_t>(n), false, true)) return false;
    return m_pScanner->GetCurrentChar() == '>' || m_pScanner->FetchData('>', false, 0, nullptr, nullptr, false, false);
}

bool HtmlDocParser::WipeEmbeddedTag(std::string& text) const
{
    const std::size_t before = text.size();
    text = WipeBackward(WipeForward(text));
    return text.size() != before;
}

} // namespace VEKParser
