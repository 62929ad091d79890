#include "framework/TextFile.h"

#include "tests/support/DialogDriver.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(TextFileTest, WritesLinesWithCrLfAndBytesUnchanged) {
    TempDir dir;
    CString path = dir / "out.log";
    ASSERT_TRUE(WriteTextFile(nullptr, path, "Made Dir: D:\\图框\\\nFile Copy: x\n"));
    EXPECT_EQ(ReadFileBytes(path), std::string("Made Dir: D:\\图框\\\r\nFile Copy: x\r\n"));
    // Rewriting truncates.
    ASSERT_TRUE(WriteTextFile(nullptr, path, "a\n"));
    EXPECT_EQ(ReadFileBytes(path), "a\r\n");
}

TEST(TextFileTest, FailureShowsTheFileErrorBoxWithTheFileName) {
    TempDir dir;
    CString path = dir / "missing-folder\\out.log";
    bool ok = true;
    DialogDriver driver;
    CString text;
    driver.Run([&] { ok = WriteTextFile(nullptr, path, "x\n"); },
               [&](DialogDriver& d) {
                   auto box = d.WaitForMessageBox("out.log");
                   text = box.text;
                   EXPECT_TRUE(box.HasButton(IDOK));
                   EXPECT_FALSE(box.HasButton(IDCANCEL));
                   d.Answer(box, IDOK);
               });
    EXPECT_FALSE(ok);
    EXPECT_GE(text.Find(path), 0) << text.GetString();
}
