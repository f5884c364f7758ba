#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <VEKParser/Export.h>

namespace VEKParser {

// Owner of every tag name and text of one document tree. Strings are copied into large blocks
// and referenced by plain pointers, so a node costs two pointers instead of two allocations;
// names and short texts repeat a lot, so a small cache of recently pooled strings lets equal
// ones share a copy.
class VEKPARSER_API StringPool {
public:
    StringPool(std::uint32_t blockSize, bool deduplicate, std::uint32_t cacheCapacity);
    ~StringPool();
    StringPool(const StringPool&) = delete;
    StringPool& operator=(const StringPool&) = delete;

    // A zero-terminated pooled copy of `length` bytes of `text`; with `useCache` an equal
    // string pooled recently is returned instead of a new copy.
    const char* Store(const char* text, std::uint32_t length, bool useCache);
    const char* Store(const std::string& text, bool useCache);

    // Forgets which strings were pooled; the strings themselves stay valid.
    void ClearCache() noexcept;

    std::size_t BlockCount() const noexcept { return m_Blocks.size(); }
    std::size_t CacheSize() const noexcept { return m_uEntryCount; }

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    // The cache lives in fixed arrays sized by its capacity, so that a parse does no
    // allocation for it: an open-addressing index of entry numbers and the entries, linked in
    // order of use (most recent first).
    struct CacheEntry {
        const char* m_pPooled = nullptr;
        std::uint32_t m_uLength = 0;
        std::uint32_t m_uLastUse = 0;
        std::size_t m_uHash = 0;
        std::uint32_t m_uNewer = kNone;
        std::uint32_t m_uOlder = kNone;
    };

    // An index slot: the entry's number (kNone when free) beside the low half of its hash, which
    // tells most other strings apart without reading their entries.
    struct Slot {
        std::uint32_t m_uEntry = kNone;
        std::uint32_t m_uHash = 0;
    };

    // `slot` is where FindSlot found no entry for the string.
    void Insert(const char* pooled, std::uint32_t length, std::size_t hash, std::size_t slot);
    // Asked once per stored name or short text: inline in Store.
    [[gnu::always_inline]] inline std::size_t FindSlot(std::string_view text, std::size_t hash) const noexcept;
    std::size_t SlotOfEntry(std::uint32_t entry) const noexcept;
    std::size_t FreeSlot(std::size_t hash) const noexcept;
    void RemoveFromIndex(std::size_t slot) noexcept;
    void Unlink(std::uint32_t entry) noexcept;
    void LinkNewest(std::uint32_t entry) noexcept;
    char* Allocate(std::uint32_t need);
    char* Copy(const char* text, std::uint32_t length);
    void Touch(std::uint32_t entry) noexcept;

    std::uint32_t m_uBlockSize;
    std::vector<std::unique_ptr<char[]>> m_Blocks;
    char* m_pCurrent = nullptr;
    std::uint32_t m_uCurrentSize = 0;
    std::uint32_t m_uUsed = 0;

    bool m_bDeduplicate;
    std::uint32_t m_uCacheCapacity;
    std::uint32_t m_uUseCounter = 0;
    std::vector<CacheEntry> m_Entries;
    std::vector<Slot> m_Index;
    std::uint32_t m_uEntryCount = 0;
    std::uint32_t m_uNewest = kNone;
    std::uint32_t m_uOldest = kNone;
};

} // namespace VEKParser
