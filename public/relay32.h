/*
 * Relay32.dll, Email32's mail-server plug-in: the entries a host may call
 * besides the module's own use of it. Plain C89.
 *
 * Every entry uses the C calling convention (__cdecl: the caller removes the
 * arguments) and is exported under its undecorated name. Load the plug-in
 * by its full path from the host's folder (never by its bare name, which
 * would search the current folder and PATH) and look the entries up:
 *
 *     HMODULE relay = LoadLibraryExW(L"C:\\Program Files\\Host\\Relay32.dll", NULL,
 *                                    LOAD_WITH_ALTERED_SEARCH_PATH);
 *     MailSvr_FlushOutbox_Fn flush =
 *         (MailSvr_FlushOutbox_Fn)GetProcAddress(relay, "MailSvr_FlushOutbox");
 *
 * Texts are UTF-16 unless an entry says otherwise. The plug-in's windows
 * (the compose window, the notice of a message that waits, the account
 * dialog) are owned by the calling thread's active window; Quiet=1 in
 * Relay32.ini turns the first two off for hosts that run unattended.
 */
#ifndef RELAY32_H
#define RELAY32_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* What the send entries return. */
/* No message: a file cannot be read, none was named, the user cancelled the
   compose window, or the outbox cannot be written. */
#define MAILSVR_NOTHING_SENT 0
#define MAILSVR_DELIVERED 1 /* a server accepted the message */
#define MAILSVR_KEPT 2      /* the message waits in the outbox (or was refused for good: Outbox\Failed) */

/* The module's entry: the files' short paths joined by "^" (ANSI code
 * page); one is always 1. Without recipients in Relay32.ini, or with
 * Compose=1, the compose window asks for them first. */
int __cdecl MailSvr_SendFiles(int one, const char* shortPaths);
typedef int(__cdecl* MailSvr_SendFiles_Fn)(int one, const char* shortPaths);

/* One message with the caller's recipients (RFC 5322 address lists),
 * subject and text, any of them NULL when not given, and count files by
 * their full paths. Given recipients and subject take the place of
 * Relay32.ini's for this message. The compose window shows with Compose=1,
 * or when neither the caller nor the settings name a recipient. */
int __cdecl MailSvr_SendMessageW(const wchar_t* to, const wchar_t* cc, const wchar_t* subject, const wchar_t* body,
                                 const wchar_t* const* files, int count);
typedef int(__cdecl* MailSvr_SendMessageW_Fn)(const wchar_t* to, const wchar_t* cc, const wchar_t* subject,
                                              const wchar_t* body, const wchar_t* const* files, int count);

/* Delivers what waits in the outbox, oldest first, and nothing else; shows
 * no window. Fills the counts (any may be NULL): delivered, kept (still
 * waiting) and busy (another sender is delivering them). 1 when it ran; 0
 * when the outbox cannot be used, with the reason in problem (problemChars
 * characters, cut to fit; may be NULL). */
int __cdecl MailSvr_FlushOutbox(int* delivered, int* kept, int* busy, wchar_t* problem, int problemChars);
typedef int(__cdecl* MailSvr_FlushOutbox_Fn)(int* delivered, int* kept, int* busy, wchar_t* problem, int problemChars);

/* One message of the outbox, as MailSvr_ListOutbox gives it. The texts live
 * until the visitor returns. */
typedef struct MailSvrOutboxMessageW {
    int structSize;            /* sizeof(MailSvrOutboxMessageW) of the plug-in */
    const wchar_t* file;       /* relative to the outbox: NAME.eml, or Failed\NAME.eml for one refused for good */
    const wchar_t* path;       /* the full path */
    FILETIME written;          /* when the message was written (UTC) */
    ULONGLONG bytes;           /* its size, as the server receives it */
    const wchar_t* recipients; /* the addresses it goes to, ", " between them; empty: Recipient of the settings */
    const wchar_t* lastReason; /* why the last attempt left it waiting; empty when none was made */
    int failed;                /* 1 in Outbox\Failed: never sent again */
} MailSvrOutboxMessageW;

/* Returns nonzero to go on, 0 to stop. */
typedef int(__cdecl* MailSvrOutboxVisitor)(const MailSvrOutboxMessageW* message, void* context);

/* Calls visit for every waiting message, oldest first, then for those in
 * Outbox\Failed. Returns the number visited; -1 when the outbox cannot be
 * read. */
int __cdecl MailSvr_ListOutbox(MailSvrOutboxVisitor visit, void* context);
typedef int(__cdecl* MailSvr_ListOutbox_Fn)(MailSvrOutboxVisitor visit, void* context);

/* What MailSvr_RemoveOutboxMessage returns. */
#define MAILSVR_REMOVED 1
#define MAILSVR_NO_SUCH_MESSAGE 0 /* file names no message of the outbox */
#define MAILSVR_BUSY (-1)         /* another sender is delivering it right now: try again */
#define MAILSVR_NOT_REMOVED (-2)  /* the file cannot be deleted */

/* Deletes one message and its envelope: file as MailSvr_ListOutbox gives it
 * (NAME.eml or Failed\NAME.eml), or its full path. */
int __cdecl MailSvr_RemoveOutboxMessage(const wchar_t* file);
typedef int(__cdecl* MailSvr_RemoveOutboxMessage_Fn)(const wchar_t* file);

/* The account dialog over parent (may be NULL): address, server, sign-in,
 * Test and Save (into the per-user Relay32.ini). 1 when saved, 0 when
 * cancelled. */
int __cdecl MailSvr_Configure(HWND parent);
typedef int(__cdecl* MailSvr_Configure_Fn)(HWND parent);

/* Stores the password for the account in the Windows Credential Manager
 * (target "Relay32:" + host, user name user). 1 when stored. */
int __cdecl MailSvr_StorePassword(const wchar_t* host, const wchar_t* user, const wchar_t* password);
typedef int(__cdecl* MailSvr_StorePassword_Fn)(const wchar_t* host, const wchar_t* user, const wchar_t* password);

/* Finds the outgoing-server settings for an address and, with write
 * nonzero, saves them in the per-user Relay32.ini. line receives "host H
 * port P security S auth A source X", or why nothing was found. 1 when
 * found (and saved). */
int __cdecl MailSvr_FindSettings(const wchar_t* address, int write, wchar_t* line, int lineChars);
typedef int(__cdecl* MailSvr_FindSettings_Fn)(const wchar_t* address, int write, wchar_t* line, int lineChars);

/* Signs the account in with its provider (OAuth 2.0) through the system
 * browser, or with deviceFlow nonzero the device flow, whose instructions go
 * to notice. message receives "signed in as ADDRESS" or why not. 1 when
 * signed in. */
typedef void(__cdecl* MailSvrNotice)(const wchar_t* text, void* context);
int __cdecl MailSvr_SignIn(const wchar_t* address, int deviceFlow, MailSvrNotice notice, void* context,
                           wchar_t* message, int messageChars);
typedef int(__cdecl* MailSvr_SignIn_Fn)(const wchar_t* address, int deviceFlow, MailSvrNotice notice, void* context,
                                        wchar_t* message, int messageChars);

#ifdef __cplusplus
}
#endif

#endif /* RELAY32_H */
