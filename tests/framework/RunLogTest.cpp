#include "framework/RunLog.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <regex>

TEST(RunLogTest, TimeStampedGbkLinesWithCrLfAndFailuresNamed) {
    TempDir dir;
    const CString path = dir / "运行 日志.log";
    RunLogLine("nothing open: %s", "dropped");
    {
        CRunLog log;
        ASSERT_TRUE(log.Open(path));
        RunLogLine("开始: %s", "/S /D=C:\\x");
        RunLogLine("two\r\nlines");
        RunLogFailure(ERROR_FILE_NOT_FOUND, "不能复制文件 %s", "C:\\a\\图框\\b.dwg");
    }
    RunLogLine("closed: dropped");
    const std::string text = ReadFileBytes(path);
    const std::string stamp = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}  ";
    const std::regex expected(
        stamp + "开始: /S /D=C:\\\\x\r\n" + stamp + "two  lines\r\n" + stamp +
        "ERROR  不能复制文件 C:\\\\a\\\\图框\\\\b\\.dwg: [^\r\n]+ \\(2\\)\r\n");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
}
