#include "base/FileVersion.h"

#include <windows.h>

#include <vector>

namespace email32::base {
namespace {

unsigned int MajorProductVersion(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return 0;
    std::vector<BYTE> resource(size);
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, resource.data())) return 0;
    void* block = nullptr;
    UINT blockSize = 0;
    if (!::VerQueryValueA(resource.data(), "\\", &block, &blockSize) || block == nullptr ||
        blockSize < sizeof(VS_FIXEDFILEINFO)) {
        return 0;
    }
    return HIWORD(static_cast<const VS_FIXEDFILEINFO*>(block)->dwProductVersionMS);
}

}  // namespace

bool MajorProductVersionEquals(const std::string& path, int number) {
    return static_cast<int>(MajorProductVersion(path)) == number;
}

}  // namespace email32::base
