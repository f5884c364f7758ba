#pragma once

#include <iterator>

#include <VEKParser/host/HostTypes.h>

namespace VEKParser {

// How the contents of a primitive value are decoded, chosen by its tag number alone.
enum class ASNContent { EndOfContents, Boolean, BitString, OctetString, Null, ObjectIdentifier, Real, Text, Time, Integer };

struct ASNTagRow {
    const char* m_pName;      // the universal type's name, null for numbers without one
    ASNContent m_Content;
    VEK::CHARSET m_Charset;   // source charset of the Text rows
};

// The rows of the universal tag numbers 0 to 30, and the row of every other number.
extern const ASNTagRow TAG_TABLE[31];
extern const ASNTagRow HIGH_TAG_ROW;

// The row for a tag number; numbers from 31 on (and negative ones, from wrapped high tag
// numbers) decode as integers. Inline: the decoder looks one up per value.
inline const ASNTagRow& FindTagRow(int tagNumber) noexcept
{
    const auto index = static_cast<unsigned int>(tagNumber);
    return index < std::size(TAG_TABLE) ? TAG_TABLE[index] : HIGH_TAG_ROW;
}

} // namespace VEKParser
