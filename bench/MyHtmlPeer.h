#pragma once

// MyHTML (Debian's libmodest) as a peer: one single-threaded parser and tree, reused page after
// page as a caller that parses many pages would; the text nodes and a[href] values of its tree.
#include <string>
#include <vector>

#include <myhtml/api.h>

namespace vek_bench {

class MyHtmlPeer {
public:
    MyHtmlPeer() : myhtml_(myhtml_create()), tree_(myhtml_tree_create())
    {
        myhtml_init(myhtml_, MyHTML_OPTIONS_PARSE_MODE_SINGLE, 1, 0);
        myhtml_tree_init(tree_, myhtml_);
    }
    ~MyHtmlPeer()
    {
        myhtml_tree_destroy(tree_);
        myhtml_destroy(myhtml_);
    }
    MyHtmlPeer(const MyHtmlPeer&) = delete;
    MyHtmlPeer& operator=(const MyHtmlPeer&) = delete;

    // Without the tree, MyHTML only tokenizes: the work of a tokenizer's GetNext loop.
    void Parse(const std::string& page, bool buildTree = true)
    {
        myhtml_tree_parse_flags_set(tree_, buildTree ? MyHTML_TREE_PARSE_FLAGS_CLEAN
                                                     : MyHTML_TREE_PARSE_FLAGS_WITHOUT_BUILD_TREE);
        myhtml_parse(tree_, MyENCODING_UTF_8, page.data(), page.size());
    }

    // The text outside script and style, and the link targets, of the last page parsed.
    void Collect(std::string& text, std::vector<std::string>& hrefs) const
    {
        text.clear();
        hrefs.clear();
        Walk(myhtml_tree_get_document(tree_), text, hrefs);
    }

private:
    static void Walk(myhtml_tree_node_t* node, std::string& text, std::vector<std::string>& hrefs)
    {
        for (myhtml_tree_node_t* child = myhtml_node_child(node); child != nullptr; child = myhtml_node_next(child)) {
            const myhtml_tag_id_t tag = myhtml_node_tag_id(child);
            if (tag == MyHTML_TAG__TEXT) {
                std::size_t length = 0;
                const char* data = myhtml_node_text(child, &length);
                if (data != nullptr) text.append(data, length);
                continue;
            }
            if (tag == MyHTML_TAG_SCRIPT || tag == MyHTML_TAG_STYLE) continue;
            if (tag == MyHTML_TAG_A) {
                if (myhtml_tree_attr_t* href = myhtml_attribute_by_key(child, "href", 4)) {
                    std::size_t length = 0;
                    const char* value = myhtml_attribute_value(href, &length);
                    if (value != nullptr) hrefs.emplace_back(value, length);
                }
            }
            Walk(child, text, hrefs);
        }
    }

    myhtml_t* myhtml_;
    myhtml_tree_t* tree_;
};

} // namespace vek_bench
