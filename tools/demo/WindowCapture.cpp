#include "tools/demo/WindowCapture.h"

#include "base/Win32Handles.h"

namespace email32::demo {

bool SaveWindowAsBitmap(HWND window, const std::string& path) {
    RECT rect{};
    if (!::GetWindowRect(window, &rect)) return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD lineBytes = static_cast<DWORD>((width * 3 + 3) & ~3);
    header.biSizeImage = lineBytes * static_cast<DWORD>(height);

    // The window belongs to another process: copy it from the screen.
    const base::WindowDc screen(nullptr);
    const base::AutoMemoryDc memory(::CreateCompatibleDC(screen.get()));
    void* bits = nullptr;
    const base::AutoGdiObject bitmap(
        ::CreateDIBSection(screen.get(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !bitmap || !bits) return false;
    {
        const base::SelectedObject selected(memory.get(), bitmap.get());
        if (!::BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY)) return false;
        ::GdiFlush();
    }

    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    fileHeader.bfSize = fileHeader.bfOffBits + header.biSizeImage;
    const base::AutoCloseHandle file(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), &fileHeader, sizeof fileHeader, &written, nullptr) && written == sizeof fileHeader &&
           ::WriteFile(file.get(), &header, sizeof header, &written, nullptr) && written == sizeof header &&
           ::WriteFile(file.get(), bits, header.biSizeImage, &written, nullptr) && written == header.biSizeImage;
}

}  // namespace email32::demo
