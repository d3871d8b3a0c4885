// The registry's exceptions, thrown by value. None derives from another, so a
// host catches each by its own type.
#pragma once

#include "public/Email32Api.h"

#include <string>

// The installed list is empty.
class EMAIL32_API EmailDBEmpty {};

// A system key that is not in the installed list.
class EMAIL32_API EmailSysNotAlive {
public:
    explicit EmailSysNotAlive(std::string systemKey) : m_systemKey(std::move(systemKey)) {}
    [[nodiscard]] const std::string& SystemKey() const noexcept { return m_systemKey; }

private:
    std::string m_systemKey;
};

// AliveDB.ini holds no installed list.
class EMAIL32_API AliveDBNotExist {};
