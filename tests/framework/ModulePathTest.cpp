#include "framework/App.h"

#include <gtest/gtest.h>

TEST(ModulePathTest, ASharesProgramIsNamedByItsShareOnWindowsAndUnderWine) {
    struct Case {
        const wchar_t* given;
        const wchar_t* usual;
    };
    const Case cases[] = {
        // Windows, and every local drive.
        {L"\\\\kserver\\soft\\Setup.exe", L"\\\\kserver\\soft\\Setup.exe"},
        {L"D:\\Kelvra V9\\Setup.exe", L"D:\\Kelvra V9\\Setup.exe"},
        // Wine names a share's program without the leading backslashes.
        {L"UNC\\kserver\\soft\\Kelvra V9\\Setup.exe", L"\\\\kserver\\soft\\Kelvra V9\\Setup.exe"},
        {L"unc\\kserver\\soft\\Setup.exe", L"\\\\kserver\\soft\\Setup.exe"},
        // A program started by its long-path name.
        {L"\\\\?\\UNC\\kserver\\soft\\Setup.exe", L"\\\\kserver\\soft\\Setup.exe"},
        {L"\\\\?\\D:\\Kelvra\\Setup.exe", L"D:\\Kelvra\\Setup.exe"},
        // Not those forms: unchanged.
        {L"UNCLE\\Setup.exe", L"UNCLE\\Setup.exe"},
        {L"\\\\?\\Volume{1234}\\Setup.exe", L"\\\\?\\Volume{1234}\\Setup.exe"},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UsualModulePath(c.given), std::wstring(c.usual)) << c.given;
    // This program's own path, read the same way.
    const std::wstring self = AfxGetModulePath();
    ASSERT_FALSE(self.empty());
    EXPECT_EQ(UsualModulePath(self), self);
}
