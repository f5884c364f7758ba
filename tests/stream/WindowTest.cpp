// The scanners read the same markup however the stream delivers its bytes (odd read sizes cut
// 16-bit units in two) and wherever the 4096-unit window ends; the 16-bit scanner reads it at
// twice the offsets, in either unit order, with an odd byte at the end that makes no unit.
#include <gtest/gtest.h>

#include "tests/stream/Tokens.h"

using namespace VEKParser;

namespace {

// Bytes 1-3 stand for a lone high surrogate, a lone low surrogate and a Cyrillic letter as
// 16-bit units, which the scanners treat as the same kind of non-letter units as the bytes.
unsigned short Unit(char c, VEK::CHARSET charset)
{
    const unsigned short unit = c == '\x01' ? 0xD800 : c == '\x02' ? 0xDFFF : c == '\x03' ? 0x0441
                                                                                    : static_cast<unsigned char>(c);
    return charset == 1210 ? static_cast<unsigned short>((unit >> 8) | (unit << 8)) : unit;
}

template <class CharT>
std::string Encode(const std::string& narrow, VEK::CHARSET charset)
{
    if (sizeof(CharT) == 1) return narrow;
    std::string bytes;
    for (char c : narrow) bytes += {static_cast<char>(Unit(c, charset) & 0xFF), static_cast<char>(Unit(c, charset) >> 8)};
    return bytes;
}

// The elements of the narrow document in the stream's units, after `pad` blanks.
template <class CharT>
std::vector<TokenT<CharT>> Expected(const std::vector<Token>& narrow, VEK::CHARSET charset, unsigned pad)
{
    const unsigned width = sizeof(CharT);
    std::vector<TokenT<CharT>> tokens;
    for (const Token& token : narrow) {
        TokenT<CharT> unitToken{token.kind, width * (token.start + pad), width * (token.end + pad), {}};
        for (char c : token.text) unitToken.text.push_back(width == 1 ? c : static_cast<CharT>(Unit(c, charset)));
        tokens.push_back(std::move(unitToken));
    }
    // The padding joins the first text element, if there is one.
    const std::basic_string<CharT> blanks(pad, static_cast<CharT>(width == 1 ? ' ' : Unit(' ', charset)));
    if (!tokens.empty() && tokens[0].kind == ELEMENT_TEXT) {
        tokens[0].start = 0;
        tokens[0].text.insert(0, blanks);
    } else if (pad > 0) {
        tokens.insert(tokens.begin(), TokenT<CharT>{ELEMENT_TEXT, 0, width * pad, blanks});
    }
    return tokens;
}

// Every kind of element, a script with an end tag (letters of either case), a multi-byte character.
const std::string DOCUMENT = "<p class='a>b'>t\x01xt\xC3\xA9\x02<!-- c -->x<%s%><sCript>a<b</scRipt><![x]>y\x03<i>";

template <class CharT>
void CheckEveryDeliveryAndBoundary(VEK::CHARSET charset)
{
    SCOPED_TRACE(charset);
    const auto narrow = Tokenize(DOCUMENT, 65001, 0, true);
    const std::string odd = sizeof(CharT) == 1 ? "" : "Z";
    const std::string bytes = Encode<CharT>(DOCUMENT, charset);
    for (unsigned slice : {0u, 1u, 7u, 4096u})
        EXPECT_EQ(Tokenize<CharT>(bytes + odd, charset, slice, true), Expected<CharT>(narrow, charset, 0)) << slice;
    // Shift the document so that each of its offsets meets the end of the window.
    for (unsigned pad = 4096 - static_cast<unsigned>(DOCUMENT.size()); pad <= 4096; ++pad) {
        const std::string padded = Encode<CharT>(std::string(pad, ' ') + DOCUMENT, charset) + odd;
        EXPECT_EQ(Tokenize<CharT>(padded, charset, 0, true), Expected<CharT>(narrow, charset, pad)) << "pad " << pad;
    }
}

TEST(Window, ReadSizesAndWindowBoundariesAreInvisible)
{
    CheckEveryDeliveryAndBoundary<char>(65001);
    CheckEveryDeliveryAndBoundary<unsigned short>(1201);
    CheckEveryDeliveryAndBoundary<unsigned short>(1210);
}

} // namespace
