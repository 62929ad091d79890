#include "tools/report/ShellLinkInfo.h"

#include "framework/Handles.h"
#include "framework/WideText.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>

bool ReadShellLink(const CString& linkPath, ShellLinkInfo& info) {
    info = ShellLinkInfo();
    CComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.OutVoid())))
        return false;
    CComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.OutVoid()))) return false;
    std::wstring widePath;
    if (!ToWide(linkPath, widePath)) return false;
    if (FAILED(file->Load(widePath.c_str(), STGM_READ))) return false;
    // The fields as stored in UTF-16, shown in code page 936.
    wchar_t buffer[1024] = {};
    // SLGP_RAWPATH: the target as stored, not resolved against this machine.
    if (SUCCEEDED(link->GetPath(buffer, 1024, nullptr, SLGP_RAWPATH))) info.target = Narrow(buffer);
    // A "?" cannot stand in a path: the path came from where the link keeps
    // it in the system's code page (Wine, under another one than 936), so it
    // is taken from the link's item ID list, which keeps it in UTF-16.
    PIDLIST_ABSOLUTE items = nullptr;
    if (std::wcschr(buffer, L'?') && SUCCEEDED(link->GetIDList(&items)) && items) {
        wchar_t fromItems[MAX_PATH] = {};
        if (SHGetPathFromIDListW(items, fromItems)) info.target = Narrow(fromItems);
        CoTaskMemFree(items);
    }
    buffer[0] = L'\0';
    if (SUCCEEDED(link->GetArguments(buffer, 1024))) info.arguments = Narrow(buffer);
    buffer[0] = L'\0';
    if (SUCCEEDED(link->GetWorkingDirectory(buffer, 1024))) info.workingFolder = Narrow(buffer);
    buffer[0] = L'\0';
    int index = 0;
    if (SUCCEEDED(link->GetIconLocation(buffer, 1024, &index))) {
        info.iconFile = Narrow(buffer);
        info.iconIndex = index;
    }
    return true;
}
