// CShadeButton: classification of the template button, its mouse and
// keyboard handling and the check logic of its check-box and radio kinds.
#include "ui/ShadeButton.h"

#include <windowsx.h>

CShadeButton::CShadeButton() : m_captionColor(GetSysColor(COLOR_BTNTEXT)) {}

void CShadeButton::PreSubclassWindow() {
    // The object may come to a new window (its page shown again): the mouse
    // over or pressed on the old one, which never heard it leave, is forgotten.
    m_mouseInside = 0;
    m_leftPressed = 0;

    const DWORD style = GetStyle();
    m_pushLike = (style & BS_PUSHLIKE) ? 1 : 0;
    m_flatLook = (style & BS_FLAT) ? 1 : 0;

    switch (style & (BS_LEFT | BS_RIGHT)) {
    case BS_LEFT:
        m_captionFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
        break;
    case BS_RIGHT:
        m_captionFormat = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;
        break;
    default:
        m_captionFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        break;
    }

    // Bit tests on the type, as the check-box and radio styles share bits
    // with group boxes and owner-drawn buttons.
    const DWORD type = style & 0xFFFF;
    if ((type & 3) == 3) {
        m_buttonKind = KindCheckBox;
    } else if ((type & 9) == 9) {
        m_buttonKind = KindRadio;
    } else {
        m_buttonKind = KindPush;
        m_pushLike = 1;
    }
    if (!m_pushLike) m_drawEdge = 0;

    CButton::PreSubclassWindow();
    ModifyStyle(0, BS_OWNERDRAW);
}

LRESULT CShadeButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE; // DrawItem paints every pixel
    case WM_LBUTTONDOWN:
        return OnLButtonDown(wp, lp);
    case WM_LBUTTONUP:
        return OnLButtonUp(wp, lp);
    case WM_MOUSEMOVE:
        return OnMouseMove(wp, lp);
    case WM_LBUTTONDBLCLK:
        return OnLButtonDblClk(wp, lp);
    case WM_KILLFOCUS:
        return OnKillFocus(wp, lp);
    case WM_KEYDOWN:
        return OnKeyDown(wp, lp);
    case WM_MOUSELEAVE:
        return OnMouseLeave();
    case WM_SHADE_UNCHECK:
        return OnShadeUncheck();
    case BM_SETCHECK:
        return OnSetCheck(wp);
    case BM_GETCHECK:
        return m_isChecked;
    default:
        return Default(msg, wp, lp);
    }
}

bool CShadeButton::IsUnderCursor(POINT screenPoint) const {
    return WindowFromPoint(screenPoint) == m_hWnd;
}

LRESULT CShadeButton::OnLButtonDown(WPARAM wp, LPARAM lp) {
    if (m_mouseInside) {
        // A pressed button never shows the hover face; the next move after
        // the release asks for the leave notification again.
        TRACKMOUSEEVENT cancel{sizeof(cancel), TME_CANCEL | TME_LEAVE, m_hWnd, 0};
        if (TrackMouseEvent(&cancel)) m_mouseInside = 0;
    }
    LRESULT result = Default(WM_LBUTTONDOWN, wp, lp);
    m_leftPressed = 1;
    return result;
}

LRESULT CShadeButton::OnLButtonUp(WPARAM wp, LPARAM lp) {
    if (m_buttonKind != KindPush) {
        POINT point{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ClientToScreen(m_hWnd, &point);
        // The check changes before the default handling tells the parent of the click.
        if (IsUnderCursor(point) && m_leftPressed) ToggleByUser();
    }
    m_leftPressed = 0;
    return Default(WM_LBUTTONUP, wp, lp);
}

LRESULT CShadeButton::OnMouseMove(WPARAM wp, LPARAM lp) {
    if (m_leftPressed && GetCapture() == m_hWnd) {
        // Dragging with the button held: pushed while over the button only.
        POINT point{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ClientToScreen(m_hWnd, &point);
        const bool over = IsUnderCursor(point);
        const bool pushed = (GetState() & BST_PUSHED) != 0;
        if (over != pushed) {
            SendMessage(BM_SETSTATE, over ? 1 : 0);
            Invalidate(TRUE);
        }
    } else if (!m_mouseInside) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, 0};
        if (TrackMouseEvent(&track)) {
            m_mouseInside = 1;
            Invalidate(TRUE);
        }
    }
    return Default(WM_MOUSEMOVE, wp, lp);
}

LRESULT CShadeButton::OnLButtonDblClk(WPARAM wp, LPARAM lp) {
    // A double click is a second press.
    SendMessage(WM_LBUTTONDOWN, wp, lp);
    return 0;
}

LRESULT CShadeButton::OnKillFocus(WPARAM wp, LPARAM lp) {
    if (GetCapture() == m_hWnd) {
        ReleaseCapture();
        m_leftPressed = 0;
    }
    return Default(WM_KILLFOCUS, wp, lp);
}

LRESULT CShadeButton::OnKeyDown(WPARAM wp, LPARAM lp) {
    if (m_buttonKind != KindPush && wp == VK_SPACE) ToggleByUser();
    return Default(WM_KEYDOWN, wp, lp);
}

LRESULT CShadeButton::OnMouseLeave() {
    m_mouseInside = 0;
    Invalidate(TRUE);
    return 0;
}

LRESULT CShadeButton::OnShadeUncheck() {
    if (m_isChecked) {
        m_isChecked = 0;
        Invalidate(TRUE);
    }
    return 0;
}

void CShadeButton::ToggleByUser() {
    if (m_buttonKind == KindCheckBox)
        SendMessage(BM_SETCHECK, m_isChecked ? 0 : 1);
    else if (m_buttonKind == KindRadio)
        SendMessage(BM_SETCHECK, 1);
}

LRESULT CShadeButton::OnSetCheck(WPARAM check) {
    m_isChecked = check ? 1 : 0;
    if (m_buttonKind == KindPush) m_isChecked = 0;

    HWND parent = GetParent();
    if (m_buttonKind == KindRadio && m_isChecked && m_hWnd && parent) {
        // Uncheck the rest of the dialog group. The walk skips hidden and
        // disabled controls, so when this one is such a control it never comes
        // back to it: stop also when the walk returns to where it started.
        HWND first = GetNextDlgGroupItem(parent, m_hWnd, FALSE);
        for (HWND other = first; other && other != m_hWnd;) {
            ::PostMessageW(other, WM_SHADE_UNCHECK, 0, 0);
            other = GetNextDlgGroupItem(parent, other, FALSE);
            if (other == first) break;
        }
    }
    Invalidate(TRUE);
    return 0;
}
