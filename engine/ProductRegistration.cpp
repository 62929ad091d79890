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
    m_failures.trustedPathLists += ConfigureAcadReleaseSweep(m_strInstallDir);
}
