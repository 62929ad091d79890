#include "uninstall/RemovalScope.h"

#include "framework/LongPath.h"
#include "framework/PathCompare.h"
#include "framework/WideText.h"
#include "host_cad/ShellFolders.h"

#include <shlobj.h>
#include <windows.h>

#include <utility>

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

// The long form of a normalised path, for comparing with the protected
// folders: an 8.3 spelling names the same folder. A path without "~" is its
// own long form (the short names the system makes always hold one).
CString LongForm(const CString& path) {
    CString longForm;
    if (path.Find("~") < 0 || !GetLongPath(path, longForm)) return path;
    return NormalizePath(longForm);
}

void AddFolder(const wchar_t* path, CStringArray& folders) {
    CString narrow;
    if (ToNarrow(path, static_cast<int>(wcslen(path)), narrow)) AddNormalized(narrow, folders);
}

CStringArray NormalizedAll(const CStringArray& folders) {
    CStringArray normalized;
    for (const CString& folder : folders) AddNormalized(folder, normalized);
    return normalized;
}

void AddProtectedFolders(CStringArray& folders) {
    wchar_t path[MAX_PATH];
    for (int id : kProtectedFolderIds)
        if (SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK)
            AddFolder(path, folders);
    for (const char* name : kProtectedFolderVariables) {
        const DWORD length = GetEnvironmentVariableW(Wide(name).c_str(), path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) AddFolder(path, folders);
    }
    if (GetTempPathW(MAX_PATH, path)) AddFolder(path, folders);
    // The folder holding every user's profile (C:\Users).
    CStringArray profile;
    if (SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK)
        AddFolder(path, profile);
    for (const CString& folder : profile) AddNormalized(ParentFolder(folder), folders);
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
    // Compared in their long forms, each spelling as it was given too.
    const size_t given = m_protected.size();
    for (size_t i = 0; i < given; ++i) {
        const CString longForm = LongForm(m_protected[i]);
        if (!IsSamePath(longForm, m_protected[i])) m_protected.push_back(longForm);
    }
    // Each folder once: the shell folders, the variables and the system's
    // answers name the same folders many times over, and every line of the
    // log is compared with each of them, twice.
    CStringArray distinct;
    for (const CString& folder : m_protected) {
        bool known = false;
        for (const CString& other : distinct) known = known || IsSamePath(folder, other);
        if (!known) distinct.push_back(folder);
    }
    m_protected = std::move(distinct);
}

CRemovalScope CRemovalScope::ForDestination(const CString& destination) const {
    CRemovalScope scope = *this;
    scope.m_destination = NormalizePath(destination);
    return scope;
}

bool CRemovalScope::IsProtected(const CString& folder) const {
    return IsProtectedAs(folder, LongForm(NormalizePath(folder)));
}

bool CRemovalScope::IsProtectedAs(const CString& folder, const CString& longForm) const {
    if (IsRootPath(folder) || IsRootPath(longForm)) return true;
    for (const CString& protectedFolder : m_protected)
        if (IsSamePath(folder, protectedFolder) || IsSamePath(longForm, protectedFolder))
            return true;
    return false;
}

bool CRemovalScope::HoldsProtected(const CString& folder) const {
    return HoldsProtectedAs(folder, LongForm(NormalizePath(folder)));
}

bool CRemovalScope::HoldsProtectedAs(const CString& folder, const CString& longForm) const {
    if (IsRootPath(folder) || IsRootPath(longForm)) return true;
    for (const CString& protectedFolder : m_protected)
        if (IsPathWithin(protectedFolder, folder) || IsPathWithin(protectedFolder, longForm))
            return true;
    return false;
}

ScopeArea CRemovalScope::AreaOf(const LogLine& line) const {
    CString path;
    return AreaOf(line, path);
}

ScopeArea CRemovalScope::AreaOf(const LogLine& line, CString& path) const {
    if (line.kind == LogLineKind::Refused) return ScopeArea::Outside;
    if (line.kind == LogLineKind::RegKey) {
        if (line.root != HKEY_LOCAL_MACHINE) return ScopeArea::Outside;
        for (const char* key : kProductKeys)
            if (line.path.CompareNoCase(key) == 0) return ScopeArea::ProductKey;
        return ScopeArea::Outside;
    }

    // Normalised once: the checks below would each normalise it again, and
    // a normalised path is its own normal form.
    path = NormalizePath(line.path);
    if (path.IsEmpty() || m_destination.IsEmpty()) return ScopeArea::Outside;
    if (IsPathWithin(path, m_destination)) {
        const CString longPath = LongForm(path);
        if (IsSamePath(path, m_destination) || IsProtectedAs(path, longPath))
            return ScopeArea::Outside;
        const CString longDestination = LongForm(m_destination);
        for (const CString& protectedFolder : m_protected)
            if ((IsPathWithin(path, protectedFolder) || IsPathWithin(longPath, protectedFolder)) &&
                !IsPathWithin(m_destination, protectedFolder) &&
                !IsPathWithin(longDestination, protectedFolder))
                return ScopeArea::Outside;
        if (line.kind == LogLineKind::MadeDir && HoldsProtectedAs(path, longPath))
            return ScopeArea::Outside;
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
        CString normalized;
        if (AreaOf(line, normalized) == ScopeArea::Outside) {
            const CString text = LogLineText(line);
            line.shown = ShownLogText(text, static_cast<size_t>(text.GetLength()));
            line.kind = LogLineKind::Refused;
            line.path.Empty();
        } else if (line.kind != LogLineKind::RegKey) {
            line.path = normalized;
        }
    }
}
