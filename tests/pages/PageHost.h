// What the page tests share: a real host window whose icons the pages take,
// and a way to run one page modally under the dialog driver.
#pragma once

#include "framework/Dialog.h"
#include "tests/support/DialogDriver.h"

#include <windows.h>

#include <functional>

// A stand-in for the wizard's host: a real top-level window of the test's
// thread with its own big and small icons.
class PageHost {
public:
    PageHost();
    ~PageHost();
    PageHost(const PageHost&) = delete;
    PageHost& operator=(const PageHost&) = delete;

    HWND Get() const { return m_hwnd; }
    HICON BigIcon() const { return m_bigIcon; }
    HICON SmallIcon() const { return m_smallIcon; }

private:
    HWND m_hwnd = nullptr;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
};

using PageScript = std::function<void(DialogDriver&, HWND page)>;

// Shows page with DoModal on the calling thread while script plays the user
// on the page's window (the dialog holding controlId); returns the result.
INT_PTR RunPage(CDialog& page, int controlId, const PageScript& script);

// An icon of a page's window (ICON_BIG or ICON_SMALL), read as the host would.
HICON WindowIcon(HWND window, WPARAM kind);
