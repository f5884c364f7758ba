// An outside program: it sees only the installed headers and the exported symbols.
#include <cstdio>
#include <string>

#include <VEKParser/VEKParser.h>

int main()
{
    const std::string page = "<p>caf\xC3\xA9</p>";
    VEKFile::MemoryBuffer stream(page.data(), static_cast<unsigned int>(page.size()));
    VEKFile::BinaryStreamParser scanner(stream, false);
    if (!scanner.FetchData('>', true, 0, nullptr, nullptr, false, false)) return 1;
    try {
        throw VEKParser::ASNEOCException();
    } catch (const VEK::Exception&) {
    }
    std::printf("consumer ok: %s\n", scanner.GetKeywordBuffer());
    return std::string(scanner.GetKeywordBuffer()) == "<p" ? 0 : 1;
}
