#include "tools/driver/ScreenCapture.h"

#include "framework/Handles.h"
#include "framework/WideText.h"

#include <windows.h>

#include <vector>

bool SaveScreenshot(const CString& bmpPath) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return false;
    CClientDC screen(nullptr);
    if (!screen.Get()) return false;
    CMemoryDC memory(CreateCompatibleDC(screen.Get()));
    CGdiObject bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!memory || !bitmap) return false;
    {
        CSelectObject select(memory.Get(), bitmap.Get());
        if (!BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), 0, 0, SRCCOPY | CAPTUREBLT))
            return false;
    }
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height; // bottom-up, as BMP files store rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height));
    if (!GetDIBits(memory.Get(), static_cast<HBITMAP>(bitmap.Get()), 0, static_cast<UINT>(height),
                   pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS))
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::wstring widePath;
    if (!ToWide(bmpPath, widePath)) return false;
    CFileHandle out(CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    DWORD written = 0;
    bool ok =
        WriteFile(out.Get(), &file, sizeof(file), &written, nullptr) && written == sizeof(file);
    ok = ok && WriteFile(out.Get(), &header, sizeof(header), &written, nullptr) &&
         written == sizeof(header);
    ok =
        ok &&
        WriteFile(out.Get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr) &&
        written == pixels.size();
    return ok;
}
