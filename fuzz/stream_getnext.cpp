// Tokenizes arbitrary bytes with both tokenizer widths, element by element and through a
// callback; the first byte picks the options.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/stream/Stream.h>

namespace {

// Elements are contiguous, each moves the scanner forward and none lies beyond the stream.
struct Contiguity {
    unsigned previous = 0;
    std::size_t size;
    void Check(unsigned start, unsigned end)
    {
        if (start != previous || end <= start || end > size) std::abort();
        previous = end;
    }
};

template <class CharT>
void Drain(VEK::CHARSET charset, bool sections, const std::uint8_t* data, std::size_t size)
{
    VEKFile::MemoryBuffer buffer(data, static_cast<unsigned>(size));
    VEKParser::HtmlStreamParserT<CharT> parser(charset, buffer);
    parser.ParseSections(sections);
    std::basic_string<CharT> text;
    unsigned start = 0, end = 0;
    Contiguity contiguity{0, size};
    while (!parser.EndOfFile()) {
        parser.GetNext(start, end, text);
        contiguity.Check(start, end);
    }
}

// Checks what Parse pushes and stops after `stopAfter` elements.
struct Callback : VEKParser::HtmlStreamParserCallback {
    Contiguity contiguity;
    std::size_t stopAfter;
    bool begun = false, ended = false;
    Callback(unsigned first, std::size_t size, std::size_t stop) : contiguity{first, size}, stopAfter(stop) {}
    void BeginParse() override { begun = true; }
    void EndParse() override { ended = true; }
    bool HandleElement(VEKParser::ElementType, unsigned start, unsigned end, const VEK::WString&) override
    {
        if (!begun || ended) std::abort();
        contiguity.Check(start, end);
        return stopAfter-- > 0;
    }
};

template <class CharT>
void Push(VEK::CHARSET charset, bool sections, std::size_t stopAfter, const std::uint8_t* data, std::size_t size)
{
    VEKFile::MemoryBuffer buffer(data, static_cast<unsigned>(size));
    VEKParser::HtmlStreamParserT<CharT> parser(charset, buffer);
    parser.ParseSections(sections);
    // A skipped byte-order mark moves the first element's start.
    const bool utf8Mark = sizeof(CharT) == 1 && charset == 65001 && size >= 3 && data[0] == 0xEF &&
                          data[1] == 0xBB && data[2] == 0xBF;
    const bool wideMark = sizeof(CharT) == 2 && charset == 1201 && size >= 2 &&
                          ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));
    Callback callback(utf8Mark ? 3 : wideMark ? 2 : 0, size, stopAfter);
    const bool complete = parser.Parse(callback);
    if (complete != callback.ended) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::uint8_t options = data[0];
    const bool sections = options & 1;
    static const VEK::CHARSET narrow[] = {65001, 1252, 20127, 932};
    const VEK::CHARSET charset = narrow[(options >> 1) & 3];
    const VEK::CHARSET wide = options & 8 ? 1210 : 1201;
    const std::size_t stopAfter = options & 0x80 ? (options >> 4) & 7 : ~std::size_t{0};
    Drain<char>(charset, sections, data + 1, size - 1);
    Drain<unsigned short>(wide, sections, data + 1, size - 1);
    Push<char>(charset, sections, stopAfter, data + 1, size - 1);
    Push<unsigned short>(wide, sections, stopAfter, data + 1, size - 1);
    return 0;
}
