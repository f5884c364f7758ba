#pragma once

#include <array>

#include <VEKParser/Export.h>

namespace VEK {

// Letter table indexed by byte value: true for A-Z and a-z.
struct VEKPARSER_API IsAlphaClass {
    static const std::array<bool, 256> ms_ISALPHA;
};

} // namespace VEK
