// The wizard's owner-drawn push buttons, painted from shaded faces.
#pragma once

#include "framework/Controls.h"

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

class CShadeButton : public CButton {
public:
    void PrepareShades(unsigned style, unsigned char granularity, unsigned char highlight, unsigned char coloring,
                       COLORREF color);
};
