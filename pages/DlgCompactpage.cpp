#include "pages/DlgCompactpage.h"

#include "framework/WizardProtocol.h"
#include "pages/AgreementText.h"
#include "pages/PageLook.h"
#include "res/resource.h"

CDlgCompactpage::CDlgCompactpage(HWND parent) : CDialog(IDD_COMPACTPAGE, parent) {}

void CDlgCompactpage::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_HEADING, m_heading);
    DDX_Control(dx, IDCANCEL, m_btnCancel);
    DDX_Control(dx, IDC_AGREEMENT_TEXT, m_agreementText);
    DDX_Control(dx, IDC_NEXT, m_btnNext);
    DDX_Control(dx, IDC_BACK, m_btnBack);
    DDX_Control(dx, IDC_DISAGREE, m_disagree);
    DDX_Control(dx, IDC_AGREE, m_agree);
}

BOOL CDlgCompactpage::OnInitDialog() {
    CDialog::OnInitDialog();
    PreparePageLook(m_hWnd, m_heading, {&m_btnBack, &m_btnNext}, &m_btnCancel);
    FillAgreementText();
    m_agree.SetCheck(m_bAgreed ? BST_CHECKED : BST_UNCHECKED);
    m_disagree.SetCheck(m_bAgreed ? BST_UNCHECKED : BST_CHECKED);
    m_btnNext.EnableWindow(m_bAgreed ? TRUE : FALSE);
    CenterWindow();
    return TRUE;
}

void CDlgCompactpage::FillAgreementText() { m_agreementText.SetWindowText(kAgreementText); }

bool CDlgCompactpage::OnButtonClicked(int id) {
    switch (id) {
    case IDC_AGREE:
        OnAgree();
        return true;
    case IDC_BACK:
        OnBack();
        return true;
    case IDC_NEXT:
        OnNext();
        return true;
    case IDC_DISAGREE:
        OnDisagree();
        return true;
    default:
        return false;
    }
}

void CDlgCompactpage::OnAgree() {
    bool agreed = m_agree.GetCheck() == BST_CHECKED;
    m_disagree.SetCheck(agreed ? BST_UNCHECKED : BST_CHECKED);
    m_btnNext.EnableWindow(agreed ? TRUE : FALSE);
    m_bAgreed = agreed ? 1 : 0;
}

void CDlgCompactpage::OnDisagree() {
    bool disagreed = m_disagree.GetCheck() == BST_CHECKED;
    m_agree.SetCheck(disagreed ? BST_UNCHECKED : BST_CHECKED);
    m_btnNext.EnableWindow(disagreed ? FALSE : TRUE);
    m_bAgreed = disagreed ? 0 : 1;
}

void CDlgCompactpage::OnBack() {
    UpdateData(TRUE);
    EndDialog(ID_WIZ_BACK);
}

void CDlgCompactpage::OnNext() {
    UpdateData(TRUE);
    EndDialog(ID_WIZ_NEXT);
}
