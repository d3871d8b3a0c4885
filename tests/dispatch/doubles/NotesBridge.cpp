// An Nbridge32.dll that records every call with the bytes of the record it
// is given. E32_NOTES_LOAD=0 makes NotesBridge_Load fail; E32_NOTES_READY=0
// makes code 9003 answer 0; E32_NOTES_TOUCH=1 makes code 9004 change the
// fields the caller must leave alone afterwards.
#include "dispatch/CompanionEntries.h"
#include "tests/dispatch/doubles/RecordLog.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace email32::doubles;

namespace {

HMODULE g_module = nullptr;

std::string Hex(const void* bytes, std::size_t size) {
    std::string text;
    char pair[3];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", static_cast<const unsigned char*>(bytes)[i]);
        text += pair;
    }
    return text;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        AppendRecord(instance, "attach\tNbridge32");
    } else if (reason == DLL_PROCESS_DETACH) {
        AppendRecord(instance, "detach\tNbridge32");
    }
    return TRUE;
}

extern "C" __declspec(dllexport) std::int32_t __cdecl NotesBridge_Load() {
    AppendRecord(g_module, "NotesBridge_Load");
    return EnvironmentText("E32_NOTES_LOAD") == "0" ? 0 : 1;
}

extern "C" __declspec(dllexport) std::int32_t
    __cdecl ImageToNotesProc(std::int32_t command, email32::dispatch::NotesSendBlock* block, std::int32_t size) {
    std::string line = "ImageToNotesProc\t" + std::to_string(command) + "\t" + std::to_string(size);
    if (block == nullptr) {
        line += "\t(null)";
    } else {
        line += "\t" + Hex(block, sizeof *block);
        if (command == 9002) line += "\t" + Text(block->fileList);
    }
    AppendRecord(g_module, line);
    if (command == 9004 && block && EnvironmentText("E32_NOTES_TOUCH") == "1") {
        block->leadValue = 0x11111111;
        block->optionValue = 0x22222222;
        block->trailValue = 0x33333333;
    }
    if (command == 9003) return EnvironmentText("E32_NOTES_READY") == "0" ? 0 : 1;
    return 0;
}
