#include "uninstall/ProductRemoval.h"

#include "engine/InstalledVersion.h"
#include "framework/FileFind.h"
#include "framework/Handles.h"
#include "framework/PathCompare.h"
#include "framework/WideText.h"
#include "host_cad/AcadCleanup.h"
#include "host_cad/ShellFolders.h"
#include "uninstall/ControlUnregistration.h"
#include "uninstall/RecordedAcadRemoval.h"
#include "uninstall/RemovalOwnership.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <unordered_set>

namespace {

const char kLogFileName[] = "Uninstall.log";
const char kUninstallerName[] = "Uninstall-64.exe";
// The keys' parents up to here may be left empty by the removal.
const char* const kKeyParentsKept[] = {"SOFTWARE", "SOFTWARE\\Wow6432Node"};
const char kUninstallEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9";

// The links the shortcut step puts in the program group.
const char* const kGroupLinkNames[] = {kProductLink, kWebsiteLink, kHelpLink, kUninstallerLink};

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

// The key of a normalised path: ASCII letters folded.
std::string PathKey(const CString& path) {
    CString key = path;
    return key.MakeLower().str();
}

// The folders that lie in no other folder of the list, in the list's order.
CStringArray Outermost(const CStringArray& folders) {
    CStringArray outermost;
    for (const CString& folder : folders) {
        bool inside = false;
        for (const CString& other : folders)
            inside |= !IsSamePath(folder, other) && IsPathWithin(folder, other);
        if (!inside) outermost.push_back(folder);
    }
    return outermost;
}

// One entry of a folder, as the directory listing gives it.
struct FolderEntry {
    CString name; // code page 936; when !named, a shown form only
    bool named = true;
    DWORD attributes = 0;
    uint64_t size = 0;
    uint64_t lastWrite = 0;
};

uint64_t JoinHalves(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

// The entries of a folder (not "." and ".."). A name code page 936 cannot
// hold is listed as not named: it is never acted on, only reported.
std::vector<FolderEntry> ListFolder(const CString& folder) {
    std::vector<FolderEntry> entries;
    std::wstring pattern;
    if (!ToWide(folder + "\\*", pattern)) return entries;
    WIN32_FIND_DATAW data{};
    CFindHandle find(FindFirstFileW(pattern.c_str(), &data));
    if (!find.IsValid()) return entries;
    do {
        const wchar_t* name = data.cFileName;
        if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0')))
            continue;
        FolderEntry entry;
        entry.named = ToNarrow(name, static_cast<int>(wcslen(name)), entry.name);
        if (!entry.named) entry.name = Narrow(name);
        entry.attributes = data.dwFileAttributes;
        entry.size = JoinHalves(data.nFileSizeHigh, data.nFileSizeLow);
        entry.lastWrite =
            JoinHalves(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
        entries.push_back(entry);
    } while (FindNextFileW(find.Get(), &data));
    return entries;
}

// INVALID_FILE_ATTRIBUTES too for a path code page 936 cannot name exactly.
DWORD AttributesOf(const CString& path) {
    std::wstring wide;
    return ToWide(path, wide) ? GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(const CString& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The same facts of one path; false when it does not exist.
bool ReadEntry(const CString& path, FolderEntry& entry) {
    std::wstring wide;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!ToWide(path, wide) || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
        return false;
    entry.attributes = data.dwFileAttributes;
    entry.size = JoinHalves(data.nFileSizeHigh, data.nFileSizeLow);
    entry.lastWrite =
        JoinHalves(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    return true;
}

// What became of one file or folder.
enum class Removal { Gone, Left, Scheduled };

class CRemoval {
public:
    CRemoval(const CRemovalScope& scope, const RemovalOptions& options, IRemovalObserver& observer)
        : m_scope(scope), m_options(options), m_observer(observer),
          m_ownership(options.record ? CRemovalOwnership(*options.record) : CRemovalOwnership()),
          m_skipFile(NormalizePath(options.skipFile)),
          m_logPath(scope.Destination() + "\\" + kLogFileName) {
        m_outcome.safeMode = !m_ownership.HasRecord();
    }

    RemovalOutcome Run(const UninstallRecord& record);
    // Safe mode, the offer accepted: the folders whole.
    void RemoveWhole(const CStringArray& folders);

    Removal RemoveFile(const CString& path, DWORD attributes);
    Removal RemoveTree(const CString& folder, DWORD attributes);
    Removal RemoveEmptyFolder(const CString& folder);
    void RemoveKey(const CString& key);

    RemovalOutcome m_outcome;

private:
    void Step(const CString& status) { m_observer.OnStep(status, ++m_step, m_total); }
    bool ReachesThroughLink(const CString& path) {
        return ReachesThroughLink(path, m_scope.Destination());
    }
    bool ReachesThroughLink(const CString& path, const CString& destination);
    // With a record: what of a folder is the installation's goes, the rest
    // stays and is named. productSpace: the folder lies in one the
    // installation created.
    Removal SortOutFolder(const CString& folder, DWORD attributes, bool productSpace);
    Removal SortOutFile(const CString& path, const FolderEntry& entry, bool productSpace);
    Removal KeepUserFile(const CString& path);
    void RemoveLoggedFolders(const std::vector<const LogLine*>& folders);
    void RemoveEarlierDestination(const CString& destination);
    CStringArray EarlierDestinations() const;
    bool RefuseThroughLink(const LogLine& line);
    bool AnythingFailed() const { return !m_outcome.inUse.empty() || !m_outcome.failed.empty(); }
    Removal RemovePath(const CString& path);
    Removal LeaveInUse(const CString& path, bool folder);
    void RemoveEmptyParentKeys(CString key);

    const CRemovalScope& m_scope;
    const RemovalOptions& m_options;
    IRemovalObserver& m_observer;
    const CRemovalOwnership m_ownership;
    const CString m_skipFile;
    const CString m_logPath;
    int m_step = 0;
    int m_total = 0;
    std::set<std::string> m_linkFreeFolders;         // see ReachesThroughLink
    std::unordered_set<std::string> m_loggedFolders; // "Made Dir: " folders, by PathKey
    // The destination whose folders are being sorted out (an earlier one too).
    CString m_destinationInHand;
    CStringArray m_keptControls; // still registered: never deleted
};

// A file or folder reached through a junction or symbolic link inside the
// destination would lie elsewhere: such a line is refused. Folders found
// free of links up to the destination are remembered: thousands of lines
// share their parents.
bool CRemoval::ReachesThroughLink(const CString& path, const CString& destination) {
    std::vector<std::string> checked;
    for (CString folder = ParentFolder(path);
         !folder.IsEmpty() && IsPathWithin(folder, destination) && !IsSamePath(folder, destination);
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

// A file of the user's: kept and named, unless it is the running uninstaller.
Removal CRemoval::KeepUserFile(const CString& path) {
    if (m_skipFile.IsEmpty() || !IsSamePath(path, m_skipFile)) m_outcome.userFiles.push_back(path);
    return Removal::Left;
}

Removal CRemoval::SortOutFile(const CString& path, const FolderEntry& entry, bool productSpace) {
    switch (m_ownership.OwnerOf(path, entry.size, entry.lastWrite)) {
    case FileOwner::Product:
    case FileOwner::Data: // kept by RemoveFile unless the data goes too
        return RemoveFile(path, entry.attributes);
    case FileOwner::UserChanged:
        return m_options.removeData ? RemoveFile(path, entry.attributes) : KeepUserFile(path);
    case FileOwner::UserAdded:
        return m_options.removeData && productSpace ? RemoveFile(path, entry.attributes)
                                                    : KeepUserFile(path);
    }
    return Removal::Left;
}

Removal CRemoval::SortOutFolder(const CString& folder, DWORD attributes, bool productSpace) {
    const bool created = m_ownership.Created(folder);
    const bool logged = m_loggedFolders.count(PathKey(folder)) != 0;
    // A junction or symbolic link is never entered: it goes itself only
    // when the installation made it.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return created ? RemoveEmptyFolder(folder) : Removal::Left;
    if (m_ownership.IsScratch(folder, m_destinationInHand)) return RemoveTree(folder, attributes);
    // Folders there before hold nothing of the user's that may go; a folder
    // the user added inside one the installation created is as ours as its parent.
    const bool userAdded = !created && !logged;
    const bool inside = created || (userAdded && productSpace);

    bool left = false;
    bool scheduled = false;
    for (const FolderEntry& entry : ListFolder(folder)) {
        const CString path = folder + "\\" + entry.name;
        if (!entry.named) {
            m_outcome.userFiles.push_back(path);
            left = true;
            continue;
        }
        const Removal removal = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)
                                    ? SortOutFolder(path, entry.attributes, inside)
                                    : SortOutFile(path, entry, inside);
        left |= removal == Removal::Left;
        scheduled |= removal == Removal::Scheduled;
    }
    if (!created && logged) {
        m_outcome.foldersBefore.push_back(folder);
        return Removal::Left;
    }
    if (userAdded && !(m_options.removeData && productSpace)) return Removal::Left;
    if (left) return Removal::Left;
    if (scheduled) return LeaveInUse(folder, true);
    return RemoveEmptyFolder(folder);
}

void CRemoval::RemoveLoggedFolders(const std::vector<const LogLine*>& folders) {
    CStringArray left;
    for (const LogLine* line : folders) {
        Step("正在删除 " + line->path);
        if (RefuseThroughLink(*line)) continue;
        const DWORD attributes = AttributesOf(line->path);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        if (m_ownership.HasRecord()) {
            // The walk of an outer logged folder takes in the inner ones.
            bool inner = false;
            for (CString parent = ParentFolder(line->path);
                 !parent.IsEmpty() && !IsSamePath(parent, m_scope.Destination());
                 parent = ParentFolder(parent))
                inner |= m_loggedFolders.count(PathKey(parent)) != 0;
            if (!inner) SortOutFolder(line->path, attributes, false);
        } else if (m_options.removeFoldersWhole) {
            RemoveTree(line->path, attributes);
        } else if (RemoveEmptyFolder(line->path) == Removal::Left && FolderExists(line->path)) {
            left.push_back(line->path);
        }
    }
    for (const CString& folder : Outermost(left)) m_outcome.foldersLeft.push_back(folder);
}
bool CRemoval::RefuseThroughLink(const LogLine& line) {
    if (!ReachesThroughLink(line.path)) return false;
    const CString text = LogLineText(line);
    m_outcome.refused.push_back(ShownLogText(text, static_cast<size_t>(text.GetLength())));
    return true;
}

// The earlier installations' folders the record names: where it recorded
// an uninstaller other than this destination's.
CStringArray CRemoval::EarlierDestinations() const {
    CStringArray earlier;
    if (!m_ownership.HasRecord()) return earlier;
    for (const RecordedFile& file : m_options.record->files) {
        const CString path = NormalizePath(file.path);
        const CString folder = ParentFolder(path);
        if (folder.IsEmpty() || path.Right(static_cast<int>(strlen(kUninstallerName)))
                                        .CompareNoCase(kUninstallerName) != 0)
            continue;
        if (!IsSamePath(path, folder + "\\" + kUninstallerName) ||
            IsSamePath(folder, m_scope.Destination()))
            continue;
        bool known = false;
        for (const CString& other : earlier) known |= IsSamePath(other, folder);
        if (!known) earlier.push_back(folder);
    }
    return earlier;
}

// An earlier installation's folder: what the record names there goes as in
// this destination, with its log and record, then the folder once empty.
void CRemoval::RemoveEarlierDestination(const CString& destination) {
    const CRemovalScope scope = m_scope.ForDestination(destination);
    if (scope.Destination().IsEmpty() || scope.IsProtected(scope.Destination())) return;
    m_destinationInHand = scope.Destination();
    auto allows = [&](const CString& path, LogLineKind kind) {
        LogLine line;
        line.kind = kind;
        line.path = path;
        return scope.AreaOf(line) == ScopeArea::Destination &&
               !ReachesThroughLink(NormalizePath(path), scope.Destination());
    };
    CStringArray created;
    for (const CString& folder : m_options.record->createdFolders)
        if (allows(folder, LogLineKind::MadeDir)) created.push_back(NormalizePath(folder));
    for (const CString& folder : Outermost(created)) {
        m_loggedFolders.insert(PathKey(folder));
        const DWORD attributes = AttributesOf(folder);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            SortOutFolder(folder, attributes, false);
    }
    for (const RecordedFile& file : m_options.record->files) {
        const CString path = NormalizePath(file.path);
        bool walked = false;
        for (const CString& folder : created) walked |= IsPathWithin(path, folder);
        FolderEntry entry;
        if (walked || !allows(path, LogLineKind::FileCopy) || !ReadEntry(path, entry) ||
            (entry.attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        if (m_ownership.OwnerOf(path, entry.size, entry.lastWrite) == FileOwner::Product)
            RemoveFile(path, entry.attributes);
        else if (m_ownership.OwnerOf(path, entry.size, entry.lastWrite) != FileOwner::Data)
            KeepUserFile(path);
        else
            RemoveFile(path, entry.attributes);
    }
    // The links it made there (the release links) go by name, as the log's do.
    for (const CString& link : m_options.record->links)
        if (allows(link, LogLineKind::FileCopy)) RemovePath(NormalizePath(link));
    if (!AnythingFailed()) {
        RemovePath(scope.Destination() + "\\" + kLogFileName);
        if (!m_options.recordName.IsEmpty())
            RemovePath(scope.Destination() + "\\" + m_options.recordName);
    }
    RemoveEmptyDestination(scope);
    m_destinationInHand = m_scope.Destination();
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
            if (IsPathWithin(line.path, m_scope.Destination())) {
                folders.push_back(&line);
                m_loggedFolders.insert(PathKey(line.path));
            } else {
                files.push_back(&line);
            }
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
    // The uninstall entry last, and only after a run in which nothing
    // failed: a run that failed can be started again from Programs and Features.
    const LogLine* entry = nullptr;
    std::vector<const LogLine*> otherKeys;
    for (const LogLine* line : keys) {
        if (line->path.CompareNoCase(kUninstallEntryKey) == 0)
            entry = line;
        else
            otherKeys.push_back(line);
    }
    const CStringArray earlier = EarlierDestinations();
    m_destinationInHand = m_scope.Destination();
    m_total = static_cast<int>(controls.size() + files.size() + folders.size() + keys.size() +
                               earlier.size()) +
              3;

    for (const LogLine* line : controls) {
        Step("正在注销控件 " + line->path);
        if (RefuseThroughLink(*line)) continue;
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
        if (IsSamePath(line->path, m_logPath) || RefuseThroughLink(*line)) continue;
        const DWORD attributes = GetFileAttributesA(line->path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            groups.push_back(line->path); // once its links are gone
        else
            RemovePath(line->path);
    }
    Step("正在删除桌面和开始菜单中的快捷方式");
    for (const CString& link : m_options.movedLinks) {
        RemovePath(link);
        const CString group = ParentFolder(link);
        if (IsSamePath(group, ParentFolder(group) + "\\" + kProgramGroup)) groups.push_back(group);
    }
    for (const CString& group : groups) RemoveEmptyFolder(group);
    RemoveLoggedFolders(folders);
    for (const CString& destination : earlier) {
        Step("正在删除 " + destination);
        RemoveEarlierDestination(destination);
    }
    for (const LogLine* line : otherKeys) {
        Step("正在删除注册表项 HKEY_LOCAL_MACHINE\\" + line->path);
        RemoveKey(line->path);
    }
    Step("正在清除 AutoCAD 中的配置");
    if (m_ownership.HasRecord()) {
        m_outcome.removed += RemoveRecordedAcadEntries(*m_options.record);
        m_outcome.removed +=
            RemoveAcadConfiguration(m_scope.Destination() + "\\", AcadCleanupParts::MachineOnly);
    } else {
        m_outcome.removed +=
            RemoveAcadConfiguration(m_scope.Destination() + "\\", AcadCleanupParts::UserAndMachine);
    }
    const bool failed = AnythingFailed();
    if (entry) {
        Step(failed ? "保留卸载项 HKEY_LOCAL_MACHINE\\" + entry->path
                    : "正在删除注册表项 HKEY_LOCAL_MACHINE\\" + entry->path);
        if (!failed) RemoveKey(entry->path);
    }
    Step(failed ? "保留 " + m_logPath + " 以便再次卸载" : "正在删除 " + m_logPath);
    if (!failed) {
        for (const CString& recordFile : m_options.recordFiles) RemovePath(recordFile);
        RemovePath(m_logPath);
    }
    m_outcome.foldersBefore = Outermost(m_outcome.foldersBefore);
    return m_outcome;
}

void CRemoval::RemoveWhole(const CStringArray& folders) {
    m_total = static_cast<int>(folders.size());
    for (const CString& folder : folders) {
        Step("正在删除 " + folder);
        LogLine line;
        line.kind = LogLineKind::MadeDir;
        line.path = folder;
        if (!m_scope.Allows(line) || RefuseThroughLink(line)) continue;
        const DWORD attributes = AttributesOf(folder);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            RemoveTree(NormalizePath(folder), attributes);
    }
}

} // namespace

int RemovalOutcome::ExitCode() const {
    if (!inUse.empty() || !failed.empty()) return 1603;
    return scheduled.empty() ? 0 : 3010;
}

RemovalOutcome RemoveProduct(UninstallRecord record, const CRemovalScope& scope,
                             const RemovalOptions& options, IRemovalObserver& observer) {
    scope.RefuseOutside(record);
    // First of all: from here on the product is no longer whole, and a
    // removal cut short must not be detected as an installation.
    ClearInstallationComplete();
    CRemoval removal(scope, options, observer);
    return removal.Run(record);
}

RemovalOutcome RemoveFoldersWhole(const CStringArray& folders, const CRemovalScope& scope,
                                  const RemovalOptions& options, IRemovalObserver& observer) {
    CRemoval removal(scope, options, observer);
    removal.RemoveWhole(folders);
    return removal.m_outcome;
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
