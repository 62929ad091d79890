#include "engine/UnattendedSetup.h"

#include "engine/InstallCheck.h"
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
    // A full disk, a missing path or a refusal does not pass by waiting.
    const bool mayPass = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    if (mayPass && m_nRetries < m_nFileCopyRetries) {
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

int CUnattendedSetup::AskDiskFull(const CString& file) {
    const InstallSpace space = WeighInstallSpace(m_strSourceDir, m_strInstallDir);
    RunLogLine("ERROR  静默安装: 磁盘 %s 已满, 不能复制 %s, 安装终止 (还需要 %s MB, 可用 %s MB)",
               space.volume.GetString(), file.GetString(),
               Megabytes(space.needed, true).GetString(),
               Megabytes(space.available, false).GetString());
    return IDCANCEL;
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
