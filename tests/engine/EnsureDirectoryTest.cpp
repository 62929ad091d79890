#include "engine/SetupThread.h"

#include "framework/SystemError.h"
#include "tests/engine/PageStandIn.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

struct EnsureDirectoryTest : ::testing::Test {
    TempDir temp;
    PageStandIn page;
    CSetupThread worker;
    void SetUp() override { page.Adopt(worker); }
};

} // namespace

TEST_F(EnsureDirectoryTest, CreatesEveryMissingFolderAndLogsThePathOnce) {
    const CString path = temp / "A\\B\\";
    ASSERT_NE(worker.EnsureDirectory(path), 0);
    EXPECT_TRUE(DirectoryExists(temp / "A"));
    EXPECT_TRUE(DirectoryExists(temp / "A\\B"));
    EXPECT_EQ(worker.m_strLog, "Made Dir: " + path + "\n");
    // The record names each folder it created; the temp folder was there.
    const CStringArray created = {temp / "A", temp / "A\\B"};
    EXPECT_EQ(worker.m_record.createdFolders, created);

    // All present: nothing to create, the line is logged again.
    ASSERT_NE(worker.EnsureDirectory(path), 0);
    EXPECT_EQ(worker.m_strLog, "Made Dir: " + path + "\nMade Dir: " + path + "\n");
    ASSERT_NE(worker.EnsureDirectory(temp / "A\\B\\C"), 0);
    EXPECT_EQ(worker.m_record.createdFolders.size(), 3u);
    EXPECT_EQ(worker.m_record.createdFolders.back(), temp / "A\\B\\C");
}

TEST_F(EnsureDirectoryTest, AcceptsForwardSlashesAndPathsWithoutATrailingSeparator) {
    ASSERT_NE(worker.EnsureDirectory(temp / "C/D\\E"), 0);
    EXPECT_TRUE(DirectoryExists(temp / "C\\D\\E"));
    ASSERT_NE(worker.EnsureDirectory(temp / "F/G/"), 0);
    EXPECT_TRUE(DirectoryExists(temp / "F\\G"));
}

TEST_F(EnsureDirectoryTest, DriveRootsAndTheEmptyPathCreateNothing) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const CString root = CString(windows).Left(3); // "C:\"
    EXPECT_NE(worker.EnsureDirectory(root), 0);
    EXPECT_NE(worker.EnsureDirectory(root.Left(2)), 0); // "C:"
    EXPECT_NE(worker.EnsureDirectory(""), 0);
    EXPECT_EQ(worker.m_strLog,
              "Made Dir: " + root + "\nMade Dir: " + root.Left(2) + "\nMade Dir: \n");
}

TEST_F(EnsureDirectoryTest, ADoubleByteCharacterEndingIn5CIsNoSeparator) {
    // 乗 is 81 5C: its trail byte is a backslash.
    ASSERT_NE(worker.EnsureDirectory(temp / "\x81\x5C\\inner"), 0);
    EXPECT_TRUE(DirectoryExists(temp / "\x81\x5C\\inner"));
    ASSERT_NE(worker.EnsureDirectory(temp / "X\x81\x5C"), 0);
    EXPECT_TRUE(DirectoryExists(temp / "X\x81\x5C"));
}

TEST_F(EnsureDirectoryTest, UncreatableFolderAnsweredRetryThenCancel) {
    ASSERT_TRUE(WriteFileBytes(temp / "file.txt", "in the way"));
    const CString path = temp / "file.txt\\sub\\";
    int result = -1;
    std::vector<DialogDriver::MessageBoxInfo> boxes;
    DialogDriver driver;
    driver.Run([&] { result = worker.EnsureDirectory(path); },
               [&](DialogDriver& d) {
                   boxes.push_back(d.WaitForMessageBox("不能创建文件夹"));
                   EXPECT_TRUE(boxes[0].HasButton(IDRETRY) && boxes[0].HasButton(IDCANCEL));
                   EXPECT_FALSE(boxes[0].HasButton(IDABORT));
                   d.Answer(boxes.back(), IDRETRY);
                   boxes.push_back(d.WaitForMessageBox("不能创建文件夹"));
                   d.Answer(boxes.back(), IDCANCEL);
               });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_GE(boxes[0].text.Find(CString("\n不能创建文件夹 ") + temp / "file.txt\\sub" + " ，\n"),
              0)
        << boxes[0].text.GetString();
    EXPECT_GT(boxes[0].text.Find("\n不能创建文件夹"), 0); // the system's text comes first
    EXPECT_EQ(worker.m_strLog, "Made Dir: " + path + "\n");
}

TEST_F(EnsureDirectoryTest, UncreatableFolderRetriedSucceedsOnceTheWayIsClear) {
    ASSERT_TRUE(WriteFileBytes(temp / "blocker", "in the way"));
    int result = -1;
    DialogDriver driver;
    driver.Run([&] { result = worker.EnsureDirectory(temp / "blocker\\sub"); },
               [&](DialogDriver& d) {
                   auto box = d.WaitForMessageBox("不能创建文件夹");
                   DeleteFileA(temp / "blocker");
                   CreateDirectoryA(temp / "blocker", nullptr);
                   d.Answer(box, IDRETRY);
               });
    EXPECT_NE(result, 0);
    EXPECT_TRUE(DirectoryExists(temp / "blocker\\sub"));
}

TEST_F(EnsureDirectoryTest, PathOf260BytesOrMoreCreatesNothingAndFails) {
    const CString path = temp / "Long\\" + CString(std::string(MAX_PATH, 'x'));
    ASSERT_GE(path.GetLength(), MAX_PATH);
    int result = -1;
    DialogDriver::MessageBoxInfo seen;
    DialogDriver driver;
    driver.Run([&] { result = worker.EnsureDirectory(path); },
               [&](DialogDriver& d) {
                   seen = d.WaitForMessageBox("不能创建文件夹");
                   d.Answer(seen, IDCANCEL);
               });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(DirectoryExists(temp / "Long"));
    EXPECT_EQ(seen.text.Find(SystemErrorText(ERROR_FILENAME_EXCED_RANGE).TrimRight()), 0)
        << seen.text.GetString();
    EXPECT_EQ(worker.m_strLog, "Made Dir: " + path + "\n");
}
