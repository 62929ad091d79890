// Thin wrappers over the standard controls: one-line methods over the HWND.
#pragma once

#include "framework/Window.h"

#include <commctrl.h>

class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
    UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
};

class CStatic : public CWnd {};

class CEdit : public CWnd {
public:
    void SetSel(int start, int end) const {
        SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
    }
    void ScrollCaret() const { SendMessage(EM_SCROLLCARET); }
};

class CProgressCtrl : public CWnd {
public:
    void SetRange32(int lower, int upper) const {
        SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper);
    }
    void SetStep(int step) const { SendMessage(PBM_SETSTEP, static_cast<WPARAM>(step)); }
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
    int SetPos(int pos) const {
        return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos)));
    }
};
