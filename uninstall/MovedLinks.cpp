#include "uninstall/MovedLinks.h"

#include "framework/Handles.h"
#include "framework/PathCompare.h"
#include "framework/WideText.h"
#include "host_cad/ShellFolders.h"

#include <shlobj.h>
#include <windows.h>

namespace {

// The program group's links, by the names the shortcut step gives them.
const char* const kGroupLinkNames[] = {kProductLink, kWebsiteLink, kHelpLink, kUninstallerLink};

CString CurrentFolder(int id) {
    wchar_t path[MAX_PATH] = {};
    CString folder;
    if (SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK ||
        !ToNarrow(path, static_cast<int>(wcslen(path)), folder))
        return CString();
    return folder;
}

bool FileExistsW(const CString& path) {
    std::wstring wide;
    if (!ToWide(path, wide)) return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool ReadLinkTarget(const CString& link, CString& target) {
    std::wstring wideLink;
    if (!ToWide(link, wideLink)) return false;
    CComInitialize com;
    CComPtr<IShellLinkW> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                shellLink.OutVoid())))
        return false;
    CComPtr<IPersistFile> file;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, file.OutVoid())) ||
        FAILED(file->Load(wideLink.c_str(), STGM_READ)))
        return false;
    wchar_t path[MAX_PATH] = {};
    // SLGP_RAWPATH: the target as written, not resolved through a search.
    if (shellLink->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH) != S_OK) return false;
    return ToNarrow(path, static_cast<int>(wcslen(path)), target);
}

CStringArray FindLinksInto(const CString& destination, const CStringArray& desktops,
                           const CStringArray& programFolders) {
    const CString inside = NormalizePath(destination);
    CStringArray links;
    auto consider = [&](const CString& link) {
        CString target;
        if (!FileExistsW(link) || !ReadLinkTarget(link, target)) return;
        const CString normalized = NormalizePath(target);
        if (!normalized.IsEmpty() && IsPathWithin(normalized, inside) &&
            !IsSamePath(normalized, inside))
            links.push_back(NormalizePath(link));
    };
    if (inside.IsEmpty()) return links;
    for (const CString& desktop : desktops)
        if (!desktop.IsEmpty()) consider(NormalizePath(desktop) + "\\" + kProductLink);
    for (const CString& programs : programFolders) {
        if (programs.IsEmpty()) continue;
        const CString group = NormalizePath(programs) + "\\" + kProgramGroup;
        for (const char* name : kGroupLinkNames) consider(group + "\\" + name);
    }
    return links;
}

CStringArray FindMovedLinks(const CString& destination) {
    return FindLinksInto(
        destination,
        {CurrentFolder(CSIDL_DESKTOPDIRECTORY), CurrentFolder(CSIDL_COMMON_DESKTOPDIRECTORY)},
        {CurrentFolder(CSIDL_PROGRAMS), CurrentFolder(CSIDL_COMMON_PROGRAMS)});
}
