// A destination on a disk that fills up during the copy (a 2 MB drive K:
// mapped by the suite when it runs as root): the copy box appears, Abort
// ends the installation as failed, Ignore goes on and the run ends cleanly.
#include "tests/reliability/InstallRun.h"

#include "tests/support/DialogDriver.h"

#include <string>

namespace {

const char kFullDiskRoot[] = "K:\\";

struct FullDiskTest : InstallRunFixture {
    void SetUp() override {
        if (GetFileAttributesA(kFullDiskRoot) == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "no drive K:: the suite maps its 2 MB full-disk drive only when run "
                            "as root (tests/reliability/full-disk.sh)";
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
