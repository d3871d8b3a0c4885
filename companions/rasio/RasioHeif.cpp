#include "companions/rasio/RasioHeif.h"

#include "base/LoadableLibrary.h"
#include "base/Win32Handles.h"

#include <libheif/heif.h>

#include <windows.h>

#include <string>

namespace rasio::heif {
namespace {

// Tiles decoded at once, each on a thread of libheif's: one per processor,
// at most four.
int DecodingThreads() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    const int processors = static_cast<int>(info.dwNumberOfProcessors);
    return processors < 1 ? 1 : (processors > 4 ? 4 : processors);
}
// An Exif item or a colour profile larger than this is not carried.
constexpr std::size_t kMaxMetadataBytes = 4u << 20;

}  // namespace

// libheif's entries, looked up by name: the module links no import library,
// so that it loads and runs without the DLLs.
struct Library {
    email32::base::AutoLibrary dll;
    decltype(&heif_init) init = nullptr;
    decltype(&heif_deinit) deinit = nullptr;
    decltype(&heif_context_alloc) contextAlloc = nullptr;
    decltype(&heif_context_free) contextFree = nullptr;
    decltype(&heif_context_read_from_memory_without_copy) readFromMemory = nullptr;
    decltype(&heif_context_set_max_decoding_threads) setMaxThreads = nullptr;
    decltype(&heif_context_get_primary_image_handle) primaryHandle = nullptr;
    decltype(&heif_image_handle_release) handleRelease = nullptr;
    decltype(&heif_image_handle_get_width) handleWidth = nullptr;
    decltype(&heif_image_handle_get_height) handleHeight = nullptr;
    decltype(&heif_decode_image) decode = nullptr;
    decltype(&heif_image_get_plane_readonly) plane = nullptr;
    decltype(&heif_image_get_width) imageWidth = nullptr;
    decltype(&heif_image_get_height) imageHeight = nullptr;
    decltype(&heif_image_release) imageRelease = nullptr;
    decltype(&heif_image_handle_get_list_of_metadata_block_IDs) metadataIds = nullptr;
    decltype(&heif_image_handle_get_metadata_size) metadataSize = nullptr;
    decltype(&heif_image_handle_get_metadata) metadata = nullptr;
    decltype(&heif_image_handle_get_raw_color_profile_size) profileSize = nullptr;
    decltype(&heif_image_handle_get_raw_color_profile) profile = nullptr;
    bool initialised = false;

    Library() = default;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library() {
        if (initialised) deinit();
    }

    template <typename F>
    bool Find(F& entry, const char* name) {
        entry = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(dll.get(), name)));
        return entry != nullptr;
    }

    bool Load() {
        // Where the product put it (the host's folder or the module's), its
        // own dependencies (libde265, the C++ runtime) from the same folder.
        dll.reset(email32::base::LoadLocatedLibrary(std::wstring(L"libheif.dll")));
        if (!dll) return false;
        const bool found = Find(init, "heif_init") && Find(deinit, "heif_deinit") &&
                           Find(contextAlloc, "heif_context_alloc") && Find(contextFree, "heif_context_free") &&
                           Find(readFromMemory, "heif_context_read_from_memory_without_copy") &&
                           Find(setMaxThreads, "heif_context_set_max_decoding_threads") &&
                           Find(primaryHandle, "heif_context_get_primary_image_handle") &&
                           Find(handleRelease, "heif_image_handle_release") &&
                           Find(handleWidth, "heif_image_handle_get_width") &&
                           Find(handleHeight, "heif_image_handle_get_height") && Find(decode, "heif_decode_image") &&
                           Find(plane, "heif_image_get_plane_readonly") && Find(imageWidth, "heif_image_get_width") &&
                           Find(imageHeight, "heif_image_get_height") && Find(imageRelease, "heif_image_release") &&
                           Find(metadataIds, "heif_image_handle_get_list_of_metadata_block_IDs") &&
                           Find(metadataSize, "heif_image_handle_get_metadata_size") &&
                           Find(metadata, "heif_image_handle_get_metadata") &&
                           Find(profileSize, "heif_image_handle_get_raw_color_profile_size") &&
                           Find(profile, "heif_image_handle_get_raw_color_profile");
        if (!found) return false;
        initialised = init(nullptr).code == heif_error_Ok;
        return initialised;
    }
};

File::File() = default;

std::unique_ptr<File> File::Open(std::vector<BYTE> bytes) {
    std::unique_ptr<File> file(new File());
    file->m_library = std::make_unique<Library>();
    Library& lib = *file->m_library;
    if (!lib.Load()) return nullptr;
    file->m_bytes = std::move(bytes);
    heif_context* context = lib.contextAlloc();
    if (context == nullptr) return nullptr;
    file->m_context = context;
    // Tiles are decoded on this many threads at once.
    lib.setMaxThreads(context, DecodingThreads());
    if (lib.readFromMemory(context, file->m_bytes.data(), file->m_bytes.size(), nullptr).code != heif_error_Ok) {
        return nullptr;
    }
    heif_image_handle* handle = nullptr;
    if (lib.primaryHandle(context, &handle).code != heif_error_Ok || handle == nullptr) return nullptr;
    file->m_handle = handle;
    PictureInfo& info = file->m_info;
    info.width = lib.handleWidth(handle);
    info.height = lib.handleHeight(handle);
    info.bits = 24;
    if (info.width <= 0 || info.height <= 0) return nullptr;
    return file;
}

File::~File() {
    if (!m_library) return;
    if (m_handle) m_library->handleRelease(static_cast<heif_image_handle*>(m_handle));
    if (m_context) m_library->contextFree(static_cast<heif_context*>(m_context));
}

bool File::Decode(const Canvas& canvas) {
    if (canvas.Bits() != 24 || canvas.width != m_info.width || canvas.height != m_info.height) return false;
    const Library& lib = *m_library;
    heif_image* image = nullptr;
    if (lib.decode(static_cast<heif_image_handle*>(m_handle), &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                   nullptr)
                .code != heif_error_Ok ||
        image == nullptr) {
        return false;
    }
    struct Release {
        const Library& lib;
        heif_image* image;
        ~Release() { lib.imageRelease(image); }
    } release{lib, image};
    int stride = 0;
    const uint8_t* rgb = lib.plane(image, heif_channel_interleaved, &stride);
    if (rgb == nullptr || stride < canvas.width * 3 ||
        lib.imageWidth(image, heif_channel_interleaved) != canvas.width ||
        lib.imageHeight(image, heif_channel_interleaved) != canvas.height) {
        return false;
    }
    for (int y = 0; y < canvas.height; ++y) {
        const uint8_t* in = rgb + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        BYTE* out = canvas.Line(y);
        for (int x = 0; x < canvas.width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return true;
}

void File::ReadMetadata(std::vector<BYTE>& exif, std::vector<BYTE>& icc) const {
    exif.clear();
    icc.clear();
    const Library& lib = *m_library;
    auto* handle = static_cast<heif_image_handle*>(m_handle);
    heif_item_id id = 0;
    if (lib.metadataIds(handle, "Exif", &id, 1) == 1) {
        const std::size_t size = lib.metadataSize(handle, id);
        if (size > 0 && size <= kMaxMetadataBytes) {
            exif.resize(size);
            if (lib.metadata(handle, id, exif.data()).code != heif_error_Ok) exif.clear();
        }
    }
    const std::size_t size = lib.profileSize(handle);
    if (size > 0 && size <= kMaxMetadataBytes) {
        icc.resize(size);
        if (lib.profile(handle, icc.data()).code != heif_error_Ok) icc.clear();
    }
}

}  // namespace rasio::heif
