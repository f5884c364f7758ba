// parse_html, Document, Link and tokens: the document tree and the tokenizer.
#include <array>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <pybind11/stl.h>

#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/html/doctree/HtmlDocTree.h>
#include <VEKParser/html/doctree/ReadableText.h>
#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>

#include "Bindings.h"
#include "CommandLine.h"
#include "Conversions.h"
#include "HtmlDocument.h"
#include "Tokens.h"

namespace vekpy {

namespace {

using VEKParser::HtmlDocTree;

// Tables are immutable once built: one per profile serves every document and thread.
const VEKParser::HtmlKeywordTable& TableFor(const std::string& profile)
{
    const auto& names = vekparse::ProfileNames();
    const auto found = names.find(profile);
    if (found == names.end()) throw py::value_error("profile must be default, notag or changedetector");
    static const std::array<VEKParser::HtmlKeywordTable, 3> tables{
        VEKParser::HtmlKeywordTable(VEKParser::DEFAULT_PRT), VEKParser::HtmlKeywordTable(VEKParser::NOTAG_PRT),
        VEKParser::HtmlKeywordTable(VEKParser::CHANGEDETECTOR_PRT)};
    return tables.at(found->second);
}

// While the interpreter shuts down the GIL stays where it is.
bool Finalizing()
{
#if PY_VERSION_HEX >= 0x030D0000
    return Py_IsFinalizing();
#else
    return _Py_IsFinalizing();
#endif
}

// A query's result gathered in one scratch per thread, kept for its capacity: page texts run to
// hundreds of kilobytes, and growing a fresh string to that size for every query cost as much as
// making the str from it. Making Python objects from the result may run a finaliser that asks
// another query on this thread; that one gets a fresh T. A scratch grown past 2 MiB is given
// back after use, so that one huge page does not stay held by its thread.
template <class T>
class Scratch {
public:
    Scratch()
    {
        State& state = Held();
        if (state.m_bBusy) {
            m_pUsed = &m_Own;
            return;
        }
        state.m_bBusy = true;
        state.m_Value.clear();
        m_pUsed = &state.m_Value;
    }
    ~Scratch()
    {
        if (m_pUsed == &m_Own) return;
        State& state = Held();
        state.m_bBusy = false;
        if (state.m_Value.capacity() > kKeep) T().swap(state.m_Value);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    T& operator*() const { return *m_pUsed; }

private:
    // The elements that fill 2 MiB.
    static constexpr std::size_t kKeep = (std::size_t{2} << 20) / sizeof(typename T::value_type);
    struct State {
        T m_Value;
        bool m_bBusy = false;
    };
    static State& Held()
    {
        thread_local State state;
        return state;
    }

    T m_Own;
    T* m_pUsed = nullptr;
};

// Link is a struct sequence (a named tuple made in C): a page has hundreds of links, and one of
// these costs a tuple, where a class instance costs far more, all of it under the GIL.
PyTypeObject* LinkType()
{
    static PyStructSequence_Field fields[] = {{"url", "The link's target as the page writes it."},
                                              {"caption", "The link's text."},
                                              {nullptr, nullptr}};
    static PyStructSequence_Desc description{"vekparser.Link", "A link of a page: its target as written and its caption.",
                                             fields, 2};
    static PyTypeObject* type = PyStructSequence_NewType(&description);
    if (!type) throw py::error_already_set();
    return type;
}

py::object NewLink(const HtmlDocTree::LinkCaption& link)
{
    auto object = py::reinterpret_steal<py::object>(PyStructSequence_New(LinkType()));
    if (!object) throw py::error_already_set();
    PyStructSequence_SetItem(object.ptr(), 0, Str(link.m_sUri).release().ptr());
    PyStructSequence_SetItem(object.ptr(), 1, Str(link.m_sCaption).release().ptr());
    return object;
}

// A parsed page. Queries run without the GIL; the finished tree may be read by several threads.
class Document {
public:
    Document(const Document&) = delete;
    Document(Document&&) = default;
    Document& operator=(const Document&) = delete;
    Document& operator=(Document&&) = default;

    Document(const py::buffer& data, const py::object& charset, const std::string& profile)
    {
        const VEK::CHARSET forced = CharsetArgument(charset);
        const VEKParser::HtmlKeywordTable& table = TableFor(profile);
        const ByteView view(data);
        py::gil_scoped_release unlocked;
        m_pDocument = std::make_unique<vekparse::HtmlDocument>(view.Bytes(), forced, table);
    }

    // Freeing a big tree takes as long as a query: other threads run meanwhile.
    ~Document()
    {
        if (!m_pDocument || Finalizing()) return;
        py::gil_scoped_release unlocked;
        m_pDocument.reset();
    }

    const HtmlDocTree& Tree() const { return m_pDocument->Tree(); }
    VEK::CHARSET Charset() const { return m_pDocument->Charset(); }
    bool Complete() const { return m_pDocument->Complete(); }

    // The result of a tree query made without the GIL, as a str.
    template <class Query>
    py::str Wide(Query query) const
    {
        const Scratch<VEK::WString> text;
        {
            py::gil_scoped_release unlocked;
            query(Tree(), *text);
        }
        return Str(*text);
    }

    py::bytes RawText(std::optional<unsigned> limit) const
    {
        std::string bytes;
        {
            py::gil_scoped_release unlocked;
            VEKFile::MemoryBuffer raw;
            Tree().GetRawText(raw, limit.value_or(0xFFFFFFFFu));
            raw.SeekG(0);
            raw.Copy(bytes);
        }
        return py::bytes(bytes);
    }

    py::str HiddenText(bool captions, bool keywords) const
    {
        const unsigned filter = (captions ? VEKParser::HIDDEN_ATT_CAPTION : 0u) |
                                (keywords ? VEKParser::HIDDEN_ATT_KEYWORDS : 0u);
        return Wide([filter](const HtmlDocTree& tree, VEK::WString& text) { tree.GetHiddenText(text, filter); });
    }

    py::list Links() const
    {
        const Scratch<std::vector<HtmlDocTree::LinkCaption>> links;
        {
            py::gil_scoped_release unlocked;
            Tree().GetLinks(*links);
        }
        const std::vector<HtmlDocTree::LinkCaption>& found = *links;
        py::list list(found.size());
        for (std::size_t i = 0; i < found.size(); ++i) list[i] = NewLink(found[i]);
        return list;
    }

    py::dict Meta() const
    {
        py::dict meta;
        for (auto it = Tree().GetMetaMapBegin(); it != Tree().GetMetaMapEnd(); ++it)
            meta[Str(it->first)] = Str(it->second);
        return meta;
    }

    py::str Summary(VEK::WString HtmlDocTree::DocSummaryInformation::*field) const
    {
        HtmlDocTree::DocSummaryInformation summary;
        Tree().GetSummaryInformation(summary);
        return Str(summary.*field);
    }

    py::str Dump() const
    {
        std::string dump;
        {
            py::gil_scoped_release unlocked;
            std::ostringstream out;
            Tree().DumpTree(out);
            dump = vekparse::DecodeToUtf8(Tree().GetCharset(), out.str());
        }
        return Str(dump);
    }

private:
    std::unique_ptr<vekparse::HtmlDocument> m_pDocument;
};

// A query method that gives one str, for .def.
template <void (HtmlDocTree::*Query)(VEK::WString&) const>
py::str WideQuery(const Document& document)
{
    return document.Wide([](const HtmlDocTree& tree, VEK::WString& text) { (tree.*Query)(text); });
}

py::str ReadableText(const Document& document)
{
    return document.Wide([](const HtmlDocTree& tree, VEK::WString& text) { VEKParser::GetReadableText(tree, text); });
}

py::iterator Tokens(const py::buffer& data, const py::object& charset)
{
    const VEK::CHARSET forced = CharsetArgument(charset);
    std::vector<vekparse::Token> tokens;
    {
        const ByteView view(data);
        py::gil_scoped_release unlocked;
        vekparse::CharsetChoice choice = vekparse::ChooseCharset(forced, view.Bytes());
        tokens = vekparse::Tokenize(view.Bytes(), choice);
    }
    py::list list(tokens.size());
    for (std::size_t i = 0; i < tokens.size(); ++i)
        list[i] = py::make_tuple(vekparse::ElementName(tokens[i].type), tokens[i].start, tokens[i].end,
                                 Str(tokens[i].text));
    return py::iter(list);
}

const char* const DOCUMENT_DOC = R"(A parsed HTML page: a tree of recognised tags, text blocks and kept tag parameters.

Made by parse_html. Malformed markup is repaired, never an error. Queries release the GIL, and
one document may be queried by several threads at once.)";

} // namespace

void BindHtml(py::module_& module)
{
    module.attr("Link") = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(LinkType()));

    using Summary = HtmlDocTree::DocSummaryInformation;
    py::class_<Document>(module, "Document", DOCUMENT_DOC)
        .def("text", &ReadableText,
             "The page's visible text laid out for reading: headings and paragraphs apart, list items and\n"
             "table rows on lines of their own, table cells parted by tabs.")
        .def("flat_text", &WideQuery<&HtmlDocTree::GetText>,
             "The page's visible text as the tree gives it: text blocks joined by single blanks.")
        .def("raw_text", &Document::RawText, py::arg("limit") = py::none(),
             "The text blocks' bytes as the page writes them (character references unresolved), at most\n"
             "`limit` bytes.")
        .def("hidden_text", &Document::HiddenText, py::arg("captions") = true, py::arg("keywords") = true,
             "Text a reader does not see: alt texts, titles and captions, and meta keywords.")
        .def("links", &Document::Links, "The page's links in document order, as a list of Link.")
        .def("dump", &Document::Dump, "The library's diagnostic dump of the node tree.")
        .def_property_readonly("base_uri", &WideQuery<&HtmlDocTree::GetBaseUri>, "The href of <base>, or ''.")
        .def_property_readonly("redirect_uri", &WideQuery<&HtmlDocTree::GetMetaRedirectUri>,
                               "The target of a meta refresh, or ''.")
        .def_property_readonly("meta_charset", &WideQuery<&HtmlDocTree::GetMetaCharset>,
                               "The charset the page declares in a meta tag, or ''.")
        .def_property_readonly("meta", &Document::Meta, "The page's meta values by name (a dict of str).")
        .def_property_readonly("title", [](const Document& d) { return d.Summary(&Summary::m_sTitle); }, "The title.")
        .def_property_readonly("subject", [](const Document& d) { return d.Summary(&Summary::m_sSubject); },
                               "The subject (meta description).")
        .def_property_readonly("author", [](const Document& d) { return d.Summary(&Summary::m_sAuthor); },
                               "The author (meta author).")
        .def_property_readonly("keywords", [](const Document& d) { return d.Summary(&Summary::m_sKeywords); },
                               "The keywords (meta keywords).")
        .def_property_readonly("charset", &Document::Charset,
                               "The code page number the page's bytes were read in (65001 for UTF-8).")
        .def_property_readonly("complete", &Document::Complete,
                               "False when elements nested too deep and the parse stopped there.")
        .def("__repr__", [](const Document& d) {
            return py::str("<vekparser.Document title={!r} charset={}>").format(d.Summary(&Summary::m_sTitle),
                                                                             d.Charset());
        });

    module.def(
        "parse_html",
        [](const py::buffer& data, const py::object& charset, const std::string& profile) {
            return Document(data, charset, profile);
        },
        py::arg("data"), py::arg("charset") = py::none(), py::arg("profile") = "default",
        R"(Parses an HTML page (bytes, bytearray or memoryview) into a Document.

charset: a name ("windows-1251") or code page number (1251); None chooses it as vekparse does:
a byte-order mark, the page's own meta charset, UTF-8 when the bytes are valid UTF-8, else
windows-1252. profile: the tag vocabulary, "default", "notag" or "changedetector".
Releases the GIL while parsing. Never raises for malformed HTML.)");

    module.def("tokens", &Tokens, py::arg("data"), py::arg("charset") = py::none(),
               R"(The tokenizer's elements of a page, an iterator of (kind, start, end, text).

kind is "tag", "comment", "text", "raw-text", "server-block" or "section"; start and end are
byte offsets in data; text is the element as written, as str. charset as for parse_html.)");
}

} // namespace vekpy
