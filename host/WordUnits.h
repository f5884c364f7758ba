#pragma once

// Inside the library only: the quick pass over 16-bit text that both the caption clean-up and
// the readable text make before they look at white space unit by unit.
#include <emmintrin.h>

namespace VEK {

// Eight units at a time past every unit above 0x20 and every blank with such a unit after it;
// stops at the first unit it cannot pass, which may still be a control character to keep. The
// parser leaves most texts as words between single blanks, and those blanks need no change.
inline const unsigned short* SkipWordUnits(const unsigned short* unit, const unsigned short* end) noexcept
{
    const __m128i blank = _mm_set1_epi16(0x20);
    const __m128i zero = _mm_setzero_si128();
    while (end - unit >= 9) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(unit));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(unit + 1));
        const __m128i low = _mm_cmpeq_epi16(_mm_subs_epu16(here, blank), zero);
        const __m128i lowNext = _mm_cmpeq_epi16(_mm_subs_epu16(next, blank), zero);
        const __m128i passable = _mm_andnot_si128(lowNext, _mm_cmpeq_epi16(here, blank));
        const int stop = _mm_movemask_epi8(_mm_andnot_si128(passable, low));
        if (stop != 0) return unit + __builtin_ctz(static_cast<unsigned>(stop)) / 2;
        unit += 8;
    }
    return unit;
}

} // namespace VEK
