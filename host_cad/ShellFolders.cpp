#include "host_cad/ShellFolders.h"

#include "host_cad/Registry.h"

const char kProgramGroup[] = "土地整理规划设计软件 Kelvra V9.0";
const char kProductLink[] = "土地整理规划设计.LNK";

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

void ListShellFolders(CStringArray& desktops, CStringArray& programs) {
    CString folder;
    for (const ShellFolderSource& source : kShellFolderSources) {
        if (ReadHiveString(source.hive, source.key, source.desktopValue, folder))
            AddFolder(folder, desktops);
        if (ReadHiveString(source.hive, source.key, source.programsValue, folder))
            AddFolder(folder, programs);
    }
}
