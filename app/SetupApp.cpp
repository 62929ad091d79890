#include "app/SetupApp.h"

#include "app/HandBack.h"
#include "app/SetupDlg.h"
#include "app/SilentSetup.h"
#include "framework/App.h"
#include "framework/CommandLine.h"
#include "framework/Elevation.h"
#include "framework/ExitCode.h"
#include "framework/InteractiveDesktop.h"
#include "framework/RunLog.h"
#include "framework/SingleInstance.h"
#include "res/resource.h"

namespace {

const char kUsage[] = "用法: Setup.exe [/S] [/LOG=<日志文件>] [/ALLOWDOWNGRADE] [/NORESTART] "
                      "[/D=<安装路径>]\n\n"
                      "/S\t静默安装: 不显示任何窗口, 按典型安装进行\n"
                      "\t(接受许可协议, 默认安装路径, 重新安装时保留数据库)\n"
                      "/LOG=<文件>\t把安装的每一步和每个错误写入日志文件;\n"
                      "\t可以含环境变量, 如 %COMPUTERNAME%;\n"
                      "\t静默安装未指定时写入 %TEMP%\\" KELVRA_SETUP_LOG_NAME "\n"
                      "/ALLOWDOWNGRADE\t已安装较新的版本时, 仍换成本安装程序的较旧版本\n"
                      "/NORESTART\t可以加上, 不起作用: 安装程序从不重新启动计算机\n"
                      "/D=<路径>\t安装路径: 带驱动器号或 UNC 共享的完整路径;\n"
                      "\t不加引号时必须是最后一个参数 (其后只能有 /NORESTART),\n"
                      "\t可以含空格; 不用 /S 时填入安装路径页\n"
                      "/?\t显示本说明\n\n"
                      "版本相同时重新安装即是修复; 较新的版本就地升级, 保留数据库。\n\n"
                      "退出代码:\n"
                      "0\t安装成功, 每一步都已完成\n"
                      "1602\t用户取消了安装\n"
                      "1603\t安装失败, 或有项目未能完成 (见日志);\n"
                      "\t静默安装没有管理员权限\n"
                      "1618\t另一个 Kelvra V9.0 安装或卸载程序正在运行\n"
                      "1638\t已安装较新的版本, 没有更改任何内容\n"
                      "1639\t命令行参数无效, 或没有可显示窗口的桌面\n"
                      "3010\t安装成功, 正在使用的文件在重新启动计算机后替换";

const char kWithoutRights[] = "没有获得管理员权限。\n\n"
                              "没有管理员权限, 安装到 Program Files 的过程将无法完成。\n"
                              "是否仍以当前用户的权限继续安装?";

const char kAlreadyRunning[] =
    "另一个 Kelvra V9.0 安装或卸载程序正在运行。\n请等它结束后再运行本安装程序。";

// A command line the installer cannot follow: nothing is installed.
int RefuseArgument(const CommandLineOptions& options) {
    RunLogLine("ERROR  无法识别的命令行参数: %s", options.invalidArgument.GetString());
    if (!options.silent) {
        CString text;
        text.Format("无法识别的命令行参数:\n\n%s\n\n运行 Setup.exe /? 查看可用的参数。",
                    options.invalidArgument.GetString());
        AfxMessageBox(nullptr, text, MB_OK | MB_ICONERROR, WizardTitle());
    }
    return kExitInvalidCommandLine;
}

// A run that would show a window where nobody can see it (a service, session
// 0): it ends at once instead of waiting for an answer. The log is written
// even without /LOG=, where a silent run writes it.
int RefuseWithoutDesktop(const CommandLineOptions& options) {
    CRunLog log;
    log.Open(options.logFile.IsEmpty() ? TempFolderPath(KELVRA_SETUP_LOG_NAME) : options.logFile);
    RunLogHeader("Kelvra V9.0 安装程序");
    RunLogLine("参数: %s", options.arguments.GetString());
    RunLogLine("ERROR  没有用户可见的桌面 (服务或会话 0), 无法显示安装向导或提示框; "
               "无人值守安装请加 /S。结束, 退出代码 %d",
               kExitInvalidCommandLine);
    return kExitInvalidCommandLine;
}

// The wizard; readmeChosen: the finish page's read-me option was ticked.
int RunWizardWindow(const CommandLineOptions& options, const UserSteps& steps, bool elevated,
                    bool& readmeChosen) {
    AfxEnableControlContainer();
    CSetupDlg dlg;
    dlg.m_strCommandLineDir = options.destination;
    dlg.m_bAllowDowngrade = options.allowDowngrade;
    dlg.m_userSteps = steps;
    dlg.m_bElevated = elevated;
    CWinApp* app = AfxGetApp();
    if (app) app->m_pMainWnd = &dlg;
    dlg.DoModal();
    if (app) app->m_pMainWnd = nullptr;
    readmeChosen = dlg.m_bReadmeChosen;
    return dlg.m_nExitCode;
}

// The elevated run's end: what it left to the original, waiting run.
void HandBackToOriginal(const CommandLineOptions& options, bool readmeChosen) {
    const DWORD requests =
        kHandBackUserSetup | (readmeChosen ? static_cast<DWORD>(kHandBackReadme) : 0u);
    if (HandBack(options.handBack, requests))
        RunLogLine("交回原来的运行: 为启动安装程序的用户设置 AutoCAD 配置和快捷方式%s",
                   readmeChosen ? ", 并以该用户的身份打开 readme.txt" : "");
    else
        RunLogLine("ERROR  原来的运行已不在等待: 该用户下次登录时由 Active Setup 设置");
}

} // namespace

BOOL CSetupApp::InitInstance() {
    m_nExitCode = RunSetup(ParseProgramCommandLine(kSetupSwitches));
    // No message loop of our own: the process ends with the run.
    return FALSE;
}

int CSetupApp::RunSetup(const CommandLineOptions& options) {
    // Every window below (the usage, a refused argument, the wizard) needs
    // someone to see it.
    if ((options.help || !options.silent) && !HasVisibleDesktop())
        return RefuseWithoutDesktop(options);
    if (options.IsValid() && options.help) {
        AfxMessageBox(nullptr, kUsage, MB_OK | MB_ICONINFORMATION, WizardTitle());
        return kExitSuccess;
    }

    // Before the log and the instance check: the elevated run takes both over.
    RightsStep rights = RightsStep::Continue;
    ProcessRights processRights;
    DWORD restartError = ERROR_SUCCESS;
    if (options.IsValid()) {
        processRights = ReadProcessRights(options.elevatedRun);
        rights = DecideRights(processRights, options.silent, options.elevatedRun);
        DWORD elevatedExitCode = 0;
        if (rights == RightsStep::Restart) {
            // The user who asked is set up, and reads the read-me, as
            // themselves, here, once the elevated run has ended.
            CHandBack handBack;
            if (RestartElevated(elevatedExitCode, handBack.Name())) {
                TakeBack(handBack.Requests(), static_cast<int>(elevatedExitCode));
                return static_cast<int>(elevatedExitCode);
            }
            restartError = GetLastError();
        }
    }

    // Opened before the instance check: a second run's log says why it
    // stopped, and it cannot take over the first run's file (opened
    // without write sharing).
    CRunLog log;
    if (!options.logFile.IsEmpty())
        log.Open(options.logFile);
    else if (options.silent)
        log.Open(TempFolderPath(KELVRA_SETUP_LOG_NAME));
    RunLogHeader("Kelvra V9.0 安装程序");
    RunLogLine("开始: %s", options.silent ? "静默安装" : "交互安装");
    RunLogLine("参数: %s", options.arguments.GetString());
    if (options.elevatedRun) RunLogLine("经用户帐户控制以管理员身份重新启动的运行");
    if (options.noRestart) RunLogLine("/NORESTART: 不起作用, 安装程序从不重新启动计算机");

    // A refused argument or missing rights end the run before it touches anything.
    int exitCode = options.IsValid() ? ActOnMissingRights(rights, restartError, options.silent,
                                                          kWithoutRights, WizardTitle())
                                     : RefuseArgument(options);
    if (exitCode == kExitSuccess) {
        CSingleInstance instance(KELVRA_INSTANCE_MUTEX);
        if (!instance.IsFirst()) {
            RunLogLine("ERROR  另一个 Kelvra V9.0 安装或卸载程序正在运行");
            if (!options.silent)
                AfxMessageBox(nullptr, kAlreadyRunning, MB_OK | MB_ICONWARNING, WizardTitle());
            exitCode = kExitAlreadyRunning;
        } else {
            // A restart whose original waits for it leaves that user's part to it.
            const RunIdentity identity{.silent = options.silent,
                                       .restarted = !options.handBack.IsEmpty(),
                                       .elevated = processRights.elevated,
                                       .system = RunsAsLocalSystem()};
            const UserSteps steps = DecideUserSteps(identity);
            LogUserSteps(steps, identity);
            bool readmeChosen = false;
            exitCode = options.silent
                           ? RunSilentSetup(options, steps)
                           : RunWizardWindow(options, steps, identity.elevated, readmeChosen);
            if (steps.originalSetsUpItsUser) HandBackToOriginal(options, readmeChosen);
        }
    }
    RunLogLine("结束, 退出代码 %d", exitCode);
    return exitCode;
}
