// The C interface's context and registry queries.
#include "hostapi/HostContext.h"
#include "hostapi/HostText.h"
#include "base/Text.h"

#include <memory>

namespace email32::hostapi {

std::vector<std::string> InstalledSystems(const EmailComponent& component) {
    std::vector<std::string> systems;
    component.GetAllAliveEmailSys(systems);
    return systems;
}

int UnnameableKey(const EmailComponent& component) {
    (void)InstalledSystems(component);
    return EMAIL32_NOT_INSTALLED;
}

}  // namespace email32::hostapi

namespace {

using namespace email32;
using namespace email32::hostapi;

// Key and title of installed system index, as ANSI texts.
int SystemTexts(Email32Context* context, int index, std::string& key, std::string& title) {
    if (context == nullptr || index < 0) return EMAIL32_BAD_ARGUMENT;
    const std::vector<std::string> systems = InstalledSystems(context->component);
    if (static_cast<size_t>(index) >= systems.size()) return EMAIL32_BAD_ARGUMENT;
    key = systems[static_cast<size_t>(index)];
    context->component.GetEmailSysTitle(key, title);
    return EMAIL32_OK;
}

// Copies both texts; a buffer that is too small leaves both empty.
template <class Char>
int CopyPair(const std::basic_string<Char>& key, Char* keyOut, int keyChars, const std::basic_string<Char>& title,
             Char* titleOut, int titleChars) {
    const int keyResult = CopyOut(key, keyOut, keyChars);
    const int titleResult = CopyOut(title, titleOut, titleChars);
    if (keyResult == EMAIL32_OK && titleResult == EMAIL32_OK) return EMAIL32_OK;
    if (keyOut != nullptr && keyChars > 0) keyOut[0] = Char();
    if (titleOut != nullptr && titleChars > 0) titleOut[0] = Char();
    return keyResult == EMAIL32_BAD_ARGUMENT || titleResult == EMAIL32_BAD_ARGUMENT ? EMAIL32_BAD_ARGUMENT
                                                                                    : EMAIL32_BUFFER_TOO_SMALL;
}

}  // namespace

extern "C" {

EMAIL32_C_API Email32Context* WINAPI Email32Open(int detect) {
    try {
        auto context = std::make_unique<Email32Context>(detect != 0);
        if (detect == 0) {
            try {
                context->component.InitEmailSysDB(false);
            } catch (const AliveDBNotExist&) {
                // Not a failure to open: the host detects when it likes.
            }
        }
        return context.release();
    } catch (...) {
        return nullptr;
    }
}

EMAIL32_C_API void WINAPI Email32Close(Email32Context* context) { delete context; }

// The header's version is the module's: the build refuses a header whose
// numbers differ from the project's.
EMAIL32_C_API unsigned long WINAPI Email32Version(void) { return EMAIL32_VERSION; }

EMAIL32_C_API int WINAPI Email32InitSystems(Email32Context* context, int detect) {
    if (context == nullptr) return EMAIL32_BAD_ARGUMENT;
    return Guarded([&] {
        context->component.InitEmailSysDB(detect != 0);
        return EMAIL32_OK;
    });
}

EMAIL32_C_API int WINAPI Email32SystemCount(Email32Context* context) {
    if (context == nullptr) return 0;
    int count = 0;
    (void)Guarded([&] {
        count = static_cast<int>(InstalledSystems(context->component).size());
        return EMAIL32_OK;
    });
    return count;
}

EMAIL32_C_API int WINAPI Email32SystemW(Email32Context* context, int index, wchar_t* key, int keyChars, wchar_t* title,
                                        int titleChars) {
    return Guarded([&] {
        std::string ansiKey, ansiTitle;
        const int result = SystemTexts(context, index, ansiKey, ansiTitle);
        if (result != EMAIL32_OK) return result;
        return CopyPair(base::Widen(ansiKey), key, keyChars, base::Widen(ansiTitle), title, titleChars);
    });
}

EMAIL32_C_API int WINAPI Email32SystemA(Email32Context* context, int index, char* key, int keyChars, char* title,
                                        int titleChars) {
    return Guarded([&] {
        std::string ansiKey, ansiTitle;
        const int result = SystemTexts(context, index, ansiKey, ansiTitle);
        if (result != EMAIL32_OK) return result;
        return CopyPair(ansiKey, key, keyChars, ansiTitle, title, titleChars);
    });
}

EMAIL32_C_API int WINAPI Email32SystemIcon(Email32Context* context, int index, HICON* icon) {
    if (icon == nullptr) return EMAIL32_BAD_ARGUMENT;
    *icon = nullptr;
    return Guarded([&] {
        std::string key, title;
        const int result = SystemTexts(context, index, key, title);
        if (result == EMAIL32_OK) context->component.GetEmailSysIcon(nullptr, key, *icon);
        return result;
    });
}

EMAIL32_C_API int WINAPI Email32DefaultSystemW(Email32Context* context, wchar_t* key, int keyChars) {
    if (context == nullptr) return EMAIL32_BAD_ARGUMENT;
    return Guarded([&] {
        std::string ansiKey;
        context->component.GetDefaultEmailSys(ansiKey);
        return CopyOut(base::Widen(ansiKey), key, keyChars);
    });
}

EMAIL32_C_API int WINAPI Email32DefaultSystemA(Email32Context* context, char* key, int keyChars) {
    if (context == nullptr) return EMAIL32_BAD_ARGUMENT;
    return Guarded([&] {
        std::string ansiKey;
        context->component.GetDefaultEmailSys(ansiKey);
        return CopyOut(ansiKey, key, keyChars);
    });
}

EMAIL32_C_API int WINAPI Email32SetDefaultSystemA(Email32Context* context, const char* key) {
    if (context == nullptr || key == nullptr) return EMAIL32_BAD_ARGUMENT;
    return Guarded([&] {
        context->component.SetDefaultEmailSys(key);
        return EMAIL32_OK;
    });
}

EMAIL32_C_API int WINAPI Email32SetDefaultSystemW(Email32Context* context, const wchar_t* key) {
    if (context == nullptr || key == nullptr) return EMAIL32_BAD_ARGUMENT;
    return Guarded([&] {
        const std::optional<std::string> ansiKey = base::NarrowExact(key);
        if (!ansiKey) return UnnameableKey(context->component);
        context->component.SetDefaultEmailSys(*ansiKey);
        return EMAIL32_OK;
    });
}

}  // extern "C"
