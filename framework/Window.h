// CWnd: a thin object over an HWND. Controls of a dialog template are bound to
// CWnd objects by subclassing; the object then sees the control's messages in
// WindowProc and the parent's owner-draw request in DrawItem.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageW(m_hWnd, msg, wp, lp);
    }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::PostMessageW(m_hWnd, msg, wp, lp);
    }
    // Window texts cross in UTF-16; the program's side stays code page 936.
    void SetWindowText(const char* text) const;
    // For texts that are shown or logged: a character code page 936 lacks
    // becomes "?".
    CString GetWindowText() const;
    // For texts that are acted upon: false when a character has no code
    // page 936 form (a folder typed as "C:\Users\Søren").
    bool GetWindowText(CString& text) const;
    // The text exactly as the window holds it (owner-drawn captions).
    std::wstring GetWideText() const;
    BOOL EnableWindow(BOOL enable = TRUE) const { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL ShowWindow(int show) const { return ::ShowWindow(m_hWnd, show); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HWND SetFocus() const { return ::SetFocus(m_hWnd); }
    BOOL Invalidate(BOOL erase = TRUE) const { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    void ModifyStyle(DWORD remove, DWORD add) const;
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) const {
        return ::SetTimer(m_hWnd, id, elapse, nullptr);
    }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }
    // Centres the window over its owner (or parent), or over the work area
    // when it has none or the owner is minimised.
    void CenterWindow() const;

    // Takes over an existing window: PreSubclassWindow, then the window's
    // messages go to WindowProc. Undone automatically when the window dies.
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(int id, HWND parent) { return SubclassWindow(::GetDlgItem(parent, id)); }
    HWND UnsubclassWindow();

    // The object that has subclassed hwnd, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Owner-drawn controls: the parent's WM_DRAWITEM, reflected to the control.
    virtual void DrawItem(DRAWITEMSTRUCT* /*dis*/) {}

    HWND m_hWnd = nullptr;

protected:
    virtual void PreSubclassWindow() {}
    // The control's messages; the default passes them on to the original procedure.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);
    // Dialogs attach without subclassing; they keep the map entry for FromHandlePermanent.
    void Attach(HWND hwnd);
    void Detach();

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    WNDPROC m_oldProc = nullptr;
};
