#include "ui/Backdrop.h"

#include "framework/FileFind.h"
#include "framework/Handles.h"
#include "framework/WideText.h"

#include <ocidl.h>
#include <olectl.h>

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

HBITMAP BuildBackdropBitmap(HWND window, CString path) {
    std::wstring widePath;
    if (!ToWide(path, widePath) || widePath.size() >= MAX_PATH) return nullptr;

    CComInitialize com;
    CComPtr<IPicture> picture;
    if (FAILED(OleLoadPicturePath(&widePath[0], nullptr, 0, 0, IID_IPicture, picture.OutVoid())) ||
        !picture)
        return nullptr;
    OLE_XSIZE_HIMETRIC pictureWidth = 0;
    OLE_YSIZE_HIMETRIC pictureHeight = 0;
    if (FAILED(picture->get_Width(&pictureWidth)) || FAILED(picture->get_Height(&pictureHeight)) ||
        pictureWidth <= 0 || pictureHeight <= 0)
        return nullptr;
    const float ratio = static_cast<float>(pictureHeight) / static_cast<float>(pictureWidth);
    const RECT place = FitIntoCanvas(ratio);

    CClientDC windowDc(window);
    if (!windowDc.Get()) return nullptr;
    CGdiObject canvas(CreateCompatibleBitmap(windowDc.Get(), kCanvasWidth, kCanvasHeight));
    CMemoryDC canvasDc(CreateCompatibleDC(windowDc.Get()));
    if (!canvas || !canvasDc) return nullptr;
    {
        CSelectObject selectCanvas(canvasDc.Get(), canvas.Get());
        const RECT whole{0, 0, kCanvasWidth, kCanvasHeight};
        CGdiObject fill(CreateSolidBrush(kCanvasFill));
        CGdiObject frame(CreateSolidBrush(kCanvasFrame));
        FillRect(canvasDc.Get(), &whole, static_cast<HBRUSH>(fill.Get()));
        FrameRect(canvasDc.Get(), &whole, static_cast<HBRUSH>(frame.Get()));

        // Averaged scaling: a photo shrunk by point sampling shimmers.
        SetStretchBltMode(canvasDc.Get(), HALFTONE);
        SetBrushOrgEx(canvasDc.Get(), 0, 0, nullptr);
        // The source rectangle runs bottom-up in HIMETRIC units.
        picture->Render(canvasDc.Get(), place.left, place.top, place.right - place.left,
                        place.bottom - place.top, 0, pictureHeight, pictureWidth, -pictureHeight,
                        nullptr);
    }
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
    CMemoryDC memory(CreateCompatibleDC(dc));
    CSelectObject select(memory.Get(), bitmap.Get());
    BITMAP info{};
    GetObjectW(bitmap.Get(), sizeof(info), &info);
    // Averaged, not point-sampled: at 150 or 200 % the canvas is stretched
    // over a screen two or three times its size, and shrunk on a small one.
    // The context's own mode and brush origin are left as they were.
    POINT origin{};
    const int mode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, &origin);
    StretchBlt(dc, client.left, client.top, client.right - client.left, client.bottom - client.top,
               memory.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    if (mode) SetStretchBltMode(dc, mode);
}
