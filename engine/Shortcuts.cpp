#include "engine/SetupThread.h"

#include "engine/JoinPath.h"
#include "framework/Handles.h"
#include "framework/FileCalls.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"
#include "host_cad/AcadProfile.h"
#include "host_cad/Registry.h"
#include "host_cad/ReleaseSweep.h"
#include "host_cad/ShellFolders.h"

#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <string>

namespace {
// Starts AutoCAD with the product's profile and a new drawing.
const char kAcadArguments[] = "/p \"<<Kelvra V9>>\" /t acad.dwt";
} // namespace

// Step 5: the desktop link, the program group and one link per found release.
int CSetupThread::CreateShortcuts() {
    // The desktop and the program group are the user's; the release links
    // lie in the destination, for every user.
    const bool userLinks = m_userSteps.parts != ConfigurationParts::MachineOnly;
    const bool machineLinks = m_userSteps.parts != ConfigurationParts::UserOnly;
    CString desktop;
    CString programs;
    CString group;
    if (userLinks) {
        if (!FindShellFolders(desktop, programs)) {
            RunLogLine("ERROR  找不到桌面和开始菜单的文件夹 (Shell Folders): 没有创建快捷方式");
            return 0;
        }
        desktop.Trim().AppendBackslashIfMissing();
        programs.Trim().AppendBackslashIfMissing();
        group = JoinPath(programs, kProgramGroup);
        EnsureDirectory(group);
    }

    // A link replaces any file of its name; only saved links are logged.
    auto makeLink = [this](const CString& linkPath, const CString& target, const char* arguments,
                           const char* iconFile) {
        DeleteFilePath(linkPath);
        HRESULT result = S_OK;
        if (CreateShellLink(m_strInstallDir, linkPath, target, arguments, iconFile, &result)) {
            LogFileCopy(linkPath);
            m_record.AddLink(linkPath);
            return;
        }
        RunLogFailure(static_cast<DWORD>(result), "不能创建快捷方式 %s", linkPath.GetString());
        m_failures.links.push_back(linkPath);
        if (result == E_ACCESSDENIED) NoteAccessDenied(linkPath.Left(linkPath.ReverseFind('\\')));
    };

    const CString productProgram = JoinPath(m_strInstallDir, "Kelvra-64.exe");
    if (userLinks) {
        makeLink(JoinPath(desktop, kProductLink), productProgram, nullptr, nullptr);
        makeLink(JoinPath(group, kProductLink), productProgram, nullptr, nullptr);
    }

    const CString icon = JoinPath(m_strInstallDir, "KelvraV9.0.ICO");
    if (machineLinks)
        SweepAcadShortcuts([&](const AcadRelease& release, const CString& hostFolder) {
            const CString linkName = CString("Kelvrafor") + release.yearLabel + ".LNK";
            makeLink(JoinPath(m_strInstallDir, linkName), JoinPath(hostFolder, "acad.exe"),
                     kAcadArguments, icon);
        });

    if (!userLinks) return 1;
    makeLink(JoinPath(group, kWebsiteLink), JoinPath(m_strInstallDir, "Kelvra.url"), nullptr,
             nullptr);
    makeLink(JoinPath(group, kHelpLink), JoinPath(m_strInstallDir, "KelvraHelp.chm"), nullptr,
             nullptr);
    makeLink(JoinPath(group, kUninstallerLink), JoinPath(m_strInstallDir, "Uninstall-64.exe"),
             nullptr, nullptr);

    // The uninstaller removes the group folder after its links.
    LogFileCopy(group);
    return 1;
}

int CSetupThread::CreateShellLink(const CString& workingFolder, const CString& linkPath,
                                  const CString& target, const char* arguments,
                                  const char* iconFile, HRESULT* result) {
    HRESULT ignored = S_OK;
    HRESULT& hr = result ? *result : ignored;
    hr = E_FAIL;
    CComInitialize apartment;
    if (!apartment.Entered()) return 0;
    // Every text is handed over whole in UTF-16; one that is not valid code
    // page 936 text, or a link path that does not fit, makes no link.
    std::wstring wideTarget;
    std::wstring wideArguments;
    std::wstring wideIcon;
    std::wstring wideFolder;
    std::wstring widePath;
    if (!ToWide(target, wideTarget) ||
        !ToWide(CString(arguments ? arguments : ""), wideArguments) ||
        !ToWide(CString(iconFile ? iconFile : ""), wideIcon) ||
        !ToWide(workingFolder, wideFolder) || !ToWide(linkPath, widePath)) {
        hr = HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (widePath.size() >= MAX_PATH) {
        hr = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    CComPtr<IShellLinkW> link;
    hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                          link.OutVoid());
    if (FAILED(hr)) return 0;
    link->SetPath(wideTarget.c_str());
    link->SetArguments(wideArguments.c_str());
    link->SetIconLocation(wideIcon.c_str(), 0);
    link->SetWorkingDirectory(wideFolder.c_str());

    CComPtr<IPersistFile> file;
    hr = link->QueryInterface(IID_IPersistFile, file.OutVoid());
    if (FAILED(hr)) return 0;
    hr = file->Save(widePath.c_str(), TRUE);
    return SUCCEEDED(hr);
}
