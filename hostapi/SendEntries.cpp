// The C interface's sends, and the reason each one gives for its result.
#include "registry/ComponentSends.h"
#include "hostapi/HostContext.h"
#include "hostapi/HostText.h"
#include "base/Text.h"

namespace {

using email32::dispatch::Handover;
using email32::dispatch::MessageFields;

// Why the files cannot be sent at all: a null list, a count below 1, or a
// null file among them; empty when they can.
template <class Char>
std::string FilesProblem(const Char* const* files, int count) {
    if (count < 1) return "count is " + std::to_string(count) + ": there must be at least one file";
    if (files == nullptr) return "the list of files is NULL";
    for (int i = 0; i < count; ++i) {
        if (files[i] == nullptr) return "file " + std::to_string(i) + " is NULL";
    }
    return std::string();
}

std::wstring FieldText(const wchar_t* text) { return text ? text : L""; }
std::wstring FieldText(const char* text) { return text ? email32::base::Widen(text) : std::wstring(); }

template <class Message>
email32::dispatch::MessageFields FieldsOf(const Message* message) {
    if (message == nullptr) return email32::dispatch::MessageFields();
    return email32::dispatch::MessageFields{FieldText(message->to), FieldText(message->cc), FieldText(message->subject),
                                            FieldText(message->body)};
}

int Report(Email32Context* context, int result, std::string reason) {
    context->lastError = std::move(reason);
    return result;
}

int ResultOf(Email32Context* context, const email32::dispatch::Handover& handover) {
    switch (handover.state()) {
    case email32::dispatch::Handover::State::kHandedOver: return Report(context, EMAIL32_OK, std::string());
    case email32::dispatch::Handover::State::kCancelled: return Report(context, EMAIL32_CANCELLED, handover.reason());
    case email32::dispatch::Handover::State::kRefused:
    case email32::dispatch::Handover::State::kFailed: break;
    }
    return Report(context, EMAIL32_NOT_HANDED_OVER, handover.reason());
}

// Checks the arguments, then runs the send with the message's fields; every
// outcome, exceptions of the module included, becomes a result code with its
// reason.
template <class Char, class Message, class Send>
int CheckedSend(Email32Context* context, const Char* const* files, int count, const Message* message,
                Send&& send) noexcept {
    if (context == nullptr) return EMAIL32_BAD_ARGUMENT;
    try {
        const email32::dispatch::MessageFields fields = FieldsOf(message);
        std::string problem = FilesProblem(files, count);
        if (problem.empty()) (void)email32::dispatch::ReadRecipients(fields, problem);
        if (!problem.empty()) return Report(context, EMAIL32_BAD_ARGUMENT, problem);
        return ResultOf(context, send(fields));
    } catch (const EmailDBEmpty&) {
        return Report(context, EMAIL32_NO_SYSTEMS, "no e-mail system is installed");
    } catch (const EmailSysNotAlive& e) {
        return Report(context, EMAIL32_NOT_INSTALLED, e.SystemKey() + " is not installed");
    } catch (...) {
        context->lastError.clear();
        return EMAIL32_ERROR;
    }
}

template <class Message>
int SendAnsi(Email32Context* context, const char* key, const Message* message, const char* const* files, int count) {
    return CheckedSend(context, files, count, message, [&](const email32::dispatch::MessageFields& fields) {
        const std::vector<std::string> list(files, files + count);
        return email32::registry::SendFilesWithFields(context->component, key ? key : "", fields,
                                                      email32::dispatch::FilesFromAnsi(list));
    });
}

// A key the ANSI code page cannot name: no installed key can equal it, but
// an empty list is reported first.
email32::dispatch::Handover UnnameableKey(const EmailComponent& component, const wchar_t* key) {
    (void)email32::hostapi::InstalledSystems(component);
    throw EmailSysNotAlive(email32::base::Utf8(key));
}

template <class Message>
int SendWide(Email32Context* context, const wchar_t* key, const Message* message, const wchar_t* const* files,
             int count) {
    // CheckedSend catches what the send throws.
    return CheckedSend(context, files, count, message, [&](const email32::dispatch::MessageFields& fields) {
        const std::optional<std::string> ansiKey = email32::base::NarrowExact(key ? key : L"");
        if (!ansiKey) return UnnameableKey(context->component, key);
        const std::vector<std::wstring> list(files, files + count);
        return email32::registry::SendMessageWide(context->component, *ansiKey, fields, list);
    });
}

}  // namespace

extern "C" {

EMAIL32_C_API int WINAPI Email32SendA(Email32Context* context, const char* key, const char* const* files, int count) {
    return SendAnsi<Email32MessageA>(context, key, nullptr, files, count);
}

EMAIL32_C_API int WINAPI Email32SendW(Email32Context* context, const wchar_t* key, const wchar_t* const* files,
                                      int count) {
    return SendWide<Email32MessageW>(context, key, nullptr, files, count);
}

EMAIL32_C_API int WINAPI Email32SendMessageA(Email32Context* context, const char* key, const Email32MessageA* message,
                                             const char* const* files, int count) {
    return SendAnsi(context, key, message, files, count);
}

EMAIL32_C_API int WINAPI Email32SendMessageW(Email32Context* context, const wchar_t* key,
                                             const Email32MessageW* message, const wchar_t* const* files, int count) {
    return SendWide(context, key, message, files, count);
}

EMAIL32_C_API int WINAPI Email32LastErrorW(Email32Context* context, wchar_t* buffer, int chars) {
    if (context == nullptr) return EMAIL32_BAD_ARGUMENT;
    return email32::hostapi::Guarded(
        [&] { return email32::hostapi::CopyOut(email32::base::FromUtf8(context->lastError), buffer, chars); });
}

EMAIL32_C_API int WINAPI Email32LastErrorA(Email32Context* context, char* buffer, int chars) {
    if (context == nullptr) return EMAIL32_BAD_ARGUMENT;
    return email32::hostapi::Guarded([&] {
        // English with paths in it: a character the code page lacks becomes
        // its stand-in, as a message for a person may.
        return email32::hostapi::CopyOut(email32::base::Narrow(email32::base::FromUtf8(context->lastError)), buffer,
                                         chars);
    });
}

}  // extern "C"
