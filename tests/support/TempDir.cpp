#include "tests/support/TempDir.h"

#include "framework/FileFind.h"
#include "framework/WideText.h"

#include <windows.h>
#include <sddl.h>

#include <atomic>

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    // Through the wide functions, with code page 936 text on this side, so
    // the helpers work the same under any system code page.
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    for (;;) {
        m_path.Format("%skelvra-test-%lu-%d\\", Narrow(base).GetString(), GetCurrentProcessId(),
                      counter++);
        if (CreateDirectoryW(Wide(m_path).c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
}

TempDir::~TempDir() { RemoveTree(m_path); }

bool WriteFileBytes(const char* path, const std::string& bytes) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const char* path) {
    std::string bytes;
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(h);
    return bytes;
}

bool FileExists(const char* path) {
    DWORD a = GetFileAttributesW(Wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const char* path) {
    DWORD a = GetFileAttributesW(Wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyTree(const CString& from, const CString& to) {
    CreateDirectoryW(Wide(to).c_str(), nullptr);
    CFileFind finder;
    for (bool more = finder.FindFile(from + "*.*"); more; more = finder.FindNextFile()) {
        if (finder.IsDots()) continue;
        const CString name = finder.GetFileName();
        if (finder.IsDirectory()) {
            if (!CopyTree(from + name + "\\", to + name + "\\")) return false;
        } else if (!finder.HasExactName() ||
                   !CopyFileW(Wide(from + name).c_str(), Wide(to + name).c_str(), FALSE)) {
            return false;
        }
    }
    return true;
}

namespace {
void RemoveWideTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring entry = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveWideTree(entry);
            } else {
                SetFileAttributesW(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(entry.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path.c_str());
}
} // namespace

// Wide names throughout: a name code page 936 lacks (a test's "Søren") goes too.
void RemoveTree(const char* path) {
    CString folder(path);
    if (folder.EndsWithBackslash()) folder = folder.Left(folder.GetLength() - 1);
    RemoveWideTree(Wide(folder));
}

bool CreateFolderWithList(const CString& path, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!CreateDirectoryW(Wide(path).c_str(), nullptr) ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION;
    if (owner) what |= OWNER_SECURITY_INFORMATION;
    if (control & SE_DACL_PROTECTED) what |= PROTECTED_DACL_SECURITY_INFORMATION;
    const bool set = SetFileSecurityW(Wide(path).c_str(), what, descriptor) != FALSE;
    LocalFree(descriptor);
    return set;
}

void CreateFolders(const CString& path) {
    // Find steps over double-byte characters: a trail byte 0x5C is no separator.
    for (int at = path.Find("\\", 3); at >= 0; at = path.Find("\\", at + 1)) {
        CreateDirectoryW(Wide(path.Left(at)).c_str(), nullptr);
    }
    CreateDirectoryW(Wide(path).c_str(), nullptr);
}

CString FileLine(const CString& path, int index) {
    const std::string bytes = ReadFileBytes(path);
    size_t start = 0;
    for (int i = 0; i < index && start != std::string::npos; ++i) {
        start = bytes.find('\n', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos || start >= bytes.size()) return CString();
    return CString(bytes.substr(start, bytes.find('\n', start) - start));
}
