#include "dispatch/SimpleMapiMessages.h"

#include "base/Text.h"
#include "base/Path.h"

#include <deque>
#include <vector>

namespace email32::dispatch {
namespace {

// The text with every line end made CR LF, as mail programs' note texts have
// them.
std::wstring WithCrlf(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            out += L"\r\n";
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The texts of a message live here as long as the message: the records
// point into them.
template <class Char, class Message, class Recip, class File>
class MessageRecords {
public:
    Char* Keep(std::basic_string<Char> text) {
        m_texts.push_back(std::move(text));
        return m_texts.back().data();
    }
    Char* KeepOrNull(std::basic_string<Char> text) { return text.empty() ? nullptr : Keep(std::move(text)); }

    void AddFile(std::basic_string<Char> path) {
        File file = {};
        file.position = static_cast<ULONG>(-1);
        file.pathName = Keep(std::move(path));
        m_files.push_back(file);
    }
    void AddRecipient(ULONG recipClass, std::basic_string<Char> name, std::basic_string<Char> address) {
        Recip recip = {};
        recip.recipClass = recipClass;
        recip.name = Keep(std::move(name));
        recip.address = Keep(std::move(address));
        m_recips.push_back(recip);
    }
    Message& Finish(Char* subject, Char* noteText) {
        m_message = Message{};
        m_message.subject = subject;
        m_message.noteText = noteText;
        m_message.recipCount = static_cast<ULONG>(m_recips.size());
        m_message.recips = m_recips.empty() ? nullptr : m_recips.data();
        m_message.fileCount = static_cast<ULONG>(m_files.size());
        m_message.files = m_files.empty() ? nullptr : m_files.data();
        return m_message;
    }

private:
    std::deque<std::basic_string<Char>> m_texts;
    std::vector<Recip> m_recips;
    std::vector<File> m_files;
    Message m_message = {};
};

struct Addressee {
    ULONG recipClass;
    std::wstring name;     // the display name, or the address when there is none
    std::wstring address;  // "SMTP:" and the address
};

std::vector<Addressee> Addressees(const Recipients& recipients) {
    std::vector<Addressee> addressees;
    for (const auto& [recipClass, list] : {std::pair{kMapiTo, &recipients.to}, std::pair{kMapiCc, &recipients.cc}}) {
        for (const message::Mailbox& mailbox : *list) {
            const std::wstring address = base::FromUtf8(mailbox.address);
            addressees.push_back(
                {recipClass, mailbox.name.empty() ? address : base::FromUtf8(mailbox.name), L"SMTP:" + address});
        }
    }
    return addressees;
}

}  // namespace

ULONG SendMapiMessageW(MapiSendMailWFn sendMail, ULONG_PTR session, ULONG_PTR window, const SendFiles& files,
                       const MessageFields& fields, const Recipients& recipients) {
    MessageRecords<wchar_t, MapiMessageW, MapiRecipDescW, MapiFileDescW> records;
    for (const SendFile& file : files) records.AddFile(file.path);
    for (const Addressee& a : Addressees(recipients)) records.AddRecipient(a.recipClass, a.name, a.address);
    MapiMessageW& message =
        records.Finish(records.KeepOrNull(fields.subject), records.KeepOrNull(WithCrlf(fields.body)));
    return sendMail(session, window, &message, kMapiLogonUi | kMapiDialog, 0);
}

std::optional<ULONG> SendMapiMessageA(MapiSendMailFn sendMail, ULONG_PTR session, ULONG_PTR window,
                                      const SendFiles& files, const MessageFields& fields, const Recipients& recipients,
                                      std::string& unnameable) {
    MessageRecords<char, MapiMessageA, MapiRecipDescA, MapiFileDescA> records;
    for (const SendFile& file : files) {
        const std::optional<std::string> name = base::AnsiPathOf(file.path, base::AnsiForm::AsGiven, file.ansi);
        if (!name) return unnameable = base::Utf8(file.path), std::nullopt;
        records.AddFile(*name);
    }
    for (const Addressee& a : Addressees(recipients)) {
        const std::optional<std::string> address = base::NarrowExact(a.address);
        if (!address) return unnameable = base::Utf8(a.address), std::nullopt;
        records.AddRecipient(a.recipClass, base::Narrow(a.name), *address);
    }
    MapiMessageA& message = records.Finish(records.KeepOrNull(base::Narrow(fields.subject)),
                                           records.KeepOrNull(base::Narrow(WithCrlf(fields.body))));
    return sendMail(session, window, &message, kMapiLogonUi | kMapiDialog, 0);
}

}  // namespace email32::dispatch
