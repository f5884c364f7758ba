#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <VEKParser/Export.h>
#include <VEKParser/host/CriticalSection.h>
#include <VEKParser/host/HostTypes.h>

namespace VEKParser {

// Process-wide table that escapes 16-bit text into HTML entity references and resolves entity
// and numeric references back. No charset conversion happens here. Every operation appends.
class VEKPARSER_API HtmlEntities {
public:
    static bool IsCreated() noexcept;
    static HtmlEntities* GetInstance();

    // True when at least one reference was replaced.
    bool Unescape(const VEK::WString& in, VEK::WString& out) const;
    // Requires the closing ";"; in the query part references to codes from 255 on stay as written.
    bool UnescapeURI(const VEK::WString& in, VEK::WString& out) const;

    void Escape(const VEK::WString& in, VEK::WString& out, bool escapeDelimiters, bool escapeAbove255) const;
    void Escape(unsigned short c, VEK::WString& out, bool escapeDelimiters, bool escapeAbove255) const;

    HtmlEntities(const HtmlEntities&) = delete;
    HtmlEntities& operator=(const HtmlEntities&) = delete;

private:
    using EntityMap = std::map<VEK::WString, unsigned short, std::less<>>;

    HtmlEntities();
    ~HtmlEntities();

    void AddEntity(const unsigned short* name, unsigned short code, bool preferred);
    bool UnescapeInternal(std::basic_string_view<unsigned short> in, VEK::WString& out, bool requireSemicolon,
                          bool below255) const;
    bool IsAlpha(unsigned short c) const noexcept;
    bool IsDigit(unsigned short c) const noexcept;
    bool IsHexDigit(unsigned short c) const noexcept;
    bool IsTagDelimiter(unsigned short c) const noexcept;

    friend struct HtmlEntitiesLifetime;

    static std::atomic<HtmlEntities*> ms_pInstance;
    static VEKThread::CriticalSection ms_Lock;

    std::vector<std::uint32_t> m_CharClasses;
    EntityMap m_EntityMap;
    std::map<unsigned short, unsigned short> m_Windows1252Map;
    std::vector<const EntityMap::value_type*> m_EscapeTable;
};

} // namespace VEKParser
