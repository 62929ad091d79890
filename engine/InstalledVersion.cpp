#include "engine/InstalledVersion.h"

#include "framework/BuildVersion.h"
#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/VersionNumbers.h"
#include "framework/WideText.h"
#include "host_cad/Registry.h"

#include <windows.h>

const char kInstalledVersionValue[] = "InstalledVersion";

namespace {
const char* const kProductKeys[] = {"SOFTWARE\\Morvane\\Kelvra\\V9",
                                    "SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9"};
} // namespace

bool MarkInstallationComplete() {
    bool written = true;
    for (const char* key : kProductKeys)
        // A failed write is logged with its error by the write itself.
        if (!WriteMachineString(key, kInstalledVersionValue, kBuildVersion)) written = false;
    if (written)
        RunLogLine("安装已完成的标记: HKEY_LOCAL_MACHINE\\%s\\%s = %s", kProductKeys[0],
                   kInstalledVersionValue, kBuildVersion);
    return written;
}

bool ClearInstallationComplete() {
    bool cleared = true;
    for (const char* key : kProductKeys) {
        CRegKey handle;
        // Not there at all: nothing to take away (and no key is created).
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(key).c_str(), 0, KEY_SET_VALUE, handle.Out()) !=
            ERROR_SUCCESS)
            continue;
        const LONG error = RegDeleteValueW(handle.Get(), Wide(kInstalledVersionValue).c_str());
        if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
            RunLogFailure(static_cast<DWORD>(error), "不能删除 HKEY_LOCAL_MACHINE\\%s\\%s", key,
                          kInstalledVersionValue);
            cleared = false;
        }
    }
    return cleared;
}

CString ReadInstalledVersion() {
    CString version;
    if (!ReadExistingString(HKEY_LOCAL_MACHINE, kProductKeys[0], kInstalledVersionValue, version))
        return CString();
    return version.Trim();
}

VersionStep DecideVersionStep(const CString& installed, const CString& running, bool silent,
                              bool allowDowngrade) {
    // An earlier release wrote "9.00": read as 9.0.0.0.
    if (installed.IsEmpty() || allowDowngrade || CompareVersions(installed, running) <= 0)
        return VersionStep::Go;
    return silent ? VersionStep::RefuseDowngrade : VersionStep::AskDowngrade;
}

void LogVersionStep(const CString& installed, const CString& running, VersionStep step) {
    if (installed.IsEmpty()) return;
    const int order = CompareVersions(installed, running);
    const char* what = order < 0    ? "升级, 保留数据库"
                       : order == 0 ? "版本相同: 重新安装 (修复), 保留数据库"
                       : step == VersionStep::Go
                           ? "已安装的版本较新: 命令行有 /ALLOWDOWNGRADE, 换成较旧的版本"
                       : step == VersionStep::AskDowngrade
                           ? "已安装的版本较新: 询问用户是否换成较旧的版本"
                           : "已安装的版本较新: 静默安装不换成较旧的版本 (可加 /ALLOWDOWNGRADE), "
                             "安装终止, 没有更改任何内容";
    RunLogLine("%s已安装的版本 %s (HKEY_LOCAL_MACHINE\\%s\\%s), 本安装程序的版本 %s: %s",
               step == VersionStep::RefuseDowngrade ? "ERROR  " : "", installed.GetString(),
               kProductKeys[0], kInstalledVersionValue, running.GetString(), what);
}
