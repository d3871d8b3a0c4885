/*
 * Email32's C interface: for hosts written in C, in C++ with any compiler,
 * or in any language with a foreign-function layer (Delphi, .NET, Python
 * ctypes, ...). Plain C89; no C++ type and no exception crosses it.
 *
 * Every function is __stdcall (WINAPI) and exported from Email32.dll under
 * its undecorated name, so GetProcAddress(module, "Email32Open") finds it.
 * Functions that take or give texts come in two forms: W (UTF-16) and A (the
 * ANSI code page). Results are the EMAIL32_ codes below unless a function
 * says otherwise.
 *
 * A typical host:
 *
 *     Email32Context* mail = Email32Open(1);        detects the mail programs
 *     int i, n = Email32SystemCount(mail);
 *     for (i = 0; i < n; ++i) Email32SystemW(mail, i, key, 260, title, 260);
 *     result = Email32SendW(mail, L"", files, 2);   "" is the default system
 *     Email32Close(mail);
 *
 * Keys and titles are at most 259 characters, so buffers of 260 always do.
 * A context is used by one thread at a time; sends must not run concurrently.
 *
 * Include it as <email32/email32.h> (or, as before, "public/email32.h").
 * The C interface follows semantic versioning: a host built against version
 * M.m runs with any Email32.dll M.n where n >= m.
 */
#ifndef EMAIL32_H
#define EMAIL32_H

#include <windows.h>

#if defined(EMAIL32_BUILDING)
#define EMAIL32_C_API __declspec(dllexport)
#elif defined(EMAIL32_NO_DLLIMPORT)
#define EMAIL32_C_API
#else
#define EMAIL32_C_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The version of this header, the same as the module's (CMake checks it). */
#define EMAIL32_VERSION_MAJOR 1
#define EMAIL32_VERSION_MINOR 0
#define EMAIL32_VERSION_PATCH 0
/* A version as Email32Version returns it: major << 16 | minor << 8 | patch. */
#define EMAIL32_MAKE_VERSION(major, minor, patch) (((unsigned long)(major) << 16) | ((minor) << 8) | (patch))
#define EMAIL32_VERSION EMAIL32_MAKE_VERSION(EMAIL32_VERSION_MAJOR, EMAIL32_VERSION_MINOR, EMAIL32_VERSION_PATCH)

/* Results. */
#define EMAIL32_OK 0               /* done; for a send: handed over to the mail program */
#define EMAIL32_NOT_HANDED_OVER 1  /* the mail program or its library could not be reached, or refused */
#define EMAIL32_NO_SYSTEMS 2       /* no e-mail system is installed (or none was loaded) */
#define EMAIL32_NOT_INSTALLED 3    /* the key names no installed system */
#define EMAIL32_NO_STORED_LIST 4   /* AliveDB.ini holds no installed list yet: detect */
#define EMAIL32_CANCELLED 5        /* the user closed the dialog, or the mail library's window, with Cancel */
#define EMAIL32_BAD_ARGUMENT 6     /* a null pointer, a count below 1, an index out of range, no address list */
#define EMAIL32_BUFFER_TOO_SMALL 7 /* the text does not fit; the buffer holds an empty text */
#define EMAIL32_ERROR 8            /* anything else (out of memory, a file that could not be written) */

typedef struct Email32Context Email32Context;

/* The loaded module's version, as EMAIL32_MAKE_VERSION makes it: a host
 * checks (Email32Version() >> 16) == EMAIL32_VERSION_MAJOR and
 * Email32Version() >= EMAIL32_VERSION before it relies on an entry. */
EMAIL32_C_API unsigned long WINAPI Email32Version(void);

/* Opens the registry of e-mail systems. detect nonzero: finds out which
 * systems of the catalogue (EmailDB.ini beside the host executable) are
 * installed and stores the result in AliveDB.ini. detect zero: loads the
 * last stored result; without one the context holds no systems (see
 * Email32InitSystems). NULL only when the context cannot be made. */
EMAIL32_C_API Email32Context* WINAPI Email32Open(int detect);
EMAIL32_C_API void WINAPI Email32Close(Email32Context* context);

/* Detects again (detect nonzero) or loads the stored list (zero):
 * EMAIL32_OK, EMAIL32_NO_STORED_LIST. */
EMAIL32_C_API int WINAPI Email32InitSystems(Email32Context* context, int detect);

/* The number of installed systems; 0 for none or a null context. */
EMAIL32_C_API int WINAPI Email32SystemCount(Email32Context* context);

/* Key and title of installed system index (0 to count - 1, catalogue order).
 * Either buffer may be NULL with 0 characters when it is not wanted. */
EMAIL32_C_API int WINAPI Email32SystemW(Email32Context* context, int index, wchar_t* key, int keyChars, wchar_t* title,
                                        int titleChars);
EMAIL32_C_API int WINAPI Email32SystemA(Email32Context* context, int index, char* key, int keyChars, char* title,
                                        int titleChars);

/* The program icon of installed system index, or NULL in *icon when it has
 * none. The caller destroys it with DestroyIcon. */
EMAIL32_C_API int WINAPI Email32SystemIcon(Email32Context* context, int index, HICON* icon);

/* The user's default system; an empty text when there is none. */
EMAIL32_C_API int WINAPI Email32DefaultSystemW(Email32Context* context, wchar_t* key, int keyChars);
EMAIL32_C_API int WINAPI Email32DefaultSystemA(Email32Context* context, char* key, int keyChars);

/* Makes an installed system the default and stores it in AliveDB.ini. */
EMAIL32_C_API int WINAPI Email32SetDefaultSystemW(Email32Context* context, const wchar_t* key);
EMAIL32_C_API int WINAPI Email32SetDefaultSystemA(Email32Context* context, const char* key);

/* Hands count files (full paths, count at least 1) to the system key; ""
 * or NULL means the default system. EMAIL32_OK once the mail program or its
 * library has them; it does not tell whether mail was sent.
 * EMAIL32_NOT_HANDED_OVER when the library refused or failed, the program
 * could not be started or the mail-server plug-in sent nothing;
 * EMAIL32_CANCELLED when the user cancelled in the Simple MAPI library's
 * window. Email32LastErrorW says why. */
EMAIL32_C_API int WINAPI Email32SendW(Email32Context* context, const wchar_t* key, const wchar_t* const* files,
                                      int count);
EMAIL32_C_API int WINAPI Email32SendA(Email32Context* context, const char* key, const char* const* files, int count);

/* What a message says besides its files. Any field may be NULL (or empty):
 * not given. to and cc are RFC 5322 address lists, such as
 * "Photo Club <club@example.org>, ann@example.org". */
typedef struct Email32MessageW {
    const wchar_t* to;
    const wchar_t* cc;
    const wchar_t* subject;
    const wchar_t* body;
} Email32MessageW;
typedef struct Email32MessageA {
    const char* to;
    const char* cc;
    const char* subject;
    const char* body;
} Email32MessageA;

/* As Email32SendW, with the recipients, subject and text going wherever the
 * system's link can carry them: Simple MAPI and mail-client libraries, the
 * compose argument of CommandFileList=4, draft messages, the mail-server
 * plug-in. Other links hand over the files alone. message NULL, or all its
 * fields NULL, is exactly Email32SendW. A to or cc that is no address list
 * is EMAIL32_BAD_ARGUMENT, and nothing is handed over. */
EMAIL32_C_API int WINAPI Email32SendMessageW(Email32Context* context, const wchar_t* key,
                                             const Email32MessageW* message, const wchar_t* const* files, int count);
EMAIL32_C_API int WINAPI Email32SendMessageA(Email32Context* context, const char* key, const Email32MessageA* message,
                                             const char* const* files, int count);

/* Why the context's last send gave the result it gave, as one line of
 * English (for example the Simple MAPI error's name and the library's
 * path); an empty text after EMAIL32_OK. */
EMAIL32_C_API int WINAPI Email32LastErrorW(Email32Context* context, wchar_t* buffer, int chars);
EMAIL32_C_API int WINAPI Email32LastErrorA(Email32Context* context, char* buffer, int chars);

/* The send options dialog over the files, owned by parent (may be NULL):
 * the user picks the mail system (it becomes the default) and may shrink the
 * pictures. On EMAIL32_OK, *chosenFiles and *chosenCount are the files to
 * send (prepared copies, or the files given), to be freed with
 * Email32FreeListW / Email32FreeListA; otherwise NULL and 0. A wide name
 * that the ANSI code page cannot spell, and that has no short form (the file
 * does not exist), is refused with EMAIL32_BAD_ARGUMENT. */
EMAIL32_C_API int WINAPI Email32SendOptionsW(Email32Context* context, HWND parent, const wchar_t* const* files,
                                             int count, wchar_t*** chosenFiles, int* chosenCount);
EMAIL32_C_API int WINAPI Email32SendOptionsA(Email32Context* context, HWND parent, const char* const* files, int count,
                                             char*** chosenFiles, int* chosenCount);
EMAIL32_C_API void WINAPI Email32FreeListW(wchar_t** list, int count);
EMAIL32_C_API void WINAPI Email32FreeListA(char** list, int count);
/* The name Email32FreeListW had in 1.0.0; it stays. */
EMAIL32_C_API void WINAPI Email32FreeList(wchar_t** list, int count);

#ifdef __cplusplus
}
#endif

#endif /* EMAIL32_H */
