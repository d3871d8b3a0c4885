#include "companions/relay/MimeMessage.h"

#include "companions/relay/MimeEncoding.h"
#include "companions/relay/TextCodec.h"
#include "base/Win32Handles.h"

#include <cctype>
#include <cstdio>

namespace relay {
namespace {

std::string Hex(unsigned long long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llx", value);
    return text;
}

std::string BodyText(const std::vector<AttachmentFile>& attachments) {
    std::string text = "Sent with Email32: " + std::to_string(attachments.size()) +
                       (attachments.size() == 1 ? " file" : " files") + " attached.\r\n";
    for (const AttachmentFile& a : attachments) text += "\r\n  " + a.fileName;
    return text + "\r\n";
}

std::string Boundary(const std::string& body) {
    // "=_" cannot occur in base64; the only other text is the body.
    std::string boundary = "=_Email32_" + UniqueToken();
    while (body.find(boundary) != std::string::npos) boundary += "_x";
    return boundary;
}

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

bool WriteMessage(const MessageHeaders& headers, const std::vector<AttachmentFile>& attachments,
                  const MessageSink& sink, std::string& problem) {
    problem.clear();
    const std::string body = BodyText(attachments);
    const std::string boundary = Boundary(body);

    std::string m;
    m += "From: " + AddressListHeader({headers.from}) + "\r\n";
    m += "To: " + AddressListHeader(headers.to) + "\r\n";
    m += "Subject: " + HeaderText(headers.subject, 9) + "\r\n";
    m += "Date: " + headers.date + "\r\n";
    m += "Message-ID: " + headers.messageId + "\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"\r\n";
    m += "X-Mailer: Email32 Relay32\r\n";
    m += "\r\n";
    m += "This is a multi-part message in MIME format.\r\n";
    m += "\r\n--" + boundary + "\r\n";
    if (IsAscii(body)) {
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
        const email32::AutoCloseHandle file(::CreateFileW(a.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) return problem = "cannot read " + Utf8FromWide(a.path), false;
        for (;;) {
            // Whole pieces keep every base64 line at 76 characters.
            size_t filled = 0;
            DWORD got = 1;
            while (filled < piece.size() && got > 0) {
                if (!::ReadFile(file.get(), piece.data() + filled, static_cast<DWORD>(piece.size() - filled), &got,
                                nullptr)) {
                    return problem = "cannot read " + Utf8FromWide(a.path), false;
                }
                filled += got;
            }
            if (filled > 0 && !sink(Base64Lines(std::string_view(piece.data(), filled)))) return false;
            if (filled < piece.size()) break;
        }
    }
    return sink("\r\n--" + boundary + "--\r\n");
}

}  // namespace relay
