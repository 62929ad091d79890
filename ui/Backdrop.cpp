#include "ui/Backdrop.h"

#include "framework/FileFind.h"
#include "framework/Handles.h"

namespace {
const COLORREF kEmptyFill = RGB(0, 128, 128);

void FillTeal(HDC dc, const RECT& client) {
    CGdiObject brush(CreateSolidBrush(kEmptyFill));
    FillRect(dc, &client, static_cast<HBRUSH>(brush.Get()));
}
} // namespace

void CollectPictures(CString folder, CString pattern, CStringArray& list) {
    list.clear();
    char saved[1024] = {};
    DWORD savedLength = GetCurrentDirectoryA(sizeof(saved), saved);
    if (SetCurrentDirectoryA(folder)) {
        CFileFind finder;
        if (finder.FindFile(pattern)) {
            do {
                if (finder.IsDots() || finder.IsDirectory()) continue;
                list.push_back(folder + finder.GetFileName());
            } while (finder.FindNextFile());
        }
    }
    if (savedLength > 0 && savedLength < sizeof(saved)) SetCurrentDirectoryA(saved);
}

HBITMAP BuildBackdropBitmap(HWND /*window*/, CString /*path*/) { return nullptr; }

void DrawBackdrop(HWND window, HDC dc, const RECT& client, const CStringArray& pictures, int& index) {
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
    GetObjectA(bitmap.Get(), sizeof(info), &info);
    StretchBlt(dc, client.left, client.top, client.right - client.left, client.bottom - client.top, memory.Get(),
               0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}
