// Hostile documents must not make the tokenizer's memory grow with them: it holds one element
// (at most MAX_ELEMENT_UNITS units) however long the document or its unclosed constructs are.
#include <gtest/gtest.h>

#include <string>

#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/stream/Stream.h>

#include "tests/hardening/CountingAllocator.h"
#include "tests/hardening/HostileInput.h"

using namespace VEKParser;
using HostileInput::MB;
using HostileInput::Repeat;
using HostileInput::Widen16;

namespace {

constexpr std::size_t TEN_MB = 10 * MB;

// What a scanner may hold whatever the document: the window, its work strings and one element
// of 102400 units with its closing characters, as 16-bit units at worst, plus the allocator's
// rounding.
constexpr std::size_t SCANNER_BOUND = 1u << 20;

template <class CharT>
std::size_t PeakWhileTokenizing(const std::string& bytes, VEK::CHARSET charset)
{
    VEKFile::MemoryBuffer buffer(bytes.data(), static_cast<unsigned>(bytes.size()));
    std::size_t delivered = 0;
    const std::size_t peak = CountingAllocator::PeakDuring([&] {
        HtmlStreamParserT<CharT> parser(charset, buffer);
        parser.ParseSections(true);
        std::basic_string<CharT> text;
        unsigned start = 0, end = 0;
        while (!parser.EndOfFile()) {
            parser.GetNext(start, end, text);
            delivered += text.size() * sizeof(CharT);
        }
    });
    // Long constructs come cut; everything else comes whole.
    EXPECT_GT(delivered, 0u);
    return peak;
}

struct Hostile {
    const char* what;
    std::string bytes;
};

std::vector<Hostile> HostileDocuments()
{
    return {
        {"10 MB of <", std::string(TEN_MB, '<')},
        {"tag of 100000 bytes", "<a title=\"" + std::string(100000, 'v') + "\">x"},
        {"unclosed tag", "<a " + std::string(TEN_MB, 'v')},
        {"unclosed quote", "<a b='" + Repeat("x>", TEN_MB)},
        {"unterminated comment", "<!--" + Repeat("- > ", TEN_MB)},
        {"unterminated script", "<script>" + Repeat("if (a<b) x='</b>';", TEN_MB)},
        {"unterminated section", "<![CDATA[" + Repeat("]] >", TEN_MB)},
        {"unterminated server block", "<%" + Repeat("% >", TEN_MB)},
        {"plain text", "<plaintext>" + std::string(TEN_MB, 'p')},
        {"NUL bytes", std::string(TEN_MB, '\0')},
    };
}

TEST(StreamLimits, EightBitScannerMemoryDoesNotGrowWithTheDocument)
{
    for (const Hostile& document : HostileDocuments())
        EXPECT_LE(PeakWhileTokenizing<char>(document.bytes, 65001), SCANNER_BOUND) << document.what;
}

TEST(StreamLimits, SixteenBitScannerMemoryDoesNotGrowWithTheDocument)
{
    for (const Hostile& document : HostileDocuments())
        EXPECT_LE(PeakWhileTokenizing<unsigned short>(Widen16(document.bytes), 1201), SCANNER_BOUND) << document.what;
}

TEST(StreamLimits, ParseConvertsOneElementAtATime)
{
    struct Discard : HtmlStreamParserCallback {
        bool HandleElement(ElementType, unsigned, unsigned, const VEK::WString&) override { return true; }
    } discard;
    for (const Hostile& document : HostileDocuments()) {
        VEKFile::MemoryBuffer buffer(document.bytes.data(), static_cast<unsigned>(document.bytes.size()));
        const std::size_t peak = CountingAllocator::PeakDuring([&] {
            HtmlStreamParserT<char> parser(65001, buffer);
            EXPECT_TRUE(parser.Parse(discard));
        });
        EXPECT_LE(peak, SCANNER_BOUND) << document.what;
    }
}

TEST(StreamLimits, TagPartsStayProportionalToTheTag)
{
    // Many short attributes make the normalised string grow most: ` k=""` for every `k `.
    std::string tag = "<a";
    for (int i = 0; tag.size() < 1000000; ++i) tag += " k" + std::to_string(i);
    tag += ">";
    const std::string longValue = "<a href='" + std::string(1000000, '"') + "'>";
    const HtmlStreamParserBaseT<char> base(65001);
    for (const std::string& raw : {tag, longValue}) {
        VEK::WString name;
        std::string attributes, value;
        bool isEnd = false, isEmpty = false;
        const std::size_t peak = CountingAllocator::PeakDuring([&] {
            base.ParseTag(raw, name, attributes, isEnd, isEmpty);
            base.FindSingleAttributeKey("zz", attributes, value);
        });
        EXPECT_FALSE(attributes.empty());
        EXPECT_LE(peak, 8 * raw.size()) << raw.substr(0, 20);
    }
}

} // namespace
