#include "framework/Archive.h"

#include <cstring>

BOOL CFile::Open(const char* path, UINT flags) {
    Close();
    if (path == nullptr) return FALSE;
    const bool writing = (flags & modeWrite) != 0;
    const DWORD access = writing ? GENERIC_WRITE : GENERIC_READ;
    const DWORD disposition = (flags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
    m_handle.reset(::CreateFileA(path, access, writing ? 0 : FILE_SHARE_READ, nullptr, disposition,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    m_path = path;
    return m_handle.valid() ? TRUE : FALSE;
}

UINT CFile::Read(void* buffer, UINT count) {
    DWORD read = 0;
    if (count == 0) return 0;
    if (!::ReadFile(m_handle.get(), buffer, count, &read, nullptr))
        throw CFileException(CFileException::genericException, static_cast<LONG>(::GetLastError()), m_path);
    return read;
}

void CFile::Write(const void* buffer, UINT count) {
    DWORD written = 0;
    if (count == 0) return;
    if (!::WriteFile(m_handle.get(), buffer, count, &written, nullptr) || written != count)
        throw CFileException(CFileException::diskFull, static_cast<LONG>(::GetLastError()), m_path);
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(m_handle.get(), &size)) return 0;
    return static_cast<ULONGLONG>(size.QuadPart);
}

BOOL CFile::GetStatus(const char* path, CFileStatus& status) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path == nullptr || !::GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return FALSE;
    status.m_size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.m_attribute = data.dwFileAttributes;
    return TRUE;
}

CArchive::~CArchive() {
    try {
        Flush();
    } catch (const CException&) {}
}

UINT CArchive::Read(void* buffer, UINT count) {
    if (m_mode != load) throw CArchiveException(CArchiveException::writeOnly);
    return m_file->Read(buffer, count);
}

void CArchive::Write(const void* buffer, UINT count) {
    if (m_mode != store) throw CArchiveException(CArchiveException::readOnly);
    const BYTE* bytes = static_cast<const BYTE*>(buffer);
    m_buffer.insert(m_buffer.end(), bytes, bytes + count);
    if (m_buffer.size() >= 64 * 1024) Flush();
}

void CArchive::Flush() {
    if (m_mode != store || m_buffer.empty()) return;
    std::vector<BYTE> pending;
    pending.swap(m_buffer);
    m_file->Write(pending.data(), static_cast<UINT>(pending.size()));
}
