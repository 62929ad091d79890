#include "pages/DlgIntropage.h"

#include "framework/WizardProtocol.h"
#include "pages/PageLook.h"
#include "res/resource.h"

CDlgIntropage::CDlgIntropage(HWND parent) : CDialog(IDD_INTROPAGE, parent) {}

void CDlgIntropage::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDCANCEL, m_btnCancel);
    DDX_Control(dx, IDC_NEXT, m_btnNext);
    DDX_Control(dx, IDC_INSTRUCTION, m_instruction);
    DDX_Control(dx, IDC_HEADING, m_heading);
}

BOOL CDlgIntropage::OnInitDialog() {
    CDialog::OnInitDialog();
    PreparePageLook(m_hWnd, m_heading, {&m_btnNext}, &m_btnCancel);
    CenterWindow();
    return TRUE;
}

bool CDlgIntropage::OnButtonClicked(int id) {
    if (id != IDC_NEXT) return false;
    OnNext();
    return true;
}

void CDlgIntropage::OnNext() {
    UpdateData(TRUE);
    EndDialog(ID_WIZ_NEXT);
}
