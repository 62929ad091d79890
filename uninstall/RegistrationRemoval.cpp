#include "uninstall/RegistrationRemoval.h"

#include "engine/ActiveSetup.h"
#include "engine/InstalledVersion.h"
#include "framework/ExitCode.h"
#include "framework/LongPath.h"
#include "framework/PathCompare.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"
#include "host_cad/AcadCleanup.h"
#include "host_cad/Registry.h"
#include "uninstall/ProductRemoval.h"
#include "uninstall/RemovalReport.h"

#include <windows.h>

namespace {

const char* const kProductKeys[] = {"SOFTWARE\\Morvane\\Kelvra\\V9",
                                    "SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9"};
const char kUninstallEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9";

CString Machine(const CString& key) { return "HKEY_LOCAL_MACHINE\\" + key; }

// A path in the form two spellings of one folder share: the long form where
// it exists (an 8.3 spelling in the registry is still this folder).
CString Comparable(const CString& path) {
    CString longForm;
    return NormalizePath(GetLongPath(path, longForm) ? longForm : path);
}

bool NamesFolder(const CString& path, const CString& folder) {
    const CString comparable = Comparable(path);
    return !comparable.IsEmpty() && IsSamePath(comparable, Comparable(folder));
}

// The program an UninstallString starts: the quoted path, or the whole line
// (an earlier release wrote it unquoted, blanks and all).
CString ProgramOf(CString command) {
    command.Trim();
    if (command.Left(1) != "\"") return command;
    const int close = command.Find("\"", 1);
    return close > 0 ? command.Mid(1, close - 1) : command.Mid(1);
}

// Whose a key is: the folder's, another folder's (shown), or nobody's (the
// key or the value is not there).
enum class Owner { Folder, Elsewhere, None };

Owner ProductKeyOwner(const char* key, const CString& folder, CString& shown) {
    CString installPath;
    if (!ReadExistingString(HKEY_LOCAL_MACHINE, key, "installPath", installPath))
        return Owner::None;
    shown = Machine(key) + " (installPath " + installPath + ")";
    return NamesFolder(installPath, folder) ? Owner::Folder : Owner::Elsewhere;
}

Owner UninstallEntryOwner(const CString& folder, CString& shown) {
    CString command;
    CString location;
    const bool haveCommand =
        ReadExistingString(HKEY_LOCAL_MACHINE, kUninstallEntryKey, "UninstallString", command) != 0;
    const bool haveLocation = ReadExistingString(HKEY_LOCAL_MACHINE, kUninstallEntryKey,
                                                 "InstallLocation", location) != 0;
    if (!haveCommand && !haveLocation) return Owner::None;
    shown = Machine(kUninstallEntryKey) + " (" + (haveCommand ? command : location) + ")";
    const CString program = NormalizePath(ProgramOf(command));
    const bool ours =
        (haveCommand && !program.IsEmpty() && NamesFolder(ParentFolder(program), folder)) ||
        (haveLocation && NamesFolder(location, folder));
    return ours ? Owner::Folder : Owner::Elsewhere;
}

// The component's folder: what its StubPath's /D= names (it comes last).
Owner ActiveSetupOwner(const CString& folder, CString& shown) {
    CString stubPath;
    if (!ReadExistingString(HKEY_LOCAL_MACHINE, kActiveSetupKey, "StubPath", stubPath))
        return Owner::None;
    shown = Machine(kActiveSetupKey) + " (" + stubPath + ")";
    const int at = stubPath.Find(" /D=");
    return at >= 0 && NamesFolder(stubPath.Mid(at + 4), folder) ? Owner::Folder : Owner::Elsewhere;
}

bool DeleteMachineKey(const CString& key, RegistrationRemoval& outcome) {
    const LONG result = RegDeleteTreeW(HKEY_LOCAL_MACHINE, Wide(key).c_str());
    if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) return true;
    RunLogFailure(static_cast<DWORD>(result), "不能删除 %s", Machine(key).GetString());
    outcome.failed.push_back(Machine(key));
    return false;
}

void RemoveActiveSetup(const CString& folder, RegistrationRemoval& outcome) {
    CString shown;
    const Owner owner = ActiveSetupOwner(folder, shown);
    if (owner == Owner::Elsewhere) outcome.elsewhere.push_back(shown);
    if (owner != Owner::Folder) return;
    // The uninstaller's own clean-up for this folder is already waiting.
    if (UserCleanupPending()) return;
    // Every user set up at a logon has profiles and links of their own: the
    // kept per-user program takes them away at their next logon.
    const CString kept = UserProgramFolder() + kUserSetupProgram;
    if (GetFileAttributesW(Wide(kept).c_str()) != INVALID_FILE_ATTRIBUTES &&
        RegisterUserCleanup(folder)) {
        outcome.removed.push_back(Machine(kActiveSetupKey) +
                                  " (每个用户下次登录时删除其 AutoCAD 配置和快捷方式)");
        return;
    }
    // No program to run: no logon may start the set-up of a product that is gone.
    if (DeleteMachineKey(kActiveSetupKey, outcome))
        outcome.removed.push_back(Machine(kActiveSetupKey));
}

} // namespace

int RegistrationRemoval::ExitCode() const { return failed.empty() ? kExitSuccess : kExitFailed; }

RegistrationRemoval RemoveRegistration(const CString& folder) {
    RegistrationRemoval outcome;
    std::vector<const char*> ours;
    for (const char* key : kProductKeys) {
        CString shown;
        const Owner owner = ProductKeyOwner(key, folder, shown);
        if (owner == Owner::Folder) ours.push_back(key);
        if (owner == Owner::Elsewhere) outcome.elsewhere.push_back(shown);
    }
    // First: from here on this installation is not detected as installed.
    if (!ours.empty() && !ClearInstallationComplete()) outcome.failed.push_back("InstalledVersion");

    CString installDir = folder;
    installDir.AppendBackslashIfMissing();
    const int acad = RemoveAcadConfigurationPointingInto(installDir);
    if (acad > 0) {
        CString text;
        text.Format("AutoCAD 中指向该文件夹的配置 (%d 项)", acad);
        outcome.removed.push_back(text);
    }
    RemoveActiveSetup(folder, outcome);
    for (const char* key : ours) {
        if (!DeleteMachineKey(key, outcome)) continue;
        outcome.removed.push_back(Machine(key));
        RemoveEmptyParentKeys(key);
    }

    // Last, and only when everything else went: a failed run can be repeated.
    CString shown;
    const Owner entry = UninstallEntryOwner(folder, shown);
    if (entry == Owner::Elsewhere) outcome.elsewhere.push_back(shown);
    if (entry == Owner::Folder && outcome.failed.empty() &&
        DeleteMachineKey(kUninstallEntryKey, outcome))
        outcome.removed.push_back(Machine(kUninstallEntryKey));
    if (entry == Owner::Folder && !outcome.failed.empty())
        outcome.failed.push_back(Machine(kUninstallEntryKey) + " (保留, 以便再次卸载)");
    return outcome;
}

CString RegistrationBoxText(const RegistrationRemoval& outcome, const CString& folder) {
    CString text;
    text.Format("在 %s 中没有找到 Uninstall.log 和安装记录: 文件夹中的文件没有删除。\n",
                folder.GetString());
    if (!outcome.removed.empty()) {
        text += "\n已删除 Kelvra V9.0 在 Windows 中指向该文件夹的注册信息:\n";
        text += ListNames(outcome.removed, 0);
    } else if (outcome.failed.empty()) {
        text += "\n没有找到还指向该文件夹的注册信息。\n";
    }
    if (!outcome.elsewhere.empty()) {
        text += "\n下列注册信息属于另一个文件夹中的安装, 已保留:\n";
        text += ListNames(outcome.elsewhere, 0);
    }
    if (!outcome.failed.empty()) {
        text += "\n无法删除的项目:\n";
        text += ListNames(outcome.failed, 0);
    }
    return text;
}

void LogRegistrationRemoval(const RegistrationRemoval& outcome, int exitCode) {
    for (const CString& name : outcome.removed) RunLogLine("已删除 %s", name.GetString());
    for (const CString& name : outcome.elsewhere)
        RunLogLine("保留 (属于另一个文件夹中的安装) %s", name.GetString());
    for (const CString& name : outcome.failed) RunLogLine("ERROR  无法删除 %s", name.GetString());
    RunLogLine("没有删除任何文件。结束, 退出代码 %d", exitCode);
}
