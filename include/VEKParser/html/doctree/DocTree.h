#pragma once

// HTML document trees: the tree and its nodes, the parser that builds them, their string pool,
// the readable layout of their text.

#include <VEKParser/html/doctree/HtmlDocParser.h>
#include <VEKParser/html/doctree/HtmlDocTree.h>
#include <VEKParser/html/doctree/ReadableText.h>
#include <VEKParser/html/doctree/StringPool.h>
