#pragma once

// ICU's reading and writing of a charset, the independent expectation of the conversion and
// encoding tests (which link ICU themselves).
#include <string>

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <VEKParser/host/HostTypes.h>

namespace test_support {

inline VEK::WString Icu(const char* converterName, const std::string& bytes)
{
    UErrorCode error = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(converterName, &error);
    std::u16string units(bytes.size() * 2 + 2, u'\0');
    const int32_t n = ucnv_toUChars(converter, units.data(), static_cast<int32_t>(units.size()), bytes.data(),
                                    static_cast<int32_t>(bytes.size()), &error);
    ucnv_close(converter);
    EXPECT_TRUE(U_SUCCESS(error)) << converterName << " " << u_errorName(error);
    return U_SUCCESS(error) ? VEK::WString(units.begin(), units.begin() + n) : VEK::WString();
}

// Unmappable characters are substituted.
inline std::string IcuEncode(const char* converterName, const std::u16string& text)
{
    UErrorCode error = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(converterName, &error);
    std::string bytes(text.size() * 8 + 16, '\0');
    const int32_t n = ucnv_fromUChars(converter, bytes.data(), static_cast<int32_t>(bytes.size()), text.data(),
                                      static_cast<int32_t>(text.size()), &error);
    ucnv_close(converter);
    EXPECT_TRUE(U_SUCCESS(error)) << converterName << " " << u_errorName(error);
    return U_SUCCESS(error) ? bytes.substr(0, static_cast<std::size_t>(n)) : std::string();
}

} // namespace test_support
