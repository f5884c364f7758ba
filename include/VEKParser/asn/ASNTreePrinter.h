#pragma once

#include <ostream>

#include <VEKParser/Export.h>
#include <VEKParser/asn/ASNTree.h>

namespace VEKParser {

// Writes one line per node of `tree`, in stream order, in the spirit of `openssl asn1parse`:
//
//     0:d=0 hl=4 l=1338 cons: SEQUENCE
//     8:d=2 hl=2 l=1 prim: [0] INTEGER  Integer: 2
//    15:d=2 hl=2 l=9 prim: OBJECT IDENTIFIER  ObjectIdentifier: 1.2.840.113549.1.1.11
//
// offset of the value's identifier, depth, header and contents lengths ("inf" for the
// indefinite form), primitive or constructed, the context-specific tag that wrapped it, the
// tag (universal names, else "APPLICATION n", "CONTEXT n", "PRIVATE n", "UNIVERSAL n"), and for
// primitive values the value type and the value: integers in decimal (hexadecimal when longer
// than 64 bits), object identifiers dotted, strings in UTF-8 between quotes, times as written,
// octets and bits in hexadecimal.
VEKPARSER_API void PrintASNTree(const ASNTree& tree, std::ostream& out);

// The name a line gives a primitive node's value type ("Integer", "ObjectIdentifier"); "?" for a
// code that is no ASNValueType.
VEKPARSER_API const char* GetValueTypeName(int valueType) noexcept;

} // namespace VEKParser
