#include "ui/Backdrop.h"

#include "ui/SmoothStretch.h"

#include "framework/FileFind.h"
#include "framework/Handles.h"
#include "framework/WideText.h"

#include <wincodec.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {
const COLORREF kEmptyFill = RGB(0, 128, 128);
const COLORREF kCanvasFill = RGB(255, 255, 255);
const COLORREF kCanvasFrame = RGB(192, 192, 192);
// 768 / 1024: wider pictures fill the width, taller ones the height.
const float kCanvasRatio = 0.75f;

void FillTeal(HDC dc, const RECT& client) {
    CGdiObject brush(CreateSolidBrush(kEmptyFill));
    FillRect(dc, &client, static_cast<HBRUSH>(brush.Get()));
}
} // namespace

void CollectPictures(CString folder, CString pattern, CStringArray& list) {
    list.clear();
    std::wstring wideFolder;
    if (!ToWide(folder, wideFolder)) return;
    wchar_t saved[1024] = {};
    const DWORD savedLength = GetCurrentDirectoryW(1024, saved);
    if (SetCurrentDirectoryW(wideFolder.c_str())) {
        CFileFind finder;
        if (finder.FindFile(pattern)) {
            do {
                // A picture the program cannot name is left out.
                if (finder.IsDots() || finder.IsDirectory() || !finder.HasExactName()) continue;
                list.push_back(folder + finder.GetFileName());
            } while (finder.FindNextFile());
        }
    }
    if (savedLength > 0 && savedLength < 1024) SetCurrentDirectoryW(saved);
}

RECT FitIntoCanvas(float ratio) {
    int x = 0, y = 0, w = kCanvasWidth, h = kCanvasHeight;
    if (ratio > kCanvasRatio) {
        w = static_cast<int>(768.0 / ratio);
        x = (kCanvasWidth - w) / 2;
    } else {
        h = static_cast<int>(ratio * 1024.0);
        y = (kCanvasHeight - h) / 2;
    }
    return RECT{x, y, x + w, y + h};
}

namespace {

// Shrinks (or widens) the picture into the place on the canvas, each canvas
// pixel the average of the picture's pixels it covers, as a halftone
// stretch does. The picture is read a few rows at a time: besides the
// decoder's own copy of the image, only the canvas is held (the picture
// object this replaced kept the whole image once more, and at the moment it
// decoded, twice: 14 MB above the working set for a 1920 x 1080 photo,
// during the copy as the slideshow moved on).
bool ScaleInto(IWICBitmapSource* picture, UINT width, UINT height, BYTE* canvasBits,
               const RECT& place) {
    const UINT placeWidth = static_cast<UINT>(place.right - place.left);
    const UINT placeHeight = static_cast<UINT>(place.bottom - place.top);
    if (placeWidth == 0 || placeHeight == 0) return true;
    const UINT stride = width * 4;
    std::vector<BYTE> rows;
    std::vector<UINT> sums(static_cast<size_t>(placeWidth) * 3);
    // The picture's columns each canvas column covers, at least one.
    std::vector<UINT> firstColumn(placeWidth + 1);
    for (UINT x = 0; x <= placeWidth; ++x)
        firstColumn[x] = static_cast<UINT>(static_cast<ULONGLONG>(x) * width / placeWidth);
    for (UINT y = 0; y < placeHeight; ++y) {
        const UINT top = static_cast<UINT>(static_cast<ULONGLONG>(y) * height / placeHeight);
        UINT bottom = static_cast<UINT>(static_cast<ULONGLONG>(y + 1) * height / placeHeight);
        if (bottom <= top) bottom = top + 1;
        rows.resize(static_cast<size_t>(stride) * (bottom - top));
        const WICRect band{0, static_cast<INT>(top), static_cast<INT>(width),
                           static_cast<INT>(bottom - top)};
        if (FAILED(picture->CopyPixels(&band, stride, static_cast<UINT>(rows.size()), rows.data())))
            return false;
        std::fill(sums.begin(), sums.end(), 0u);
        BYTE* out =
            canvasBits + (static_cast<size_t>(place.top + static_cast<LONG>(y)) * kCanvasWidth +
                          static_cast<size_t>(place.left)) *
                             4;
        for (UINT x = 0; x < placeWidth; ++x) {
            const UINT left = firstColumn[x];
            const UINT right = firstColumn[x + 1] > left ? firstColumn[x + 1] : left + 1;
            UINT blue = 0, green = 0, red = 0;
            for (UINT row = 0; row < bottom - top; ++row) {
                const BYTE* in = rows.data() + static_cast<size_t>(row) * stride + left * 4;
                for (UINT column = left; column < right; ++column, in += 4) {
                    blue += in[0];
                    green += in[1];
                    red += in[2];
                }
            }
            const UINT count = (right - left) * (bottom - top);
            out[x * 4] = static_cast<BYTE>((blue + count / 2) / count);
            out[x * 4 + 1] = static_cast<BYTE>((green + count / 2) / count);
            out[x * 4 + 2] = static_cast<BYTE>((red + count / 2) / count);
            out[x * 4 + 3] = 0;
        }
    }
    return true;
}

} // namespace

HBITMAP BuildBackdropBitmap(HWND window, CString path) {
    std::wstring widePath;
    if (!ToWide(path, widePath) || widePath.size() >= MAX_PATH) return nullptr;

    CComInitialize com;
    CComPtr<IWICImagingFactory> factory;
    CComPtr<IWICBitmapDecoder> decoder;
    CComPtr<IWICBitmapFrameDecode> frame;
    CComPtr<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, factory.OutVoid())) ||
        FAILED(factory->CreateDecoderFromFilename(widePath.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder.Out())) ||
        FAILED(decoder->GetFrame(0, frame.Out())) || FAILED(frame->GetSize(&width, &height)) ||
        width == 0 || height == 0 || FAILED(factory->CreateFormatConverter(converter.Out())) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR,
                                     WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return nullptr;
    const float ratio = static_cast<float>(height) / static_cast<float>(width);
    const RECT place = FitIntoCanvas(ratio);

    // A section of the screen's format, written row by row; its memory goes
    // back to the system when the bitmap is deleted.
    CClientDC windowDc(window);
    if (!windowDc.Get()) return nullptr;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = kCanvasWidth;
    format.bmiHeader.biHeight = -kCanvasHeight; // top-down
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CGdiObject canvas(CreateDIBSection(windowDc.Get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    CMemoryDC canvasDc(CreateCompatibleDC(windowDc.Get()));
    if (!canvas || !bits || !canvasDc) return nullptr;
    {
        CSelectObject selectCanvas(canvasDc.Get(), canvas.Get());
        const RECT whole{0, 0, kCanvasWidth, kCanvasHeight};
        CGdiObject fill(CreateSolidBrush(kCanvasFill));
        CGdiObject frameBrush(CreateSolidBrush(kCanvasFrame));
        FillRect(canvasDc.Get(), &whole, static_cast<HBRUSH>(fill.Get()));
        FrameRect(canvasDc.Get(), &whole, static_cast<HBRUSH>(frameBrush.Get()));
        GdiFlush();
    }
    // The picture over the fill and the frame.
    if (!ScaleInto(converter.Get(), width, height, static_cast<BYTE*>(bits), place)) return nullptr;
    return static_cast<HBITMAP>(canvas.Release());
}

void DrawBackdrop(HWND window, HDC dc, const RECT& client, const CStringArray& pictures,
                  int& index) {
    if (pictures.empty()) {
        FillTeal(dc, client);
        return;
    }
    if (index >= static_cast<int>(pictures.size())) index = 0;
    CGdiObject bitmap(BuildBackdropBitmap(window, pictures[static_cast<size_t>(index)]));
    if (!bitmap) {
        FillTeal(dc, client);
        return;
    }
    // Interpolated, not point-sampled: at 150 or 200 % the canvas is stretched
    // over a screen two or three times its size, and shrunk on a small one.
    // Drawn a band at a time from the canvas's own pixels: the system's one
    // stretch held the whole screen's pixels once more at every erase.
    DIBSECTION section{};
    if (GetObjectW(bitmap.Get(), sizeof(section), &section) != sizeof(section) ||
        !DrawSmoothStretch(dc, client, static_cast<const BYTE*>(section.dsBm.bmBits),
                           section.dsBm.bmWidth, std::abs(section.dsBm.bmHeight)))
        FillTeal(dc, client);
}
