#include "uninstall/DlgFileInUse.h"

#include "framework/WideText.h"
#include "res/UninstallResource.h"
#include "ui/InstallerLook.h"

CDlgFileInUse::CDlgFileInUse(HWND parent, const CString& path, const CString& programs)
    : CDialog(IDD_FILE_IN_USE, parent), m_path(path), m_programs(programs) {}

void CDlgFileInUse::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDRETRY, m_btnRetry);
    DDX_Control(dx, IDIGNORE, m_btnIgnore);
}

BOOL CDlgFileInUse::OnInitDialog() {
    CDialog::OnInitDialog();
    ApplyInstallerLook(nullptr, {&m_btnRetry}, &m_btnIgnore);
    CString text;
    text.Format("下面的文件正在被使用，无法删除：\n\n%s\n\n使用它的程序：%s\n\n"
                "请关闭正在使用它的程序（例如 AutoCAD 或 Kelvra V9.0），然后单击“重试”。\n"
                "单击“忽略”跳过该文件：它将在重新启动计算机后删除（如果权限允许），"
                "否则在最后的报告中列出。",
                m_path.GetString(), m_programs.GetString());
    SetDlgItemTextW(m_hWnd, IDC_UN_IN_USE_TEXT, Wide(text).c_str());
    CenterWindow();
    return TRUE;
}

bool CDlgFileInUse::OnButtonClicked(int id) {
    if (id != IDRETRY && id != IDIGNORE) return false;
    EndDialog(id);
    return true;
}
