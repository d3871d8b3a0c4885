#include "companions/relay/MimeMessage.h"

#include "companions/relay/MimeEncoding.h"
#include "companions/relay/TextCodec.h"

#include <cctype>
#include <cstdio>

namespace relay {
namespace {

std::string Hex(unsigned long long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llx", value);
    return text;
}

std::string BodyText(const std::vector<Attachment>& attachments) {
    std::string text = "Sent with Email32: " + std::to_string(attachments.size()) +
                       (attachments.size() == 1 ? " file" : " files") + " attached.\r\n";
    for (const Attachment& a : attachments) text += "\r\n  " + a.fileName;
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

std::string ComposeMessage(const MessageHeaders& headers, const std::vector<Attachment>& attachments) {
    const std::string body = BodyText(attachments);
    const bool asciiBody = IsAscii(body);
    const std::string boundary = Boundary(body);

    std::string m;
    m += "From: " + AddressHeaderText(headers.from) + "\r\n";
    const std::string to = AddressHeaderText(headers.to);
    m += "To: " + (to.empty() ? std::string("undisclosed-recipients:;") : to) + "\r\n";
    m += "Subject: " + HeaderText(headers.subject) + "\r\n";
    m += "Date: " + headers.date + "\r\n";
    m += "Message-ID: " + headers.messageId + "\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"\r\n";
    m += "X-Mailer: Email32 Relay32\r\n";
    m += "\r\n";
    m += "This is a multi-part message in MIME format.\r\n";

    m += "\r\n--" + boundary + "\r\n";
    if (asciiBody) {
        m += "Content-Type: text/plain; charset=us-ascii\r\nContent-Transfer-Encoding: 7bit\r\n\r\n";
        m += body;
    } else {
        m += "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n";
        m += Base64Lines(body);
    }
    for (const Attachment& a : attachments) {
        m += "\r\n--" + boundary + "\r\n";
        m += "Content-Type: " + ContentTypeForFileName(a.fileName) + ";\r\n " + LegacyNameParameter(a.fileName) + "\r\n";
        m += "Content-Transfer-Encoding: base64\r\n";
        m += "Content-Disposition: attachment;\r\n " + FileNameParameter("filename", a.fileName) + "\r\n";
        m += "\r\n";
        m += Base64Lines(a.bytes);
    }
    m += "\r\n--" + boundary + "--\r\n";
    return m;
}

}  // namespace relay
