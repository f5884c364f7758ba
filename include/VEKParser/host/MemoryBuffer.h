#pragma once

#include <cstdint>

#include <VEKParser/Export.h>
#include <VEKParser/host/BinaryStream.h>

namespace VEKFile {

// Growable in-memory stream. Put writes at the put position, overwriting or extending.
//
// The first few bytes are held in the object itself: many buffers (the integers of a tree, the
// results of integer arithmetic) never hold more, and need no heap block then.
class VEKPARSER_API MemoryBuffer : public VEK::BinaryStreamBufT<unsigned int> {
public:
    explicit MemoryBuffer(unsigned int capacity = 4096);
    MemoryBuffer(const void* data, unsigned int size);
    ~MemoryBuffer() override;

    unsigned int Size() const override { return m_uSize; }
    unsigned int TellG() const override { return m_uGet; }
    unsigned int TellP() const override { return m_uPut; }
    void SeekP(std::int64_t offset, VEK::SeekOrigin origin) override;
    void ClearEnd() override;
    void Clear() override;
    const unsigned char* ContiguousData() const noexcept override { return m_pData; }

    const unsigned char* Data() const noexcept { return m_pData; }
    // Appends `count` bytes for the caller to fill and returns where they start; the put
    // position moves past them.
    unsigned char* Extend(unsigned int count);
    // Takes `other`'s content over, its heap block without a copy, and leaves `other` empty;
    // positions and push-back stores start afresh.
    void TakeOver(MemoryBuffer& other) noexcept;
    // SeekG(0) without the call through the stream's table.
    void Rewind() noexcept
    {
        ClearPushBack();
        m_uGet = 0;
    }

protected:
    unsigned int DoGet(void* buffer, unsigned int count) override;
    unsigned int DoPut(const void* buffer, unsigned int count) override;
    void DoSeekG(unsigned int position) override;

private:
    static constexpr unsigned int INLINE_BYTES = 24;

    // Room for `capacity` bytes, keeping the content.
    void Reserve(std::uint64_t capacity);

    unsigned char* m_pData = m_Inline;
    unsigned int m_uSize = 0;
    unsigned int m_uCapacity = INLINE_BYTES;
    unsigned int m_uGet = 0;
    unsigned int m_uPut = 0;
    unsigned char m_Inline[INLINE_BYTES];
};

} // namespace VEKFile
