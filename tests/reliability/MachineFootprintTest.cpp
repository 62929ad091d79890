// The real Setup.exe on the prefix's machine: what it leaves on the file
// system and in the registry, difference by difference, and whether DLLs
// planted beside it under system names get loaded; whether the uninstaller's
// copy, which works from a fresh folder under %TEMP%, loads any.
#include "engine/ActiveSetup.h"
#include "engine/InstallRecord.h"
#include "tests/e2e/InstallScenario.h"
#include "tests/e2e/UninstallScenario.h"
#include "tests/e2e/MachineSnapshot.h"

#include "framework/FileFind.h"
#include "framework/Handles.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

// DLLs Windows loads on a program's behalf, by import or on demand.
const char* const kPlantedNames[] = {
    "version.dll",  "uxtheme.dll", "dwmapi.dll",     "cryptbase.dll", "oleacc.dll",
    "propsys.dll",  "profapi.dll", "userenv.dll",    "msimg32.dll",   "windowscodecs.dll",
    "riched20.dll", "sspicli.dll", "ntmarta.dll",    "comctl32.dll",  "shfolder.dll",
    "wtsapi32.dll", "msacm32.dll", "textshaping.dll"};

CString ProgramFolder() {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    CString path(module);
    return path.Left(path.ReverseFind('\\') + 1);
}

// Every entry under folder by its path relative to it: size and whether
// hidden (folders: "<dir>"); times left out, they differ run by run.
void TreeState(const CString& folder, const CString& relative,
               std::map<std::string, std::string>& state) {
    CFileFind finder;
    for (bool more = finder.FindFile(folder + relative + "*.*"); more;
         more = finder.FindNextFile()) {
        if (finder.IsDots()) continue;
        const CString path = relative + finder.GetFileName();
        if (finder.IsDirectory()) {
            state[path.str()] = "<dir>";
            TreeState(folder, path + "\\", state);
        } else {
            const DWORD attributes = GetFileAttributesA(folder + path);
            state[path.str()] = ReadFileBytes(folder + path).substr(0, 64) +
                                ((attributes & FILE_ATTRIBUTE_HIDDEN) ? " hidden" : "");
        }
    }
}

// Wine prefers its built-in DLLs, so on its own it never takes a planted one
// and a planted-DLL case could not fail. For the programs started while this
// lives, it is told to take a DLL found first in the search order over its
// built-in copy, as Windows does. comctl32 stays built-in: every program
// imports it, and a plant without its exports would stop them starting at all
// (a static import is not the search restriction's to prevent).
class NativeDllsFirst {
public:
    NativeDllsFirst() {
        char old[4096] = {};
        m_had = GetEnvironmentVariableA("WINEDLLOVERRIDES", old, sizeof(old)) > 0;
        m_old = old;
        CString names;
        for (const char* name : kPlantedNames) {
            CString bare(name);
            bare = bare.Left(bare.GetLength() - 4);
            if (bare == "comctl32") continue;
            names += (names.IsEmpty() ? "" : ",") + bare;
        }
        SetEnvironmentVariableA("WINEDLLOVERRIDES", names + "=n,b");
    }
    ~NativeDllsFirst() {
        SetEnvironmentVariableA("WINEDLLOVERRIDES", m_had ? m_old.GetString() : nullptr);
    }
    NativeDllsFirst(const NativeDllsFirst&) = delete;
    NativeDllsFirst& operator=(const NativeDllsFirst&) = delete;

private:
    bool m_had = false;
    CString m_old;
};

// The premise of the planted-DLL cases: a program that asks for the planted
// names by bare name without restricting its search gets the plants from its
// own folder. Returns how many it got (run in folder, then cleared away).
size_t PlantsTakenByAnUnrestrictedProgram(const CString& folder) {
    CreateDirectoryA(folder, nullptr);
    if (!CopyFileA(ProgramFolder() + "dll_probe.exe", folder + "dll_probe.exe", FALSE)) return 0;
    CString line = "\"" + folder + "dll_probe.exe\"";
    for (const char* name : kPlantedNames) {
        CopyFileA(ProgramFolder() + "planted_dll.dll", folder + name, FALSE);
        line += CString(" ") + name;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::string command = line.str();
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       folder, &startup, &info)) {
        CHandle process(info.hProcess);
        CHandle thread(info.hThread);
        if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0)
            TerminateProcess(process.Get(), 3);
    }
    size_t taken = 0;
    for (const char* name : kPlantedNames)
        if (FileExists(folder + name + ".loaded")) ++taken;
    RemoveTree(folder);
    return taken;
}

// Files and folders under folder, at any depth.
size_t CountEntries(const CString& folder) {
    size_t count = 0;
    CFileFind finder;
    for (bool more = finder.FindFile(folder + "*.*"); more; more = finder.FindNextFile()) {
        if (finder.IsDots()) continue;
        ++count;
        if (finder.IsDirectory()) count += CountEntries(folder + finder.GetFileName() + "\\");
    }
    return count;
}

// Waits, on the file system's change notifications under watched, until
// arrived() holds; false when it does not within timeoutMs. Wine may miss a
// notification in a sub-folder created after the watch began, so each wait
// is also cut short now and then to look again.
bool WaitForArrival(const CString& watched, const std::function<bool()>& arrived,
                    DWORD timeoutMs = 60000) {
    struct ChangeWatch {
        HANDLE handle;
        ~ChangeWatch() {
            if (handle != INVALID_HANDLE_VALUE) FindCloseChangeNotification(handle);
        }
    } watch{FindFirstChangeNotificationA(
        watched, TRUE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME)};
    if (watch.handle == INVALID_HANDLE_VALUE) return false;
    const DWORD start = GetTickCount();
    while (!arrived()) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        if (WaitForSingleObject(watch.handle, std::min<DWORD>(timeoutMs - elapsed, 250)) ==
            WAIT_OBJECT_0)
            FindNextChangeNotification(watch.handle);
    }
    return true;
}

// The keys an installation writes, values and all.
RegistrySnapshot InstallationKeys() {
    RegistrySnapshot snapshot;
    const std::pair<HKEY, const char*> keys[] = {
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Morvane"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk"},
        {HKEY_CURRENT_USER, "Software\\Autodesk"}};
    for (const auto& [root, key] : keys) {
        CRegKey opened;
        if (RegOpenKeyExA(root, key, 0, KEY_READ, opened.Out()) == ERROR_SUCCESS)
            SnapshotKey(opened.Get(), key, snapshot);
    }
    return snapshot;
}

struct Snapshot {
    FileSnapshot files;
    RegistrySnapshot registry;
    void Take() {
        files.clear();
        registry.clear();
        SnapshotFiles("C:\\", files);
        SnapshotProductRegistry(registry);
    }
};

using MachineFootprint = InstallScenario;
using UninstallerFootprint = UninstallScenario;

// Plants removed again whatever the test's outcome: %TEMP% is the prefix's own.
class Plants {
public:
    ~Plants() {
        for (const CString& path : m_paths) {
            DeleteFileA(path);
            DeleteFileA(path + ".loaded");
        }
    }
    bool Plant(const CString& folder, const char* name) {
        m_paths.push_back(folder + name);
        return CopyFileA(ProgramFolder() + "planted_dll.dll", m_paths.back(), FALSE) != FALSE;
    }
    const std::vector<CString>& Paths() const { return m_paths; }

private:
    std::vector<CString> m_paths;
};

} // namespace

TEST_F(MachineFootprint, PlantedSystemDllsAreNeverLoadedAndOnlyDocumentedPlacesChange) {
    // The distribution, with a plant under every name.
    const CString distribution = m_temp / "dist\\";
    CString full = Distribution("full");
    full = full.Left(full.ReverseFind('\\') + 1);
    ASSERT_TRUE(CopyTree(full, distribution));
    const CString plant = ProgramFolder() + "planted_dll.dll";
    for (const char* name : kPlantedNames)
        ASSERT_TRUE(CopyFileA(plant, distribution + name, FALSE)) << name;
    // The premise: without the installer's restriction the plants are taken.
    NativeDllsFirst asWindowsDoes;
    const size_t taken = PlantsTakenByAnUnrestrictedProgram(m_temp / "probe\\");
    printf("an unrestricted program takes %zu of %zu planted names from its folder\n", taken,
           std::size(kPlantedNames));
    ASSERT_GT(taken, 0u) << "no plant is ever taken here: the case could not fail";

    Snapshot before;
    before.Take();
    m_driver.Launch(distribution + "Setup.exe");
    WalkFromWelcome();
    Finish();
    Snapshot after;
    after.Take();

    for (const char* name : kPlantedNames)
        EXPECT_FALSE(FileExists(distribution + name + ".loaded")) << name << " was loaded";

    // Where an installation may write: the destination, the shell folders,
    // the product's keys, the uninstall entry, the hosts' profiles and
    // demand-load entries, the control's own registration and the empty
    // keys discovery reads create.
    // An administrator's run also keeps its installation record under
    // Common Files (made, or replaced when an earlier test left one).
    // So does every user's set-up, registered with the program it runs.
    const std::string machineRecord = MachineRecordPath().str();
    std::vector<std::string> allowed = {
        "+ " + machineRecord.substr(0, machineRecord.rfind("\\Kelvra V9\\")),
        "* " + machineRecord,
        "* " + (UserProgramFolder() + kUserSetupProgram).str(),
        "+ HKLM\\SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Kelvra V9",
        // Folders are recorded without their trailing backslash.
        "+ " + m_destination.Left(m_destination.GetLength() - 1).str(),
        "+ " + m_desktop.str(),
        "+ " + m_programs.str(),
        "+ HKLM\\SOFTWARE\\Morvane",
        "+ HKLM\\SOFTWARE\\Wow6432Node\\Morvane",
        "+ HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9",
        "+ HKLM\\SOFTWARE\\Autodesk\\AutoCAD",
        "+ HKLM\\SOFTWARE\\Wow6432Node\\Autodesk",
        "+ HKCU\\Software\\Autodesk\\AutoCAD",
        "+ HKCU\\Software\\Wow6432Node\\Autodesk",
        // What the sample distribution's control registers about itself.
        "+ HKLM\\SOFTWARE\\Classes\\Kelvra.SampleControl",
        "+ HKLM\\SOFTWARE\\Classes\\CLSID\\{6B2E9C41-4D0A-4F7E-9C35-1A7D5E0B9F21}",
        "+ HKLM\\SOFTWARE\\Classes\\TypeLib\\{6B2E9C42-4D0A-4F7E-9C35-1A7D5E0B9F21}",
        // Wine shows the shared type library key in the 32-bit view too.
        "+ HKLM\\SOFTWARE\\Classes\\Wow6432Node\\TypeLib\\{6B2E9C42-4D0A-4F7E-9C35-1A7D5E0B9F21}",
        "+ HKLM\\SOFTWARE\\Wow6432Node\\Classes\\TypeLib\\{6B2E9C42-4D0A-4F7E-9C35-1A7D5E0B9F21}",
    };
    // The platform's own files while any program runs; the test's own
    // folder, though in the user's profile, is the product's to explain.
    const std::vector<std::string> platform = {"C:\\windows\\", "C:\\users\\"};

    std::vector<std::string> differences = Differences(before.files, after.files);
    const std::vector<std::string> registry = Differences(before.registry, after.registry);
    differences.insert(differences.end(), registry.begin(), registry.end());
    size_t expected = 0;
    size_t platformOwn = 0;
    for (const std::string& difference : differences) {
        bool documented = false;
        for (const std::string& prefix : allowed)
            documented = documented || StartsWithNoCase(difference, prefix);
        if (documented) {
            ++expected;
            continue;
        }
        const std::string path = difference.substr(2);
        bool own = false;
        for (const std::string& prefix : platform)
            own = own ||
                  (StartsWithNoCase(path, prefix) && !StartsWithNoCase(path, m_temp.Path().str()));
        if (own) {
            ++platformOwn;
            printf("platform: %s\n", difference.c_str());
            continue;
        }
        ADD_FAILURE() << "undocumented change: " << difference;
    }
    printf("differences: %zu in documented places, %zu the platform's own\n", expected,
           platformOwn);
    EXPECT_GT(expected, 0u);
}

TEST_F(MachineFootprint, InstallerKilledDuringTheCopyThenRunAgainLeavesWhatOneRunLeaves) {
    // What one uninterrupted run leaves.
    WalkToCopying("large");
    Finish();
    std::map<std::string, std::string> single;
    TreeState(m_destination, "", single);
    const RegistrySnapshot singleKeys = InstallationKeys();
    const std::string singleLog = Bytes(Dest("Uninstall.log"));
    ASSERT_FALSE(singleLog.empty());

    // Killed at points along the run, each reached as the files arrive, then
    // started again to the end.
    struct KillPoint {
        const char* what;
        std::function<bool()> reached;
    };
    const KillPoint points[] = {
        {"on the copying page", [] { return true; }},
        {"a quarter of the entries copied",
         [&] { return CountEntries(m_destination) >= single.size() / 4; }},
        {"three quarters copied",
         [&] { return CountEntries(m_destination) >= single.size() * 3 / 4; }},
        {"the uninstall log written", [&] { return FileExists(Dest("Uninstall.log")); }},
    };
    for (const KillPoint& point : points) {
        SCOPED_TRACE(point.what);
        CInstallMachine::Reset(m_destination);

        WalkToCopying("large");
        m_driver.WaitForPage(WizardPage::Copying);
        ASSERT_TRUE(WaitForArrival(m_temp.Path(), point.reached)) << "never reached";
        m_driver.Terminate();
        std::map<std::string, std::string> left;
        TreeState(m_destination, "", left);
        printf("killed %s: %zu of %zu entries copied, uninstall log %s\n", point.what, left.size(),
               single.size(), FileExists(Dest("Uninstall.log")) ? "written" : "absent");

        m_driver.Launch(Distribution("large"));
        // A kill after the product keys were written leaves an installation
        // the next start asks about.
        HWND first = m_driver.WaitFor("the welcome page or the reinstall question", [&] {
            HWND box = m_driver.FindMessageBox(kReinstallQuestion);
            return box ? box : m_driver.FindPage(WizardPage::Welcome);
        });
        if (first == m_driver.FindMessageBox(kReinstallQuestion)) m_driver.Answer(first, IDYES);
        WalkFromWelcome();
        Finish();

        std::map<std::string, std::string> rerun;
        TreeState(m_destination, "", rerun);
        EXPECT_EQ(single, rerun);
        EXPECT_EQ(singleKeys, InstallationKeys());
        // The log is the second run's alone: nothing doubled or left over.
        EXPECT_EQ(singleLog, Bytes(Dest("Uninstall.log")));
    }
}

TEST_F(UninstallerFootprint, DllsPlantedInTempOrBesideTheUninstallerAreNeverLoaded) {
    m_destination = m_temp / "目标 Kelvra\\";
    InstallAll();
    // %TEMP% is the parent of the copy's fresh folder; the destination holds
    // the original.
    char temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    NativeDllsFirst asWindowsDoes;
    ASSERT_GT(PlantsTakenByAnUnrestrictedProgram(m_temp / "probe\\"), 0u)
        << "no plant is ever taken here: the case could not fail";
    Plants plants;
    for (const char* name : kPlantedNames) {
        ASSERT_TRUE(plants.Plant(temp, name)) << name;
        ASSERT_TRUE(plants.Plant(m_destination, name)) << name;
    }

    CString text;
    EXPECT_EQ(Uninstall(false, &text), 0u) << text;
    EXPECT_FALSE(FileExists(Dest("Uninstall-64.exe")));
    for (const CString& path : plants.Paths())
        EXPECT_FALSE(FileExists(path + ".loaded")) << path.GetString() << " was loaded";
}
