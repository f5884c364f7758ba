#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <VEKParser/VEKParser.h>

#include "ChunkedStream.h"

using VEKFile::BinaryStreamParser;
using VEKFile::MemoryBuffer;

namespace {

std::string Text(const MemoryBuffer& buffer)
{
    return std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size());
}

// What a tag-by-tag walk sees: each tag text with its position, and the text between tags.
std::vector<std::string> Walk(VEK::BinaryStreamBufT<unsigned int>& stream)
{
    BinaryStreamParser scanner(stream, false);
    std::vector<std::string> seen;
    MemoryBuffer spill(64);
    for (;;) {
        const unsigned int start = scanner.GetPosition();
        bool found = false;
        const std::string_view text = scanner.FetchText('<', spill, found);
        seen.push_back(std::to_string(start) + " text " + std::string(text));
        if (!found) break;
        if (!scanner.FetchData('>', true, 0, nullptr, nullptr, false, false)) break;
        seen.push_back(std::to_string(scanner.GetPosition()) + " tag " + scanner.GetKeywordBuffer());
        if (scanner.GetKeywordBuffer() == std::string("<script")) {
            const bool end = scanner.FetchData(std::string("</script"), false, 0, nullptr, nullptr, false, false);
            seen.push_back(std::to_string(scanner.GetPosition()) + (end ? " end" : " no end"));
        }
        scanner.Fetch(1, false, true);
    }
    return seen;
}

std::string Document()
{
    std::string doc = "<html><body>Hello <b>world</b><script>if (a < b) x();</SCRIPT>";
    doc += std::string(5000, 'x') + "<p>" + std::string(4090, 'y') + "<script>" + std::string(4080, 'z') + "</script>";
    doc += "<a href='q'>last</a> tail <unterminated";
    return doc;
}

} // namespace

TEST(BinaryStreamParser, RefillsAreInvisible)
{
    const std::string doc = Document();
    MemoryBuffer inPlace(doc.data(), static_cast<unsigned int>(doc.size()));
    const std::vector<std::string> expected = Walk(inPlace);
    ASSERT_GT(expected.size(), 10u);
    for (unsigned int chunk : {1u, 7u, 4096u}) {
        ChunkedStream windowed(doc, chunk);
        EXPECT_EQ(Walk(windowed), expected) << "chunk " << chunk;
    }
    // A delimiter text split at every offset of the window boundary.
    for (unsigned int cut = 4090; cut < 4100; ++cut) {
        std::string shifted = std::string(cut, ' ') + "<script>abc</ScRiPt>";
        ChunkedStream windowed(shifted, 4096);
        MemoryBuffer whole(shifted.data(), static_cast<unsigned int>(shifted.size()));
        EXPECT_EQ(Walk(windowed), Walk(whole)) << "cut " << cut;
    }
}

TEST(BinaryStreamParser, FetchCaptureAndModes)
{
    const std::string doc = "abcdef   ghi--end";
    ChunkedStream stream(doc, 3);
    BinaryStreamParser scanner(stream, true);
    scanner.SetFetching(true);
    EXPECT_TRUE(scanner.Fetch(4, false, true));
    EXPECT_EQ(Text(scanner.GetFetchingBuffer()), "abcd");
    scanner.SetFetching(false);
    scanner.ClearFetchingBuffer();
    EXPECT_EQ(scanner.GetCurrentChar(), 'e');
    EXPECT_TRUE(scanner.FetchData(' ', false, 0, nullptr, nullptr, false, false));
    EXPECT_TRUE(scanner.FetchData(std::string(" "), false, 1, nullptr, nullptr, false, false));
    EXPECT_EQ(scanner.GetCurrentChar(), 'g');
    EXPECT_TRUE(scanner.FetchData(std::string("--"), false, 2, nullptr, nullptr, false, false));
    EXPECT_EQ(scanner.GetPosition(), 14u);
    EXPECT_TRUE(scanner.FetchData(std::string(), false, 2, nullptr, nullptr, false, false));
    EXPECT_EQ(scanner.GetPosition(), 14u);

    MemoryBuffer target(16);
    EXPECT_FALSE(scanner.FetchData(std::string("<"), false, 0, &target, nullptr, false, false));
    EXPECT_EQ(target.Size(), 0u) << "without collectAtEnd a failed search leaves the target as it was";
    EXPECT_FALSE(scanner.HasData());
    EXPECT_EQ(scanner.GetCurrentChar(), 0);
    EXPECT_FALSE(scanner.Fetch(1, false, true));

    scanner.Reset();
    EXPECT_EQ(scanner.GetPosition(), 0u);
    EXPECT_EQ(scanner.GetCurrentChar(), 'a');
}
