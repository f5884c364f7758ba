#pragma once

#include <cstddef>
#include <string>

#include <VEKParser/Export.h>
#include <VEKParser/host/BinaryStream.h>
#include <VEKParser/host/Exception.h>

namespace VEKFile {

// Read-only stream over bytes that someone else owns; Put writes nothing.
class VEKPARSER_API MemoryViewStream : public VEK::BinaryStreamBufT<unsigned int> {
public:
    MemoryViewStream(const void* data, unsigned int size) noexcept;
    ~MemoryViewStream() override;

    unsigned int Size() const override { return m_uSize; }
    unsigned int TellG() const override { return m_uGet; }
    unsigned int TellP() const override { return m_uSize; }
    void SeekP(std::int64_t, VEK::SeekOrigin) override {}
    void ClearEnd() override {}
    void Clear() override;
    const unsigned char* ContiguousData() const noexcept override { return m_pData; }

protected:
    MemoryViewStream() noexcept = default;
    void Attach(const void* data, unsigned int size) noexcept;
    unsigned int DoGet(void* buffer, unsigned int count) override;
    unsigned int DoPut(const void*, unsigned int) override { return 0; }
    void DoSeekG(unsigned int position) override;

private:
    const unsigned char* m_pData = nullptr;
    unsigned int m_uSize = 0;
    unsigned int m_uGet = 0;
};

// A file that cannot be opened, mapped or represented; the text names the path and the reason.
class VEKPARSER_API FileOpenException : public VEK::ExceptionT<FileOpenException, VEK::Exception> {
public:
    using ExceptionT::ExceptionT;
    ~FileOpenException() override;
};

// Read-only stream over a memory-mapped file. Files of 4 GiB or more do not fit the 32-bit
// offsets and are refused.
class VEKPARSER_API MappedFileStream : public MemoryViewStream {
public:
    explicit MappedFileStream(const std::string& path);
    ~MappedFileStream() override;

private:
    void* m_pMapping = nullptr;
    std::size_t m_uMappedSize = 0;
};

} // namespace VEKFile
