#include "app/SetupApp.h"

#include "app/SetupDlg.h"

BOOL CSetupApp::InitInstance() {
    AfxEnableControlContainer();
    CSetupDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // No message loop of our own: the process ends with the host dialog.
    return FALSE;
}
