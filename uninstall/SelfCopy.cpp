#include "uninstall/SelfCopy.h"

#include "framework/App.h"
#include "framework/ExitCode.h"
#include "framework/FileFind.h"
#include "framework/FileSecurity.h"
#include "framework/RandomName.h"
#include "framework/WideText.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

// How long the copy waits for the original to end once told, and how long
// it keeps trying to delete the original's file (a scanner may hold it).
constexpr DWORD kOriginalEndMs = 30000;
constexpr DWORD kDeleteTriesMs = 3000;
constexpr char kCopyName[] = "Uninstall-64.exe";
constexpr char kCopyFolderPrefix[] = "KelvraUninstall-";

// Folders of earlier copies whose deletion on close could not take the
// folder as well (Wine deletes the file but not the folder): removed when
// empty. No other copy runs now (the one-instance mutex lives as long as any).
void SweepEmptyCopyFolders(const CString& temp) {
    CFileFind finder;
    for (bool more = finder.FindFile(temp + kCopyFolderPrefix + "*"); more;
         more = finder.FindNextFile()) {
        const bool link = (finder.Data().dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (finder.IsDirectory() && !link && finder.HasExactName())
            RemoveDirectoryW(Wide(temp + finder.GetFileName()).c_str());
    }
}

// An unpredictable name from the system's generator: nobody can create the
// folder (or a link under its name) ahead of us.
bool RandomFolderName(CString& name) {
    CString random;
    if (!RandomHexName(random)) return false;
    name = kCopyFolderPrefix + random;
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
HANDLE OpenDeleteOnClose(const std::wstring& path, bool folder) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_DELETE | (folder ? FILE_SHARE_WRITE : 0);
    const DWORD flags = FILE_FLAG_DELETE_ON_CLOSE | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    return CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, share, &inherit,
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
    const std::wstring self = AfxGetModulePath();
    std::wstring wideArguments;
    CString narrowFolder;
    if (self.empty() || !ToWide(arguments, wideArguments) || !MakeFreshFolder(narrowFolder))
        return false;
    // MakeFreshFolder made it from a name converted exactly: this converts back.
    std::wstring folder = Wide(narrowFolder);
    std::wstring copy = folder + L"\\" + Wide(kCopyName);
    if (!CopyFileW(self.c_str(), copy.c_str(), TRUE)) {
        RemoveDirectoryW(folder.c_str());
        return false;
    }
    // The file's handle first: closed first when the copy ends, so the
    // folder is empty by the time its own handle goes.
    CFileHandle copyFile(OpenDeleteOnClose(copy, false));
    CFileHandle copyFolderHandle(OpenDeleteOnClose(folder, true));

    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    CHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0,
                                       sizeof(CopyShared), nullptr));
    CHandle done(CreateEventW(&inherit, TRUE, FALSE, nullptr));
    HANDLE me = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &me,
                    SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0);
    CHandle original(me);
    CMappedView view(mapping ? MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, 0) : nullptr);
    if (!view || !done || !original) {
        copyFile.Reset();
        copyFolderHandle.Reset();
        DeleteFileW(copy.c_str());
        RemoveDirectoryW(folder.c_str());
        return false;
    }
    auto* shared = static_cast<CopyShared*>(view.Get());
    shared->magic = kCopySharedMagic;
    shared->originalProcessId = GetCurrentProcessId();
    // Until the copy says otherwise: a copy that dies early has failed.
    shared->exitCode = kExitFailed;

    // The system folder as working folder: the copy must hold neither the
    // destination nor its own folder open.
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    PROCESS_INFORMATION info{};
    auto start = [&](bool selfDelete) {
        CString handles;
        handles.Format("%s%llx.%llx.%llx.%d", kCopySwitch,
                       static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(original.Get())),
                       static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(done.Get())),
                       static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(mapping.Get())),
                       selfDelete ? 1 : 0);
        std::wstring line = L"\"" + copy + L"\" " + Wide(handles) + L" " + wideArguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        return CreateProcessW(copy.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, system,
                              &startup, &info);
    };
    BOOL started = start(copyFile.IsValid());
    if (!started && copyFile) {
        // A system that will not start a program with such a handle open:
        // closing the handles deletes that copy; a fresh one goes at the
        // next restart instead, and says so.
        copyFile.Reset();
        copyFolderHandle.Reset();
        RemoveDirectoryW(folder.c_str());
        started = MakeFreshFolder(narrowFolder);
        folder = Wide(narrowFolder);
        copy = folder + L"\\" + Wide(kCopyName);
        started = started && CopyFileW(self.c_str(), copy.c_str(), TRUE) && start(false);
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
        DeleteFileW(copy.c_str());
        RemoveDirectoryW(folder.c_str());
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
    if (shared->magic != kCopySharedMagic || shared->originalProcessId != originalId ||
        WaitForSingleObject(done, 0) != WAIT_TIMEOUT)
        return false;
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    // The original checked its folder's name before it made the copy.
    CString originalPath;
    if (!QueryFullProcessImageNameW(original, 0, path, &length) ||
        !ToNarrow(path, static_cast<int>(length), originalPath))
        return false;
    m_original.Reset(original);
    m_done.Reset(done);
    m_mapping.Reset(mapping);
    m_view = std::move(view);
    m_shared = shared;
    m_originalPath = originalPath;
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
    std::wstring path;
    if (!m_original || !ToWide(m_originalPath, path) ||
        WaitForSingleObject(m_original.Get(), kOriginalEndMs) != WAIT_OBJECT_0)
        return false;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    const DWORD start = GetTickCount();
    for (;;) {
        if (DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) return true;
        if (GetTickCount() - start >= kDeleteTriesMs) break;
        // The process has ended; its file may stay locked for a moment.
        Sleep(50);
    }
    MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return false;
}

void CCopyHandshake::ScheduleSelfRemoval() {
    if (m_selfDelete) return;
    const std::wstring self = AfxGetModulePath();
    if (self.empty()) return;
    MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExW(self.substr(0, self.rfind(L'\\')).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}
