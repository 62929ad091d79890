#include "framework/WizardProtocol.h"

#include <initializer_list>

void TakeHostIcons(HWND page) {
    HWND host = GetParent(page);
    if (!host) return;
    for (WPARAM kind : {static_cast<WPARAM>(ICON_BIG), static_cast<WPARAM>(ICON_SMALL)}) {
        LRESULT icon = SendMessageW(host, WM_GETICON, kind, 0);
        SendMessageW(page, WM_SETICON, kind, icon);
    }
}
