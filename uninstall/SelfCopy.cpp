#include "uninstall/SelfCopy.h"

#include "framework/ExitCode.h"
#include "framework/FileFind.h"
#include "framework/FileSecurity.h"
#include "framework/WideText.h"

#include <ntsecapi.h>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

struct CopyShared {
    DWORD magic;
    DWORD originalProcessId;
    LONG exitCode;
};

namespace {

constexpr DWORD kSharedMagic = 0x5539564B; // "KV9U"
// How long the copy waits for the original to end once told, and how long
// it keeps trying to delete the original's file (a scanner may hold it).
constexpr DWORD kOriginalEndMs = 30000;
constexpr DWORD kDeleteTriesMs = 3000;
constexpr char kCopyName[] = "Uninstall-64.exe";
constexpr char kCopyFolderPrefix[] = "KelvraUninstall-";

CString ModulePath() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? CString(path) : CString();
}

// Folders of earlier copies whose deletion on close could not take the
// folder as well (Wine deletes the file but not the folder): removed when
// empty. No other copy runs now (the one-instance mutex lives as long as any).
void SweepEmptyCopyFolders(const CString& temp) {
    CFileFind finder;
    for (bool more = finder.FindFile(temp + kCopyFolderPrefix + "*"); more;
         more = finder.FindNextFile()) {
        const bool link = (finder.Data().dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (finder.IsDirectory() && !link) RemoveDirectoryA(temp + finder.GetFileName());
    }
}

// An unpredictable name from the system's generator: nobody can create the
// folder (or a link under its name) ahead of us.
bool RandomFolderName(CString& name) {
    unsigned char bytes[16];
    if (!RtlGenRandom(bytes, sizeof(bytes))) return false;
    name = kCopyFolderPrefix;
    for (unsigned char byte : bytes) {
        CString pair;
        pair.Format("%02x", byte);
        name += pair;
    }
    return true;
}

// A folder of our own: created here, under a fresh random name, with an
// access list of its own (SYSTEM, Administrators, the running user; nothing
// inherited from a temp folder where other users may create files), so
// nothing can have been planted in it. An existing name is never reused.
bool MakeFreshFolder(CString& folder) {
    wchar_t temp[MAX_PATH] = {};
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    CString tempFolder;
    if (length == 0 || length >= MAX_PATH - 60 ||
        !ToNarrow(temp, static_cast<int>(length), tempFolder))
        return false;
    SweepEmptyCopyFolders(tempFolder);
    CPrivateSecurity security;
    if (!security.IsValid()) return false;
    for (int attempt = 0; attempt < 16; ++attempt) {
        CString name;
        if (!RandomFolderName(name)) return false;
        folder = tempFolder + name;
        if (CreateDirectoryW(Wide(folder).c_str(), security.Attributes())) return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

// Opened before the copy starts: the last handle's close deletes the entry
// (a running program's file can be deleted no other way).
HANDLE OpenDeleteOnClose(const CString& path, bool folder) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_DELETE | (folder ? FILE_SHARE_WRITE : 0);
    const DWORD flags = FILE_FLAG_DELETE_ON_CLOSE | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    return CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, share, &inherit,
                       OPEN_EXISTING, flags, nullptr);
}

bool ParseHandle(const char*& text, HANDLE& handle) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 16);
    if (end == text || value == 0) return false;
    handle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value));
    text = end;
    if (*text == '.') ++text;
    return true;
}

} // namespace

bool RunThroughCopy(const CString& arguments, int& exitCode) {
    exitCode = kExitFailed;
    const CString self = ModulePath();
    CString folder;
    if (self.IsEmpty() || !MakeFreshFolder(folder)) return false;
    CString copy = folder + "\\" + kCopyName;
    if (!CopyFileA(self, copy, TRUE)) {
        RemoveDirectoryA(folder);
        return false;
    }
    // The file's handle first: closed first when the copy ends, so the
    // folder is empty by the time its own handle goes.
    CFileHandle copyFile(OpenDeleteOnClose(copy, false));
    CFileHandle copyFolderHandle(OpenDeleteOnClose(folder, true));

    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    CHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0,
                                       sizeof(CopyShared), nullptr));
    CHandle done(CreateEventA(&inherit, TRUE, FALSE, nullptr));
    HANDLE me = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &me,
                    SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0);
    CHandle original(me);
    CMappedView view(mapping ? MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, 0) : nullptr);
    if (!view || !done || !original) {
        copyFile.Reset();
        copyFolderHandle.Reset();
        DeleteFileA(copy);
        RemoveDirectoryA(folder);
        return false;
    }
    auto* shared = static_cast<CopyShared*>(view.Get());
    shared->magic = kSharedMagic;
    shared->originalProcessId = GetCurrentProcessId();
    // Until the copy says otherwise: a copy that dies early has failed.
    shared->exitCode = kExitFailed;

    // The system folder as working folder: the copy must hold neither the
    // destination nor its own folder open.
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    PROCESS_INFORMATION info{};
    auto start = [&](bool selfDelete) {
        CString commandLine;
        commandLine.Format(
            "\"%s\" %s%llx.%llx.%llx.%d %s", copy.GetString(), kCopySwitch,
            static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(original.Get())),
            static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(done.Get())),
            static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(mapping.Get())),
            selfDelete ? 1 : 0, arguments.GetString());
        std::vector<char> line(commandLine.str().begin(), commandLine.str().end());
        line.push_back('\0');
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        return CreateProcessA(copy, line.data(), nullptr, nullptr, TRUE, 0, nullptr, system,
                              &startup, &info);
    };
    BOOL started = start(copyFile.IsValid());
    if (!started && copyFile) {
        // A system that will not start a program with such a handle open:
        // closing the handles deletes that copy; a fresh one goes at the
        // next restart instead, and says so.
        copyFile.Reset();
        copyFolderHandle.Reset();
        RemoveDirectoryA(folder);
        started = MakeFreshFolder(folder) && CopyFileA(self, folder + "\\" + kCopyName, TRUE);
        copy = folder + "\\" + kCopyName;
        started = started && start(false);
    }
    // The copy holds its own handles now; ours go.
    copyFile.Reset();
    copyFolderHandle.Reset();
    if (started) {
        CHandle process(info.hProcess);
        CHandle thread(info.hThread);
        HANDLE waits[] = {done.Get(), process.Get()};
        WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        exitCode = static_cast<int>(InterlockedCompareExchange(&shared->exitCode, 0, 0));
    } else {
        DeleteFileA(copy);
        RemoveDirectoryA(folder);
    }
    return started != FALSE;
}

CCopyHandshake::~CCopyHandshake() = default;

bool CCopyHandshake::Attach(const CString& value) {
    const char* text = value.GetString();
    HANDLE original = nullptr, done = nullptr, mapping = nullptr;
    if (!ParseHandle(text, original) || !ParseHandle(text, done) || !ParseHandle(text, mapping))
        return false;
    const bool selfDelete = *text == '1';
    // Each handle must be of its kind; a made-up number fails here.
    const DWORD originalId = GetProcessId(original);
    if (originalId == 0 || originalId == GetCurrentProcessId()) return false;
    CMappedView view(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(CopyShared)));
    if (!view) return false;
    auto* shared = static_cast<CopyShared*>(view.Get());
    if (shared->magic != kSharedMagic || shared->originalProcessId != originalId ||
        WaitForSingleObject(done, 0) != WAIT_TIMEOUT)
        return false;
    char path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (!QueryFullProcessImageNameA(original, 0, path, &length)) return false;
    m_original.Reset(original);
    m_done.Reset(done);
    m_mapping.Reset(mapping);
    m_view = std::move(view);
    m_shared = shared;
    m_originalPath = path;
    m_selfDelete = selfDelete;
    return true;
}

bool CCopyHandshake::CanDeleteOriginal() const {
    std::wstring path;
    if (!ToWide(m_originalPath, path)) return false;
    // The running original maps its file without sharing deletion on some
    // systems: asking for DELETE access checks the rights and every other
    // holder of the file, not the original's own image.
    CFileHandle file(CreateFileW(path.c_str(), DELETE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return file || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool CCopyHandshake::ScheduleOriginalRemoval() const {
    std::wstring path;
    return ToWide(m_originalPath, path) &&
           MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void CCopyHandshake::Report(int exitCode) {
    if (!m_shared) return;
    InterlockedExchange(&m_shared->exitCode, exitCode);
    SetEvent(m_done.Get());
}

bool CCopyHandshake::RemoveOriginal() {
    if (!m_original || WaitForSingleObject(m_original.Get(), kOriginalEndMs) != WAIT_OBJECT_0)
        return false;
    SetFileAttributesA(m_originalPath, FILE_ATTRIBUTE_NORMAL);
    const DWORD start = GetTickCount();
    for (;;) {
        if (DeleteFileA(m_originalPath) || GetLastError() == ERROR_FILE_NOT_FOUND) return true;
        if (GetTickCount() - start >= kDeleteTriesMs) break;
        // The process has ended; its file may stay locked for a moment.
        Sleep(50);
    }
    MoveFileExA(m_originalPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return false;
}

void CCopyHandshake::ScheduleSelfRemoval() {
    if (m_selfDelete) return;
    const CString self = ModulePath();
    if (self.IsEmpty()) return;
    MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExA(self.Left(self.ReverseFind('\\')), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}
