#include "tests/support/PictureProbe.h"

#include <windows.h>
#include <wincodec.h>

namespace email32::test {
namespace {

template <typename T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
};

std::wstring Wide(const std::string& text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

}  // namespace

PictureFacts ProbePicture(const std::string& path) {
    PictureFacts facts;
    const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        Released<IWICImagingFactory> factory;
        Released<IWICBitmapDecoder> decoder;
        Released<IWICBitmapFrameDecode> frame;
        if (SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                         reinterpret_cast<void**>(&factory.p))) &&
            SUCCEEDED(factory.p->CreateDecoderFromFilename(Wide(path).c_str(), nullptr, GENERIC_READ,
                                                           WICDecodeMetadataCacheOnDemand, &decoder.p)) &&
            SUCCEEDED(decoder.p->GetFrame(0, &frame.p)) && SUCCEEDED(frame.p->GetSize(&facts.width, &facts.height))) {
            facts.readable = true;
            decoder.p->GetFrameCount(&facts.frames);
            GUID container{};
            decoder.p->GetContainerFormat(&container);
            facts.format = container == GUID_ContainerFormatBmp    ? "bmp"
                           : container == GUID_ContainerFormatPng  ? "png"
                           : container == GUID_ContainerFormatGif  ? "gif"
                           : container == GUID_ContainerFormatJpeg ? "jpeg"
                           : container == GUID_ContainerFormatTiff ? "tiff"
                                                                   : "other";
        }
    }
    if (SUCCEEDED(init)) ::CoUninitialize();
    return facts;
}

}  // namespace email32::test
