#include "tools/report/ShellLinkInfo.h"

#include "framework/Handles.h"

#include <windows.h>
#include <shlobj.h>

bool ReadShellLink(const CString& linkPath, ShellLinkInfo& info) {
    info = ShellLinkInfo();
    CComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.OutVoid())))
        return false;
    CComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.OutVoid()))) return false;
    wchar_t widePath[MAX_PATH] = {};
    if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH)) return false;
    if (FAILED(file->Load(widePath, STGM_READ))) return false;
    char buffer[1024] = {};
    // SLGP_RAWPATH: the target as stored, not resolved against this machine.
    if (SUCCEEDED(link->GetPath(buffer, sizeof(buffer), nullptr, SLGP_RAWPATH)))
        info.target = buffer;
    buffer[0] = '\0';
    if (SUCCEEDED(link->GetArguments(buffer, sizeof(buffer)))) info.arguments = buffer;
    buffer[0] = '\0';
    if (SUCCEEDED(link->GetWorkingDirectory(buffer, sizeof(buffer)))) info.workingFolder = buffer;
    buffer[0] = '\0';
    int index = 0;
    if (SUCCEEDED(link->GetIconLocation(buffer, sizeof(buffer), &index))) {
        info.iconFile = buffer;
        info.iconIndex = index;
    }
    return true;
}
