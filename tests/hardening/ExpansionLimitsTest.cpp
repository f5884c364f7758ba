// Expansion to 16-bit text may hold its whole result, but no more than a small multiple of it:
// hostile references and bytes must not make the work memory grow beyond that.
#include <gtest/gtest.h>

#include <string>

#include <VEKParser/encoding/Encoding.h>
#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/vocabulary/HtmlEntities.h>
#include <VEKParser/html/vocabulary/NamedCharacters.h>

#include "tests/hardening/CountingAllocator.h"
#include "tests/hardening/HostileInput.h"

using namespace VEKParser;
using HostileInput::MB;
using HostileInput::Repeat;

namespace {

constexpr std::size_t SIZE = 4u << 20;

// Inputs whose every byte may become a 16-bit unit of output, or that try to make more.
std::vector<std::string> HostileTexts()
{
    return {
        std::string(SIZE, '&'),
        Repeat("&amp;", SIZE),
        Repeat("&#", SIZE),
        Repeat("&#99999999999999999999;", SIZE),
        Repeat("&#x10FFFF;&#xD800;", SIZE),
        Repeat("&notanentity", SIZE),
        Repeat("\xC3\xA9\xFF\xED\xA0\x80", SIZE),
        std::string(SIZE, '\0'),
    };
}

// The result takes two bytes per unit; the rest is the allocator's and the string's rounding.
constexpr std::size_t RESULT_FACTOR = 3;

TEST(ExpansionLimits, CharacterReferences)
{
    for (const std::string& text : HostileTexts()) {
        for (VEK::CHARSET charset : {VEK::CHARSET_UTF8, VEK::CHARSET_WINDOWS_1252}) {
            VEK::WString out;
            const std::size_t peak = CountingAllocator::PeakDuring([&] {
                ExpandCharacterReferences(charset, text, out, false);
                VEK::WString uri;
                ExpandUriCharacterReferences(charset, text, uri);
            });
            // Two results of two bytes per byte at most are alive at once.
            EXPECT_LE(peak, 2 * RESULT_FACTOR * text.size()) << text.substr(0, 12) << " in " << charset;
        }
    }
}

TEST(ExpansionLimits, SgmlEncodingHelper)
{
    for (const std::string& text : HostileTexts()) {
        for (VEK::CHARSET charset : {65001, 1252, 1201, 932}) {
            const SGMLEncodingHelper helper(charset);
            VEK::WString out;
            EXPECT_LE(CountingAllocator::PeakDuring([&] { helper.ExpandToUnicode(text, out); }),
                      RESULT_FACTOR * text.size())
                << charset;
            VEKFile::MemoryBuffer stream(text.data(), static_cast<unsigned>(text.size()));
            EXPECT_LE(CountingAllocator::PeakDuring([&] { helper.ExpandToUnicode(stream, out); }),
                      RESULT_FACTOR * text.size())
                << charset;
        }
    }
}

TEST(ExpansionLimits, Entities)
{
    const HtmlEntities& entities = *HtmlEntities::GetInstance();
    for (const std::string& text : HostileTexts()) {
        const VEK::WString units(text.begin(), text.end());
        VEK::WString out;
        EXPECT_LE(CountingAllocator::PeakDuring([&] { entities.Unescape(units, out); }),
                  RESULT_FACTOR * units.size() * 2);
        out.clear();
        EXPECT_LE(CountingAllocator::PeakDuring([&] { entities.UnescapeURI(units, out); }),
                  RESULT_FACTOR * units.size() * 2);
    }
    // Escaping legitimately grows: "&quot;" is six units for one.
    const VEK::WString quotes(SIZE, '"');
    VEK::WString escaped;
    EXPECT_LE(CountingAllocator::PeakDuring([&] { entities.Escape(quotes, escaped, true, true); }),
              RESULT_FACTOR * 6 * quotes.size() * 2);
}

} // namespace
