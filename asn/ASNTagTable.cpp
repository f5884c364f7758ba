#include "asn/ASNTagTable.h"

namespace VEKParser {

constexpr ASNTagRow TAG_TABLE[31] = {
    {"EOC", ASNContent::EndOfContents, 0},
    {"BOOLEAN", ASNContent::Boolean, 0},
    {"INTEGER", ASNContent::Integer, 0},
    {"BIT STRING", ASNContent::BitString, 0},
    {"OCTET STRING", ASNContent::OctetString, 0},
    {"NULL", ASNContent::Null, 0},
    {"OBJECT IDENTIFIER", ASNContent::ObjectIdentifier, 0},
    {"ObjectDescriptor", ASNContent::Text, VEK::CHARSET_WINDOWS_1252},
    {"EXTERNAL", ASNContent::Integer, 0},
    {"REAL", ASNContent::Real, 0},
    {"ENUMERATED", ASNContent::Integer, 0},
    {"EMBEDDED PDV", ASNContent::Integer, 0},
    {"UTF8String", ASNContent::Text, VEK::CHARSET_UTF8},
    {"RELATIVE-OID", ASNContent::Integer, 0},
    {"TIME", ASNContent::Integer, 0},
    {nullptr, ASNContent::Integer, 0},
    {"SEQUENCE", ASNContent::Integer, 0},
    {"SET", ASNContent::Integer, 0},
    {"NumericString", ASNContent::Text, VEK::CHARSET_WINDOWS_1252},
    {"PrintableString", ASNContent::Text, VEK::CHARSET_WINDOWS_1252},
    {"TeletexString", ASNContent::Text, VEK::CHARSET_WINDOWS_1252},
    {"VideotexString", ASNContent::Integer, 0},
    {"IA5String", ASNContent::Text, VEK::CHARSET_WINDOWS_1252},
    {"UTCTime", ASNContent::Time, 0},
    {"GeneralizedTime", ASNContent::Time, 0},
    {"GraphicString", ASNContent::Integer, 0},
    {"VisibleString", ASNContent::Integer, 0},
    {"GeneralString", ASNContent::Text, VEK::CHARSET_WINDOWS_1252},
    {"UniversalString", ASNContent::Text, VEK::CHARSET_UCS4},
    {"CHARACTER STRING", ASNContent::Text, VEK::CHARSET_WINDOWS_1252},
    {"BMPString", ASNContent::Text, VEK::CHARSET_UTF16_SWAPPED},
};

constexpr ASNTagRow HIGH_TAG_ROW = {nullptr, ASNContent::Integer, 0};

} // namespace VEKParser
