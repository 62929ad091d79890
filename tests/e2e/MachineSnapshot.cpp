#include "tests/e2e/MachineSnapshot.h"

#include "framework/FileFind.h"
#include "framework/Handles.h"
#include "framework/WideText.h"

// Wide listings and registry reads, paths kept in code page 936: the same
// record under any system code page. A name 936 cannot hold is recorded in
// its shown form (with "?") and not descended into.
void SnapshotFiles(const CString& folder, FileSnapshot& snapshot) {
    CFileFind find;
    for (bool more = find.FindFile(folder + "*"); more; more = find.FindNextFile()) {
        if (find.IsDots()) continue;
        const WIN32_FIND_DATAW& data = find.Data();
        const CString path = folder + find.GetFileName();
        if (find.IsDirectory()) {
            snapshot[path.str()] = "<dir>";
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && find.HasExactName())
                SnapshotFiles(path + "\\", snapshot);
        } else {
            snapshot[path.str()] =
                std::to_string((ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow) + "@" +
                std::to_string((ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) |
                               data.ftLastWriteTime.dwLowDateTime);
        }
    }
}

namespace {

// One value buffer for the whole walk: the largest value a key may hold.
void SnapshotKeyInto(HKEY key, const std::string& path, RegistrySnapshot& snapshot,
                     std::vector<BYTE>& data) {
    snapshot[path] = "<key>";
    wchar_t name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 16384;
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
            break;
        snapshot[path + "\\:" + Narrow(name, static_cast<int>(nameLength)).str()] =
            std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data.data()), size);
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 16384;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name, nameLength);
    }
    for (const std::wstring& subkey : subkeys) {
        CRegKey opened;
        if (RegOpenKeyExW(key, subkey.c_str(), 0, KEY_READ, opened.Out()) == ERROR_SUCCESS)
            SnapshotKeyInto(opened.Get(), path + "\\" + Narrow(subkey).str(), snapshot, data);
    }
}

} // namespace

void SnapshotKey(HKEY key, const std::string& path, RegistrySnapshot& snapshot) {
    std::vector<BYTE> data(1 << 20);
    SnapshotKeyInto(key, path, snapshot, data);
}

void SnapshotProductRegistry(RegistrySnapshot& snapshot) {
    struct Tree {
        HKEY root;
        const char* rootName;
        const char* key;
    };
    static const Tree kTrees[] = {
        {.root = HKEY_LOCAL_MACHINE, .rootName = "HKLM", .key = "SOFTWARE\\Morvane"},
        {.root = HKEY_LOCAL_MACHINE, .rootName = "HKLM", .key = "SOFTWARE\\Wow6432Node\\Morvane"},
        {.root = HKEY_LOCAL_MACHINE,
         .rootName = "HKLM",
         .key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
        {.root = HKEY_LOCAL_MACHINE,
         .rootName = "HKLM",
         .key = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
        {.root = HKEY_LOCAL_MACHINE, .rootName = "HKLM", .key = "SOFTWARE\\Autodesk"},
        {.root = HKEY_LOCAL_MACHINE, .rootName = "HKLM", .key = "SOFTWARE\\Wow6432Node\\Autodesk"},
        // Both spellings of the 32-bit classes: Wine shows each.
        {.root = HKEY_LOCAL_MACHINE, .rootName = "HKLM", .key = "SOFTWARE\\Classes"},
        {.root = HKEY_LOCAL_MACHINE, .rootName = "HKLM", .key = "SOFTWARE\\Wow6432Node\\Classes"},
        {.root = HKEY_LOCAL_MACHINE,
         .rootName = "HKLM",
         .key = "SOFTWARE\\Microsoft\\Active Setup"},
        {.root = HKEY_LOCAL_MACHINE,
         .rootName = "HKLM",
         .key = "SOFTWARE\\Wow6432Node\\Microsoft\\Active Setup"},
        {.root = HKEY_LOCAL_MACHINE,
         .rootName = "HKLM",
         .key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"},
        {.root = HKEY_LOCAL_MACHINE,
         .rootName = "HKLM",
         .key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"},
        {.root = HKEY_CURRENT_USER, .rootName = "HKCU", .key = "Software\\Morvane"},
        {.root = HKEY_CURRENT_USER, .rootName = "HKCU", .key = "Software\\Autodesk"},
        {.root = HKEY_CURRENT_USER, .rootName = "HKCU", .key = "Software\\Wow6432Node\\Autodesk"},
        {.root = HKEY_CURRENT_USER, .rootName = "HKCU", .key = "Software\\Classes"},
        {.root = HKEY_CURRENT_USER, .rootName = "HKCU", .key = "Software\\Microsoft\\Active Setup"},
    };
    std::vector<BYTE> data(1 << 20);
    for (const Tree& tree : kTrees) {
        CRegKey opened;
        if (RegOpenKeyExW(tree.root, Wide(tree.key).c_str(), 0, KEY_READ, opened.Out()) ==
            ERROR_SUCCESS)
            SnapshotKeyInto(opened.Get(), std::string(tree.rootName) + "\\" + tree.key, snapshot,
                            data);
    }
}

std::vector<std::string> Differences(const std::map<std::string, std::string>& before,
                                     const std::map<std::string, std::string>& after) {
    std::vector<std::string> differences;
    for (const auto& [path, state] : after) {
        auto found = before.find(path);
        if (found == before.end())
            differences.push_back("+ " + path);
        else if (found->second != state)
            differences.push_back("* " + path);
    }
    for (const auto& [path, state] : before)
        if (!after.count(path)) differences.push_back("- " + path);
    return differences;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           CString(text.substr(0, prefix.size()).c_str()).CompareNoCase(prefix.c_str()) == 0;
}
