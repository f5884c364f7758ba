#pragma once

// What the query files of the document tree share: node parameters without copies, the
// charset a node decodes with, and the spacing of keywords as an array, because both text walks
// ask it for every tag node.
#include <array>
#include <string>
#include <string_view>

#include <VEKParser/html/doctree/HtmlDocTree.h>

namespace VEKParser::tree_queries {

// A node made outside a tree has no charset to decode with.
inline VEK::CHARSET CharsetOf(const HtmlDocTree* tree) noexcept
{
    return tree != nullptr ? tree->GetCharset() : VEK::CHARSET_UNKNOWN;
}

inline const std::string_view* FindParam(const HtmlDocTree::ParamHolder& params, std::string_view name)
{
    return params ? params->Find(name) : nullptr;
}

// An absent parameter reads as the empty value.
inline std::string_view ParamOrEmpty(const HtmlDocTree::ParamHolder& params, std::string_view name)
{
    const std::string_view* value = FindParam(params, name);
    return value != nullptr ? *value : std::string_view();
}

// A walk waits on each children array in turn (they lie wherever the heap put them), so while
// one sibling is handled the next one's children are asked for, and the sibling after it. The
// next sibling was asked for one step earlier, so reading it rarely waits.
inline void PrefetchNext(const HtmlDocTree::NodeHolder* holder, const HtmlDocTree::NodeHolder* end) noexcept
{
    if (end - holder > 2) __builtin_prefetch(holder[2].Get());
    if (end - holder > 1 && holder[1]->HasChild()) __builtin_prefetch(holder[1]->Begin());
}

// The spacing strings of a keyword, or nulls when it separates no text.
struct KeywordSpacing {
    const VEK::WString* m_pPrefix = nullptr;
    const VEK::WString* m_pPostfix = nullptr;

    bool IsSpaceTag() const noexcept { return m_pPrefix != nullptr; }
};

inline const KeywordSpacing& SpacingOf(KeywordID id)
{
    // Taken once from the keyword properties; their strings live as long as the library.
    static const std::array<KeywordSpacing, 256> spacing = [] {
        std::array<KeywordSpacing, 256> table{};
        for (std::size_t i = 0; i < table.size(); ++i) {
            const auto keyword = static_cast<KeywordID>(i);
            if (!HtmlKeywordTable::IsSpaceTag(keyword)) continue;
            table[i] = {&HtmlKeywordTable::KeywordPrefixSpaces(keyword), &HtmlKeywordTable::KeywordPostfixSpaces(keyword)};
        }
        return table;
    }();
    return spacing[static_cast<unsigned int>(id) & 0xFFu];
}

} // namespace VEKParser::tree_queries
