// The C interface's sends.
#include "dispatch/SendMailWide.h"
#include "hostapi/HostContext.h"
#include "hostapi/HostText.h"

namespace {

// Null or negative counts, or a null file among them.
template <class Char>
bool FilesValid(const Char* const* files, int count) {
    if (count < 0 || (files == nullptr && count > 0)) return false;
    for (int i = 0; i < count; ++i) {
        if (files[i] == nullptr) return false;
    }
    return true;
}

}  // namespace

extern "C" {

EMAIL32_C_API int WINAPI Email32SendA(Email32Context* context, const char* key, const char* const* files, int count) {
    if (context == nullptr || !FilesValid(files, count)) return EMAIL32_BAD_ARGUMENT;
    return email32::Guarded([&] {
        const std::vector<std::string> list(files, files + count);
        return email32::SendResult(context->component.SendMail(list, key ? key : ""));
    });
}

EMAIL32_C_API int WINAPI Email32SendW(Email32Context* context, const wchar_t* key, const wchar_t* const* files,
                                      int count) {
    if (context == nullptr || !FilesValid(files, count)) return EMAIL32_BAD_ARGUMENT;
    return email32::Guarded([&] {
        std::string ansiKey;
        if (!email32::ToAnsiExact(key, ansiKey)) return email32::UnnameableKey(context->component);
        const std::vector<std::wstring> list(files, files + count);
        return email32::SendResult(email32::SendMailWide(context->component, ansiKey, list));
    });
}

}  // extern "C"
