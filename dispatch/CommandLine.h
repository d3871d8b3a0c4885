// Command lines that reach a program whole: arguments quoted by the Windows
// argument rules, programs started by their full path, batch programs run
// through the command interpreter with arguments it takes literally.
#pragma once

#include <optional>
#include <string>

namespace email32::dispatch {

// The argument as CommandLineToArgvW and the C runtime read it back exactly:
// unchanged when it holds no blank, tab or quote (and `always` is false),
// otherwise in quotes with its quotes and the backslashes before them
// escaped.
[[nodiscard]] std::wstring QuoteArgument(const std::wstring& argument, bool always = false);

// The path as the file system reads it: trailing dots and blanks, and the
// name of the default data stream ("::$DATA"), name the same file without
// them.
[[nodiscard]] std::wstring NormalisedProgramPath(const std::wstring& program);

// True for a ".bat" or ".cmd" program, which Windows runs through cmd.exe,
// however its name ends ("mail.cmd." and "mail.cmd " are the same file).
[[nodiscard]] bool IsBatchProgram(const std::wstring& program);

// How file arguments go onto one program's command line.
class ArgumentWriter {
public:
    // quote: the catalogue's "QuoteFiles" (1 unless set to 0).
    ArgumentWriter(const std::wstring& program, bool quote);

    // The argument as it goes onto the command line; nullopt when cmd.exe
    // would act on a character of it (a batch program only), so that the
    // send must start nothing.
    [[nodiscard]] std::optional<std::wstring> File(const std::wstring& argument) const;
    // Always quoted, for texts with inner quotes of their own (file URLs).
    [[nodiscard]] std::optional<std::wstring> Quoted(const std::wstring& argument) const;

    // False for a batch program whose own path cmd.exe would act on.
    [[nodiscard]] bool programAccepted() const noexcept { return m_programAccepted; }

private:
    bool m_batch;
    bool m_quote;
    bool m_programAccepted;
};

// Starts the program with the arguments after its path and one blank, in
// the caller's current folder or the one given, passing the host's start-up
// information on. The program path is the application name, so no other
// file can stand in for it; on the command line it is quoted when it holds a
// blank. Batch programs run as "cmd.exe /d /v:off /s /c" with the whole line
// quoted. Does not wait; false when nothing started.
bool StartProgram(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder = L"");

// "Windows error N: what it means" for the errors a start meets most.
[[nodiscard]] std::string WindowsErrorText(unsigned long error);

// "PROGRAM cannot be started (Windows error N: what it means)", one line of
// English for the last error of a start that failed.
[[nodiscard]] std::string ProgramNotStarted(const std::string& program, unsigned long error);

// The file:/// URL of a path: "/" for "\", UTF-8 with every character
// outside the unreserved set (and "/" and the drive's ":") percent-encoded,
// so that commas and quotes cannot end it early.
[[nodiscard]] std::wstring FileUrl(const std::wstring& path);

}  // namespace email32::dispatch
