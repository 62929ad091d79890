#include "engine/SetupThread.h"

#include "engine/JoinPath.h"
#include "host_cad/Registry.h"
#include "host_cad/ReleaseSweep.h"

namespace {
const char kProductKey[] = "SOFTWARE\\Morvane\\Kelvra\\V9";
const char kProductTwinKey[] = "SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9";
const char kProductVersion[] = "9.00";
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
}

void CSetupThread::ConfigureAcadReleases() {
    AcadProfileAdditions added;
    m_failures.trustedPathLists += ConfigureAcadReleaseSweep(m_strInstallDir, &added);
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
