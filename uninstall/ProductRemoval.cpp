#include "uninstall/ProductRemoval.h"

#include "framework/FileFind.h"
#include "framework/Handles.h"
#include "framework/PathCompare.h"
#include "host_cad/AcadCleanup.h"
#include "host_cad/ShellFolders.h"
#include "uninstall/ControlUnregistration.h"

#include <algorithm>
#include <set>
#include <string>

namespace {

const char kLogFileName[] = "Uninstall.log";
// The installer's own rule for the user's database, which it never overwrites.
const char kDataFileMark[] = "kelvra.mdb";
// The keys' parents up to here may be left empty by the removal.
const char* const kKeyParentsKept[] = {"SOFTWARE", "SOFTWARE\\Wow6432Node"};
const char kUninstallEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9";

// The links the shortcut step puts in the program group.
const char* const kGroupLinkNames[] = {kProductLink, kWebsiteLink, kHelpLink, kUninstallerLink};

bool IsDataFile(const CString& path) {
    CString lower = path;
    return lower.MakeLower().Find(kDataFileMark) >= 0;
}

bool IsInUseError(DWORD error) {
    // A running program or a loaded library answers "access denied".
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_USER_MAPPED_FILE || error == ERROR_ACCESS_DENIED;
}

bool IsGoneError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

int PathDepth(const CString& path) {
    int depth = 0;
    for (int at = path.Find("\\"); at >= 0; at = path.Find("\\", at + 1)) ++depth;
    return depth;
}

// What became of one file or folder.
enum class Removal { Gone, Left, Scheduled };

class CRemoval {
public:
    CRemoval(const CRemovalScope& scope, const RemovalOptions& options, IRemovalObserver& observer)
        : m_scope(scope), m_options(options), m_observer(observer),
          m_skipFile(NormalizePath(options.skipFile)),
          m_logPath(scope.Destination() + "\\" + kLogFileName) {}

    RemovalOutcome Run(const UninstallRecord& record);

    Removal RemoveFile(const CString& path, DWORD attributes);
    Removal RemoveTree(const CString& folder, DWORD attributes);
    Removal RemoveEmptyFolder(const CString& folder);
    void RemoveKey(const CString& key);

    RemovalOutcome m_outcome;

private:
    void Step(const CString& status) { m_observer.OnStep(status, ++m_step, m_total); }
    bool ReachesThroughLink(const CString& path);
    Removal RemovePath(const CString& path);
    Removal LeaveInUse(const CString& path, bool folder);
    void RemoveEmptyParentKeys(CString key);

    const CRemovalScope& m_scope;
    const RemovalOptions& m_options;
    IRemovalObserver& m_observer;
    const CString m_skipFile;
    const CString m_logPath;
    int m_step = 0;
    int m_total = 0;
    std::set<std::string> m_linkFreeFolders; // see ReachesThroughLink
    CStringArray m_keptControls;             // still registered: never deleted
};

// A file or folder reached through a junction or symbolic link inside the
// destination would lie elsewhere: such a line is refused. Folders found
// free of links up to the destination are remembered: thousands of lines
// share their parents.
bool CRemoval::ReachesThroughLink(const CString& path) {
    std::vector<std::string> checked;
    for (CString folder = ParentFolder(path);
         !folder.IsEmpty() && IsPathWithin(folder, m_scope.Destination()) &&
         !IsSamePath(folder, m_scope.Destination());
         folder = ParentFolder(folder)) {
        if (m_linkFreeFolders.count(folder.str())) break;
        const DWORD attributes = GetFileAttributesA(folder);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return true;
        checked.push_back(folder.str());
    }
    m_linkFreeFolders.insert(checked.begin(), checked.end());
    return false;
}

// Ignore on a file in use: removed at the next restart where the rights
// allow, else left and named.
Removal CRemoval::LeaveInUse(const CString& path, bool folder) {
    if (MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        m_outcome.scheduled.push_back(path);
        return Removal::Scheduled;
    }
    (folder ? m_outcome.failed : m_outcome.inUse).push_back(path);
    return Removal::Left;
}

Removal CRemoval::RemoveFile(const CString& path, DWORD attributes) {
    if (!m_options.removeData && IsDataFile(path)) {
        m_outcome.keptData.push_back(path);
        return Removal::Left;
    }
    if (!m_skipFile.IsEmpty() && IsSamePath(path, m_skipFile)) return Removal::Left;
    for (const CString& control : m_keptControls)
        if (IsSamePath(NormalizePath(path), control)) return Removal::Left;
    // Only a plain file with nothing but the archive bit is deleted in one call.
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    for (;;) {
        if (DeleteFileA(path)) {
            ++m_outcome.removed;
            return Removal::Gone;
        }
        const DWORD error = GetLastError();
        if (IsGoneError(error)) return Removal::Gone;
        if (!IsInUseError(error)) {
            m_outcome.failed.push_back(path);
            return Removal::Left;
        }
        if (!m_observer.RetryInUse(path, error)) return LeaveInUse(path, false);
    }
}

// A folder and everything in it, deepest first. A junction or symbolic link
// is removed itself; what it points at is never entered.
Removal CRemoval::RemoveTree(const CString& folder, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveEmptyFolder(folder);
    struct Entry {
        CString name;
        DWORD attributes;
    };
    std::vector<Entry> entries;
    CFileFind find;
    for (bool more = find.FindFile(folder + "\\*"); more; more = find.FindNextFile())
        if (!find.IsDots()) entries.push_back({find.GetFileName(), find.Data().dwFileAttributes});
    find.Close();

    bool left = false;
    bool scheduled = false;
    for (const Entry& entry : entries) {
        const CString path = folder + "\\" + entry.name;
        const Removal removal = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)
                                    ? RemoveTree(path, entry.attributes)
                                    : RemoveFile(path, entry.attributes);
        left |= removal == Removal::Left;
        scheduled |= removal == Removal::Scheduled;
    }
    if (left) return Removal::Left;
    if (scheduled) return LeaveInUse(folder, true);
    return RemoveEmptyFolder(folder);
}

// The folder when it is empty; a folder still holding something stays quietly.
Removal CRemoval::RemoveEmptyFolder(const CString& folder) {
    if (m_scope.IsProtected(folder)) return Removal::Left;
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES) return Removal::Gone;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(folder, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (RemoveDirectoryA(folder)) {
        ++m_outcome.removed;
        return Removal::Gone;
    }
    const DWORD error = GetLastError();
    if (IsGoneError(error)) return Removal::Gone;
    if (error != ERROR_DIR_NOT_EMPTY) m_outcome.failed.push_back(folder);
    return Removal::Left;
}

// A file, or a folder once empty (the program group, a folder on a
// "File Copy: " line).
Removal CRemoval::RemovePath(const CString& path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return Removal::Gone;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveEmptyFolder(path);
    return RemoveFile(path, attributes);
}

void CRemoval::RemoveKey(const CString& key) {
    const LONG result = RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
    if (result == ERROR_SUCCESS) {
        ++m_outcome.removed;
        RemoveEmptyParentKeys(key);
    } else if (result != ERROR_FILE_NOT_FOUND) {
        m_outcome.failed.push_back("HKEY_LOCAL_MACHINE\\" + key);
    }
}

// The maker's keys above the product's (SOFTWARE\Morvane\Kelvra,
// SOFTWARE\Morvane) go when nothing is left in them.
void CRemoval::RemoveEmptyParentKeys(CString key) {
    if (key.CompareNoCase(kUninstallEntryKey) == 0) return;
    for (;;) {
        const int slash = key.ReverseFind('\\');
        if (slash <= 0) return;
        key = key.Left(slash);
        for (const char* kept : kKeyParentsKept)
            if (key.CompareNoCase(kept) == 0) return;
        CRegKey opened;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, opened.Out()) !=
            ERROR_SUCCESS)
            return;
        DWORD subkeys = 0;
        DWORD values = 0;
        if (RegQueryInfoKeyA(opened.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            subkeys || values)
            return;
        opened.Reset();
        if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, key) != ERROR_SUCCESS) return;
    }
}

RemovalOutcome CRemoval::Run(const UninstallRecord& record) {
    std::vector<const LogLine*> controls, files, folders, keys;
    CStringArray groups;
    for (const LogLine& line : record.lines) {
        switch (line.kind) {
        case LogLineKind::RegCtrl:
            controls.push_back(&line);
            break;
        case LogLineKind::FileCopy:
            files.push_back(&line);
            break;
        case LogLineKind::MadeDir:
            // Outside the destination only the program group is a folder
            // the scope allows, and it goes only once empty.
            if (IsPathWithin(line.path, m_scope.Destination()))
                folders.push_back(&line);
            else
                files.push_back(&line);
            break;
        case LogLineKind::RegKey:
            keys.push_back(&line);
            break;
        case LogLineKind::Refused:
            m_outcome.refused.push_back(line.shown);
            break;
        }
    }
    if (record.refusedUnlisted > 0) {
        CString more;
        more.Format("...（另有 %d 行）", record.refusedUnlisted);
        m_outcome.refused.push_back(more);
    }
    std::stable_sort(folders.begin(), folders.end(), [](const LogLine* a, const LogLine* b) {
        return PathDepth(a->path) > PathDepth(b->path);
    });
    // The uninstall entry last: a run cut short can be started again.
    std::stable_partition(keys.begin(), keys.end(), [](const LogLine* line) {
        return line->path.CompareNoCase(kUninstallEntryKey) != 0;
    });
    m_total = static_cast<int>(controls.size() + files.size() + folders.size() + keys.size()) + 2;

    auto refuseThroughLink = [this](const LogLine& line) {
        if (!ReachesThroughLink(line.path)) return false;
        m_outcome.refused.push_back(
            ShownLogText(LogLineText(line), static_cast<size_t>(LogLineText(line).GetLength())));
        return true;
    };

    for (const LogLine* line : controls) {
        Step("正在注销控件 " + line->path);
        if (refuseThroughLink(*line)) continue;
        const DWORD attributes = GetFileAttributesA(line->path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        // A file already gone may still be named by its classes: they go too.
        if (!UnregisterControl(line->path).unregistered) {
            // Kept, with its folder: deleting it would leave a class naming a
            // path anyone could fill again.
            m_keptControls.push_back(NormalizePath(line->path));
            m_outcome.failed.push_back(line->path);
        } else if (attributes != INVALID_FILE_ATTRIBUTES) {
            RemoveFile(line->path, attributes);
        }
    }
    for (const LogLine* line : files) {
        Step("正在删除 " + line->path);
        if (IsSamePath(line->path, m_logPath) || refuseThroughLink(*line)) continue;
        const DWORD attributes = GetFileAttributesA(line->path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            groups.push_back(line->path); // once its links are gone
        else
            RemovePath(line->path);
    }
    for (const CString& group : groups) RemoveEmptyFolder(group);
    for (const LogLine* line : folders) {
        Step("正在删除 " + line->path);
        if (refuseThroughLink(*line)) continue;
        const DWORD attributes = GetFileAttributesA(line->path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            RemoveTree(line->path, attributes);
    }
    for (const LogLine* line : keys) {
        Step("正在删除注册表项 HKEY_LOCAL_MACHINE\\" + line->path);
        RemoveKey(line->path);
    }
    Step("正在清除 AutoCAD 中的配置");
    m_outcome.removed +=
        RemoveAcadConfiguration(m_scope.Destination() + "\\", AcadCleanupParts::UserAndMachine);
    Step("正在删除 " + m_logPath);
    RemovePath(m_logPath);
    return m_outcome;
}

} // namespace

int RemovalOutcome::ExitCode() const {
    if (!inUse.empty() || !failed.empty()) return 1603;
    return scheduled.empty() ? 0 : 3010;
}

RemovalOutcome RemoveProduct(UninstallRecord record, const CRemovalScope& scope,
                             const RemovalOptions& options, IRemovalObserver& observer) {
    scope.RefuseOutside(record);
    CRemoval removal(scope, options, observer);
    return removal.Run(record);
}

bool RemoveEmptyDestination(const CRemovalScope& scope) {
    bool destinationGone = false;
    for (CString folder = scope.Destination(); !folder.IsEmpty() && !scope.IsProtected(folder);
         folder = ParentFolder(folder)) {
        if (!RemoveDirectoryA(folder) && !IsGoneError(GetLastError())) break;
        if (IsSamePath(folder, scope.Destination())) destinationGone = true;
    }
    return destinationGone;
}

int RemoveUserShortcuts() {
    CStringArray desktops;
    CStringArray programFolders;
    ListShellFolders(desktops, programFolders, true);
    int removed = 0;
    auto removeFile = [&removed](const CString& path) {
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileA(path)) ++removed;
    };
    for (const CString& desktop : desktops) removeFile(desktop + kProductLink);
    for (const CString& programs : programFolders) {
        const CString group = programs + kProgramGroup;
        for (const char* name : kGroupLinkNames) removeFile(group + "\\" + name);
        if (RemoveDirectoryA(group)) ++removed;
    }
    return removed;
}
