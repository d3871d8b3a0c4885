#include "companions/relay/Secret.h"

#include <windows.h>

#include <cstring>

namespace relay {

Secret::Secret(std::size_t size) : m_bytes(std::make_unique<char[]>(size + 1)), m_size(size) {}

Secret Secret::FromUtf16(std::wstring_view text) {
    if (text.empty()) return Secret();
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) return Secret();
    Secret secret(static_cast<std::size_t>(length));
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), secret.m_bytes.get(), length, nullptr,
                          nullptr);
    return secret;
}

Secret Secret::FromBytes(std::string_view bytes) {
    if (bytes.empty()) return Secret();
    Secret secret(bytes.size());
    std::memcpy(secret.m_bytes.get(), bytes.data(), bytes.size());
    return secret;
}

Secret::Secret(Secret&& other) noexcept : m_bytes(std::move(other.m_bytes)), m_size(other.m_size) { other.m_size = 0; }

Secret& Secret::operator=(Secret&& other) noexcept {
    if (this != &other) {
        Wipe();
        m_bytes = std::move(other.m_bytes);
        m_size = other.m_size;
        other.m_size = 0;
    }
    return *this;
}

Secret::~Secret() { Wipe(); }

void Secret::Wipe() noexcept {
    if (m_bytes) ::SecureZeroMemory(m_bytes.get(), m_size + 1);
    m_bytes.reset();
    m_size = 0;
}

}  // namespace relay
