// Removal through handles on real files: a folder swapped for a link while
// the walk runs never leads it outside, links are never entered, read-only
// and in-use files get their answers; the restart-delete rule on folders
// whose rights the test sets; the long form of a path.
#include "framework/Handles.h"
#include "framework/LongPath.h"
#include "framework/WideText.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"
#include "tests/uninstall/RemovalStandIns.h"
#include "tests/uninstall/SecurityStandIns.h"
#include "uninstall/ProductRemoval.h"
#include "framework/HandleRemoval.h"
#include "framework/RestartDeleteRule.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>

namespace {

// SYSTEM and Administrators change it, users read it.
const wchar_t kAdministratorsAlone[] = L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FRFX;;;BU)";

// Deletes everything it is shown, except the names in keep; records what
// happened to each entry.
class RemoveAll : public IHandleWalk {
public:
    std::set<std::string> keep;
    std::set<std::string> deleted;
    std::map<std::string, DWORD> errors;
    std::function<void(const CString&)> beforeOpen;
    std::function<void(const HandleEntry&)> beforeDelete;

    EntryChoice Choose(const HandleEntry& entry) override {
        if (keep.count(entry.path.str())) return EntryChoice::Keep;
        return entry.IsFolder() ? EntryChoice::Descend : EntryChoice::Delete;
    }
    bool DeleteAfterDescent(const HandleEntry&) override { return true; }
    bool OnError(const HandleEntry& entry, DWORD error) override {
        errors[entry.path.str()] = error;
        return false;
    }
    void OnDeleted(const HandleEntry& entry) override { deleted.insert(entry.path.str()); }
    void BeforeOpen(const CString& path) override {
        if (beforeOpen) beforeOpen(path);
    }
    void BeforeDelete(const HandleEntry& entry) override {
        if (beforeDelete) beforeDelete(entry);
    }
};

bool IsLink(const CString& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A symbolic link at link to the folder target. Windows makes it itself
// (with the right to); Wine cannot, but shows a link the host makes as a
// reparse point, so the host's ln makes it there, started from here.
bool MakeFolderLink(const CString& link, const CString& target) {
    const std::wstring wideLink = Wide(link), wideTarget = Wide(target);
    if (CreateSymbolicLinkW(wideLink.c_str(), wideTarget.c_str(),
                            SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* no privilege needed */) &&
        IsLink(link))
        return true;
    RemoveDirectoryW(wideLink.c_str());
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    if (!unixName) return false;
    char* unixLink = unixName(wideLink.c_str());
    char* unixTarget = unixName(wideTarget.c_str());
    std::wstring command = L"ln -s " + Wide(unixTarget) + L" " + Wide(unixLink);
    HeapFree(GetProcessHeap(), 0, unixLink);
    HeapFree(GetProcessHeap(), 0, unixTarget);
    // ln runs outside Wine: its end is seen as the link appearing.
    const std::wstring parent = wideLink.substr(0, wideLink.find_last_of(L'\\'));
    CHandle change(FindFirstChangeNotificationW(
        parent.c_str(), FALSE, FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_FILE_NAME));
    if (change.Get() == INVALID_HANDLE_VALUE) change.Release();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(L"Z:\\bin\\ln", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started))
        return false;
    if (started.hProcess) CloseHandle(started.hProcess);
    if (started.hThread) CloseHandle(started.hThread);
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (!IsLink(link)) {
        const ULONGLONG now = GetTickCount64();
        if (!change || now >= deadline) return false;
        WaitForSingleObject(change.Get(), static_cast<DWORD>(deadline - now));
        FindNextChangeNotification(change.Get());
    }
    return true;
}

// A folder with a file of the user's at two depths.
void MakeOutside(const CString& outside) {
    CreateFolders(outside + "\\sub");
    ASSERT_TRUE(WriteFileBytes(outside + "\\f.txt", "the user's"));
    ASSERT_TRUE(WriteFileBytes(outside + "\\sub\\deeper.txt", "the user's too"));
}

void ExpectOutsideIntact(const CString& outside) {
    EXPECT_TRUE(FileExists(outside + "\\f.txt"));
    EXPECT_TRUE(FileExists(outside + "\\sub\\deeper.txt"));
}

} // namespace

// The whole walk: files (one read-only, one named in Chinese) and folders
// go deepest first, a kept entry stays unentered, a file held open answers
// "sharing violation" and keeps its folder, and the listing came through
// the root's handle (the root itself stays).
TEST(HandleRemoval, RemovesATreeAndAnswersForWhatItCannot) {
    TempDir temp;
    const CString root = temp / "dest";
    CreateFolders(root + "\\a\\b");
    CreateFolders(root + "\\kept\\inner");
    CreateFolders(root + "\\busy");
    ASSERT_TRUE(WriteFileBytes(root + "\\top.txt", "1"));
    ASSERT_TRUE(WriteFileBytes(root + "\\a\\b\\deep.txt", "2"));
    ASSERT_TRUE(WriteFileBytes(root + "\\a\\只读.txt", "3"));
    ASSERT_TRUE(SetFileAttributesW(Wide(root + "\\a\\只读.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(WriteFileBytes(root + "\\kept\\inner\\x.txt", "4"));
    ASSERT_TRUE(WriteFileBytes(root + "\\busy\\open.txt", "5"));
    CFileHandle held(CreateFileW(Wide(root + "\\busy\\open.txt").c_str(), GENERIC_READ,
                                 FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);

    CRemovalHandle folder;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), CRemovalHandle::OpenFolder(root, folder));
    RemoveAll walk;
    walk.keep = {"kept"};
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), WalkFolder(folder, walk));

    const std::set<std::string> deleted = {"top.txt", "a\\b\\deep.txt", "a\\b",
                                           CString("a\\只读.txt").str(), "a"};
    EXPECT_EQ(deleted, walk.deleted);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), walk.errors["busy\\open.txt"]);
    EXPECT_EQ(static_cast<DWORD>(ERROR_DIR_NOT_EMPTY), walk.errors["busy"]);
    EXPECT_EQ(2u, walk.errors.size());
    EXPECT_TRUE(FileExists(root + "\\kept\\inner\\x.txt"));
    EXPECT_TRUE(FileExists(root + "\\busy\\open.txt"));
    EXPECT_FALSE(DirectoryExists(root + "\\a"));
}

// A folder swapped for a link to a folder of the user's at the moments an
// attacker would choose: after its parent was listed and before the walk
// opens it; after a logged file in it was checked and before it is deleted.
// The link's target keeps every file; the link goes as itself or stays.
TEST(HandleRemoval, AFolderSwappedForALinkNeverLeadsTheRemovalOutside) {
    struct Case {
        const char* name;
        const char* visit; // nullptr: the whole walk; else one file below the root
        bool atDelete;     // swap before the delete, else before the open
    };
    const Case cases[] = {
        {.name = "between the listing and the descent", .visit = nullptr, .atDelete = false},
        {.name = "between the check and the delete", .visit = "a\\f.txt", .atDelete = true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir temp;
        const CString root = temp / "dest", outside = temp / "outside";
        MakeOutside(outside);
        CreateFolders(root + "\\a\\sub");
        ASSERT_TRUE(WriteFileBytes(root + "\\a\\f.txt", "ours"));
        ASSERT_TRUE(WriteFileBytes(root + "\\a\\sub\\deeper.txt", "ours"));

        bool swapped = false, linked = false;
        DWORD moveError = 0;
        auto swap = [&] {
            if (swapped) return;
            swapped = true;
            // Done as any program would, through Windows: a folder the walk
            // holds cannot be renamed.
            if (!MoveFileW(Wide(root + "\\a").c_str(), Wide(root + "\\a.away").c_str())) {
                moveError = GetLastError();
                return;
            }
            linked = MakeFolderLink(root + "\\a", outside);
        };
        RemoveAll walk;
        walk.keep = {"a.away"};
        if (c.atDelete)
            walk.beforeDelete = [&](const HandleEntry&) { swap(); };
        else
            walk.beforeOpen = [&](const CString& path) {
                if (path == "a") swap();
            };
        CRemovalHandle folder;
        ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), CRemovalHandle::OpenFolder(root, folder));
        if (c.visit)
            VisitBelow(folder, c.visit, walk);
        else
            WalkFolder(folder, walk);

        ASSERT_TRUE(swapped);
        ExpectOutsideIntact(outside);
        if (c.atDelete) {
            // The walk held the folder: the swap was refused, the file went.
            EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), moveError);
            EXPECT_FALSE(FileExists(root + "\\a\\f.txt"));
            EXPECT_EQ(std::set<std::string>{"a\\f.txt"}, walk.deleted);
        } else {
            ASSERT_TRUE(linked) << "no link could be made here";
            // The real folder, now elsewhere, was never reached either. The
            // link itself goes, or is left where opens follow links (Wine
            // opens its target).
            EXPECT_TRUE(FileExists(root + "\\a.away\\sub\\deeper.txt"));
            if (OpensFollowLinks()) {
                EXPECT_TRUE(walk.deleted.empty());
                EXPECT_EQ(static_cast<DWORD>(ERROR_REPARSE_POINT_ENCOUNTERED), walk.errors["a"]);
            } else {
                EXPECT_EQ(std::set<std::string>{"a"}, walk.deleted);
            }
        }
        RemoveDirectoryW(Wide(root + "\\a").c_str()); // the link, if left
    }
}

// Links found in the listing, chosen for entering, deleting or reaching a
// file through: never entered.
TEST(HandleRemoval, LinksAreNeverEntered) {
    TempDir temp;
    const CString root = temp / "dest", outside = temp / "outside";
    MakeOutside(outside);
    CreateFolders(root + "\\menu");
    ASSERT_TRUE(WriteFileBytes(root + "\\menu\\kelvra.mnu", "ours"));
    ASSERT_TRUE(MakeFolderLink(root + "\\menu\\elsewhere", outside));

    CRemovalHandle folder;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), CRemovalHandle::OpenFolder(root, folder));
    RemoveAll through;
    EXPECT_EQ(static_cast<DWORD>(ERROR_REPARSE_POINT_ENCOUNTERED),
              VisitBelow(folder, "menu\\elsewhere\\f.txt", through));
    CRemovalHandle link;
    EXPECT_NE(static_cast<DWORD>(ERROR_SUCCESS),
              CRemovalHandle::OpenFolder(root + "\\menu\\elsewhere", link));
    RemoveAll walk;
    WalkFolder(folder, walk);

    ExpectOutsideIntact(outside);
    EXPECT_FALSE(FileExists(root + "\\menu\\kelvra.mnu"));
    for (const std::string& path : walk.deleted)
        EXPECT_TRUE(path.find("elsewhere\\") == std::string::npos) << path;
    if (OpensFollowLinks()) { // left: Wine cannot open the link as itself
        EXPECT_EQ(static_cast<DWORD>(ERROR_REPARSE_POINT_ENCOUNTERED),
                  walk.errors["menu\\elsewhere"]);
    } else {
        EXPECT_TRUE(walk.deleted.count("menu\\elsewhere"));
    }
    RemoveDirectoryW(Wide(root + "\\menu\\elsewhere").c_str());
}

// Rights given to a folder (the stand-in: Wine keeps none), read through
// its handle. Administrators own each folder unless the row says otherwise
// (an owner may always rewrite the rights). "BU" builtin users, "AU"
// authenticated users, "WD" everyone.
TEST(RestartDeleteRule, WeighsTheRightsOnEachFolder) {
    struct Row {
        const wchar_t* sddl;
        PathPlace place;
        bool othersCanChange;
    };
    const Row rows[] = {
        {.sddl = kAdministratorsAlone, .place = PathPlace::Folder, .othersCanChange = false},
        {.sddl = L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;BU)", // modify
         .place = PathPlace::Folder,
         .othersCanChange = true},
        {.sddl = L"O:BAD:P(A;;FA;;;SY)(A;;0x4;;;AU)", // create folders only
         .place = PathPlace::Folder,
         .othersCanChange = true},
        {.sddl = L"O:BAD:P(A;;FA;;;SY)(A;;0x4;;;AU)", // a stock drive root
         .place = PathPlace::DriveRoot,
         .othersCanChange = false},
        {.sddl = L"O:BAD:P(A;;FA;;;SY)(A;;0x40;;;AU)", // delete children
         .place = PathPlace::DriveRoot,
         .othersCanChange = true},
        {.sddl = L"O:BAD:P(A;;FA;;;SY)(A;;WD;;;WD)", // change the rights
         .place = PathPlace::File,
         .othersCanChange = true},
        {.sddl = L"O:BAD:P(A;;FA;;;SY)(A;OICIIO;FA;;;CO)(A;OICIIO;FA;;;BU)", // for children only
         .place = PathPlace::Folder,
         .othersCanChange = false},
        {.sddl = L"O:BUD:P(A;;FA;;;SY)(A;;FA;;;BA)", // a user's own folder
         .place = PathPlace::Folder,
         .othersCanChange = true},
        {.sddl = L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;S-1-5-80-956008885-3418522649-1831038044-"
                 L"1853292631-2271478464)",
         .place = PathPlace::Folder,
         .othersCanChange = false},
    };
    CAssignedRights rights;
    TempDir temp;
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.sddl).GetString());
        const CString folder = temp / std::to_string(index++).c_str();
        ASSERT_TRUE(CreateDirectoryW(Wide(folder).c_str(), nullptr));
        AssignFileSecurity(folder, row.sddl);
        CRemovalHandle handle;
        ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), CRemovalHandle::OpenFolder(folder, handle));
        EXPECT_EQ(row.othersCanChange, HandleLetsOthersChange(handle.Get(), row.place));
    }
    // A whole path: the administrators' alone from the drive root down, but
    // for a folder users may change on the way; a file that is not there to
    // be checked, and a network path, refuse too.
    const CString file = temp / "0\\in-use.dll";
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    AssignFileSecurityAlongPath(file, kAdministratorsAlone);
    EXPECT_TRUE(MayDeleteAtRestart(file));
    AssignFileSecurity(temp.Path(), L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;BU)");
    EXPECT_FALSE(MayDeleteAtRestart(file));
    EXPECT_FALSE(MayDeleteAtRestart(temp / "0\\missing.dll"));
    EXPECT_FALSE(MayDeleteAtRestart("\\\\server\\share\\in-use.dll"));
}

// The long form, from a path and from a handle: an 8.3 spelling of the data
// file reads as its real name.
TEST(LongPath, ShortSpellingsReadAsTheirLongNames) {
    TempDir temp;
    const CString folder = temp / "Kelvra Database Folder";
    CreateFolders(folder);
    const CString file = folder + "\\kelvra.mdb.backup";
    ASSERT_TRUE(WriteFileBytes(file, "data"));
    wchar_t shortName[MAX_PATH], shortFolder[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameW(Wide(file).c_str(), shortName, MAX_PATH));
    ASSERT_NE(0u, GetShortPathNameW(Wide(folder).c_str(), shortFolder, MAX_PATH));
    const CString shortPath = Narrow(shortName);
    ASSERT_EQ(-1, CString(shortPath).MakeLower().Find("kelvra.mdb")) << shortPath.str();
    CString expected;
    ASSERT_TRUE(GetLongPath(file, expected));
    CString longFolder;
    ASSERT_TRUE(GetLongPath(folder, longFolder));
    ASSERT_GE(longFolder.Find("Kelvra Database Folder"), 0) << longFolder.str();

    struct Row {
        CString path;
        CString longPath;
    };
    const Row rows[] = {
        {.path = shortPath, .longPath = expected},
        {.path = shortPath + "\\..\\kelvra.mdb.backup", .longPath = expected},
        {.path = Narrow(shortFolder) + "\\missing\\not yet",
         .longPath = longFolder + "\\missing\\not yet"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path.str());
        CString longPath;
        ASSERT_TRUE(GetLongPath(row.path, longPath));
        EXPECT_EQ(row.longPath.str(), longPath.str());
    }
    CFileHandle handle(CreateFileW(shortName, FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(handle);
    CString handlePath;
    ASSERT_TRUE(GetHandlePath(handle.Get(), handlePath));
    EXPECT_EQ(0, lstrcmpiW(Wide(expected).c_str(), Wide(handlePath).c_str())) << handlePath.str();
}

// The removal itself through its handles: a content folder swapped for a
// link between its listing and its descent leaves the link's target whole;
// a data file named by its short spelling is still the user's database; a
// file in use, on a path whose folders only administrators may change (the
// rights given), is left for the restart.
TEST(HandleRemoval, TheUninstallersRemovalWorksFromItsHandles) {
    enum class Kind { Swap, ShortDataName, InUse };
    struct Case {
        const char* name;
        Kind kind;
    };
    const Case cases[] = {
        {.name = "a content folder swapped for a link", .kind = Kind::Swap},
        {.name = "a data file named by its short name", .kind = Kind::ShortDataName},
        {.name = "a file in use, ignored", .kind = Kind::InUse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchRegistry registry;
        TempDir temp;
        const CString dest = temp / "dest", outside = temp / "outside";
        MakeOutside(outside);
        CreateFolders(dest + "\\Content\\sub");
        const CString files[] = {dest + "\\Content\\f.txt", dest + "\\Content\\sub\\deeper.txt",
                                 dest + "\\kelvra.mdb.bak"};
        CInstallRecord record;
        for (const CString& file : files) {
            ASSERT_TRUE(WriteFileBytes(file, "ours"));
            record.files.push_back(AsItIs(file));
        }
        record.createdFolders = {dest + "\\Content", dest + "\\Content\\sub"};
        wchar_t shortName[MAX_PATH];
        ASSERT_NE(0u, GetShortPathNameW(Wide(files[2]).c_str(), shortName, MAX_PATH));
        const std::wstring shortFile =
            std::wstring(shortName).substr(std::wstring(shortName).find_last_of(L'\\') + 1);
        const CString dataLine =
            c.kind == Kind::ShortDataName ? dest + "\\" + Narrow(shortFile) : files[2];
        ASSERT_EQ(c.kind == Kind::ShortDataName,
                  CString(dataLine).MakeLower().Find("kelvra.mdb") < 0);
        const CString log = "Made Dir: " + dest + "\\Content\r\nFile Copy: " + dataLine + "\r\n";
        UninstallRecord lines;
        ASSERT_TRUE(
            ParseUninstallRecord(log.GetString(), static_cast<size_t>(log.GetLength()), lines));

        StandInObserver observer;
        bool linked = false;
        if (c.kind == Kind::Swap)
            observer.beforeOpen = [&](const CString& path) {
                if (linked || path != dest + "\\Content\\sub") return;
                ASSERT_TRUE(MoveFileW(Wide(path).c_str(), Wide(path + ".away").c_str()));
                linked = MakeFolderLink(path, outside);
            };
        PendingRenamesGuard pendingRenames;
        CAssignedRights rights;
        CFileHandle busy;
        if (c.kind == Kind::InUse) {
            AssignFileSecurityAlongPath(files[0], kAdministratorsAlone);
            // As a running program holds its module: read shared, delete not.
            busy.Reset(CreateFileW(Wide(files[0]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
        }
        RemovalOptions options;
        options.record = &record;
        const RemovalOutcome outcome =
            RemoveProduct(lines, CRemovalScope(dest, {}, {}, {temp.Path()}), options, observer);

        ExpectOutsideIntact(outside);
        EXPECT_TRUE(FileExists(files[2])) << "the database is kept";
        EXPECT_EQ(CStringArray{files[2]}, outcome.keptData); // named by its long form
        switch (c.kind) {
        case Kind::Swap:
            ASSERT_TRUE(linked) << "no link could be made here";
            EXPECT_FALSE(FileExists(files[0]));
            EXPECT_TRUE(FileExists(dest + "\\Content\\sub.away\\deeper.txt"));
            RemoveDirectoryW(Wide(dest + "\\Content\\sub").c_str()); // the link, if left
            break;
        case Kind::ShortDataName:
            EXPECT_FALSE(FileExists(files[0]));
            EXPECT_FALSE(FileExists(files[1]));
            EXPECT_EQ(0, outcome.ExitCode());
            break;
        case Kind::InUse:
            // With the folder that then holds it alone.
            EXPECT_EQ((CStringArray{files[0], dest + "\\Content"}), outcome.scheduled);
            EXPECT_TRUE(outcome.inUse.empty());
            EXPECT_EQ(3010, outcome.ExitCode());
            EXPECT_TRUE(FileExists(files[0]));
            EXPECT_FALSE(FileExists(files[1]));
            break;
        }
    }
}
