// Link type 6: the files handed to the Notes bridge companion.
#include "dispatch/AliveDbPath.h"
#include "dispatch/CompanionEntries.h"
#include "dispatch/Links.h"

#include "framework/Win32Handles.h"
#include "registry/HostPaths.h"
#include "registry/IniFile.h"

#include <windows.h>

#include <vector>

namespace email32 {
namespace {

std::string ProcessPathVariable() {
    const DWORD needed = ::GetEnvironmentVariableA("Path", nullptr, 0);
    if (needed == 0) return std::string();
    std::vector<char> value(needed + MAX_PATH, '\0');
    const DWORD length = ::GetEnvironmentVariableA("Path", value.data(), static_cast<DWORD>(value.size()));
    return length < value.size() ? std::string(value.data(), length) : std::string();
}

}  // namespace

bool SendByNotesBridge(const char* systemKey, const char* cataloguePath, const FileList& files) {
    AutoLibrary bridge(::LoadLibraryA((DriveAndFolder(cataloguePath) + "Nbridge32.dll").c_str()));
    if (!bridge) return false;
    const auto load = ProcAddress<NotesBridgeLoadFn>(bridge.get(), "NotesBridge_Load");
    const auto command = ProcAddress<ImageToNotesProcFn>(bridge.get(), "ImageToNotesProc");
    if (load == nullptr || command == nullptr) return false;

    // The bridge loads the Notes client's libraries from the Notes folder.
    // The folder stays on the search path; each send appends it again.
    const std::string notesProgram = ini::ReadString(ModuleAliveDbPath(), systemKey, "Path");
    const std::string searchPath = ProcessPathVariable() + ";" + DriveAndFolder(notesProgram);
    ::SetEnvironmentVariableA("Path", searchPath.c_str());

    if (load() == 0) return false;

    const std::string joined = JoinPaths(files, " ");
    NotesSendBlock block = {};
    block.leadValue = 0;
    block.kindCode = 0;
    block.fileList = nullptr;
    block.optionValue = 1;
    block.fileCount = 0;
    block.trailValue = 0;
    command(kNotesBegin, &block, sizeof block);
    if (command(kNotesReady, &block, sizeof block) != 0) {
        block.kindCode = 999;
        block.fileList = joined.c_str();
        block.fileCount = static_cast<std::int32_t>(files.size());
        command(kNotesSend, &block, sizeof block);
        command(kNotesFinish, nullptr, 0);
    }
    return true;
}

}  // namespace email32
