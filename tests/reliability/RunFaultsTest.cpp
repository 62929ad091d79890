// Faults a machine throws at the copy: a file held open by a running AutoCAD,
// destination texts that cannot work, read-only files from a CD and from an
// earlier installation, and a cancel confirmed at every moment of the copy.
#include "tests/reliability/InstallRun.h"

#include "framework/Handles.h"
#include "tests/support/DialogDriver.h"

#include <string>

namespace {

using RunFaultsTest = InstallRunFixture;

// The loader module as AutoCAD holds it while it runs: open, shared with no one.
CFileHandle HoldWithoutSharing(const CString& path) {
    return CFileHandle(
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

TEST_F(RunFaultsTest, FileHeldOpenAsksAndRetryAfterTheHolderLetsGoReplacesIt) {
    Prepare();
    ASSERT_TRUE(WriteFileBytes(source + "Support\\LoadKelvra.arx", "new loader"));
    CreateFolders(destination + "Support");
    ASSERT_TRUE(WriteFileBytes(destination + "Support\\loadkelvra.arx", "old loader"));
    CFileHandle holder = HoldWithoutSharing(destination + "Support\\loadkelvra.arx");
    ASSERT_TRUE(holder);

    DialogDriver driver;
    bool ended = false;
    driver.Run([&] { ended = Run(); },
               [&](DialogDriver& d) {
                   const auto box = d.WaitForMessageBox("loadkelvra.arx");
                   EXPECT_TRUE(box.HasButton(IDABORT) && box.HasButton(IDRETRY) &&
                               box.HasButton(IDIGNORE));
                   holder.Reset();
                   d.Answer(box, IDRETRY);
               });
    ASSERT_TRUE(ended);
    EXPECT_EQ(page->reports, CompletedReports());
    EXPECT_EQ("new loader", ReadFileBytes(destination + "Support\\loadkelvra.arx"));
}

TEST_F(RunFaultsTest, FileHeldOpenAbortEndsFailedAndIgnoreGoesOnToTheEnd) {
    Prepare();
    ASSERT_TRUE(WriteFileBytes(source + "Support\\LoadKelvra.arx", "new loader"));
    CreateFolders(destination + "Support");
    ASSERT_TRUE(WriteFileBytes(destination + "Support\\loadkelvra.arx", "old loader"));
    CFileHandle holder = HoldWithoutSharing(destination + "Support\\loadkelvra.arx");
    ASSERT_TRUE(holder);

    for (int answer : {IDABORT, IDIGNORE}) {
        NewRun();
        DialogDriver driver;
        bool ended = false;
        driver.Run(
            [&] { ended = Run(); },
            [&](DialogDriver& d) { d.Answer(d.WaitForMessageBox("loadkelvra.arx"), answer); });
        ASSERT_TRUE(ended);
        if (answer == IDABORT) {
            EXPECT_EQ(page->reports, FailedReports());
            EXPECT_FALSE(FileExists(destination + "Uninstall.log"));
        } else {
            EXPECT_EQ(page->reports, CompletedReports());
            EXPECT_TRUE(FileExists(destination + "Uninstall.log"));
        }
    }
    holder.Reset();
    EXPECT_EQ("old loader", ReadFileBytes(destination + "Support\\loadkelvra.arx"));
}

TEST_F(RunFaultsTest, DestinationsThatCannotWorkAskRetryOrCancelAndCancelEndsFailed) {
    Prepare();
    const CString longName(std::string(300 - temp.Path().GetLength(), 'L').c_str());
    const CString destinations[] = {
        "Q:\\Kelvra\\",                        // a drive that does not exist
        temp / "bad<name>|?\\Kelvra\\",        // characters Windows forbids
        temp / longName + "\\",                // 300 bytes
        "\\\\nohost.invalid\\share\\Kelvra\\", // a server that does not exist
    };
    for (const CString& bad : destinations) {
        destination = bad;
        NewRun();
        DialogDriver driver;
        bool ended = false;
        driver.Run([&] { ended = Run(); },
                   [&](DialogDriver& d) {
                       // Retry asks again; Cancel gives up.
                       auto box = d.WaitForMessageBox("不能创建文件夹");
                       EXPECT_TRUE(box.HasButton(IDRETRY) && box.HasButton(IDCANCEL))
                           << bad.GetString();
                       EXPECT_FALSE(box.HasButton(IDABORT) || box.HasButton(IDIGNORE))
                           << bad.GetString();
                       d.Answer(box, IDRETRY);
                       d.Answer(d.WaitForMessageBox("不能创建文件夹"), IDCANCEL);
                   });
        ASSERT_TRUE(ended) << bad.GetString();
        EXPECT_EQ(page->reports, FailedReports()) << bad.GetString();
        EXPECT_TRUE(page->progress.empty()) << bad.GetString();
    }
    EXPECT_FALSE(RegKeyExists(registry.Machine(), "SOFTWARE\\Morvane"));
}

TEST_F(RunFaultsTest, ReadOnlyAndHiddenFilesAreReplacedButTheKeptDatabaseIsNot) {
    Prepare();
    // From a CD: everything read-only.
    ASSERT_TRUE(WriteFileBytes(source + "Database\\Kelvra.mdb", "empty database"));
    for (const char* name : {"Support\\Item.TXT", "Database\\Kelvra.mdb", "readme.txt"})
        ASSERT_TRUE(SetFileAttributesA(source + name, FILE_ATTRIBUTE_READONLY));
    // An earlier installation, read-only and hidden.
    CreateFolders(destination + "Support");
    CreateFolders(destination + "Database");
    for (const char* name : {"Support\\item.txt", "Database\\kelvra.mdb", "readme.txt"}) {
        ASSERT_TRUE(WriteFileBytes(destination + name, "earlier"));
        ASSERT_TRUE(SetFileAttributesA(destination + name,
                                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    }

    ASSERT_TRUE(Run());
    EXPECT_EQ(page->reports, CompletedReports());
    // Content replaced and made writable for the next installation.
    EXPECT_EQ("Support", ReadFileBytes(destination + "Support\\item.txt"));
    EXPECT_EQ(0u, HiddenAndOthers(destination + "Support\\item.txt") &
                      (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    // The user's database stays as it was.
    EXPECT_EQ("earlier", ReadFileBytes(destination + "Database\\kelvra.mdb"));
    // A program file is replaced too, over a read-only one left before.
    EXPECT_EQ("readme.txt", ReadFileBytes(destination + "readme.txt"));

    for (const char* name : {"Support\\item.txt", "Database\\kelvra.mdb", "readme.txt"})
        SetFileAttributesA(destination + name, FILE_ATTRIBUTE_NORMAL);
    for (const char* name : {"Support\\Item.TXT", "Database\\Kelvra.mdb", "readme.txt"})
        SetFileAttributesA(source + name, FILE_ATTRIBUTE_NORMAL);
}

TEST_F(RunFaultsTest, CancelConfirmedAtEveryEntryOfTheCopyEndsFailedOnceWithNothingRegistered) {
    Prepare();
    // Three entries per folder and a sub-folder: 12 * 2 + 2 more entries.
    for (const char* name : CONTENT_FOLDERS)
        ASSERT_TRUE(WriteFileBytes(source + name + "\\Second.TXT", "2"));
    CreateFolders(source + "Support\\Sub");
    ASSERT_TRUE(WriteFileBytes(source + "Support\\Sub\\a.txt", "a"));
    ASSERT_TRUE(Run());
    const size_t entries = page->progress.size();
    ASSERT_EQ(26u, entries);
    RegDeleteTreeA(registry.Machine(), "SOFTWARE\\Morvane");

    for (size_t at = 1; at <= entries; ++at) {
        NewRun();
        SetFileAttributesA(destination + "Uninstall.log", FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(destination + "Uninstall.log");
        page->CancelAtProgress(at);
        ASSERT_TRUE(Run(30000)) << "cancel at entry " << at;
        EXPECT_EQ(page->reports, FailedReports()) << "cancel at entry " << at;
        // The copy stops after the entry in hand.
        EXPECT_EQ(at, page->progress.size());
        EXPECT_FALSE(FileExists(destination + "Uninstall.log")) << "cancel at entry " << at;
        EXPECT_FALSE(RegKeyExists(registry.Machine(), "SOFTWARE\\Morvane")) << at;
    }
    // Once the copy has ended a cancel can no longer stop the run.
    NewRun();
    page->CancelOnConfiguring();
    ASSERT_TRUE(Run());
    EXPECT_EQ(page->reports, CompletedReports());
}

// Once the user has confirmed the cancel the page may already be gone: the
// worker raises no box, not even when the Yes lands where the copy has not
// looked at the flag yet (before it searches the next folder) or just as the
// copy ends. Nobody answers here: a box would keep the run from ending, and
// the driver then fails the program.
TEST_F(RunFaultsTest, NoBoxAfterAConfirmedCancel) {
    auto runUnanswered = [this] {
        bool ended = false;
        DialogDriver driver;
        driver.Run([&] { ended = Run(); }, [](DialogDriver&) {});
        return ended;
    };

    // The first content folder is missing.
    Prepare("dist1\\", "Kelvra1\\");
    RemoveTree(source + CONTENT_FOLDERS[0]);
    worker->RequestCancel();
    ASSERT_TRUE(runUnanswered());
    EXPECT_EQ(page->reports, FailedReports());

    // The destination cannot be created: a file lies where its folder goes.
    ASSERT_TRUE(WriteFileBytes(temp / "Blocked", "in the way"));
    Prepare("dist2\\", "Blocked\\Kelvra\\");
    worker->RequestCancel();
    ASSERT_TRUE(runUnanswered());
    EXPECT_EQ(page->reports, FailedReports());

    // A control that does not register, with the Yes landing as the copy ends.
    Prepare("dist3\\", "Kelvra3\\");
    ASSERT_TRUE(WriteFileBytes(source + "Control\\damaged.ocx", "not a library"));
    page->CancelOnConfiguring();
    ASSERT_TRUE(runUnanswered());
    EXPECT_EQ(page->reports, CompletedReports());
    EXPECT_EQ(1u, worker->m_failures.controls.size());
}
