#include "gif/Gif89a.h"

#include "base/Win32Handles.h"
#include "gif/GifApplication.h"
#include "gif/GifComment.h"
#include "gif/GifFrame.h"
#include "gif/GifHead.h"
#include "gif/core/BlockWalker.h"
#include "gif/core/Blocks.h"

IMPLEMENT_SERIAL(CGif89a, CObject, 1)

namespace {

struct MappingTraits {
    using handle_type = HANDLE;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::CloseHandle(h); }
};

}  // namespace

// Hands the block loop's steps to the file object.
class GifBlockVisitor final : public email32::gif::core::BlockVisitor {
public:
    GifBlockVisitor(CGif89a& gif, int frameLimit) : m_gif(gif), m_frameLimit(frameLimit) {}
    std::size_t OnExtension(email32::gif::core::ByteView atLabel) override {
        return m_gif.ReadExtension(atLabel.data, atLabel.size);
    }
    std::size_t OnImage(email32::gif::core::ByteView atSeparator) override {
        return m_gif.ReadImage(atSeparator.data, atSeparator.size);
    }
    bool Enough() override { return m_frameLimit > 0 && m_gif.GetFrameCount() >= m_frameLimit; }

private:
    CGif89a& m_gif;
    int m_frameLimit;
};

CGif89a::CGif89a()
    : m_pMutex(std::make_unique<CMutex>(FALSE)),
      m_pStopEvent(std::make_unique<CEvent>(FALSE, FALSE)),
      m_pBlocks(std::make_unique<CObList>(10)) {}

CGif89a::~CGif89a() {
    Reset();
    m_pBlocks.reset();
}

void CGif89a::Serialize(CArchive& /*archive*/) {}

HANDLE CGif89a::StopPlay(BOOL bWait) {
    m_bPlaying = 0;
    HANDLE thread = m_hPlayerThread;
    if (thread == nullptr) return nullptr;
    m_pStopEvent->SetEvent();
    m_hPlayerThread = nullptr;
    if (bWait) {
        ::WaitForSingleObject(thread, INFINITE);
        return nullptr;
    }
    return thread;
}

void CGif89a::Reset() {
    StopPlay(TRUE);
    if (m_pBlocks) {
        for (POSITION position = m_pBlocks->GetHeadPosition(); position != nullptr;)
            delete m_pBlocks->GetNext(position);
        m_pBlocks->RemoveAll();
    }
    StopPlay(TRUE);
    m_nFileSize = 0;
    m_nSourceState = 2;
    m_strPath.Empty();
}

WORD CGif89a::GetFrameCount() const {
    if (!m_pBlocks) return 0;
    WORD count = 0;
    for (POSITION position = m_pBlocks->GetHeadPosition(); position != nullptr;) {
        const auto* block = static_cast<const CGifBlock*>(m_pBlocks->GetNext(position));
        if (block->m_nKind == CGifBlock::kFrame && static_cast<const CGifFrame*>(block)->HasImage()) ++count;
    }
    return count;
}

CGifBlock* CGif89a::LastBlock() const { return static_cast<CGifBlock*>(m_pBlocks->GetTail()); }

void CGif89a::GiveHead(CGifFrame& frame) const {
    auto* first = static_cast<CGifBlock*>(m_pBlocks->GetHead());
    if (first != nullptr && first->m_nKind == CGifBlock::kHead) {
        auto* head = static_cast<CGifHead*>(first);
        frame.SetHead(head->HeaderRecord(), head->GlobalPalette());
    }
}

std::size_t CGif89a::ReadHead(const BYTE* view, std::size_t size) {
    auto head = std::make_unique<CGifHead>();
    const std::size_t consumed = head->Read(view, size);
    m_pBlocks->AddHead(head.release());
    return consumed;
}

std::size_t CGif89a::ReadImage(const BYTE* p, std::size_t available) {
    CGifBlock* last = LastBlock();
    if (last != nullptr && last->m_nKind == CGifBlock::kFrame) return last->Read(p, available);
    auto frame = std::make_unique<CGifFrame>();
    GiveHead(*frame);
    const std::size_t consumed = frame->Read(p, available);
    m_pBlocks->AddTail(frame.release());
    return consumed;
}

std::size_t CGif89a::ReadExtension(const BYTE* p, std::size_t available) {
    // The parse goes on after the extension's whole sub-block chain, however
    // much of it the block keeps; unknown extensions are passed over.
    const std::size_t whole = email32::gif::core::ExtensionBytes(email32::gif::core::ByteView{p, available});
    if (whole == email32::gif::core::kCutOff) return whole;
    std::unique_ptr<CGifBlock> block;
    switch (p[0]) {
    case email32::gif::core::kPlainTextLabel:
        return ReadImage(p, available) == email32::gif::core::kCutOff ? email32::gif::core::kCutOff : whole;
    case email32::gif::core::kGraphicControlLabel: {
        // Reading the record empties the frame; the head's record and
        // palette are given to it afterwards.
        auto frame = std::make_unique<CGifFrame>();
        if (frame->Read(p, available) == email32::gif::core::kCutOff) return email32::gif::core::kCutOff;
        GiveHead(*frame);
        m_pBlocks->AddTail(frame.release());
        return whole;
    }
    case email32::gif::core::kCommentLabel: block = std::make_unique<CGifComment>(); break;
    case email32::gif::core::kApplicationLabel: block = std::make_unique<CGifApplication>(); break;
    default: return whole;
    }
    if (block->Read(p, available) == email32::gif::core::kCutOff) return email32::gif::core::kCutOff;
    m_pBlocks->AddTail(block.release());
    return whole;
}

BOOL CGif89a::Parse(LPCSTR path, int frameLimit, bool acceptOld) {
    CFileStatus status;
    if (path == nullptr || !CFile::GetStatus(path, status) || !IsGifFile(path)) return FALSE;

    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    email32::base::AutoCloseHandle file(
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, &security, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FALSE;
    email32::base::UniqueHandle<MappingTraits> mapping(
        ::CreateFileMappingA(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return FALSE;
    email32::base::AutoMappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return FALSE;

    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 0xFFFFFFFFLL) return FALSE;
    const email32::gif::core::ByteView bytes{static_cast<const BYTE*>(view.get()),
                                             static_cast<std::size_t>(size.QuadPart)};
    if (!email32::gif::core::HasGifSignature(bytes, acceptOld)) return FALSE;

    Reset();
    m_nSourceState = 1;
    m_strPath = path;
    m_nFileSize = static_cast<DWORD>(status.m_size);

    const std::size_t headBytes = ReadHead(bytes.data, bytes.size);
    if (headBytes == email32::gif::core::kCutOff) {
        // The view, mapping and file go before the exception leaves.
        view.reset();
        mapping.reset();
        file.reset();
        Reset();
        throw CArchiveException(CArchiveException::endOfFile);
    }
    GifBlockVisitor visitor(*this, frameLimit);
    m_nPosition = headBytes;
    email32::gif::core::WalkBlocks(bytes, headBytes, visitor, &m_nPosition);
    return TRUE;
}

BOOL CGif89a::IsAnimated(LPCSTR path) {
    if (!Parse(path, 2, false)) return FALSE;
    const BOOL animated = GetFrameCount() > 1 ? TRUE : FALSE;
    Reset();
    return animated;
}

BOOL CGif89a::Load(LPCSTR path) { return Parse(path, 0, true); }

void CGif89a::Save(CArchive& archive) {
    for (POSITION position = m_pBlocks->GetHeadPosition(); position != nullptr;)
        m_pBlocks->GetNext(position)->Serialize(archive);
    const BYTE trailer = email32::gif::core::kTrailer;
    archive.Write(&trailer, 1);
}

BOOL IsGifFile(LPCSTR path) {
    try {
        CFile file;
        if (!file.Open(path, CFile::modeRead)) return FALSE;
        BYTE signature[6];
        if (file.Read(signature, sizeof signature) < sizeof signature) return FALSE;
        return email32::gif::core::HasGifSignature(email32::gif::core::ByteView{signature, sizeof signature}, true)
                   ? TRUE
                   : FALSE;
    } catch (const CFileException&) {
        return FALSE;
    }
}
