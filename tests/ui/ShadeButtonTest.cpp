#include "ui/ShadeButton.h"

#include "tests/ui/TestCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Pixel of stored row b (counted from the bottom).
int Pixel(const CDibSurface& s, int x, int b) { return s.PixelData()[b * s.RowBytes() + x]; }

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

constexpr unsigned kSeed = 4711;
constexpr int kW = 80, kH = 24;

} // namespace

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

namespace {

int Brightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

// What the user sees of a face: the canvas inside the button's edges and
// focus frame.
struct Seen {
    static constexpr int kLeft = 6, kTop = 6, kRight = kW - 6, kBottom = kH - 6;
    std::vector<COLORREF> pixels;
    explicit Seen(const TestCanvas& canvas) {
        for (int y = kTop; y < kBottom; ++y)
            for (int x = kLeft; x < kRight; ++x) pixels.push_back(canvas.At(x, y));
    }
    COLORREF At(int x, int y) const { return pixels[(y - kTop) * (kRight - kLeft) + x - kLeft]; }
    double Row(int y) const {
        double sum = 0;
        for (int x = kLeft; x < kRight; ++x) sum += Brightness(At(x, y));
        return sum / (kRight - kLeft);
    }
    double Column(int x) const {
        double sum = 0;
        for (int y = kTop; y < kBottom; ++y) sum += Brightness(At(x, y));
        return sum / (kBottom - kTop);
    }
};

Seen Draw(CShadeButton& button, UINT state) {
    TestCanvas canvas(kW, kH, RGB(1, 2, 3));
    DrawInto(button, canvas, state);
    return Seen(canvas);
}

} // namespace

// Every face runs between the system's shadow and highlight colours, and a
// ramp climbs steadily across the button, whatever the grain.
TEST(ShadeButtonLookTest, RampsRunFromShadowToHighlightSteadily) {
    ButtonHost host;
    CShadeButton button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    const COLORREF S = GetSysColor(COLOR_BTNSHADOW), F = GetSysColor(COLOR_BTNFACE),
                   L = GetSysColor(COLOR_BTNHIGHLIGHT);
    ASSERT_LT(Brightness(S), Brightness(L)) << "the premise: a shadow darker than the highlight";
    auto between = [&](COLORREF c) {
        for (int shift : {0, 8, 16}) {
            const int v = (c >> shift) & 0xFF, a = (S >> shift) & 0xFF, b = (L >> shift) & 0xFF;
            if (v < std::min(a, b) || v > std::max(a, b)) return false;
        }
        return true;
    };
    struct Ramp {
        unsigned style;
        bool alongRows; // brighter toward the top; otherwise toward the left
    };
    for (const Ramp& ramp : {Ramp{ShadeRowRamp, true}, Ramp{ShadeColumnRamp, false}}) {
        SCOPED_TRACE(ramp.style);
        srand(kSeed);
        button.PrepareShades(ramp.style, 2, 10, 0, 0);
        const Seen seen = Draw(button, 0);
        for (COLORREF c : seen.pixels) ASSERT_TRUE(between(c)) << std::hex << c;
        const int first = ramp.alongRows ? Seen::kTop : Seen::kLeft;
        const int last = (ramp.alongRows ? Seen::kBottom : Seen::kRight) - 1;
        auto line = [&](int i) { return ramp.alongRows ? seen.Row(i) : seen.Column(i); };
        // Steps of the grain (two levels either way) may not turn it back.
        for (int i = first + 1; i <= last; ++i) EXPECT_LE(line(i), line(i - 1) + 6) << i;
        EXPECT_GT(line(first), line(last) + 30);
    }
    // The diagonal: the top left brightest, the bottom right darkest.
    srand(kSeed);
    button.PrepareShades(ShadeDiagonalRamp, 2, 10, 0, 0);
    const Seen diagonal = Draw(button, 0);
    EXPECT_GT(Brightness(diagonal.At(Seen::kLeft, Seen::kTop)),
              Brightness(diagonal.At(Seen::kRight - 1, Seen::kBottom - 1)) + 30);
    EXPECT_GE(Brightness(diagonal.At(Seen::kLeft, Seen::kTop)), Brightness(F));

    // Coloring at full strength: the user sees only that colour.
    button.PrepareShades(ShadeBevelCurve, 8, 10, 100, RGB(1, 2, 3));
    for (COLORREF c : Draw(button, 0).pixels) ASSERT_EQ(c, RGB(1, 2, 3));
}

// The mouse over the button and a press show other faces; a disabled button
// shows the normal one.
TEST(ShadeButtonLookTest, HoverAndPressDifferAndDisabledLooksNormal) {
    ButtonHost host;
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    srand(kSeed);
    button.PrepareShades(ShadeCornerCurve, 8, 10, 0, 0);
    const Seen normal = Draw(button, 0);
    const Seen disabled = Draw(button, ODS_DISABLED);
    const Seen pressed = Draw(button, ODS_SELECTED);
    button.m_mouseInside = 1;
    const Seen hover = Draw(button, 0);

    EXPECT_EQ(disabled.pixels, normal.pixels);
    EXPECT_NE(pressed.pixels, normal.pixels);
    // Hover tints toward the highlight: never darker, brighter somewhere.
    int brighter = 0;
    for (size_t i = 0; i < normal.pixels.size(); ++i) {
        ASSERT_GE(Brightness(hover.pixels[i]), Brightness(normal.pixels[i])) << i;
        brighter += Brightness(hover.pixels[i]) > Brightness(normal.pixels[i]);
    }
    EXPECT_GT(brighter, 0);

    // Full highlight (anything above 100 acts as 100): the hover face is the highlight.
    button.PrepareShades(ShadeCornerCurve, 8, 200, 0, 0);
    for (COLORREF c : Draw(button, 0).pixels) ASSERT_EQ(c, GetSysColor(COLOR_BTNHIGHLIGHT));
}

// The grain is the same for the same seed, in every style: the buttons look
// the same run after run, and the grain does show.
TEST(ShadeButtonLookTest, TheSameSeedGivesTheSamePixels) {
    ButtonHost host;
    CShadeButton first, second;
    ASSERT_TRUE(first.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    ASSERT_TRUE(second.SubclassWindow(host.Add(BS_PUSHBUTTON, kW, kH)));
    for (unsigned style = ShadeGrain; style <= ShadeStreaks; ++style) {
        SCOPED_TRACE(style);
        srand(kSeed);
        first.PrepareShades(style, 8, 10, 0, 0);
        srand(kSeed);
        second.PrepareShades(style, 8, 10, 0, 0);
        const Seen one = Draw(first, 0);
        EXPECT_EQ(Draw(second, 0).pixels, one.pixels);
        srand(kSeed + 1);
        second.PrepareShades(style, 8, 10, 0, 0);
        EXPECT_NE(Draw(second, 0).pixels, one.pixels) << "no grain to be seen";
    }
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
