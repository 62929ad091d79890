// A disk that fills up during the copy: the check before it weighed the
// space, but the figure may have been wrong or the space gone meanwhile.
// Every further file would fail the same way, so the run stops at once
// unless the user makes room: one box, Retry or Cancel.
#include "engine/SetupThread.h"

#include "engine/InstallCheck.h"
#include "framework/App.h"
#include "framework/SystemError.h"

bool IsDiskFullError(DWORD error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

int CSetupThread::AskDiskFull(const CString& file) {
    const DWORD error = GetLastError();
    // What is still to be written: the files already copied weigh nothing now.
    const InstallSpace space = WeighInstallSpace(m_strSourceDir, m_strInstallDir);
    CString text;
    text.Format("%s\n磁盘 %s 已满，不能复制文件 %s。\n\n安装还需要 %s MB，磁盘上可用 %s MB。\n"
                "请释放磁盘空间后单击“重试”；单击“取消”将终止安装。",
                SystemErrorText(error).GetString(),
                space.volume.IsEmpty() ? m_strInstallDir.GetString() : space.volume.GetString(),
                file.GetString(), Megabytes(space.needed, true).GetString(),
                Megabytes(space.available, false).GetString());
    return AfxMessageBox(m_hWndPage, text, MB_RETRYCANCEL | MB_ICONEXCLAMATION) == IDRETRY
               ? IDRETRY
               : IDCANCEL;
}
