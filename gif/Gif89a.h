// A GIF file held as an ordered list of blocks: the head first, then the
// application, comment and frame blocks in file order. Its clients ask one
// question: is this an animated GIF, one with two or more frames?
#pragma once

#include "framework/Archive.h"
#include "framework/ClassList.h"
#include "framework/ObList.h"
#include "framework/Sync.h"

#include <windows.h>

#include <cstddef>
#include <memory>

class CGifBlock;
class CGifFrame;
class CGifHead;

class CGif89a : public CObject {
    DECLARE_SERIAL(CGif89a)
public:
    CGif89a();
    ~CGif89a() override;
    // Stores and loads nothing.
    void Serialize(CArchive& archive) override;

    // TRUE when the file is a GIF89a file holding at least two complete
    // frames. Decodes at most two images. Throws CArchiveException
    // (endOfFile) when the header or global colour table is longer than the
    // file. The object is empty again on return.
    BOOL IsAnimated(LPCSTR path);
    // Frames whose image has been decoded.
    [[nodiscard]] WORD GetFrameCount() const;
    void Reset();
    HANDLE StopPlay(BOOL bWait);

    // Reads the whole file into the block list (every frame) and keeps it.
    // GIF87a files are read too. FALSE, with the object empty, for a file
    // that is missing, not a GIF file or cannot be mapped. Throws as IsAnimated does.
    BOOL Load(LPCSTR path);
    // Writes the head, the other blocks in order and a trailer.
    void Save(CArchive& archive);

    [[nodiscard]] const CObList& Blocks() const noexcept { return *m_pBlocks; }
    // Where the last parse ended (kept by Reset).
    [[nodiscard]] std::size_t BytesParsed() const noexcept { return m_nPosition; }

private:
    BOOL Parse(LPCSTR path, int frameLimit, bool acceptOld);
    std::size_t ReadHead(const BYTE* view, std::size_t size);
    std::size_t ReadExtension(const BYTE* p, std::size_t available);
    std::size_t ReadImage(const BYTE* p, std::size_t available);
    void GiveHead(CGifFrame& frame) const;
    [[nodiscard]] CGifBlock* LastBlock() const;

    CString m_strPath;
    std::unique_ptr<CMutex> m_pMutex;
    std::unique_ptr<CEvent> m_pStopEvent;
    HANDLE m_hPlayerThread = nullptr;  // no player thread in this system
    int m_bPlaying = 0;
    DWORD m_nFileSize = 0;
    int m_nSourceState = 2;  // 2 empty, 1 being filled from a file
    std::unique_ptr<CObList> m_pBlocks;
    std::size_t m_nPosition = 0;

    friend class GifBlockVisitor;
};

// TRUE for a file that starts with "GIF87a" or "GIF89a" in any letter case.
BOOL IsGifFile(LPCSTR path);
