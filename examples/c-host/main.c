/*
 * A host written in C alone, using Email32 the way a foreign-function layer
 * does: Email32.dll loaded by LoadLibraryW, every entry found by
 * GetProcAddress under its plain name. No C++ runtime, no import library.
 *
 *   c-host list                  detects the installed e-mail systems and
 *                                prints "KEY<tab>TITLE" each, then
 *                                "default: KEY"
 *   c-host send KEY FILE...      hands the files to the system KEY ("" for
 *                                the default) and prints the result's name
 *   c-host outbox                prints what waits in the outbox of the SMTP
 *                                plug-in beside the host ("FILE<tab>BYTES<tab>
 *                                REASON" each), then "N in the outbox"
 *
 * Output is UTF-8. The exit status is the EMAIL32_ result code (0 for OK),
 * 64 for a wrong command line, 70 when Email32.dll cannot be used (missing,
 * or of another major version or older than the header).
 */
#include <email32/email32.h>
#include <email32/relay32.h>

#include <shellapi.h>
#include <stdio.h>
#include <string.h>

typedef unsigned long(WINAPI* VersionEntry)(void);
typedef Email32Context*(WINAPI* OpenEntry)(int);
typedef void(WINAPI* CloseEntry)(Email32Context*);
typedef int(WINAPI* CountEntry)(Email32Context*);
typedef int(WINAPI* SystemEntry)(Email32Context*, int, wchar_t*, int, wchar_t*, int);
typedef int(WINAPI* DefaultEntry)(Email32Context*, wchar_t*, int);
typedef int(WINAPI* SendEntry)(Email32Context*, const wchar_t*, const wchar_t* const*, int);
typedef int(WINAPI* LastErrorEntry)(Email32Context*, wchar_t*, int);

static struct {
    VersionEntry version;
    OpenEntry open;
    CloseEntry close;
    CountEntry count;
    SystemEntry system;
    DefaultEntry defaultSystem;
    SendEntry send;
    LastErrorEntry lastError;
} email32;

static const char* const resultNames[] = {"EMAIL32_OK",
                                          "EMAIL32_NOT_HANDED_OVER",
                                          "EMAIL32_NO_SYSTEMS",
                                          "EMAIL32_NOT_INSTALLED",
                                          "EMAIL32_NO_STORED_LIST",
                                          "EMAIL32_CANCELLED",
                                          "EMAIL32_BAD_ARGUMENT",
                                          "EMAIL32_BUFFER_TOO_SMALL",
                                          "EMAIL32_ERROR"};

static void PrintUtf8(const wchar_t* text, FILE* stream) {
    char bytes[4 * 1024];
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, NULL, NULL) > 0) fputs(bytes, stream);
}

static int PrintResult(int result) {
    if (result >= 0 && result <= EMAIL32_ERROR) {
        printf("%s\n", resultNames[result]);
    } else {
        printf("unknown result %d\n", result);
    }
    return result;
}

static int LoadEmail32(void) {
    HMODULE module = LoadLibraryW(L"Email32.dll");
    if (module == NULL) return 0;
/* Through a plain function pointer type, as C allows between any two. */
#define ENTRY(type, name) (type)(void (*)(void)) GetProcAddress(module, name)
    email32.version = ENTRY(VersionEntry, "Email32Version");
    email32.open = ENTRY(OpenEntry, "Email32Open");
    email32.close = ENTRY(CloseEntry, "Email32Close");
    email32.count = ENTRY(CountEntry, "Email32SystemCount");
    email32.system = ENTRY(SystemEntry, "Email32SystemW");
    email32.defaultSystem = ENTRY(DefaultEntry, "Email32DefaultSystemW");
    email32.send = ENTRY(SendEntry, "Email32SendW");
    email32.lastError = ENTRY(LastErrorEntry, "Email32LastErrorW");
#undef ENTRY
    /* A module of another major version, or older than this header, may lack
     * or change what the host calls. */
    if (email32.version == NULL || email32.version() >> 16 != EMAIL32_VERSION_MAJOR ||
        email32.version() < EMAIL32_VERSION)
        return 0;
    return email32.open && email32.close && email32.count && email32.system && email32.defaultSystem && email32.send &&
           email32.lastError;
}

static int List(void) {
    wchar_t key[MAX_PATH], title[MAX_PATH];
    int i, count, result = EMAIL32_OK;
    Email32Context* context = email32.open(1);
    if (context == NULL) return PrintResult(EMAIL32_ERROR);
    count = email32.count(context);
    for (i = 0; i < count && result == EMAIL32_OK; ++i) {
        result = email32.system(context, i, key, MAX_PATH, title, MAX_PATH);
        if (result == EMAIL32_OK) {
            PrintUtf8(key, stdout);
            fputs("\t", stdout);
            PrintUtf8(title, stdout);
            fputs("\n", stdout);
        }
    }
    if (result == EMAIL32_OK) result = email32.defaultSystem(context, key, MAX_PATH);
    if (result == EMAIL32_OK) {
        fputs("default: ", stdout);
        PrintUtf8(key, stdout);
        fputs("\n", stdout);
    } else {
        PrintResult(result);
    }
    email32.close(context);
    return result;
}

static int Send(const wchar_t* key, const wchar_t* const* files, int count) {
    int result;
    wchar_t reason[1024];
    Email32Context* context = email32.open(0);
    if (context == NULL) return PrintResult(EMAIL32_ERROR);
    result = email32.send(context, key, files, count);
    /* Why the files did not go, for the person who reads the host's log. */
    if (result != EMAIL32_OK && email32.lastError(context, reason, 1024) == EMAIL32_OK && reason[0] != L'\0') {
        fputs("c-host: ", stderr);
        PrintUtf8(reason, stderr);
        fputs("\n", stderr);
    }
    email32.close(context);
    return PrintResult(result);
}

/* Relay32.dll from the host's own folder, never from the current folder. */
static HMODULE LoadPlugIn(void) {
    wchar_t path[MAX_PATH] = {0};
    wchar_t* slash;
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return NULL;
    slash = wcsrchr(path, L'\\');
    if (slash == NULL || (size_t)(slash + 1 - path) + 12 > MAX_PATH) return NULL;
    wcscpy(slash + 1, L"Relay32.dll");
    return LoadLibraryExW(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

static int __cdecl PrintWaiting(const MailSvrOutboxMessageW* message, void* context) {
    (void)context;
    PrintUtf8(message->file, stdout);
    printf("\t%lu\t", (unsigned long)message->bytes);
    PrintUtf8(message->lastReason[0] != L'\0' ? message->lastReason : L"not tried yet", stdout);
    fputs("\n", stdout);
    return 1;
}

static int Outbox(void) {
    int count = -1;
    HMODULE plugin = LoadPlugIn();
    MailSvr_ListOutbox_Fn list =
        plugin ? (MailSvr_ListOutbox_Fn)(void (*)(void))GetProcAddress(plugin, "MailSvr_ListOutbox") : NULL;
    if (list != NULL) count = list(PrintWaiting, NULL);
    if (plugin != NULL) FreeLibrary(plugin);
    if (count < 0) {
        fputs("c-host: the SMTP plug-in's outbox cannot be read\n", stderr);
        return EMAIL32_ERROR;
    }
    printf("%d in the outbox\n", count);
    return EMAIL32_OK;
}

int main(void) {
    int argc = 0, status = 64;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == NULL) return 70;
    if (!LoadEmail32()) {
        fputs("c-host: Email32.dll cannot be loaded or lacks its C interface\n", stderr);
        status = 70;
    } else if (argc == 2 && wcscmp(argv[1], L"list") == 0) {
        status = List();
    } else if (argc == 2 && wcscmp(argv[1], L"outbox") == 0) {
        status = Outbox();
    } else if (argc >= 3 && wcscmp(argv[1], L"send") == 0) {
        status = Send(argv[2], (const wchar_t* const*)(argv + 3), argc - 3);
    } else {
        fputs("usage: c-host list | c-host send KEY FILE... | c-host outbox\n", stderr);
    }
    LocalFree(argv);
    return status;
}
