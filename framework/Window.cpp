#include "framework/Window.h"

namespace {
const char kObjectProp[] = "KelvraCWnd";
}

CWnd::~CWnd() {
    if (m_oldProc)
        UnsubclassWindow();
    else if (m_hWnd)
        Detach();
}

CString CWnd::GetWindowText() const {
    CString text;
    int length = ::GetWindowTextLengthA(m_hWnd);
    if (length > 0) {
        ::GetWindowTextA(m_hWnd, text.GetBuffer(length), length + 1);
        text.ReleaseBuffer();
    }
    return text;
}

void CWnd::ModifyStyle(DWORD remove, DWORD add) const {
    DWORD style = (GetStyle() & ~remove) | add;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style));
}

void CWnd::CenterWindow() const {
    RECT self{};
    GetWindowRect(&self);
    HWND over = ::GetWindow(m_hWnd, GW_OWNER);
    if (!over) over = GetParent();
    RECT area{};
    if (over && ::IsWindowVisible(over) && !::IsIconic(over)) {
        ::GetWindowRect(over, &area);
    } else {
        MONITORINFO mi{sizeof(mi), {}, {}, 0};
        GetMonitorInfoA(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
        area = mi.rcWork;
    }
    int width = self.right - self.left, height = self.bottom - self.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    return hwnd ? static_cast<CWnd*>(::GetPropA(hwnd, kObjectProp)) : nullptr;
}

void CWnd::Attach(HWND hwnd) {
    m_hWnd = hwnd;
    ::SetPropA(hwnd, kObjectProp, this);
}

void CWnd::Detach() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::RemovePropA(m_hWnd, kObjectProp);
    m_hWnd = nullptr;
}

bool CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd || FromHandlePermanent(hwnd)) return false;
    m_hWnd = hwnd;
    PreSubclassWindow();
    ::SetPropA(hwnd, kObjectProp, this);
    m_oldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    return true;
}

HWND CWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    if (hwnd && m_oldProc && ::IsWindow(hwnd)) {
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
        ::RemovePropA(hwnd, kObjectProp);
    }
    m_oldProc = nullptr;
    m_hWnd = nullptr;
    return hwnd;
}

LRESULT CWnd::Default(UINT msg, WPARAM wp, LPARAM lp) {
    return ::CallWindowProcA(m_oldProc, m_hWnd, msg, wp, lp);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* self = FromHandlePermanent(hwnd);
    if (!self) return ::DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        // The window dies; the object stays and can take over the next one.
        WNDPROC old = self->m_oldProc;
        self->UnsubclassWindow();
        return ::CallWindowProcA(old, hwnd, msg, wp, lp);
    }
    return self->WindowProc(msg, wp, lp);
}
