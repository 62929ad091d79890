#include "tests/pages/PageHost.h"

namespace {
const char kHostClass[] = "KelvraTestPageHost";
}

PageHost::PageHost() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kHostClass;
    RegisterClassA(&wc); // fails harmlessly when a previous host registered it
    m_hwnd = CreateWindowExA(0, kHostClass, "host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                             nullptr, wc.hInstance, nullptr);
    // Two different shared system icons, so a page taking the wrong one shows.
    m_bigIcon = LoadIconA(nullptr, IDI_APPLICATION);
    m_smallIcon = LoadIconA(nullptr, IDI_INFORMATION);
    SendMessageA(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon));
    SendMessageA(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
}

PageHost::~PageHost() {
    if (m_hwnd) DestroyWindow(m_hwnd);
}

INT_PTR RunPage(CDialog& page, int controlId, const PageScript& script) {
    INT_PTR result = -2;
    DialogDriver driver;
    driver.Run([&] { result = page.DoModal(); },
               [&](DialogDriver& d) { script(d, d.WaitForDialog(controlId)); });
    return result;
}

HICON WindowIcon(HWND window, WPARAM kind) {
    DWORD_PTR icon = 0;
    SendMessageTimeoutA(window, WM_GETICON, kind, 0, SMTO_NORMAL, 10000, &icon);
    return reinterpret_cast<HICON>(icon);
}
