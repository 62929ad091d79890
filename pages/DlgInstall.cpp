#include "pages/DlgInstall.h"

#include "app/WizardProtocol.h"
#include "res/resource.h"

CDlgInstall::CDlgInstall(HWND parent) : CDialog(IDD_INSTALL, parent) {}

void CDlgInstall::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_CONFIGURING, m_configuringText);
    DDX_Control(dx, IDC_COPY_FRAME, m_copyFrame);
    DDX_Control(dx, IDCANCEL, m_btnCancel);
    DDX_Control(dx, IDC_HEADING, m_heading);
    DDX_Control(dx, IDC_PROGRESS, m_progress);
    DDX_Control(dx, IDC_NEXT, m_btnNext);
    DDX_Control(dx, IDC_BACK, m_btnBack);
}

BOOL CDlgInstall::OnInitDialog() {
    CDialog::OnInitDialog();
    TakeHostIcons(m_hWnd);
    m_heading.EnableShadow(1);
    m_btnBack.PrepareShades(ShadeBevelCurve, 8, 10, 0, 0);
    m_btnNext.PrepareShades(ShadeBevelCurve, 8, 10, 0, 0);
    m_btnCancel.PrepareShades(ShadeCornerCurve, 8, 10, 0, 0);
    m_btnBack.EnableWindow(FALSE);
    m_strSourceDir.Trim().AppendBackslashIfMissing();
    m_strInstallDir.Trim().AppendBackslashIfMissing();
    CenterWindow();
    return TRUE;
}

bool CDlgInstall::OnButtonClicked(int id) {
    if (id != IDC_NEXT) return false;
    EndDialog(ID_WIZ_NEXT);
    return true;
}
