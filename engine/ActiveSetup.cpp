#include "engine/ActiveSetup.h"

#include "framework/FileDigest.h"
#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/SharingRetry.h"
#include "framework/VersionNumbers.h"
#include "framework/WideText.h"
#include "framework/ZoneMark.h"
#include "host_cad/Registry.h"
#include "res/ProductVersion.h"

#include <shlobj.h>

#include <cwchar>

const char kActiveSetupKey[] = "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Kelvra V9";
const char kUserSetupProgram[] = "KelvraUserSetup.exe";
const char kUserCleanupSwitch[] = "/REMOVE";

namespace {

const char kComponentName[] = "土地整理规划设计软件 Kelvra V9.0";

// Read without create semantics: a machine that has no component keeps none.
bool ReadComponentValue(const char* name, CString& value) {
    return ReadExistingString(HKEY_LOCAL_MACHINE, kActiveSetupKey, name, value) != 0;
}

// The component with a fresh Version: Windows compares it with the one in
// each user's hive and runs stubPath where the user's is lower or missing.
bool RegisterComponent(const CString& stubPath) {
    CString version;
    ReadComponentValue("Version", version);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    version = NextActiveSetupVersion(version, now);
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

namespace {

CString FormatVersion(const VersionParts& version) {
    CString text;
    text.Format("%lu,%lu,%lu,%lu", version.part[0], version.part[1], version.part[2],
                version.part[3]);
    return text;
}

// The midnight that began 2000-01-01, UTC, as a FILETIME (100 ns since 1601).
constexpr ULONGLONG kYear2000 = 125911584000000000ull;
constexpr ULONGLONG kTicksPerSecond = 10000000ull;

} // namespace

CString NextActiveSetupVersion(const CString& current, const FILETIME& now) {
    const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const ULONGLONG seconds = ticks > kYear2000 ? (ticks - kYear2000) / kTicksPerSecond : 0;
    const ULONGLONG days = seconds / 86400;
    VersionParts fromTime;
    fromTime.part[0] = KELVRA_VERSION_MAJOR;
    fromTime.part[1] = KELVRA_VERSION_MINOR;
    fromTime.part[2] = days > 0xFFFF ? 0xFFFF : static_cast<unsigned long>(days);
    fromTime.part[3] = static_cast<unsigned long>(seconds % 86400 / 2);
    const CString timeVersion = FormatVersion(fromTime);
    if (CompareVersions(timeVersion, current) > 0) return timeVersion;
    // current raised by one, carried into the part before when one is full.
    VersionParts raised = ParseVersion(current);
    for (int i = 3; i >= 0; --i) {
        if (raised.part[i] < 0xFFFF) {
            ++raised.part[i];
            break;
        }
        raised.part[i] = 0;
    }
    return FormatVersion(raised);
}

CString UserProgramFolder() {
    wchar_t folder[MAX_PATH] = {};
    CString path;
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, SHGFP_TYPE_CURRENT,
                                folder)) ||
        !ToNarrow(folder, static_cast<int>(wcslen(folder)), path))
        return CString();
    path.AppendBackslashIfMissing();
    return path + "Morvane\\Kelvra V9\\";
}

namespace {

// Morvane, then Kelvra V9 (already there is just as good). Created by an
// administrator under Common Files, they inherit its list: users may read
// and run, not write.
bool MakeUserProgramFolder(CString& folder) {
    folder = UserProgramFolder();
    if (folder.IsEmpty()) {
        RunLogFailure(ERROR_PATH_NOT_FOUND, "找不到公用文件夹 (Common Files)");
        return false;
    }
    CreateDirectoryW(Wide(VendorFolder(folder)).c_str(), nullptr);
    CreateDirectoryW(Wide(folder).c_str(), nullptr);
    return true;
}

HANDLE OpenForDigest(const CString& path) {
    // No write or delete sharing: the file checked is the file registered.
    return CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

} // namespace

bool SameAsDistribution(const CString& original, const CString& kept) {
    CFileHandle originalFile(OpenForDigest(original));
    CFileHandle keptFile(OpenForDigest(kept));
    FileDigest originalDigest, keptDigest;
    if (!originalFile || !keptFile || !DigestFile(originalFile.Get(), originalDigest) ||
        !DigestFile(keptFile.Get(), keptDigest)) {
        RunLogFailure(GetLastError(), "不能读取每个用户的设置程序 %s 或 %s", original.GetString(),
                      kept.GetString());
        return false;
    }
    if (originalDigest != keptDigest) {
        RunLogLine("ERROR  %s 与安装包中的 %s 大小或 SHA-256 不同, 不注册", kept.GetString(),
                   original.GetString());
        return false;
    }
    return true;
}

bool RegisterUserSetup(const CString& source, const CString& destination) {
    CString sourceDir = source;
    sourceDir.AppendBackslashIfMissing();
    CString installDir = destination;
    installDir.AppendBackslashIfMissing();
    const CString original = sourceDir + kUserSetupProgram;
    if (GetFileAttributesW(Wide(original).c_str()) == INVALID_FILE_ATTRIBUTES) {
        RunLogFailure(GetLastError(), "找不到每个用户的设置程序 %s", original.GetString());
        return false;
    }
    CString folder;
    if (!MakeUserProgramFolder(folder)) return false;
    const CString kept = folder + kUserSetupProgram;
    // A scanner looking at the copy that was there (or at the new one) is
    // waited for a moment.
    if (!RetryWhileShared([&] {
            return CopyFileW(Wide(original).c_str(), Wide(kept).c_str(), FALSE) != FALSE;
        })) {
        RunLogFailure(GetLastError(), "不能复制每个用户的设置程序 %s 到 %s", original.GetString(),
                      kept.GetString());
        return false;
    }
    // Every user's logon runs it: not as a download.
    TakeOffZoneMark(kept);
    if (!SameAsDistribution(original, kept)) return false;
    // /D= comes last and runs to the end of the line: no quotes needed.
    return RegisterComponent(Quoted(kept) + " /D=" + installDir);
}

bool ReplacePendingUserCleanup(const CString& source, const CString& destination) {
    if (!UserCleanupPending()) return true;
    RunLogLine("替换等待中的每个用户清理 (Active Setup)");
    return RegisterUserSetup(source, destination);
}

bool RegisterUserCleanup(const CString& destination) {
    CString installDir = destination;
    installDir.AppendBackslashIfMissing();
    CString folder;
    if (!MakeUserProgramFolder(folder)) return false;
    const CString kept = folder + kUserSetupProgram;
    if (GetFileAttributesW(Wide(kept).c_str()) == INVALID_FILE_ATTRIBUTES && !RetryWhileShared([&] {
            return CopyFileW(Wide(installDir + kUserSetupProgram).c_str(), Wide(kept).c_str(),
                             TRUE) != FALSE;
        })) {
        RunLogFailure(GetLastError(), "不能复制每个用户的清理程序 %s 到 %s",
                      (installDir + kUserSetupProgram).GetString(), kept.GetString());
        return false;
    }
    // /D= comes last and runs to the end of the line: no quotes needed.
    return RegisterComponent(Quoted(kept) + " " + kUserCleanupSwitch + " /D=" + installDir);
}

bool RunRegisteredUserSetup(DWORD timeoutMs) {
    CString stubPath;
    const CString program = UserProgramFolder() + kUserSetupProgram;
    const CString expected = Quoted(program) + " /D=";
    if (!ReadComponentValue("StubPath", stubPath) || program == kUserSetupProgram ||
        stubPath.Left(expected.GetLength()).CompareNoCase(expected) != 0) {
        RunLogLine("ERROR  没有注册每个用户的设置 (Active Setup): %s", stubPath.GetString());
        return false;
    }
    // The program named, not searched for; the line as a logon runs it.
    std::wstring line = Wide(stubPath);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(Wide(program).c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        RunLogFailure(GetLastError(), "不能启动每个用户的设置程序 %s", program.GetString());
        return false;
    }
    CHandle process(info.hProcess);
    CHandle thread(info.hThread);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.Get(), &code) || code != 0) {
        RunLogLine("ERROR  每个用户的设置程序 %s 没有完成 (退出代码 %lu)", program.GetString(),
                   static_cast<unsigned long>(code));
        return false;
    }
    RunLogLine("已为本用户运行每个用户的设置: %s", stubPath.GetString());
    return true;
}

bool UserSetupRegistered() {
    CString stubPath;
    return ReadComponentValue("StubPath", stubPath) && !stubPath.IsEmpty();
}

bool UserCleanupPending() {
    CString stubPath;
    return ReadComponentValue("StubPath", stubPath) &&
           stubPath.Find(CString(" ") + kUserCleanupSwitch + " ") >= 0;
}
