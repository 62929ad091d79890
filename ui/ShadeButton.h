// The wizard's owner-drawn push buttons, painted from shaded faces: 8-bit
// images of brightness values built once from the system's button colours and
// a fixed pseudo-random grain, recoloured for hover and pressed through their
// colour tables only. The control also runs its own check-box and radio-button
// logic for template buttons of those kinds.
#pragma once

#include "framework/Controls.h"
#include "ui/DibSurface.h"

// Shade styles of PrepareShades.
enum ShadeStyle : unsigned {
    ShadeGrain = 0,
    ShadeDiagonalRamp = 1,
    ShadeRowRamp = 2,
    ShadeColumnRamp = 3,
    ShadeRowCurve = 4,
    ShadeColumnCurve = 5,
    ShadeCornerCurve = 6,
    ShadeBevelCurve = 7,
    ShadeStreaks = 8,
};

// Posted to the other controls of a radio button's dialog group when it is checked.
constexpr UINT WM_SHADE_UNCHECK = WM_USER + 256;

class CShadeButton : public CButton {
public:
    enum Kind { KindPush = 0, KindCheckBox = 2, KindRadio = 4 };

    CShadeButton();
    ~CShadeButton() override = default;

    // Builds the faces and focus strips from the window's current size and the
    // system's button colours. style 0-8 (others act as 0); granularity is the
    // grain's amplitude; highlight (percent) tints the hover and pressed faces
    // toward the highlight colour; coloring (percent) tints every face toward color.
    void PrepareShades(unsigned style, unsigned char granularity, unsigned char highlight,
                       unsigned char coloring, COLORREF color);

    void DrawItem(DRAWITEMSTRUCT* dis) override;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

    LRESULT OnLButtonDown(WPARAM wp, LPARAM lp);
    LRESULT OnLButtonUp(WPARAM wp, LPARAM lp);
    LRESULT OnMouseMove(WPARAM wp, LPARAM lp);
    LRESULT OnLButtonDblClk(WPARAM wp, LPARAM lp);
    LRESULT OnKillFocus(WPARAM wp, LPARAM lp);
    LRESULT OnKeyDown(WPARAM wp, LPARAM lp);
    LRESULT OnMouseLeave();
    LRESULT OnShadeUncheck();
    LRESULT OnSetCheck(WPARAM check);

    // Fills m_faceNormal's pixels in the given style (W x H from the surface).
    void ShadeFace(unsigned style, int granularity);
    // Flips a check box, checks a radio button (the user's click or space key).
    void ToggleByUser();
    void DrawFocusFrame(HDC dc, RECT r) const;
    bool IsUnderCursor(POINT screenPoint) const;

    BYTE m_isChecked = 0;
    BYTE m_pushLike = 0;
    int m_buttonKind = KindPush;
    CDibSurface m_faceNormal;
    CDibSurface m_facePressed;
    CDibSurface m_faceDisabled;
    CDibSurface m_faceHover;
    CDibSurface m_focusRowDots;
    CDibSurface m_focusColumnDots;
    BYTE m_mouseInside = 0;
    BYTE m_leftPressed = 0;
    short m_focusInset = 4;
    COLORREF m_captionColor;
    int m_drawEdge = 1;
    UINT m_captionFormat = DT_CENTER;
    BYTE m_flatLook = 0;
};
