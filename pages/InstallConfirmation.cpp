#include "pages/InstallConfirmation.h"

#include "engine/InstallCheck.h"
#include "engine/PendingRenames.h"
#include "framework/App.h"
#include "framework/RunLog.h"
#include "pages/DlgFilesInUse.h"

bool ConfirmInstallation(HWND page, CString source, CString destination, bool& replaceInUse) {
    replaceInUse = false;
    if (source.Trim().IsEmpty()) return true;
    // As the copying page hands them to the worker.
    source.AppendBackslashIfMissing();
    destination.Trim().AppendBackslashIfMissing();
    for (;;) {
        const InstallCheck check = CheckInstallation(source, destination);
        if (!check.space.Enough()) {
            RunLogLine("磁盘空间不足: 安装到 %s 需要 %s MB, 磁盘 %s 上可用 %s MB",
                       destination.GetString(), Megabytes(check.space.needed, true).GetString(),
                       check.space.volume.GetString(),
                       Megabytes(check.space.available, false).GetString());
            CString text;
            text.Format("磁盘 %s 的空间不足，不能安装到 %s。\n\n安装需要 %s MB，磁盘上可用 %s MB。"
                        "\n\n请释放磁盘空间，或选择其他安装路径。",
                        check.space.volume.GetString(), destination.GetString(),
                        Megabytes(check.space.needed, true).GetString(),
                        Megabytes(check.space.available, false).GetString());
            AfxMessageBox(page, text, MB_OK | MB_ICONEXCLAMATION);
            return false;
        }
        if (check.inUse.empty()) break;
        for (const FileInUse& file : check.inUse)
            RunLogLine("文件正在被使用: %s (使用它的程序: %s)", file.path.GetString(),
                       ProgramNames(file.programs).GetString());
        const INT_PTR answer = CDlgFilesInUse(page, check).DoModal();
        if (answer == IDRETRY) continue;
        if (answer != IDIGNORE) return false;
        RunLogLine("用户选择忽略: 正在使用的文件将在重新启动计算机后替换");
        replaceInUse = true;
        break;
    }
    if (TakeOutPendingRenames(destination)) return true;
    CString text;
    text.Format("以前的安装或卸载安排了在重新启动计算机时删除或替换 %s 中的文件，"
                "安装程序不能取消这些操作。\n\n请重新启动计算机后再安装。",
                destination.GetString());
    AfxMessageBox(page, text, MB_OK | MB_ICONEXCLAMATION);
    return false;
}
