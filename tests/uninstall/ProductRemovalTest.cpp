// The removal on real files and a scratch registry: an installed product
// with a tampered log goes, the user's data and everything outside stays,
// and a second run finds nothing left to do; what the installation record
// says is ours goes and nothing else, with the record and without it.
#include "uninstall/ProductRemoval.h"

#include "engine/SetupThread.h"
#include "host_cad/ReleaseSweep.h"
#include "uninstall/MovedLinks.h"
#include "uninstall/RecordedAcadRemoval.h"
#include "framework/HandleRemoval.h"
#include "framework/RestartDeleteRule.h"

#include "framework/FileFind.h"
#include "framework/Handles.h"
#include "framework/PathCompare.h"
#include "host_cad/ShellFolders.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"
#include "tests/support/WinePath.h"
#include "tests/uninstall/RemovalStandIns.h"
#include "tests/uninstall/SecurityStandIns.h"

#include <gtest/gtest.h>

#include <winioctl.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

const char kProductKey[] = "SOFTWARE\\Morvane\\Kelvra\\V9";
const char kTwinKey[] = "SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9";
// Rights given to the folders on a path: SYSTEM and Administrators change
// it, users read it; users may modify it too.
const wchar_t kAdministratorsAlone[] = L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FRFX;;;BU)";
const wchar_t kUsersMayChange[] = L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;BU)";

// An installed product as the installer leaves it, in a destination with
// blanks and double-byte names, beside folders it must not touch.
class InstalledProduct {
public:
    InstalledProduct()
        : destination(temp / "安装 目录 衆"), desktop(temp / "Desktop"),
          programs(temp / "Programs"), group(programs + "\\" + kProgramGroup),
          outside(temp / "Outside") {
        CreateFolders(destination + "\\Support\\2013-15\\64\\arx");
        CreateFolders(destination + "\\Support\\Menu\\乗");
        CreateFolders(destination + "\\Database");
        CreateFolders(destination + "\\Control");
        CreateFolders(group);
        CreateFolders(desktop);
        CreateFolders(outside);
        // Each file is recorded as the copy left it.
        for (const char* file :
             {"\\Kelvra-64.exe", "\\KelvraV9.0.ICO", "\\Uninstall-64.exe", "\\Control\\a.ocx",
              "\\Support\\2013-15\\64\\arx\\LoadKelvra.arx", "\\Support\\Menu\\乗\\x.mnu",
              "\\Database\\Kelvra.mdb", "\\Database\\other.dat"}) {
            WriteFileBytes(destination + file, "sample");
            Record(destination + file);
        }
        SetFileAttributesA(destination + "\\Kelvra-64.exe", FILE_ATTRIBUTE_READONLY);
        SetFileAttributesA(destination + "\\KelvraV9.0.ICO", FILE_ATTRIBUTE_HIDDEN);
        WriteFileBytes(desktop + "\\" + kProductLink, "link");
        for (const char* link : {kProductLink, kWebsiteLink, kHelpLink, kUninstallerLink})
            WriteFileBytes(group + "\\" + link, "link");
        WriteFileBytes(outside + "\\keep.txt", "the user's");

        for (const char* key : {kProductKey, kTwinKey, kUninstallKey})
            SetRegString(registry.Machine(), key, "installPath", destination);
        SetRegString(registry.Machine(), CString(kProductKey) + "\\Added", "x", "y");
        SetRegString(registry.Machine(), "SOFTWARE\\Decoy", "x", "y");

        log = "Made Dir: " + destination + "\\Support\r\n" +                   //
              "Made Dir: " + destination + "\\Support\\2013-15\\64\\arx\r\n" + //
              "Made Dir: " + destination + "\\Support\\Menu\r\n" +             //
              "Made Dir: " + destination + "\\Database\r\n" +                  //
              "Made Dir: " + destination + "\\Control\r\n" +                   //
              "File Copy: " + destination + "\\Kelvra-64.exe\r\n" +            //
              "File Copy: " + destination + "\\KelvraV9.0.ICO\r\n" +           //
              "File Copy: " + destination + "\\Uninstall-64.exe\r\n" +         //
              "Reg Ctrl: " + destination + "\\Control\\a.ocx\r\n" +            //
              "RegDB Key: 2," + kUninstallKey + "\r\n" +                       //
              "RegDB Key: 2," + kProductKey + "\r\n" +                         //
              "RegDB Key: 2," + kTwinKey + "\r\n" +                            //
              "Made Dir: " + group + "\r\n" +                                  //
              "File Copy: " + desktop + "\\" + kProductLink + "\r\n" +         //
              "File Copy: " + group + "\\" + kProductLink + "\r\n" +           //
              "File Copy: " + group + "\\" + kWebsiteLink + "\r\n" +           //
              "File Copy: " + group + "\\" + kHelpLink + "\r\n" +              //
              "File Copy: " + group + "\\" + kUninstallerLink + "\r\n" +       //
              "File Copy: " + group + "\r\n" +                                 //
              // Tampered: outside places, a key that is not the product's.
              "Made Dir: " + outside + "\r\n" +                             //
              "File Copy: " + destination + "\\..\\Outside\\keep.txt\r\n" + //
              "Made Dir: " + destination + "\\Support\\..\\..\r\n" +        //
              "RegDB Key: 2,SOFTWARE\\Decoy\r\n" +                          //
              "RegDB Key: 7,SOFTWARE\\Decoy\r\n" +                          //
              "File Copy: " + destination + "\\Uninstall.log\r\n";
        WriteFileBytes(destination + "\\Uninstall.log", log.str());
        SetFileAttributesA(destination + "\\Uninstall.log", FILE_ATTRIBUTE_HIDDEN);

        // The record: every folder the copy made.
        for (const char* folder : {"\\Support", "\\Support\\2013-15", "\\Support\\2013-15\\64",
                                   "\\Support\\2013-15\\64\\arx", "\\Support\\Menu",
                                   "\\Support\\Menu\\乗", "\\Database", "\\Control"})
            record.createdFolders.push_back(destination + folder);
        WriteFileBytes(RecordFile(), "the record");
    }

    // Adds the file as it is now to the record.
    void Record(const CString& path) { record.files.push_back(AsItIs(path)); }
    CString RecordFile() const { return destination + "\\安装记录.dat"; }

    CRemovalScope Scope() const {
        // The temp folder stands for a protected folder above the destination.
        return CRemovalScope(destination, {desktop}, {programs}, {temp.Path()});
    }

    // With the record unless safeMode; from the log's text: a later run
    // finds the log gone.
    RemovalOutcome Remove(StandInObserver& observer, bool removeData, bool safeMode = false,
                          bool foldersWhole = false) const {
        UninstallRecord lines;
        EXPECT_TRUE(
            ParseUninstallRecord(log.GetString(), static_cast<size_t>(log.GetLength()), lines));
        RemovalOptions options;
        options.removeData = removeData;
        options.skipFile = destination + "\\Uninstall-64.exe";
        options.record = safeMode ? nullptr : &record;
        options.removeFoldersWhole = foldersWhole;
        options.recordFiles = {RecordFile()};
        return RemoveProduct(lines, Scope(), options, observer);
    }

    ScratchRegistry registry;
    TempDir temp;
    CString destination, desktop, programs, group, outside;
    CString log;
    CInstallRecord record;
};

int CountEntries(const CString& folder) {
    int count = 0;
    CFileFind find;
    for (bool more = find.FindFile(folder + "\\*"); more; more = find.FindNextFile())
        if (!find.IsDots()) ++count;
    return count;
}

} // namespace

TEST(ProductRemoval, RemovesTheProductKeepsDataAndWhatLiesOutsideThenFindsNothingLeft) {
    InstalledProduct product;
    StandInObserver observer;
    const RemovalOutcome outcome = product.Remove(observer, false);

    EXPECT_EQ(0, outcome.ExitCode());
    EXPECT_EQ(observer.lastTotal, observer.lastStep);
    EXPECT_TRUE(outcome.failed.empty() && outcome.inUse.empty() && outcome.scheduled.empty());
    ASSERT_EQ(1u, outcome.keptData.size());
    EXPECT_EQ(product.destination + "\\Database\\Kelvra.mdb", outcome.keptData[0]);
    ASSERT_EQ(5u, outcome.refused.size());
    EXPECT_EQ(0, outcome.refused[0].Find("Made Dir: "));
    EXPECT_EQ(0, outcome.refused[4].Find("RegDB Key: 7,"));

    // What is left in the destination: the data file with its folder, and
    // the running uninstaller for its own process to delete.
    EXPECT_EQ(2, CountEntries(product.destination));
    EXPECT_TRUE(FileExists(product.destination + "\\Database\\Kelvra.mdb"));
    EXPECT_FALSE(FileExists(product.destination + "\\Database\\other.dat"));
    EXPECT_TRUE(FileExists(product.destination + "\\Uninstall-64.exe"));
    EXPECT_FALSE(DirectoryExists(product.group));
    EXPECT_EQ(0, CountEntries(product.desktop));
    EXPECT_TRUE(DirectoryExists(product.programs));
    EXPECT_TRUE(FileExists(product.outside + "\\keep.txt"));

    HKEY machine = product.registry.Machine();
    EXPECT_FALSE(RegKeyExists(machine, kProductKey));
    EXPECT_FALSE(RegKeyExists(machine, kTwinKey));
    EXPECT_FALSE(RegKeyExists(machine, kUninstallKey));
    EXPECT_FALSE(RegKeyExists(machine, "SOFTWARE\\Morvane\\Kelvra"));
    EXPECT_TRUE(RegKeyExists(machine, "SOFTWARE\\Wow6432Node"));
    EXPECT_TRUE(RegValueExists(machine, "SOFTWARE\\Decoy", "x"));

    // Again with the same record (a run killed after the log went): nothing
    // to do, nothing failed.
    StandInObserver again;
    const RemovalOutcome second = product.Remove(again, false);
    EXPECT_EQ(0, second.removed);
    EXPECT_EQ(0, second.ExitCode());
    EXPECT_TRUE(second.failed.empty());

    // The data too when the user asks for it; then the destination and its
    // empty parents go, up to the protected folder.
    StandInObserver third;
    const RemovalOutcome withData = product.Remove(third, true);
    EXPECT_EQ(2, withData.removed);
    EXPECT_FALSE(DirectoryExists(product.destination + "\\Database"));
    EXPECT_FALSE(RemoveEmptyDestination(product.Scope()));
    DeleteFileA(product.destination + "\\Uninstall-64.exe");
    EXPECT_TRUE(RemoveEmptyDestination(product.Scope()));
    EXPECT_FALSE(DirectoryExists(product.destination));
    EXPECT_TRUE(DirectoryExists(product.temp.Path()));
}

// Which reparse points are links: name surrogates, and a point whose kind
// the system does not tell; placeholders and the system's own storage are not.
TEST(HandleEntry, OnlyNameSurrogatesAreLinks) {
    const struct {
        DWORD tag;
        bool link;
    } rows[] = {
        {IO_REPARSE_TAG_MOUNT_POINT, true},
        {IO_REPARSE_TAG_SYMLINK, true},
        {0xA000001D /* WSL symbolic link */, true},
        {0, true},
        {0x9000601A /* OneDrive placeholder */, false},
        {0x9000001A /* cloud */, false},
        {0x80000017 /* compressed by the system */, false},
        {0x80000013 /* deduplicated */, false},
        {0x8000001B /* app execution alias */, false},
    };
    for (const auto& row : rows) {
        HandleEntry entry;
        entry.attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        entry.reparseTag = row.tag;
        EXPECT_EQ(entry.IsLink(), row.link) << std::hex << row.tag;
        entry.attributes = FILE_ATTRIBUTE_DIRECTORY;
        EXPECT_FALSE(entry.IsLink());
    }
}

// Placeholders in a folder OneDrive syncs: files and folders the record's
// rules remove like any other. Wine makes no reparse points of its own
// (FSCTL_SET_REPARSE_POINT fails) and shows none but host links, so a
// stand-in answers for the file system: the walk reads the content folder
// and one file in it, which it reaches through that folder, as OneDrive's
// placeholders. The tag's real source (FileAttributeTagInformation on the
// handle) is not shown here.
std::atomic<int> g_placeholdersShown{0};

void OneDrive(HANDLE handle, DWORD& attributes, DWORD& reparseTag) {
    wchar_t name[MAX_PATH * 2] = {};
    const DWORD length = GetFinalPathNameByHandleW(handle, name, MAX_PATH * 2, 0);
    const std::wstring path(name, length < MAX_PATH * 2 ? length : 0);
    for (const wchar_t* placeholder : {L"\\Support", L"\\x.mnu"}) {
        const size_t size = wcslen(placeholder);
        if (path.size() >= size && _wcsicmp(path.c_str() + path.size() - size, placeholder) == 0) {
            attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
            reparseTag = 0x9000601A;
            ++g_placeholdersShown;
        }
    }
}

TEST(ProductRemoval, CloudPlaceholdersGoByTheRecordsRulesLikeAnyFile) {
    InstalledProduct product;
    SetReparseStandInForTests(OneDrive);
    StandInObserver observer;
    const RemovalOutcome outcome = product.Remove(observer, false);
    SetReparseStandInForTests(nullptr);

    EXPECT_GT(g_placeholdersShown.load(), 0) << "the walk never asked the stand-in";
    EXPECT_EQ(0, outcome.ExitCode());
    EXPECT_TRUE(outcome.failed.empty() && outcome.inUse.empty() && outcome.userFiles.empty());
    EXPECT_FALSE(DirectoryExists(product.destination + "\\Support"));
    EXPECT_EQ(2, CountEntries(product.destination));
}

namespace {

// What the user did after the installation, and where it is.
const char kAddedBlock[] = "\\Support\\Menu\\我的图块.dwg";         // in a folder the copy made
const char kAddedFolderFile[] = "\\Support\\Menu\\我的分类\\a.dwg"; // a folder of their own
const char kChangedFile[] = "\\Support\\Menu\\乗\\x.mnu";           // a product file changed
const char kNotesBefore[] = "\\Notes\\notes.txt";                   // a folder there before
const char kScratchFile[] = "\\Temp\\scratch.tmp";                  // the product's scratch

struct OwnershipCase {
    const char* name;
    bool safeMode;
    bool removeData;
    bool foldersWhole;
    // Which of the user's files survive, in the order above.
    bool survive[4];
    // What no log line names goes too: the product's scratch and the
    // tree's own files.
    bool unloggedGo;
    int userFilesNamed;
};

const OwnershipCase kOwnershipCases[] = {
    {.name = "with the record",
     .safeMode = false,
     .removeData = false,
     .foldersWhole = false,
     .survive = {true, true, true, true},
     .unloggedGo = true,
     .userFilesNamed = 4},
    {.name = "with the record, the user's files too",
     .safeMode = false,
     .removeData = true,
     .foldersWhole = false,
     .survive = {false, false, false, true},
     .unloggedGo = true,
     .userFilesNamed = 1},
    {.name = "without a record",
     .safeMode = true,
     .removeData = false,
     .foldersWhole = false,
     .survive = {true, true, true, true},
     .unloggedGo = false,
     .userFilesNamed = 0},
    {.name = "without a record, the folders whole",
     .safeMode = true,
     .removeData = true,
     .foldersWhole = true,
     .survive = {false, false, false, false},
     .unloggedGo = true,
     .userFilesNamed = 0},
};

} // namespace

TEST(ProductRemoval, TakesWhatTheRecordSaysIsOursAndNamesWhatStays) {
    for (const OwnershipCase& c : kOwnershipCases) {
        SCOPED_TRACE(c.name);
        InstalledProduct product;
        const CString& d = product.destination;
        // A scratch folder the copy made and a notes folder that was there.
        CreateFolders(d + "\\Temp");
        CreateFolders(d + "\\Notes");
        product.record.createdFolders.push_back(d + "\\Temp");
        product.log += "Made Dir: " + d + "\\Temp\r\n" + "Made Dir: " + d + "\\Notes\r\n";
        WriteFileBytes(d + kNotesBefore, "written before");
        // After the installation: the user's own work, the product's scratch.
        CreateFolders(d + "\\Support\\Menu\\我的分类");
        WriteFileBytes(d + kAddedBlock, "block");
        WriteFileBytes(d + kAddedFolderFile, "a");
        WriteFileBytes(d + kChangedFile, "changed by the user");
        WriteFileBytes(d + kScratchFile, "left by the product");
        const char* const userFiles[] = {kAddedBlock, kAddedFolderFile, kChangedFile, kNotesBefore};
        std::map<std::string, std::string> bytes;
        for (const char* file : userFiles) bytes[file] = ReadFileBytes(d + file);

        StandInObserver observer;
        const RemovalOutcome outcome =
            product.Remove(observer, c.removeData, c.safeMode, c.foldersWhole);

        EXPECT_EQ(0, outcome.ExitCode());
        EXPECT_EQ(observer.lastTotal, observer.lastStep);
        EXPECT_EQ(c.safeMode, outcome.safeMode);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(c.survive[i], FileExists(d + userFiles[i])) << userFiles[i];
            if (c.survive[i]) {
                EXPECT_EQ(bytes[userFiles[i]], ReadFileBytes(d + userFiles[i]));
            }
        }
        EXPECT_EQ(!c.unloggedGo, DirectoryExists(d + "\\Temp"));
        EXPECT_EQ(!c.unloggedGo, FileExists(d + "\\Support\\2013-15\\64\\arx\\LoadKelvra.arx"));
        EXPECT_EQ(c.userFilesNamed, static_cast<int>(outcome.userFiles.size()));
        // The folders are named where they stay: there before, or (safe
        // mode) logged and not empty; only the outermost of them.
        if (!c.safeMode) {
            EXPECT_EQ(CStringArray{d + "\\Notes"}, outcome.foldersBefore);
            EXPECT_TRUE(outcome.foldersLeft.empty());
        } else if (!c.foldersWhole) {
            EXPECT_EQ(
                (CStringArray{d + "\\Support", d + "\\Database", d + "\\Temp", d + "\\Notes"}),
                outcome.foldersLeft);
        }
        // The log, the record and the uninstall entry went: nothing failed.
        EXPECT_FALSE(FileExists(d + "\\Uninstall.log"));
        EXPECT_FALSE(FileExists(product.RecordFile()));
        EXPECT_FALSE(RegKeyExists(product.registry.Machine(), kUninstallKey));
    }
}

// A run that fails keeps what a second run needs: the log, the record and
// the uninstall entry; the second run then finishes the removal.
TEST(ProductRemoval, AFailedRunKeepsTheLogTheRecordAndTheEntrySoItCanBeRepeated) {
    InstalledProduct product;
    const CString held = product.destination + "\\Support\\2013-15\\64\\arx";
    DeleteFileA(held + "\\LoadKelvra.arx");
    // A program holds the emptied folder open without sharing its deletion.
    CFileHandle folder(CreateFileA(held, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(folder);
    StandInObserver observer;
    const RemovalOutcome failed = product.Remove(observer, false);
    ASSERT_EQ(1603, failed.ExitCode());
    EXPECT_EQ(CStringArray{held}, failed.failed);
    EXPECT_TRUE(FileExists(product.destination + "\\Uninstall.log"));
    EXPECT_TRUE(FileExists(product.RecordFile()));
    EXPECT_TRUE(RegKeyExists(product.registry.Machine(), kUninstallKey));
    EXPECT_FALSE(RegKeyExists(product.registry.Machine(), kProductKey));

    folder.Reset();
    StandInObserver again;
    const RemovalOutcome repeated = product.Remove(again, false);
    EXPECT_EQ(0, repeated.ExitCode());
    EXPECT_FALSE(DirectoryExists(held));
    EXPECT_FALSE(FileExists(product.destination + "\\Uninstall.log"));
    EXPECT_FALSE(FileExists(product.RecordFile()));
    EXPECT_FALSE(RegKeyExists(product.registry.Machine(), kUninstallKey));
}

bool MakeLink(const CString& link, const CString& target) {
    return CSetupThread::CreateShellLink(ParentFolder(target), link, target, nullptr, nullptr) != 0;
}

// The installer's links in the user's current shell folders: found by name
// and by a target inside the destination; another program's link of the
// same name stays.
TEST(ProductRemoval, FindsTheInstallersLinksWhereTheShellFoldersAreNow) {
    InstalledProduct product;
    const CString moved = product.temp / "OneDrive\\Desktop";
    const CString other = product.temp / "Other\\Desktop";
    CreateFolders(moved);
    CreateFolders(other);
    ASSERT_TRUE(MakeLink(moved + "\\" + kProductLink, product.destination + "\\Kelvra-64.exe"));
    ASSERT_TRUE(MakeLink(other + "\\" + kProductLink, product.outside + "\\keep.txt"));
    EXPECT_EQ(CStringArray{moved + "\\" + kProductLink},
              FindLinksInto(product.destination, {moved, other}, {}));
}

// A file in use is asked about, retried, then ignored; it is left for the
// restart only where no user can change a folder on its path (the rights
// are given: Wine keeps none), else named as in use, and a failed run keeps
// its log.
TEST(ProductRemoval, FileInUseIsAskedAboutThenRetriedOrLeftForRestart) {
    struct Case {
        const char* name;
        const wchar_t* destinationRights;
        bool scheduled;
    };
    const Case cases[] = {
        {.name = "every folder on the way the administrators' alone",
         .destinationRights = kAdministratorsAlone,
         .scheduled = true},
        {.name = "a destination users may change",
         .destinationRights = kUsersMayChange,
         .scheduled = false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PendingRenamesGuard pendingRenames;
        CAssignedRights rights;
        auto installed = std::make_unique<InstalledProduct>();
        InstalledProduct& product = *installed;
        const CString busy = product.destination + "\\Kelvra-64.exe";
        const CString freed = product.destination + "\\Control\\a.ocx";
        SetFileAttributesA(busy, FILE_ATTRIBUTE_NORMAL);
        AssignFileSecurityAlongPath(busy, kAdministratorsAlone);
        AssignFileSecurity(product.destination, c.destinationRights);
        // Held as a running program holds its module: read shared, delete not.
        CFileHandle busyHandle(CreateFileA(busy, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        CFileHandle freedHandle(CreateFileA(freed, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(busyHandle && freedHandle);

        StandInObserver observer;
        observer.answer = [&](const CString& path) {
            if (path == freed) {
                freedHandle.Reset(); // the user closed the program: Retry succeeds
                return true;
            }
            return observer.inUseQuestions[path.str()] < 2; // Retry once, then Ignore
        };
        const RemovalOutcome outcome = product.Remove(observer, false);

        EXPECT_EQ(1, observer.inUseQuestions[freed.str()]);
        EXPECT_EQ(2, observer.inUseQuestions[busy.str()]);
        EXPECT_FALSE(FileExists(freed));
        EXPECT_TRUE(FileExists(busy));
        EXPECT_EQ(c.scheduled ? CStringArray{busy} : CStringArray{}, outcome.scheduled);
        EXPECT_EQ(c.scheduled ? CStringArray{} : CStringArray{busy}, outcome.inUse);
        EXPECT_EQ(c.scheduled ? 3010 : 1603, outcome.ExitCode());
        EXPECT_EQ(!c.scheduled, FileExists(product.destination + "\\Uninstall.log"));
        // The list, read once the machine hive is no longer redirected.
        busyHandle.Reset();
        installed.reset();
        EXPECT_EQ(c.scheduled, PendingRenamesGuard::Lists(busy));
    }
}

// The same rule on links the host made beside the run (make-link-case.sh):
// Wine reports one to a folder as a reparse point, as Windows reports a
// junction; one to a file looks like the file, even a recorded product file
// whose size and time are the target's, and deleting through it would take
// the target. Whatever becomes of the links, nothing they point at is
// touched.
TEST(ProductRemoval, AHostLinkInAContentFolderNeverTakesWhatItPointsAt) {
    const char* root = std::getenv("KELVRA_LINK_CASE");
    if (!root) GTEST_SKIP() << "run through CTest: KELVRA_LINK_CASE names the link case";
    const CString base = WinePath(root);
    const CString destination = base + "\\dest";
    const CString outside = base + "\\outside";
    const DWORD linkAttributes = GetFileAttributesA(destination + "\\Support\\Menu\\elsewhere");
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, linkAttributes);
    ASSERT_TRUE(linkAttributes & FILE_ATTRIBUTE_REPARSE_POINT);

    const CString log = "Made Dir: " + destination + "\\Support\r\n" +       //
                        "Made Dir: " + destination + "\\Support\\Menu\r\n" + //
                        "Made Dir: " + destination + "\\Temp\r\n";
    UninstallRecord record;
    ASSERT_TRUE(
        ParseUninstallRecord(log.GetString(), static_cast<size_t>(log.GetLength()), record));
    CInstallRecord installed;
    installed.createdFolders = {destination + "\\Support", destination + "\\Support\\Menu",
                                destination + "\\Temp"};
    installed.files = {AsItIs(destination + "\\Support\\Menu\\kelvra.mnu"),
                       AsItIs(destination + "\\Support\\Menu\\kelvra.cfg")};
    RemovalOptions options;
    options.record = &installed;
    StandInObserver observer;
    const RemovalOutcome outcome =
        RemoveProduct(record, CRemovalScope(destination, {}, {}, {base}), options, observer);

    EXPECT_FALSE(FileExists(destination + "\\Support\\Menu\\kelvra.mnu"));
    EXPECT_TRUE(FileExists(outside + "\\keep.txt"));
    EXPECT_TRUE(FileExists(outside + "\\sub\\deeper.txt"));
    // Where opens follow links (Wine) a link to a file can only be left, and
    // is named: the recorded one as changed, the scratch folder's as not
    // removed. Elsewhere both go as themselves. The link to a folder the
    // installation did not make stays either way.
    const bool followed = OpensFollowLinks();
    const CString recordedLink = destination + "\\Support\\Menu\\kelvra.cfg";
    const CString scratchLink = destination + "\\Temp\\scratch.dat";
    EXPECT_EQ(followed, FileExists(recordedLink));
    EXPECT_EQ(followed, FileExists(scratchLink));
    EXPECT_EQ(followed ? CStringArray{recordedLink} : CStringArray{}, outcome.userFiles);
    EXPECT_EQ(followed ? CStringArray{scratchLink} : CStringArray{}, outcome.failed);
    EXPECT_EQ(followed ? 1603 : 0, outcome.ExitCode());
    EXPECT_TRUE(DirectoryExists(destination + "\\Support\\Menu\\elsewhere"));
}

// With a record, exactly the recorded trusted paths and profiles go: both
// folders' entries after a reinstall elsewhere, whatever folder they name;
// the user's own entries and another copy's stay, in their order.
TEST(ProductRemoval, TakesExactlyTheRecordedTrustedPathsAndProfiles) {
    ScratchRegistry registry;
    const char kHost[] = "Software\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804";
    const CString profiles = CString(kHost) + "\\Profiles\\";
    SetRegString(registry.User(), "Software\\Autodesk\\AutoCAD\\R19.1", "CurVer", "ACAD-D001:804");
    SetRegString(registry.Machine(), kHost, "AcadLocation", "C:\\AutoCAD 2014\\");
    SetRegString(registry.User(), profiles + "<<初始设置配置>>\\General", "ACAD",
                 "C:\\A\\support;");
    SetRegString(registry.User(), profiles + "<<初始设置配置>>\\Variables", "TRUSTEDPATHS",
                 "D:\\My Arx;E:\\Other Kelvra\\Support\\2013-15\\64\\arx;");
    ConfigureAcadReleaseSweep("D:\\Old 旧\\");
    ConfigureAcadReleaseSweep("D:\\New 新\\");

    CInstallRecord record;
    for (const char* folder : {"D:\\Old 旧\\", "D:\\New 新\\"})
        record.trustedPaths.push_back({.releaseKey = "R19.1",
                                       .view = "",
                                       .profile = "<<初始设置配置>>",
                                       .value = CString(folder) + "Support\\2013-15\\64\\arx",
                                       .productId = "ACAD-D001:804"});
    record.profiles.push_back({.releaseKey = "R19.1",
                               .view = "",
                               .profile = "<<Kelvra V9>>",
                               .value = "",
                               .productId = "ACAD-D001:804"});
    ASSERT_TRUE(RegKeyExists(registry.User(), profiles + "<<Kelvra V9>>"));

    EXPECT_EQ(3, RemoveRecordedAcadEntries(record));
    EXPECT_EQ(
        CString("D:\\My Arx;E:\\Other Kelvra\\Support\\2013-15\\64\\arx;"),
        GetRegString(registry.User(), profiles + "<<初始设置配置>>\\Variables", "TRUSTEDPATHS"));
    EXPECT_FALSE(RegKeyExists(registry.User(), profiles + "<<Kelvra V9>>"));
    EXPECT_EQ(0, RemoveRecordedAcadEntries(record));
}
