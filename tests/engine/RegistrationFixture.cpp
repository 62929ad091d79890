#include "tests/engine/RegistrationFixture.h"

#include "framework/Handles.h"
#include "tests/engine/PageStandIn.h"

#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

CString TestControlsFolder() {
    char exePath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exePath, MAX_PATH);
    CString folder(exePath);
    return folder.Left(folder.ReverseFind('\\') + 1) + "test_controls\\";
}

bool PlaceTestControl(const char* builtName, const CString& folder, const char* newName) {
    return CopyFileA(TestControlsFolder() + builtName, folder + newName, FALSE) != FALSE;
}

std::vector<CString> LogLines(const CSetupThread& worker) { return SplitLines(worker.m_strLog); }

void PointShellFoldersAt(ScratchRegistry& registry, const CString& desktop,
                         const CString& programs) {
    const char key[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    SetRegString(registry.User(), key, "Desktop", desktop);
    SetRegString(registry.User(), key, "Programs", programs);
}

ShellLinkInfo ReadShellLink(const CString& linkPath) {
    ShellLinkInfo info;
    const HRESULT init = CoInitialize(nullptr);
    {
        CComPtr<IShellLinkA> link;
        CComPtr<IPersistFile> file;
        wchar_t widePath[MAX_PATH] = {};
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IShellLinkA, link.OutVoid())) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.OutVoid())) &&
            MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) &&
            SUCCEEDED(file->Load(widePath, STGM_READ))) {
            char text[1024] = {};
            link->GetPath(text, sizeof(text), nullptr, SLGP_RAWPATH);
            info.target = text;
            text[0] = '\0';
            link->GetArguments(text, sizeof(text));
            info.arguments = text;
            text[0] = '\0';
            link->GetIconLocation(text, sizeof(text), &info.iconIndex);
            info.iconFile = text;
            text[0] = '\0';
            link->GetWorkingDirectory(text, sizeof(text));
            info.workingFolder = text;
            info.loaded = true;
        }
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return info;
}
