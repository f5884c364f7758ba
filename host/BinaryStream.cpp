#include <VEKParser/host/BinaryStream.h>

#include <algorithm>
#include <cstring>

#include <VEKParser/host/Exception.h>

namespace VEK {

BaseBinaryStreamBuf::~BaseBinaryStreamBuf() = default;

void BaseBinaryStreamBuf::PutBack(const void* data, std::size_t count)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    m_PushBack.insert(m_PushBack.end(), std::make_reverse_iterator(bytes + count), std::make_reverse_iterator(bytes));
}

std::size_t BaseBinaryStreamBuf::TakePushBack(unsigned char* out, std::size_t count) noexcept
{
    const std::size_t n = PeekPushBack(out, count);
    m_PushBack.resize(m_PushBack.size() - n);
    return n;
}

std::size_t BaseBinaryStreamBuf::PeekPushBack(unsigned char* out, std::size_t count) const noexcept
{
    const std::size_t n = std::min(count, m_PushBack.size());
    for (std::size_t i = 0; i < n; ++i) out[i] = m_PushBack[m_PushBack.size() - 1 - i];
    return n;
}

template <class SizeT>
SizeT BinaryStreamBufT<SizeT>::Get(void* buffer, SizeT count)
{
    auto* out = static_cast<unsigned char*>(buffer);
    const auto taken = static_cast<SizeT>(TakePushBack(out, count));
    return taken == count ? taken : static_cast<SizeT>(taken + DoGet(out + taken, count - taken));
}

template <class SizeT>
void BinaryStreamBufT<SizeT>::GetExact(void* buffer, SizeT count)
{
    if (Get(buffer, count) != count) throw BinaryStreamGetEOFException();
}

template <class SizeT>
void BinaryStreamBufT<SizeT>::PutExact(const void* buffer, SizeT count)
{
    if (Put(buffer, count) != count) throw BinaryStreamPutEOFException();
}

template <class SizeT>
SizeT BinaryStreamBufT<SizeT>::Peek(void* buffer, SizeT count)
{
    auto* out = static_cast<unsigned char*>(buffer);
    const auto pushed = static_cast<SizeT>(PeekPushBack(out, count));
    if (pushed == count) return pushed;
    const SizeT position = TellG();
    const SizeT read = DoGet(out + pushed, count - pushed);
    DoSeekG(position);
    return static_cast<SizeT>(pushed + read);
}

template <class SizeT>
void BinaryStreamBufT<SizeT>::SeekG(SizeT position)
{
    if (position == 0) ClearPushBack();
    DoSeekG(position);
}

namespace {

// Reads up to `count` bytes in chunks and hands each chunk to `sink`.
template <class SizeT, class Sink>
SizeT CopyChunks(BinaryStreamBufT<SizeT>& from, SizeT count, Sink&& sink)
{
    unsigned char chunk[4096];
    SizeT copied = 0;
    while (copied < count) {
        const auto want = static_cast<SizeT>(std::min<std::uint64_t>(sizeof chunk, count - copied));
        const SizeT got = from.Get(chunk, want);
        if (got == 0) break;
        sink(chunk, got);
        copied += got;
    }
    return copied;
}

} // namespace

template <class SizeT>
SizeT BinaryStreamBufT<SizeT>::Copy(BinaryStreamBufT& target, SizeT count)
{
    return CopyChunks(*this, count, [&](const unsigned char* bytes, SizeT n) { target.Put(bytes, n); });
}

template <class SizeT>
SizeT BinaryStreamBufT<SizeT>::Copy(std::string& target, SizeT count)
{
    return CopyChunks(*this, count,
                      [&](const unsigned char* bytes, SizeT n) { target.append(reinterpret_cast<const char*>(bytes), n); });
}

template <class SizeT>
SizeT BinaryStreamBufT<SizeT>::Copy(WString& target, SizeT count)
{
    std::string bytes;
    const SizeT copied = Copy(bytes, count);
    const std::size_t units = bytes.size() / 2;
    const std::size_t start = target.size();
    target.resize(start + units);
    std::memcpy(target.data() + start, bytes.data(), units * 2);
    return copied;
}

template class BinaryStreamBufT<unsigned int>;

} // namespace VEK
