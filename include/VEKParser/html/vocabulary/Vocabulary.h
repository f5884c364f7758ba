#pragma once

// The HTML vocabulary: tag profiles and properties, node types, entities and character references.

#include <VEKParser/html/vocabulary/HtmlEntities.h>
#include <VEKParser/html/vocabulary/HtmlKeywordTable.h>
#include <VEKParser/html/vocabulary/NamedCharacters.h>
#include <VEKParser/html/vocabulary/NodeTypeTable.h>
