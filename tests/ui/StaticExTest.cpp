#include "ui/StaticEx.h"

#include "tests/ui/TestCanvas.h"

#include <gtest/gtest.h>

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kShadow = RGB(208, 208, 208);

// A real static control in a hidden popup.
class StaticHost {
public:
    StaticHost() {
        m_parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr,
                                   nullptr, nullptr);
    }
    ~StaticHost() { DestroyWindow(m_parent); }
    HWND Add(const char* text, int width, int height) {
        return CreateWindowExA(WS_EX_TRANSPARENT, "STATIC", text, WS_CHILD | WS_VISIBLE, 0, 0,
                               width, height, m_parent, nullptr, nullptr, nullptr);
    }

private:
    HWND m_parent = nullptr;
};

} // namespace

TEST(StaticExTest, EnableShadowReturnsThePreviousSetting) {
    CStaticEx text;
    EXPECT_EQ(text.EnableShadow(1), 0);
    EXPECT_EQ(text.EnableShadow(1), 1);
    EXPECT_EQ(text.EnableShadow(0), 1);
}

TEST(StaticExTest, ShadowLiesThreePixelsAt96DpiRightAndDownBehindTheText) {
    StaticHost host;
    CStaticEx text;
    ASSERT_TRUE(text.SubclassWindow(host.Add("Kelvra V9 Setup", 160, 30)));
    EXPECT_EQ(text.SendMessage(WM_ERASEBKGND, 0, 0), TRUE);

    TestCanvas plain(160, 30), shadowed(160, 30);
    text.PaintText(plain.Dc());
    text.EnableShadow(1);
    text.PaintText(shadowed.Dc());
    // 3 at 96 DPI, 5 at 144 and 6 at 192 (the high-DPI tests run this too).
    const int d = MulDiv(3, GetDeviceCaps(plain.Dc(), LOGPIXELSY), 96);

    int ink = 0, shadowPixels = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 160; ++x) {
            if (plain.At(x, y) == kBlack) {
                ++ink;
                ASSERT_EQ(shadowed.At(x, y), kBlack) << x << "," << y; // the text stays on top
            } else if (plain.At(x, y) == kWhite && x >= d && y >= d &&
                       plain.At(x - d, y - d) == kBlack) {
                ++shadowPixels;
                ASSERT_EQ(shadowed.At(x, y), kShadow) << x << "," << y;
            }
            // Nothing up or left of the text's own reach changes colour but the shadow.
            if (plain.At(x, y) == kWhite && (x < d || y < d)) {
                ASSERT_EQ(shadowed.At(x, y), kWhite);
            }
        }
    }
    EXPECT_GT(ink, 20);
    EXPECT_GT(shadowPixels, 20);
}

TEST(StaticExTest, ShadowIsClippedAtTheControlsEdges) {
    StaticHost host;
    CStaticEx text;
    // Wrapped lines run past the bottom; the last glyphs touch the right edge.
    ASSERT_TRUE(text.SubclassWindow(host.Add("WWWWWWWWWWWWWWWWWWWW WWWW WWWW WWWW WWWW", 60, 16)));
    text.EnableShadow(1);
    TestCanvas canvas(120, 60);
    text.PaintText(canvas.Dc());
    int inside = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 120; ++x) {
            if (x < 60 && y < 16)
                inside += canvas.At(x, y) != kWhite;
            else
                ASSERT_EQ(canvas.At(x, y), kWhite) << x << "," << y;
        }
    }
    EXPECT_GT(inside, 0);
    // The shadow reaches the clipped edges.
    int edge = 0;
    for (int y = 0; y < 16; ++y) edge += canvas.At(59, y) == kShadow;
    for (int x = 0; x < 60; ++x) edge += canvas.At(x, 15) == kShadow;
    EXPECT_GT(edge, 0);
}

TEST(StaticExTest, TwoLineTextWithoutShadowIsBlackOnTwoLines) {
    StaticHost host;
    CStaticEx text;
    ASSERT_TRUE(text.SubclassWindow(host.Add("First line\nSecond line", 200, 60)));
    TestCanvas canvas(200, 60), withShadow(200, 60);
    text.PaintText(canvas.Dc()); // the shadow is off until switched on
    text.EnableShadow(1);
    text.PaintText(withShadow.Dc());

    // Rows with black ink form two bands with blank rows between them.
    int bands = 0, shadowOnly = 0;
    bool inBand = false;
    for (int y = 0; y < 60; ++y) {
        bool ink = false;
        for (int x = 0; x < 200; ++x) {
            COLORREF c = canvas.At(x, y);
            if (c == kBlack) ink = true;
            if (c == kWhite && withShadow.At(x, y) == kShadow) ++shadowOnly;
        }
        if (ink && !inBand) ++bands;
        inBand = ink;
    }
    EXPECT_EQ(bands, 2);
    EXPECT_GT(shadowOnly, 20); // what the shadow would have added
}
