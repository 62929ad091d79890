// The uninstaller program's own logic that needs no window: what its last
// box says.
#include "framework/ExitCode.h"
#include "framework/Handles.h"
#include "framework/PathCompare.h"
#include "framework/SingleInstance.h"
#include "framework/WideText.h"
#include "res/resource.h"
#include "uninstall/RecordLocation.h"
#include "uninstall/RemovalReport.h"

#include "tests/support/SquattedName.h"
#include "tests/support/TempDir.h"
#include "tests/support/WinePath.h"
#include "tools/driver/UiDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

CStringArray Names(int count) {
    CStringArray names;
    for (int i = 1; i <= count; ++i) {
        CString name;
        name.Format("C:\\K\\文件%02d.dwg", i);
        names.push_back(name);
    }
    return names;
}

TEST(UninstallProgramTest, LastBoxNamesWhatStayedAndShortensLongLists) {
    RemovalOutcome done;
    done.removed = 42;
    RemovalOutcome kept = done;
    kept.keptData = {"C:\\K\\Database\\kelvra.mdb"};
    RemovalOutcome refused = done;
    refused.refused = Names(kShownNamesPerList + 3);
    RemovalOutcome failed = done;
    failed.inUse = {"C:\\K\\Kelvra-64.exe"};
    RemovalOutcome nothing;
    RemovalOutcome yours = done;
    yours.userFiles = Names(kShownUserFiles + 2);
    yours.foldersBefore = {"C:\\K\\Database"};
    RemovalOutcome safe = done;
    safe.safeMode = true;
    safe.foldersLeft = {"C:\\K\\图库"};
    struct Case {
        const char* what;
        const RemovalOutcome* outcome;
        bool selfAtRestart;
        std::vector<const char*> says;
        std::vector<const char*> saysNot;
    };
    const Case cases[] = {
        {.what = "all removed",
         .outcome = &done,
         .selfAtRestart = false,
         .says = {"已从您的计算机中删除", "本次删除了 42 项"},
         .saysNot = {"留在了计算机上", "重新启动"}},
        {.what = "data kept",
         .outcome = &kept,
         .selfAtRestart = false,
         .says = {"已从您的计算机中删除", "保留的数据文件", "kelvra.mdb"},
         .saysNot = {"以及另外"}},
        {.what = "refused lines",
         .outcome = &refused,
         .selfAtRestart = false,
         .says = {"已拒绝", "文件05.dwg", "以及另外 3 项"},
         .saysNot = {"文件06.dwg"}},
        {.what = "a file in use",
         .outcome = &failed,
         .selfAtRestart = false,
         .says = {"没有完全删除", "Kelvra-64.exe"},
         .saysNot = {"已从您的计算机中删除"}},
        {.what = "the user's own files and folders",
         .outcome = &yours,
         .selfAtRestart = false,
         .says = {"已从您的计算机中删除", "添加或修改", "共 12 个", "文件10.dwg", "以及另外 2 项",
                  "安装前已有的文件夹", "C:\\K\\Database"},
         .saysNot = {"文件11.dwg", "没有有效的安装记录"}},
        {.what = "no valid record",
         .outcome = &safe,
         .selfAtRestart = false,
         .says = {"没有找到有效的安装记录", "C:\\K\\图库"},
         .saysNot = {"添加或修改过的文件"}},
        {.what = "a second run",
         .outcome = &nothing,
         .selfAtRestart = true,
         .says = {"没有找到还需删除的内容", "重新启动"},
         .saysNot = {"本次删除了"}},
    };
    for (const Case& c : cases) {
        const CString text = LastBoxText(*c.outcome, c.selfAtRestart);
        for (const char* part : c.says) EXPECT_NE(text.Find(part), -1) << c.what << ": " << text;
        for (const char* part : c.saysNot) EXPECT_EQ(text.Find(part), -1) << c.what << ": " << text;
    }
}

// The record the uninstaller trusts: the one beside the log when it is whole
// and this folder's; a missing, cut or edited one, or one that names only
// another folder, is no record (the safe mode), and another folder's is not
// deleted after the run.
TEST(UninstallProgramTest, AMissingOrDamagedRecordMeansTheSafeMode) {
    TempDir temp;
    const CString destination = temp / "目标";
    CreateFolders(destination);
    CInstallRecord written;
    written.createdFolders.push_back(destination + "\\Support");
    written.files.push_back({.path = destination + "\\Support\\a.arx", .size = 3, .lastWrite = 7});
    const RecordChoice choice = ChooseRecord(destination, false);
    ASSERT_EQ(NormalizePath(choice.path), NormalizePath(destination + "\\" + RecordFileName()));
    struct Case {
        const char* what;
        std::function<void(const CString&)> spoil;
        bool valid;
    };
    const Case cases[] = {
        {.what = "whole", .spoil = [](const CString&) {}, .valid = true},
        {.what = "missing",
         .spoil = [](const CString& path) { DeleteFileA(path); },
         .valid = false},
        {.what = "cut short",
         .spoil =
             [](const CString& path) {
                 const std::string bytes = ReadFileBytes(path);
                 SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
                 WriteFileBytes(path, bytes.substr(0, bytes.size() / 2));
             },
         .valid = false},
        {.what = "edited",
         .spoil =
             [](const CString& path) {
                 std::string bytes = ReadFileBytes(path);
                 bytes[bytes.find("a.arx")] = 'b';
                 SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
                 WriteFileBytes(path, bytes);
             },
         .valid = false},
        {.what = "another folder's",
         .spoil =
             [&](const CString& path) {
                 CInstallRecord other;
                 other.createdFolders.push_back(destination + " 2\\Support");
                 other.files.push_back(
                     {.path = destination + " 2\\Support\\a.arx", .size = 3, .lastWrite = 7});
                 SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
                 ASSERT_TRUE(other.Save(path));
             },
         .valid = false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(written.Save(choice.path));
        c.spoil(choice.path);
        CInstallRecord read;
        RecordChoice loaded = choice;
        EXPECT_EQ(c.valid, LoadChosenRecord(loaded, read));
        EXPECT_EQ(c.valid ? 1u : 0u, read.files.size());
        const bool deletedAfter = std::find(loaded.removeAfter.begin(), loaded.removeAfter.end(),
                                            choice.path) != loaded.removeAfter.end();
        EXPECT_EQ(std::string(c.what) != "another folder's", deletedAfter);
    }
}

// The built program with its one-instance names squatted by a user (owned
// by that user, open to all or to nobody), where it holds them here (no
// private namespaces under Wine 8): it goes on and ends for its own reason
// (no log or record beside it, and nothing registered for its folder: 0,
// nothing removed), not with 1618. Held by a real run of the product, the
// lock still answers 1618.
TEST(UninstallProgramTest, SquattedInstanceNamesDoNotAnswer1618) {
    auto run = []() -> DWORD {
        CUiDriver driver(60000);
        driver.SetFailureHandler(
            [](const CString& message) { throw std::runtime_error(message.str()); });
        driver.Launch(WinePath(KELVRA_UNINSTALL_EXE), "/S");
        return driver.WaitForExit();
    };
    for (const wchar_t* sddl : {L"O:WDD:(A;;GA;;;WD)", L"O:WDD:P"}) {
        SCOPED_TRACE(Narrow(sddl).GetString());
        CSquattedName administrators(L"Global\\Kelvra V9 Setup (administrators)", sddl);
        CSquattedName local(L"Local\\Kelvra V9 Setup", sddl);
        ASSERT_TRUE(administrators.IsValid() && local.IsValid());
        ASSERT_TRUE(administrators.IsOwnedBy(WinWorldSid));
        EXPECT_EQ(run(), static_cast<DWORD>(kExitSuccess));
    }
    CSingleInstance running(KELVRA_INSTANCE_MUTEX);
    ASSERT_TRUE(running.IsFirst());
    EXPECT_EQ(run(), static_cast<DWORD>(kExitAlreadyRunning));
}

} // namespace
