#include "framework/RunLog.h"

#include "framework/WideText.h"
#include "res/ProductVersion.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <vector>

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

namespace {

// The lines of a log, without their time stamps.
std::vector<std::string> Texts(const std::string& log) {
    std::vector<std::string> texts;
    for (size_t at = 0; at < log.size();) {
        const size_t end = log.find("\r\n", at);
        texts.push_back(log.substr(at + 25, end - at - 25));
        at = end + 2;
    }
    return texts;
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

} // namespace

TEST(RunLogTest, RunsAppendEachAfterItsHeaderAndAnErrorReachesTheDiskAtOnce) {
    TempDir dir;
    const CString path = dir / "两次.log";
    for (const char* run : {"第一次", "第二次"}) {
        CRunLog log;
        ASSERT_TRUE(log.Open(path));
        EXPECT_EQ(log.Path(), path);
        RunLogHeader("程序");
        RunLogLine("%s", run);
        RunLogFailure(ERROR_ACCESS_DENIED, "%s 失败", run);
        // Read while the run goes on: everything up to the failure is there.
        const std::string written = ReadFileBytes(path);
        EXPECT_NE(written.find(std::string(run) + "\r\n"), std::string::npos) << written;
        EXPECT_NE(written.find(std::string(run) + " 失败"), std::string::npos) << written;
        for (int i = 0; i < 3; ++i) RunLogLine("后面 %d", i);
    }
    const std::vector<std::string> texts = Texts(ReadFileBytes(path));
    ASSERT_EQ(texts.size(), 16u);
    for (size_t first : {0u, 8u}) {
        const std::string run = first ? "第二次" : "第一次";
        EXPECT_TRUE(StartsWith(texts[first], "==== 程序 ")) << texts[first];
        EXPECT_NE(texts[first].find(", 版本 " KELVRA_VERSION_FULL), std::string::npos);
        EXPECT_TRUE(std::regex_match(
            texts[first + 1], std::regex("Windows \\d+\\.\\d+, 内部版本 \\d+.*; 帐户 .+\\\\.+ "
                                         "\\((非)?管理员权限\\); 系统代码页 \\d+")))
            << texts[first + 1];
        EXPECT_TRUE(StartsWith(texts[first + 2], "命令行: ")) << texts[first + 2];
        EXPECT_EQ(texts[first + 3], run);
        EXPECT_TRUE(StartsWith(texts[first + 4], "ERROR  " + run + " 失败: "));
        EXPECT_EQ(texts[first + 7], "后面 2");
    }
}

TEST(RunLogTest, ALogThatCannotBeOpenedGoesToTempAndSaysSoFirst) {
    TempDir dir;
    char unique[64];
    snprintf(unique, sizeof(unique), "日志 %lu.log", GetCurrentProcessId());
    const CString refused = dir / "没有的文件夹\\" + unique;
    const CString fallback = TempFolderPath(unique);
    DeleteFileW(Wide(fallback).c_str());
    {
        CRunLog log;
        ASSERT_TRUE(log.Open(refused));
        EXPECT_EQ(log.Path(), fallback);
        RunLogLine("继续");
    }
    const std::vector<std::string> texts = Texts(ReadFileBytes(fallback));
    DeleteFileW(Wide(fallback).c_str());
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_TRUE(StartsWith(texts[0], "ERROR  不能打开日志文件 " + refused.str() + ", 改用 " +
                                         fallback.str() + ": "))
        << texts[0];
    EXPECT_EQ(texts[1], "继续");
}

TEST(RunLogTest, CharactersCodePage936LacksAreShownEscaped) {
    const struct {
        const wchar_t* wide;
        const char* logged;
    } cases[] = {
        {L"Setup.exe /D=C:\\安装", "Setup.exe /D=C:\\安装"},
        {L"C:\\Users\\S\u00F8ren", "C:\\Users\\S<U+00F8>ren"},
        {L"\U0001F600 x", "<U+1F600> x"},
    };
    for (const auto& c : cases) EXPECT_EQ(LoggedText(c.wide).str(), c.logged);
}
