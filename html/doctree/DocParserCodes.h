#pragma once

// Values the document parser's driver, element builder and parameter reader share.
#include <cstdint>
#include <string_view>

#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>

namespace VEKParser::doctree {

// What the element builder reports to the level that called it.
enum ParseCode : unsigned int {
    CODE_UNCLOSED = 0,      // ended without its own end tag: input end, or unwinding
    CODE_CLOSED = 1,        // closed by its own end tag
    CODE_LEAF = 2,          // an empty or parameter-only tag
    CODE_SKIPPED = 3,       // a tag whose content was skipped
    CODE_UNKNOWN = 4,       // a tag text the vocabulary does not know, turned into text
    CODE_PENDING = 5,       // the keyword buffer holds the next tag: handle it without fetching
    CODE_TOO_DEEP = 6,      // too many open elements
    CODE_TABLE_REENTRY = 8, // a table part outside any table: emulate the table at the top
    CODE_END_OF_INPUT = 99,
};

// Deeper nesting than this makes the parse fail; it also bounds the builder's recursion.
inline constexpr std::size_t kMaxOpenKeywords = 128;
// Elements open at once: those of the stack and one being opened, with room to spare.
inline constexpr std::size_t kMaxDepth = kMaxOpenKeywords + 4;
// Texts up to this length repeat often enough to be worth sharing in the pool.
inline constexpr std::uint32_t kShortText = 20;
inline constexpr std::uint32_t kTextNodeKeyword = 73;  // KW_TEXT

inline constexpr std::string_view kMasterNodeName = "document-master-node";
inline constexpr std::string_view kOrphanTextName = "orphan-text-block";
inline constexpr std::string_view kTagTextName = "tag-text-block";

inline KeywordID IdOf(const KeywordInfo& info) noexcept { return static_cast<KeywordID>(info.m_uKeyword & 0xFF); }

} // namespace VEKParser::doctree
