// The uninstaller program's own logic that needs no window: what its last
// box says.
#include "framework/ExitCode.h"
#include "framework/Handles.h"
#include "framework/SingleInstance.h"
#include "framework/WideText.h"
#include "res/resource.h"
#include "uninstall/RemovalReport.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <string>
#include <utility>
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

// The version block Explorer's Details tab and deployment inventories show,
// read back from the built Uninstall-64.exe.
TEST(UninstallProgramTest, TheProgramCarriesTheProductsVersionUnderItsOwnName) {
    std::string unixPath = std::string("Z:") + KELVRA_UNINSTALL_EXE;
    for (char& c : unixPath)
        if (c == '/') c = '\\';
    const CString program(unixPath);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(program, &ignored);
    ASSERT_GT(size, 0u) << "no version block in " << program.GetString();
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(program, 0, size, block.data()));
    const std::pair<const char*, const char*> fields[] = {
        {"FileDescription", "Kelvra V9.0 卸载程序"},
        {"InternalName", "Uninstall-64"},
        {"OriginalFilename", "Uninstall-64.exe"},
        {"ProductName", "土地整理规划设计软件 Kelvra V9.0"},
    };
    for (const auto& [name, text] : fields) {
        void* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), CString("\\StringFileInfo\\080403a8\\") + name,
                                   &value, &length))
            << name;
        EXPECT_STREQ(static_cast<const char*>(value), text) << name;
    }
}

// The built program with the one-instance names squatted as a user without
// rights would squat them (created first, opened by nobody): it goes on and
// ends for its own reason (no record beside it: 1603), not with 1618. Held
// by a real run of the product, the lock still answers 1618.
TEST(UninstallProgramTest, SquattedInstanceNamesDoNotAnswer1618) {
    std::string program = std::string("Z:") + KELVRA_UNINSTALL_EXE;
    for (char& c : program)
        if (c == '/') c = '\\';
    auto run = [&]() -> DWORD {
        std::wstring line = L"\"" + Wide(CString(program.c_str())) + L"\" /S";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info))
            return 0;
        CHandle process(info.hProcess);
        CHandle thread(info.hThread);
        if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) return 1;
        DWORD code = 0;
        GetExitCodeProcess(process.Get(), &code);
        return code;
    };
    PSECURITY_DESCRIPTOR nobody = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P", SDDL_REVISION_1,
                                                                     &nobody, nullptr));
    CLocalMemory owned(nobody);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nobody, FALSE};
    {
        CHandle global(CreateMutexW(&attributes, FALSE, L"Global\\Kelvra V9 Setup"));
        CHandle local(CreateMutexW(&attributes, FALSE, L"Local\\Kelvra V9 Setup"));
        ASSERT_TRUE(global.IsValid() && local.IsValid());
        EXPECT_EQ(run(), static_cast<DWORD>(kExitFailed));
    }
    CSingleInstance running(KELVRA_INSTANCE_MUTEX);
    ASSERT_TRUE(running.IsFirst());
    EXPECT_EQ(run(), static_cast<DWORD>(kExitAlreadyRunning));
}

} // namespace
