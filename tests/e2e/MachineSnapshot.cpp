#include "tests/e2e/MachineSnapshot.h"

#include "framework/Handles.h"

void SnapshotFiles(const CString& folder, FileSnapshot& snapshot) {
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(folder + "*", &data));
    if (!find) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        const CString path = folder + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            snapshot[path.str()] = "<dir>";
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                SnapshotFiles(path + "\\", snapshot);
        } else {
            snapshot[path.str()] =
                std::to_string((ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow) + "@" +
                std::to_string((ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) |
                               data.ftLastWriteTime.dwLowDateTime);
        }
    } while (FindNextFileA(find.Get(), &data));
}

namespace {

// One value buffer for the whole walk: the largest value a key may hold.
void SnapshotKeyInto(HKEY key, const std::string& path, RegistrySnapshot& snapshot,
                     std::vector<BYTE>& data) {
    snapshot[path] = "<key>";
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof(name);
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
            break;
        snapshot[path + "\\:" + name] =
            std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data.data()), size);
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name);
    }
    for (const std::string& subkey : subkeys) {
        CRegKey opened;
        if (RegOpenKeyExA(key, subkey.c_str(), 0, KEY_READ, opened.Out()) == ERROR_SUCCESS)
            SnapshotKeyInto(opened.Get(), path + "\\" + subkey, snapshot, data);
    }
}

} // namespace

void SnapshotKey(HKEY key, const std::string& path, RegistrySnapshot& snapshot) {
    std::vector<BYTE> data(1 << 20);
    SnapshotKeyInto(key, path, snapshot, data);
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
