#include "framework/HandleRemoval.h"

#include "framework/WideText.h"

#include <winternl.h>

#include <atomic>
#include <vector>

namespace {

// NtCreateFile's options and disposition, as ntdll takes them.
constexpr ULONG kFileOpen = 0x00000001;
constexpr ULONG kDirectoryFile = 0x00000001;
constexpr ULONG kSynchronousIoNonAlert = 0x00000020;
constexpr ULONG kOpenForBackupIntent = 0x00004000;
constexpr ULONG kOpenReparsePoint = 0x00200000;
// NtQueryInformationFile's classes used here.
constexpr ULONG kFileNetworkOpenInformation = 34;
constexpr ULONG kFileAttributeTagInformation = 35;
// SetFileInformationByHandle's class and flags for a delete with POSIX
// semantics (the name goes at once, even while another handle is open) that
// also takes a read-only file; Windows 10 1809 and later.
constexpr int kFileDispositionInfoEx = 21;
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionPosixSemantics = 0x2;
constexpr DWORD kDispositionIgnoreReadOnly = 0x10;

struct NetworkOpenInformation {
    LARGE_INTEGER creationTime;
    LARGE_INTEGER lastAccessTime;
    LARGE_INTEGER lastWriteTime;
    LARGE_INTEGER changeTime;
    LARGE_INTEGER allocationSize;
    LARGE_INTEGER endOfFile;
    ULONG fileAttributes;
};

using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                        PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using NtQueryInformationFileFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
using RtlNtStatusToDosErrorFn = ULONG(NTAPI*)(NTSTATUS);
using NtQueryObjectFn = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kObjectNameInformation = 1;

// ntdll is in every process already; its functions are looked up once.
struct NtFunctions {
    NtCreateFileFn createFile = nullptr;
    NtQueryInformationFileFn queryInformationFile = nullptr;
    RtlNtStatusToDosErrorFn statusToError = nullptr;
    NtQueryObjectFn queryObject = nullptr;
    bool opensFollowLinks = false;

    NtFunctions() {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        if (!ntdll) return;
        createFile = reinterpret_cast<NtCreateFileFn>(GetProcAddress(ntdll, "NtCreateFile"));
        queryInformationFile = reinterpret_cast<NtQueryInformationFileFn>(
            GetProcAddress(ntdll, "NtQueryInformationFile"));
        statusToError = reinterpret_cast<RtlNtStatusToDosErrorFn>(
            GetProcAddress(ntdll, "RtlNtStatusToDosError"));
        queryObject = reinterpret_cast<NtQueryObjectFn>(GetProcAddress(ntdll, "NtQueryObject"));
        // Wine opens the target of a host symbolic link whatever the options
        // say, and deletes through such a handle delete the target: there,
        // every handle's name is checked before it is acted on. Its listings
        // show a link to a folder as a reparse point, one to a file not at
        // all, and give both the target's file id.
        opensFollowLinks = GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }
    bool Complete() const { return createFile && queryInformationFile && statusToError; }
};

const NtFunctions& Nt() {
    static const NtFunctions functions;
    return functions;
}

// Set once a delete with POSIX semantics was refused as unknown.
std::atomic<bool> g_noDispositionEx{false};
std::atomic<ReparseStandIn> g_reparseStandIn{nullptr};

bool IsInUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

// What the walk reads on a handle.
struct Facts {
    DWORD attributes = 0;
    DWORD reparseTag = 0;
    ULONGLONG size = 0;
    FILETIME lastWrite{};
};

DWORD ReadFacts(HANDLE handle, Facts& facts) {
    const NtFunctions& nt = Nt();
    NetworkOpenInformation open{};
    IO_STATUS_BLOCK io{};
    const NTSTATUS status =
        nt.queryInformationFile(handle, &io, &open, sizeof(open), kFileNetworkOpenInformation);
    if (status < 0) return nt.statusToError(status);
    facts.attributes = open.fileAttributes;
    facts.size = static_cast<ULONGLONG>(open.endOfFile.QuadPart);
    facts.lastWrite.dwLowDateTime = open.lastWriteTime.LowPart;
    facts.lastWrite.dwHighDateTime = static_cast<DWORD>(open.lastWriteTime.HighPart);
    // Which kind of reparse point decides whether it is a link.
    if (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        struct {
            ULONG attributes;
            ULONG reparseTag;
        } tag{};
        if (nt.queryInformationFile(handle, &io, &tag, sizeof(tag), kFileAttributeTagInformation) >=
            0)
            facts.reparseTag = tag.reparseTag;
    }
    if (const ReparseStandIn standIn = g_reparseStandIn.load())
        standIn(handle, facts.attributes, facts.reparseTag);
    return ERROR_SUCCESS;
}

// The name of the object a handle holds, as a full DOS path ("T:\\dir\\sub",
// "\\\\server\\share\\dir"). Only asked where opens follow links (Wine): there
// the object's name is the name of what a link led to. One request, without
// fetching the handle's file descriptor as the file-information classes do.
bool HandleName(HANDLE handle, std::wstring& name) {
    const NtFunctions& nt = Nt();
    if (!nt.queryObject) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    alignas(UNICODE_STRING) BYTE buffer[sizeof(UNICODE_STRING) + 32768 * sizeof(wchar_t)];
    ULONG length = 0;
    const NTSTATUS status =
        nt.queryObject(handle, kObjectNameInformation, buffer, sizeof(buffer), &length);
    if (status < 0) {
        SetLastError(nt.statusToError(status));
        return false;
    }
    const auto* text = reinterpret_cast<const UNICODE_STRING*>(buffer);
    name.assign(text->Buffer, text->Length / sizeof(wchar_t));
    if (name.compare(0, 4, L"\\??\\") == 0) name.erase(0, 4);
    if (name.compare(0, 4, L"UNC\\") == 0) name.replace(0, 3, L"\\");
    return true;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring JoinName(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == L'\\') return folder + name;
    return folder + L"\\" + name;
}

// Access for an entry about to be checked and perhaps entered or deleted.
constexpr ACCESS_MASK kReadAccess =
    SYNCHRONIZE | READ_CONTROL | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY | FILE_TRAVERSE;
constexpr ACCESS_MASK kDeleteAccess = kReadAccess | DELETE | FILE_WRITE_ATTRIBUTES;

// What a removal's handles share: deletion is withheld, so nobody renames
// or replaces the entry while it is held.
constexpr ULONG kHoldSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Opens name relative to the folder handle, never following a link at name.
DWORD OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG options,
                   CFileHandle& entry, ULONG sharing = kHoldSharing) {
    const NtFunctions& nt = Nt();
    if (!nt.Complete()) return ERROR_NOT_SUPPORTED;
    if (name.empty() || name.size() * sizeof(wchar_t) > 0xFFFE) return ERROR_INVALID_NAME;
    UNICODE_STRING unicodeName;
    unicodeName.Buffer = const_cast<PWSTR>(name.c_str());
    unicodeName.Length = unicodeName.MaximumLength =
        static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &unicodeName, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE handle = nullptr;
    const NTSTATUS status = nt.createFile(
        &handle, access, &attributes, &io, nullptr, 0, sharing, kFileOpen,
        options | kOpenReparsePoint | kSynchronousIoNonAlert | kOpenForBackupIntent, nullptr, 0);
    if (status < 0) return nt.statusToError(status);
    entry.Reset(handle);
    return ERROR_SUCCESS;
}

// Deletes the object the handle holds: the name goes when the handle closes
// (at once with POSIX semantics).
DWORD DeleteThrough(HANDLE handle, DWORD attributes) {
    if (!g_noDispositionEx.load()) {
        struct {
            DWORD flags;
        } dispositionEx{kDispositionDelete | kDispositionPosixSemantics |
                        kDispositionIgnoreReadOnly};
        if (SetFileInformationByHandle(
                handle, static_cast<FILE_INFO_BY_HANDLE_CLASS>(kFileDispositionInfoEx),
                &dispositionEx, sizeof(dispositionEx)))
            return ERROR_SUCCESS;
        const DWORD error = GetLastError();
        // Before Windows 10 1809, on FAT volumes and under Wine 8 the class
        // or its flags are unknown: the classic delete follows.
        if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED &&
            error != ERROR_INVALID_FUNCTION)
            return error;
        g_noDispositionEx.store(true);
    }
    // The classic delete refuses a read-only entry: the attribute is taken
    // off through the same handle, and put back if the delete fails.
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    FILE_BASIC_INFO basic{};
    if (readOnly) {
        const DWORD kept =
            attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
        basic.FileAttributes = kept ? kept : FILE_ATTRIBUTE_NORMAL;
        if (!SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof(basic)))
            return GetLastError();
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof(disposition)))
        return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    if (readOnly) {
        basic.FileAttributes |= FILE_ATTRIBUTE_READONLY;
        basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL);
        SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof(basic));
    }
    return error;
}

// Splits a relative path into its components; false when one is empty,
// "." or ".." (a relative path never leaves the folder it starts from).
bool SplitRelative(const std::wstring& path, std::vector<std::wstring>& components) {
    size_t start = 0;
    for (;;) {
        const size_t end = path.find_first_of(L"\\/", start);
        std::wstring component = path.substr(start, end == std::wstring::npos ? end : end - start);
        if (component.empty() || component == L"." || component == L"..") return false;
        components.push_back(std::move(component));
        if (end == std::wstring::npos) return true;
        start = end + 1;
    }
}

// A component spelled in its 8.3 form ("KELV~HPP.BAK") replaced by the name
// the folder's listing gives that entry, read through the folder's own
// handle (a lookup by path would open the folder again, and the held handle
// withholds delete sharing). Names without "~" are never short ones.
DWORD LongComponent(HANDLE folder, std::wstring& component) {
    if (component.find(L'~') == std::wstring::npos) return ERROR_SUCCESS;
    std::vector<BYTE> buffer(64 * 1024);
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;;
         kind = FileIdBothDirectoryInfo) {
        if (!GetFileInformationByHandleEx(folder, kind, buffer.data(),
                                          static_cast<DWORD>(buffer.size()))) {
            const DWORD error = GetLastError();
            return error == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : error;
        }
        for (size_t offset = 0;;) {
            const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(&buffer[offset]);
            const std::wstring shortName(info->ShortName, info->ShortNameLength / sizeof(wchar_t));
            if (!shortName.empty() && SameName(shortName, component)) {
                component.assign(info->FileName, info->FileNameLength / sizeof(wchar_t));
                return ERROR_SUCCESS;
            }
            if (!info->NextEntryOffset) break;
            offset += info->NextEntryOffset;
        }
    }
}

} // namespace

bool OpensFollowLinks() { return Nt().opensFollowLinks; }

void SetReparseStandInForTests(ReparseStandIn standIn) { g_reparseStandIn.store(standIn); }

DWORD CRemovalHandle::OpenFolder(const CString& path, CRemovalHandle& folder) {
    std::wstring wide;
    if (!ToWide(path, wide)) return ERROR_NO_UNICODE_TRANSLATION;
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
    const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
    CFileHandle handle(
        CreateFileW(wide.c_str(), kDeleteAccess, sharing, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!handle) {
        const DWORD error = GetLastError();
        if (!IsInUse(error)) return error;
        // A destination that may not go itself can still be emptied.
        handle.Reset(CreateFileW(wide.c_str(), kReadAccess, sharing, nullptr, OPEN_EXISTING, flags,
                                 nullptr));
        if (!handle) return GetLastError();
    }
    Facts facts;
    if (const DWORD error = ReadFacts(handle.Get(), facts)) return error;
    if (IsLinkReparsePoint(facts.attributes, facts.reparseTag))
        return ERROR_REPARSE_POINT_ENCOUNTERED;
    if (!(facts.attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
    // The name the entries below are checked against (where opens follow
    // links): the folder named, as the system spells it.
    wchar_t full[MAX_PATH * 4];
    const DWORD length = GetFullPathNameW(wide.c_str(), MAX_PATH * 4, full, nullptr);
    if (length == 0 || length >= MAX_PATH * 4) return ERROR_INVALID_NAME;
    std::wstring name(full, length);
    while (name.size() > 3 && name.back() == L'\\') name.pop_back();
    if (Nt().opensFollowLinks) {
        // The handle must hold the folder named, not where a link led.
        std::wstring actual;
        if (!HandleName(handle.Get(), actual)) return GetLastError();
        if (!SameName(actual, name)) return ERROR_REPARSE_POINT_ENCOUNTERED;
        name = std::move(actual);
    }
    folder.m_handle = std::move(handle);
    folder.m_name = std::move(name);
    return ERROR_SUCCESS;
}

DWORD CRemovalHandle::OpenBelow(const CString& relativePath, CRemovalHandle& entry,
                                std::wstring* longPath) const {
    return Open(relativePath, entry, longPath, kHoldSharing);
}

DWORD CRemovalHandle::OpenBelowBesideRemoval(const CString& relativePath,
                                             CRemovalHandle& entry) const {
    return Open(relativePath, entry, nullptr, kHoldSharing | FILE_SHARE_DELETE);
}

DWORD CRemovalHandle::Open(const CString& relativePath, CRemovalHandle& entry,
                           std::wstring* longPath, ULONG sharing) const {
    std::wstring wide;
    if (!ToWide(relativePath, wide)) return ERROR_NO_UNICODE_TRANSLATION;
    std::vector<std::wstring> components;
    if (!SplitRelative(wide, components)) return ERROR_INVALID_NAME;
    const bool checkNames = Nt().opensFollowLinks;
    HANDLE parent = m_handle.Get();
    std::wstring name = m_name;
    CFileHandle held; // the folder reached so far, held while the next opens
    for (size_t i = 0; i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        if (const DWORD error = LongComponent(parent, components[i])) return error;
        CFileHandle next;
        DWORD error = OpenRelative(parent, components[i], last ? kDeleteAccess : kReadAccess,
                                   last ? 0 : kDirectoryFile, next, sharing);
        if (last && IsInUse(error))
            error = OpenRelative(parent, components[i], kReadAccess, 0, next, sharing);
        if (error) return error;
        name = JoinName(name, components[i]);
        if (checkNames) {
            std::wstring actual;
            if (!HandleName(next.Get(), actual)) return GetLastError();
            if (!SameName(actual, name)) return ERROR_REPARSE_POINT_ENCOUNTERED;
        }
        if (!last) {
            Facts facts;
            if (const DWORD factsError = ReadFacts(next.Get(), facts)) return factsError;
            if (IsLinkReparsePoint(facts.attributes, facts.reparseTag))
                return ERROR_REPARSE_POINT_ENCOUNTERED;
        }
        held = std::move(next);
        parent = held.Get();
    }
    entry.m_handle = std::move(held);
    entry.m_name = std::move(name);
    if (longPath) {
        longPath->clear();
        for (const std::wstring& component : components)
            *longPath += (longPath->empty() ? L"" : L"\\") + component;
    }
    return ERROR_SUCCESS;
}

// The walk: an entry is opened relative to its folder, checked to be the
// object listed, read, and then kept, entered or deleted through its handle.
class CHandleWalker {
public:
    explicit CHandleWalker(IHandleWalk& walk) : m_walk(walk) {}

    struct Listed {
        std::wstring name;
        DWORD attributes = 0; // 0: not listed (reached by its path)
        ULONGLONG size = 0;
        FILETIME lastWrite{};
    };

    DWORD Walk(const CRemovalHandle& folder, const CString& prefix, bool exact);
    DWORD Visit(const CRemovalHandle& folder, const Listed& listed, const CString& path,
                bool exact);

private:
    DWORD Open(const CRemovalHandle& folder, const Listed& listed, CRemovalHandle& entry,
               bool& canDelete, bool& followed, Facts& facts);

    IHandleWalk& m_walk;
};

DWORD CHandleWalker::Walk(const CRemovalHandle& folder, const CString& prefix, bool exact) {
    // The whole listing first, through the held handle; then each entry.
    std::vector<Listed> entries;
    std::vector<BYTE> buffer(64 * 1024);
    // From the first entry, whoever listed this handle before.
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;;
         kind = FileIdBothDirectoryInfo) {
        if (!GetFileInformationByHandleEx(folder.Get(), kind, buffer.data(),
                                          static_cast<DWORD>(buffer.size()))) {
            const DWORD error = GetLastError();
            if (error == ERROR_NO_MORE_FILES) break;
            return error;
        }
        for (size_t offset = 0;;) {
            const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(&buffer[offset]);
            std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                Listed listed;
                listed.name = std::move(name);
                listed.attributes = info->FileAttributes;
                listed.size = static_cast<ULONGLONG>(info->EndOfFile.QuadPart);
                listed.lastWrite.dwLowDateTime = info->LastWriteTime.LowPart;
                listed.lastWrite.dwHighDateTime = static_cast<DWORD>(info->LastWriteTime.HighPart);
                entries.push_back(std::move(listed));
            }
            if (!info->NextEntryOffset) break;
            offset += info->NextEntryOffset;
        }
    }
    for (const Listed& listed : entries) {
        CString narrow;
        const bool exactName = ToNarrow(listed.name, narrow);
        if (!exactName) narrow = Narrow(listed.name);
        Visit(folder, listed, prefix + narrow, exact && exactName);
    }
    return ERROR_SUCCESS;
}

// Opens a listed entry for deleting (or, when it is in use, for reading
// only: canDelete false) and reads it. Where opens follow links, the handle
// must carry the name it was opened by; when it does not, a link led
// elsewhere (followed): the entry is then only ever left.
DWORD CHandleWalker::Open(const CRemovalHandle& folder, const Listed& listed, CRemovalHandle& entry,
                          bool& canDelete, bool& followed, Facts& facts) {
    canDelete = true;
    followed = false;
    DWORD error = OpenRelative(folder.Get(), listed.name, kDeleteAccess, 0, entry.m_handle);
    if (IsInUse(error)) {
        canDelete = false;
        const DWORD readError =
            OpenRelative(folder.Get(), listed.name, kReadAccess, 0, entry.m_handle);
        if (readError) return error;
    } else if (error) {
        return error;
    }
    entry.m_name = JoinName(folder.m_name, listed.name);
    const bool plainFile =
        listed.attributes &&
        !(listed.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    if (Nt().opensFollowLinks) {
        std::wstring actual;
        if (!HandleName(entry.Get(), actual)) return GetLastError();
        followed = !SameName(actual, entry.m_name);
        // A plain file that is where it was listed: the listing's facts are
        // its own, and reading them again would cost a round trip to the
        // server per file.
        if (plainFile && !followed && !g_reparseStandIn.load()) {
            facts.attributes = listed.attributes;
            facts.size = listed.size;
            facts.lastWrite = listed.lastWrite;
            return ERROR_SUCCESS;
        }
    }
    return ReadFacts(entry.Get(), facts);
}

DWORD CHandleWalker::Visit(const CRemovalHandle& folder, const Listed& listed, const CString& path,
                           bool exact) {
    HandleEntry entry;
    entry.path = path;
    entry.exactName = exact;
    entry.attributes = listed.attributes;
    m_walk.BeforeOpen(path);
    for (;;) {
        CRemovalHandle handle;
        bool canDelete = false, followed = false;
        Facts facts;
        DWORD error = Open(folder, listed, handle, canDelete, followed, facts);
        if (error) {
            // Gone since the listing: nothing left to do.
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return error;
            if (m_walk.OnError(entry, error)) continue;
            return error;
        }
        entry.attributes = facts.attributes;
        entry.reparseTag = facts.reparseTag;
        entry.size = facts.size;
        entry.lastWrite = facts.lastWrite;
        // Listed as a link, yet the handle holds no link, or the handle
        // carries another name: the open followed a link (Wine). Such an
        // entry is shown as the link it is and can only be left.
        followed |= (listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                    !(facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT);
        if (followed) {
            entry.attributes = (listed.attributes ? listed.attributes : facts.attributes) |
                               FILE_ATTRIBUTE_REPARSE_POINT;
            entry.reparseTag = 0; // a link of unknown kind
            entry.size = 0;
        }
        EntryChoice choice = m_walk.Choose(entry);
        if (choice == EntryChoice::Keep) return ERROR_SUCCESS;
        if (followed) {
            if (m_walk.OnError(entry, ERROR_REPARSE_POINT_ENCOUNTERED)) continue;
            return ERROR_REPARSE_POINT_ENCOUNTERED;
        }
        if (choice == EntryChoice::Descend && entry.IsFolder() && !entry.IsLink()) {
            if (const DWORD listError = Walk(handle, path + "\\", exact)) {
                if (m_walk.OnError(entry, listError)) continue;
                return listError;
            }
            if (!m_walk.DeleteAfterDescent(entry)) return ERROR_SUCCESS;
        }
        // A file, a link (as itself) or an emptied folder.
        if (!canDelete) {
            if (m_walk.OnError(entry, ERROR_SHARING_VIOLATION)) continue;
            return ERROR_SHARING_VIOLATION;
        }
        m_walk.BeforeDelete(entry);
        error = DeleteThrough(handle.Get(), entry.attributes);
        if (!error) {
            handle.m_handle.Reset(); // the name goes with the last handle
            m_walk.OnDeleted(entry);
            return ERROR_SUCCESS;
        }
        if (!m_walk.OnError(entry, error)) return error;
    }
}

DWORD WalkFolder(const CRemovalHandle& folder, IHandleWalk& walk) {
    CHandleWalker walker(walk);
    return walker.Walk(folder, CString(), true);
}

DWORD VisitBelow(const CRemovalHandle& root, const CString& relativePath, IHandleWalk& walk) {
    std::wstring wide;
    if (!ToWide(relativePath, wide)) return ERROR_NO_UNICODE_TRANSLATION;
    std::vector<std::wstring> components;
    if (!SplitRelative(wide, components)) return ERROR_INVALID_NAME;
    // The folder holding the entry, reached component by component, and the
    // entry's path with every short spelling in its long form.
    const CRemovalHandle* parent = &root;
    CRemovalHandle holder;
    std::wstring longPath;
    if (components.size() > 1) {
        std::wstring folderPath;
        for (size_t i = 0; i + 1 < components.size(); ++i)
            folderPath += (i ? L"\\" : L"") + components[i];
        if (const DWORD error = root.OpenBelow(Narrow(folderPath), holder, &longPath)) return error;
        parent = &holder;
        longPath += L"\\";
    }
    CHandleWalker::Listed listed;
    listed.name = components.back();
    if (const DWORD error = LongComponent(parent->Get(), listed.name)) return error;
    longPath += listed.name;
    CString path;
    const bool exact = ToNarrow(longPath, path);
    if (!exact) path = relativePath;
    CHandleWalker walker(walk);
    return walker.Visit(*parent, listed, path, exact);
}
