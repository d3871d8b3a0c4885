// The framework's file, archive and their exceptions, with what the GIF code
// uses. Exceptions are thrown by value.
#pragma once

#include "public/framework/CString.h"
#include "base/Win32Handles.h"

#include <windows.h>

#include <vector>

class CException {
public:
    virtual ~CException() = default;
};

class CFileException : public CException {
public:
    enum { none, genericException, fileNotFound, accessDenied, diskFull, endOfFile };
    CFileException(int cause, LONG osError, const CString& fileName)
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}
    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

class CArchiveException : public CException {
public:
    enum { none, genericException, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };
    explicit CArchiveException(int cause = none, const CString& fileName = CString())
        : m_cause(cause), m_strFileName(fileName) {}
    int m_cause;
    CString m_strFileName;
};

struct CFileStatus {
    ULONGLONG m_size = 0;
    DWORD m_attribute = 0;
};

class CFile {
public:
    enum OpenFlags : UINT { modeRead = 0, modeWrite = 1, modeCreate = 0x1000 };

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // False when the file cannot be opened (no exception).
    BOOL Open(const char* path, UINT flags);
    // Bytes read; fewer at the end of the file. Throws CFileException when
    // the file cannot be read.
    UINT Read(void* buffer, UINT count);
    // Throws CFileException when not everything was written.
    void Write(const void* buffer, UINT count);
    void Close() noexcept { m_handle.reset(); }
    [[nodiscard]] ULONGLONG GetLength() const;
    [[nodiscard]] BOOL IsOpen() const noexcept { return m_handle.valid(); }

    // False when the path names no file or folder.
    static BOOL GetStatus(const char* path, CFileStatus& status);

private:
    email32::base::AutoCloseHandle m_handle;
    CString m_path;
};

class CArchive {
public:
    enum Mode { store = 0, load = 1 };

    CArchive(CFile* file, Mode mode) : m_file(file), m_mode(mode) {}
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;
    // Flushes what is still buffered; errors at that point are lost, so
    // writers call Close() or Flush() themselves.
    ~CArchive();

    [[nodiscard]] BOOL IsStoring() const noexcept { return m_mode == store; }
    // Bytes read; fewer at the end of the file.
    UINT Read(void* buffer, UINT count);
    void Write(const void* buffer, UINT count);
    void Flush();
    void Close() { Flush(); }

private:
    CFile* m_file;
    Mode m_mode;
    std::vector<BYTE> m_buffer;
};
