#include "pages/DlgPath.h"

#include "engine/DestinationSecurity.h"
#include "engine/DistributionCheck.h"
#include "framework/App.h"
#include "framework/WizardProtocol.h"
#include "pages/FolderBrowser.h"
#include "pages/InstallConfirmation.h"
#include "pages/PageLook.h"
#include "res/resource.h"

namespace {
// Names the program would turn into "?" and then act upon: a folder no one chose.
const char kUnnamableTyped[] = "安装路径中有安装程序不能使用的字符, 请输入其他路径。";
const char kUnnamableChosen[] =
    "所选文件夹的路径中有安装程序不能使用的字符:\n%s\n请选择其他文件夹。";
} // namespace

CDlgPath::CDlgPath(HWND parent) : CDialog(IDD_PATH, parent) {}

void CDlgPath::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDCANCEL, m_btnCancel);
    DDX_Control(dx, IDC_HEADING, m_heading);
    DDX_Control(dx, IDC_INSTALL_PATH, m_pathEdit);
    DDX_Control(dx, IDC_NEXT, m_btnNext);
    DDX_Control(dx, IDC_BROWSE, m_btnBrowse);
    DDX_Control(dx, IDC_BACK, m_btnBack);
}

BOOL CDlgPath::OnInitDialog() {
    CDialog::OnInitDialog();
    PreparePageLook(m_hWnd, m_heading, {&m_btnBack, &m_btnNext}, &m_btnCancel);
    m_pathEdit.SetWindowText(m_strInstallDir);
    CenterWindow();
    return TRUE;
}

bool CDlgPath::OnButtonClicked(int id) {
    switch (id) {
    case IDC_BROWSE:
        OnBrowse();
        return true;
    case IDC_NEXT:
        OnNext();
        return true;
    case IDC_BACK:
        OnBack();
        return true;
    default:
        return false;
    }
}

void CDlgPath::OnBrowse() {
    CString typed = m_pathEdit.GetWindowText();
    CDestinationBrowser browser(m_hWnd, IDS_BROWSE_TITLE);
    browser.SetFlags(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT);
    browser.SetInitialSelection(typed);
    if (!browser.SelectFolder()) {
        // Cancelled, or no file-system path: the field stays.
        if (browser.WasUnnamableFolderChosen()) {
            CString text;
            text.Format(kUnnamableChosen, browser.GetUnnamableFolder().GetString());
            AfxMessageBox(m_hWnd, text, MB_OK | MB_ICONEXCLAMATION);
        }
        return;
    }
    // The product always goes into Morvane\Kelvra below the chosen folder;
    // m_strInstallDir itself changes only on Next.
    CString folder = browser.GetSelectedFolder();
    folder.AppendBackslashIfMissing();
    folder += "Morvane\\Kelvra";
    m_pathEdit.SetWindowText(folder);
}

void CDlgPath::OnNext() {
    // The whole text, untrimmed: any text with a backslash is accepted; the
    // copying page creates the folder.
    CString typed;
    if (!m_pathEdit.GetWindowText(typed)) {
        AfxMessageBox(m_hWnd, kUnnamableTyped, MB_OK | MB_ICONEXCLAMATION);
    } else {
        m_strInstallDir = typed;
        if (!m_strInstallDir.IsEmpty() && m_strInstallDir.Find("\\") >= 0) {
            // Before the copying page changes anything: the distribution as
            // its manifest lists it, a folder only administrators can change,
            // the space and the files in use.
            if (ConfirmDistribution(m_hWnd, m_copyCheck) &&
                ConfirmDestinationSecurity(m_hWnd, CString(m_strInstallDir).Trim()) &&
                ConfirmInstallation(m_hWnd, m_strSourceDir, m_strInstallDir,
                                    m_bReplaceInUseAtRestart)) {
                EndDialog(ID_WIZ_NEXT);
                return;
            }
        }
    }
    m_pathEdit.SetFocus();
    m_pathEdit.SetSel(0, -1);
    m_pathEdit.ScrollCaret();
}

void CDlgPath::OnBack() {
    // The field is not read: m_strInstallDir keeps what the last Next read.
    UpdateData(TRUE);
    EndDialog(ID_WIZ_BACK);
}
