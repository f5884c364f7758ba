#pragma once

// The HTML stream tokenizer for 8- and 16-bit input, and its tag and attribute parsing.
#include <VEKParser/html/stream/HtmlStreamParser.h>
#include <VEKParser/html/stream/HtmlStreamParserBase.h>
