#include <VEKParser/html/vocabulary/NamedCharacters.h>

#include "html/vocabulary/AppendExpandedText.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <cstdint>
#include <map>
#include <string_view>

#include <unicode/uchar.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <VEKParser/foundation/Exceptions.h>
#include <VEKParser/host/Conv.h>
#include <VEKParser/host/CriticalSection.h>
#include <VEKParser/host/RefCount.h>

namespace VEKParser {

namespace {

using WView = std::basic_string_view<unsigned short>;

struct NamedCharacterRow {
    const char* m_pName;
    std::uint16_t m_uCode;
};

// HTML 4.01 names in order of code point; &fnof, &perp and &euro are deliberately absent.
constexpr NamedCharacterRow kNamedCharacters[] = {
    {"&quot", 34}, {"&amp", 38}, {"&lt", 60}, {"&gt", 62}, {"&nbsp", 160}, {"&iexcl", 161}, {"&cent", 162},
    {"&pound", 163}, {"&curren", 164}, {"&yen", 165}, {"&brvbar", 166}, {"&sect", 167}, {"&uml", 168},
    {"&copy", 169}, {"&ordf", 170}, {"&laquo", 171}, {"&not", 172}, {"&shy", 173}, {"&reg", 174},
    {"&macr", 175}, {"&deg", 176}, {"&plusmn", 177}, {"&sup2", 178}, {"&sup3", 179}, {"&acute", 180},
    {"&micro", 181}, {"&para", 182}, {"&middot", 183}, {"&cedil", 184}, {"&sup1", 185}, {"&ordm", 186},
    {"&raquo", 187}, {"&frac14", 188}, {"&frac12", 189}, {"&frac34", 190}, {"&iquest", 191}, {"&Agrave", 192},
    {"&Aacute", 193}, {"&Acirc", 194}, {"&Atilde", 195}, {"&Auml", 196}, {"&Aring", 197}, {"&AElig", 198},
    {"&Ccedil", 199}, {"&Egrave", 200}, {"&Eacute", 201}, {"&Ecirc", 202}, {"&Euml", 203}, {"&Igrave", 204},
    {"&Iacute", 205}, {"&Icirc", 206}, {"&Iuml", 207}, {"&ETH", 208}, {"&Ntilde", 209}, {"&Ograve", 210},
    {"&Oacute", 211}, {"&Ocirc", 212}, {"&Otilde", 213}, {"&Ouml", 214}, {"&times", 215}, {"&Oslash", 216},
    {"&Ugrave", 217}, {"&Uacute", 218}, {"&Ucirc", 219}, {"&Uuml", 220}, {"&Yacute", 221}, {"&THORN", 222},
    {"&szlig", 223}, {"&agrave", 224}, {"&aacute", 225}, {"&acirc", 226}, {"&atilde", 227}, {"&auml", 228},
    {"&aring", 229}, {"&aelig", 230}, {"&ccedil", 231}, {"&egrave", 232}, {"&eacute", 233}, {"&ecirc", 234},
    {"&euml", 235}, {"&igrave", 236}, {"&iacute", 237}, {"&icirc", 238}, {"&iuml", 239}, {"&eth", 240},
    {"&ntilde", 241}, {"&ograve", 242}, {"&oacute", 243}, {"&ocirc", 244}, {"&otilde", 245}, {"&ouml", 246},
    {"&divide", 247}, {"&oslash", 248}, {"&ugrave", 249}, {"&uacute", 250}, {"&ucirc", 251}, {"&uuml", 252},
    {"&yacute", 253}, {"&thorn", 254}, {"&yuml", 255}, {"&OElig", 338}, {"&oelig", 339}, {"&Scaron", 352},
    {"&scaron", 353}, {"&Yuml", 376}, {"&circ", 710}, {"&tilde", 732}, {"&Alpha", 913}, {"&Beta", 914},
    {"&Gamma", 915}, {"&Delta", 916}, {"&Epsilon", 917}, {"&Zeta", 918}, {"&Eta", 919}, {"&Theta", 920},
    {"&Iota", 921}, {"&Kappa", 922}, {"&Lambda", 923}, {"&Mu", 924}, {"&Nu", 925}, {"&Xi", 926},
    {"&Omicron", 927}, {"&Pi", 928}, {"&Rho", 929}, {"&Sigma", 931}, {"&Tau", 932}, {"&Upsilon", 933},
    {"&Phi", 934}, {"&Chi", 935}, {"&Psi", 936}, {"&Omega", 937}, {"&alpha", 945}, {"&beta", 946},
    {"&gamma", 947}, {"&delta", 948}, {"&epsilon", 949}, {"&zeta", 950}, {"&eta", 951}, {"&theta", 952},
    {"&iota", 953}, {"&kappa", 954}, {"&lambda", 955}, {"&mu", 956}, {"&nu", 957}, {"&xi", 958},
    {"&omicron", 959}, {"&pi", 960}, {"&rho", 961}, {"&sigmaf", 962}, {"&sigma", 963}, {"&tau", 964},
    {"&upsilon", 965}, {"&phi", 966}, {"&chi", 967}, {"&psi", 968}, {"&omega", 969}, {"&thetasym", 977},
    {"&upsih", 978}, {"&piv", 982}, {"&ensp", 8194}, {"&emsp", 8195}, {"&thinsp", 8201}, {"&zwnj", 8204},
    {"&zwj", 8205}, {"&lrm", 8206}, {"&rlm", 8207}, {"&ndash", 8211}, {"&mdash", 8212}, {"&lsquo", 8216},
    {"&rsquo", 8217}, {"&sbquo", 8218}, {"&ldquo", 8220}, {"&rdquo", 8221}, {"&bdquo", 8222},
    {"&dagger", 8224}, {"&Dagger", 8225}, {"&bull", 8226}, {"&hellip", 8230}, {"&permil", 8240},
    {"&prime", 8242}, {"&Prime", 8243}, {"&lsaquo", 8249}, {"&rsaquo", 8250}, {"&oline", 8254},
    {"&frasl", 8260}, {"&image", 8465}, {"&weierp", 8472}, {"&real", 8476}, {"&trade", 8482},
    {"&alefsym", 8501}, {"&larr", 8592}, {"&uarr", 8593}, {"&rarr", 8594}, {"&darr", 8595}, {"&harr", 8596},
    {"&crarr", 8629}, {"&lArr", 8656}, {"&uArr", 8657}, {"&rArr", 8658}, {"&dArr", 8659}, {"&hArr", 8660},
    {"&forall", 8704}, {"&part", 8706}, {"&exist", 8707}, {"&empty", 8709}, {"&nabla", 8711}, {"&isin", 8712},
    {"&notin", 8713}, {"&ni", 8715}, {"&prod", 8719}, {"&sum", 8721}, {"&minus", 8722}, {"&lowast", 8727},
    {"&radic", 8730}, {"&prop", 8733}, {"&infin", 8734}, {"&ang", 8736}, {"&and", 8743}, {"&or", 8744},
    {"&cap", 8745}, {"&cup", 8746}, {"&int", 8747}, {"&there4", 8756}, {"&sim", 8764}, {"&cong", 8773},
    {"&asymp", 8776}, {"&ne", 8800}, {"&equiv", 8801}, {"&le", 8804}, {"&ge", 8805}, {"&sub", 8834},
    {"&sup", 8835}, {"&nsub", 8836}, {"&sube", 8838}, {"&supe", 8839}, {"&oplus", 8853}, {"&otimes", 8855},
    {"&sdot", 8901}, {"&lceil", 8968}, {"&rceil", 8969}, {"&lfloor", 8970}, {"&rfloor", 8971},
    {"&lang", 9001}, {"&rang", 9002}, {"&loz", 9674}, {"&spades", 9824}, {"&clubs", 9827}, {"&hearts", 9829},
    {"&diams", 9830},};

// Codes 130-159 of numeric references read as Windows-1252 characters.
constexpr std::uint16_t kWindows1252Characters[][2] = {
    {130, 8218}, {131, 402},  {132, 8222}, {133, 8230}, {134, 8224}, {135, 8225}, {136, 710},  {137, 8240},
    {138, 352},  {139, 8249}, {140, 338},  {145, 8216}, {146, 8217}, {147, 8220}, {148, 8221}, {149, 8226},
    {150, 8211}, {151, 8212}, {152, 732},  {153, 8482}, {154, 353},  {155, 8250}, {156, 339},  {159, 376},
};

// Longest reference looked at, "&" included.
constexpr std::size_t kReferenceLimit = 12;

struct NamedCharacter {
    VEK::WString m_sName;
    std::uint32_t m_uCode;
};

std::map<VEK::WString, VEK::RefCount<NamedCharacter>, std::less<>> s_NamedCharacters;
std::map<std::uint32_t, VEK::RefCount<NamedCharacter>> s_NamedCharacterCodes;
std::map<std::uint16_t, std::uint16_t> s_Windows1252Characters;
std::atomic<bool> s_NamedCharactersBuilt{false};
VEKThread::CriticalSection s_NamedCharactersLock(4000);

void AddNamedCharacter(VEK::WString name, std::uint32_t code)
{
    VEK::RefCount<NamedCharacter> entry(new NamedCharacter{name, code});
    s_NamedCharacters.emplace(std::move(name), entry);
}

// Codes 9, 10 and 32-159 without a name get a placeholder, so that numeric references to them
// resolve; placeholders never match a reference because their names lack the "&".
bool NeedsPlaceholder(std::uint32_t code) noexcept
{
    return code == 9 || code == 10 || (code >= 32 && code <= 159 && code != 34 && code != 38 && code != 60 && code != 62);
}

void BuildNamedCharacterTables()
{
    for (const NamedCharacterRow& row : kNamedCharacters) AddNamedCharacter(VEK::Widen(row.m_pName), row.m_uCode);
    for (std::uint32_t code = 0; code <= 159; ++code) {
        if (NeedsPlaceholder(code)) AddNamedCharacter(VEK::Widen(("z" + std::to_string(code)).c_str()), code);
    }
    for (const auto& [name, entry] : s_NamedCharacters) s_NamedCharacterCodes.emplace(entry->m_uCode, entry);
    for (const auto& row : kWindows1252Characters) s_Windows1252Characters.emplace(row[0], row[1]);
}

void EnsureBuilt()
{
    VEKThread::OnceUnder(s_NamedCharactersLock, s_NamedCharactersBuilt, BuildNamedCharacterTables);
}

bool IsDecimalDigit(unsigned short c) noexcept { return c >= '0' && c <= '9'; }

bool IsLetter(unsigned short c) noexcept
{
    if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    return u_isalpha(c) != 0;
}

// The decimal number at the start of `digits`, after optional white space and sign; a number
// beyond the int range saturates, which no table key matches.
long long LeadingNumber(WView digits) noexcept
{
    std::size_t i = 0;
    while (i < digits.size() && (digits[i] == ' ' || (digits[i] >= 9 && digits[i] <= 13))) ++i;
    bool negative = false;
    if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) negative = digits[i++] == '-';
    long long value = 0;
    for (; i < digits.size() && IsDecimalDigit(digits[i]); ++i) {
        value = value * 10 + (digits[i] - '0');
        if (value > INT_MAX) value = INT_MAX + 1LL;
    }
    return negative ? -value : value;
}

// The code `reference` ("&name" or "&#digits", no ";") stands for, or 0; the tables are built.
unsigned short Lookup(WView reference)
{
    if (reference.size() < 2 || reference[0] != '&' || reference[1] == 0) return 0;
    if (reference[1] == '#') {
        const long long number = LeadingNumber(reference.substr(2));
        if (number <= 0) return 0;
        const auto it = s_NamedCharacterCodes.find(static_cast<std::uint32_t>(number));
        if (it == s_NamedCharacterCodes.end()) return 0;
        const std::uint32_t code = it->second->m_uCode;
        if (code >= 130 && code <= 159) {
            const auto remapped = s_Windows1252Characters.find(static_cast<std::uint16_t>(code));
            if (remapped != s_Windows1252Characters.end()) return remapped->second;
        }
        return static_cast<unsigned short>(code);
    }
    const auto it = s_NamedCharacters.find(reference);
    return it == s_NamedCharacters.end() ? 0 : static_cast<unsigned short>(it->second->m_uCode);
}

// The fast decoders make at most one unit per byte (a surrogate pair comes from four bytes),
// so they decode straight into `out`, into room made for every byte and two units more (they
// ask for room for a pair before each character). Most texts are a few bytes long: a single
// call then does the whole job.
void DecodeInto(VEKCharset::ConversionFunction decode, const unsigned char* source, std::uint32_t remaining,
                VEK::WString& out)
{
    constexpr std::uint32_t kPiece = 1u << 24;  // keeps the room in bytes within 32 bits
    std::size_t used = out.size();
    while (remaining > 0) {
        const std::uint32_t piece = std::min(remaining, kPiece);
        out.resize(used + piece + 2);
        std::uint32_t consumed = 0;
        std::uint32_t produced = 0;
        decode(source, piece, consumed, reinterpret_cast<unsigned char*>(out.data() + used), (piece + 2) * 2,
               produced, true, false);
        used += produced / 2;
        if (consumed == 0 || consumed > piece) break;
        source += consumed;
        remaining -= consumed;
    }
    out.resize(used);
}

// Appends `bytes` converted from `charset` through a general conversion, area by area.
[[gnu::noinline]] void ConvertGenerally(VEK::CHARSET charset, const unsigned char* source, unsigned int length,
                                        VEK::WString& out)
{
    using VEKCharset::Conv;
    out.reserve(out.size() + length);
    const Conv::ConversionClass general(Conv::MbToWcConversionFunction(charset),
                                        Conv::WcToMbConversionFunction(VEK::CHARSET_UTF16));
    unsigned short area[2048];
    std::uint32_t remaining = length;
    while (remaining > 0) {
        std::uint32_t consumed = 0;
        std::uint32_t produced = 0;
        general(source, remaining, consumed, reinterpret_cast<unsigned char*>(area), sizeof(area), produced, true,
                false);
        out.append(area, std::min<std::uint32_t>(produced, sizeof(area)) / 2);
        if (consumed == 0 || consumed > remaining) break;
        source += consumed;
        remaining -= consumed;
    }
}

// Appends `bytes` converted from `charset` to 16-bit text.
void ConvertToUnits(VEK::CHARSET charset, const char* bytes, unsigned int length, VEK::WString& out)
{
    const auto* source = reinterpret_cast<const unsigned char*>(bytes);
    if (const auto fast = VEKCharset::Conv::FastConversionFunction(charset, VEK::CHARSET_UTF16))
        DecodeInto(fast, source, length, out);
    else ConvertGenerally(charset, source, length, out);
}

// Charsets whose bytes below 0x80 stand for the characters of the same codes.
constexpr bool KeepsAscii(VEK::CHARSET charset) noexcept
{
    return charset == VEK::CHARSET_UTF8 || charset == VEK::CHARSET_WINDOWS_1252 || charset == VEK::CHARSET_US_ASCII;
}

#if defined(__SSE2__)
// One group of `s` widened onto `t` (four, eight or sixteen bytes, loaded as the low lanes of
// `bytes`; the lanes above are zero): the mask of its bytes from 0x80 on, and whether it held an '&'.
inline unsigned int WidenGroup(__m128i bytes, unsigned short* t, std::size_t width, bool& ampersand) noexcept
{
    const __m128i zero = _mm_setzero_si128();
    ampersand |= _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('&'))) != 0;
    const __m128i low = _mm_unpacklo_epi8(bytes, zero);
    if (width == 4) _mm_storel_epi64(reinterpret_cast<__m128i*>(t), low);
    else _mm_storeu_si128(reinterpret_cast<__m128i*>(t), low);
    if (width == 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(t + 8), _mm_unpackhi_epi8(bytes, zero));
    return static_cast<unsigned int>(_mm_movemask_epi8(bytes));
}

__m128i LoadGroup(const unsigned char* s, std::size_t width) noexcept
{
    if (width == 16) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    if (width == 8) return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
    std::uint32_t four;
    std::memcpy(&four, s, sizeof four);
    return _mm_cvtsi32_si128(static_cast<int>(four));
}
#endif

// Widens the ASCII start of `s` onto `t`, which has room for `n` units, and tells whether it
// held an '&' (an '&' after the first byte from 0x80 on may count too: the caller looks again
// then); returns how many bytes it took. Most texts are short and all ASCII: they need neither
// a decoder call nor a second look for references, and their last bytes are taken as one group
// that ends with the text, overlapping the group before, rather than one at a time.
[[gnu::always_inline]] inline std::size_t WidenAscii(const unsigned char* s, std::size_t n, unsigned short* t,
                                                bool& ampersand) noexcept
{
    ampersand = false;
#if defined(__SSE2__)
    if (n >= 4) {
        const std::size_t width = n >= 16 ? 16 : n >= 8 ? 8 : 4;
        for (std::size_t i = 0;; i += width) {
            const std::size_t at = std::min(i, n - width);  // the last group ends with the text
            const unsigned int high = WidenGroup(LoadGroup(s + at, width), t + at, width, ampersand);
            if (high != 0) return at + static_cast<std::size_t>(__builtin_ctz(high));
            if (at + width == n) return n;
        }
    }
#endif
    std::size_t i = 0;
    for (; i < n && s[i] < 0x80; ++i) {
        t[i] = s[i];
        ampersand |= s[i] == '&';
    }
    return i;
}

// Appends the ASCII start of `bytes` to `out` widened; see WidenAscii. The room made at once is
// what DecodeInto asks for a non-ASCII rest, so that `out` never grows twice for one text.
std::size_t AppendAscii(const char* bytes, unsigned int length, VEK::WString& out, bool& ampersand)
{
    const std::size_t used = out.size();
    out.resize(used + length + 2);
    const std::size_t ascii =
        WidenAscii(reinterpret_cast<const unsigned char*>(bytes), length, out.data() + used, ampersand);
    out.resize(used + ascii);
    return ascii;
}

// Length of the reference at text[0] ("&"): "&#" and digits or "&" and letters, at most limit.
std::size_t ReferenceLength(const unsigned short* text, std::size_t limit) noexcept
{
    if (limit >= 2 && text[1] == '#') {
        std::size_t k = 2;
        while (k < limit && IsDecimalDigit(text[k])) ++k;
        return k;
    }
    std::size_t k = 1;
    while (k < limit && IsLetter(text[k])) ++k;
    return k;
}

// The first `unit` in [from, end), or end. Most text holds no reference, so the search looks at
// eight units at a time.
const unsigned short* FindUnit(const unsigned short* from, const unsigned short* end, unsigned short unit) noexcept
{
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi16(static_cast<short>(unit));
    for (; end - from >= 8; from += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const int hits = _mm_movemask_epi8(_mm_cmpeq_epi16(units, wanted));
        if (hits != 0) return from + __builtin_ctz(static_cast<unsigned>(hits)) / 2;
    }
#endif
    while (from != end && *from != unit) ++from;
    return from;
}

// Resolves the references of the `size` units at `s` from index `from` on, in place, and returns
// their new count; the text never grows, since every reference is replaced by one unit or kept
// as written.
std::size_t ResolveReferences(unsigned short* s, std::size_t size, std::size_t from, bool latin1Only)
{
    std::size_t p = from;
    std::size_t w = from;
    for (;;) {
        const std::size_t i = static_cast<std::size_t>(FindUnit(s + p, s + size, '&') - s);
        if (i == size) break;
        if (w != p) std::char_traits<unsigned short>::move(s + w, s + p, i - p);
        w += i - p;
        const std::size_t k = ReferenceLength(s + i, std::min(kReferenceLimit, size - i));
        const bool semicolon = i + k < size && s[i + k] == ';';
        const unsigned short c = Lookup(WView(s + i, k));
        if (c != 0 && !(latin1Only && c > 255)) {
            s[w++] = c;
        } else {
            const std::size_t kept = k + (semicolon ? 1 : 0);
            std::char_traits<unsigned short>::move(s + w, s + i, kept);
            w += kept;
        }
        p = i + k + (semicolon ? 1 : 0);
    }
    if (w != p) std::char_traits<unsigned short>::move(s + w, s + p, size - p);
    return w + (size - p);
}

// Whether the text from index `from` on holds a reference to resolve; a text that starts with a
// zero unit counts as empty.
bool HasReference(const VEK::WString& text, std::size_t from) noexcept
{
    const unsigned short* end = text.data() + text.size();
    return from < text.size() && text[from] != 0 && FindUnit(text.data() + from, end, '&') != end;
}

// The bytes converted and appended to `out`, whose references are resolved from `from` on.
void Expand(VEK::CHARSET charset, const char* bytes, unsigned int length, VEK::WString& out, std::size_t from,
            bool latin1Only)
{
    if (charset == VEK::CHARSET_UNKNOWN) throw ParserInvalidEncodingException();
    const std::size_t used = out.size();
    bool ampersand = false;
    const std::size_t ascii = KeepsAscii(charset) ? AppendAscii(bytes, length, out, ampersand) : 0;
    if (ascii < length) ConvertToUnits(charset, bytes + ascii, static_cast<unsigned int>(length - ascii), out);
    // An all-ASCII text appended where the resolving starts was looked at already.
    const bool seen = ascii == length && from == used;
    if (seen ? !ampersand || out[from] == 0 : !HasReference(out, from)) return;
    EnsureBuilt();
    out.resize(ResolveReferences(out.data(), out.size(), from, latin1Only));
}

} // namespace

unsigned short LookupCharacterReference(const unsigned short* reference)
{
    EnsureBuilt();
    return Lookup(WView(reference));
}

void ExpandCharacterReferences(VEK::CHARSET charset, const char* bytes, unsigned int length, VEK::WString& out,
                               bool latin1Only)
{
    Expand(charset, bytes, length, out, 0, latin1Only);
}

void AppendExpandedText(VEK::CHARSET charset, const char* bytes, unsigned int length, VEK::WString& out,
                        bool latin1Only)
{
    Expand(charset, bytes, length, out, out.size(), latin1Only);
}

void ExpandedTextAppender::Append(VEK::CHARSET charset, const char* bytes, unsigned int length)
{
    if (KeepsAscii(charset)) {
        unsigned short* const room = Room(length);
        bool ampersand = false;
        if (WidenAscii(reinterpret_cast<const unsigned char*>(bytes), length, room, ampersand) == length) {
            // References resolve in the room itself: the text only shrinks.
            if (ampersand && room[0] != 0) {
                EnsureBuilt();
                m_uUsed += ResolveReferences(room, length, 0, false);
            } else {
                m_uUsed += length;
            }
            return;
        }
    }
    m_Spill.clear();
    AppendExpandedText(charset, bytes, length, m_Spill, false);
    std::char_traits<unsigned short>::copy(Room(m_Spill.size()), m_Spill.data(), m_Spill.size());
    m_uUsed += m_Spill.size();
}

// Doubling keeps the zeroing of new room in proportion to the text gathered, however much room
// the string had from earlier use.
void ExpandedTextAppender::Grow(std::size_t units)
{
    constexpr std::size_t kFirstRoom = 256;
    m_Out.resize(std::max({m_uUsed + units, 2 * m_Out.size(), kFirstRoom}));
}

void ExpandCharacterReferences(VEK::CHARSET charset, const std::string& text, VEK::WString& out, bool latin1Only)
{
    ExpandCharacterReferences(charset, text.data(), static_cast<unsigned int>(text.size()), out, latin1Only);
}

void ExpandUriCharacterReferences(VEK::CHARSET charset, const char* bytes, unsigned int length, VEK::WString& out)
{
    const std::string_view text(bytes, length);
    const std::size_t query = text.find('?');
    if (query == std::string_view::npos) {
        ExpandCharacterReferences(charset, bytes, length, out, false);
        return;
    }
    if (query > 0) ExpandCharacterReferences(charset, bytes, static_cast<unsigned int>(query), out, false);
    if (query + 1 == text.size()) return;
    // The query's references resolve within the query alone.
    AppendExpandedText(charset, bytes + query, static_cast<unsigned int>(text.size() - query), out, true);
}

void ExpandUriCharacterReferences(VEK::CHARSET charset, const std::string& text, VEK::WString& out)
{
    ExpandUriCharacterReferences(charset, text.data(), static_cast<unsigned int>(text.size()), out);
}

} // namespace VEKParser
