// Smallest use of the library: scan a file for tags through the host scanner.
#include <cstdio>

#include <VEKParser/VEKParser.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    try {
        VEKFile::MappedFileStream stream(argv[1]);
        VEKFile::BinaryStreamParser scanner(stream, false);
        unsigned tags = 0;
        while (scanner.FetchData('<', false, 0, nullptr, nullptr, false, false) &&
               scanner.FetchData('>', true, 0, nullptr, nullptr, false, false))
            ++tags;
        std::printf("%s: %u bytes, %u tags\n", argv[1], stream.Size(), tags);
    } catch (const VEK::BaseException& e) {
        std::fprintf(stderr, "%s\n", VEK::ToUtf8(e.What()).c_str());
        return 1;
    }
    return 0;
}
