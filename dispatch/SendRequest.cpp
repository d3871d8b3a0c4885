#include "dispatch/SendRequest.h"

#include "base/IniFile.h"
#include "base/Text.h"

#include <windows.h>

#include <tuple>

namespace email32::dispatch {

SendFiles FilesFromAnsi(const std::vector<std::string>& paths) {
    SendFiles files;
    files.reserve(paths.size());
    for (const std::string& path : paths) files.push_back(SendFile{base::Widen(path), path});
    return files;
}

SendFiles FilesFromWide(const std::vector<std::wstring>& paths) {
    SendFiles files;
    files.reserve(paths.size());
    for (const std::wstring& path : paths) {
        files.push_back(SendFile{path, base::NarrowExact(path)});
    }
    return files;
}

std::optional<Recipients> ReadRecipients(const MessageFields& fields, std::string& problem) {
    Recipients recipients;
    problem.clear();
    for (const auto& [name, text, list] :
         {std::tuple{"to", &fields.to, &recipients.to}, std::tuple{"cc", &fields.cc, &recipients.cc}}) {
        message::ParsedAddresses parsed = message::ParseAddressList(base::Utf8(*text));
        if (!parsed.problem.empty()) {
            problem = std::string(name) + ": " + parsed.problem;
            return std::nullopt;
        }
        *list = std::move(parsed.mailboxes);
    }
    return recipients;
}

SendRequest MakeSendRequest(const base::CatalogueEntry& entry, const std::string& appDataFolder, SendFiles files,
                            MessageFields fields, Recipients recipients) {
    SendRequest request;
    request.entry = entry;
    request.appDataFolder = appDataFolder;
    request.aliveDbPath = appDataFolder + "AliveDB.ini";
    request.programPath = base::ReadString(request.aliveDbPath, entry.SystemKey().c_str(), "Path");
    request.files = std::move(files);
    request.fields = std::move(fields);
    request.recipients = std::move(recipients);
    return request;
}

}  // namespace email32::dispatch
