#include "ui/ShadeButton.h"

#include "tests/ui/TestCanvas.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// Opens the control's state to the test.
struct ShadeButtonProbe : CShadeButton {
    using CShadeButton::m_buttonKind;
    using CShadeButton::m_captionFormat;
    using CShadeButton::m_drawEdge;
    using CShadeButton::m_faceDisabled;
    using CShadeButton::m_faceHover;
    using CShadeButton::m_faceNormal;
    using CShadeButton::m_facePressed;
    using CShadeButton::m_flatLook;
    using CShadeButton::m_focusColumnDots;
    using CShadeButton::m_focusRowDots;
    using CShadeButton::m_isChecked;
    using CShadeButton::m_mouseInside;
    using CShadeButton::m_pushLike;
};

// A hidden popup holding real BUTTON windows, destroyed with the test.
class ButtonHost {
public:
    ButtonHost() {
        m_parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr,
                                   nullptr, nullptr);
    }
    ~ButtonHost() { DestroyWindow(m_parent); }
    HWND Parent() const { return m_parent; }
    HWND Add(DWORD style, int width = 80, int height = 24, const char* text = "") {
        return CreateWindowExA(
            0, "BUTTON", text, WS_CHILD | WS_VISIBLE | style, 0, 0, width, height, m_parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(++m_nextId)), nullptr, nullptr);
    }

private:
    HWND m_parent = nullptr;
    int m_nextId = 100;
};

// The next count values of the runtime's generator after srand(seed).
std::vector<int> RandSequence(unsigned seed, size_t count) {
    srand(seed);
    std::vector<int> values(count);
    for (int& v : values) v = rand();
    return values;
}

// Pixel of stored row b (counted from the bottom).
int Pixel(const CDibSurface& s, int x, int b) { return s.PixelData()[b * s.RowBytes() + x]; }

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

constexpr unsigned kSeed = 4711;
constexpr int kW = 80, kH = 24;

} // namespace

TEST(ShadeButtonPaletteTest, FacesRunFromShadowThroughFaceToHighlight) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON)));
    button.PrepareShades(ShadeGrain, 8, 10, 0, 0);
    ASSERT_TRUE(button.m_faceNormal.HasPixels());

    const COLORREF S = GetSysColor(COLOR_BTNSHADOW), F = GetSysColor(COLOR_BTNFACE),
                   L = GetSysColor(COLOR_BTNHIGHLIGHT);
    auto channelMix = [](int a, int wa, int b, int wb) { return (a * wa + b * wb) / 128; };
    auto expected = [&](int k) {
        if (k < 128)
            return RGB(channelMix(GetRValue(S), 128 - k, GetRValue(F), k),
                       channelMix(GetGValue(S), 128 - k, GetGValue(F), k),
                       channelMix(GetBValue(S), 128 - k, GetBValue(F), k));
        return RGB(channelMix(GetRValue(F), 255 - k, GetRValue(L), k - 127),
                   channelMix(GetGValue(F), 255 - k, GetGValue(L), k - 127),
                   channelMix(GetBValue(F), 255 - k, GetBValue(L), k - 127));
    };
    const RGBQUAD* normal = button.m_faceNormal.Palette();
    EXPECT_EQ(ToColor(normal[0]), S);
    EXPECT_EQ(ToColor(normal[255]), L);
    for (int k : {0, 1, 64, 127, 128, 129, 200, 254, 255})
        EXPECT_EQ(ToColor(normal[k]), expected(k)) << k;
    // The focus strips use the same, untinted palette.
    EXPECT_EQ(ToColor(button.m_focusRowDots.Palette()[0]), S);
    EXPECT_EQ(ToColor(button.m_focusColumnDots.Palette()[255]), L);

    // Hover and pressed: 10 % toward the highlight; disabled: the normal face.
    for (int k : {0, 100, 128, 255}) {
        COLORREF n = ToColor(normal[k]);
        COLORREF hover = RGB((GetRValue(L) * 10 + GetRValue(n) * 90) / 100,
                             (GetGValue(L) * 10 + GetGValue(n) * 90) / 100,
                             (GetBValue(L) * 10 + GetBValue(n) * 90) / 100);
        EXPECT_EQ(ToColor(button.m_faceHover.Palette()[k]), hover) << k;
        EXPECT_EQ(ToColor(button.m_facePressed.Palette()[k]), hover) << k;
        EXPECT_EQ(ToColor(button.m_faceDisabled.Palette()[k]), n) << k;
    }
    // Only the colour tables differ.
    const size_t pixelBytes = button.m_faceNormal.Header().biSizeImage;
    EXPECT_EQ(memcmp(button.m_faceHover.PixelData(), button.m_faceNormal.PixelData(), pixelBytes),
              0);
    EXPECT_EQ(
        memcmp(button.m_faceDisabled.PixelData(), button.m_faceNormal.PixelData(), pixelBytes), 0);
}

TEST(ShadeButtonPaletteTest, HighlightAndColoringExtremes) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON)));
    const COLORREF L = GetSysColor(COLOR_BTNHIGHLIGHT);

    button.PrepareShades(ShadeCornerCurve, 8, 200, 0, RGB(0, 0, 0)); // acts as 100
    for (int k : {0, 77, 255}) EXPECT_EQ(ToColor(button.m_faceHover.Palette()[k]), L) << k;

    button.PrepareShades(ShadeCornerCurve, 8, 0, 0, RGB(0, 0, 0));
    EXPECT_EQ(memcmp(button.m_faceHover.Palette(), button.m_faceNormal.Palette(), 1024), 0);

    // Coloring tints every face, the focus strips excepted.
    button.PrepareShades(ShadeCornerCurve, 8, 10, 100, RGB(1, 2, 3));
    EXPECT_EQ(ToColor(button.m_faceNormal.Palette()[40]), RGB(1, 2, 3));
    EXPECT_EQ(ToColor(button.m_faceDisabled.Palette()[40]), RGB(1, 2, 3));
    EXPECT_EQ(ToColor(button.m_focusRowDots.Palette()[0]), GetSysColor(COLOR_BTNSHADOW));
}

TEST(ShadeButtonShadingTest, GrainStyleAndOutOfRangeStyles) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    for (unsigned style : {0u, 9u, 1000u}) {
        std::vector<int> r = RandSequence(kSeed, kW * kH);
        srand(kSeed);
        button.PrepareShades(style, 8, 10, 0, 0);
        // J = 32767 / 16 = 2047; n = R / 2047 - 8; rows from the bottom, left to right.
        for (int b : {0, 5, kH - 1})
            for (int x : {0, 33, kW - 1})
                ASSERT_EQ(Pixel(button.m_faceNormal, x, b), 128 + r[b * kW + x] / 2047 - 8)
                    << "style " << style << " x " << x << " b " << b;
    }
}

TEST(ShadeButtonShadingTest, RampsFollowTheirVisitingOrder) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    const int g = 8, d = 255 - 2 * g;

    std::vector<int> r = RandSequence(kSeed, kW * kH);
    srand(kSeed);
    button.PrepareShades(ShadeRowRamp, g, 10, 0, 0);
    // Top row b = 23: 8 + 239 * 23 / 24 = 237; bottom row: 8.
    EXPECT_EQ(Pixel(button.m_faceNormal, 10, 23), 237 + r[23 * kW + 10] / 2047 - 8);
    EXPECT_EQ(Pixel(button.m_faceNormal, 10, 0), 8 + r[10] / 2047 - 8);

    srand(kSeed);
    button.PrepareShades(ShadeColumnRamp, g, 10, 0, 0);
    // Column by column, each from the bottom up: pixel (x, b) takes draw x * H + b.
    // Left column: 8 + 239 * 80 / 80 = 247; right column: 8 + 239 / 80 = 10.
    EXPECT_EQ(Pixel(button.m_faceNormal, 0, 5), 247 + r[0 * kH + 5] / 2047 - 8);
    EXPECT_EQ(Pixel(button.m_faceNormal, 79, 0), 10 + r[79 * kH + 0] / 2047 - 8);
    EXPECT_EQ(Pixel(button.m_faceNormal, 40, 12), g + d * 40 / 80 + r[40 * kH + 12] / 2047 - 8);

    srand(kSeed);
    button.PrepareShades(ShadeColumnCurve, g, 10, 0, 0);
    // Left column: t = 128, c = 128: 128 + 128 * 120 / 128 = 248; also column by column.
    EXPECT_EQ(Pixel(button.m_faceNormal, 0, 7), 248 + r[0 * kH + 7] / 2047 - 8);
    // Second column: t = 255 * 79 / 80 - 127 = 124, c = 116: 128 + 116 * 120 / 128 = 236.
    EXPECT_EQ(Pixel(button.m_faceNormal, 1, 0), 236 + r[1 * kH + 0] / 2047 - 8);
}

TEST(ShadeButtonShadingTest, DiagonalRampAndRowCurve) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    std::vector<int> r = RandSequence(kSeed, kW * kH);

    srand(kSeed);
    button.PrepareShades(ShadeDiagonalRamp, 8, 10, 0, 0);
    // h = 119; top left: 119 * 80 / 80 + 119 * 23 / 24 + 8 = 119 + 114 + 8 = 241.
    EXPECT_EQ(Pixel(button.m_faceNormal, 0, 23), 241 + r[23 * kW] / 2047 - 8);
    // Bottom right: 119 * 1 / 80 + 0 + 8 = 9.
    EXPECT_EQ(Pixel(button.m_faceNormal, 79, 0), 9 + r[79] / 2047 - 8);

    srand(kSeed);
    button.PrepareShades(ShadeRowCurve, 8, 10, 0, 0);
    // Bottom row: t = -127, c = -125: 128 - 15000 / 128 = 128 - 117 = 11 (truncated toward zero).
    EXPECT_EQ(Pixel(button.m_faceNormal, 30, 0), 11 + r[30] / 2047 - 8);
}

TEST(ShadeButtonShadingTest, CornerCurveIsClampedBeforeTheGrain) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    std::vector<int> r = RandSequence(kSeed, kW * kH);
    srand(kSeed);
    button.PrepareShades(ShadeCornerCurve, 8, 10, 0, 0);
    // Top left (x 0, b 23): ty = 117, c = 97; tx = 128, c = 128;
    // 128 + 225 * 120 / 128 = 338, clamped to 247.
    EXPECT_EQ(Pixel(button.m_faceNormal, 0, 23), 247 + r[23 * kW] / 2047 - 8);
    // Bottom right (x 79, b 0): ty = -127, c = -125; tx = -124, c = -116;
    // 128 - 241 * 120 / 128 = -97, clamped to 8.
    EXPECT_EQ(Pixel(button.m_faceNormal, 79, 0), 8 + r[79] / 2047 - 8);
    // Middle (x 40, b 12): ty = 0, tx = 0: 128.
    EXPECT_EQ(Pixel(button.m_faceNormal, 40, 12), 128 + r[12 * kW + 40] / 2047 - 8);
}

TEST(ShadeButtonShadingTest, PixelStoresWrapAroundAt256) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    std::vector<int> r = RandSequence(kSeed, kW * kH);
    srand(kSeed);
    button.PrepareShades(ShadeGrain, 200, 10, 0, 0);
    // J = 32767 / 400 = 81: the grain runs from -200 to +204 around 128.
    int wrappedLow = 0, wrappedHigh = 0;
    for (int i = 0; i < kW * kH; ++i) {
        int value = 128 + r[i] / 81 - 200;
        wrappedLow += value < 0;
        wrappedHigh += value > 255;
        ASSERT_EQ(Pixel(button.m_faceNormal, i % kW, i / kW), (value + 512) % 256) << i;
    }
    EXPECT_GT(wrappedLow, 0);
    EXPECT_GT(wrappedHigh, 0);
}

TEST(ShadeButtonShadingTest, BevelCurveHasLensShapedEnds) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    std::vector<int> r = RandSequence(kSeed, 2 * kW * kH);
    srand(kSeed);
    button.PrepareShades(ShadeBevelCurve, 8, 10, 0, 0);
    auto first = [&](int x, int b) { return r[b * kW + x] / 2047 - 8; };
    auto second = [&](int x, int b) { return r[kW * kH + b * kW + x] / 2047 - 8; };
    const CDibSurface& face = button.m_faceNormal;

    // w = min(80 / 6, 16) = 13, q = 144. Mid-height row b = 12: R = 27, so
    // x 0..12 is the left bevel and x 68..79 the right one.
    EXPECT_EQ(Pixel(face, 0, 12), 247 + second(0, 12));
    EXPECT_EQ(Pixel(face, 12, 12), 247 - 128 * 12 / 13 + second(12, 12));
    EXPECT_EQ(Pixel(face, 68, 12), 8 + 128 * 12 / 13 + second(68, 12));
    EXPECT_EQ(Pixel(face, 79, 12), 8 + 128 / 13 + second(79, 12));
    // Interior pixels carry both grains: row 12 has t = 0, so 128.
    EXPECT_EQ(Pixel(face, 13, 12), 128 + first(13, 12) + second(13, 12));
    EXPECT_EQ(Pixel(face, 67, 12), 128 + first(67, 12) + second(67, 12));
    // Top row b = 23: R = 13 * 121 / 144 + 27 = 37: x 0..2 and 78..79.
    // t = 117, c = 97: 128 + 97 * 56 * 2 / 128 = 212.
    EXPECT_EQ(Pixel(face, 2, 23), 247 - 128 * 2 / 13 + second(2, 23));
    EXPECT_EQ(Pixel(face, 3, 23), 212 + first(3, 23) + second(3, 23));
    EXPECT_EQ(Pixel(face, 78, 23), 8 + 128 * 2 / 13 + second(78, 23));
    EXPECT_EQ(Pixel(face, 77, 23), 212 + first(77, 23) + second(77, 23));
    // Bottom row b = 0: R = 40, no bevel. t = -127, c = -125: 128 - 125 * 112 / 128 = 19.
    EXPECT_EQ(Pixel(face, 0, 0), 19 + first(0, 0) + second(0, 0));
    EXPECT_EQ(Pixel(face, 79, 0), 19 + first(79, 0) + second(79, 0));
}

TEST(ShadeButtonShadingTest, NarrowButtonsGetNoBevelAndOddSizesNoFaces) {
    ButtonHost host;
    ShadeButtonProbe narrow;
    ASSERT_TRUE(narrow.SubclassWindow(host.Add(BS_PUSHBUTTON, 5, 20)));
    std::vector<int> r = RandSequence(kSeed, 2 * 5 * 20);
    srand(kSeed);
    narrow.PrepareShades(ShadeBevelCurve, 8, 10, 0, 0);
    // Row 10 (t = 0) at the edges: only the two grains, no bevel.
    EXPECT_EQ(Pixel(narrow.m_faceNormal, 0, 10),
              128 + r[10 * 5] / 2047 - 8 + r[100 + 10 * 5] / 2047 - 8);
    EXPECT_EQ(Pixel(narrow.m_faceNormal, 4, 10),
              128 + r[10 * 5 + 4] / 2047 - 8 + r[100 + 10 * 5 + 4] / 2047 - 8);

    // One pixel high: the bevel would divide by zero; the faces stay empty.
    ShadeButtonProbe flat;
    ASSERT_TRUE(flat.SubclassWindow(host.Add(BS_PUSHBUTTON, 40, 1)));
    flat.PrepareShades(ShadeBevelCurve, 8, 10, 0, 0);
    EXPECT_FALSE(flat.m_faceNormal.HasPixels());
    EXPECT_FALSE(flat.m_faceHover.HasPixels());
    EXPECT_FALSE(flat.m_focusRowDots.HasPixels());
}

TEST(ShadeButtonShadingTest, StreaksStyleFillsEveryPixelDeterministically) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    srand(kSeed);
    button.PrepareShades(ShadeStreaks, 8, 10, 0, 0);
    // 200 streaks of four draws each, then one draw per pixel.
    const int afterwards = rand();
    std::vector<int> r = RandSequence(kSeed, 800 + kW * kH + 1);
    EXPECT_EQ(afterwards, r.back());
    // The bottom-right pixel: ramp a = 99: 99 * 1 / 80 + 0 = 1, plus R / 2047, over a streak value
    // 0..40.
    int value = Pixel(button.m_faceNormal, 79, 0) - 1 - r[800 + 79] / 2047;
    EXPECT_GE(value, 0);
    EXPECT_LE(value, 40);
}

TEST(ShadeButtonShadingTest, FocusStripsAlternateShadowAndHighlight) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    button.PrepareShades(ShadeBevelCurve, 8, 10, 0, 0);
    ASSERT_EQ(button.m_focusRowDots.Width(), 80 - 8 - 1);
    ASSERT_EQ(button.m_focusRowDots.Height(), 1);
    ASSERT_EQ(button.m_focusColumnDots.Width(), 1);
    ASSERT_EQ(button.m_focusColumnDots.Height(), 24 - 8);
    for (int x = 0; x < 71; ++x)
        ASSERT_EQ(Pixel(button.m_focusRowDots, x, 0), x % 2 ? 255 : 0) << x;
    for (int b = 0; b < 16; ++b)
        ASSERT_EQ(Pixel(button.m_focusColumnDots, 0, b), b % 2 ? 255 : 0) << b;
}

TEST(ShadeButtonClassifyTest, KindEdgesAlignmentAndOwnerDraw) {
    struct Case {
        DWORD style;
        int kind;
        int pushLike, drawEdge, flat;
        UINT format;
    } cases[] = {
        {BS_PUSHBUTTON, 0, 1, 1, 0, 0x25},
        {BS_DEFPUSHBUTTON, 0, 1, 1, 0, 0x25},
        {BS_AUTOCHECKBOX, 2, 0, 0, 0, 0x25},
        {BS_AUTORADIOBUTTON, 4, 0, 0, 0, 0x25},
        {BS_GROUPBOX, 2, 0, 0, 0, 0x25},
        {BS_AUTOCHECKBOX | BS_PUSHLIKE, 2, 1, 1, 0, 0x25},
        {BS_AUTORADIOBUTTON | BS_PUSHLIKE | BS_FLAT, 4, 1, 1, 1, 0x25},
        {BS_PUSHBUTTON | BS_FLAT, 0, 1, 1, 1, 0x25},
        {BS_PUSHBUTTON | BS_LEFT, 0, 1, 1, 0, 0x24},
        {BS_PUSHBUTTON | BS_RIGHT, 0, 1, 1, 0, 0x26},
        {BS_PUSHBUTTON | BS_CENTER, 0, 1, 1, 0, 0x25},
    };
    ButtonHost host;
    for (const Case& c : cases) {
        ShadeButtonProbe button;
        HWND hwnd = host.Add(c.style);
        ASSERT_TRUE(button.SubclassWindow(hwnd));
        EXPECT_EQ(button.m_buttonKind, c.kind) << std::hex << c.style;
        EXPECT_EQ(button.m_pushLike, c.pushLike) << std::hex << c.style;
        EXPECT_EQ(button.m_drawEdge, c.drawEdge) << std::hex << c.style;
        EXPECT_EQ(button.m_flatLook, c.flat) << std::hex << c.style;
        EXPECT_EQ(button.m_captionFormat, c.format) << std::hex << c.style;
        EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_STYLE) & BS_OWNERDRAW, BS_OWNERDRAW)
            << std::hex << c.style;
        DestroyWindow(hwnd);
    }
}

TEST(ShadeButtonCheckTest, PushCheckBoxAndSpaceKey) {
    ButtonHost host;
    ShadeButtonProbe push, check;
    ASSERT_TRUE(push.SubclassWindow(host.Add(BS_PUSHBUTTON)));
    ASSERT_TRUE(check.SubclassWindow(host.Add(BS_AUTOCHECKBOX)));

    push.SendMessage(BM_SETCHECK, 1);
    EXPECT_EQ(push.SendMessage(BM_GETCHECK), 0);
    push.SendMessage(WM_KEYDOWN, VK_SPACE);
    EXPECT_EQ(push.SendMessage(BM_GETCHECK), 0);

    check.SendMessage(BM_SETCHECK, 5);
    EXPECT_EQ(check.SendMessage(BM_GETCHECK), 1);
    check.SendMessage(BM_SETCHECK, 0);
    EXPECT_EQ(check.SendMessage(BM_GETCHECK), 0);
    check.SendMessage(WM_KEYDOWN, VK_SPACE);
    EXPECT_EQ(check.SendMessage(BM_GETCHECK), 1);
    check.SendMessage(WM_KEYDOWN, VK_SPACE);
    EXPECT_EQ(check.SendMessage(BM_GETCHECK), 0);
    check.SendMessage(WM_KEYDOWN, 'A');
    EXPECT_EQ(check.SendMessage(BM_GETCHECK), 0);

    check.SendMessage(BM_SETCHECK, 1);
    EXPECT_EQ(check.SendMessage(WM_SHADE_UNCHECK), 0);
    EXPECT_EQ(check.SendMessage(BM_GETCHECK), 0);
}

TEST(ShadeButtonCheckTest, RadioUnchecksTheRestOfItsGroupOnly) {
    ButtonHost host;
    ShadeButtonProbe a, b, c, outside;
    ASSERT_TRUE(a.SubclassWindow(host.Add(BS_AUTORADIOBUTTON | WS_GROUP)));
    ASSERT_TRUE(b.SubclassWindow(host.Add(BS_AUTORADIOBUTTON)));
    ASSERT_TRUE(c.SubclassWindow(host.Add(BS_AUTORADIOBUTTON)));
    ASSERT_TRUE(outside.SubclassWindow(host.Add(BS_AUTORADIOBUTTON | WS_GROUP)));

    outside.SendMessage(BM_SETCHECK, 1);
    a.SendMessage(BM_SETCHECK, 1);
    PumpMessages();
    EXPECT_EQ(a.SendMessage(BM_GETCHECK), 1);

    b.SendMessage(BM_SETCHECK, 1);
    EXPECT_EQ(a.SendMessage(BM_GETCHECK), 1); // posted, not sent
    PumpMessages();
    EXPECT_EQ(a.SendMessage(BM_GETCHECK), 0);
    EXPECT_EQ(b.SendMessage(BM_GETCHECK), 1);
    EXPECT_EQ(c.SendMessage(BM_GETCHECK), 0);
    EXPECT_EQ(outside.SendMessage(BM_GETCHECK), 1);

    // Checking an already checked one keeps it checked.
    b.SendMessage(WM_KEYDOWN, VK_SPACE);
    PumpMessages();
    EXPECT_EQ(b.SendMessage(BM_GETCHECK), 1);
}

TEST(ShadeButtonCheckTest, DisabledRadioCheckEndsItsGroupWalk) {
    // The group walk skips disabled controls, so it never comes back to a
    // disabled sender: the walk must end anyway.
    ButtonHost host;
    ShadeButtonProbe a, b, c;
    ASSERT_TRUE(a.SubclassWindow(host.Add(BS_AUTORADIOBUTTON | WS_GROUP)));
    ASSERT_TRUE(b.SubclassWindow(host.Add(BS_AUTORADIOBUTTON | WS_DISABLED)));
    ASSERT_TRUE(c.SubclassWindow(host.Add(BS_AUTORADIOBUTTON)));
    a.SendMessage(BM_SETCHECK, 1);
    PumpMessages();
    b.SendMessage(BM_SETCHECK, 1);
    PumpMessages();
    EXPECT_EQ(b.SendMessage(BM_GETCHECK), 1);
    EXPECT_EQ(a.SendMessage(BM_GETCHECK), 0);
}

namespace {

// Draws the button into a canvas as its parent's WM_DRAWITEM would.
void DrawInto(CShadeButton& button, TestCanvas& canvas, UINT state) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = button.GetSafeHwnd();
    dis.hDC = canvas.Dc();
    dis.rcItem = RECT{0, 0, kW, kH};
    button.DrawItem(&dis);
}

// The colour of face pixel (x, y counted from the top).
COLORREF FaceColor(const CDibSurface& face, int x, int y) {
    return ToColor(face.Palette()[Pixel(face, x, face.Height() - 1 - y)]);
}

} // namespace

TEST(ShadeButtonDrawTest, DisabledShowsTheNormalFaceRaisedAndNoFocus) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    button.PrepareShades(ShadeBevelCurve, 8, 10, 0, 0);
    button.m_mouseInside = 1; // never the hover face when disabled
    TestCanvas canvas(kW, kH, RGB(1, 2, 3));
    DrawInto(button, canvas, ODS_DISABLED | ODS_FOCUS | ODS_SELECTED);

    EXPECT_EQ(canvas.At(0, 0), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(canvas.At(1, 1), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(canvas.At(kW - 1, kH - 1), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(canvas.At(kW - 2, kH - 2), GetSysColor(COLOR_3DSHADOW));
    for (POINT p : {POINT{40, 12}, POINT{5, 4}, POINT{6, 4}, POINT{4, 5}, POINT{30, 20}})
        EXPECT_EQ(canvas.At(p.x, p.y), FaceColor(button.m_faceDisabled, p.x, p.y))
            << p.x << "," << p.y;
}

TEST(ShadeButtonDrawTest, PressedShowsTheTintedFaceShiftedAndSunken) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    button.PrepareShades(ShadeBevelCurve, 8, 10, 0, 0);
    TestCanvas canvas(kW, kH, RGB(1, 2, 3));
    DrawInto(button, canvas, ODS_SELECTED);

    EXPECT_EQ(canvas.At(0, 0), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(canvas.At(1, 1), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(canvas.At(kW - 1, kH - 1), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(canvas.At(kW - 2, kH - 2), GetSysColor(COLOR_3DLIGHT));
    for (POINT p : {POINT{41, 13}, POINT{3, 3}, POINT{70, 18}})
        EXPECT_EQ(canvas.At(p.x, p.y), FaceColor(button.m_facePressed, p.x - 1, p.y - 1))
            << p.x << "," << p.y;
}

TEST(ShadeButtonDrawTest, FocusFrameSitsInsideTheEdge) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    button.PrepareShades(ShadeBevelCurve, 8, 10, 0, 0);
    const COLORREF S = GetSysColor(COLOR_BTNSHADOW), L = GetSysColor(COLOR_BTNHIGHLIGHT);

    TestCanvas canvas(kW, kH, RGB(1, 2, 3));
    DrawInto(button, canvas, ODS_FOCUS);
    EXPECT_EQ(canvas.At(0, 0), GetSysColor(COLOR_3DLIGHT)); // raised
    // Frame (4,4)-(76,20): rows of dots from x 5, columns from y 5.
    EXPECT_EQ(canvas.At(5, 4), S);
    EXPECT_EQ(canvas.At(6, 4), L);
    EXPECT_EQ(canvas.At(75, 20), S);
    EXPECT_EQ(canvas.At(4, 5), L); // the column's top pixel is its stored row 15
    EXPECT_EQ(canvas.At(4, 6), S);
    EXPECT_EQ(canvas.At(76, 20), S);
    EXPECT_EQ(canvas.At(40, 12), FaceColor(button.m_faceNormal, 40, 12));

    // The default button: sunken outer edge, raised inner one, frame one pixel further in.
    DrawInto(button, canvas, ODS_FOCUS | ODS_DEFAULT);
    EXPECT_EQ(canvas.At(0, 0), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(canvas.At(1, 1), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(canvas.At(6, 5), S);
    EXPECT_EQ(canvas.At(7, 5), L);
    EXPECT_EQ(canvas.At(5, 4), FaceColor(button.m_faceNormal, 5, 4));

    // The mouse over the button: the hover face.
    button.m_mouseInside = 1;
    DrawInto(button, canvas, 0);
    EXPECT_EQ(canvas.At(40, 12), FaceColor(button.m_faceHover, 40, 12));
    EXPECT_NE(FaceColor(button.m_faceHover, 40, 12), FaceColor(button.m_faceNormal, 40, 12));
}

TEST(ShadeButtonDrawTest, WithoutFacesThePlainFaceColourIsDrawn) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    TestCanvas canvas(kW, kH, RGB(1, 2, 3));
    DrawInto(button, canvas, ODS_FOCUS);
    EXPECT_EQ(canvas.At(40, 12), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(canvas.At(5, 4), GetSysColor(COLOR_BTNFACE)); // no strips, no dots
    EXPECT_EQ(canvas.At(0, 0), GetSysColor(COLOR_3DLIGHT));
}
