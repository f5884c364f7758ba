#include <VEKParser/html/vocabulary/HtmlEntities.h>

#include <mutex>
#include <string>

#include <VEKParser/host/StringFunctions.h>

namespace VEKParser {

namespace {

using WView = std::basic_string_view<unsigned short>;

struct EntityRow {
    const char* m_pName;
    unsigned short m_uCode;
    bool m_bPreferred;
};

// The HTML 4.01 names, written by Escape, then alternative spellings met in real pages, which
// are only read.
constexpr EntityRow kEntities[] = {
    {"&quot;", 34, true}, {"&amp;", 38, true}, {"&lt;", 60, true}, {"&gt;", 62, true}, {"&nbsp;", 160, true},
    {"&iexcl;", 161, true}, {"&cent;", 162, true}, {"&pound;", 163, true}, {"&curren;", 164, true},
    {"&yen;", 165, true}, {"&brvbar;", 166, true}, {"&sect;", 167, true}, {"&uml;", 168, true},
    {"&copy;", 169, true}, {"&ordf;", 170, true}, {"&laquo;", 171, true}, {"&not;", 172, true},
    {"&shy;", 173, true}, {"&reg;", 174, true}, {"&macr;", 175, true}, {"&deg;", 176, true},
    {"&plusmn;", 177, true}, {"&sup2;", 178, true}, {"&sup3;", 179, true}, {"&acute;", 180, true},
    {"&micro;", 181, true}, {"&para;", 182, true}, {"&middot;", 183, true}, {"&cedil;", 184, true},
    {"&sup1;", 185, true}, {"&ordm;", 186, true}, {"&raquo;", 187, true}, {"&frac14;", 188, true},
    {"&frac12;", 189, true}, {"&frac34;", 190, true}, {"&iquest;", 191, true}, {"&Agrave;", 192, true},
    {"&Aacute;", 193, true}, {"&Acirc;", 194, true}, {"&Atilde;", 195, true}, {"&Auml;", 196, true},
    {"&Aring;", 197, true}, {"&AElig;", 198, true}, {"&Ccedil;", 199, true}, {"&Egrave;", 200, true},
    {"&Eacute;", 201, true}, {"&Ecirc;", 202, true}, {"&Euml;", 203, true}, {"&Igrave;", 204, true},
    {"&Iacute;", 205, true}, {"&Icirc;", 206, true}, {"&Iuml;", 207, true}, {"&ETH;", 208, true},
    {"&Ntilde;", 209, true}, {"&Ograve;", 210, true}, {"&Oacute;", 211, true}, {"&Ocirc;", 212, true},
    {"&Otilde;", 213, true}, {"&Ouml;", 214, true}, {"&times;", 215, true}, {"&Oslash;", 216, true},
    {"&Ugrave;", 217, true}, {"&Uacute;", 218, true}, {"&Ucirc;", 219, true}, {"&Uuml;", 220, true},
    {"&Yacute;", 221, true}, {"&THORN;", 222, true}, {"&szlig;", 223, true}, {"&agrave;", 224, true},
    {"&aacute;", 225, true}, {"&acirc;", 226, true}, {"&atilde;", 227, true}, {"&auml;", 228, true},
    {"&aring;", 229, true}, {"&aelig;", 230, true}, {"&ccedil;", 231, true}, {"&egrave;", 232, true},
    {"&eacute;", 233, true}, {"&ecirc;", 234, true}, {"&euml;", 235, true}, {"&igrave;", 236, true},
    {"&iacute;", 237, true}, {"&icirc;", 238, true}, {"&iuml;", 239, true}, {"&eth;", 240, true},
    {"&ntilde;", 241, true}, {"&ograve;", 242, true}, {"&oacute;", 243, true}, {"&ocirc;", 244, true},
    {"&otilde;", 245, true}, {"&ouml;", 246, true}, {"&divide;", 247, true}, {"&oslash;", 248, true},
    {"&ugrave;", 249, true}, {"&uacute;", 250, true}, {"&ucirc;", 251, true}, {"&uuml;", 252, true},
    {"&yacute;", 253, true}, {"&thorn;", 254, true}, {"&yuml;", 255, true}, {"&OElig;", 338, true},
    {"&oelig;", 339, true}, {"&Scaron;", 352, true}, {"&scaron;", 353, true}, {"&Yuml;", 376, true},
    {"&fnof;", 402, true}, {"&circ;", 710, true}, {"&tilde;", 732, true}, {"&Alpha;", 913, true},
    {"&Beta;", 914, true}, {"&Gamma;", 915, true}, {"&Delta;", 916, true}, {"&Epsilon;", 917, true},
    {"&Zeta;", 918, true}, {"&Eta;", 919, true}, {"&Theta;", 920, true}, {"&Iota;", 921, true},
    {"&Kappa;", 922, true}, {"&Lambda;", 923, true}, {"&Mu;", 924, true}, {"&Nu;", 925, true},
    {"&Xi;", 926, true}, {"&Omicron;", 927, true}, {"&Pi;", 928, true}, {"&Rho;", 929, true},
    {"&Sigma;", 931, true}, {"&Tau;", 932, true}, {"&Upsilon;", 933, true}, {"&Phi;", 934, true},
    {"&Chi;", 935, true}, {"&Psi;", 936, true}, {"&Omega;", 937, true}, {"&alpha;", 945, true},
    {"&beta;", 946, true}, {"&gamma;", 947, true}, {"&delta;", 948, true}, {"&epsilon;", 949, true},
    {"&zeta;", 950, true}, {"&eta;", 951, true}, {"&theta;", 952, true}, {"&iota;", 953, true},
    {"&kappa;", 954, true}, {"&lambda;", 955, true}, {"&mu;", 956, true}, {"&nu;", 957, true},
    {"&xi;", 958, true}, {"&omicron;", 959, true}, {"&pi;", 960, true}, {"&rho;", 961, true},
    {"&sigmaf;", 962, true}, {"&sigma;", 963, true}, {"&tau;", 964, true}, {"&upsilon;", 965, true},
    {"&phi;", 966, true}, {"&chi;", 967, true}, {"&psi;", 968, true}, {"&omega;", 969, true},
    {"&thetasym;", 977, true}, {"&upsih;", 978, true}, {"&piv;", 982, true}, {"&ensp;", 8194, true},
    {"&emsp;", 8195, true}, {"&thinsp;", 8201, true}, {"&zwnj;", 8204, true}, {"&zwj;", 8205, true},
    {"&lrm;", 8206, true}, {"&rlm;", 8207, true}, {"&ndash;", 8211, true}, {"&mdash;", 8212, true},
    {"&lsquo;", 8216, true}, {"&rsquo;", 8217, true}, {"&sbquo;", 8218, true}, {"&ldquo;", 8220, true},
    {"&rdquo;", 8221, true}, {"&bdquo;", 8222, true}, {"&dagger;", 8224, true}, {"&Dagger;", 8225, true},
    {"&bull;", 8226, true}, {"&hellip;", 8230, true}, {"&permil;", 8240, true}, {"&prime;", 8242, true},
    {"&Prime;", 8243, true}, {"&lsaquo;", 8249, true}, {"&rsaquo;", 8250, true}, {"&oline;", 8254, true},
    {"&frasl;", 8260, true}, {"&euro;", 8364, true}, {"&image;", 8465, true}, {"&weierp;", 8472, true},
    {"&real;", 8476, true}, {"&trade;", 8482, true}, {"&alefsym;", 8501, true}, {"&larr;", 8592, true},
    {"&uarr;", 8593, true}, {"&rarr;", 8594, true}, {"&darr;", 8595, true}, {"&harr;", 8596, true},
    {"&crarr;", 8629, true}, {"&lArr;", 8656, true}, {"&uArr;", 8657, true}, {"&rArr;", 8658, true},
    {"&dArr;", 8659, true}, {"&hArr;", 8660, true}, {"&forall;", 8704, true}, {"&part;", 8706, true},
    {"&exist;", 8707, true}, {"&empty;", 8709, true}, {"&nabla;", 8711, true}, {"&isin;", 8712, true},
    {"&notin;", 8713, true}, {"&ni;", 8715, true}, {"&prod;", 8719, true}, {"&sum;", 8721, true},
    {"&minus;", 8722, true}, {"&lowast;", 8727, true}, {"&radic;", 8730, true}, {"&prop;", 8733, true},
    {"&infin;", 8734, true}, {"&ang;", 8736, true}, {"&and;", 8743, true}, {"&or;", 8744, true},
    {"&cap;", 8745, true}, {"&cup;", 8746, true}, {"&int;", 8747, true}, {"&there4;", 8756, true},
    {"&sim;", 8764, true}, {"&cong;", 8773, true}, {"&asymp;", 8776, true}, {"&ne;", 8800, true},
    {"&equiv;", 8801, true}, {"&le;", 8804, true}, {"&ge;", 8805, true}, {"&sub;", 8834, true},
    {"&sup;", 8835, true}, {"&nsub;", 8836, true}, {"&sube;", 8838, true}, {"&supe;", 8839, true},
    {"&oplus;", 8853, true}, {"&otimes;", 8855, true}, {"&perp;", 8869, true}, {"&sdot;", 8901, true},
    {"&lceil;", 8968, true}, {"&rceil;", 8969, true}, {"&lfloor;", 8970, true}, {"&rfloor;", 8971, true},
    {"&lang;", 9001, true}, {"&rang;", 9002, true}, {"&loz;", 9674, true}, {"&spades;", 9824, true},
    {"&clubs;", 9827, true}, {"&hearts;", 9829, true}, {"&diams;", 9830, true},
    {"&shyp;", 32, false},    {"&quote;", 34, false},   {"&QUOT;", 34, false},    {"&QUOTE;", 34, false},
    {"&percnt;", 37, false},  {"&percent;", 37, false}, {"&apos;", 39, false},    {"&APOS;", 39, false},
    {"&AMP;", 38, false},     {"&LT;", 60, false},      {"&NBSP;", 160, false},   {"&COPY;", 169, false},
    {"&copia;", 169, false},  {"&laqno;", 171, false},  {"&NOT;", 172, false},    {"&REG;", 174, false},
    {"&degree;", 176, false}, {"&raqno;", 187, false},  {"&Ecicr;", 202, false},  {"&GT;", 62, false},
    {"&egraves;", 232, false}, {"&EACUTE;", 233, false}, {"&eactue;", 233, false}, {"&Nacute;", 323, false},
    {"&nacute;", 324, false}, {"&endash;", 8211, false}, {"&emdash;", 8212, false}, {"&ldots;", 8230, false},
    {"&TRADE;", 8482, false},
};

// Numeric references to the C1 range mean the Windows-1252 characters of those bytes.
constexpr unsigned short kWindows1252[][2] = {
    {128, 8364}, {130, 8218}, {131, 402},  {132, 8222}, {133, 8230}, {134, 8224}, {135, 8225},
    {136, 710},  {137, 8240}, {138, 352},  {139, 8249}, {140, 338},  {142, 381},  {145, 8216},
    {146, 8217}, {147, 8220}, {148, 8221}, {149, 8226}, {150, 8211}, {151, 8212}, {152, 732},
    {153, 8482}, {154, 353},  {155, 8250}, {156, 339},  {158, 382},  {159, 376},
};

enum CharClass : std::uint32_t {
    CLASS_LETTER = 1,
    CLASS_DIGIT = 2,
    CLASS_HEX_DIGIT = 4,
    CLASS_TAG_DELIMITER = 8,
};

constexpr std::size_t kClassCount = 127;
constexpr std::size_t kEscapeTableSize = 9831;
// Longest runs taken, the "&" (and "#", "x") included.
constexpr std::size_t kNameLimit = 9;
constexpr std::size_t kHexLimit = 11;
constexpr std::size_t kDecimalLimit = 12;

bool IsControlWithoutEntity(unsigned int code) noexcept
{
    return code <= 8 || code == 11 || code == 12 || (code >= 14 && code <= 31) || (code >= 127 && code <= 159);
}

void AppendDecimal(unsigned int value, VEK::WString& out)
{
    for (const char digit : std::to_string(value)) out.push_back(static_cast<unsigned short>(digit));
}

} // namespace

std::atomic<HtmlEntities*> HtmlEntities::ms_pInstance{nullptr};
VEKThread::CriticalSection HtmlEntities::ms_Lock(4000);

// Destroys the instance when the library is unloaded.
struct HtmlEntitiesLifetime {
    ~HtmlEntitiesLifetime() { delete HtmlEntities::ms_pInstance.exchange(nullptr); }
};
static HtmlEntitiesLifetime s_HtmlEntitiesLifetime;

bool HtmlEntities::IsCreated() noexcept
{
    return ms_pInstance.load(std::memory_order_acquire) != nullptr;
}

HtmlEntities* HtmlEntities::GetInstance()
{
    HtmlEntities* instance = ms_pInstance.load(std::memory_order_acquire);
    if (instance != nullptr) return instance;
    std::lock_guard<VEKThread::CriticalSection> guard(ms_Lock);
    instance = ms_pInstance.load(std::memory_order_relaxed);
    if (instance == nullptr) {
        instance = new HtmlEntities;
        ms_pInstance.store(instance, std::memory_order_release);
    }
    return instance;
}

HtmlEntities::HtmlEntities() : m_CharClasses(kClassCount, 0), m_EscapeTable(kEscapeTableSize, nullptr)
{
    for (unsigned int c = 0; c < kClassCount; ++c) {
        const bool upper = c >= 'A' && c <= 'Z';
        const bool lower = c >= 'a' && c <= 'z';
        const bool digit = c >= '0' && c <= '9';
        if (upper || lower) m_CharClasses[c] |= CLASS_LETTER;
        if (digit) m_CharClasses[c] |= CLASS_DIGIT;
        if (digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) m_CharClasses[c] |= CLASS_HEX_DIGIT;
        if (c == '<' || c == '>' || c == '&') m_CharClasses[c] |= CLASS_TAG_DELIMITER;
    }
    const auto blank = m_EntityMap.emplace(VEK::Widen(" "), 0).first;
    for (unsigned int code = 0; code < kEscapeTableSize; ++code) {
        if (IsControlWithoutEntity(code)) m_EscapeTable[code] = &*blank;
    }
    for (const EntityRow& row : kEntities) AddEntity(VEK::Widen(row.m_pName).c_str(), row.m_uCode, row.m_bPreferred);
    for (const auto& row : kWindows1252) m_Windows1252Map.emplace(row[0], row[1]);
}

HtmlEntities::~HtmlEntities() = default;

void HtmlEntities::AddEntity(const unsigned short* name, unsigned short code, bool preferred)
{
    const auto entry = m_EntityMap.emplace(VEK::WString(name), code).first;
    if (preferred && code < kEscapeTableSize) m_EscapeTable[code] = &*entry;
}

bool HtmlEntities::IsAlpha(unsigned short c) const noexcept
{
    return c < kClassCount && (m_CharClasses[c] & CLASS_LETTER) != 0;
}

bool HtmlEntities::IsDigit(unsigned short c) const noexcept
{
    return c < kClassCount && (m_CharClasses[c] & CLASS_DIGIT) != 0;
}

bool HtmlEntities::IsHexDigit(unsigned short c) const noexcept
{
    return c < kClassCount && (m_CharClasses[c] & CLASS_HEX_DIGIT) != 0;
}

bool HtmlEntities::IsTagDelimiter(unsigned short c) const noexcept
{
    return c < kClassCount && (m_CharClasses[c] & CLASS_TAG_DELIMITER) != 0;
}

void HtmlEntities::Escape(unsigned short c, VEK::WString& out, bool escapeDelimiters, bool escapeAbove255) const
{
    const EntityMap::value_type* entry = c < kEscapeTableSize ? m_EscapeTable[c] : nullptr;
    if (entry != nullptr) {
        if (!escapeDelimiters && IsTagDelimiter(c)) {
            out.push_back(c);
        } else {
            out += entry->first;
        }
    } else if (escapeAbove255 && c >= 256) {
        out.push_back('&');
        out.push_back('#');
        AppendDecimal(c, out);
        out.push_back(';');
    } else {
        out.push_back(c);
    }
}

void HtmlEntities::Escape(const VEK::WString& in, VEK::WString& out, bool escapeDelimiters, bool escapeAbove255) const
{
    out.reserve(out.size() + in.size() + in.size() / 20);
    for (const unsigned short c : in) Escape(c, out, escapeDelimiters, escapeAbove255);
}

bool HtmlEntities::UnescapeInternal(WView in, VEK::WString& out, bool requireSemicolon, bool below255) const
{
    const std::size_t n = in.size();
    bool replaced = false;
    std::size_t p = 0;
    for (;;) {
        const std::size_t a = in.find('&', p);
        if (a == WView::npos) break;
        out.append(in.data() + p, a - p);
        std::size_t j = a + 1;  // where the scan of this reference stops
        long long value = 0;    // 0: the reference failed
        const auto closed = [&](std::size_t at) { return !requireSemicolon || (at < n && in[at] == ';'); };
        if (j < n && IsAlpha(in[j])) {
            while (j < n && j - a < kNameLimit && IsAlpha(in[j])) ++j;
            if (!(j < n && IsAlpha(in[j])) && closed(j)) {
                unsigned short key[kNameLimit + 1];
                const std::size_t letters = j - a;
                std::char_traits<unsigned short>::copy(key, in.data() + a, letters);
                key[letters] = ';';
                const auto it = m_EntityMap.find(WView(key, letters + 1));
                if (it != m_EntityMap.end() && !(below255 && it->second >= 255)) value = it->second;
            }
        } else if (j + 1 < n && in[j] == '#' && (in[j + 1] == 'x' || in[j + 1] == 'X')) {
            j += 2;
            const std::size_t digits = j;
            while (j < n && j - a < kHexLimit && IsHexDigit(in[j])) ++j;
            if (j > digits && !(j < n && IsHexDigit(in[j])) && closed(j)) value = VEK::StringToInt(in.data() + digits, j - digits, 16);
        } else if (j + 1 < n && in[j] == '#' && IsDigit(in[j + 1])) {
            j += 1;
            const std::size_t digits = j;
            while (j < n && j - a < kDecimalLimit && IsDigit(in[j])) ++j;
            if (!(j < n && IsDigit(in[j])) && closed(j)) value = VEK::StringToInt(in.data() + digits, j - digits, 10);
        }
        if (value >= 1 && below255 && value >= 255) value = 0;
        if (value >= 1) {
            if (value <= 0xFFFF) {
                const auto remapped = m_Windows1252Map.find(static_cast<unsigned short>(value));
                if (remapped != m_Windows1252Map.end()) value = remapped->second;
            }
            out.push_back(static_cast<unsigned short>(value & 0xFFFF));
            if (j < n && in[j] == ';') ++j;
            replaced = true;
        } else {
            out.append(in.data() + a, j - a);
        }
        p = j;
    }
    out.append(in.data() + p, n - p);
    return replaced;
}

bool HtmlEntities::Unescape(const VEK::WString& in, VEK::WString& out) const
{
    return UnescapeInternal(in, out, false, false);
}

bool HtmlEntities::UnescapeURI(const VEK::WString& in, VEK::WString& out) const
{
    const std::size_t query = in.find('?');
    if (query == VEK::WString::npos) return UnescapeInternal(in, out, true, false);
    const WView whole(in);
    bool replaced = false;
    if (query > 0) replaced = UnescapeInternal(whole.substr(0, query), out, true, false);
    if (query + 1 < in.size()) replaced = UnescapeInternal(whole.substr(query), out, true, true) || replaced;
    return replaced;
}

} // namespace VEKParser
