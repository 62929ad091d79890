// The top-level program files: copied beside the content, the installer left
// out, the icon hidden, every file logged.
#include "engine/SetupThread.h"
#include "tests/engine/RegistrationFixture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct ProgramFilesTest : ::testing::Test {
    TempDir temp;
    CSetupThread worker;
    CString source, destination;
    void SetUp() override {
        source = temp / "dist\\";
        destination = temp / "安装\\";
        worker.m_strSourceDir = source;
        worker.m_strInstallDir = destination;
        CreateFolders(source + "Support");
        CreateFolders(destination);
    }
    void TearDown() override {
        for (const CString& folder : {source, destination})
            for (const char* name : {"readme.txt", "KelvraV9.0.ico"})
                SetFileAttributesA(folder + name, FILE_ATTRIBUTE_NORMAL);
    }
    std::vector<CString> SortedLog() const {
        std::vector<CString> lines = LogLines(worker);
        std::sort(lines.begin(), lines.end());
        return lines;
    }
};

// The attributes that matter here: Wine reports every file as archived.
DWORD Attributes(const CString& path) {
    return GetFileAttributesA(path) & ~DWORD(FILE_ATTRIBUTE_ARCHIVE);
}

} // namespace

TEST_F(ProgramFilesTest, CopiesEveryTopLevelFileButTheInstaller) {
    for (const char* name :
         {"SETUP.EXE", "Kelvra-64.exe", "KelvraV9.0.ico", "readme.txt", "Kelvra.url"})
        ASSERT_TRUE(WriteFileBytes(source + name, name));
    SetFileAttributesA(source + "readme.txt", FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(source + "KelvraV9.0.ico", FILE_ATTRIBUTE_READONLY);

    worker.CopyProgramFiles();

    EXPECT_FALSE(FileExists(destination + "SETUP.EXE"));
    EXPECT_FALSE(DirectoryExists(destination + "Support"));
    for (const char* name : {"Kelvra-64.exe", "KelvraV9.0.ico", "readme.txt", "Kelvra.url"})
        EXPECT_EQ(std::string(name), ReadFileBytes(destination + name)) << name;
    // The icon is hidden and nothing else (its read-only attribute goes);
    // a read-only file stays read-only.
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_HIDDEN), Attributes(destination + "KelvraV9.0.ico"));
    EXPECT_TRUE(Attributes(destination + "readme.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(Attributes(destination + "Kelvra-64.exe") & FILE_ATTRIBUTE_HIDDEN);

    const std::vector<CString> expected = {
        "File Copy: " + destination + "Kelvra-64.exe", "File Copy: " + destination + "Kelvra.url",
        "File Copy: " + destination + "KelvraV9.0.ico", "File Copy: " + destination + "readme.txt"};
    EXPECT_EQ(expected, SortedLog());
}

TEST_F(ProgramFilesTest, FailedCopiesAreLoggedAllTheSame) {
    ASSERT_TRUE(WriteFileBytes(source + "readme.txt", "new"));
    ASSERT_TRUE(WriteFileBytes(source + "Kelvra-64.exe", "new"));
    // Something in the way that no copy can replace: a folder of the file's name.
    CreateFolders(destination + "readme.txt");

    worker.CopyProgramFiles();

    EXPECT_TRUE(DirectoryExists(destination + "readme.txt"));
    EXPECT_EQ("new", ReadFileBytes(destination + "Kelvra-64.exe"));
    // Named for the summary, the file that did arrive not.
    EXPECT_EQ(CStringArray{destination + "readme.txt"}, worker.m_failures.programFiles);
    const std::vector<CString> expected = {"File Copy: " + destination + "Kelvra-64.exe",
                                           "File Copy: " + destination + "readme.txt"};
    EXPECT_EQ(expected, SortedLog());

    // No destination at all: nothing is copied, every line is written.
    CSetupThread nowhere;
    nowhere.m_strSourceDir = source;
    nowhere.m_strInstallDir = temp / "missing\\";
    nowhere.CopyProgramFiles();
    EXPECT_EQ(2u, LogLines(nowhere).size());
    EXPECT_FALSE(DirectoryExists(temp / "missing"));
}
