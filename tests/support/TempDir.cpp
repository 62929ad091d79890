#include "tests/support/TempDir.h"

#include "framework/FileFind.h"

#include <windows.h>

#include <atomic>

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    for (;;) {
        m_path.Format("%skelvra-test-%lu-%d\\", base, GetCurrentProcessId(), counter++);
        if (CreateDirectoryA(m_path, nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
}

TempDir::~TempDir() { RemoveTree(m_path); }

bool WriteFileBytes(const char* path, const std::string& bytes) {
    HANDLE h =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const char* path) {
    std::string bytes;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(h);
    return bytes;
}

bool FileExists(const char* path) {
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const char* path) {
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyTree(const CString& from, const CString& to) {
    CreateDirectoryA(to, nullptr);
    CFileFind finder;
    for (bool more = finder.FindFile(from + "*.*"); more; more = finder.FindNextFile()) {
        if (finder.IsDots()) continue;
        const CString name = finder.GetFileName();
        if (finder.IsDirectory()) {
            if (!CopyTree(from + name + "\\", to + name + "\\")) return false;
        } else if (!CopyFileA(from + name, to + name, FALSE)) {
            return false;
        }
    }
    return true;
}

void RemoveTree(const char* path) {
    CString folder(path);
    folder.AppendBackslashIfMissing();
    CFileFind finder;
    if (finder.FindFile(folder + "*")) {
        do {
            if (finder.IsDots()) continue;
            CString entry = folder + finder.GetFileName();
            if (finder.IsDirectory()) {
                RemoveTree(entry);
            } else {
                SetFileAttributesA(entry, FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(entry);
            }
        } while (finder.FindNextFile());
    }
    finder.Close();
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path);
}

void CreateFolders(const CString& path) {
    // Find steps over double-byte characters: a trail byte 0x5C is no separator.
    for (int at = path.Find("\\", 3); at >= 0; at = path.Find("\\", at + 1)) {
        CreateDirectoryA(path.Left(at), nullptr);
    }
    CreateDirectoryA(path, nullptr);
}
