#include "engine/UnattendedSetup.h"

#include "framework/RunLog.h"
#include "framework/WizardProtocol.h"

bool CUnattendedSetup::RunToEnd() {
    // No page: the reports go nowhere, the outcome is read from the worker.
    m_hWndPage = nullptr;
    m_bAutoDelete = FALSE;
    if (!CreateThread()) {
        RunLogFailure(GetLastError(), "不能启动安装程序的工作线程");
        return false;
    }
    WaitForSingleObject(GetThreadHandle(), INFINITE);
    return m_nOutcome == WM_SETUP_DONE;
}

int CUnattendedSetup::AskMissingSource(const CString& /*folder*/) {
    RunLogLine("静默安装: 缺少安装文件, 安装终止");
    return IDABORT;
}

int CUnattendedSetup::AskFolderCreation(const CString& /*folder*/) {
    RunLogLine("静默安装: 不能创建文件夹, 安装终止");
    return IDCANCEL;
}

int CUnattendedSetup::AskFileCopy(const CString& file) {
    const DWORD error = GetLastError();
    if (file != m_strRetriedFile) {
        m_strRetriedFile = file;
        m_nRetries = 0;
    }
    if (m_nRetries < m_nFileCopyRetries) {
        ++m_nRetries;
        RunLogLine("静默安装: 第 %d 次重试", m_nRetries);
        Sleep(m_nFileCopyRetryDelayMs);
        return IDRETRY;
    }
    RunLogLine("静默安装: 跳过文件 %s", file.GetString());
    CountFailedFile(file, error);
    m_strRetriedFile.Empty();
    return IDIGNORE;
}

void CUnattendedSetup::ShowSilentFailures(const CString& /*text*/) {
    // Already in the log; nobody to show a box to.
}

void SetUpCurrentUser(const CString& installDir) {
    CUnattendedSetup worker;
    worker.m_strInstallDir = installDir;
    // The installation made the machine's part: the demand-load entries
    // (HKEY_LOCAL_MACHINE) and the links in the destination, which a
    // standard user could not write.
    worker.m_userSteps.parts = ConfigurationParts::UserOnly;
    RunLogLine("配置 AutoCAD 的 \"<<Kelvra V9>>\" 配置: %s", installDir.GetString());
    worker.ConfigureAcadReleases();
    RunLogLine("创建快捷方式");
    worker.CreateShortcuts();
}
