#pragma once

// HTML document trees: the tree and its nodes, the parser that builds them, their string pool.

#include <VEKParser/html/doctree/HtmlDocParser.h>
#include <VEKParser/html/doctree/HtmlDocTree.h>
#include <VEKParser/html/doctree/StringPool.h>
