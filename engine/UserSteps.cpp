#include "engine/UserSteps.h"

#include "framework/RunLog.h"

UserSteps DecideUserSteps(const RunIdentity& run) {
    UserSteps steps;
    if (run.system) {
        steps.parts = ConfigurationParts::MachineOnly;
        steps.registersUserSetup = true;
        steps.readme = ReadmeOpening::Never;
    } else if (run.elevated && run.restarted && !run.silent) {
        steps.parts = ConfigurationParts::MachineOnly;
        steps.registersUserSetup = true;
        steps.originalSetsUpItsUser = true;
        steps.readme = ReadmeOpening::ByTheOriginal;
    } else if (run.elevated) {
        steps.registersUserSetup = true;
    }
    return steps;
}

void LogUserSteps(const UserSteps& steps, const RunIdentity& run) {
    if (run.system)
        RunLogLine("以 SYSTEM 帐户运行: 不写 SYSTEM 自己的 AutoCAD 配置 (HKEY_CURRENT_USER) 和"
                   "桌面、开始菜单快捷方式; 每个用户下次登录时由 Active Setup 设置");
    else if (steps.originalSetsUpItsUser)
        RunLogLine("以管理员身份重新启动的运行: 不写本帐户的 AutoCAD 配置和桌面、开始菜单快捷方式;"
                   " 启动安装程序的用户由原来的运行在本运行结束后设置, 其他用户下次登录时由"
                   " Active Setup 设置");
    else if (steps.registersUserSetup)
        RunLogLine("设置本帐户的 AutoCAD 配置和快捷方式; 其他用户下次登录时由 Active Setup 设置");
    else
        RunLogLine("没有管理员权限: 只设置本帐户的 AutoCAD 配置和快捷方式");
}
