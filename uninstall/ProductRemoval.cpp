#include "uninstall/ProductRemoval.h"

#include "engine/InstalledVersion.h"
#include "framework/LongPath.h"
#include "framework/Handles.h"
#include "framework/PathCompare.h"
#include "framework/WideText.h"
#include "host_cad/AcadCleanup.h"
#include "host_cad/ShellFolders.h"
#include "uninstall/ControlUnregistration.h"
#include "framework/HandleRemoval.h"
#include "uninstall/RecordedAcadRemoval.h"
#include "uninstall/RemovalOwnership.h"
#include "framework/RestartDeleteRule.h"

#include <algorithm>
#include <cstring>
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

// INVALID_FILE_ATTRIBUTES too for a path code page 936 cannot name exactly.
DWORD AttributesOf(const CString& path) {
    std::wstring wide;
    return ToWide(path, wide) ? GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(const CString& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// What became of one file or folder.
enum class Removal { Gone, Left, Scheduled };

// What a visit of the handle walk does with what it meets.
enum class WalkMode {
    Sort,     // with a record: the installation's own goes, the rest stays and is named
    Whole,    // a folder with everything in it (the scratch folder, safe mode's offer)
    Path,     // one entry: a file as FileMayGo decides, a folder once empty
    Recorded, // an earlier destination's recorded file: ours goes, a changed one is named
};

// A folder the walk is inside, with what its contents came to.
struct Frame {
    CString path; // relative to the destination in hand
    WalkMode mode = WalkMode::Sort;
    bool created = false;
    bool logged = false;
    bool userAdded = false;
    bool productSpace = false; // it lies in a folder the installation created
    bool inside = false;       // its contents lie in product space
    bool left = false;
    bool scheduled = false;
};

// Removes what lies in the destination through handles: the destination is
// opened once by its path, everything below it relative to that handle, so
// a folder swapped for a link under the removal cannot lead it elsewhere.
// Links and the program group outside it (shell folders) go by their paths.
class CRemoval : public IHandleWalk {
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

    RemovalOutcome m_outcome;

    // The walk's questions.
    EntryChoice Choose(const HandleEntry& entry) override;
    bool DeleteAfterDescent(const HandleEntry& folder) override;
    bool OnError(const HandleEntry& entry, DWORD error) override;
    void OnDeleted(const HandleEntry& entry) override;
    void BeforeOpen(const CString& path) override { m_observer.BeforeOpen(Full(path)); }

private:
    void Step(const CString& status) { m_observer.OnStep(status, ++m_step, m_total); }
    CString Full(const CString& relative) const { return m_destinationInHand + "\\" + relative; }
    // Makes destination the one in hand and opens it (once).
    void TakeDestination(const CString& destination);
    // Visits the entry at path (inside the destination in hand) in mode.
    // line: refused with its text when a link stands on the way.
    Removal Visit(const CString& path, WalkMode mode, const LogLine* line = nullptr);
    // A file or a folder once empty, wherever it lies.
    Removal RemovePath(const CString& path);
    // Outside the destination (the shell folders): by path.
    Removal RemoveOutsideFile(const CString& path, DWORD attributes);
    Removal RemoveOutsideFolder(const CString& folder);
    void RemoveKey(const CString& key);
    // Whether the rules for every file let this one go (else it is kept, and named
    // where it is data).
    bool FileMayGo(const CString& path);
    EntryChoice KeepUserFile(const CString& path);
    EntryChoice ChooseFile(const HandleEntry& entry, const CString& path, WalkMode mode,
                           bool productSpace);
    void Settle(Removal removal);
    Removal LeaveInUse(const CString& path, bool folder);
    void RemoveLoggedFolders(const std::vector<const LogLine*>& folders);
    void RemoveEarlierDestination(const CString& destination);
    CStringArray EarlierDestinations() const;
    void Refuse(const LogLine& line);
    bool AnythingFailed() const { return !m_outcome.inUse.empty() || !m_outcome.failed.empty(); }

    const CRemovalScope& m_scope;
    const RemovalOptions& m_options;
    IRemovalObserver& m_observer;
    const CRemovalOwnership m_ownership;
    const CString m_skipFile;
    const CString m_logPath;
    int m_step = 0;
    int m_total = 0;
    std::unordered_set<std::string> m_loggedFolders; // "Made Dir: " folders, by PathKey
    // The destination whose folders are being sorted out (an earlier one too),
    // and its handle.
    CString m_destinationInHand;
    CRemovalHandle m_root;
    DWORD m_rootError = ERROR_PATH_NOT_FOUND;
    CStringArray m_keptControls; // still registered: never deleted
    // The visit under way.
    WalkMode m_mode = WalkMode::Path;
    std::vector<Frame> m_frames;
    Removal m_result = Removal::Gone;
    bool m_settled = false;
};

void CRemoval::TakeDestination(const CString& destination) {
    if (IsSamePath(destination, m_destinationInHand) && m_root.IsValid()) return;
    m_destinationInHand = destination;
    m_root = CRemovalHandle();
    CString longForm;
    m_rootError = GetLongPath(destination, longForm)
                      ? CRemovalHandle::OpenFolder(longForm, m_root)
                      : static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION);
    if (m_rootError && !IsGoneError(m_rootError)) m_outcome.failed.push_back(destination);
}

void CRemoval::Refuse(const LogLine& line) {
    const CString text = LogLineText(line);
    m_outcome.refused.push_back(ShownLogText(text, static_cast<size_t>(text.GetLength())));
}

Removal CRemoval::Visit(const CString& path, WalkMode mode, const LogLine* line) {
    if (!IsPathWithin(path, m_destinationInHand) || IsSamePath(path, m_destinationInHand))
        return Removal::Left;
    if (!m_root.IsValid()) return IsGoneError(m_rootError) ? Removal::Gone : Removal::Left;
    // A short spelling is taken in its long form on the way down.
    const CString relative = path.Mid(m_destinationInHand.GetLength() + 1);
    m_mode = mode;
    m_frames.clear();
    m_result = Removal::Gone;
    m_settled = false;
    const DWORD error = VisitBelow(m_root, relative, *this);
    m_frames.clear();
    if (m_settled || !error || IsGoneError(error)) return m_settled ? m_result : Removal::Gone;
    // The folders on the way could not be passed: a link, or no access.
    if (error == ERROR_REPARSE_POINT_ENCOUNTERED && line)
        Refuse(*line);
    else
        m_outcome.failed.push_back(path);
    return Removal::Left;
}

void CRemoval::Settle(Removal removal) {
    if (m_frames.empty()) {
        m_result = removal;
        m_settled = true;
        return;
    }
    m_frames.back().left |= removal == Removal::Left;
    m_frames.back().scheduled |= removal == Removal::Scheduled;
}

bool CRemoval::FileMayGo(const CString& path) {
    if (!m_options.removeData && IsDataFile(path)) {
        m_outcome.keptData.push_back(path);
        return false;
    }
    if (!m_skipFile.IsEmpty() && IsSamePath(path, m_skipFile)) return false;
    if (m_keptControls.empty()) return true;
    const CString normalized = NormalizePath(path);
    for (const CString& control : m_keptControls)
        if (IsSamePath(normalized, control)) return false;
    return true;
}

// A file of the user's: kept and named, unless it is the running uninstaller.
EntryChoice CRemoval::KeepUserFile(const CString& path) {
    if (m_skipFile.IsEmpty() || !IsSamePath(path, m_skipFile)) m_outcome.userFiles.push_back(path);
    Settle(Removal::Left);
    return EntryChoice::Keep;
}

EntryChoice CRemoval::ChooseFile(const HandleEntry& entry, const CString& path, WalkMode mode,
                                 bool productSpace) {
    bool goes = true;
    if (mode == WalkMode::Sort || mode == WalkMode::Recorded) {
        const uint64_t lastWrite = (static_cast<uint64_t>(entry.lastWrite.dwHighDateTime) << 32) |
                                   entry.lastWrite.dwLowDateTime;
        switch (m_ownership.OwnerOf(path, entry.size, lastWrite)) {
        case FileOwner::Product:
        case FileOwner::Data: // kept below unless the data goes too
            break;
        case FileOwner::UserChanged:
            goes = mode == WalkMode::Sort && m_options.removeData;
            break;
        case FileOwner::UserAdded:
            goes = mode == WalkMode::Sort && m_options.removeData && productSpace;
            break;
        }
    }
    if (!goes) return KeepUserFile(path);
    if (!FileMayGo(path)) {
        Settle(Removal::Left);
        return EntryChoice::Keep;
    }
    return EntryChoice::Delete;
}

EntryChoice CRemoval::Choose(const HandleEntry& entry) {
    const CString path = Full(entry.path);
    const bool top = m_frames.empty();
    if (!entry.exactName) {
        m_outcome.userFiles.push_back(path);
        Settle(Removal::Left);
        return EntryChoice::Keep;
    }
    const WalkMode mode = top ? m_mode : m_frames.back().mode;
    const bool productSpace = !top && m_frames.back().inside;
    if (!entry.IsFolder()) {
        // A folder's line that names a file: not the folder the line meant.
        if (top && (mode == WalkMode::Sort || mode == WalkMode::Whole)) {
            Settle(Removal::Left);
            return EntryChoice::Keep;
        }
        return ChooseFile(entry, path, mode, productSpace);
    }
    if (mode == WalkMode::Recorded) {
        Settle(Removal::Left);
        return EntryChoice::Keep;
    }
    Frame frame;
    frame.path = entry.path;
    frame.mode = mode;
    frame.productSpace = productSpace;
    if (mode == WalkMode::Sort) {
        frame.created = m_ownership.Created(path);
        frame.logged = m_loggedFolders.count(PathKey(path)) != 0;
        // A junction or symbolic link is never entered: it goes itself only
        // when the installation made it.
        if (entry.IsLink() && !frame.created) {
            Settle(Removal::Left);
            return EntryChoice::Keep;
        }
        if (m_ownership.IsScratch(path, m_destinationInHand)) frame.mode = WalkMode::Whole;
        // Folders there before hold nothing of the user's that may go; a folder
        // the user added inside one the installation created is as ours as its parent.
        frame.userAdded = !frame.created && !frame.logged;
        frame.inside = frame.created || (frame.userAdded && productSpace);
    }
    if (entry.IsLink() || mode == WalkMode::Path) {
        // Removed as itself, and only when empty.
        if (m_scope.IsProtected(path)) {
            Settle(Removal::Left);
            return EntryChoice::Keep;
        }
        return EntryChoice::Delete;
    }
    m_frames.push_back(frame);
    return EntryChoice::Descend;
}

bool CRemoval::DeleteAfterDescent(const HandleEntry& folder) {
    const Frame frame = m_frames.back();
    m_frames.pop_back();
    const CString path = Full(folder.path);
    Removal kept = Removal::Left;
    if (frame.mode == WalkMode::Sort && !frame.created && frame.logged)
        m_outcome.foldersBefore.push_back(path);
    else if (frame.mode == WalkMode::Sort && frame.userAdded &&
             !(m_options.removeData && frame.productSpace))
        ;
    else if (frame.left || m_scope.IsProtected(path))
        ;
    else if (frame.scheduled)
        kept = LeaveInUse(path, true);
    else
        return true;
    Settle(kept);
    return false;
}

bool CRemoval::OnError(const HandleEntry& entry, DWORD error) {
    if (!m_frames.empty() && m_frames.back().path == entry.path) m_frames.pop_back();
    const CString path = Full(entry.path);
    if (IsGoneError(error)) {
        Settle(Removal::Gone);
        return false;
    }
    // A folder still holding what was kept, or left in use: it stays quietly.
    if (error == ERROR_DIR_NOT_EMPTY) {
        Settle(Removal::Left);
        return false;
    }
    if (!entry.IsFolder() && IsInUseError(error)) {
        if (m_observer.RetryInUse(path, error)) return true;
        Settle(LeaveInUse(path, false));
        return false;
    }
    m_outcome.failed.push_back(path);
    Settle(Removal::Left);
    return false;
}

void CRemoval::OnDeleted(const HandleEntry&) {
    ++m_outcome.removed;
    Settle(Removal::Gone);
}

// Ignore on a file in use: removed at the next restart only where no one
// but the administrators can change a folder on the way, else left and named.
Removal CRemoval::LeaveInUse(const CString& path, bool folder) {
    CString longForm;
    std::wstring wide;
    if (GetLongPath(path, longForm) && MayDeleteAtRestart(longForm) && ToWide(longForm, wide) &&
        MoveFileExW(wide.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        m_outcome.scheduled.push_back(path);
        return Removal::Scheduled;
    }
    (folder ? m_outcome.failed : m_outcome.inUse).push_back(path);
    return Removal::Left;
}

Removal CRemoval::RemoveOutsideFile(const CString& path, DWORD attributes) {
    if (!FileMayGo(path)) return Removal::Left;
    const std::wstring wide = Wide(path);
    // Only a plain file with nothing but the archive bit is deleted in one call.
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    for (;;) {
        if (DeleteFileW(wide.c_str())) {
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

// The folder when it is empty; a folder still holding something stays quietly.
Removal CRemoval::RemoveOutsideFolder(const CString& folder) {
    if (m_scope.IsProtected(folder)) return Removal::Left;
    const std::wstring wide = Wide(folder);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Removal::Gone;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (RemoveDirectoryW(wide.c_str())) {
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
    if (IsPathWithin(path, m_destinationInHand)) return Visit(path, WalkMode::Path);
    const DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return Removal::Gone;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveOutsideFolder(path);
    return RemoveOutsideFile(path, attributes);
}

void CRemoval::RemoveKey(const CString& key) {
    const LONG result = RegDeleteTreeW(HKEY_LOCAL_MACHINE, Wide(key).c_str());
    if (result == ERROR_SUCCESS) {
        ++m_outcome.removed;
        RemoveEmptyParentKeys(key);
    } else if (result != ERROR_FILE_NOT_FOUND) {
        m_outcome.failed.push_back("HKEY_LOCAL_MACHINE\\" + key);
    }
}

void CRemoval::RemoveLoggedFolders(const std::vector<const LogLine*>& folders) {
    CStringArray left;
    for (const LogLine* line : folders) {
        Step("正在删除 " + line->path);
        if (m_ownership.HasRecord()) {
            // The walk of an outer logged folder takes in the inner ones.
            bool inner = false;
            for (CString parent = ParentFolder(line->path);
                 !parent.IsEmpty() && !IsSamePath(parent, m_scope.Destination());
                 parent = ParentFolder(parent))
                inner |= m_loggedFolders.count(PathKey(parent)) != 0;
            if (!inner) Visit(line->path, WalkMode::Sort, line);
        } else if (m_options.removeFoldersWhole) {
            Visit(line->path, WalkMode::Whole, line);
        } else if (Visit(line->path, WalkMode::Path, line) == Removal::Left &&
                   FolderExists(line->path)) {
            left.push_back(line->path);
        }
    }
    for (const CString& folder : Outermost(left)) m_outcome.foldersLeft.push_back(folder);
}

// The earlier installations' folders the record names: where it recorded
// an uninstaller other than this destination's.
CStringArray CRemoval::EarlierDestinations() const {
    CStringArray earlier;
    if (!m_ownership.HasRecord()) return earlier;
    for (const RecordedFile& file : m_options.record->files) {
        // The name first: only an uninstaller's path is worth normalising.
        const int nameLength = static_cast<int>(strlen(kUninstallerName));
        if (file.path.Right(nameLength).CompareNoCase(kUninstallerName) != 0) continue;
        const CString path = NormalizePath(file.path);
        const CString folder = ParentFolder(path);
        if (folder.IsEmpty() || path.Right(nameLength).CompareNoCase(kUninstallerName) != 0)
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
    TakeDestination(scope.Destination());
    auto allows = [&](const CString& path, LogLineKind kind) {
        LogLine line;
        line.kind = kind;
        line.path = path;
        return scope.AreaOf(line) == ScopeArea::Destination;
    };
    CStringArray created;
    for (const CString& folder : m_options.record->createdFolders)
        if (allows(folder, LogLineKind::MadeDir)) created.push_back(NormalizePath(folder));
    for (const CString& folder : Outermost(created)) {
        m_loggedFolders.insert(PathKey(folder));
        Visit(folder, WalkMode::Sort);
    }
    for (const RecordedFile& file : m_options.record->files) {
        const CString path = NormalizePath(file.path);
        bool walked = false;
        for (const CString& folder : created) walked |= IsPathWithin(path, folder);
        if (!walked && allows(path, LogLineKind::FileCopy)) Visit(path, WalkMode::Recorded);
    }
    // The links it made there (the release links) go by name, as the log's do.
    for (const CString& link : m_options.record->links)
        if (allows(link, LogLineKind::FileCopy)) RemovePath(NormalizePath(link));
    if (!AnythingFailed()) {
        RemovePath(scope.Destination() + "\\" + kLogFileName);
        if (!m_options.recordName.IsEmpty())
            RemovePath(scope.Destination() + "\\" + m_options.recordName);
    }
    // Its handle held without delete sharing would keep the folder.
    m_root = CRemovalHandle();
    RemoveEmptyDestination(scope);
    TakeDestination(m_scope.Destination());
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
    TakeDestination(m_scope.Destination());
    m_total = static_cast<int>(controls.size() + files.size() + folders.size() + keys.size() +
                               earlier.size()) +
              3;

    for (const LogLine* line : controls) {
        Step("正在注销控件 " + line->path);
        const DWORD attributes = AttributesOf(line->path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        // A file already gone may still be named by its classes: they go too.
        if (!UnregisterControl(line->path).unregistered) {
            // Kept, with its folder: deleting it would leave a class naming a
            // path anyone could fill again.
            m_keptControls.push_back(NormalizePath(line->path));
            m_outcome.failed.push_back(line->path);
        } else if (attributes != INVALID_FILE_ATTRIBUTES) {
            Visit(line->path, WalkMode::Path, line);
        }
    }
    for (const LogLine* line : files) {
        Step("正在删除 " + line->path);
        if (IsSamePath(line->path, m_logPath)) continue;
        if (IsPathWithin(line->path, m_destinationInHand)) {
            Visit(line->path, WalkMode::Path, line);
            continue;
        }
        const DWORD attributes = AttributesOf(line->path);
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
    for (const CString& group : groups) RemoveOutsideFolder(group);
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
        if (!m_scope.Allows(line)) continue;
        TakeDestination(m_scope.Destination());
        Visit(NormalizePath(folder), WalkMode::Whole, &line);
    }
}

} // namespace

void RemoveEmptyParentKeys(CString key) {
    if (key.CompareNoCase(kUninstallEntryKey) == 0) return;
    for (;;) {
        const int slash = key.ReverseFind('\\');
        if (slash <= 0) return;
        key = key.Left(slash);
        for (const char* kept : kKeyParentsKept)
            if (key.CompareNoCase(kept) == 0) return;
        CRegKey opened;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(key).c_str(), 0, KEY_QUERY_VALUE,
                          opened.Out()) != ERROR_SUCCESS)
            return;
        DWORD subkeys = 0;
        DWORD values = 0;
        if (RegQueryInfoKeyW(opened.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            subkeys || values)
            return;
        opened.Reset();
        if (RegDeleteKeyW(HKEY_LOCAL_MACHINE, Wide(key).c_str()) != ERROR_SUCCESS) return;
    }
}

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
        if (!RemoveDirectoryW(Wide(folder).c_str()) && !IsGoneError(GetLastError())) break;
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
        const std::wstring wide = Wide(path);
        SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileW(wide.c_str())) ++removed;
    };
    for (const CString& desktop : desktops) removeFile(desktop + kProductLink);
    for (const CString& programs : programFolders) {
        const CString group = programs + kProgramGroup;
        for (const char* name : kGroupLinkNames) removeFile(group + "\\" + name);
        if (RemoveDirectoryW(Wide(group).c_str())) ++removed;
    }
    return removed;
}
