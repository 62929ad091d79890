// The check before a silent run changes anything: nobody to ask, so the run
// either goes on or ends at once, and its log says which and why.
#include "engine/InstallCheck.h"

#include "engine/PendingRenames.h"
#include "framework/RunLog.h"

bool CheckSilentInstallation(const CString& source, const CString& destination,
                             bool& replaceInUse) {
    replaceInUse = false;
    const InstallCheck check = CheckInstallation(source, destination);
    if (!check.space.known)
        RunLogLine("不能读取 %s 所在磁盘的可用空间: 不检查磁盘空间", destination.GetString());
    else
        RunLogLine("磁盘空间: 需要 %s MB, 磁盘 %s 上可用 %s MB",
                   Megabytes(check.space.needed, true).GetString(), check.space.volume.GetString(),
                   Megabytes(check.space.available, false).GetString());
    if (!check.space.Enough()) {
        RunLogLine("ERROR  磁盘空间不足, 安装终止, 没有更改任何内容: 安装到 %s 需要 %s MB, "
                   "磁盘 %s 上可用 %s MB",
                   destination.GetString(), Megabytes(check.space.needed, true).GetString(),
                   check.space.volume.GetString(),
                   Megabytes(check.space.available, false).GetString());
        return false;
    }
    for (size_t i = 0; i < check.inUse.size(); ++i)
        RunLogLine("%s文件正在被使用: %s (使用它的程序: %s)%s",
                   check.replaceable[i] ? "" : "ERROR  ", check.inUse[i].path.GetString(),
                   ProgramNames(check.inUse[i].programs).GetString(),
                   check.replaceable[i] ? ", 将在重新启动计算机后替换"
                                        : ", 不能在重新启动后替换 (其路径上有并非只有管理员可以"
                                          "修改的文件夹)");
    if (!check.AllReplaceable()) {
        RunLogLine("ERROR  安装终止, 没有更改任何内容: 请关闭使用这些文件的程序后重新安装");
        return false;
    }
    if (!TakeOutPendingRenames(destination)) {
        RunLogLine("ERROR  安装终止, 没有更改任何内容: 重新启动计算机后再安装");
        return false;
    }
    replaceInUse = !check.inUse.empty();
    return true;
}
