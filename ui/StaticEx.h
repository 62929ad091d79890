// A static text that paints itself: word-wrapped black text, optionally over
// a light grey drop shadow, without erasing its background, so that whatever
// the dialog painted underneath shows through.
#pragma once

#include "framework/Controls.h"

class CStaticEx : public CStatic {
public:
    CStaticEx() = default;
    ~CStaticEx() override = default;

    // Turns the shadow on (nonzero) or off; returns the previous setting.
    // Takes effect at the next paint.
    int EnableShadow(int on) {
        int previous = m_shadowOn;
        m_shadowOn = on;
        return previous;
    }

    // Draws the text (and shadow) into dc over the client rectangle, clipped to it.
    void PaintText(HDC dc);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnPaint();

private:
    int m_shadowOn = 0;
    int m_shadowOffsetX = 3;
    int m_shadowOffsetY = 3;
    COLORREF m_shadowColor = RGB(208, 208, 208);
    COLORREF m_textColor = RGB(0, 0, 0);
    // The control's own font; none here, so the one WM_GETFONT reports is used.
    HFONT m_font = nullptr;
};
