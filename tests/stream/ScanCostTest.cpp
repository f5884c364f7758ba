// Searches for a closing sequence that never comes must not be repeated from every later "<":
// the bytes the scanner reads off its stream stay a small multiple of the stream's size.
#include <gtest/gtest.h>

#include <string>

#include <VEKParser/html/stream/Stream.h>

#include "tests/hardening/HostileInput.h"
#include "tests/host/ChunkedStream.h"

using namespace VEKParser;
using HostileInput::Repeat;
using HostileInput::Widen16;

namespace {

// Counts every byte the device delivers, peeks included.
class CountingStream : public ChunkedStream {
public:
    explicit CountingStream(std::string data) : ChunkedStream(std::move(data), 1u << 30) {}
    unsigned long long Delivered() const noexcept { return m_uDelivered; }

protected:
    unsigned int DoGet(void* buffer, unsigned int count) override
    {
        const unsigned int n = ChunkedStream::DoGet(buffer, count);
        m_uDelivered += n;
        return n;
    }

private:
    unsigned long long m_uDelivered = 0;
};

template <class CharT>
unsigned long long BytesRead(const std::string& bytes, VEK::CHARSET charset, bool sections)
{
    CountingStream stream(bytes);
    HtmlStreamParserT<CharT> parser(charset, stream);
    parser.ParseSections(sections);
    std::basic_string<CharT> text;
    unsigned start = 0, end = 0;
    std::size_t total = 0;
    while (!parser.EndOfFile()) {
        parser.GetNext(start, end, text);
        total += text.size() * sizeof(CharT);
    }
    EXPECT_EQ(total, bytes.size() / sizeof(CharT) * sizeof(CharT));
    return stream.Delivered();
}

// Openers whose close never comes, each repeated over 512 KB: tags without ">", tags whose
// quote never closes (the last ones only at a final quote that hides the one ">"), comments and
// sections that fall back to the bracket rule, and the same inside a script.
const char* const UNCLOSED[][2] = {
    {"<a", ""},   {"<a x=\"", ""}, {"<a '", ""},    {"<a =\"'", ""},    {"<!--", ""},       {"<%", ""},
    {"<![", ""},  {"<?x", ""},     {"</a", ""},     {"<a=", "'>"},      {"'<a=", "\">"},    {"<a<a=", "'>"},
    {"<a='' ", "=\">"}};

TEST(ScanCost, UnclosedOpenersAreSearchedOnce)
{
    constexpr std::size_t SIZE = 512 * 1024;
    for (const auto& [unit, tail] : UNCLOSED) {
        const std::string body = Repeat(unit, SIZE) + tail;
        for (const std::string& bytes : {body, "<script>" + body}) {
            EXPECT_LE(BytesRead<char>(bytes, 65001, true), 8 * bytes.size()) << unit;
            EXPECT_LE(BytesRead<char>(bytes, 65001, false), 8 * bytes.size()) << unit;
            const std::string wide = Widen16(bytes);
            EXPECT_LE(BytesRead<unsigned short>(wide, 1201, true), 8 * wide.size()) << unit;
        }
    }
}

} // namespace
