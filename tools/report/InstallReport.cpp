#include "tools/report/InstallReport.h"

#include "framework/FileFind.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "host_cad/Registry.h"
#include "tools/report/ShellLinkInfo.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kGroupName[] = "土地整理规划设计软件 Kelvra V9.0";

CString Attributes(DWORD attributes) {
    CString text;
    if (attributes & FILE_ATTRIBUTE_READONLY) text += "R";
    if (attributes & FILE_ATTRIBUTE_HIDDEN) text += "H";
    if (attributes & FILE_ATTRIBUTE_SYSTEM) text += "S";
    return text.IsEmpty() ? CString("-") : text;
}

struct TreeCount {
    int files = 0;
    int folders = 0;
    std::vector<CString> examples; // the first few files, relative paths
};

// Listings through CFileFind (wide, names in code page 936); a name 936
// cannot hold is shown with "?" and not descended into.
void CountTree(const CString& folder, const CString& relative, TreeCount& count) {
    CString pattern = folder;
    pattern.AppendBackslashIfMissing();
    CFileFind find;
    for (bool more = find.FindFile(pattern + "*"); more; more = find.FindNextFile()) {
        if (find.IsDots()) continue;
        const CString name = find.GetFileName();
        if (find.IsDirectory()) {
            ++count.folders;
            if (find.HasExactName()) CountTree(pattern + name, relative + name + "\\", count);
        } else {
            ++count.files;
            if (count.examples.size() < 3) count.examples.push_back(relative + name);
        }
    }
}

void PrintValue(FILE* out, const CString& name, DWORD type, const BYTE* data, DWORD size) {
    const char* shown = !name.IsEmpty() ? name.GetString() : "(default)";
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        // UTF-16 up to its first NUL, shown in code page 936.
        const wchar_t* wide = reinterpret_cast<const wchar_t*>(data);
        size_t length = 0;
        while (length < size / sizeof(wchar_t) && wide[length]) ++length;
        std::fprintf(out, "      %s = \"%s\"\n", shown,
                     Narrow(wide, static_cast<int>(length)).GetString());
    } else if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD value = 0;
        std::memcpy(&value, data, sizeof(value));
        std::fprintf(out, "      %s = dword:%lu\n", shown, value);
    } else {
        std::fprintf(out, "      %s = (type %lu, %lu bytes)\n", shown, type, size);
    }
}

void ReportLinksIn(FILE* out, const CString& folder, const char* pattern) {
    CString base = folder;
    base.AppendBackslashIfMissing();
    CFileFind find;
    bool more = find.FindFile(base + pattern);
    if (!more) {
        std::fprintf(out, "  (no shortcut in %s)\n", base.GetString());
        return;
    }
    for (; more; more = find.FindNextFile()) {
        if (find.IsDirectory()) continue;
        const CString path = base + find.GetFileName();
        ShellLinkInfo info;
        if (!ReadShellLink(path, info)) {
            std::fprintf(out, "  %s: not a readable shortcut\n", path.GetString());
            continue;
        }
        std::fprintf(out, "  %s\n      target    %s\n", path.GetString(), info.target.GetString());
        if (!info.arguments.IsEmpty())
            std::fprintf(out, "      arguments %s\n", info.arguments.GetString());
        std::fprintf(out, "      start in  %s\n", info.workingFolder.GetString());
        if (!info.iconFile.IsEmpty())
            std::fprintf(out, "      icon      %s,%d\n", info.iconFile.GetString(), info.iconIndex);
    }
}

bool ReadShellFolder(const char* name, CString& folder) {
    CRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER,
                      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_READ, key.Out()) != ERROR_SUCCESS)
        return false;
    return ReadRegistryText(key.Get(), name, folder);
}

} // namespace

void ReportTree(FILE* out, const CString& folder) {
    CString base = folder;
    base.AppendBackslashIfMissing();
    std::fprintf(out, "Destination folder %s\n", base.GetString());
    CFileFind find;
    bool more = find.FindFile(base + "*");
    if (!more) {
        std::fprintf(out, "  (missing)\n\n");
        return;
    }
    int total = 0;
    for (; more; more = find.FindNextFile()) {
        if (find.IsDots()) continue;
        const std::string name = find.GetFileName().str();
        const WIN32_FIND_DATAW& data = find.Data();
        if (find.IsDirectory()) {
            TreeCount count;
            if (find.HasExactName()) CountTree(base + name.c_str(), "", count);
            total += count.files;
            CString examples;
            for (const auto& example : count.examples)
                examples += (examples.IsEmpty() ? "" : ", ") + example;
            std::fprintf(out, "  %-18s %4d files in %2d subfolders  %s%s\n", (name + "\\").c_str(),
                         count.files, count.folders, examples.GetString(),
                         count.files > 3 ? ", ..." : "");
        } else {
            ++total;
            std::fprintf(out, "  %-18s %8lu bytes  attributes %s\n", name.c_str(),
                         data.nFileSizeLow, Attributes(data.dwFileAttributes).GetString());
        }
    }
    std::fprintf(out, "  %d files in all (attributes: R read-only, H hidden, S system)\n\n", total);
}

void ReportRegistryTree(FILE* out, HKEY root, const char* rootName, const CString& key) {
    CRegKey handle;
    std::wstring wideKey;
    if (!ToWide(key, wideKey) ||
        RegOpenKeyExW(root, wideKey.c_str(), 0, KEY_READ, handle.Out()) != ERROR_SUCCESS)
        return;
    DWORD valueCount = 0;
    RegQueryInfoKeyW(handle.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &valueCount, nullptr, nullptr, nullptr, nullptr);
    if (valueCount > 0) {
        std::fprintf(out, "  %s\\%s\n", rootName, key.GetString());
        for (DWORD i = 0;; ++i) {
            wchar_t name[512] = {};
            DWORD nameSize = 512;
            std::vector<BYTE> data(16384);
            DWORD dataSize = static_cast<DWORD>(data.size());
            DWORD type = 0;
            if (RegEnumValueW(handle.Get(), i, name, &nameSize, nullptr, &type, data.data(),
                              &dataSize) != ERROR_SUCCESS)
                break;
            PrintValue(out, Narrow(name), type, data.data(), dataSize);
        }
    }
    for (DWORD i = 0;; ++i) {
        wchar_t sub[512] = {};
        DWORD subSize = 512;
        if (RegEnumKeyExW(handle.Get(), i, sub, &subSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        // A subkey 936 cannot name is shown, not opened under a wrong name.
        CString narrowSub;
        if (ToNarrow(sub, static_cast<int>(subSize), narrowSub))
            ReportRegistryTree(out, root, rootName, key + "\\" + narrowSub);
        else
            std::fprintf(out, "  %s\\%s\\%s (not code page 936 text)\n", rootName, key.GetString(),
                         Narrow(sub).GetString());
    }
}

void ReportShortcuts(FILE* out, const CString& destination) {
    std::fprintf(out, "Shortcuts\n");
    CString desktop;
    CString programs;
    if (ReadShellFolder("Desktop", desktop)) ReportLinksIn(out, desktop, "土地整理规划设计*.lnk");
    if (ReadShellFolder("Programs", programs)) {
        programs.AppendBackslashIfMissing();
        ReportLinksIn(out, programs + kGroupName, "*.lnk");
    }
    ReportLinksIn(out, destination, "*.lnk");
    std::fprintf(out, "\n");
}

void ReportUninstallLog(FILE* out, const CString& destination) {
    CString path = destination;
    path.AppendBackslashIfMissing();
    path += "Uninstall.log";
    std::wstring widePath;
    const DWORD attributes =
        ToWide(path, widePath) ? GetFileAttributesW(widePath.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(out, "Uninstall log: %s is missing\n\n", path.GetString());
        return;
    }
    CFileHandle file(CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    if (file) {
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
            bytes.append(buffer, read);
    }
    std::fprintf(out, "Uninstall log %s (attributes %s, %zu bytes, CR LF lines)\n",
                 path.GetString(), Attributes(attributes).GetString(), bytes.size());
    // The content folders' "Made Dir:" lines are many: show the first few.
    const std::string madeDir = "Made Dir: ";
    int madeDirShown = 0;
    int madeDirSkipped = 0;
    int lines = 0;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        ++lines;
        const bool isMadeDir = line.compare(0, madeDir.size(), madeDir) == 0;
        if (isMadeDir && madeDirShown >= 4) {
            ++madeDirSkipped;
            continue;
        }
        if (madeDirSkipped > 0) {
            std::fprintf(out, "  ... %d more \"Made Dir:\" lines\n", madeDirSkipped);
            madeDirSkipped = 0;
            madeDirShown = 0;
        }
        if (isMadeDir)
            ++madeDirShown;
        else
            madeDirShown = 0;
        std::fprintf(out, "  %s\n", line.c_str());
    }
    std::fprintf(out, "  (%d lines)\n\n", lines);
}

void ReportInstallation(FILE* out, const CString& destination) {
    ReportTree(out, destination);
    std::fprintf(out, "Registry values written\n");
    ReportRegistryTree(out, HKEY_LOCAL_MACHINE, "HKLM", "SOFTWARE\\Morvane");
    ReportRegistryTree(out, HKEY_LOCAL_MACHINE, "HKLM", "SOFTWARE\\Wow6432Node\\Morvane");
    ReportRegistryTree(out, HKEY_LOCAL_MACHINE, "HKLM",
                       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9");
    ReportRegistryTree(out, HKEY_LOCAL_MACHINE, "HKLM", "SOFTWARE\\Classes\\Kelvra.SampleControl");
    std::fprintf(out, "\nAutoCAD (simulated) after the installation\n");
    ReportRegistryTree(out, HKEY_LOCAL_MACHINE, "HKLM", "SOFTWARE\\Autodesk\\AutoCAD");
    ReportRegistryTree(out, HKEY_CURRENT_USER, "HKCU", "Software\\Autodesk\\AutoCAD");
    std::fprintf(out, "\n");
    ReportShortcuts(out, destination);
    ReportUninstallLog(out, destination);
}
