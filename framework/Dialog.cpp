#include "framework/Dialog.h"

#include "framework/App.h"

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (!control.m_hWnd) control.SubclassDlgItem(id, dx->dialog->m_hWnd);
}

INT_PTR CDialog::DoModal() {
    // A Unicode dialog: its template's texts show as compiled whatever the
    // system's code page.
    return ::DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_templateId), m_hWndParent,
                             &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx{this, saveAndValidate != FALSE};
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CDialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lp);
        self->Attach(hwnd);
    } else {
        self = static_cast<CDialog*>(FromHandlePermanent(hwnd));
    }
    if (!self || self->m_hWnd != hwnd) return FALSE;
    return self->DialogProc(msg, wp, lp);
}

INT_PTR CDialog::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (HIWORD(wp) != BN_CLICKED) return FALSE;
        if (id == IDOK)
            OnOK();
        else if (id == IDCANCEL)
            OnCancel();
        else
            return OnButtonClicked(id) ? TRUE : FALSE;
        return TRUE;
    }
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (CWnd* control = FromHandlePermanent(dis->hwndItem)) {
            control->DrawItem(dis);
            ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    }
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    case WM_NCDESTROY:
        Detach();
        return FALSE;
    default:
        break;
    }
    LRESULT result = 0;
    if (!OnMessage(msg, wp, lp, result)) return FALSE;
    switch (msg) {
    // These few return their result directly from the dialog procedure.
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return static_cast<INT_PTR>(result);
    default:
        ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
}
