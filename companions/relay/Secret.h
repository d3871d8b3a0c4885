// The password or token of the mail account, held in one buffer of its own
// that is wiped when it goes. It is never copied: a move takes the buffer
// itself and leaves the source empty, and it is handed on by reference.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace relay {

class Secret {
public:
    Secret() = default;
    // The UTF-8 form of a UTF-16 text, converted straight into the secret's
    // own buffer.
    static Secret FromUtf16(std::wstring_view text);
    // The bytes as they are (a credential another tool stored as bytes).
    static Secret FromBytes(std::string_view bytes);

    Secret(Secret&& other) noexcept;
    Secret& operator=(Secret&& other) noexcept;
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    ~Secret();

    [[nodiscard]] bool empty() const noexcept { return m_size == 0; }
    [[nodiscard]] std::size_t size() const noexcept { return m_size; }
    // Zero-terminated, for the SMTP library, which takes a copy of its own.
    [[nodiscard]] const char* c_str() const noexcept { return m_bytes ? m_bytes.get() : ""; }

private:
    explicit Secret(std::size_t size);
    void Wipe() noexcept;

    std::unique_ptr<char[]> m_bytes;
    std::size_t m_size = 0;
};

}  // namespace relay
