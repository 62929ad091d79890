#include "engine/ActiveSetup.h"

#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "host_cad/Registry.h"
#include "res/ProductVersion.h"

#include <shlobj.h>

#include <cstdlib>

const char kActiveSetupKey[] = "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Kelvra V9";
const char kUserSetupProgram[] = "KelvraUserSetup.exe";
const char kUserCleanupSwitch[] = "/REMOVE";

namespace {

const char kComponentName[] = "土地整理规划设计软件 Kelvra V9.0";

// Read without create semantics: a machine that has no component keeps none.
bool ReadComponentValue(const char* name, CString& value) {
    value.Empty();
    CRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kActiveSetupKey, 0, KEY_QUERY_VALUE, key.Out()) !=
        ERROR_SUCCESS)
        return false;
    char buffer[1024] = {};
    DWORD size = sizeof(buffer) - 1;
    if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                         &size) != ERROR_SUCCESS)
        return false;
    value = buffer;
    return true;
}

// The component with a fresh Version: Windows compares it with the one in
// each user's hive and runs stubPath where the user's is lower or missing.
bool RegisterComponent(const CString& stubPath) {
    CString version;
    ReadComponentValue("Version", version);
    version = NextActiveSetupVersion(version);
    const bool written = WriteMachineString(kActiveSetupKey, "", kComponentName) &&
                         WriteMachineDword(kActiveSetupKey, "IsInstalled", 1) &&
                         WriteMachineString(kActiveSetupKey, "StubPath", stubPath) &&
                         WriteMachineString(kActiveSetupKey, "Version", version);
    if (written)
        RunLogLine("Active Setup: HKEY_LOCAL_MACHINE\\%s, Version %s, StubPath %s", kActiveSetupKey,
                   version.GetString(), stubPath.GetString());
    else
        // The value that failed is named in the line before, with its error.
        RunLogLine("ERROR  不能注册 Active Setup 组件 HKEY_LOCAL_MACHINE\\%s", kActiveSetupKey);
    return written;
}

CString Quoted(const CString& path) { return "\"" + path + "\""; }

// The folder above the clean-up's own: "...\Morvane".
CString VendorFolder(const CString& cleanupFolder) {
    const CString folder = cleanupFolder.Left(cleanupFolder.GetLength() - 1);
    return folder.Left(folder.ReverseFind('\\'));
}

} // namespace

CString NextActiveSetupVersion(const CString& current) {
    const int comma = current.ReverseFind(',');
    const unsigned long last = std::strtoul(current.Mid(comma + 1), nullptr, 10);
    CString next;
    // The product's first three version numbers, then the counter.
    next.Format("%d,%d,%d,%lu", KELVRA_VERSION_MAJOR, KELVRA_VERSION_MINOR, KELVRA_VERSION_PATCH,
                last + 1);
    return next;
}

CString UserCleanupFolder() {
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, SHGFP_TYPE_CURRENT,
                                folder)))
        return CString();
    CString path(folder);
    path.AppendBackslashIfMissing();
    return path + "Morvane\\Kelvra V9\\";
}

bool RegisterUserSetup(const CString& destination) {
    CString installDir = destination;
    installDir.AppendBackslashIfMissing();
    const CString program = installDir + kUserSetupProgram;
    if (GetFileAttributesA(program) == INVALID_FILE_ATTRIBUTES) {
        RunLogFailure(GetLastError(), "找不到每个用户的设置程序 %s", program.GetString());
        return false;
    }
    if (!RegisterComponent(Quoted(program))) return false;
    // A clean-up kept from an earlier uninstallation has nothing left to do.
    const CString cleanupFolder = UserCleanupFolder();
    if (!cleanupFolder.IsEmpty() && DeleteFileA(cleanupFolder + kUserSetupProgram)) {
        RemoveDirectoryA(cleanupFolder);
        RemoveDirectoryA(VendorFolder(cleanupFolder));
    }
    return true;
}

bool RegisterUserCleanup(const CString& destination) {
    CString installDir = destination;
    installDir.AppendBackslashIfMissing();
    const CString folder = UserCleanupFolder();
    if (folder.IsEmpty()) {
        RunLogFailure(ERROR_PATH_NOT_FOUND, "找不到公用文件夹 (Common Files)");
        return false;
    }
    // Morvane, then Kelvra V9 (already there is just as good).
    CreateDirectoryA(VendorFolder(folder), nullptr);
    CreateDirectoryA(folder, nullptr);
    const CString kept = folder + kUserSetupProgram;
    if (!CopyFileA(installDir + kUserSetupProgram, kept, FALSE)) {
        RunLogFailure(GetLastError(), "不能复制每个用户的清理程序 %s 到 %s",
                      (installDir + kUserSetupProgram).GetString(), kept.GetString());
        return false;
    }
    // /D= comes last and runs to the end of the line: no quotes needed.
    return RegisterComponent(Quoted(kept) + " " + kUserCleanupSwitch + " /D=" + installDir);
}

bool UserSetupRegistered() {
    CString stubPath;
    return ReadComponentValue("StubPath", stubPath) && !stubPath.IsEmpty();
}
