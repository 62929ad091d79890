#include "pages/DlgFinishpage.h"

#include "framework/WideText.h"
#include "framework/WizardProtocol.h"
#include "pages/PageLook.h"
#include "res/resource.h"

#include <shellapi.h>

CDlgFinishpage::CDlgFinishpage(HWND parent) : CDialog(IDD_FINISHPAGE, parent) {}

void CDlgFinishpage::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_HEADING, m_heading);
    DDX_Control(dx, IDC_README, m_readmeOption);
    DDX_Control(dx, IDC_NEXT, m_btnFinish);
}

BOOL CDlgFinishpage::OnInitDialog() {
    CDialog::OnInitDialog();
    PreparePageLook(m_hWnd, m_heading, {&m_btnFinish}, nullptr);
    m_readmeOption.SetCheck(BST_CHECKED);
    m_bReadmeChosen = false;
    CenterWindow();
    return TRUE;
}

bool CDlgFinishpage::OnButtonClicked(int id) {
    if (id != IDC_NEXT) return false;
    OnFinish();
    return true;
}

void CDlgFinishpage::OnFinish() {
    m_bReadmeChosen = m_readmeOption.GetCheck() == BST_CHECKED;
    if (m_bReadmeChosen && m_bOpenReadme) OpenReadme(m_strInstallDir);
    EndDialog(ID_WIZ_EXIT);
}

void OpenReadme(CString installDir) {
    installDir.TrimRight();
    installDir.AppendBackslashIfMissing();
    // The option's label names readme.htm; the file shipped is readme.txt.
    const CString readme = installDir + "readme.txt";
    // Opened in the text-file program without waiting for it; its outcome
    // does not change the end of the wizard.
    std::wstring wideReadme;
    if (ToWide(readme, wideReadme) &&
        GetFileAttributesW(wideReadme.c_str()) != INVALID_FILE_ATTRIBUTES)
        ShellExecuteW(nullptr, L"OPEN", wideReadme.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}
