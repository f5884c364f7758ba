#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <VEKParser/Export.h>
#include <VEKParser/host/HostTypes.h>

namespace VEK {

// What every byte stream has whatever its position type: the push-back store, whose bytes the
// next reads deliver before the stream's own data.
class VEKPARSER_API BaseBinaryStreamBuf {
public:
    BaseBinaryStreamBuf() = default;
    BaseBinaryStreamBuf(const BaseBinaryStreamBuf&) = delete;
    BaseBinaryStreamBuf& operator=(const BaseBinaryStreamBuf&) = delete;
    virtual ~BaseBinaryStreamBuf();

    // The bytes are delivered again, in the order given, before anything pushed back earlier.
    void PutBack(const void* data, std::size_t count);
    std::size_t PushBackSize() const noexcept { return m_PushBack.size(); }
    void ClearPushBack() noexcept { m_PushBack.clear(); }

protected:
    // Moves up to `count` pushed-back bytes to `out`; returns how many.
    std::size_t TakePushBack(unsigned char* out, std::size_t count) noexcept;
    std::size_t PeekPushBack(unsigned char* out, std::size_t count) const noexcept;

private:
    std::vector<unsigned char> m_PushBack;  // stored last byte first, so taking is a pop
};

enum class SeekOrigin { Begin, Current, End };

// A byte stream with a get and a put position of type SizeT. Derived classes supply the device
// operations; the push-back store and the exact-transfer and copy operations live here.
template <class SizeT>
class VEKPARSER_API BinaryStreamBufT : public BaseBinaryStreamBuf {
public:
    static constexpr SizeT ALL = static_cast<SizeT>(-1);

    // Returns the bytes delivered; fewer than `count` only at the end.
    SizeT Get(void* buffer, SizeT count);
    // Throws BinaryStreamGetEOFException when fewer than `count` bytes remain.
    void GetExact(void* buffer, SizeT count);
    SizeT Put(const void* buffer, SizeT count) { return DoPut(buffer, count); }
    // Throws BinaryStreamPutEOFException when not all bytes could be written.
    void PutExact(const void* buffer, SizeT count);
    // Copies up to `count` bytes from the get position without moving it.
    SizeT Peek(void* buffer, SizeT count);

    virtual SizeT Size() const = 0;
    virtual SizeT TellG() const = 0;
    virtual SizeT TellP() const = 0;
    bool EndOfFile() const { return PushBackSize() == 0 && TellG() >= Size(); }
    // Absolute seek; seeking to 0 also drops the push-back store.
    void SeekG(SizeT position);
    virtual void SeekP(std::int64_t offset, SeekOrigin origin) = 0;
    // Cuts the content at the put position.
    virtual void ClearEnd() = 0;
    // Empties the stream and its push-back store.
    virtual void Clear() = 0;

    // Each Copy reads up to `count` bytes (ALL: every remaining byte) from the get position and
    // appends them to the target; returns the bytes copied. The 16-bit form takes two bytes
    // per unit in stream order (machine byte order) and drops an odd last byte.
    SizeT Copy(BinaryStreamBufT& target, SizeT count = ALL);
    SizeT Copy(std::string& target, SizeT count = ALL);
    SizeT Copy(WString& target, SizeT count = ALL);

    // The whole content when it lies contiguous in memory (so scanners can read it in place),
    // else null. Valid until the stream is next changed.
    virtual const unsigned char* ContiguousData() const noexcept { return nullptr; }

protected:
    virtual SizeT DoGet(void* buffer, SizeT count) = 0;
    virtual SizeT DoPut(const void* buffer, SizeT count) = 0;
    virtual void DoSeekG(SizeT position) = 0;
};

extern template class BinaryStreamBufT<unsigned int>;
using BinaryStreamBuf = BinaryStreamBufT<unsigned int>;

} // namespace VEK
