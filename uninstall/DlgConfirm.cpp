#include "uninstall/DlgConfirm.h"

#include "res/UninstallResource.h"
#include "uninstall/UninstallApp.h"

CDlgConfirm::CDlgConfirm() : CDialog(IDD_UNINSTALL_CONFIRM) {}

void CDlgConfirm::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_UN_HEADING, m_heading);
    DDX_Control(dx, IDC_UN_REMOVE_DATA, m_removeData);
    DDX_Control(dx, IDOK, m_btnYes);
    DDX_Control(dx, IDCANCEL, m_btnNo);
}

BOOL CDlgConfirm::OnInitDialog() {
    CDialog::OnInitDialog();
    PresentProgramDialog(*this);
    m_heading.EnableShadow(1);
    m_btnYes.PrepareShades(ShadeBevelCurve, 8, 10, 0, 0);
    m_btnNo.PrepareShades(ShadeCornerCurve, 8, 10, 0, 0);
    // Keeping the data is the default.
    m_removeData.SetCheck(BST_UNCHECKED);
    // No is where the focus starts: Enter alone removes nothing.
    m_btnNo.SetFocus();
    return FALSE;
}

void CDlgConfirm::OnOK() {
    m_bRemoveData = m_removeData.GetCheck() == BST_CHECKED;
    CDialog::OnOK();
}
