#include <VEKParser/html/doctree/StringPool.h>

#include <algorithm>
#include <cstring>

namespace VEKParser {

namespace {

// Index slots per cache entry: a sparse index keeps probe runs short.
constexpr std::size_t kSlotsPerEntry = 2;

std::size_t IndexSize(std::uint32_t capacity)
{
    std::size_t size = 1;
    while (size < kSlotsPerEntry * capacity) size *= 2;
    return size;
}

std::uint64_t Load64(const char* bytes) noexcept
{
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

std::uint64_t Load32(const char* bytes) noexcept
{
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

std::uint64_t Mix(std::uint64_t hash, std::uint64_t word) noexcept
{
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    hash = (hash ^ word) * kMultiplier;
    return hash ^ (hash >> 32);
}

// The pooled strings that are looked up are names and short texts: they are hashed a word at a
// time (the last word overlapping the one before; the length is mixed in), for a fraction of
// the cost of the general string hash. The index takes the low bits, so the high ones are
// folded down at the end.
std::size_t HashText(const char* text, std::uint32_t length) noexcept
{
    std::uint64_t hash = Mix(0, length);
    if (length >= 8) {
        for (std::uint32_t i = 0; i + 8 < length; i += 8) hash = Mix(hash, Load64(text + i));
        hash = Mix(hash, Load64(text + length - 8));
    } else if (length >= 4) {
        hash = Mix(hash, Load32(text) | (Load32(text + length - 4) << 32));
    } else if (length > 0) {
        const auto byte = [text](std::uint32_t i) { return std::uint64_t{static_cast<unsigned char>(text[i])}; };
        hash = Mix(hash, byte(0) | (byte(length / 2) << 8) | (byte(length - 1) << 16));
    }
    return static_cast<std::size_t>(Mix(hash, hash >> 29));
}

// Equality of two byte runs of `length`: names and short texts are compared a word at a time
// (the last word overlapping), longer ones with memcmp.
bool SameBytes(const char* a, const char* b, std::uint32_t length) noexcept
{
    if (length > 32) return std::memcmp(a, b, length) == 0;
    if (length >= 8) {
        for (std::uint32_t i = 0; i + 8 < length; i += 8)
            if (Load64(a + i) != Load64(b + i)) return false;
        return Load64(a + length - 8) == Load64(b + length - 8);
    }
    if (length >= 4) return Load32(a) == Load32(b) && Load32(a + length - 4) == Load32(b + length - 4);
    for (std::uint32_t i = 0; i < length; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

} // namespace

StringPool::StringPool(std::uint32_t blockSize, bool deduplicate, std::uint32_t cacheCapacity)
    : m_uBlockSize(blockSize), m_bDeduplicate(deduplicate && cacheCapacity > 0), m_uCacheCapacity(cacheCapacity)
{
    if (!m_bDeduplicate) return;
    m_Entries.resize(cacheCapacity);
    m_Index.assign(IndexSize(cacheCapacity), Slot{});
}

StringPool::~StringPool() = default;

// The slot holding `text`, or the free slot where it would go.
std::size_t StringPool::FindSlot(std::string_view text, std::size_t hash) const noexcept
{
    const std::size_t mask = m_Index.size() - 1;
    const auto tag = static_cast<std::uint32_t>(hash);
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const Slot& at = m_Index[slot];
        if (at.m_uEntry == kNone) return slot;
        if (at.m_uHash != tag) continue;
        const CacheEntry& e = m_Entries[at.m_uEntry];
        if (e.m_uHash == hash && e.m_uLength == text.size() && SameBytes(e.m_pPooled, text.data(), e.m_uLength))
            return slot;
    }
}

const char* StringPool::Store(const std::string& text, bool useCache)
{
    return Store(text.data(), static_cast<std::uint32_t>(text.size()), useCache);
}

const char* StringPool::Store(const char* text, std::uint32_t length, bool useCache)
{
    if (!m_bDeduplicate || !useCache) return Copy(text, length);
    const std::size_t hash = HashText(text, length);
    const std::size_t slot = FindSlot(std::string_view(text, length), hash);
    const std::uint32_t entry = m_Index[slot].m_uEntry;
    if (entry != kNone) {
        Touch(entry);
        return m_Entries[entry].m_pPooled;
    }
    const char* copy = Copy(text, length);
    Insert(copy, length, hash, slot);
    return copy;
}

char* StringPool::Copy(const char* text, std::uint32_t length)
{
    char* copy = Allocate(length + 1);
    std::memcpy(copy, text, length);
    copy[length] = 0;
    return copy;
}

// A run of equal texts hits the newest entry again, which then stays where it is.
void StringPool::Touch(std::uint32_t entry) noexcept
{
    m_Entries[entry].m_uLastUse = m_uUseCounter++;
    if (entry == m_uNewest) return;
    Unlink(entry);
    LinkNewest(entry);
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

// The slot that holds entry `entry`.
std::size_t StringPool::SlotOfEntry(std::uint32_t entry) const noexcept
{
    const std::size_t mask = m_Index.size() - 1;
    std::size_t slot = m_Entries[entry].m_uHash & mask;
    while (m_Index[slot].m_uEntry != entry) slot = (slot + 1) & mask;
    return slot;
}

// The first free slot of the probe run from `hash`'s home.
std::size_t StringPool::FreeSlot(std::size_t hash) const noexcept
{
    const std::size_t mask = m_Index.size() - 1;
    std::size_t slot = hash & mask;
    while (m_Index[slot].m_uEntry != kNone) slot = (slot + 1) & mask;
    return slot;
}

// A full cache reuses the entry used least recently; taking it out of the index may free a
// slot before `slot` on the new string's probe run, so the run is searched again then. Neither
// search reads a pooled string: the old entry is known by its number and the new string is
// known to be absent, so only the slots are read (the evicted string's bytes are long out of
// the processor's caches).
void StringPool::Insert(const char* pooled, std::uint32_t length, std::size_t hash, std::size_t slot)
{
    std::uint32_t entry = m_uEntryCount;
    if (m_uEntryCount == m_uCacheCapacity) {
        entry = m_uOldest;
        RemoveFromIndex(SlotOfEntry(entry));
        Unlink(entry);
        slot = FreeSlot(hash);
    } else {
        ++m_uEntryCount;
    }
    CacheEntry& e = m_Entries[entry];
    e.m_pPooled = pooled;
    e.m_uLength = length;
    e.m_uHash = hash;
    e.m_uLastUse = m_uUseCounter++;
    m_Index[slot] = Slot{entry, static_cast<std::uint32_t>(hash)};
    LinkNewest(entry);
}

// Linear probing without tombstones: later members of the probe run move back into the gap.
void StringPool::RemoveFromIndex(std::size_t slot) noexcept
{
    const std::size_t mask = m_Index.size() - 1;
    for (std::size_t next = (slot + 1) & mask; m_Index[next].m_uEntry != kNone; next = (next + 1) & mask) {
        const std::size_t home = m_Index[next].m_uHash & mask;
        const bool movable = slot <= next ? (home <= slot || home > next) : (home <= slot && home > next);
        if (!movable) continue;
        m_Index[slot] = m_Index[next];
        slot = next;
    }
    m_Index[slot] = Slot{};
}

void StringPool::Unlink(std::uint32_t entry) noexcept
{
    CacheEntry& e = m_Entries[entry];
    if (e.m_uNewer != kNone) m_Entries[e.m_uNewer].m_uOlder = e.m_uOlder;
    else m_uNewest = e.m_uOlder;
    if (e.m_uOlder != kNone) m_Entries[e.m_uOlder].m_uNewer = e.m_uNewer;
    else m_uOldest = e.m_uNewer;
    e.m_uNewer = e.m_uOlder = kNone;
}

void StringPool::LinkNewest(std::uint32_t entry) noexcept
{
    CacheEntry& e = m_Entries[entry];
    e.m_uNewer = kNone;
    e.m_uOlder = m_uNewest;
    if (m_uNewest != kNone) m_Entries[m_uNewest].m_uNewer = entry;
    m_uNewest = entry;
    if (m_uOldest == kNone) m_uOldest = entry;
}

void StringPool::ClearCache() noexcept
{
    std::fill(m_Index.begin(), m_Index.end(), Slot{});
    m_uEntryCount = 0;
    m_uNewest = m_uOldest = kNone;
}

} // namespace VEKParser
