// email32 dialog: the send options dialog over the given files, as a host
// shows it before sending.
#include "tools/email32/Command.h"

#include "public/framework/Collections.h"
#include "public/AttachmentItem.h"
#include "public/EmailComponent.h"

#include <windows.h>

#include <cstdio>

namespace {

std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH] = {};
    const DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : path;
}

// The host owns the array and whatever items are in it when the dialog ends.
struct OwnedItems {
    CPtrArray array;
    ~OwnedItems() {
        for (int i = 0; i < array.GetSize(); ++i) delete static_cast<CAttachmentItem*>(array.GetAt(i));
    }
};

int RunDialog(const email32::host::Arguments& arguments) {
    EmailComponent component(false);
    // The last detection when there is one, so that the dialog comes up at
    // once; a detection otherwise.
    try {
        component.InitEmailSysDB(false);
    } catch (const AliveDBNotExist&) {
        component.InitEmailSysDB(true);
    }

    OwnedItems items;
    for (const std::string& path : arguments) items.array.Add(new CAttachmentItem(CString(FullPath(path))));
    component.PutItemArray(&items.array);
    if (!component.SelectDefaultEmailSys(nullptr)) {
        std::printf("cancelled\n");
        return 1;
    }
    std::string key;
    component.GetDefaultEmailSys(key);
    std::printf("%s\n", key.c_str());
    for (int i = 0; i < items.array.GetSize(); ++i) {
        const auto* item = static_cast<const CAttachmentItem*>(items.array.GetAt(i));
        std::printf("%s\n", item ? static_cast<const char*>(item->m_strPath) : "");
    }
    return 0;
}

}  // namespace

EMAIL32_COMMAND("dialog",
                "dialog FILE...             show the send options dialog; print the default and the files to send",
                RunDialog);
