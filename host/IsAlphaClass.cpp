#include <VEKParser/host/IsAlphaClass.h>

namespace VEK {

namespace {

constexpr std::array<bool, 256> MakeAlpha() noexcept
{
    std::array<bool, 256> table{};
    for (int c = 'A'; c <= 'Z'; ++c) table[c] = table[c + 32] = true;
    return table;
}

} // namespace

const std::array<bool, 256> IsAlphaClass::ms_ISALPHA = MakeAlpha();

} // namespace VEK
