// The shaded button under the mouse: real windows on the test display, mouse
// messages sent as the system would deliver them, the parent's click
// notifications recorded.
#include "ui/ShadeButton.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ShadeButtonProbe : CShadeButton {
    using CShadeButton::m_leftPressed;
    using CShadeButton::m_mouseInside;
};

// What the parent heard: one entry per BN_CLICKED, the button's check state at that moment.
std::vector<LRESULT> g_clickChecks;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED)
            g_clickChecks.push_back(SendMessageA(reinterpret_cast<HWND>(lp), BM_GETCHECK, 0, 0));
        return 0;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (CWnd* control = CWnd::FromHandlePermanent(dis->hwndItem)) control->DrawItem(dis);
        return TRUE;
    }
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

// A topmost popup at (100,100) holding one button at (10,10), 80 x 24.
class MouseHost {
public:
    explicit MouseHost(DWORD buttonStyle) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KelvraShadeMouseTest";
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        RegisterClassA(&wc); // a second registration fails harmlessly
        m_parent = CreateWindowExA(WS_EX_TOPMOST, "KelvraShadeMouseTest", "", WS_POPUP | WS_VISIBLE,
                                   100, 100, 200, 100, nullptr, nullptr, wc.hInstance, nullptr);
        m_button =
            CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | buttonStyle, 10, 10, 80, 24,
                            m_parent, reinterpret_cast<HMENU>(1), wc.hInstance, nullptr);
        UpdateWindow(m_parent);
        g_clickChecks.clear();
    }
    ~MouseHost() { DestroyWindow(m_parent); }
    HWND Button() const { return m_button; }

private:
    HWND m_parent = nullptr;
    HWND m_button = nullptr;
};

constexpr LPARAM kInside = MAKELPARAM(5, 5);
// Far outside the popup, in the button's client coordinates.
constexpr LPARAM kOutside = MAKELPARAM(600, 500);

// Sends a mouse message with the cursor really at its point: the painting
// checks where the cursor is while the button is held.
LRESULT Mouse(HWND button, UINT msg, WPARAM keys, LPARAM at) {
    POINT screen{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    ClientToScreen(button, &screen);
    SetCursorPos(screen.x, screen.y);
    return SendMessageA(button, msg, keys, at);
}

bool ShownPushed(HWND button) {
    return (SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

} // namespace

TEST(ShadeButtonMouseTest, DraggingOffShowsItRaisedAndReleasingOutsideIsNoClick) {
    MouseHost host(BS_PUSHBUTTON);
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Button()));
    button.PrepareShades(ShadeBevelCurve, 8, 10, 0, 0);
    HWND hwnd = host.Button();

    Mouse(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    ASSERT_EQ(GetCapture(), hwnd);
    EXPECT_EQ(button.m_leftPressed, 1);
    EXPECT_TRUE(ShownPushed(hwnd));
    Mouse(hwnd, WM_MOUSEMOVE, MK_LBUTTON, kOutside);
    EXPECT_FALSE(ShownPushed(hwnd));
    Mouse(hwnd, WM_MOUSEMOVE, MK_LBUTTON, kInside);
    EXPECT_TRUE(ShownPushed(hwnd));
    Mouse(hwnd, WM_MOUSEMOVE, MK_LBUTTON, kOutside);
    Mouse(hwnd, WM_LBUTTONUP, 0, kOutside);
    PumpMessages();
    EXPECT_EQ(button.m_leftPressed, 0);
    EXPECT_NE(GetCapture(), hwnd);
    EXPECT_TRUE(g_clickChecks.empty());

    Mouse(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    Mouse(hwnd, WM_LBUTTONUP, 0, kInside);
    PumpMessages();
    EXPECT_EQ(g_clickChecks.size(), 1u);
}

TEST(ShadeButtonMouseTest, DoubleClickIsTwoPressesAndTwoClicks) {
    MouseHost host(BS_PUSHBUTTON);
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Button()));
    HWND hwnd = host.Button();
    Mouse(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    Mouse(hwnd, WM_LBUTTONUP, 0, kInside);
    Mouse(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, kInside);
    EXPECT_EQ(button.m_leftPressed, 1);
    EXPECT_TRUE(ShownPushed(hwnd));
    Mouse(hwnd, WM_LBUTTONUP, 0, kInside);
    PumpMessages();
    EXPECT_EQ(g_clickChecks.size(), 2u);
}

TEST(ShadeButtonMouseTest, AutoCheckBoxFlipsBeforeTheParentHearsTheClick) {
    MouseHost host(BS_AUTOCHECKBOX);
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Button()));
    HWND hwnd = host.Button();
    for (int i = 0; i < 2; ++i) {
        Mouse(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
        Mouse(hwnd, WM_LBUTTONUP, 0, kInside);
    }
    PumpMessages();
    ASSERT_EQ(g_clickChecks.size(), 2u);
    EXPECT_EQ(g_clickChecks[0], 1);
    EXPECT_EQ(g_clickChecks[1], 0);
    // Released outside: no toggle.
    Mouse(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    Mouse(hwnd, WM_LBUTTONUP, 0, kOutside);
    PumpMessages();
    EXPECT_EQ(SendMessageA(hwnd, BM_GETCHECK, 0, 0), 0);
}

TEST(ShadeButtonMouseTest, HoverNeedsTheLeaveNotificationAndEndsOnPressOrLeave) {
    MouseHost host(BS_PUSHBUTTON);
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Button()));
    HWND hwnd = host.Button();
    Mouse(hwnd, WM_MOUSEMOVE, 0, kInside);
    EXPECT_EQ(button.m_mouseInside, 1);
    Mouse(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    EXPECT_EQ(button.m_mouseInside, 0); // a pressed button never shows the hover face
    Mouse(hwnd, WM_LBUTTONUP, 0, kInside);

    Mouse(hwnd, WM_MOUSEMOVE, 0, kInside);
    EXPECT_EQ(button.m_mouseInside, 1);
    EXPECT_EQ(SendMessageA(hwnd, WM_MOUSELEAVE, 0, 0), 0);
    EXPECT_EQ(button.m_mouseInside, 0);
    PumpMessages();
}

TEST(ShadeButtonMouseTest, LosingTheFocusWhilePressedReleasesTheCapture) {
    MouseHost host(BS_PUSHBUTTON);
    ShadeButtonProbe button;
    ASSERT_TRUE(button.SubclassWindow(host.Button()));
    HWND hwnd = host.Button();
    Mouse(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    ASSERT_EQ(GetCapture(), hwnd);
    SendMessageA(hwnd, WM_KILLFOCUS, 0, 0);
    EXPECT_NE(GetCapture(), hwnd);
    EXPECT_EQ(button.m_leftPressed, 0);
    PumpMessages();
}

// A page ended by keyboard with the mouse over a button (or the button held)
// and shown again: the same object on the new window starts plain, and the
// mouse coming over it asks for hover anew.
TEST(ShadeButtonMouseTest, ANewWindowStartsWithoutHoverOrPress) {
    ShadeButtonProbe button;
    for (UINT left : {WM_MOUSEMOVE, WM_LBUTTONDOWN}) {
        {
            MouseHost earlier(BS_PUSHBUTTON);
            ASSERT_TRUE(button.SubclassWindow(earlier.Button()));
            Mouse(earlier.Button(), left, left == WM_LBUTTONDOWN ? MK_LBUTTON : 0, kInside);
            ASSERT_EQ(1, left == WM_LBUTTONDOWN ? button.m_leftPressed : button.m_mouseInside);
            PumpMessages();
        }
        MouseHost again(BS_PUSHBUTTON);
        ASSERT_TRUE(button.SubclassWindow(again.Button()));
        EXPECT_EQ(button.m_mouseInside, 0);
        EXPECT_EQ(button.m_leftPressed, 0);
        Mouse(again.Button(), WM_MOUSEMOVE, 0, kInside);
        EXPECT_EQ(button.m_mouseInside, 1);
        EXPECT_EQ(SendMessageA(again.Button(), WM_MOUSELEAVE, 0, 0), 0);
        EXPECT_EQ(button.m_mouseInside, 0);
        PumpMessages();
    }
}
