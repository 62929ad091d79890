#include "app/SilentSetup.h"

#include "app/DefaultFolder.h"
#include "app/SetupDlg.h"
#include "engine/DestinationSecurity.h"
#include "engine/DistributionCheck.h"
#include "engine/InstallCheck.h"
#include "engine/InstalledVersion.h"
#include "engine/UnattendedSetup.h"
#include "framework/App.h"
#include "framework/BuildVersion.h"
#include "framework/ExitCode.h"
#include "framework/RunLog.h"
#include "host_cad/Registry.h"

namespace {

// An absolute folder: a drive's ("D:\...") or a share's ("\\server\...").
bool IsAbsoluteFolder(const CString& path) {
    if (path.GetLength() >= 3 && path.GetAt(1) == ':' && path.GetAt(2) == '\\') return true;
    return path.GetLength() >= 3 && path.GetAt(0) == '\\' && path.GetAt(1) == '\\';
}

} // namespace

CString ChooseSilentDestination(const CString& commandLineDir, bool installed) {
    if (!commandLineDir.IsEmpty()) {
        RunLogLine("安装路径: %s (命令行 /D= 指定)", commandLineDir.GetString());
        return commandLineDir;
    }
    // A reinstallation goes where the product is, with its database and its
    // log, rather than leaving them behind in a folder nobody uninstalls.
    CString installPath;
    if (installed && ReadMachineString(kProductKey, "installPath", installPath)) {
        installPath.Trim();
        if (IsAbsoluteFolder(installPath)) {
            RunLogLine("安装路径: %s (已安装的位置, HKEY_LOCAL_MACHINE\\%s\\installPath)",
                       installPath.GetString(), kProductKey);
            return installPath;
        }
        RunLogLine("已安装的位置 \"%s\" 不是完整的路径, 不采用", installPath.GetString());
    }
    const CString folder = DefaultInstallDir();
    RunLogLine("安装路径: %s (默认安装路径)", folder.GetString());
    return folder;
}

int RunSilentSetup(const CommandLineOptions& options, const UserSteps& steps) {
    // A newer build stays unless the administrator asked for the older one:
    // two assignments would otherwise swap the builds at every cycle.
    const CString installedVersion = ReadInstalledVersion();
    const VersionStep versionStep =
        DecideVersionStep(installedVersion, kBuildVersion, true, options.allowDowngrade);
    LogVersionStep(installedVersion, kBuildVersion, versionStep);
    if (versionStep == VersionStep::RefuseDowngrade) return kExitNewerInstalled;

    CString source = AfxGetModuleFolder();
    const bool installed = CSetupDlg::CheckExistingInstall();
    if (installed) RunLogLine("已经安装了本软件: 重新安装 (静默安装回答“是”, 保留数据库)");
    CString destination = ChooseSilentDestination(options.destination, installed);
    // As the copying page hands them to the worker.
    source.Trim().AppendBackslashIfMissing();
    destination.Trim().AppendBackslashIfMissing();
    RunLogLine("安装程序所在文件夹: %s", source.GetString());
    std::shared_ptr<const CopyCheck> copyCheck;
    if (!CheckDistributionBeforeChanges(source, copyCheck)) return kExitFailed;
    LogDestinationSecurity(destination);

    // Space, files in use, restart operations: the run may end here, before
    // anything changes.
    bool replaceInUse = false;
    if (!CheckSilentInstallation(source, destination, replaceInUse)) return kExitFailed;
    // From here on the product is changing: until this run ends with 0 it
    // is not detected as installed.
    if (!ClearInstallationComplete()) return kExitFailed;
    CUnattendedSetup worker;
    worker.m_strSourceDir = source;
    worker.m_strInstallDir = destination;
    worker.m_userSteps = steps;
    // A silent run without the rights ended before it got here.
    worker.m_bElevated = true;
    worker.m_bReplaceInUseAtRestart = replaceInUse;
    worker.m_copyCheck = copyCheck;
    if (!worker.RunToEnd()) {
        RunLogLine("ERROR  安装失败: 复制文件没有完成");
        return kExitFailed;
    }
    bool complete = !worker.m_failures.Any();
    // Last of all, and only for a run that did everything.
    if (complete && !MarkInstallationComplete()) complete = false;
    RunLogLine(complete ? "安装完成" : "ERROR  安装完成, 但有项目未能完成 (见上)");
    if (!complete) return kExitFailed;
    // Installed; what waits for the restart completes it then.
    return worker.m_replacedAtRestart.empty() ? kExitSuccess : kExitRestartNeeded;
}
