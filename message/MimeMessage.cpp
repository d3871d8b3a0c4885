#include "message/MimeMessage.h"

#include "message/MimeEncoding.h"
#include "base/Win32Handles.h"
#include "base/Text.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

namespace email32::message {
namespace {

std::string Hex(unsigned long long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llx", value);
    return text;
}

// 7bit needs ASCII and lines of at most 998 characters (RFC 5322).
bool FitsSevenBit(const std::string& content) {
    if (!IsAscii(content)) return false;
    size_t start = 0;
    for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2) {
        if (end - start > 998) return false;
    }
    return content.size() - start <= 998;
}

std::string Boundary(const std::string& body) {
    // "=_" cannot occur in base64; the only other text is the body.
    std::string boundary = "=_Email32_" + UniqueToken();
    while (body.find(boundary) != std::string::npos) boundary += "_x";
    return boundary;
}

// Collects the message in large pieces: one WriteFile per megabyte.
class BufferedFile final {
public:
    explicit BufferedFile(HANDLE file) : m_file(file) { m_buffer.reserve(kPiece); }
    bool Write(std::string_view bytes) {
        m_buffer.append(bytes);
        m_total += bytes.size();
        return m_buffer.size() < kPiece || Flush();
    }
    [[nodiscard]] uint64_t total() const noexcept { return m_total; }
    bool Flush() {
        size_t done = 0;
        while (done < m_buffer.size()) {
            DWORD written = 0;
            if (!::WriteFile(m_file, m_buffer.data() + done, static_cast<DWORD>(m_buffer.size() - done), &written,
                             nullptr) ||
                written == 0) {
                return false;
            }
            done += written;
        }
        m_buffer.clear();
        return true;
    }

private:
    static constexpr size_t kPiece = 1 << 20;
    HANDLE m_file;
    std::string m_buffer;
    uint64_t m_total = 0;
};

}  // namespace

std::string MessageDate(const SYSTEMTIME& utc) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02u %s %04u %02u:%02u:%02u +0000", kDays[utc.wDayOfWeek % 7],
                  unsigned(utc.wDay), kMonths[(utc.wMonth + 11) % 12], unsigned(utc.wYear), unsigned(utc.wHour),
                  unsigned(utc.wMinute), unsigned(utc.wSecond));
    return text;
}

std::string MessageDateNow() {
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    return MessageDate(now);
}

std::string TextPartContent(std::string_view utf8) {
    std::string content;
    content.reserve(utf8.size() + 2);
    for (size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\r' || c == '\n') {
            content += "\r\n";
            if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
        } else {
            content += c;
        }
    }
    if (content.size() < 2 || content.compare(content.size() - 2, 2, "\r\n") != 0) content += "\r\n";
    return content;
}

std::string UniqueToken() {
    static LONG counter = 0;
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const unsigned long long time = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return Hex(time) + "." + Hex(::GetCurrentProcessId()) + "." +
           Hex(static_cast<unsigned long>(::InterlockedIncrement(&counter)));
}

std::string NewMessageId(const std::string& sender) {
    std::string domain;
    const size_t at = sender.find_last_of('@');
    if (at != std::string::npos) {
        for (size_t i = at + 1; i < sender.size(); ++i) {
            const auto c = static_cast<unsigned char>(sender[i]);
            if (std::isalnum(c) || c == '.' || c == '-') domain += static_cast<char>(c);
            else break;
        }
    }
    if (domain.empty()) domain = "localhost";
    return "<" + UniqueToken() + "@" + domain + ">";
}

bool WriteMessage(const MessageHeaders& headers, std::string_view text, const std::vector<AttachmentFile>& attachments,
                  const MessageSink& sink, std::string& problem) {
    problem.clear();
    const std::string body = TextPartContent(text);
    const std::string boundary = Boundary(body);

    std::string m;
    if (headers.draft) m += "X-Unsent: 1\r\n";
    if (!headers.from.empty()) m += "From: " + AddressListHeader(headers.from) + "\r\n";
    if (!headers.to.empty() || !headers.draft) m += "To: " + AddressListHeader(headers.to) + "\r\n";
    if (!headers.cc.empty()) m += "Cc: " + AddressListHeader(headers.cc) + "\r\n";
    if (!headers.subject.empty() || !headers.draft) m += "Subject: " + HeaderText(headers.subject, 9) + "\r\n";
    m += "Date: " + headers.date + "\r\n";
    if (!headers.messageId.empty()) m += "Message-ID: " + headers.messageId + "\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"\r\n";
    if (!headers.mailer.empty()) m += "X-Mailer: " + HeaderText(headers.mailer, 10) + "\r\n";
    m += "\r\n";
    m += "This is a multi-part message in MIME format.\r\n";
    m += "\r\n--" + boundary + "\r\n";
    if (FitsSevenBit(body)) {
        m += "Content-Type: text/plain; charset=us-ascii\r\nContent-Transfer-Encoding: 7bit\r\n\r\n" + body;
    } else {
        m += "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Base64Lines(body);
    }
    if (!sink(m)) return false;

    std::string piece(kBase64PieceBytes, '\0');
    for (const AttachmentFile& a : attachments) {
        const std::string head = "\r\n--" + boundary + "\r\n" + "Content-Type: " + ContentTypeForFileName(a.fileName) +
                                 ";\r\n " + LegacyNameParameter(a.fileName) + "\r\n" +
                                 "Content-Transfer-Encoding: base64\r\n" + "Content-Disposition: attachment;\r\n " +
                                 FileNameParameter("filename", a.fileName) + "\r\n\r\n";
        if (!sink(head)) return false;
        const email32::base::AutoCloseHandle file(::CreateFileW(a.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) return problem = "cannot read " + base::Utf8(a.path), false;
        for (;;) {
            // Whole pieces keep every base64 line at 76 characters.
            size_t filled = 0;
            DWORD got = 1;
            while (filled < piece.size() && got > 0) {
                if (!::ReadFile(file.get(), piece.data() + filled, static_cast<DWORD>(piece.size() - filled), &got,
                                nullptr)) {
                    return problem = "cannot read " + base::Utf8(a.path), false;
                }
                filled += got;
            }
            if (filled > 0 && !sink(Base64Lines(std::string_view(piece.data(), filled)))) return false;
            if (filled < piece.size()) break;
        }
    }
    return sink("\r\n--" + boundary + "--\r\n");
}

bool WriteMessageToFile(HANDLE file, const MessageHeaders& headers, std::string_view text,
                        const std::vector<AttachmentFile>& attachments, std::string& problem, uint64_t* bytes) {
    BufferedFile out(file);
    const bool written =
        WriteMessage(
            headers, text, attachments, [&](std::string_view piece) { return out.Write(piece); }, problem) &&
        out.Flush();
    if (bytes != nullptr) *bytes = out.total();
    return written;
}

}  // namespace email32::message
