#include "uninstall/DlgConfirm.h"

#include "res/UninstallResource.h"
#include "ui/InstallerLook.h"
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
    ApplyInstallerLook(&m_heading, {&m_btnYes}, &m_btnNo);
    // Keeping the data is the default (/REMOVEDATA ticks it beforehand).
    m_removeData.SetCheck(m_bRemoveData ? BST_CHECKED : BST_UNCHECKED);
    // No is where the focus starts: Enter alone removes nothing.
    m_btnNo.SetFocus();
    return FALSE;
}

void CDlgConfirm::OnOK() {
    m_bRemoveData = m_removeData.GetCheck() == BST_CHECKED;
    CDialog::OnOK();
}
