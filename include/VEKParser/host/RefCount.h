#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include <VEKParser/host/SmallObjects.h>

namespace VEK {

// Growth of the library's arrays: doubling while small, then by a quarter, never below 16.
inline std::size_t GrowCapacity(std::size_t size) noexcept
{
    const std::size_t next = size < 257 ? size * 2 : static_cast<std::size_t>(static_cast<double>(size) * 1.25);
    return std::max<std::size_t>(next, 16);
}

template <class T>
class RefCount;

template <class T, class... Args>
RefCount<T> MakeRefCount(Args&&... args);

// Non-intrusive shared holder: an object and a 32-bit count starting at 1, in one word.
//
// A tree holds one of these per node, in its parent's child array, so its size is most of what
// a node costs beyond the node itself. An object made by MakeRefCount is carved together with
// its count, which sits right in front of it, and the holder points at the object. An object
// handed over as a pointer gets its count in a separate block beside a pointer to the object;
// the holder then points at that block, marked by its lowest bit (a block is never odd).
template <class T>
class RefCount {
    using Counter = std::atomic<std::int32_t>;

    struct Detached {
        Counter m_Count;
        T* m_pObject;
    };

public:
    RefCount() noexcept = default;
    // Takes `p` over; if no count can be allocated, `p` is deleted and the failure thrown.
    explicit RefCount(T* p) : m_uBits(p ? Detach(p) : 0) {}
    RefCount(const RefCount& other) noexcept : m_uBits(other.m_uBits)
    {
        if (m_uBits) CountOf()->fetch_add(1, std::memory_order_relaxed);
    }
    RefCount(RefCount&& other) noexcept : m_uBits(std::exchange(other.m_uBits, 0)) {}
    ~RefCount() { Reset(); }

    RefCount& operator=(RefCount other) noexcept
    {
        std::swap(m_uBits, other.m_uBits);
        return *this;
    }

    // The last holder destroys without a locked instruction: no other holder is left that could
    // copy it meanwhile, and the acquiring load orders the writes of holders already gone before
    // the destruction. A tree releases most of its nodes that way.
    void Reset() noexcept
    {
        if (m_uBits) {
            Counter* count = CountOf();
            if (count->load(std::memory_order_acquire) == 1 || count->fetch_sub(1, std::memory_order_acq_rel) == 1)
                Destroy();
        }
        m_uBits = 0;
    }

    T* Get() const noexcept
    {
        if (m_uBits & kDetached) return reinterpret_cast<Detached*>(m_uBits - kDetached)->m_pObject;
        return reinterpret_cast<T*>(m_uBits);
    }
    T* operator->() const noexcept { return Get(); }
    T& operator*() const noexcept { return *Get(); }
    explicit operator bool() const noexcept { return m_uBits != 0; }
    std::int32_t Count() const noexcept { return m_uBits ? CountOf()->load(std::memory_order_relaxed) : 0; }

private:
    template <class U, class... Args>
    friend RefCount<U> MakeRefCount(Args&&... args);

    static constexpr std::uintptr_t kDetached = 1;

    // The block of an object made with its count: the count, then the object at its alignment.
    static constexpr std::size_t ObjectOffset() noexcept { return std::max(sizeof(Counter), alignof(T)); }
    static constexpr std::size_t BlockAlignment() noexcept { return std::max(alignof(Counter), alignof(T)); }
    static constexpr std::size_t BlockSize() noexcept { return ObjectOffset() + sizeof(T); }
    // Blocks of the size of tree nodes are carved as small objects; larger ones come from the heap.
    static constexpr bool IsSmallBlock() noexcept { return BlockSize() <= 1024 && BlockAlignment() <= 16; }

    static std::uintptr_t Detach(T* p)
    {
        try {
            void* block = AllocateSmall(sizeof(Detached), alignof(Detached));
            return reinterpret_cast<std::uintptr_t>(::new (block) Detached{{1}, p}) + kDetached;
        } catch (...) {
            delete p;
            throw;
        }
    }

    template <class... Args>
    static RefCount Make(Args&&... args)
    {
        void* memory = IsSmallBlock() ? AllocateSmall(BlockSize(), BlockAlignment())
                                      : ::operator new(BlockSize(), std::align_val_t(BlockAlignment()));
        char* block = static_cast<char*>(memory);
        try {
            ::new (static_cast<void*>(block + ObjectOffset())) T(std::forward<Args>(args)...);
        } catch (...) {
            FreeBlock(block);
            throw;
        }
        ::new (static_cast<void*>(block)) Counter(1);
        RefCount made;
        made.m_uBits = reinterpret_cast<std::uintptr_t>(block + ObjectOffset());
        return made;
    }

    static void FreeBlock(char* block) noexcept
    {
        if constexpr (IsSmallBlock()) FreeSmall(block);
        else ::operator delete(block, std::align_val_t(BlockAlignment()));
    }

    Counter* CountOf() const noexcept
    {
        if (m_uBits & kDetached) return &reinterpret_cast<Detached*>(m_uBits - kDetached)->m_Count;
        return reinterpret_cast<Counter*>(m_uBits - ObjectOffset());
    }

    void Destroy() noexcept
    {
        if (m_uBits & kDetached) {
            auto* detached = reinterpret_cast<Detached*>(m_uBits - kDetached);
            delete detached->m_pObject;
            detached->~Detached();
            FreeSmall(detached);
            return;
        }
        Get()->~T();
        char* block = reinterpret_cast<char*>(m_uBits - ObjectOffset());
        reinterpret_cast<Counter*>(block)->~Counter();
        FreeBlock(block);
    }

    std::uintptr_t m_uBits = 0;
};

// Makes a T from `args` together with its count, in one block.
template <class T, class... Args>
RefCount<T> MakeRefCount(Args&&... args)
{
    return RefCount<T>::Make(std::forward<Args>(args)...);
}

// Growable array of holders (RefCount or SmartPtr) that grows by GrowCapacity; on growth the
// holders are moved, so no count changes. Growth never gives fewer than 16 slots, which is most
// of the memory of a tree whose nodes have a few children each: ShrinkToFit moves a finished
// array into exactly as many slots, a short one carved as a small object.
//
// The array is one pointer, to a block that starts with the 32-bit size and capacity: a tree
// node holds one, and most nodes have no children. An array without slots points at a shared
// empty header instead of null, so that reading it takes no test. A holder is one plain
// pointer, so a grown array moves by realloc, which for a large array remaps its pages instead
// of holding the old and the new array at once.
template <class T, class Holder = RefCount<T>>
class RefCountVector {
    struct alignas(8) Header {
        std::uint32_t m_uSize = 0;
        std::uint32_t m_uCapacity = 0;
    };

public:
    RefCountVector() = default;
    RefCountVector(const RefCountVector&) = delete;
    RefCountVector& operator=(const RefCountVector&) = delete;
    RefCountVector(RefCountVector&& other) noexcept : m_pHeader(std::exchange(other.m_pHeader, Empty())) {}
    ~RefCountVector()
    {
        clear();
        Release(m_pHeader);
    }

    void push_back(Holder holder)
    {
        if (m_pHeader->m_uSize == m_pHeader->m_uCapacity) Grow();
        ::new (static_cast<void*>(end())) Holder(std::move(holder));
        ++m_pHeader->m_uSize;
    }
    void pop_back() noexcept
    {
        --m_pHeader->m_uSize;
        end()->~Holder();
    }
    // Drops every holder from index `count` on, the last first. The size is counted down in a
    // register: reading it back after each store made every step wait for the one before.
    void truncate(std::size_t count) noexcept
    {
        for (std::size_t left = size(); left > count; --left) {
            m_pHeader->m_uSize = static_cast<std::uint32_t>(left - 1);
            begin()[left - 1].~Holder();
        }
    }
    void clear() noexcept { truncate(0); }
    // Room for `slots` holders without growing, fewer than 16 carved as a small object: an array
    // whose final length is known is made in one step.
    void reserve(std::size_t slots)
    {
        if (slots > capacity()) MoveToNew(slots);
    }
    // For an array that will not grow again; one that grows later simply grows from its size.
    void ShrinkToFit()
    {
        if (size() != capacity()) MoveToNew(size());
    }

    // Moves every holder of `from` to the end of this array, which is made exactly as long when
    // it has no room: an array gathered in a scratch is set down once, when its length is known. `from` is left
    // empty and keeps its slots for the next one, unless this array was empty and `from` long, in
    // which case its block is taken over and cut down in place rather than copied.
    void Adopt(RefCountVector& from)
    {
        const std::size_t count = from.size();
        if (count == 0) return;
        if (empty() && count >= kTakeOver) {
            std::swap(m_pHeader, from.m_pHeader);
            if (count != capacity()) Reallocate(count);
            return;
        }
        const std::size_t total = size() + count;
        if (total > capacity()) MoveToNew(total);
        // Holders move as the plain pointers they are, as they do on realloc.
        std::memcpy(static_cast<void*>(end()), static_cast<const void*>(from.begin()), count * sizeof(Holder));
        m_pHeader->m_uSize = static_cast<std::uint32_t>(total);
        from.m_pHeader->m_uSize = 0;
    }

    // Appends holders that take over one count each of `objects`: a run gathered as plain
    // pointers is set down in one step, its length stored once.
    template <class Object>
    void AppendAdopted(Object* const* objects, std::size_t count)
    {
        const std::size_t total = size() + count;
        if (total > capacity()) MoveToNew(total);
        Holder* to = end();
        for (std::size_t i = 0; i < count; ++i) ::new (static_cast<void*>(to + i)) Holder(Holder::Adopt(objects[i]));
        if (count != 0) m_pHeader->m_uSize = static_cast<std::uint32_t>(total);
    }

    // Gives the slots back without releasing the holders, for a caller that has released what
    // each one held: the array is not visited a second time.
    void ForgetHolders() noexcept
    {
        Release(std::exchange(m_pHeader, Empty()));
    }

    std::size_t size() const noexcept { return m_pHeader->m_uSize; }
    std::size_t capacity() const noexcept { return m_pHeader->m_uCapacity; }
    bool empty() const noexcept { return m_pHeader->m_uSize == 0; }
    Holder& operator[](std::size_t i) noexcept { return begin()[i]; }
    const Holder& operator[](std::size_t i) const noexcept { return begin()[i]; }
    Holder& back() noexcept { return end()[-1]; }
    const Holder& back() const noexcept { return end()[-1]; }
    Holder* begin() noexcept { return reinterpret_cast<Holder*>(m_pHeader + 1); }
    Holder* end() noexcept { return begin() + m_pHeader->m_uSize; }
    const Holder* begin() const noexcept { return reinterpret_cast<const Holder*>(m_pHeader + 1); }
    const Holder* end() const noexcept { return begin() + m_pHeader->m_uSize; }

private:
    static constexpr std::size_t SMALL = 16;  // GrowCapacity(0): shorter arrays were shrunk
    // Arrays adopted whole rather than copied: copying would hold both at once.
    static constexpr std::size_t kTakeOver = 1024;

    // Never written: an array grows before it takes its first holder.
    static inline constexpr Header kEmpty{};
    static Header* Empty() noexcept { return const_cast<Header*>(&kEmpty); }

    static std::size_t Bytes(std::size_t slots) noexcept { return sizeof(Header) + slots * sizeof(Holder); }

    void Grow()
    {
        const std::size_t capacity = GrowCapacity(size());
        if (this->capacity() < SMALL) return MoveToNew(capacity);
        Reallocate(capacity);
    }

    // A block from the system's heap resized to `slots` (at least size() and SMALL).
    void Reallocate(std::size_t slots)
    {
        if (slots > UINT32_MAX) throw std::bad_alloc();
        void* fresh = std::realloc(static_cast<void*>(m_pHeader), Bytes(slots));
        if (fresh == nullptr) throw std::bad_alloc();
        m_pHeader = static_cast<Header*>(fresh);
        m_pHeader->m_uCapacity = static_cast<std::uint32_t>(slots);
    }

    // Moves the holders into a fresh array of `slots` (at least size()).
    void MoveToNew(std::size_t slots)
    {
        if (slots > UINT32_MAX) throw std::bad_alloc();
        Header* fresh = Allocate(slots, m_pHeader->m_uSize);
        Holder* to = reinterpret_cast<Holder*>(fresh + 1);
        for (Holder& holder : *this) {
            ::new (static_cast<void*>(to++)) Holder(std::move(holder));
            holder.~Holder();
        }
        Release(std::exchange(m_pHeader, fresh));
    }

    // A block of `slots` that will hold `size` holders (no more than `slots`).
    static Header* Allocate(std::size_t slots, std::uint32_t size)
    {
        static_assert(alignof(Holder) <= alignof(Header));
        if (slots == 0) return Empty();
        void* block = slots < SMALL ? AllocateSmall(Bytes(slots), alignof(Header)) : std::malloc(Bytes(slots));
        if (block == nullptr) throw std::bad_alloc();
        return ::new (block) Header{size, static_cast<std::uint32_t>(slots)};
    }
    static void Release(Header* header) noexcept
    {
        if (header->m_uCapacity == 0) return;
        if (header->m_uCapacity < SMALL) FreeSmall(header);
        else std::free(header);
    }

    Header* m_pHeader = Empty();
};

} // namespace VEK
