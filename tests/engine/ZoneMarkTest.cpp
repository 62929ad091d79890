// The download mark on installed files. Wine has no alternate data streams:
// it keeps "name:Zone.Identifier" as a file of that very name beside "name".
// So these tests plant such a file in the destination, where on Windows the
// copy itself would have brought the stream along, and see the copy's
// removal reach it and the file keep the copy's time: the call path, not
// NTFS's streams, which only Windows can show.
#include "engine/SetupThread.h"

#include "framework/Handles.h"
#include "framework/WideText.h"
#include "tests/engine/PageStandIn.h"
#include "tests/support/FileAsItIs.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

const char kMark[] = ":Zone.Identifier";
const char kMarkText[] = "[ZoneTransfer]\r\nZoneId=3\r\n";

// A source file written long ago (2020-01-01), so the copy's time is told
// apart from the moment of the test.
void MakeOld(const CString& path, const char* content) {
    CreateFolders(path.Left(path.ReverseFind('\\')));
    ASSERT_TRUE(WriteFileBytes(path, content));
    SYSTEMTIME old{2020, 1, 3, 1, 0, 0, 0, 0};
    FILETIME time{};
    SystemTimeToFileTime(&old, &time);
    CFileHandle file(CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file && SetFileTime(file.Get(), nullptr, nullptr, &time));
}

} // namespace

TEST(ZoneMarkTest, InstalledFilesLoseTheMarkAndKeepTheTimeTheRecordTakes) {
    // Whether the distribution's volume can carry marks at all decides
    // whether the tree copy looks (under Wine no volume keeps streams, so a
    // real run never looks: the decision is set here by hand).
    for (const bool sourceMayCarryMarks : {true, false}) {
        SCOPED_TRACE(sourceMayCarryMarks ? "marks possible" : "no marks possible");
        TempDir temp;
        PageStandIn page;
        CSetupThread worker;
        page.Adopt(worker);
        worker.m_strSourceDir = temp / "dist\\";
        worker.m_strInstallDir = temp / "Kelvra\\";
        worker.m_bSourceMayCarryZoneMarks = sourceMayCarryMarks;
        MakeOld(worker.m_strSourceDir + "Support\\Help.CHM", "help");
        MakeOld(worker.m_strSourceDir + "KelvraHelp.chm", "program help");
        // Read-only on the medium: the program file stays so.
        ASSERT_TRUE(SetFileAttributesW(Wide(worker.m_strSourceDir + "KelvraHelp.chm").c_str(),
                                       FILE_ATTRIBUTE_READONLY));
        const CString content = worker.m_strInstallDir + "Support\\help.chm";
        const CString program = worker.m_strInstallDir + "KelvraHelp.chm";
        CreateFolders(worker.m_strInstallDir + "Support");
        ASSERT_TRUE(WriteFileBytes(content + kMark, kMarkText));
        ASSERT_TRUE(WriteFileBytes(program + kMark, kMarkText));

        ASSERT_NE(
            worker.CopyTree(worker.m_strSourceDir + "Support", worker.m_strInstallDir + "Support"),
            0);
        worker.CopyProgramFiles();

        EXPECT_EQ(ReadFileBytes(content), "help");
        EXPECT_EQ(FileExists(content + kMark), !sourceMayCarryMarks);
        // The program files are few: each is looked at.
        EXPECT_EQ(ReadFileBytes(program), "program help");
        EXPECT_FALSE(FileExists(program + kMark));
        EXPECT_TRUE(GetFileAttributesW(Wide(program).c_str()) & FILE_ATTRIBUTE_READONLY);
        // Each file's time is the copy's (the source's), and the record's.
        ASSERT_EQ(worker.m_record.files.size(), 2u);
        for (const RecordedFile& file : worker.m_record.files) {
            const CString source =
                worker.m_strSourceDir +
                (file.path == content ? CString("Support\\Help.CHM") : CString("KelvraHelp.chm"));
            EXPECT_EQ(AsItIs(file.path).lastWrite, AsItIs(source).lastWrite)
                << file.path.GetString();
            EXPECT_EQ(file.lastWrite, AsItIs(file.path).lastWrite) << file.path.GetString();
        }
        SetFileAttributesW(Wide(program).c_str(), FILE_ATTRIBUTE_NORMAL);
        SetFileAttributesW(Wide(worker.m_strSourceDir + "KelvraHelp.chm").c_str(),
                           FILE_ATTRIBUTE_NORMAL);
    }
}
