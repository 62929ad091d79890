#include "framework/Window.h"

#include "framework/WideText.h"

namespace {
const wchar_t kObjectProp[] = L"KelvraCWnd";
}

CWnd::~CWnd() {
    if (m_oldProc)
        UnsubclassWindow();
    else if (m_hWnd)
        Detach();
}

void CWnd::SetWindowText(const char* text) const {
    ::SetWindowTextW(m_hWnd, Wide(CString(text)).c_str());
}

std::wstring CWnd::GetWideText() const {
    std::wstring text;
    const int length = ::GetWindowTextLengthW(m_hWnd);
    if (length <= 0) return text;
    text.resize(static_cast<size_t>(length) + 1);
    const int copied = ::GetWindowTextW(m_hWnd, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

CString CWnd::GetWindowText() const { return Narrow(GetWideText()); }

bool CWnd::GetWindowText(CString& text) const { return ToNarrow(GetWideText(), text); }

void CWnd::ModifyStyle(DWORD remove, DWORD add) const {
    DWORD style = (GetStyle() & ~remove) | add;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style));
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
        GetMonitorInfoW(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
        area = mi.rcWork;
    }
    int width = self.right - self.left, height = self.bottom - self.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    return hwnd ? static_cast<CWnd*>(::GetPropW(hwnd, kObjectProp)) : nullptr;
}

void CWnd::Attach(HWND hwnd) {
    m_hWnd = hwnd;
    ::SetPropW(hwnd, kObjectProp, this);
}

void CWnd::Detach() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::RemovePropW(m_hWnd, kObjectProp);
    m_hWnd = nullptr;
}

bool CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd || FromHandlePermanent(hwnd)) return false;
    m_hWnd = hwnd;
    PreSubclassWindow();
    ::SetPropW(hwnd, kObjectProp, this);
    m_oldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    return true;
}

HWND CWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    if (hwnd && m_oldProc && ::IsWindow(hwnd)) {
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
        ::RemovePropW(hwnd, kObjectProp);
    }
    m_oldProc = nullptr;
    m_hWnd = nullptr;
    return hwnd;
}

LRESULT CWnd::Default(UINT msg, WPARAM wp, LPARAM lp) {
    return ::CallWindowProcW(m_oldProc, m_hWnd, msg, wp, lp);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* self = FromHandlePermanent(hwnd);
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        // The window dies; the object stays and can take over the next one.
        WNDPROC old = self->m_oldProc;
        self->UnsubclassWindow();
        return ::CallWindowProcW(old, hwnd, msg, wp, lp);
    }
    return self->WindowProc(msg, wp, lp);
}
