// The 16-bit scanner reads the same markup as the 8-bit one at twice the offsets, whatever the
// unit order, however the stream delivers its bytes (odd read sizes cut units in two), wherever
// the 4096-unit window ends, and with an odd byte at the end that makes no unit.
#include <gtest/gtest.h>

#include "tests/stream/Tokens.h"

using namespace VEKParser;

namespace {

using WideToken = TokenT<unsigned short>;

// Bytes 1-3 stand for a lone high surrogate, a lone low surrogate and a Cyrillic letter, which
// the 8-bit scanner treats as the same kind of non-letter units.
unsigned short Unit(char c)
{
    switch (c) {
    case '\x01': return 0xD800;
    case '\x02': return 0xDFFF;
    case '\x03': return 0x0441;
    default: return static_cast<unsigned char>(c);
    }
}

unsigned short InStreamOrder(unsigned short unit, VEK::CHARSET charset)
{
    return charset == 1210 ? static_cast<unsigned short>((unit >> 8) | (unit << 8)) : unit;
}

std::string Encode(const std::string& narrow, VEK::CHARSET charset)
{
    std::string bytes;
    for (char c : narrow) {
        const unsigned short unit = InStreamOrder(Unit(c), charset);
        bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    }
    return bytes;
}

std::vector<WideToken> Expected(const std::vector<Token>& narrow, VEK::CHARSET charset, unsigned pad)
{
    std::vector<WideToken> wide;
    for (const Token& token : narrow) {
        WideToken unitToken{token.kind, 2 * (token.start + pad), 2 * (token.end + pad), {}};
        for (char c : token.text) unitToken.text.push_back(InStreamOrder(Unit(c), charset));
        wide.push_back(std::move(unitToken));
    }
    // The padding joins the first text element, if there is one.
    const std::basic_string<unsigned short> blanks(pad, InStreamOrder(' ', charset));
    if (!wide.empty() && wide[0].kind == ELEMENT_TEXT) {
        wide[0].start = 0;
        wide[0].text.insert(0, blanks);
    } else if (pad > 0) {
        wide.insert(wide.begin(), WideToken{ELEMENT_TEXT, 0, 2 * pad, blanks});
    }
    return wide;
}

const std::string DOCUMENT = "<p class='a>b'>t\x01xt\x02<!-- c -->x<%s%><script>a<b</script><![x]>y\x03<i>";

TEST(SixteenBitWindow, ReadSizesAndOddTrailingByteAreInvisible)
{
    const auto narrow = Tokenize(DOCUMENT, 65001, 0, true);
    for (VEK::CHARSET charset : {1201, 1210}) {
        const auto expected = Expected(narrow, charset, 0);
        const std::string bytes = Encode(DOCUMENT, charset);
        for (unsigned slice : {0u, 1u, 7u, 4096u}) {
            EXPECT_EQ(Tokenize<unsigned short>(bytes, charset, slice, true), expected) << charset << "/" << slice;
            EXPECT_EQ(Tokenize<unsigned short>(bytes + "Z", charset, slice, true), expected) << charset << "/" << slice;
        }
    }
}

TEST(SixteenBitWindow, BoundaryAtEveryOffset)
{
    const auto narrow = Tokenize(DOCUMENT, 65001, 0, true);
    for (VEK::CHARSET charset : {1201, 1210}) {
        for (unsigned pad = 4096 - static_cast<unsigned>(DOCUMENT.size()); pad <= 4096; ++pad) {
            const std::string bytes = Encode(std::string(pad, ' ') + DOCUMENT, charset) + "Z";
            EXPECT_EQ(Tokenize<unsigned short>(bytes, charset, 0, true), Expected(narrow, charset, pad))
                << charset << " pad " << pad;
        }
    }
}

} // namespace
