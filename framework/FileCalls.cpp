#include "framework/FileCalls.h"

#include "framework/Handles.h"
#include "framework/Sha256.h"
#include "framework/WideText.h"

#include <memory>
#include <string>

namespace {

bool WidePath(const CString& path, std::wstring& wide) {
    if (ToWide(path, wide)) return true;
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return false;
}

} // namespace

DWORD GetPathAttributes(const CString& path) {
    std::wstring wide;
    return WidePath(path, wide) ? GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool SetPathAttributes(const CString& path, DWORD attributes) {
    std::wstring wide;
    return WidePath(path, wide) && SetFileAttributesW(wide.c_str(), attributes);
}

bool DeleteFilePath(const CString& path) {
    std::wstring wide;
    return WidePath(path, wide) && DeleteFileW(wide.c_str());
}

bool CopyFilePath(const CString& source, const CString& destination, bool failIfExists) {
    std::wstring wideSource;
    std::wstring wideDestination;
    return WidePath(source, wideSource) && WidePath(destination, wideDestination) &&
           CopyFileW(wideSource.c_str(), wideDestination.c_str(), failIfExists ? TRUE : FALSE);
}

DWORD CopyCheckedFilePath(const CString& source, const CString& destination, bool failIfExists,
                          ULONGLONG expectedSize, const std::array<BYTE, 32>& expectedSha256,
                          const WIN32_FIND_DATAW* listed) {
    std::wstring wideSource, wideDestination;
    if (!WidePath(source, wideSource) || !WidePath(destination, wideDestination))
        return GetLastError();
    CFileHandle in(CreateFileW(wideSource.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) return GetLastError();
    // The size is the one read (the loop below counts it).
    FILE_BASIC_INFO info{};
    if (listed) {
        info.FileAttributes = listed->dwFileAttributes;
        info.LastWriteTime.LowPart = listed->ftLastWriteTime.dwLowDateTime;
        info.LastWriteTime.HighPart = static_cast<LONG>(listed->ftLastWriteTime.dwHighDateTime);
    } else if (!GetFileInformationByHandleEx(in.Get(), FileBasicInfo, &info, sizeof info)) {
        return GetLastError();
    }
    FILETIME lastWrite{.dwLowDateTime = info.LastWriteTime.LowPart,
                       .dwHighDateTime = static_cast<DWORD>(info.LastWriteTime.HighPart)};
    // What CopyFile gives a copy: the source's attributes (the ones a new
    // file can take) and its last-write time.
    const DWORD attributes =
        info.FileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    CFileHandle out;
    auto fail = [&](DWORD error) {
        // The copy made so far goes: cut short, or not the listed file.
        if (out) {
            out.Reset();
            DeleteFileW(wideDestination.c_str());
        }
        return error;
    };
    auto write = [&](const BYTE* bytes, DWORD size) {
        if (!out) {
            out.Reset(CreateFileW(wideDestination.c_str(), GENERIC_WRITE, 0, nullptr,
                                  failIfExists ? CREATE_NEW : CREATE_ALWAYS,
                                  attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!out) return false;
        }
        DWORD written = 0;
        if (size == 0) return true;
        if (!WriteFile(out.Get(), bytes, size, &written, nullptr)) return false;
        if (written == size) return true;
        SetLastError(ERROR_HANDLE_DISK_FULL);
        return false;
    };
    // One chunk read ahead: a file that fits in one is hashed whole before
    // anything is written.
    // (Sized for the file: the tree's files are small, and many.)
    const DWORD chunk = static_cast<DWORD>(
        expectedSize < 256 * 1024 ? (expectedSize ? expectedSize : 1) : 256 * 1024);
    std::unique_ptr<BYTE[]> held(new BYTE[chunk]), next(new BYTE[chunk]);
    DWORD heldSize = 0;
    ULONGLONG total = 0;
    CSha256 sha;
    bool first = true;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(in.Get(), next.get(), chunk, &read, nullptr)) return fail(GetLastError());
        total += read;
        if (total > expectedSize) return fail(kErrorDataChecksum);
        if (read == 0) break;
        sha.Add(next.get(), read);
        if (!first && !write(held.get(), heldSize)) return fail(GetLastError());
        held.swap(next);
        heldSize = read;
        first = false;
    }
    if (total != expectedSize || sha.Finish() != expectedSha256) return fail(kErrorDataChecksum);
    if (!write(held.get(), heldSize) || !SetFileTime(out.Get(), nullptr, nullptr, &lastWrite))
        return fail(GetLastError());
    return ERROR_SUCCESS;
}

bool CreateFolderPath(const CString& path, SECURITY_ATTRIBUTES* security) {
    std::wstring wide;
    return WidePath(path, wide) && CreateDirectoryW(wide.c_str(), security);
}
