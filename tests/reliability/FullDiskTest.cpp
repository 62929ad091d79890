// A destination on a disk that fills up during the copy (a 2 MB drive K:
// mapped by the suite when it runs as root, as CI does): the copy box
// appears, Abort ends the installation as failed, Ignore goes on and the run
// ends cleanly.
#include "tests/reliability/InstallRun.h"

#include "tests/support/DialogDriver.h"
#include "tests/support/WinePath.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char kFullDiskRoot[] = "K:\\";

struct FullDiskTest : InstallRunFixture {
    void SetUp() override {
        if (GetFileAttributesA(kFullDiskRoot) != INVALID_FILE_ATTRIBUTES) return;
        // What tests/reliability/full-disk.sh did: only a run that is not
        // root may go without the drive, and it says so in its output.
        const char* stateFile = std::getenv("KELVRA_FULL_DISK_STATE");
        ASSERT_NE(stateFile, nullptr) << "run through CTest: its fixture maps drive K:";
        std::string state = ReadFileBytes(WinePath(stateFile));
        while (!state.empty() && (state.back() == '\n' || state.back() == '\r')) state.pop_back();
        if (state == "not root") {
            std::printf("FULL-DISK CASES NOT RUN: the suite is not root, so no 2 MB drive K: "
                        "was mapped (tests/reliability/full-disk.sh)\n");
            GTEST_SKIP() << "not root: no full-disk drive K:";
        }
        FAIL() << "no drive K: although the mount reported \"" << state << "\"";
    }
    void TearDown() override {
        InstallRunFixture::TearDown();
        RemoveTree(destination);
    }
    // A distribution with one file larger than the whole drive.
    void PrepareOversized() {
        Prepare("dist\\", "", "Desktop\\");
        destination = CString(kFullDiskRoot) + "Kelvra\\";
        RemoveTree(destination);
        ASSERT_TRUE(WriteFileBytes(source + "Support\\Big.DAT", std::string(3 << 20, 'b')));
        NewRun();
    }
};

} // namespace

TEST_F(FullDiskTest, AbortOnTheCopyBoxEndsTheInstallationAsFailed) {
    PrepareOversized();
    DialogDriver driver;
    bool ended = false;
    driver.Run([&] { ended = Run(); },
               [&](DialogDriver& d) {
                   const auto box = d.WaitForMessageBox("big.dat");
                   EXPECT_TRUE(box.HasButton(IDABORT) && box.HasButton(IDRETRY) &&
                               box.HasButton(IDIGNORE));
                   d.Answer(box, IDABORT);
               });
    ASSERT_TRUE(ended);
    EXPECT_EQ(page->reports, FailedReports());
    EXPECT_FALSE(FileExists(destination + "Uninstall.log"));
    EXPECT_FALSE(RegKeyExists(registry.Machine(), "SOFTWARE\\Morvane"));
    EXPECT_FALSE(FileExists(destination + "Support\\big.dat"));
}

TEST_F(FullDiskTest, IgnoreOnTheCopyBoxGoesOnAndTheRunEndsCleanly) {
    PrepareOversized();
    DialogDriver driver;
    bool ended = false;
    driver.Run([&] { ended = Run(); },
               [&](DialogDriver& d) { d.Answer(d.WaitForMessageBox("big.dat"), IDIGNORE); });
    ASSERT_TRUE(ended);
    EXPECT_EQ(page->reports, CompletedReports());
    // The rest of the tree and the log made it; no cut-short copy is left
    // behind for the product to trip over.
    EXPECT_EQ("Temp", ReadFileBytes(destination + "Temp\\item.txt"));
    EXPECT_TRUE(FileExists(destination + "Uninstall.log"));
    EXPECT_FALSE(FileExists(destination + "Support\\big.dat"));
}
