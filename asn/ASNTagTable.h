#pragma once

#include <VEKParser/host/HostTypes.h>

namespace VEKParser {

// How the contents of a primitive value are decoded, chosen by its tag number alone.
enum class ASNContent { EndOfContents, Boolean, BitString, OctetString, Null, ObjectIdentifier, Real, Text, Time, Integer };

struct ASNTagRow {
    const char* m_pName;      // the universal type's name, null for numbers without one
    ASNContent m_Content;
    VEK::CHARSET m_Charset;   // source charset of the Text rows
};

// The row for a tag number; numbers from 31 on (and negative ones, from wrapped high tag
// numbers) decode as integers.
const ASNTagRow& FindTagRow(int tagNumber) noexcept;

} // namespace VEKParser
