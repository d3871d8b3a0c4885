// One e-mail system's section of the catalogue (EmailDB.ini): its system key
// and the catalogue's path, read key by key through the profile service, as
// detection and the links read it. Missing keys read as empty text or 0.
#pragma once

#include "base/IniFile.h"

#include <cstddef>
#include <string>
#include <utility>

namespace email32::base {

class CatalogueEntry {
public:
    CatalogueEntry() = default;
    CatalogueEntry(std::string systemKey, std::string cataloguePath)
        : m_systemKey(std::move(systemKey)), m_cataloguePath(std::move(cataloguePath)) {}

    [[nodiscard]] const std::string& SystemKey() const noexcept { return m_systemKey; }
    [[nodiscard]] const std::string& CataloguePath() const noexcept { return m_cataloguePath; }

    // The key's text, cut to what a buffer of bufferSize bytes holds.
    [[nodiscard]] std::string Text(const char* key, std::size_t bufferSize = base::kValueBuffer) const {
        return base::ReadString(m_cataloguePath, m_systemKey.c_str(), key, bufferSize);
    }
    [[nodiscard]] int Int(const char* key) const { return base::ReadInt(m_cataloguePath, m_systemKey.c_str(), key); }
    [[nodiscard]] unsigned int Unsigned(const char* key) const {
        return base::ReadUnsigned(m_cataloguePath, m_systemKey.c_str(), key);
    }
    // A key the caller cannot do without: false when it is missing or empty.
    [[nodiscard]] bool Required(const char* key, std::string& value,
                                std::size_t bufferSize = base::kValueBuffer) const {
        value = Text(key, bufferSize);
        return !value.empty();
    }

private:
    std::string m_systemKey;
    std::string m_cataloguePath;
};

}  // namespace email32::base
