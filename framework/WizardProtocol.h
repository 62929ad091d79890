// What the wizard's pages have in common: the result codes a page ends with
// and the messages the install worker sends and posts to the copying page.
#pragma once

#include <windows.h>

// Page results (besides IDCANCEL, and IDOK from the default OK command).
constexpr INT_PTR ID_WIZ_BACK = 12323;
constexpr INT_PTR ID_WIZ_NEXT = 12324;
constexpr INT_PTR ID_WIZ_EXIT = 12325;

// Worker to copying page. Plain numbers below WM_USER, as the page expects.
// WM_SETUP_PROGRESS is sent for a finished entry, wParam its source path,
// lParam its destination path, unless the page holds the reports (it then
// takes the latest entry from the worker itself).
constexpr UINT WM_SETUP_PROGRESS = 1012;
constexpr UINT WM_SETUP_CONFIGURING = 1013; // posted: the copy is over, configuration begins
constexpr UINT WM_SETUP_DONE = 1014;        // posted once: the installation succeeded
constexpr UINT WM_SETUP_FAILED = 1015;      // posted once: the copy failed or was cancelled

// A page's window takes the host's big and small icons (WM_GETICON from the
// parent, WM_SETICON to itself), when it has a parent.
void TakeHostIcons(HWND page);
