// Readable text: one depth-first walk like the flat text, but every separator is only noted and
// written when the next word comes, the strongest of those noted since the last word. So no line
// ends in a blank and no run of empty lines needs a second pass to be removed.
#include <VEKParser/html/doctree/ReadableText.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include <VEKParser/html/doctree/HtmlDocTree.h>

#include "host/WordUnits.h"
#include "html/doctree/TreeQueries.h"
#include "html/vocabulary/AppendExpandedText.h"

namespace VEKParser {

namespace {

// Ordered by strength: two notes in a row give the stronger one.
enum class Separator : unsigned char { None, Blank, Tab, LineBreak, BlankLine };

// The separator a spacing string implies: its line breaks, else its tab, else a blank. Only an
// empty string separates nothing, exactly where the flat text writes no blank either.
Separator SeparatorOf(const VEK::WString& spacing)
{
    const auto lineBreaks = std::count(spacing.begin(), spacing.end(), u'\n');
    if (lineBreaks >= 2) return Separator::BlankLine;
    if (lineBreaks == 1) return Separator::LineBreak;
    if (spacing.find(u'\t') != VEK::WString::npos) return Separator::Tab;
    return spacing.empty() ? Separator::None : Separator::Blank;
}

struct LayoutSpacing {
    Separator before = Separator::None;
    Separator after = Separator::None;
};

const LayoutSpacing& LayoutOf(KeywordID id)
{
    static const std::array<LayoutSpacing, 256> layout = [] {
        std::array<LayoutSpacing, 256> table{};
        for (std::size_t i = 0; i < table.size(); ++i) {
            const tree_queries::KeywordSpacing& spacing = tree_queries::SpacingOf(static_cast<KeywordID>(i));
            if (spacing.IsSpaceTag()) table[i] = {SeparatorOf(*spacing.m_pPrefix), SeparatorOf(*spacing.m_pPostfix)};
        }
        // A cell ends with a line break in the spacing map, yet cells share their row's line:
        // the row's own end breaks it.
        if (table[KW_TD].after != Separator::None) table[KW_TD].after = Separator::Tab;
        return table;
    }();
    return layout[static_cast<unsigned int>(id) & 0xFFu];
}

// The white space the parser collapses: carriage return, line feed, tab and blank.
constexpr bool IsWhite(unsigned short unit) noexcept
{
    return unit <= 0x20 && (unit == 0x20 || unit == 0x0A || unit == 0x09 || unit == 0x0D);
}

class LayoutWriter {
public:
    explicit LayoutWriter(VEK::WString& out) : m_Out(out) {}

    void Note(Separator separator) noexcept { m_Pending = std::max(m_Pending, separator); }

    void Text(const unsigned short* unit, std::size_t size)
    {
        const unsigned short* const end = unit + size;
        while (unit != end) {
            const unsigned short* const start = unit;
            if (IsWhite(*unit)) {
                std::size_t lineBreaks = 0;
                for (; unit != end && IsWhite(*unit); ++unit) lineBreaks += *unit == 0x0A;
                Note(lineBreaks >= 2 ? Separator::BlankLine : lineBreaks == 1 ? Separator::LineBreak : Separator::Blank);
            } else {
                unit = EndOfWords(unit, end);
                Word(start, static_cast<std::size_t>(unit - start));
            }
        }
    }

private:
    // The parser leaves most texts as words between single blanks, and a lone blank between two
    // words is the separator the layout would write there anyway: such a stretch is copied whole.
    static const unsigned short* EndOfWords(const unsigned short* unit, const unsigned short* end) noexcept
    {
        while (unit != end) {
            unit = VEK::SkipWordUnits(unit, end);
            if (unit == end) break;
            if (!IsWhite(*unit)) ++unit;
            else if (*unit == 0x20 && unit + 1 != end && !IsWhite(unit[1])) unit += 2;
            else break;
        }
        return unit;
    }

    void Word(const unsigned short* words, std::size_t size)
    {
        if (!m_Out.empty()) WritePending();
        m_Pending = Separator::None;
        m_Out.append(words, size);
    }

    void WritePending()
    {
        switch (m_Pending) {
        case Separator::None: break;
        case Separator::Blank: m_Out.push_back(u' '); break;
        case Separator::Tab: m_Out.push_back(u'\t'); break;
        case Separator::LineBreak: m_Out.push_back(u'\n'); break;
        case Separator::BlankLine: m_Out.append(2, u'\n'); break;
        }
    }

    VEK::WString& m_Out;
    Separator m_Pending = Separator::None;
};

// The depth is the tree's, which the parser bounds; the flat text recurses the same way. Each
// text is decoded into the scratch's room and laid out from there.
void WalkText(const HtmlDocTree::NodeHolder* begin, const HtmlDocTree::NodeHolder* end, VEK::CHARSET charset,
              LayoutWriter& writer, ExpandedTextAppender& scratch)
{
    for (const HtmlDocTree::NodeHolder* holder = begin; holder != end; ++holder) {
        tree_queries::PrefetchNext(holder, end);
        const HtmlDocTree::HtmlTreeNode& node = **holder;
        const KeywordID id = node.GetKeywordID();
        if (id == KW_TEXT) {
            const std::string_view bytes = node.GetTextBytes();
            scratch.clear();
            scratch.Append(charset, bytes.data(), static_cast<unsigned int>(bytes.size()));
            writer.Text(scratch.data(), scratch.size());
            continue;
        }
        const LayoutSpacing& spacing = LayoutOf(id);
        writer.Note(spacing.before);
        if (node.HasChild()) WalkText(node.Begin(), node.End(), charset, writer, scratch);
        writer.Note(spacing.after);
    }
}

} // namespace

void GetReadableText(const HtmlDocTree& tree, VEK::WString& out)
{
    out.clear();
    LayoutWriter writer(out);
    VEK::WString room;
    ExpandedTextAppender scratch(room);
    WalkText(tree.Begin(), tree.End(), tree.GetCharset(), writer, scratch);
}

} // namespace VEKParser
