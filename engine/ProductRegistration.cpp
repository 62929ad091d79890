#include "engine/SetupThread.h"

#include "engine/AcadSweepLog.h"
#include "engine/JoinPath.h"
#include "host_cad/Registry.h"
#include "framework/BuildVersion.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"
#include "host_cad/ReleaseSweep.h"
#include "res/ProductVersion.h"
#include "res/resource.h"

namespace {
const char kProductKey[] = "SOFTWARE\\Morvane\\Kelvra\\V9";
const char kProductTwinKey[] = "SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9";
const char kProductVersion[] = KELVRA_PRODUCT_VERSION;

// The web address the product's Internet shortcut holds; empty when the
// file or its URL is missing.
CString ShortcutUrl(const CString& urlFile) {
    std::wstring path;
    if (!ToWide(urlFile, path)) return CString();
    wchar_t url[1024] = {};
    GetPrivateProfileStringW(L"InternetShortcut", L"URL", L"", url, 1024, path.c_str());
    return Narrow(url);
}

// Today as yyyymmdd, the form Programs and Features sorts by.
CString Today() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    CString date;
    date.Format("%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return date;
}
} // namespace

// Step 4: the product's keys, the AutoCAD profiles, then the uninstall entry.
// A value that cannot be written is passed over; every log line is written.
void CSetupThread::RegisterProduct() {
    // The earlier installation, read (without creating the key) before this
    // one's folder replaces it: a reinstall keeps what that one recorded.
    ReadExistingString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", m_strEarlierInstallDir);
    WriteMachineString(kProductKey, "installPath", m_strInstallDir);
    WriteMachineString(kProductKey, "Ver", kProductVersion);
    LogRegKey(HKEY_LOCAL_MACHINE, kProductKey);

    WriteMachineString(kProductTwinKey, "installPath", m_strInstallDir);
    WriteMachineString(kProductTwinKey, "Ver", kProductVersion);
    LogRegKey(HKEY_LOCAL_MACHINE, kProductTwinKey);

    // The product's default drawing-layer names; the native key only.
    WriteMachineString(kProductKey, "OriginLayer", "原始标高");
    WriteMachineString(kProductKey, "DesignLayer", "设计标高");
    WriteMachineString(kProductKey, "OriginContourLayer", "原始等高线");
    WriteMachineString(kProductKey, "DesignContourLayer", "设计等高线");

    ConfigureAcadReleases();

    WriteMachineString(kUninstallKey, "DisplayName", "土地整理规划设计软件 Kelvra V9.0");
    // Quoted: an unquoted path with blanks would let Windows try C:\Program.exe.
    WriteMachineString(kUninstallKey, "UninstallString",
                       "\"" + JoinPath(m_strInstallDir, "Uninstall-64.exe") + "\"");
    LogRegKey(HKEY_LOCAL_MACHINE, kUninstallKey);
    WriteUninstallEntryDetails();
}

// What Programs and Features and inventory tools show besides the name, after
// the two values above, which stay as they are.
void CSetupThread::WriteUninstallEntryDetails() {
    const CString uninstaller = "\"" + JoinPath(m_strInstallDir, "Uninstall-64.exe") + "\"";
    // Rounded up: a product of a few bytes still takes a kilobyte.
    const DWORD sizeKb = static_cast<DWORD>((m_nCopiedBytes + 1023) / 1024);
    // The whole version: inventories and supersedence tell builds apart by it.
    WriteMachineString(kUninstallKey, "DisplayVersion", kBuildVersion);
    WriteMachineString(kUninstallKey, "Publisher", KELVRA_MAKER_NAME);
    WriteMachineString(kUninstallKey, "InstallLocation", m_strInstallDir);
    WriteMachineString(kUninstallKey, "DisplayIcon", JoinPath(m_strInstallDir, "KelvraV9.0.ico"));
    WriteMachineDword(kUninstallKey, "EstimatedSize", sizeKb);
    WriteMachineString(kUninstallKey, "QuietUninstallString", uninstaller + " /S");
    // The uninstaller offers neither a change nor a repair.
    WriteMachineDword(kUninstallKey, "NoModify", 1);
    WriteMachineDword(kUninstallKey, "NoRepair", 1);
    WriteMachineString(kUninstallKey, "InstallDate", Today());
    const CString url = ShortcutUrl(JoinPath(m_strInstallDir, "Kelvra.url"));
    if (!url.IsEmpty()) WriteMachineString(kUninstallKey, "URLInfoAbout", url);
    RunLogLine("卸载项: 版本 %s, 大小 %lu KB", kBuildVersion, static_cast<unsigned long>(sizeKb));
}

void CSetupThread::ConfigureAcadReleases() {
    AcadProfileAdditions added;
    CAcadSweepLog sweepLog;
    m_failures.trustedPathLists +=
        ConfigureAcadReleaseSweep(m_strInstallDir, &added, &sweepLog, m_userSteps.parts);
    auto recorded = [](const AcadProfileAddition& addition) {
        RecordedAcadEntry entry;
        entry.releaseKey = addition.releaseKey;
        entry.view = addition.view;
        entry.profile = addition.profile;
        entry.value = addition.value;
        entry.productId = addition.productId;
        return entry;
    };
    for (const AcadProfileAddition& addition : added.trustedPaths)
        m_record.AddTrustedPath(recorded(addition));
    for (const AcadProfileAddition& addition : added.createdProfiles)
        m_record.AddProfile(recorded(addition));
}
