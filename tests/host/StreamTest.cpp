#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <VEKParser/VEKParser.h>

using VEKFile::MemoryBuffer;

TEST(MemoryBuffer, GetPutSeekAndPushBack)
{
    MemoryBuffer buffer(4);
    EXPECT_EQ(buffer.Put("hello", 5), 5u);
    EXPECT_EQ(buffer.Size(), 5u);
    buffer.SeekP(-1, VEK::SeekOrigin::Current);
    buffer.Put("p!", 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size()), "hellp!");
    buffer.SeekP(3, VEK::SeekOrigin::Begin);
    buffer.ClearEnd();
    EXPECT_EQ(buffer.Size(), 3u);

    char out[8] = {};
    buffer.PutBack("XY", 2);
    EXPECT_FALSE(buffer.EndOfFile());
    EXPECT_EQ(buffer.Peek(out, 3), 3u);
    EXPECT_EQ(std::string(out, 3), "XYh");
    EXPECT_EQ(buffer.Get(out, 8), 5u);
    EXPECT_EQ(std::string(out, 5), "XYhel");
    EXPECT_TRUE(buffer.EndOfFile());
    EXPECT_THROW(buffer.GetExact(out, 1), VEK::BinaryStreamGetEOFException);

    buffer.PutBack("Z", 1);
    buffer.SeekG(0);
    EXPECT_EQ(buffer.PushBackSize(), 0u) << "seeking to the start drops pushed-back bytes";
    std::string narrow;
    EXPECT_EQ(buffer.Copy(narrow), 3u);
    EXPECT_EQ(narrow, "hel");
}

TEST(MemoryBuffer, CopyIntoStreamsAndSixteenBitText)
{
    const unsigned short units[] = {'a', 0x20AC};
    MemoryBuffer source(units, sizeof units);
    MemoryBuffer target(16);
    EXPECT_EQ(source.Copy(target, 2), 2u);
    VEK::WString wide;
    EXPECT_EQ(source.Copy(wide), 2u);
    EXPECT_EQ(wide, VEK::WString(1, 0x20AC));
    EXPECT_EQ(target.Size(), 2u);
}

TEST(MappedFileStream, ReadsAFileAndNamesAMissingOne)
{
    const std::string path = testing::TempDir() + "/vek_mapped.txt";
    std::ofstream(path) << "mapped bytes";
    VEKFile::MappedFileStream stream(path);
    EXPECT_EQ(stream.Size(), 12u);
    std::string text;
    stream.Copy(text);
    EXPECT_EQ(text, "mapped bytes");
    EXPECT_EQ(stream.Put("x", 1), 0u) << "the mapping is read-only";
    std::remove(path.c_str());

    try {
        VEKFile::MappedFileStream missing("/no/such/file.html");
        FAIL() << "a missing file must throw";
    } catch (const VEKFile::FileOpenException& e) {
        EXPECT_EQ(VEK::ToUtf8(e.What()), "/no/such/file.html: No such file or directory");
    }
    EXPECT_THROW(VEKFile::MappedFileStream("/tmp"), VEK::Exception);
}

TEST(WideStream, NarrowTextLineEndsAndNumbersNeedTheLocale)
{
    std::basic_ostringstream<unsigned short> plain;
    EXPECT_THROW(plain << std::endl, std::bad_cast) << "the standard locale has no 16-bit facets";

    std::basic_ostringstream<unsigned short> out;
    out.imbue(VEK::WideStreamLocale());
    out << "a\xE9 " << 42 << ' ' << -7L << ' ' << 2.5 << std::endl;
    out.width(4);
    out << VEK::WString{0x20AC};
    out.put('!');
    EXPECT_EQ(out.str(), (VEK::WString{'a', 0xE9, ' ', '4', '2', '3', '2', '-', '7', '3', '2', '2', '.', '5', '\n',
                                       ' ', ' ', ' ', 0x20AC, '!'}))
        << "a single char prints as its number: the unit type is an integer";
    EXPECT_TRUE(std::use_facet<std::ctype<unsigned short>>(out.getloc()).is(std::ctype_base::alpha, 'q'));
    EXPECT_FALSE(std::use_facet<std::ctype<unsigned short>>(out.getloc()).is(std::ctype_base::alpha, 0xE9));
}
