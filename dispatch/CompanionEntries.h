// The entries of the companion libraries beside the host, "Nbridge32.dll"
// (Notes bridge) and "Relay32.dll" (mail-server plug-in), and the record the
// Notes bridge is given. Every entry is a plain exported C function,
// caller-cleaned (__cdecl), exported under its undecorated name; any library
// put in their place must accept exactly these calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace email32::dispatch {

// The record passed to ImageToNotesProc, little-endian, in the layout a C
// compiler gives this declaration: 24 bytes with a 32-bit pointer; with a
// 64-bit pointer the pointer and the fields after it move to 8-byte places,
// 32 bytes in all, as a 64-bit bridge built from the same declaration reads.
struct NotesSendBlock {
    std::int32_t leadValue;    // 0
    std::int16_t kindCode;     // 0, then 999 before code 9002
    std::uint8_t padding[2];   // never set
    const char* fileList;      // null, then the blank-joined full paths
    std::int32_t optionValue;  // 1
    std::int32_t fileCount;    // 0, then the number of files
    std::int32_t trailValue;   // 0
};
static_assert(offsetof(NotesSendBlock, leadValue) == 0);
static_assert(offsetof(NotesSendBlock, kindCode) == 4);
#ifdef _WIN64
static_assert(sizeof(NotesSendBlock) == 32, "NotesSendBlock is a 32-byte record with a 64-bit pointer");
static_assert(offsetof(NotesSendBlock, fileList) == 8);
static_assert(offsetof(NotesSendBlock, optionValue) == 16);
static_assert(offsetof(NotesSendBlock, fileCount) == 20);
static_assert(offsetof(NotesSendBlock, trailValue) == 24);
#else
static_assert(sizeof(NotesSendBlock) == 24, "NotesSendBlock is a 24-byte record with a 32-bit pointer");
static_assert(offsetof(NotesSendBlock, fileList) == 8);
static_assert(offsetof(NotesSendBlock, optionValue) == 12);
static_assert(offsetof(NotesSendBlock, fileCount) == 16);
static_assert(offsetof(NotesSendBlock, trailValue) == 20);
#endif

// Command codes of ImageToNotesProc, in the order a send uses them.
enum NotesCommand : std::int32_t {
    kNotesBegin = 9004,
    kNotesReady = 9003,  // non-zero result: go on
    kNotesSend = 9002,
    kNotesFinish = 9005,
};

// Nbridge32.dll: non-zero when the Notes client is ready.
using NotesBridgeLoadFn = std::int32_t(__cdecl*)();
// Nbridge32.dll: command code, record (or null) and its size (24, or 0).
using ImageToNotesProcFn = std::int32_t(__cdecl*)(std::int32_t command, NotesSendBlock* block, std::int32_t size);
// Relay32.dll: always 1, then the "^"-joined short paths of the files.
using MailSvrSendFilesFn = std::int32_t(__cdecl*)(std::int32_t mode, const char* shortPaths);
// Relay32.dll, where it has it: the message's recipients (RFC 5322 address
// lists), subject and text, each of them null when not given, and the
// files' full paths. Given recipients and subject take the place of the
// plug-in's settings for this message.
using MailSvrSendMessageWFn = std::int32_t(__cdecl*)(const wchar_t* to, const wchar_t* cc, const wchar_t* subject,
                                                     const wchar_t* body, const wchar_t* const* files,
                                                     std::int32_t count);
// What both report: the message went to the server, waits in the outbox,
// or nothing was sent (the plug-in's log says why).
enum MailSvrResult : std::int32_t {
    kMailSvrNothingSent = 0,
    kMailSvrDelivered = 1,
    kMailSvrKeptInOutbox = 2,
};

}  // namespace email32::dispatch
