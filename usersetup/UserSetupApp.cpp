#include "usersetup/UserSetupApp.h"

#include "engine/ActiveSetup.h"
#include "engine/UnattendedSetup.h"
#include "framework/ExitCode.h"
#include "framework/ProgramArguments.h"
#include "framework/RunLog.h"
#include "framework/Handles.h"
#include "uninstall/UserCleanup.h"
#include "framework/BuildVersion.h"

#include <shlobj.h>

namespace {

// Where the per-user program writes when no /LOG= names a file: the user's
// own temp folder, which every account has.
const char kUserSetupLogName[] = "Kelvra V9 UserSetup.log";

// At a user's first logon Active Setup runs before the shell has recorded the
// user's folders under "Shell Folders", where the links are looked up; asking
// the shell for them records them (and creates them when missing), so the
// links land in this user's own folders and never in the machine's common ones.
void ResolveUserShellFolders() {
    wchar_t folder[MAX_PATH];
    for (int id : {CSIDL_DESKTOPDIRECTORY, CSIDL_PROGRAMS})
        SHGetFolderPathW(nullptr, id | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder);
}

// The product is installed again (a reinstallation after the uninstallation
// that registered the clean-up): its profiles and links belong to the new
// installation now. Read without creating anything.
bool ProductInstalled() {
    CRegKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Morvane\\Kelvra\\V9", 0,
                         KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.Out()) == ERROR_SUCCESS &&
           RegQueryValueExW(key.Get(), L"installPath", nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
}

} // namespace

BOOL CUserSetupApp::InitInstance() {
    CString arguments;
    const bool exact = ReadProgramArguments(arguments);
    CommandLineOptions options =
        ParseArguments(arguments, kSwitchLog | kSwitchDestination, kUserCleanupSwitch);
    // A "?" in place of a character names no file or folder: nothing is
    // opened or set up under it.
    if (!exact) {
        options.logFile.Empty();
        options.invalidArgument = arguments;
    }
    m_nExitCode = RunUserSetup(options);
    return FALSE;
}

int CUserSetupApp::RunUserSetup(const CommandLineOptions& options) {
    CRunLog log;
    log.Open(options.logFile.IsEmpty() ? TempFolderPath(kUserSetupLogName) : options.logFile);
    RunLogHeader("Kelvra V9.0 用户设置程序");
    RunLogLine("开始: %s %s, 版本 %s", kUserSetupProgram, options.arguments.GetString(),
               kBuildVersion);
    int exitCode = kExitSuccess;
    if (!options.IsValid() || (options.privateSwitch && options.destination.IsEmpty())) {
        // The clean-up lives outside the destination: it must be told where it was.
        RunLogLine("ERROR  无法识别的命令行参数: %s", options.arguments.GetString());
        exitCode = kExitInvalidCommandLine;
    } else if (options.privateSwitch && ProductInstalled()) {
        RunLogLine("本软件已重新安装: 不清理");
    } else if (options.privateSwitch) {
        ResolveUserShellFolders();
        const bool roaming = UserProfileRoams();
        if (roaming)
            RunLogLine("漫游用户配置文件: 保留 AutoCAD 配置 (其他计算机可能仍在使用), "
                       "只删除本机的快捷方式");
        const UserCleanupResult done = CleanUpUser(options.destination, roaming);
        RunLogLine("清理: %d 个 AutoCAD 注册表项, %d 个快捷方式和文件夹", done.acadChanged,
                   done.linksRemoved);
    } else {
        CString installDir = options.destination;
        if (installDir.IsEmpty() && AfxGetModuleFolder(installDir)) installDir += "\\";
        if (installDir.IsEmpty()) {
            RunLogLine("ERROR  程序所在文件夹的名称中有简体中文（GBK）无法表示的字符: %s",
                       AfxGetModuleFolder().GetString());
            exitCode = kExitFailed;
        } else {
            ResolveUserShellFolders();
            SetUpCurrentUser(installDir);
        }
    }
    RunLogLine("结束, 退出代码 %d", exitCode);
    return exitCode;
}
