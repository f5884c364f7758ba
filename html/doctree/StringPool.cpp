#include <VEKParser/html/doctree/StringPool.h>

#include <algorithm>
#include <cstring>

namespace VEKParser {

namespace {

// Buckets of a fresh cache: a little more than a page's distinct tag names.
constexpr std::size_t kInitialBuckets = 100;

} // namespace

StringPool::StringPool(std::uint32_t blockSize, bool deduplicate, std::uint32_t cacheCapacity)
    : m_uBlockSize(blockSize), m_bDeduplicate(deduplicate), m_uCacheCapacity(cacheCapacity),
      m_Cache(kInitialBuckets)
{
}

StringPool::~StringPool() = default;

const char* StringPool::Store(const std::string& text, bool useCache)
{
    return Store(text.data(), static_cast<std::uint32_t>(text.size()), useCache);
}

const char* StringPool::Store(const char* text, std::uint32_t length, bool useCache)
{
    const bool cached = m_bDeduplicate && useCache;
    if (cached) {
        if (const char* pooled = Find(std::string_view(text, length))) return pooled;
    }
    char* copy = Allocate(length + 1);
    std::memcpy(copy, text, length);
    copy[length] = 0;
    if (cached) Insert(std::string_view(copy, length));
    return copy;
}

// Strings that fill a block or more get a block of their own, so that a long text does not
// waste the free tail of the current block; the next short string still goes there.
char* StringPool::Allocate(std::uint32_t need)
{
    if (m_pCurrent != nullptr && need <= m_uCurrentSize - m_uUsed) {
        char* space = m_pCurrent + m_uUsed;
        m_uUsed += need;
        return space;
    }
    const bool currentHasRoom = m_pCurrent != nullptr && m_uUsed != m_uCurrentSize;
    const std::uint32_t size = std::max(need, m_uBlockSize);
    m_Blocks.push_back(std::make_unique_for_overwrite<char[]>(size));
    char* block = m_Blocks.back().get();
    if (need >= m_uBlockSize && currentHasRoom) return block;
    m_pCurrent = block;
    m_uCurrentSize = size;
    m_uUsed = need;
    return block;
}

const char* StringPool::Find(std::string_view text)
{
    const auto it = m_Cache.find(text);
    if (it == m_Cache.end()) return nullptr;
    CacheEntry& entry = it->second;
    entry.m_uLastUse = m_uUseCounter++;
    m_Recency.splice(m_Recency.begin(), m_Recency, entry.m_Recency);
    return entry.m_pPooled;
}

void StringPool::Insert(std::string_view pooled)
{
    m_Recency.push_front(pooled);
    m_Cache.emplace(pooled, CacheEntry{pooled.data(), m_uUseCounter++, m_Recency.begin()});
    if (m_Cache.size() <= m_uCacheCapacity) return;
    m_Cache.erase(m_Recency.back());
    m_Recency.pop_back();
}

void StringPool::ClearCache() noexcept
{
    m_Cache.clear();
    m_Recency.clear();
}

} // namespace VEKParser
