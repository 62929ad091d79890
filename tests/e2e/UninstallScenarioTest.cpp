// The uninstaller's round trips: the machine recorded, the product installed
// and uninstalled through the real programs, the machine recorded again and
// compared; and a removal cut short, then run again.
#include "tests/e2e/MachineSnapshot.h"
#include "tests/e2e/UninstallScenario.h"

#include "framework/ExitCode.h"
#include "framework/FileFind.h"
#include "framework/SingleInstance.h"
#include "tests/support/FileAsItIs.h"

#include "framework/PathCompare.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// Keys the installer's (and the uninstaller's) create-on-read lookups leave
// behind, empty: discovery's "CurVer" and folder keys of every release in
// both views, the default profiles looked for, the sibling products'
// keys and the product keys' parents. No value may be left anywhere.
const char* const kCreateOnReadKeys[] = {
    "HKLM\\SOFTWARE\\Autodesk", "HKLM\\SOFTWARE\\Wow6432Node\\Autodesk",
    "HKCU\\Software\\Autodesk", "HKCU\\Software\\Wow6432Node\\Autodesk",
    "HKLM\\SOFTWARE\\Morvane",  "HKLM\\SOFTWARE\\Wow6432Node\\Morvane",
};
struct MachineRecord {
    FileSnapshot files;
    RegistrySnapshot registry;
};

MachineRecord RecordMachine(const CString& folder) {
    MachineRecord record;
    SnapshotFiles(folder, record.files);
    SnapshotProductRegistry(record.registry);
    return record;
}

bool StartsWithAny(const std::string& text, const std::vector<std::string>& prefixes) {
    for (const std::string& prefix : prefixes)
        if (StartsWithNoCase(text, prefix)) return true;
    return false;
}

// The temp folder in code page 936, read through the wide function.
std::string TempFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return Narrow(temp).str();
}

// The uninstaller's folders under %TEMP%, by name.
std::vector<std::string> CopyFolders() {
    const std::string temp = TempFolder();
    std::vector<std::string> folders;
    CFileFind finder;
    for (bool more = finder.FindFile(CString(temp.c_str()) + "KelvraUninstall-*"); more;
         more = finder.FindNextFile())
        folders.push_back(temp + finder.GetFileName().str());
    return folders;
}

// An empty folder as an earlier copy leaves it under Wine: the next run
// must find and sweep it, whatever its random name.
std::string MakeEarlierCopyFolder() {
    const std::string folder = TempFolder() + "KelvraUninstall-0123456789abcdef0123456789abcdef";
    CreateDirectoryW(Wide(folder.c_str()).c_str(), nullptr);
    return folder;
}

// What the copy leaves: no file; under Wine its folder, empty, which the
// next run sweeps away with every other empty one an earlier copy left.
void ExpectNoFileLeftByTheCopy(const std::vector<std::string>& before) {
    for (const std::string& folder : CopyFolders()) {
        FileSnapshot left;
        SnapshotFiles(CString(folder.c_str()) + "\\", left);
        if (std::find(before.begin(), before.end(), folder) != before.end()) {
            EXPECT_FALSE(left.empty()) << "an earlier copy's empty folder stayed: " << folder;
            continue;
        }
        EXPECT_TRUE(left.empty()) << "the copy left " << left.begin()->first;
        printf("the copy's folder %s stayed, empty\n", folder.c_str());
    }
}

struct RoundTrip {
    const char* name;
    // Installed here first, then reinstalled into destination (null: once);
    // one uninstallation takes both folders' product files.
    const char* earlierDestination;
    const char* destination; // below the test's folder
    bool removeData;
    // What stays of the destination ("" is the folder itself).
    std::vector<const char*> left;
};

const RoundTrip kRoundTrips[] = {
    {.name = "KeepsTheData",
     .earlierDestination = nullptr,
     .destination = "目标 Kelvra\\",
     .removeData = false,
     .left = {"", "Database", "Database\\kelvra.mdb"}},
    {.name = "RemovesTheDataAndTheFolders",
     .earlierDestination = nullptr,
     .destination = "软件 目录\\Kelvra 数据 安装\\",
     .removeData = true,
     .left = {}},
    {.name = "AfterAReinstallIntoAnotherFolder",
     .earlierDestination = "旧 目录\\Kelvra\\",
     .destination = "新 目录\\Kelvra\\",
     .removeData = false,
     .left = {"", "Database", "Database\\kelvra.mdb"}},
};

class UninstallRoundTrip : public UninstallScenario,
                           public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(UninstallRoundTrip, LeavesTheMachineAsItWasButForTheKeptData) {
    const RoundTrip& trip = GetParam();
    MakeEarlierCopyFolder();
    const std::vector<std::string> copyFolders = CopyFolders();
    const MachineRecord before = RecordMachine(m_temp.Path());

    if (trip.earlierDestination) {
        // Installed, reinstalled in place, then reinstalled elsewhere.
        m_destination = m_temp / trip.earlierDestination;
        InstallAll();
        for (const char* folder : {trip.earlierDestination, trip.destination}) {
            m_destination = m_temp / folder;
            m_driver.Launch(Distribution("full"));
            m_driver.Answer(m_driver.WaitForMessageBox(kReinstallQuestion), IDYES);
            WalkFromWelcome();
            Finish();
        }
    } else {
        m_destination = m_temp / trip.destination;
        InstallAll();
    }
    ASSERT_TRUE(FileExists(Dest("Uninstall-64.exe")));

    CString text;
    EXPECT_EQ(Uninstall(trip.removeData, &text), static_cast<DWORD>(kExitSuccess)) << text;
    EXPECT_NE(text.Find(kRemovedText), -1) << text;
    EXPECT_EQ(text.Find("kelvra.mdb") >= 0, !trip.removeData) << text;

    const MachineRecord after = RecordMachine(m_temp.Path());
    // What may stay: the kept data with the folders that hold them, in this
    // destination and in the earlier one (the record names both).
    std::vector<std::string> allowed;
    for (const char* folder : {trip.destination, trip.earlierDestination}) {
        if (!folder) continue;
        const CString whole = m_temp / folder;
        const std::string destination = whole.Left(whole.GetLength() - 1).str();
        for (const char* left : trip.left)
            allowed.push_back("+ " + (*left ? destination + "\\" + left : destination));
        for (size_t slash = destination.find('\\', m_temp.Path().GetLength());
             !trip.left.empty() && slash != std::string::npos;
             slash = destination.find('\\', slash + 1))
            allowed.push_back("+ " + destination.substr(0, slash));
    }
    for (const std::string& difference : Differences(before.files, after.files)) {
        const bool kept = std::find(allowed.begin(), allowed.end(), difference) != allowed.end();
        EXPECT_TRUE(kept) << "left on the machine: " << difference;
    }
    if (trip.left.empty()) {
        EXPECT_FALSE(DirectoryExists(m_destination));
    }

    const std::vector<std::string> createOnRead(std::begin(kCreateOnReadKeys),
                                                std::end(kCreateOnReadKeys));
    // And the per-user clean-up for the users who have not logged on since,
    // which stays registered.
    const std::string cleanup =
        "HKLM\\SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Kelvra V9";
    CString stubPath;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, cleanup.substr(5).c_str(), "StubPath", stubPath));
    EXPECT_NE(stubPath.Find(" /REMOVE /D="), -1) << stubPath.GetString();
    for (const std::string& difference : Differences(before.registry, after.registry)) {
        const std::string path = difference.substr(2);
        const bool emptyKey = difference[0] == '+' && path.find("\\:") == std::string::npos;
        if (difference[0] == '+' && StartsWithNoCase(path, cleanup)) continue;
        EXPECT_TRUE(emptyKey && StartsWithAny(path, createOnRead))
            << "registry left changed: " << difference;
    }
    // Named for a reader: the user's own trusted paths, as they were.
    CString trusted;
    EXPECT_TRUE(
        ReadString(HKEY_CURRENT_USER, kR19DefaultProfileVariables, "TRUSTEDPATHS", trusted));
    EXPECT_EQ(trusted, kUserTrustedPaths);

    ExpectNoFileLeftByTheCopy(copyFolders);
}

INSTANTIATE_TEST_SUITE_P(Uninstall, UninstallRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const ::testing::TestParamInfo<RoundTrip>& trip) {
                             return std::string(trip.param.name);
                         });

// What a user has in and puts into the product's folders, relative to the
// destination, with its bytes: folders that were there before the
// installation, then after it a block and a folder in 图库 and a changed
// linetype file in 线型库.
struct UserFile {
    const char* path;
    const char* bytes;
    bool beforeInstalling;
};
const UserFile kUserFiles[] = {
    {.path = "Temp\\keep.txt", .bytes = "我的临时文件", .beforeInstalling = true},
    {.path = "Database\\notes.txt", .bytes = "notes", .beforeInstalling = true},
    {.path = "Support\\mine\\s.txt", .bytes = "support of mine", .beforeInstalling = true},
    {.path = "图库\\我的图块.dwg", .bytes = "a block", .beforeInstalling = false},
    {.path = "图库\\我的分类\\a.dwg", .bytes = "a folder of blocks", .beforeInstalling = false},
    {.path = "线型库\\linetype01.lin", .bytes = "*MY,changed", .beforeInstalling = false},
};

class UserWorkRoundTrip : public UninstallScenario, public ::testing::WithParamInterface<bool> {};

TEST_P(UserWorkRoundTrip, EveryFileOfTheUsersSurvivesAndIsNamed) {
    const bool silent = GetParam();
    m_destination = m_temp / "用户 目录\\";
    for (const UserFile& file : kUserFiles)
        if (file.beforeInstalling) {
            CreateFolders(ParentFolder(Dest(file.path)));
            ASSERT_TRUE(WriteFileBytes(Dest(file.path), file.bytes));
        }
    InstallAll();
    ASSERT_TRUE(FileExists(Dest("图库\\symbol01.dwg")));
    ASSERT_TRUE(FileExists(Dest("线型库\\linetype01.lin")));
    for (const UserFile& file : kUserFiles)
        if (!file.beforeInstalling) {
            CreateFolders(ParentFolder(Dest(file.path)));
            ASSERT_TRUE(WriteFileBytes(Dest(file.path), file.bytes));
        }

    CString told;
    const CString log = m_temp / "卸载 日志.log";
    if (silent) {
        CString command;
        ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", command));
        m_driver.LaunchCommandLine(command + " /S /LOG=\"" + log + "\"", SystemFolder());
        EXPECT_EQ(m_driver.WaitForExit(), static_cast<DWORD>(kExitSuccess));
        m_driver.WaitForDescendants();
        told = Bytes(log).c_str();
    } else {
        EXPECT_EQ(Uninstall(false, &told), static_cast<DWORD>(kExitSuccess)) << told;
    }

    // Left: the user's files with their bytes, the folders holding them, the
    // database; nothing of the product's.
    FileSnapshot left;
    SnapshotFiles(m_destination, left);
    std::set<std::string> expected = {"Database\\kelvra.mdb"};
    for (const UserFile& file : kUserFiles) {
        EXPECT_EQ(Bytes(Dest(file.path)), file.bytes) << file.path;
        expected.insert(file.path);
    }
    for (std::string path : std::set<std::string>(expected))
        for (size_t slash = path.rfind('\\'); slash != std::string::npos;
             slash = path.rfind('\\', slash - 1)) {
            expected.insert(path.substr(0, slash));
            if (slash == 0) break;
        }
    std::set<std::string> found;
    for (const auto& entry : left) found.insert(entry.first.substr(m_destination.GetLength()));
    EXPECT_EQ(found, expected);

    // Named, grouped: the files added or changed, the folders there before.
    for (const char* named : {"我的图块.dwg", "a.dwg", "linetype01.lin", "kelvra.mdb", "添加或修改",
                              "安装前已有的文件夹"})
        EXPECT_NE(told.Find(named), -1) << named << "\n" << told.GetString();
    for (const char* folder : {"Temp", "Database", "Support"})
        EXPECT_NE(told.Find(Dest(folder)), -1) << folder << "\n" << told.GetString();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(FileExists(DesktopLink()));
}

INSTANTIATE_TEST_SUITE_P(Uninstall, UserWorkRoundTrip, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& silent) {
                             return std::string(silent.param ? "Silent" : "WithTheUiDriver");
                         });

// Declined first (nothing changes), then cut short while a file is in use
// (the copy killed at the Retry/Ignore box), then run again to the end.
TEST_F(UninstallScenario, DeclinedThenKilledPartWayThenRunAgainRemovesWhatRemains) {
    m_destination = m_temp / "目标 Kelvra\\";
    InstallAll();
    std::map<std::string, std::string> installed;
    SnapshotFiles(m_destination, installed);

    StartUninstaller();
    HWND question = m_driver.WaitForDialog(IDC_UN_REMOVE_DATA, "the uninstall question");
    m_driver.Click(question, IDCANCEL);
    EXPECT_EQ(m_driver.WaitForExit(), static_cast<DWORD>(kExitUserCancelled));
    m_driver.WaitForDescendants();
    std::map<std::string, std::string> declined;
    SnapshotFiles(m_destination, declined);
    EXPECT_EQ(declined, installed) << "No changed the destination";
    EXPECT_TRUE(Detected());

    {
        // A program holds one of the product's files open.
        CFileHandle held(CreateFileW(Wide(Dest("Kelvra-64.exe")).c_str(), GENERIC_READ,
                                     FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        StartUninstaller();
        AnswerTheQuestion(false);
        HWND inUse = m_driver.WaitForMessageBox("正在被使用");
        EXPECT_NE(CUiDriver::MessageBoxText(inUse).Find("Kelvra-64.exe"), -1);
        EXPECT_TRUE(GetDlgItem(inUse, IDRETRY) && GetDlgItem(inUse, IDIGNORE));
        EXPECT_FALSE(GetDlgItem(inUse, IDCANCEL)) << "no way to stop the removal";
        // The copy dies here: the original ends, telling the failure.
        DWORD copyId = 0;
        GetWindowThreadProcessId(inUse, &copyId);
        CHandle copy(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, copyId));
        ASSERT_TRUE(copy);
        TerminateProcess(copy.Get(), 9);
        EXPECT_EQ(WaitForSingleObject(copy.Get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
        EXPECT_EQ(m_driver.WaitForExit(), static_cast<DWORD>(kExitFailed));
    }
    ASSERT_TRUE(FileExists(Dest("Uninstall.log"))) << "the log goes last";
    ASSERT_TRUE(FileExists(Dest("Uninstall-64.exe")));
    // No longer detected as installed: a deployment cycle installs again.
    EXPECT_FALSE(DetectionLeft());

    CString text;
    EXPECT_EQ(Uninstall(false, &text), static_cast<DWORD>(kExitSuccess)) << text;
    EXPECT_NE(text.Find(kRemovedText), -1) << text;
    std::map<std::string, std::string> left;
    SnapshotFiles(m_destination, left);
    const std::string database = m_destination.str() + "Database";
    EXPECT_EQ(left, (std::map<std::string, std::string>{
                        {database, "<dir>"},
                        {database + "\\kelvra.mdb", installed[database + "\\kelvra.mdb"]}}));
    EXPECT_FALSE(FileExists(DesktopLink()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

} // namespace

namespace {

// Runs without a window, as a deployment system would: the exit codes it
// reads, the log it keeps, nothing removed unless the run may go ahead.
TEST_F(UninstallScenario, SilentRunsTellByExitCodeAndLog) {
    m_destination = m_temp / "目标 Kelvra\\";
    InstallAll();
    CString command;
    ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", command));
    const CString log = m_temp / "卸载 日志.log";
    // A block of the user's in a folder the installation made, and the
    // record beside the log edited to list it as the installation's (anyone
    // who may write the destination could): a run with an administrator's
    // rights (every run under Wine) trusts only the administrators' copy,
    // and keeps the block.
    const CString block = Dest("图库\\我的图块.dwg");
    ASSERT_TRUE(WriteFileBytes(block, "a block of the user's"));
    CInstallRecord edited;
    ASSERT_TRUE(CInstallRecord::Load(Dest("Uninstall.dat"), edited));
    edited.AddFile(AsItIs(block));
    ASSERT_TRUE(edited.Save(Dest("Uninstall.dat")));
    struct Run {
        const char* what;
        CString arguments;
        bool otherProgramRuns;
        int exitCode;
        bool removes;
    };
    const Run runs[] = {
        {.what = "another program of the product runs",
         .arguments = " /S",
         .otherProgramRuns = true,
         .exitCode = kExitAlreadyRunning,
         .removes = false},
        {.what = "an unknown switch",
         .arguments = " /S /X",
         .otherProgramRuns = false,
         .exitCode = kExitInvalidCommandLine,
         .removes = false},
        {.what = "silent with a log",
         .arguments = " /s /LOG=\"" + log + "\"",
         .otherProgramRuns = false,
         .exitCode = kExitSuccess,
         .removes = true},
    };
    const CString system = SystemFolder();
    for (const Run& run : runs) {
        // The lock as a running program of the product holds it.
        std::unique_ptr<CSingleInstance> other;
        if (run.otherProgramRuns) other = std::make_unique<CSingleInstance>(KELVRA_INSTANCE_MUTEX);
        m_driver.LaunchCommandLine(command + run.arguments, system);
        EXPECT_EQ(m_driver.WaitForExit(), static_cast<DWORD>(run.exitCode)) << run.what;
        m_driver.WaitForDescendants();
        EXPECT_EQ(FileExists(Dest("Uninstall.log")), !run.removes) << run.what;
        EXPECT_EQ(FileExists(Dest("Uninstall-64.exe")), !run.removes) << run.what;
    }
    EXPECT_TRUE(FileExists(Dest("Database\\kelvra.mdb"))) << "a silent run keeps the data";
    EXPECT_EQ(Bytes(block), "a block of the user's");
    const std::string written = Bytes(log);
    EXPECT_NE(written.find("结束, 退出代码 0"), std::string::npos) << written;
    EXPECT_NE(written.find("kelvra.mdb"), std::string::npos) << written;
    EXPECT_NE(written.find(block.str()), std::string::npos) << written;
}

// Without a valid record (both copies gone) the logged content folders
// stay with what they hold; asked, with 否 the default, whether they go
// whole: 否 keeps them, 是 takes them (the data kept, as the question said);
// a silent /REMOVEDATA takes them whole, data and all. Each run starts from
// the same installed folder.
TEST_F(UninstallScenario, WithoutARecordTheFoldersGoWholeOnlyWhenAskedFor) {
    m_destination = m_temp / "目标 Kelvra\\";
    InstallAll();
    for (const CString& record : {Dest("Uninstall.dat"), MachineRecordPath()}) {
        SetFileAttributesW(Wide(record).c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(DeleteFileW(Wide(record).c_str())) << record.GetString();
    }
    const CString installed = m_temp / "installed\\";
    ASSERT_TRUE(CopyTree(m_destination, installed));
    struct Run {
        const char* what;
        const char* arguments; // null: interactive, the offer answered with answer
        int answer;
        bool foldersStay;
        bool dataStays;
    };
    const Run runs[] = {
        {.what = "offer declined",
         .arguments = nullptr,
         .answer = IDNO,
         .foldersStay = true,
         .dataStays = true},
        {.what = "offer accepted",
         .arguments = nullptr,
         .answer = IDYES,
         .foldersStay = false,
         .dataStays = true},
        {.what = "silent, the data too",
         .arguments = " /S /REMOVEDATA",
         .answer = 0,
         .foldersStay = false,
         .dataStays = false},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.what);
        RemoveTree(m_destination);
        ASSERT_TRUE(CopyTree(installed, m_destination));
        const CString program = "\"" + Dest("Uninstall-64.exe") + "\"";
        if (run.arguments) {
            m_driver.LaunchCommandLine(program + run.arguments, SystemFolder());
            EXPECT_EQ(m_driver.WaitForExit(), static_cast<DWORD>(kExitSuccess));
            m_driver.WaitForDescendants();
        } else {
            m_driver.LaunchCommandLine(program, SystemFolder());
            AnswerTheQuestion(false);
            HWND offer = m_driver.WaitForMessageBox("是否彻底删除这些文件夹");
            EXPECT_NE(CUiDriver::MessageBoxText(offer).Find(m_destination.GetString()), -1);
            HWND no = GetDlgItem(offer, IDNO);
            EXPECT_TRUE(no && (GetWindowLongW(no, GWL_STYLE) & BS_DEFPUSHBUTTON))
                << "No must be the default";
            m_driver.Answer(offer, run.answer);
            EXPECT_EQ(CloseLastBox(WaitForLastBox()), static_cast<DWORD>(kExitSuccess));
        }
        EXPECT_EQ(run.foldersStay, FileExists(Dest("图库\\symbol01.dwg")));
        EXPECT_EQ(run.foldersStay, FileExists(Dest("线型库\\linetype01.lin")));
        EXPECT_EQ(run.dataStays, FileExists(Dest("Database\\kelvra.mdb")));
        EXPECT_FALSE(FileExists(Dest("Uninstall.log")));
    }
}

// A folder with the uninstaller and neither log nor record: only what is
// registered for that folder would go, and the installation elsewhere keeps
// its registration and files; a program that only claims to be the copy
// removes nothing.
TEST_F(UninstallScenario, NoRecordOrAHandTypedCopySwitchRemovesNothing) {
    m_destination = m_temp / "目标 Kelvra\\";
    InstallAll();
    const CString bare = m_temp / "无记录\\";
    CreateFolders(bare);
    ASSERT_TRUE(CopyFileW(Wide(Dest("Uninstall-64.exe")).c_str(),
                          Wide(bare + "Uninstall-64.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(bare + "user.txt", "mine"));
    struct Run {
        const char* what;
        CString commandLine;
        bool box;
        int exitCode;
    };
    const Run runs[] = {
        {.what = "no record",
         .commandLine = "\"" + bare + "Uninstall-64.exe\"",
         .box = true,
         .exitCode = kExitSuccess},
        {.what = "no record, silent",
         .commandLine = "\"" + bare + "Uninstall-64.exe\" /S",
         .box = false,
         .exitCode = kExitSuccess},
        {.what = "the copy's switch typed by hand",
         .commandLine = "\"" + Dest("Uninstall-64.exe") + "\" /S /_KELVRA_UNINSTALL_COPY=4.8.c.1",
         .box = false,
         .exitCode = kExitInvalidCommandLine},
    };
    const CString system = SystemFolder();
    for (const Run& run : runs) {
        m_driver.LaunchCommandLine(run.commandLine, system);
        if (run.box) {
            m_driver.Answer(m_driver.WaitForMessageBox("不删除任何文件"), IDYES);
            HWND box = m_driver.WaitForMessageBox("另一个文件夹中的安装, 已保留");
            EXPECT_NE(CUiDriver::MessageBoxText(box).Find(kUninstallKey), -1) << run.what;
            m_driver.Answer(box, IDOK);
        }
        EXPECT_EQ(m_driver.WaitForExit(), static_cast<DWORD>(run.exitCode)) << run.what;
        m_driver.WaitForDescendants();
    }
    EXPECT_EQ(Bytes(bare + "user.txt"), "mine");
    EXPECT_TRUE(FileExists(bare + "Uninstall-64.exe"));
    EXPECT_TRUE(FileExists(Dest("Uninstall.log")));
    EXPECT_TRUE(FileExists(Dest("Uninstall-64.exe")));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_TRUE(Detected());
}

// The product's folder emptied of its log and record (a user, a clean-up
// tool): started from Programs and Features, the uninstaller removes what
// the installation registered for that folder and not one file, and ends 0;
// a second run finds nothing left to remove.
TEST_F(UninstallScenario, AnEmptiedFolderLosesItsRegistrationAndKeepsEveryFile) {
    const MachineRecord before = RecordMachine(m_temp.Path());
    m_destination = m_temp / "目标 Kelvra\\";
    InstallAll();
    for (const char* name : {"Uninstall.log", "Uninstall.dat"}) {
        SetFileAttributesW(Wide(Dest(name)).c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(DeleteFileW(Wide(Dest(name)).c_str())) << name;
    }
    const MachineRecord emptied = RecordMachine(m_temp.Path());

    StartUninstaller();
    m_driver.Answer(m_driver.WaitForMessageBox("不删除任何文件"), IDYES);
    CString text;
    EXPECT_EQ(CloseLastBox(m_driver.WaitForMessageBox("文件没有删除"), &text),
              static_cast<DWORD>(kExitSuccess));
    EXPECT_NE(text.Find(kUninstallKey), -1) << text.GetString();
    EXPECT_NE(text.Find(kProductKey), -1) << text.GetString();

    const MachineRecord after = RecordMachine(m_temp.Path());
    EXPECT_EQ(Differences(emptied.files, after.files), std::vector<std::string>())
        << "a file was removed";
    // Gone: the entry, the product keys with the detection value, this user's
    // profiles and trusted path, the demand-load entries. Left: the empty
    // keys lookups leave, the per-user clean-up that replaced the set-up, and
    // the control's classes (only the log named the control).
    const std::string component =
        "HKLM\\SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Kelvra V9";
    const std::vector<std::string> createOnRead(std::begin(kCreateOnReadKeys),
                                                std::end(kCreateOnReadKeys));
    const std::vector<std::string> kept = {component, "HKLM\\SOFTWARE\\Classes",
                                           "HKLM\\SOFTWARE\\Wow6432Node\\Classes"};
    for (const std::string& difference : Differences(before.registry, after.registry)) {
        const std::string path = difference.substr(2);
        const bool emptyKey = difference[0] == '+' && path.find("\\:") == std::string::npos;
        EXPECT_TRUE((emptyKey && StartsWithAny(path, createOnRead)) || StartsWithAny(path, kept))
            << "registry left changed: " << difference;
    }
    CString stubPath;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, component.substr(5).c_str(), "StubPath", stubPath));
    EXPECT_NE(stubPath.Find(" /REMOVE /D=" + m_destination), -1) << stubPath.GetString();
    EXPECT_FALSE(DetectionLeft());

    // Again, silently: nothing registered is left, nothing fails.
    m_driver.LaunchCommandLine("\"" + Dest("Uninstall-64.exe") + "\" /S", SystemFolder());
    EXPECT_EQ(m_driver.WaitForExit(), static_cast<DWORD>(kExitSuccess));
    const MachineRecord again = RecordMachine(m_temp.Path());
    EXPECT_EQ(Differences(after.files, again.files), std::vector<std::string>());
}

} // namespace
