#pragma once

#include <cstdint>
#include <vector>

#include <VEKParser/Export.h>
#include <VEKParser/host/BinaryStream.h>

namespace VEKFile {

// Growable in-memory stream. Put writes at the put position, overwriting or extending.
class VEKPARSER_API MemoryBuffer : public VEK::BinaryStreamBufT<unsigned int> {
public:
    explicit MemoryBuffer(unsigned int capacity = 4096);
    MemoryBuffer(const void* data, unsigned int size);
    ~MemoryBuffer() override;

    unsigned int Size() const override { return static_cast<unsigned int>(m_Data.size()); }
    unsigned int TellG() const override { return m_uGet; }
    unsigned int TellP() const override { return m_uPut; }
    void SeekP(std::int64_t offset, VEK::SeekOrigin origin) override;
    void ClearEnd() override;
    void Clear() override;
    const unsigned char* ContiguousData() const noexcept override { return m_Data.data(); }

    const unsigned char* Data() const noexcept { return m_Data.data(); }

protected:
    unsigned int DoGet(void* buffer, unsigned int count) override;
    unsigned int DoPut(const void* buffer, unsigned int count) override;
    void DoSeekG(unsigned int position) override;

private:
    std::vector<unsigned char> m_Data;
    unsigned int m_uGet = 0;
    unsigned int m_uPut = 0;
};

} // namespace VEKFile
