// Link type 7: the files handed to the mail-server plug-in: their short
// paths, or, with a subject, text or recipients, their full paths and the
// fields through its wide entry where it has one.
#include "dispatch/CompanionEntries.h"
#include "dispatch/Links.h"

#include "base/Win32Handles.h"
#include "base/LoadableLibrary.h"
#include "base/Path.h"
#include "base/Text.h"

#include <windows.h>

#include <optional>
#include <vector>

namespace email32::dispatch {
namespace {

// The plug-in's contract is ANSI: the short path, which the code page can
// name even where the long one holds characters it lacks. A file without a
// short path (it does not exist) goes in as the caller gave it; one the code
// page cannot name then stops the send.
std::string PlugInNames(const SendFiles& files, FileList& names) {
    names.reserve(files.size());
    for (const SendFile& file : files) {
        const std::optional<std::string> name = base::AnsiPathOf(file.path, base::AnsiForm::Short, file.ansi);
        if (!name) return "the ANSI code page cannot name " + base::Utf8(file.path);
        names.push_back(*name);
    }
    return std::string();
}

const wchar_t* FieldOrNull(const std::wstring& field) { return field.empty() ? nullptr : field.c_str(); }

}  // namespace

Handover SendByMailServer(const SendRequest& request) {
    const MessageFields& fields = request.fields;
    FileList shortPaths;
    // Without fields the files go by the old entry, as they always did:
    // checked before the plug-in is loaded.
    std::string problem = fields.empty() ? PlugInNames(request.files, shortPaths) : std::string();
    if (!problem.empty()) return Handover::Refused(problem);
    // From the host's folder only: without it (a path too long to split) the
    // name alone would be looked for elsewhere.
    const std::string hostFolder = base::FolderOf(request.entry.CataloguePath());
    const std::string library = hostFolder + "Relay32.dll";
    base::AutoLibrary relay(hostFolder.empty() ? nullptr : base::LoadLocatedLibrary(library));
    if (!relay) return Handover::Refused(library + " cannot be loaded");
    const auto sendMessage = base::ProcAddress<MailSvrSendMessageWFn>(relay.get(), "MailSvr_SendMessageW");
    std::int32_t result = kMailSvrNothingSent;
    if (!fields.empty() && sendMessage != nullptr) {
        // The wide entry takes the files under their own names.
        std::vector<const wchar_t*> files;
        for (const SendFile& file : request.files) files.push_back(file.path.c_str());
        result = sendMessage(FieldOrNull(fields.to), FieldOrNull(fields.cc), FieldOrNull(fields.subject),
                             FieldOrNull(fields.body), files.data(), static_cast<std::int32_t>(files.size()));
    } else {
        // A plug-in without the wide entry still gets the files.
        if (!fields.empty()) problem = PlugInNames(request.files, shortPaths);
        if (!problem.empty()) return Handover::Refused(problem);
        const auto sendFiles = base::ProcAddress<MailSvrSendFilesFn>(relay.get(), "MailSvr_SendFiles");
        if (sendFiles == nullptr) return Handover::Refused(library + " lacks MailSvr_SendFiles");
        const std::string joined = JoinPaths(shortPaths, "^");
        result = sendFiles(1, joined.c_str());
    }
    if (result == kMailSvrNothingSent) {
        return Handover::Failed(library + " sent nothing; its log Relay32.log in the per-user folder says why");
    }
    return Handover::HandedOver();
}

}  // namespace email32::dispatch
