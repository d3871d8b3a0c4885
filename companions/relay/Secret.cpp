#include "companions/relay/Secret.h"

#include "base/Text.h"

#include <windows.h>

#include <cstring>

namespace relay {

Secret::Secret(std::size_t size) : m_bytes(std::make_unique<char[]>(size + 1)), m_size(size) {}

Secret Secret::FromUtf16(std::wstring_view text) {
    if (text.empty()) return Secret();
    const std::size_t length = email32::base::Utf8Into(text, nullptr, 0);
    if (length == 0) return Secret();
    Secret secret(length);
    if (email32::base::Utf8Into(text, secret.m_bytes.get(), length) != length) return Secret();
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
