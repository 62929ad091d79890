#include "app/SilentSetup.h"

#include "app/SetupDlg.h"
#include "engine/ActiveSetup.h"
#include "engine/UnattendedSetup.h"
#include "framework/App.h"
#include "framework/ExitCode.h"
#include "framework/RunLog.h"

int RunSilentSetup(const CommandLineOptions& options) {
    CString source = AfxGetModuleFolder();
    if (CSetupDlg::CheckExistingInstall())
        RunLogLine("已经安装了本软件: 重新安装 (静默安装回答“是”, 保留数据库)");
    CString destination =
        options.destination.IsEmpty() ? CString(kDefaultInstallDir) : options.destination;
    // As the copying page hands them to the worker.
    source.Trim().AppendBackslashIfMissing();
    destination.Trim().AppendBackslashIfMissing();
    RunLogLine("安装程序所在文件夹: %s", source.GetString());
    RunLogLine("安装路径: %s", destination.GetString());

    CUnattendedSetup worker;
    worker.m_strSourceDir = source;
    worker.m_strInstallDir = destination;
    if (!worker.RunToEnd()) {
        RunLogLine("ERROR  安装失败: 复制文件没有完成");
        return kExitFailed;
    }
    bool complete = !worker.m_failures.Any();
    // Every user's own part (the AutoCAD profiles and links under
    // HKEY_CURRENT_USER), at each user's next logon.
    if (!RegisterUserSetup(source, destination)) complete = false;
    RunLogLine(complete ? "安装完成" : "ERROR  安装完成, 但有项目未能完成 (见上)");
    return complete ? kExitSuccess : kExitFailed;
}
