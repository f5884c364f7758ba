#include <VEKParser/host/WideStream.h>

#include <ostream>

namespace std {

locale::id ctype<unsigned short>::id;
locale::id numpunct<unsigned short>::id;

bool ctype<unsigned short>::is(mask m, char_type c) const
{
    static const ctype<char>& ascii = use_facet<ctype<char>>(locale::classic());
    return c < 0x80 && ascii.is(m, static_cast<char>(c));
}

const char* ctype<unsigned short>::widen(const char* begin, const char* end, char_type* to) const
{
    while (begin != end) *to++ = widen(*begin++);
    return end;
}

const ctype<unsigned short>::char_type* ctype<unsigned short>::narrow(const char_type* begin, const char_type* end,
                                                                     char fallback, char* to) const
{
    while (begin != end) *to++ = narrow(*begin++, fallback);
    return end;
}

} // namespace std

namespace VEK {

const std::locale& WideStreamLocale()
{
    static const std::locale locale(
        std::locale(std::locale(std::locale::classic(), new std::ctype<unsigned short>),
                    new std::numpunct<unsigned short>),
        new std::num_put<unsigned short>);
    return locale;
}

} // namespace VEK
