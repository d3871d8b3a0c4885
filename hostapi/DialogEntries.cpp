// The C interface's send options dialog and the file lists it hands out.
#include "public/framework/Collections.h"
#include "public/framework/Wnd.h"
#include "hostapi/HostContext.h"
#include "hostapi/HostText.h"
#include "public/AttachmentItem.h"
#include "base/Path.h"
#include "base/Text.h"

#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace {

using namespace email32;
using namespace email32::hostapi;

// The attachment array a host would own: items made here, deleted here,
// whichever the dialog left in it.
struct OwnedItems {
    CPtrArray array;
    explicit OwnedItems(const std::vector<std::string>& paths) {
        for (const std::string& path : paths) {
            auto item = std::make_unique<CAttachmentItem>(CString(path));
            array.Add(item.get());
            item.release();
        }
    }
    OwnedItems(const OwnedItems&) = delete;
    OwnedItems& operator=(const OwnedItems&) = delete;
    ~OwnedItems() {
        for (int i = 0; i < array.GetSize(); ++i) delete static_cast<CAttachmentItem*>(array.GetAt(i));
    }
    [[nodiscard]] std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (int i = 0; i < array.GetSize(); ++i) {
            const auto* item = static_cast<const CAttachmentItem*>(array.GetAt(i));
            if (item) paths.push_back(item->m_strPath.str());
        }
        return paths;
    }
};

// Shows the dialog over the ANSI paths; on OK, paths holds what to send.
int ShowDialog(Email32Context* context, HWND parent, std::vector<std::string>& paths) {
    OwnedItems items(paths);
    CWnd parentWindow(parent);
    context->component.PutItemArray(&items.array);
    bool ok = false;
    try {
        ok = context->component.SelectDefaultEmailSys(parent ? &parentWindow : nullptr);
    } catch (...) {
        context->component.PutItemArray(nullptr);
        throw;
    }
    context->component.PutItemArray(nullptr);
    if (!ok) return EMAIL32_CANCELLED;
    paths = items.Paths();
    return EMAIL32_OK;
}

// One block: the pointers, then the texts; freed by one call whatever the
// count.
template <class Char>
Char** MakeList(const std::vector<std::basic_string<Char>>& texts) {
    if (texts.empty()) return nullptr;
    size_t bytes = texts.size() * sizeof(Char*);
    for (const auto& text : texts) bytes += (text.size() + 1) * sizeof(Char);
    void* block = ::HeapAlloc(::GetProcessHeap(), 0, bytes);
    if (block == nullptr) throw std::bad_alloc();
    auto** list = static_cast<Char**>(block);
    auto* cursor = reinterpret_cast<Char*>(list + texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        list[i] = cursor;
        std::memcpy(cursor, texts[i].c_str(), (texts[i].size() + 1) * sizeof(Char));
        cursor += texts[i].size() + 1;
    }
    return list;
}

template <class Char>
bool ArgumentsValid(Email32Context* context, const Char* const* files, int count, Char*** chosen, int* chosenCount) {
    if (chosen != nullptr) *chosen = nullptr;
    if (chosenCount != nullptr) *chosenCount = 0;
    if (context == nullptr || chosen == nullptr || chosenCount == nullptr) return false;
    if (count < 0 || (files == nullptr && count > 0)) return false;
    for (int i = 0; i < count; ++i) {
        if (files[i] == nullptr) return false;
    }
    return true;
}

// The path the dialog shows and prepares: the ANSI form, else the short
// one. A file that has neither (it does not exist) has no name the dialog
// could use: the code page's look-alike of it could name another file.
std::optional<std::string> DialogPath(const wchar_t* path) { return base::AnsiPathOf(path); }

}  // namespace

extern "C" {

EMAIL32_C_API int WINAPI Email32SendOptionsA(Email32Context* context, HWND parent, const char* const* files, int count,
                                             char*** chosenFiles, int* chosenCount) {
    if (!ArgumentsValid(context, files, count, chosenFiles, chosenCount)) return EMAIL32_BAD_ARGUMENT;
    return Guarded([&] {
        std::vector<std::string> paths(files, files + count);
        const int result = ShowDialog(context, parent, paths);
        if (result != EMAIL32_OK) return result;
        *chosenFiles = MakeList(paths);
        *chosenCount = static_cast<int>(paths.size());
        return EMAIL32_OK;
    });
}

EMAIL32_C_API int WINAPI Email32SendOptionsW(Email32Context* context, HWND parent, const wchar_t* const* files,
                                             int count, wchar_t*** chosenFiles, int* chosenCount) {
    if (!ArgumentsValid(context, files, count, chosenFiles, chosenCount)) return EMAIL32_BAD_ARGUMENT;
    return Guarded([&] {
        std::vector<std::string> given;
        for (int i = 0; i < count; ++i) {
            const std::optional<std::string> path = DialogPath(files[i]);
            if (!path) return EMAIL32_BAD_ARGUMENT;
            given.push_back(*path);
        }
        std::vector<std::string> paths = given;
        const int result = ShowDialog(context, parent, paths);
        if (result != EMAIL32_OK) return result;
        // The dialog keeps one entry per attachment, in order: one it left
        // as it was goes back under the name the host gave.
        std::vector<std::wstring> chosen;
        for (size_t i = 0; i < paths.size(); ++i) {
            const bool unchanged = i < given.size() && paths[i] == given[i];
            chosen.push_back(unchanged ? std::wstring(files[i]) : base::Widen(paths[i]));
        }
        *chosenFiles = MakeList(chosen);
        *chosenCount = static_cast<int>(chosen.size());
        return EMAIL32_OK;
    });
}

EMAIL32_C_API void WINAPI Email32FreeListW(wchar_t** list, int count) {
    (void)count;
    if (list != nullptr) ::HeapFree(::GetProcessHeap(), 0, list);
}

EMAIL32_C_API void WINAPI Email32FreeList(wchar_t** list, int count) { Email32FreeListW(list, count); }

EMAIL32_C_API void WINAPI Email32FreeListA(char** list, int count) {
    (void)count;
    if (list != nullptr) ::HeapFree(::GetProcessHeap(), 0, list);
}

}  // extern "C"
