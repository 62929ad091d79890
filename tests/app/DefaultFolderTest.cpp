#include "app/DefaultFolder.h"

#include "tests/support/ScratchRegistry.h"

#include <gtest/gtest.h>

TEST(DefaultFolderTest, TheProductFolderGoesBelowTheSystemsProgramFiles) {
    struct Case {
        const wchar_t* programFiles;
        const char* folder;
    };
    const Case cases[] = {
        {L"C:\\Program Files", "C:\\Program Files\\Morvane\\Kelvra\\"},
        {L"D:\\Program Files\\", "D:\\Program Files\\Morvane\\Kelvra\\"},
        {L"E:\\", "E:\\Morvane\\Kelvra\\"},
        {L"D:\\程序", "D:\\程序\\Morvane\\Kelvra\\"},
        // Nothing usable: the standard folder.
        {L"", "C:\\Program Files\\Morvane\\Kelvra\\"},
        {L"Program Files", "C:\\Program Files\\Morvane\\Kelvra\\"},
        {L"D:\\Progr\u00f8m", "C:\\Program Files\\Morvane\\Kelvra\\"}, // not in code page 936
    };
    for (const Case& c : cases)
        EXPECT_EQ(DefaultInstallDirIn(c.programFiles), CString(c.folder)) << c.folder;
}

TEST(DefaultFolderTest, TheSystemIsAskedForItsProgramFilesFolder) {
    // On this prefix, a standard one.
    EXPECT_EQ(DefaultInstallDir(), CString("C:\\Program Files\\Morvane\\Kelvra\\"));
    // Wine answers FOLDERID_ProgramFiles from the ProgramFilesDir value, as
    // a Windows set up with its programs on D: holds it.
    ScratchRegistry registry;
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                             "ProgramFilesDir", "D:\\Program Files"));
    EXPECT_EQ(DefaultInstallDir(), CString("D:\\Program Files\\Morvane\\Kelvra\\"));
}
