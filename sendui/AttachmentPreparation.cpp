#include "sendui/AttachmentPreparation.h"

#include "base/Win32Handles.h"
#include "base/AppDataFolder.h"
#include "sendui/AttachmentPaths.h"
#include "sendui/AttachmentPreparationWork.h"
#include "sendui/PictureAccess.h"
#include "sendui/ResourceIds.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace email32::sendui {
namespace {

const std::initializer_list<const char*> kCopySet = {"bmp", "gif", "jpg", "jpeg", "fpx",
                                                     "pcx", "tga", "tif", "tiff", "png"};
const std::initializer_list<const char*> kJpegSet = {"bmp", "gif", "fpx", "pcx", "tga", "tif", "tiff", "png"};
const std::initializer_list<const char*> kRescaleSet = {"bmp", "gif", "jpg", "jpeg", "fpx",
                                                        "pcx", "tga", "tif", "tiff"};

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

private:
    [[nodiscard]] bool Taken(const CString& stem) const {
        for (const CString& s : m_stems) {
            if (SameTextIgnoringCase(s, stem)) return true;
        }
        return false;
    }
    std::string m_folder;
    std::vector<CString> m_stems;
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
    const std::optional<std::string> folder = base::QueryAppDataFolder();
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
        base::AutoCloseHandle file(::CreateFileA(path, GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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

    // Everything that decides what happens to a file, and every name, is
    // settled here, on the caller's thread; the files are then made by
    // RunAttachmentJobs, several at once.
    const bool toJpeg = format.CompareNoCase("jpg") == 0;
    const int width = resolution.CompareNoCase(original) != 0 ? std::max(std::atoi(resolution), 0) : 0;
    PictureAccess pictures;
    Placeholders placeholders;
    WorkingNames names(m_tempFolder);
    std::vector<AttachmentJob> jobs;
    for (const CString& h : source.Items()) {
        AttachmentJob& job = jobs.emplace_back();
        job.source = h.str();
        const CString e = Extension(h);
        const bool jpegFile = ExtensionIn(e, {"jpg", "jpeg"});
        // Pictures of phone and web formats always become JPEG files, with
        // their Exif data made fit to send; those that cannot be read (no
        // decoder, an animation) go as they are.
        if (IsPhoneOrWebPicture(e)) {
            if (!PictureAccess::CanRead(h)) continue;
            job.jpeg = (CString(m_tempFolder) + names.Reserve(FileStem(h)) + "jpg").str();
            job.width = width;
            job.photo = true;
            job.keepLocation = m_photos.keepLocation;
            job.alone = true;
            continue;
        }
        // Animated or damaged GIF files, JPEG files with Exif (unless photos
        // are shrunk too) and files of other kinds are sent as they are.
        const bool photo = jpegFile && PictureAccess::HasExif(h);
        if ((e.CompareNoCase("gif") == 0 && pictures.IsAnimated(h)) || (photo && !m_photos.shrinkPhotos) ||
            !ExtensionIn(e, kCopySet)) {
            continue;
        }
        CString target = CString(m_tempFolder) + names.Reserve(FileStem(h)) + e;
        if (target.GetLength() > MAX_PATH - 1) {
            char placeholder[MAX_PATH] = {};
            if (!::GetTempFileNameA(m_tempFolder.c_str(), "QIX", 0, placeholder)) continue;
            placeholders.Add(placeholder);
            // The temporary name always has a dot in its file name, and no
            // code page uses '.' as the second byte of a character.
            const char* dot = std::strrchr(placeholder, '.');
            const int stemLength =
                dot ? static_cast<int>(dot - placeholder) : static_cast<int>(std::strlen(placeholder));
            target.Format("%s%s", static_cast<const char*>(CString(placeholder, stemLength) + "."),
                          static_cast<const char*>(e));
        }
        job.copy = target.str();
        if (toJpeg && !jpegFile && ExtensionIn(e, kJpegSet)) {
            job.jpeg = (CString(m_tempFolder) + FileStem(target) + "jpg").str();
        }
        job.width = width;
        job.scaleCopy = ExtensionIn(e, kRescaleSet);
        job.alone = !job.jpeg.empty() || (width > 0 && job.scaleCopy && !jpegFile);
        job.photo = photo;
        job.keepLocation = m_photos.keepLocation;
    }

    CStringList list(10);
    const std::vector<AttachmentOutcome> outcomes = RunAttachmentJobs(jobs);
    for (const AttachmentOutcome& outcome : outcomes) {
        list.AddTail(outcome.sent);
        if (outcome.notWritten && m_warn) m_warn(LoadText(IDS_READ_ONLY));
    }
    current = list;
    return true;
}

}  // namespace email32::sendui
