#include "ui/StaticEx.h"

#include "framework/Handles.h"

LRESULT CStaticEx::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE; // transparent: the parent's background stays
    case WM_PAINT:
        OnPaint();
        return 0;
    default:
        return Default(msg, wp, lp);
    }
}

void CStaticEx::OnPaint() {
    CPaintDC dc(m_hWnd);
    PaintText(dc.Get());
}

void CStaticEx::PaintText(HDC dc) {
    RECT client{};
    GetClientRect(&client);
    const std::wstring text = GetWideText();

    // The shadow is cut off at the control's edges on any context; the saved
    // state brings back the clip, the colours and the mode afterwards.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    SetBkMode(dc, TRANSPARENT);
    {
        HFONT font = m_font ? m_font : reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
        CSelectObject selectFont(dc, font);
        if (m_shadowOn) {
            // The offsets are for 96 DPI: on a screen of 144 or 192 DPI the
            // text is larger, and so is its shadow's distance.
            const int dpiX = GetDeviceCaps(dc, LOGPIXELSX);
            const int dpiY = GetDeviceCaps(dc, LOGPIXELSY);
            RECT shadow = client;
            OffsetRect(&shadow, dpiX > 0 ? MulDiv(m_shadowOffsetX, dpiX, 96) : m_shadowOffsetX,
                       dpiY > 0 ? MulDiv(m_shadowOffsetY, dpiY, 96) : m_shadowOffsetY);
            SetTextColor(dc, m_shadowColor);
            DrawTextW(dc, text.c_str(), -1, &shadow, DT_WORDBREAK);
        }
        SetTextColor(dc, m_textColor);
        DrawTextW(dc, text.c_str(), -1, &client, DT_WORDBREAK);
    }
    if (saved) RestoreDC(dc, saved);
}
