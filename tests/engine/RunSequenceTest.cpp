#include "engine/SetupThread.h"

#include "framework/WizardProtocol.h"
#include "tests/engine/PageStandIn.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/SampleDistribution.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/SetupReports.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

const char kProductKey[] = "SOFTWARE\\Morvane\\Kelvra\\V9";

// A distribution with one file in every content folder (but the one left
// out) and a sub-folder in Support; the worker is set up as the page does.
struct RunSequenceTest : ::testing::Test {
    ScratchRegistry registry; // the run registers the product
    TempDir temp;
    PageStandIn page;
    CSetupThread worker;
    CString source, destination;

    void SetUp() override {
        source = temp / "dist\\";
        destination = temp / "Kelvra\\";
        worker.m_strSourceDir = source;
        worker.m_strInstallDir = destination;
    }
    void MakeDistribution(int leftOut = -1) {
        const SampleDistribution sample{
            .itemName = "File.TXT", .leftOut = leftOut, .programFiles = {}};
        ASSERT_TRUE(sample.MakeIn(source));
        if (leftOut != 0) {
            CreateFolders(source + "Support\\Sub");
            ASSERT_TRUE(WriteFileBytes(source + "Support\\Sub\\a.txt", "a"));
        }
    }
    CString LogPath() const { return destination + "Uninstall.log"; }
    void TearDown() override { SetFileAttributesA(LogPath(), FILE_ATTRIBUTE_NORMAL); }
};

} // namespace

TEST_F(RunSequenceTest, AllFoldersCopiedThenConfiguringThenExactlyOneDone) {
    MakeDistribution();
    ASSERT_TRUE(page.RunWorker(worker));
    EXPECT_EQ(page.reports, CompletedReports());
    // 12 files, Support\Sub\a.txt and the folder Support\Sub, each waited for.
    EXPECT_EQ(page.progress.size(), 14u);
    EXPECT_EQ(page.sentFromOtherThread, 14u);
    for (const char* name : CONTENT_FOLDERS) {
        EXPECT_EQ(ReadFileBytes(destination + name + "\\file.txt"), name);
    }

    // The log: the content folders in table order (Support's sub-folder right
    // after it), ..., and the log itself last.
    EXPECT_EQ(HiddenAndOthers(LogPath()), DWORD(FILE_ATTRIBUTE_HIDDEN));
    std::vector<CString> lines = SplitLines(CString(ReadFileBytes(LogPath())));
    ASSERT_GE(lines.size(), 14u);
    EXPECT_EQ(lines[0], "Made Dir: " + destination + "Support");
    EXPECT_EQ(lines[1], "Made Dir: " + destination + "Support\\Sub");
    for (int i = 1; i < 12; ++i) {
        EXPECT_EQ(lines[static_cast<size_t>(i + 1)],
                  "Made Dir: " + destination + CONTENT_FOLDERS[i]);
    }
    EXPECT_EQ(lines.back(), "File Copy: " + LogPath());
}

TEST_F(RunSequenceTest, HeldReportsAreNotSentButTakenWithTheirCountAndLatestEntry) {
    MakeDistribution();
    page.HoldProgress();
    ASSERT_TRUE(page.RunWorker(worker));
    EXPECT_EQ(page.reports, CompletedReports());
    ASSERT_EQ(page.progress.size(), 1u); // only the entry that was not held
    CSetupThread::CopyProgress taken;
    taken.entries = 1;
    ASSERT_TRUE(worker.TakeProgress(taken));
    EXPECT_EQ(taken.entries, 14);
    // Temp is the last content folder, its file the last entry.
    EXPECT_EQ(taken.source, source + "Temp\\File.TXT");
    EXPECT_EQ(taken.destination, Lower(destination + "Temp\\file.txt"));
    // Nothing new: the hold ends, so the next entry is sent (and held again
    // by the stand-in, so the one after is not).
    EXPECT_FALSE(worker.TakeProgress(taken));
    EXPECT_EQ(taken.entries, 14);
    worker.NotifyProgress("from", "to");
    worker.NotifyProgress("from 2", "to 2");
    ASSERT_EQ(page.progress.size(), 2u);
    EXPECT_EQ(page.progress[1].destination, "to");
}

TEST_F(RunSequenceTest, MissingFifthFolderAbortedFailsBeforeAnyLaterStep) {
    MakeDistribution(4);
    bool ended = false;
    DialogDriver driver;
    driver.Run(
        [&] { ended = page.RunWorker(worker); },
        [&](DialogDriver& d) { d.Answer(d.WaitForMessageBox(CONTENT_FOLDERS[4]), IDABORT); });
    ASSERT_TRUE(ended);
    EXPECT_EQ(page.reports, FailedReports());
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(DirectoryExists(destination + CONTENT_FOLDERS[i])) << i;
    for (int i = 4; i < 12; ++i)
        EXPECT_FALSE(DirectoryExists(destination + CONTENT_FOLDERS[i])) << i;
    EXPECT_FALSE(FileExists(LogPath()));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}

TEST_F(RunSequenceTest, MissingFifthFolderIgnoredCompletesWithAnEmptyFolder) {
    MakeDistribution(4);
    bool ended = false;
    DialogDriver driver;
    driver.Run(
        [&] { ended = page.RunWorker(worker); },
        [&](DialogDriver& d) { d.Answer(d.WaitForMessageBox(CONTENT_FOLDERS[4]), IDIGNORE); });
    ASSERT_TRUE(ended);
    EXPECT_EQ(page.reports, CompletedReports());
    EXPECT_TRUE(DirectoryExists(destination + CONTENT_FOLDERS[4]));
    CStringArray files;
    CSetupThread::ListFiles(destination + CONTENT_FOLDERS[4] + "\\", "*.*", files);
    EXPECT_TRUE(files.empty());
    EXPECT_NE(ReadFileBytes(LogPath()).find("Made Dir: " + destination.str() + CONTENT_FOLDERS[4] +
                                            "\r\n"),
              std::string::npos);
}

TEST_F(RunSequenceTest, CancelDuringTheCopyStopsAfterTheFileInHandAndFails) {
    MakeDistribution();
    page.CancelAtProgress(3);
    ASSERT_TRUE(page.RunWorker(worker));
    EXPECT_EQ(page.reports, FailedReports()); // no CONFIGURING, no DONE
    EXPECT_EQ(page.progress.size(), 3u);
    EXPECT_FALSE(FileExists(LogPath()));
    EXPECT_FALSE(DirectoryExists(destination + CONTENT_FOLDERS[11]));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}

TEST_F(RunSequenceTest, CancelAfterTheCopyNoLongerStopsTheRun) {
    MakeDistribution();
    page.CancelOnConfiguring();
    ASSERT_TRUE(page.RunWorker(worker));
    EXPECT_EQ(page.reports, CompletedReports());
    EXPECT_TRUE(FileExists(LogPath()));
}

TEST_F(RunSequenceTest, ALogWriteFailureShowsTheBoxAndStillEndsWithDone) {
    MakeDistribution();
    CreateFolders(LogPath()); // a folder where the log goes
    bool ended = false;
    DialogDriver driver;
    driver.Run([&] { ended = page.RunWorker(worker); },
               [&](DialogDriver& d) { d.Answer(d.WaitForMessageBox("Uninstall.log"), IDOK); });
    ASSERT_TRUE(ended);
    EXPECT_EQ(page.reports, CompletedReports());
    RemoveDirectoryA(LogPath());
}
