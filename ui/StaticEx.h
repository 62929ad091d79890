// A static text that paints itself, optionally over a light grey drop shadow.
#pragma once

#include "framework/Controls.h"

class CStaticEx : public CStatic {
public:
    // Turns the shadow on (nonzero) or off; returns the previous setting.
    int EnableShadow(int on) {
        int previous = m_shadowOn;
        m_shadowOn = on;
        return previous;
    }

private:
    int m_shadowOn = 0;
};
