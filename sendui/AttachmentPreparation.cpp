#include "sendui/AttachmentPreparation.h"

#include "framework/Win32Handles.h"
#include "registry/AppDataFolder.h"
#include "sendui/AttachmentPaths.h"
#include "sendui/PictureAccess.h"
#include "sendui/ResourceIds.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

namespace email32 {
namespace {

const std::initializer_list<const char*> kCopySet = {"bmp", "gif", "jpg", "jpeg", "fpx", "pcx", "tga", "tif", "tiff", "png"};
const std::initializer_list<const char*> kJpegSet = {"bmp", "gif", "fpx", "pcx", "tga", "tif", "tiff", "png"};
const std::initializer_list<const char*> kRescaleSet = {"bmp", "gif", "jpg", "jpeg", "fpx", "pcx", "tga", "tif", "tiff"};

CString Extension(const CString& path) {
    CString ext;
    GetExtension(path, ext);
    return ext;
}

CString LoadText(unsigned int id) {
    CString text;
    text.LoadString(id);
    return text;
}

bool SameTextIgnoringCase(const CString& a, const CString& b) {
    return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_EQUAL;
}

// The working files of one run: every name stem is given out once, so that
// attachments with the same name from different folders, or names that differ
// only in the extension, never share a copy or a converted file.
class WorkingNames {
public:
    explicit WorkingNames(std::string folder) : m_folder(std::move(folder)) {}

    // stem ends with its dot.
    CString Reserve(const CString& stem) {
        CString candidate = stem;
        for (int n = 2; Taken(candidate); ++n) {
            CString numbered;
            numbered.Format("%.*s (%d).", stem.GetLength() - 1, static_cast<const char*>(stem), n);
            candidate = numbered;
        }
        m_stems.push_back(candidate);
        return candidate;
    }
    void Produced(const CString& path) { m_produced.insert(path.str()); }
    [[nodiscard]] bool IsProduced(const CString& path) const { return m_produced.count(path.str()) != 0; }
    [[nodiscard]] const std::string& folder() const noexcept { return m_folder; }

private:
    [[nodiscard]] bool Taken(const CString& stem) const {
        for (const CString& s : m_stems) {
            if (SameTextIgnoringCase(s, stem)) return true;
        }
        return false;
    }
    std::string m_folder;
    std::vector<CString> m_stems;
    std::set<std::string> m_produced;
};

// The empty files GetTempFileNameA makes for over-long names; removed when
// the run ends, however it ends.
class Placeholders {
public:
    Placeholders() = default;
    Placeholders(const Placeholders&) = delete;
    Placeholders& operator=(const Placeholders&) = delete;
    ~Placeholders() {
        for (const std::string& path : m_files) ::DeleteFileA(path.c_str());
    }
    void Add(const char* path) { m_files.emplace_back(path); }

private:
    std::vector<std::string> m_files;
};

}  // namespace

void GetAppDataFolder(char (&buffer)[MAX_PATH]) {
    const std::optional<std::string> folder = QueryAppDataFolder();
    if (!folder) return;
    const std::string& text = *folder;
    const size_t length = text.size() < MAX_PATH - 1 ? text.size() : MAX_PATH - 1;
    text.copy(buffer, length);
    buffer[length] = '\0';
}

std::string PreparationFolder(const char* appDataFolder) {
    std::string base = appDataFolder ? appDataFolder : "";
    if (base.empty()) {
        char temp[MAX_PATH] = {};
        const DWORD length = ::GetTempPathA(MAX_PATH, temp);
        base = std::string(temp, length < MAX_PATH ? length : 0) + "Email32\\";
    }
    return base + "temp\\";
}

CString EstimateSize(const CStringList& files) {
    unsigned long long total = 0;
    for (const CString& path : files.Items()) {
        AutoCloseHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size{};
        if (file && ::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
            total += static_cast<unsigned long long>(size.QuadPart);
        }
    }
    unsigned long long kilobytes = total / 1024 + (total % 1024 != 0 ? 1 : 0);
    if (kilobytes > LONG_MAX) kilobytes = LONG_MAX;
    CString text;
    text.Format(LoadText(IDS_SIZE_FORMAT), static_cast<long>(kilobytes));
    return text;
}

AttachmentPreparation::AttachmentPreparation(std::string tempFolder, std::function<void(const CString&)> warn)
    : m_tempFolder(std::move(tempFolder)), m_warn(std::move(warn)) {}

bool AttachmentPreparation::Run(const CString& format, const CString& resolution, const CStringList& source,
                                CStringList& current) {
    (void)CreateFolderTree(m_tempFolder.c_str());
    const CString original = LoadText(IDS_ORIGINAL_FILE);
    if (format.CompareNoCase(original) == 0 && resolution.CompareNoCase(original) == 0) return false;

    PictureAccess pictures;
    Placeholders placeholders;
    WorkingNames names(m_tempFolder);
    CStringList list(10);

    // Working copies: the later steps only ever write these.
    for (const CString& h : source.Items()) {
        const CString e = Extension(h);
        if ((e.CompareNoCase("gif") == 0 && pictures.IsAnimated(h)) ||
            (ExtensionIn(e, {"jpg", "jpeg"}) && PictureAccess::HasExif(h)) || !ExtensionIn(e, kCopySet)) {
            list.AddTail(h);
            continue;
        }
        CString target = CString(m_tempFolder) + names.Reserve(FileStem(h)) + e;
        if (target.GetLength() > MAX_PATH - 1) {
            char placeholder[MAX_PATH] = {};
            if (!::GetTempFileNameA(m_tempFolder.c_str(), "QIX", 0, placeholder)) {
                list.AddTail(h);
                continue;
            }
            placeholders.Add(placeholder);
            // The temporary name always has a dot in its file name, and no
            // code page uses '.' as the second byte of a character.
            const char* dot = std::strrchr(placeholder, '.');
            const int stemLength = dot ? static_cast<int>(dot - placeholder) : static_cast<int>(std::strlen(placeholder));
            target.Format("%s%s", static_cast<const char*>(CString(placeholder, stemLength) + "."),
                          static_cast<const char*>(e));
        }
        // A copy that cannot be made would name a missing file; the source
        // itself is then sent unchanged.
        if (!::CopyFileA(h, target, FALSE)) {
            list.AddTail(h);
            continue;
        }
        // The copy is ours to rewrite, even when the source is read-only.
        const DWORD attributes = ::GetFileAttributesA(target);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
            ::SetFileAttributesA(target, attributes & ~FILE_ATTRIBUTE_READONLY);
        }
        names.Produced(target);
        list.AddTail(target);
    }

    if (format.CompareNoCase("jpg") == 0) {
        CStringList work = list;
        list.RemoveAll();
        for (const CString& w : work.Items()) {
            const CString e = Extension(w);
            if (!names.IsProduced(w) || ExtensionIn(e, {"jpg", "jpeg"}) || !ExtensionIn(e, kJpegSet) ||
                (e.CompareNoCase("gif") == 0 && pictures.IsAnimated(w))) {
                list.AddTail(w);
                continue;
            }
            const CString target = CString(m_tempFolder) + FileStem(w) + "jpg";
            if (PictureAccess::ConvertToTrueColour(w, target)) {
                names.Produced(target);
                list.AddTail(target);
            } else {
                list.AddTail(w);
            }
        }
    }

    if (resolution.CompareNoCase(original) != 0) {
        const int width = std::atoi(resolution);
        CStringList work = list;
        list.RemoveAll();
        for (const CString& w : work.Items()) {
            list.AddTail(w);
            const CString e = Extension(w);
            if (!names.IsProduced(w) || (e.CompareNoCase("gif") == 0 && pictures.IsAnimated(w)) ||
                (ExtensionIn(e, {"jpg", "jpeg"}) && PictureAccess::HasExif(w)) || !ExtensionIn(e, kRescaleSet)) {
                continue;
            }
            if (width <= 0) continue;
            if (PictureAccess::Rescale(w, width) == PictureAccess::RescaleOutcome::NotWritten && m_warn) {
                m_warn(LoadText(IDS_READ_ONLY));
            }
        }
    }

    current = list;
    return true;
}

}  // namespace email32
