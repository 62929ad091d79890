// CShadeButton's painting: the face of the current state, its edges, the
// dotted focus frame and the caption, composed off-screen and copied onto
// the control in one BitBlt so the button never flickers.
#include "ui/ShadeButton.h"

#include "framework/Handles.h"

namespace {

void FillSolid(HDC dc, int x, int y, int cx, int cy, COLORREF color) {
    RECT rect{x, y, x + cx, y + cy};
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

// A one-pixel frame: topLeft along the top and left, bottomRight along the
// bottom and right.
void Draw3dRect(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    const int x = r.left, y = r.top, cx = r.right - r.left, cy = r.bottom - r.top;
    FillSolid(dc, x, y, cx - 1, 1, topLeft);
    FillSolid(dc, x, y, 1, cy - 1, topLeft);
    FillSolid(dc, x + cx - 1, y, 1, cy, bottomRight);
    FillSolid(dc, x, y + cy - 1, cx, 1, bottomRight);
}

// A face, or the plain face colour when it could not be built.
void DrawFace(HDC dc, const CDibSurface& face, int x, int y, const RECT& r) {
    if (face.HasPixels())
        face.Blit(dc, x, y);
    else
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
}

} // namespace

void CShadeButton::DrawItem(DRAWITEMSTRUCT* dis) {
    // While the left button is held, show the button pushed only while the
    // cursor is over it; the state change brings another DrawItem.
    POINT cursor{};
    if (m_leftPressed && GetCapture() == m_hWnd && GetCursorPos(&cursor)) {
        const bool over = IsUnderCursor(cursor);
        const bool pushed = (GetState() & BST_PUSHED) != 0;
        if (over && !pushed) {
            SendMessage(BM_SETSTATE, 1);
            return;
        }
        if (!over && pushed) {
            SendMessage(BM_SETSTATE, 0);
            return;
        }
    }

    RECT r = dis->rcItem;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    CMemoryDC memory(CreateCompatibleDC(dis->hDC));
    CGdiObject bitmap(CreateCompatibleBitmap(dis->hDC, width, height));
    if (!memory || !bitmap) return;
    CSelectObject selectBitmap(memory.Get(), bitmap.Get());
    HDC dc = memory.Get();
    const std::wstring caption = GetWideText();
    SetBkMode(dc, TRANSPARENT);
    CSelectObject selectFont(dc, GetStockObject(DEFAULT_GUI_FONT));

    RECT c = r;
    c.left += m_focusInset + 2;
    c.right -= m_focusInset + 2;

    if (dis->itemState & ODS_DISABLED) {
        DrawFace(dc, m_faceDisabled, 0, 0, r);
        if (m_drawEdge && !m_flatLook) DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
        // Etched caption: highlight, then grey one pixel up and left.
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(dc, caption.c_str(), -1, &c, m_captionFormat);
        OffsetRect(&c, -1, -1);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextW(dc, caption.c_str(), -1, &c, m_captionFormat);
    } else {
        if ((dis->itemState & ODS_SELECTED) || m_isChecked) {
            DrawFace(dc, m_facePressed, m_drawEdge, m_drawEdge, r);
            if (m_pushLike) OffsetRect(&c, 1, 1);
            if (m_drawEdge) {
                if (m_flatLook)
                    Draw3dRect(dc, r, GetSysColor(COLOR_BTNSHADOW),
                               GetSysColor(COLOR_BTNHIGHLIGHT));
                else
                    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
            }
        } else {
            const bool hover = m_mouseInside && m_faceHover.HasPixels();
            DrawFace(dc, hover ? m_faceHover : m_faceNormal, 0, 0, r);
            if (m_drawEdge && (m_mouseInside || !m_flatLook)) {
                if (dis->itemState & ODS_DEFAULT) {
                    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
                    InflateRect(&r, -1, -1);
                    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
                } else if (m_flatLook) {
                    Draw3dRect(dc, r, GetSysColor(COLOR_BTNHIGHLIGHT),
                               GetSysColor(COLOR_BTNSHADOW));
                } else {
                    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
                }
            }
        }
        if ((dis->itemState & ODS_FOCUS) && m_focusInset > 0) DrawFocusFrame(dc, r);
        SetTextColor(dc, m_captionColor);
        DrawTextW(dc, caption.c_str(), -1, &c, m_captionFormat);
    }

    BitBlt(dis->hDC, 0, 0, width, height, dc, 0, 0, SRCCOPY);
}

void CShadeButton::DrawFocusFrame(HDC dc, RECT r) const {
    InflateRect(&r, -m_focusInset, -m_focusInset);
    m_focusRowDots.Blit(dc, r.left + 1, r.top);
    m_focusRowDots.Blit(dc, r.left + 1, r.bottom);
    m_focusColumnDots.Blit(dc, r.left, r.top + 1);
    m_focusColumnDots.Blit(dc, r.right, r.top + 1);
}
