#include "uninstall/RemovalScope.h"

#include "framework/PathCompare.h"
#include "host_cad/ShellFolders.h"

#include <shlobj.h>
#include <windows.h>

namespace {

// The only keys the installer writes under HKEY_LOCAL_MACHINE, uninstall entry last.
const char* const kProductKeys[] = {
    "SOFTWARE\\Morvane\\Kelvra\\V9",
    "SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9",
};

// Folders that hold what Windows, programs and users keep.
const int kProtectedFolderIds[] = {
    CSIDL_WINDOWS,
    CSIDL_SYSTEM,
    CSIDL_SYSTEMX86,
    CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_PROFILE,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_PROGRAMS,
    CSIDL_COMMON_PROGRAMS,
    CSIDL_STARTMENU,
    CSIDL_COMMON_STARTMENU,
    CSIDL_STARTUP,
    CSIDL_COMMON_STARTUP,
    CSIDL_PERSONAL,
    CSIDL_COMMON_DOCUMENTS,
    CSIDL_APPDATA,
    CSIDL_LOCAL_APPDATA,
    CSIDL_COMMON_APPDATA,
    CSIDL_FAVORITES,
    CSIDL_MYMUSIC,
    CSIDL_MYPICTURES,
    CSIDL_MYVIDEO,
    CSIDL_TEMPLATES,
    CSIDL_COMMON_TEMPLATES,
    CSIDL_FONTS,
    CSIDL_RECENT,
    CSIDL_SENDTO,
    CSIDL_NETHOOD,
    CSIDL_PRINTHOOD,
    CSIDL_COOKIES,
    CSIDL_INTERNET_CACHE,
    CSIDL_HISTORY,
    CSIDL_ADMINTOOLS,
    CSIDL_COMMON_ADMINTOOLS,
};

const char* const kProtectedFolderVariables[] = {
    "SystemRoot",
    "windir",
    "ProgramFiles",
    "ProgramFiles(x86)",
    "ProgramW6432",
    "CommonProgramFiles",
    "CommonProgramFiles(x86)",
    "CommonProgramW6432",
    "USERPROFILE",
    "ALLUSERSPROFILE",
    "PUBLIC",
    "ProgramData",
    "APPDATA",
    "LOCALAPPDATA",
    "TEMP",
    "TMP",
};

void AddNormalized(const CString& folder, CStringArray& folders) {
    const CString normalized = NormalizePath(folder);
    if (!normalized.IsEmpty()) folders.push_back(normalized);
}

CStringArray NormalizedAll(const CStringArray& folders) {
    CStringArray normalized;
    for (const CString& folder : folders) AddNormalized(folder, normalized);
    return normalized;
}

void AddProtectedFolders(CStringArray& folders) {
    char path[MAX_PATH];
    for (int id : kProtectedFolderIds)
        if (SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK)
            AddNormalized(path, folders);
    for (const char* name : kProtectedFolderVariables) {
        const DWORD length = GetEnvironmentVariableA(name, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) AddNormalized(path, folders);
    }
    if (GetTempPathA(MAX_PATH, path)) AddNormalized(path, folders);
    // The folder holding every user's profile (C:\Users).
    if (SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK)
        AddNormalized(ParentFolder(NormalizePath(path)), folders);
    CStringArray shellFolders;
    ListEveryShellFolder(shellFolders);
    for (const CString& folder : shellFolders) AddNormalized(folder, folders);
}

bool IsLinkName(const CString& path) { return path.Right(4).CompareNoCase(".lnk") == 0; }

} // namespace

CRemovalScope CRemovalScope::ForLog(const CString& logPath) {
    CStringArray desktops;
    CStringArray programs;
    ListShellFolders(desktops, programs);
    CStringArray protectedFolders;
    AddProtectedFolders(protectedFolders);
    return CRemovalScope(ParentFolder(NormalizePath(logPath)), desktops, programs,
                         protectedFolders);
}

CRemovalScope::CRemovalScope(const CString& destination, const CStringArray& desktops,
                             const CStringArray& programFolders,
                             const CStringArray& protectedFolders)
    : m_destination(NormalizePath(destination)), m_desktops(NormalizedAll(desktops)),
      m_programFolders(NormalizedAll(programFolders)),
      m_protected(NormalizedAll(protectedFolders)) {
    // The shell folders the links live in are never removed either.
    m_protected.insert(m_protected.end(), m_desktops.begin(), m_desktops.end());
    m_protected.insert(m_protected.end(), m_programFolders.begin(), m_programFolders.end());
}

CRemovalScope CRemovalScope::ForDestination(const CString& destination) const {
    CRemovalScope scope = *this;
    scope.m_destination = NormalizePath(destination);
    return scope;
}

bool CRemovalScope::IsProtected(const CString& folder) const {
    if (IsRootPath(folder)) return true;
    for (const CString& protectedFolder : m_protected)
        if (IsSamePath(folder, protectedFolder)) return true;
    return false;
}

bool CRemovalScope::HoldsProtected(const CString& folder) const {
    if (IsRootPath(folder)) return true;
    for (const CString& protectedFolder : m_protected)
        if (IsPathWithin(protectedFolder, folder)) return true;
    return false;
}

ScopeArea CRemovalScope::AreaOf(const LogLine& line) const {
    if (line.kind == LogLineKind::Refused) return ScopeArea::Outside;
    if (line.kind == LogLineKind::RegKey) {
        if (line.root != HKEY_LOCAL_MACHINE) return ScopeArea::Outside;
        for (const char* key : kProductKeys)
            if (line.path.CompareNoCase(key) == 0) return ScopeArea::ProductKey;
        return ScopeArea::Outside;
    }

    const CString path = NormalizePath(line.path);
    if (path.IsEmpty() || m_destination.IsEmpty()) return ScopeArea::Outside;
    if (IsPathWithin(path, m_destination)) {
        if (IsSamePath(path, m_destination) || IsProtected(path)) return ScopeArea::Outside;
        for (const CString& protectedFolder : m_protected)
            if (IsPathWithin(path, protectedFolder) &&
                !IsPathWithin(m_destination, protectedFolder))
                return ScopeArea::Outside;
        if (line.kind == LogLineKind::MadeDir && HoldsProtected(path)) return ScopeArea::Outside;
        return ScopeArea::Destination;
    }
    // Outside the destination only the installer's own links and group.
    if (line.kind == LogLineKind::RegCtrl) return ScopeArea::Outside;
    for (const CString& desktop : m_desktops)
        if (line.kind == LogLineKind::FileCopy && IsSamePath(path, desktop + "\\" + kProductLink))
            return ScopeArea::DesktopLink;
    for (const CString& programs : m_programFolders) {
        const CString group = programs + "\\" + kProgramGroup;
        if (IsSamePath(path, group)) return ScopeArea::ProgramGroup;
        if (line.kind == LogLineKind::FileCopy && IsSamePath(ParentFolder(path), group) &&
            IsLinkName(path))
            return ScopeArea::GroupLink;
    }
    return ScopeArea::Outside;
}

void CRemovalScope::RefuseOutside(UninstallRecord& record) const {
    for (LogLine& line : record.lines) {
        if (line.kind == LogLineKind::Refused) continue;
        if (!Allows(line)) {
            const CString text = LogLineText(line);
            line.shown = ShownLogText(text, static_cast<size_t>(text.GetLength()));
            line.kind = LogLineKind::Refused;
            line.path.Empty();
        } else if (line.kind != LogLineKind::RegKey) {
            line.path = NormalizePath(line.path);
        }
    }
}
