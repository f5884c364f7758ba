#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include <VEKParser/host/BinaryStream.h>

// A stream that is not contiguous in memory and delivers at most `chunk` bytes per read, so
// that scanners and converters must refill and carry across every boundary.
class ChunkedStream : public VEK::BinaryStreamBufT<unsigned int> {
public:
    ChunkedStream(std::string data, unsigned int chunk) : m_sData(std::move(data)), m_uChunk(chunk) {}

    unsigned int Size() const override { return static_cast<unsigned int>(m_sData.size()); }
    unsigned int TellG() const override { return m_uGet; }
    unsigned int TellP() const override { return Size(); }
    void SeekP(std::int64_t, VEK::SeekOrigin) override {}
    void ClearEnd() override {}
    void Clear() override { m_sData.clear(); m_uGet = 0; }

protected:
    unsigned int DoGet(void* buffer, unsigned int count) override
    {
        const unsigned int n = std::min({count, m_uChunk, Size() - m_uGet});
        std::memcpy(buffer, m_sData.data() + m_uGet, n);
        m_uGet += n;
        return n;
    }
    unsigned int DoPut(const void*, unsigned int) override { return 0; }
    void DoSeekG(unsigned int position) override { m_uGet = std::min(position, Size()); }

private:
    std::string m_sData;
    unsigned int m_uChunk;
    unsigned int m_uGet = 0;
};
