#include "tests/engine/RegistrationFixture.h"

#include "framework/Handles.h"
#include "tests/engine/PageStandIn.h"

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

ReadBackLink ReadLinkBack(const CString& linkPath) {
    ReadBackLink info;
    CComInitialize apartment;
    info.loaded = ReadShellLink(linkPath, info);
    return info;
}
