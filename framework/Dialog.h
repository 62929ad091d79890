// CDialog: a modal dialog from a resource template. The dialog procedure
// routes WM_INITDIALOG to OnInitDialog, button clicks to OnOK, OnCancel and
// OnButtonClicked, reflects WM_DRAWITEM to the bound control, and offers
// every other message to the class's own OnMessage switch.
#pragma once

#include "framework/Window.h"

class CDialog;

// Dialog data exchange: here it only binds controls to member objects.
struct CDataExchange {
    CDialog* dialog;
    bool saveAndValidate;
};

// Binds a template control to a member object (once per dialog window).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, HWND parent = nullptr)
        : m_templateId(templateId), m_hWndParent(parent) {}

    // Runs the dialog modally; the EndDialog result, or -1 when the dialog
    // cannot be created.
    virtual INT_PTR DoModal();
    void EndDialog(INT_PTR result) const { ::EndDialog(m_hWnd, result); }
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* /*dx*/) {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // BN_CLICKED of any button other than IDOK and IDCANCEL; true when handled.
    virtual bool OnButtonClicked(int /*id*/) { return false; }
    // The class's own messages; true when handled, with result set.
    virtual bool OnMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) {
        return false;
    }
    // Last call with the window still alive (WM_DESTROY).
    virtual void OnDestroy() {}

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp);

    UINT m_templateId;
    HWND m_hWndParent;
};
