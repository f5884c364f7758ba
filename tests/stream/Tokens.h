#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/stream/Stream.h>

#include "tests/host/ChunkedStream.h"

// One element as GetNext reports it.
template <class CharT>
struct TokenT {
    VEKParser::ElementType kind;
    unsigned int start;
    unsigned int end;
    std::basic_string<CharT> text;
    bool operator==(const TokenT&) const = default;
};
using Token = TokenT<char>;

inline std::ostream& operator<<(std::ostream& out, const Token& token)
{
    return out << "{" << token.kind << " " << token.start << "-" << token.end << " \"" << token.text << "\"}";
}

// Every element of a stream until EndOfFile; the bound keeps a faulty scanner from hanging a test.
template <class CharT>
std::vector<TokenT<CharT>> Drain(VEKParser::HtmlStreamParserT<CharT>& parser, std::size_t bound = 1u << 24)
{
    std::vector<TokenT<CharT>> tokens;
    while (!parser.EndOfFile() && tokens.size() < bound) {
        TokenT<CharT> token{};
        token.kind = parser.GetNext(token.start, token.end, token.text);
        tokens.push_back(std::move(token));
    }
    return tokens;
}

// Elements of `bytes`, read through a memory buffer, or through a stream that delivers at most
// `slice` bytes per read when `slice` is not 0.
template <class CharT = char>
std::vector<TokenT<CharT>> Tokenize(const std::string& bytes, VEK::CHARSET charset = 65001, unsigned slice = 0,
                                    bool sections = false)
{
    std::unique_ptr<VEK::BinaryStreamBufT<unsigned int>> stream;
    if (slice == 0)
        stream = std::make_unique<VEKFile::MemoryBuffer>(bytes.data(), static_cast<unsigned>(bytes.size()));
    else
        stream = std::make_unique<ChunkedStream>(bytes, slice);
    VEKParser::HtmlStreamParserT<CharT> parser(charset, *stream);
    parser.ParseSections(sections);
    return Drain(parser);
}
