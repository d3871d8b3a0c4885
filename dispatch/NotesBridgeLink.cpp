// Link type 6: the files handed to the Notes bridge companion.
#include "dispatch/CompanionEntries.h"
#include "dispatch/Links.h"

#include "base/Win32Handles.h"
#include "base/Path.h"
#include "base/LoadableLibrary.h"
#include "base/Text.h"

#include <windows.h>

#include <optional>
#include <vector>

namespace email32::dispatch {
namespace {

// Read and written as UTF-16: the ANSI forms would lose every folder on the
// search path that the code page cannot name.
std::wstring ProcessPathVariable() {
    const DWORD needed = ::GetEnvironmentVariableW(L"Path", nullptr, 0);
    if (needed == 0) return std::wstring();
    std::vector<wchar_t> value(needed + MAX_PATH, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(L"Path", value.data(), static_cast<DWORD>(value.size()));
    return length < value.size() ? std::wstring(value.data(), length) : std::wstring();
}

// The bridge takes one ANSI text with the paths separated by blanks. A path
// holding a blank, or a character the code page lacks, goes in by its short
// form, which has neither. Without such a short form the send stops: the
// bridge would take the pieces of a path with a blank for several files.
std::optional<std::string> BridgeName(const SendFile& file) {
    if (file.ansi && file.ansi->find(' ') == std::string::npos) return file.ansi;
    const std::optional<std::wstring> shortPath = base::ShortPath(file.path);
    std::optional<std::string> shortName = shortPath ? base::NarrowExact(*shortPath) : std::nullopt;
    if (shortName && shortName->find(' ') == std::string::npos) return shortName;
    return std::nullopt;
}

}  // namespace

Handover SendByNotesBridge(const SendRequest& request) {
    FileList names;
    for (const SendFile& file : request.files) {
        const std::optional<std::string> name = BridgeName(file);
        if (!name) return Handover::Refused("the ANSI code page cannot name " + base::Utf8(file.path));
        names.push_back(*name);
    }

    // From the host's folder only, as the plug-in of link type 7.
    const std::string hostFolder = base::FolderOf(request.entry.CataloguePath());
    const std::string library = hostFolder + "Nbridge32.dll";
    base::AutoLibrary bridge(hostFolder.empty() ? nullptr : base::LoadLocatedLibrary(library));
    if (!bridge) return Handover::Refused(library + " cannot be loaded");
    const auto load = base::ProcAddress<NotesBridgeLoadFn>(bridge.get(), "NotesBridge_Load");
    const auto command = base::ProcAddress<ImageToNotesProcFn>(bridge.get(), "ImageToNotesProc");
    if (load == nullptr || command == nullptr) {
        return Handover::Refused(library + " lacks NotesBridge_Load or ImageToNotesProc");
    }

    // The bridge loads the Notes client's libraries from the Notes folder.
    // The folder stays on the search path; each send appends it again.
    const std::wstring searchPath = ProcessPathVariable() + L";" + base::Widen(base::FolderOf(request.programPath));
    ::SetEnvironmentVariableW(L"Path", searchPath.c_str());

    if (load() == 0) return Handover::Refused("the Notes client is not ready (NotesBridge_Load answered 0)");

    const std::string joined = JoinPaths(names, " ");
    NotesSendBlock block = {};
    block.leadValue = 0;
    block.kindCode = 0;
    block.fileList = nullptr;
    block.optionValue = 1;
    block.fileCount = 0;
    block.trailValue = 0;
    command(kNotesBegin, &block, sizeof block);
    if (command(kNotesReady, &block, sizeof block) == 0) {
        return Handover::Failed("the Notes bridge took nothing (ImageToNotesProc 9003 answered 0)");
    }
    block.kindCode = 999;
    block.fileList = joined.c_str();
    block.fileCount = static_cast<std::int32_t>(request.files.size());
    command(kNotesSend, &block, sizeof block);
    command(kNotesFinish, nullptr, 0);
    return Handover::HandedOver();
}

}  // namespace email32::dispatch
