// A 32-bit top-down DIB section selected into a memory DC: drawings land in
// memory, where the test reads their exact pixels back.
#pragma once

#include "framework/Handles.h"

#include <windows.h>

class TestCanvas {
public:
    TestCanvas(int width, int height, COLORREF background = RGB(255, 255, 255))
        : m_dc(CreateCompatibleDC(nullptr)), m_width(width), m_height(height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* data = nullptr;
        m_bitmap.Reset(CreateDIBSection(m_dc.Get(), &info, DIB_RGB_COLORS, &data, nullptr, 0));
        m_bits = static_cast<const DWORD*>(data);
        m_old = SelectObject(m_dc.Get(), m_bitmap.Get());
        Fill(background);
    }
    ~TestCanvas() { SelectObject(m_dc.Get(), m_old); }
    TestCanvas(const TestCanvas&) = delete;
    TestCanvas& operator=(const TestCanvas&) = delete;

    HDC Dc() const { return m_dc.Get(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void Fill(COLORREF color) {
        RECT all{0, 0, m_width, m_height};
        SetBkColor(m_dc.Get(), color);
        ExtTextOutA(m_dc.Get(), 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    }
    COLORREF At(int x, int y) const {
        GdiFlush();
        DWORD p = m_bits[y * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    CMemoryDC m_dc;
    CGdiObject m_bitmap;
    const DWORD* m_bits = nullptr;
    HGDIOBJ m_old = nullptr;
    int m_width;
    int m_height;
};

inline COLORREF ToColor(const RGBQUAD& q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }
