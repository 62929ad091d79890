#include "framework/Elevation.h"

#include "framework/App.h"
#include "framework/CommandLine.h"
#include "framework/ExitCode.h"
#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"

#include <shellapi.h>

#include <string>

namespace {

const wchar_t kPretendVariable[] = L"KELVRA_PRETEND_FILTERED_TOKEN";

// The test variable's value; empty when it is not set.
std::wstring PretendedToken() {
    wchar_t value[32] = {};
    const DWORD length = GetEnvironmentVariableW(kPretendVariable, value, ARRAYSIZE(value));
    return length > 0 && length < ARRAYSIZE(value) ? std::wstring(value, length) : std::wstring();
}

std::wstring CurrentFolderW() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return std::wstring();
    std::wstring folder(needed, L'\0');
    const DWORD length = GetCurrentDirectoryW(needed, &folder[0]);
    folder.resize(length < needed ? length : 0);
    return folder;
}

// EnableLUA under the system policies; Windows takes a missing value as on.
bool UacEnabled() {
    DWORD value = 1;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE,
                     L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                     L"EnableLUA", RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return true;
    return value != 0;
}

} // namespace

RightsStep DecideRights(const ProcessRights& rights, bool silent, bool restarted) {
    if (rights.elevated) return RightsStep::Continue;
    if (silent) return RightsStep::RefuseSilent;
    if (restarted) return RightsStep::OfferUserRights;
    // A filtered administrator's token, or a standard user whom the prompt
    // asks for an administrator's password.
    if (rights.elevationType == TokenElevationTypeLimited || rights.uacEnabled)
        return RightsStep::Restart;
    // UAC is off: "runas" would start the program with the same rights.
    return RightsStep::OfferUserRights;
}

ProcessRights ReadProcessRights(bool restarted) {
    ProcessRights rights;
    const std::wstring pretended = PretendedToken();
    if (!pretended.empty() && !(restarted && pretended == L"consented")) {
        rights.elevationType = TokenElevationTypeLimited;
        return rights;
    }
    HANDLE opened = nullptr;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) {
        // Cannot tell: the run goes on as one without this check would.
        rights.elevated = true;
        return rights;
    }
    CHandle token(opened);
    if (!GetTokenInformation(token.Get(), TokenElevationType, &type, sizeof(type), &size) ||
        !GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &size)) {
        rights.elevated = true;
        return rights;
    }
    rights.elevationType = type;
    rights.elevated = elevation.TokenIsElevated != 0;
    rights.uacEnabled = UacEnabled();
    return rights;
}

bool RunsAsLocalSystem() {
#ifdef KELVRA_TEST_SEAMS
    if (GetEnvironmentVariableW(L"KELVRA_PRETEND_SYSTEM", nullptr, 0) > 0) return true;
#endif
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
    CHandle token(opened);
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    return GetTokenInformation(token.Get(), TokenUser, buffer, sizeof(buffer), &size) &&
           IsWellKnownSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, WinLocalSystemSid);
}

bool RunsAsAdministrator() {
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(administrators);
    BOOL member = FALSE;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
           CheckTokenMembership(nullptr, administrators, &member) && member;
}

bool RestartElevated(DWORD& exitCode, const CString& handBack) {
    if (PretendedToken() == L"declined") {
        SetLastError(ERROR_CANCELLED);
        return false;
    }
    const std::wstring program = AfxGetModulePath();
    if (program.empty()) return false;
    // The mark first: /D= may run to the end of the line.
    const CString mark = handBack.IsEmpty() ? CString(kElevatedRunSwitch)
                                            : CString(kElevatedRunSwitch) + "=" + handBack;
    const std::wstring parameters =
        Wide(mark) + L" " + SkipProgramPath(GetCommandLineW(), program.c_str());
    // An elevated program would otherwise start in System32, and a relative
    // /LOG= would land there.
    const std::wstring folder = CurrentFolderW();

    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // The program that restarts itself has passed the zone check once, when
    // the user started it: a downloaded Setup.exe is not asked about again.
    info.fMask =
        SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS;
    info.lpVerb = L"runas";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return false;
    CHandle process(info.hProcess);
    if (!process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    // As long as the elevated run lasts: it is the installation itself.
    DWORD code = kExitFailed;
    if (WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.Get(), &code))
        code = kExitFailed;
    exitCode = code;
    return true;
}

int ActOnMissingRights(RightsStep step, DWORD restartError, bool silent, const char* boxText,
                       const char* caption) {
    switch (step) {
    case RightsStep::Continue:
        return kExitSuccess;
    case RightsStep::RefuseSilent:
        RunLogLine("ERROR  没有管理员权限: 无人值守运行需要管理员或 SYSTEM 帐户"
                   " (部署系统以系统身份运行), 没有做任何更改");
        return kExitFailed;
    case RightsStep::Restart:
        if (restartError == ERROR_CANCELLED)
            RunLogLine("ERROR  没有管理员权限: 用户在用户帐户控制的提示中拒绝了");
        else
            RunLogFailure(restartError, "没有管理员权限: 无法以管理员身份重新启动");
        break;
    case RightsStep::OfferUserRights:
        RunLogLine("ERROR  没有管理员权限, 也无法通过用户帐户控制取得");
        break;
    }
    if (silent) return kExitFailed;
    const int answer = MessageBoxW(nullptr, Wide(boxText).c_str(), Wide(caption).c_str(),
                                   MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_SETFOREGROUND);
    if (answer != IDYES) {
        RunLogLine("用户选择退出");
        return kExitUserCancelled;
    }
    RunLogLine("用户选择以当前用户的权限继续");
    return kExitSuccess;
}
