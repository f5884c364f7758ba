#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <VEKParser/asn/ASNParser.h>
#include <VEKParser/foundation/Exceptions.h>
#include <VEKParser/host/DateTime.h>

#include "tests/asn/ParseBytes.h"

using namespace VEKParser;

namespace {

// The single top-level node of `bytes`.
VEK::SmartPtr<BaseASNNode> ParseOne(const Bytes& bytes)
{
    ASNTree tree;
    ParseInto(bytes, tree);
    EXPECT_EQ(tree.NumberOfNodes(), 1u);
    return tree.IsEmpty() ? nullptr : tree.GetNode(0);
}

template <class T>
T Value(const Bytes& bytes)
{
    return ValueOf<T>(ParseOne(bytes));
}

int TypeOf(const Bytes& bytes) { return ParseOne(bytes)->GetValueType(); }

Bytes WithText(Bytes header, const std::string& text)
{
    header.insert(header.end(), text.begin(), text.end());
    return header;
}

std::string TimeText(const Bytes& header, const std::string& text)
{
    return Value<VEK::DateTime>(WithText(header, text)).ToString();
}

// `depth` constructed values inside each other, innermost empty, all of indefinite length.
Bytes NestedIndefinite(int depth)
{
    Bytes bytes;
    for (int i = 0; i < depth; ++i) bytes.insert(bytes.end(), {0x30, 0x80});
    for (int i = 0; i < depth; ++i) bytes.insert(bytes.end(), {0x00, 0x00});
    return bytes;
}

VEK::WString Wide(const std::u16string& text) { return VEK::WString(text.begin(), text.end()); }

constexpr double INF = std::numeric_limits<double>::infinity();

} // namespace

TEST(ASNParserTest, IntegersAndTheTagsDecodedAsIntegers)
{
    EXPECT_EQ(Value<std::int64_t>({0x02, 0x02, 0xFF, 0x7F}), -129);
    EXPECT_EQ(Value<std::int64_t>({0x02, 0x08, 0x80, 0, 0, 0, 0, 0, 0, 0}), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(Value<std::int64_t>({0x02, 0x08, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(TypeOf({0x02, 0x00}), Null);
    EXPECT_EQ(TypeOf({0x05, 0x00}), Null);
    // NULL with contents, ENUMERATED, VisibleString and high tag numbers are all integers.
    for (const Bytes& bytes : {Bytes{0x05, 0x01, 0x07}, Bytes{0x0A, 0x01, 0x07}, Bytes{0x1A, 0x01, 0x07},
                               Bytes{0x1F, 0x81, 0x00, 0x01, 0x07}, Bytes{0x5F, 0x20, 0x01, 0x07}}) {
        EXPECT_EQ(TypeOf(bytes), Integer);
        EXPECT_EQ(Value<std::int64_t>(bytes), 7);
    }
    EXPECT_EQ(ParseOne({0x1F, 0x81, 0x00, 0x01, 0x07})->GetHeader().m_nTagNumber, 128);

    const Bytes big = {0x02, 0x09, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0x01};
    EXPECT_EQ(TypeOf(big), BigInteger);
    EXPECT_EQ(Value<ASNVLongInt>(big), ASNVLongInt(std::numeric_limits<std::int64_t>::min()).Negate() + 1);
    EXPECT_EQ(Value<ASNVLongInt>({0x02, 0x0A, 0xFF, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}),
              ASNVLongInt(std::numeric_limits<std::int64_t>::min()));
}

// The certificate tests and the printer test see the common forms of each type; these are the
// edges.
TEST(ASNParserTest, BooleansAndObjectIdentifiers)
{
    EXPECT_FALSE(Value<bool>({0x01, 0x02, 0x00, 0x01}));
    EXPECT_FALSE(Value<bool>({0x01, 0x00}));
    using Arcs = std::vector<int>;
    EXPECT_EQ(Value<Arcs>({0x06, 0x00}), (Arcs{0, 0}));
    EXPECT_EQ(Value<Arcs>({0x06, 0x02, 0x78, 0x05}), (Arcs{2, 40, 5}));
    EXPECT_EQ(Value<Arcs>({0x06, 0x01, 0x88}), (Arcs{2, 56}));
    // An arc wider than 32 bits keeps its low 32 bits; a last arc cut short still counts.
    EXPECT_EQ(Value<Arcs>({0x06, 0x06, 0x2A, 0x9F, 0xFF, 0xFF, 0xFF, 0x7F}), (Arcs{1, 2, -1}));
    EXPECT_EQ(Value<Arcs>({0x06, 0x03, 0x2A, 0x03, 0x86}), (Arcs{1, 2, 3, 6}));
}

TEST(ASNParserTest, BitStrings)
{
    const VEK::BitVector bits = Value<VEK::BitVector>({0x03, 0x02, 0x06, 0x40});
    ASSERT_EQ(bits.size(), 2u);
    EXPECT_FALSE(bits[0]);
    EXPECT_TRUE(bits[1]);
    EXPECT_EQ(Value<VEK::BitVector>({0x03, 0x03, 0x00, 0xAB, 0xCD}).size(), 16u);
    EXPECT_TRUE(Value<VEK::BitVector>({0x03, 0x00}).empty());
    EXPECT_TRUE(Value<VEK::BitVector>({0x03, 0x01, 0x00}).empty());
    ASNTree tree;
    EXPECT_THROW(ParseInto({0x03, 0x02, 0x08, 0x00}, tree), ASNException);
    EXPECT_THROW(ParseInto({0x03, 0x01, 0x01}, tree), ASNException);
}

TEST(ASNParserTest, Reals)
{
    const std::pair<Bytes, double> cases[] = {
        {{0x09, 0x00}, 0.0},
        {{0x09, 0x01, 0x40}, INF},
        {{0x09, 0x01, 0x41}, -INF},
        // Negative, base 8 and 16, scale factor 1 (times 2), a two-octet exponent.
        {{0x09, 0x03, 0xC0, 0x02, 0x03}, -12.0},
        {{0x09, 0x03, 0x90, 0x01, 0x03}, 24.0},
        {{0x09, 0x03, 0xA4, 0xFF, 0x03}, 0.375},
        {{0x09, 0x04, 0x81, 0x00, 0x0A, 0x01}, 1024.0},
        // Exponent length in the next octet, and an exponent past any double.
        {{0x09, 0x04, 0x83, 0x01, 0x02, 0x03}, 12.0},
        {{0x09, 0x05, 0x83, 0x02, 0x7F, 0xFF, 0x01}, INF},
        // Decimal forms, whatever the locale would write.
        {WithText({0x09, 0x06, 0x03}, " +1.5"), 1.5},
        {WithText({0x09, 0x08, 0x03}, "-25,E-1"), -2.5},
    };
    for (const auto& [bytes, value] : cases) EXPECT_EQ(Value<double>(bytes), value) << bytes.size();
}

TEST(ASNParserTest, StringsBecomeWideText)
{
    EXPECT_EQ(Value<VEK::WString>({0x0C, 0x04, 'a', 0xC3, 0xA9, 'b'}), Wide(u"a\u00E9b"));
    // The single-byte string types read their bytes as windows-1252.
    for (unsigned char tag : {0x07, 0x12, 0x14, 0x1B, 0x1D})
        EXPECT_EQ(Value<VEK::WString>({tag, 0x02, 0xE9, 0x80}), Wide(u"\u00E9\u20AC"));
    EXPECT_EQ(Value<VEK::WString>({0x1E, 0x04, 0x00, 0x41, 0x20, 0xAC}), Wide(u"A\u20AC"));
    EXPECT_EQ(Value<VEK::WString>({0x1C, 0x08, 0, 0, 0, 0x41, 0, 0x01, 0xF6, 0x00}), Wide(u"A\U0001F600"));
    EXPECT_EQ(Value<VEK::WString>({0x0C, 0x00}), VEK::WString());
}

TEST(ASNParserTest, TimesChooseTheirFormatByLength)
{
    const auto utc = ParseOne(WithText({0x17, 0x0D}, "991231235959Z"));
    EXPECT_EQ(ValueOf<VEK::DateTime>(utc).ToString(), "1999-12-31 23:59:59");
    EXPECT_EQ(dynamic_cast<const ASNTimeNode&>(*utc).GetWrittenText(), "991231235959Z");
    EXPECT_EQ(TimeText({0x18, 0x0F}, "20050101120000Z"), "2005-01-01 12:00:00");
    EXPECT_EQ(TimeText({0x18, 0x13}, "20050101120000.123Z"), "2005-01-01 12:00:00");
    EXPECT_EQ(TimeText({0x17, 0x0B}, "0501011200Z"), "2005-01-01 12:00:00");
    // The length alone chooses: twelve digits are two-digit-year seconds even under tag 24.
    EXPECT_EQ(TimeText({0x18, 0x0C}, "050101120030"), "2005-01-01 12:00:30");
    const auto offset = ParseOne(WithText({0x17, 0x0F}, "0501011200+0100"));
    EXPECT_EQ(ValueOf<VEK::DateTime>(offset), VEK::DateTime());
    EXPECT_EQ(dynamic_cast<const ASNTimeNode&>(*offset).GetWrittenText(), "0501011200+0100");
}

TEST(ASNParserTest, ConstructedValuesAndContextTags)
{
    const auto wrapped = ParseOne({0xA0, 0x05, 0x02, 0x03, 0x01, 0x00, 0x01});
    EXPECT_EQ(wrapped->GetTag(), 0);
    EXPECT_EQ(ValueOf<std::int64_t>(wrapped), 65537);
    EXPECT_EQ(wrapped->GetWrapperHeader().m_nLength, 5);
    EXPECT_EQ(wrapped->GetHeader().m_uOffset, 2u);

    // Application and private classes decode by tag number like universal ones.
    const auto application = ParseOne({0x61, 0x03, 0x42, 0x01, 0x09});
    EXPECT_EQ(application->GetHeader().m_nClass, 1);
    EXPECT_EQ(ValueOf<std::int64_t>(application->GetChild(0)), 9);
    EXPECT_TRUE(Value<bool>({0xC1, 0x01, 0x01}));

    // Long-form lengths, and a child running past its parent's end.
    const auto longForm = ParseOne({0x30, 0x84, 0x00, 0x00, 0x00, 0x06, 0x04, 0x81, 0x01, 'x', 0x05, 0x00});
    EXPECT_EQ(longForm->GetHeader().m_uHeaderLength, 6u);
    ASSERT_EQ(longForm->NumberOfChildren(), 2);
    EXPECT_EQ(ValueOf<std::string>(longForm->GetChild(0)), "x");
    EXPECT_EQ(longForm->GetChild(0)->GetHeader().m_uHeaderLength, 3u);
    EXPECT_EQ(ParseOne({0x30, 0x01, 0x04, 0x02, 'a', 'b'})->NumberOfChildren(), 1);
}

TEST(ASNParserTest, IndefiniteLengths)
{
    // Three deep, followed by a further top-level value.
    ASNTree tree;
    ParseInto({0x30, 0x80, 0x31, 0x80, 0x30, 0x80, 0x02, 0x01, 0x05, 0x00, 0x00, 0x02, 0x01, 0x06, 0x00, 0x00, 0x00,
               0x00, 0x05, 0x00},
              tree);
    ASSERT_EQ(tree.NumberOfNodes(), 2u);
    const auto outer = tree.GetNode(0);
    EXPECT_EQ(outer->GetHeader().m_nLength, ASNHeader::INDEFINITE);
    ASSERT_EQ(outer->NumberOfChildren(), 1);
    const auto middle = outer->GetChild(0);
    ASSERT_EQ(middle->NumberOfChildren(), 2);
    EXPECT_EQ(ValueOf<std::int64_t>(middle->GetChild(0)->GetChild(0)), 5);
    EXPECT_EQ(ValueOf<std::int64_t>(middle->GetChild(1)), 6);
    EXPECT_EQ(tree.GetNode(1)->GetValueType(), Null);

    // An indefinite-length wrapper closes with its own end-of-contents, at any level.
    const auto withWrapper = ParseOne({0x30, 0x80, 0xA0, 0x80, 0x30, 0x80, 0x02, 0x01, 0x07, 0x00, 0x00, 0x00, 0x00,
                                       0x02, 0x01, 0x08, 0x00, 0x00});
    ASSERT_EQ(withWrapper->NumberOfChildren(), 2);
    EXPECT_EQ(withWrapper->GetChild(0)->GetTag(), 0);
    EXPECT_EQ(ValueOf<std::int64_t>(withWrapper->GetChild(1)), 8);
    EXPECT_EQ(Value<std::int64_t>({0xA3, 0x80, 0x02, 0x01, 0x09, 0x00, 0x00}), 9);

    // At the end of the stream before any child the value is whole; after one it is cut short.
    EXPECT_EQ(ParseOne({0x30, 0x80})->NumberOfChildren(), 0);
    // A long-form length that wraps below zero holds nothing either.
    EXPECT_EQ(ParseOne({0x30, 0x88, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE})->NumberOfChildren(), 0);
    ASNTree cut;
    EXPECT_THROW(ParseInto({0x30, 0x80, 0x05, 0x00}, cut), ASNPrematureEOFException);
}

// Levels of hundreds of values move their children to the array part of the way through.
TEST(ASNParserTest, LongLevels)
{
    for (const std::size_t count : {255u, 256u, 257u, 1000u}) {
        Bytes integers;
        for (std::size_t i = 0; i < count; ++i) integers.insert(integers.end(), {0x02, 0x01, static_cast<unsigned char>(i)});
        const std::size_t size = integers.size();
        Bytes definite = {0x30, 0x82, static_cast<unsigned char>(size >> 8), static_cast<unsigned char>(size)};
        definite.insert(definite.end(), integers.begin(), integers.end());
        Bytes indefinite = {0x30, 0x80};
        indefinite.insert(indefinite.end(), integers.begin(), integers.end());
        indefinite.insert(indefinite.end(), {0x00, 0x00});
        for (const Bytes& bytes : {definite, indefinite}) {
            const auto node = ParseOne(bytes);
            ASSERT_EQ(node->NumberOfChildren(), static_cast<int>(count)) << bytes[1];
            EXPECT_EQ(ValueOf<std::int64_t>(node->GetChild(static_cast<int>(count) - 1)),
                      static_cast<std::int8_t>(count - 1));
        }
        // Cut inside the run: the children read so far go with the value.
        definite.pop_back();
        ASNTree tree;
        EXPECT_THROW(ParseInto(definite, tree), ASNPrematureEOFException);
        EXPECT_TRUE(tree.IsEmpty());
    }
}

TEST(ASNParserTest, TruncatedInputThrowsPrematureEOF)
{
    const std::vector<Bytes> truncated = {
        {0x1F, 0x81},                          // inside high tag number octets
        {0x02},                                // before the length
        {0x04, 0x82, 0x00},                    // inside long-form length octets
        {0x04, 0x05, 0x01, 0x02},              // inside contents
        {0x04, 0x84, 0xFF, 0xFF, 0xFF, 0xF0},  // a length far beyond the stream
        {0x04, 0x88, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
        {0xA0, 0x03},                          // after a context-specific wrapper
        {0x30, 0x05, 0x02, 0x01, 0x05},        // at a boundary inside a constructed value
        // A definite length near 2^63 once overflowed the end of its constructed value.
        {0x30, 0x88, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x05, 0x00},
    };
    for (const Bytes& bytes : truncated) {
        ASNTree tree;
        EXPECT_THROW(ParseInto(bytes, tree), ASNPrematureEOFException) << bytes.size();
        EXPECT_TRUE(tree.IsEmpty());
    }
}

TEST(ASNParserTest, EndOfContentsOutsideAnIndefiniteValue)
{
    for (const Bytes& bytes : {Bytes{0x00, 0x00}, Bytes{0x30, 0x02, 0x00, 0x00}, Bytes{0x00, 0x01, 0xAA}}) {
        ASNTree tree;
        EXPECT_THROW(ParseInto(bytes, tree), ASNEOCException);
    }
    ASNTree tree;
    EXPECT_NO_THROW(ParseInto({}, tree));
    EXPECT_TRUE(tree.IsEmpty());
}

TEST(ASNParserTest, NodesBeforeAFailureStayAndParseAppends)
{
    ASNTree tree;
    ParseInto({0x05, 0x00}, tree);
    EXPECT_THROW(ParseInto({0x02, 0x01, 0x05, 0x01, 0x01, 0xFF, 0x30, 0x05, 0x02, 0x01, 0x05}, tree),
                 ASNPrematureEOFException);
    ASSERT_EQ(tree.NumberOfNodes(), 3u);
    EXPECT_EQ(tree.GetNode(0)->GetValueType(), Null);
    EXPECT_EQ(ValueOf<std::int64_t>(tree.GetNode(1)), 5);
    EXPECT_TRUE(ValueOf<bool>(tree.GetNode(2)));

    // One parser, several streams.
    ASNParser parser;
    VEKFile::MemoryBuffer first(Bytes{0x02, 0x01, 0x01}.data(), 3);
    VEKFile::MemoryBuffer second(Bytes{0x02, 0x01, 0x02}.data(), 3);
    ASNTree reused;
    parser.Parse(first, reused);
    parser.Parse(second, reused);
    ASSERT_EQ(reused.NumberOfNodes(), 2u);
    EXPECT_EQ(ValueOf<std::int64_t>(reused.GetNode(1)), 2);
}

// Far deeper input is tested by the hardening tests, which also watch the stack.
TEST(ASNParserTest, NestingDepthIsBounded)
{
    EXPECT_NO_THROW(ParseOne(NestedIndefinite(ASNParser::MAX_DEPTH)));
    ASNTree tree;
    EXPECT_THROW(ParseInto(NestedIndefinite(ASNParser::MAX_DEPTH + 1), tree), ASNException);
}
