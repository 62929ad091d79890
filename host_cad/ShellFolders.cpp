#include "host_cad/ShellFolders.h"

#include "host_cad/Registry.h"

#include "framework/Handles.h"
#include "framework/WideText.h"

#include <windows.h>

const char kProgramGroup[] = "土地整理规划设计软件 Kelvra V9.0";
const char kProductLink[] = "土地整理规划设计.LNK";
const char kWebsiteLink[] = "Morvane网站.LNK";
const char kHelpLink[] = "Kelvra V9.0 在线帮助.LNK";
const char kUninstallerLink[] = "Kelvra V9.0 卸载程序.LNK";

namespace {

// Where the desktop and the Start menu's Programs folder may be recorded,
// tried in this order: the user's own, then the machine's common folders.
struct ShellFolderSource {
    RegistryHive hive;
    const char* key;
    const char* desktopValue;
    const char* programsValue;
};

const ShellFolderSource kShellFolderSources[] = {
    {RegistryHive::User, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
     "Desktop", "Programs"},
    {RegistryHive::User, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Explorer\\Shell Folders",
     "Desktop", "Programs"},
    {RegistryHive::Machine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
     "Common Desktop", "Common Programs"},
    {RegistryHive::Machine,
     "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Explorer\\Shell Folders", "Common Desktop",
     "Common Programs"},
};

void AddFolder(CString folder, CStringArray& folders) {
    folder.Trim();
    if (folder.IsEmpty()) return;
    folders.push_back(folder.AppendBackslashIfMissing());
}

} // namespace

bool FindShellFolders(CString& desktop, CString& programs) {
    for (const ShellFolderSource& source : kShellFolderSources) {
        if (ReadHiveString(source.hive, source.key, source.desktopValue, desktop) &&
            ReadHiveString(source.hive, source.key, source.programsValue, programs))
            return true;
    }
    desktop.Empty();
    programs.Empty();
    return false;
}

void ListShellFolders(CStringArray& desktops, CStringArray& programs, bool userOnly) {
    CString folder;
    for (const ShellFolderSource& source : kShellFolderSources) {
        if (userOnly && source.hive != RegistryHive::User) continue;
        if (ReadHiveString(source.hive, source.key, source.desktopValue, folder))
            AddFolder(folder, desktops);
        if (ReadHiveString(source.hive, source.key, source.programsValue, folder))
            AddFolder(folder, programs);
    }
}

void ListEveryShellFolder(CStringArray& folders) {
    for (const ShellFolderSource& source : kShellFolderSources) {
        CRegKey key;
        const HKEY hive =
            source.hive == RegistryHive::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        if (RegOpenKeyExW(hive, Wide(source.key).c_str(), 0, KEY_QUERY_VALUE, key.Out()) !=
            ERROR_SUCCESS)
            continue;
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            DWORD nameLength = 256;
            DWORD type = 0;
            wchar_t data[MAX_PATH * 2] = {};
            DWORD dataSize = sizeof(data) - sizeof(wchar_t);
            const LONG result = RegEnumValueW(key.Get(), index, name, &nameLength, nullptr, &type,
                                              reinterpret_cast<BYTE*>(data), &dataSize);
            if (result == ERROR_NO_MORE_ITEMS) break;
            // A value too long to be a folder is passed over, and so is one
            // naming a folder code page 936 cannot hold: no path of ours is in it.
            CString folder;
            if (result != ERROR_SUCCESS || type != REG_SZ || !ToNarrow(data, -1, folder)) continue;
            folder.Trim();
            if (folder.EndsWithBackslash()) folder = folder.Left(folder.GetLength() - 1);
            if (!folder.IsEmpty()) folders.push_back(folder);
        }
    }
}
