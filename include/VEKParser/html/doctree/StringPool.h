#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
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
    std::size_t CacheSize() const noexcept { return m_Cache.size(); }

private:
    struct CacheEntry {
        const char* m_pPooled;
        std::uint32_t m_uLastUse;
        std::list<std::string_view>::iterator m_Recency;
    };

    const char* Find(std::string_view text);
    void Insert(std::string_view pooled);
    char* Allocate(std::uint32_t need);

    std::uint32_t m_uBlockSize;
    std::vector<std::unique_ptr<char[]>> m_Blocks;
    char* m_pCurrent = nullptr;
    std::uint32_t m_uCurrentSize = 0;
    std::uint32_t m_uUsed = 0;

    bool m_bDeduplicate;
    std::uint32_t m_uCacheCapacity;
    std::uint32_t m_uUseCounter = 0;
    // Keys view pooled copies, which never move. The list holds the most recently used first.
    std::unordered_map<std::string_view, CacheEntry> m_Cache;
    std::list<std::string_view> m_Recency;
};

} // namespace VEKParser
