// The check before the first change, on real files, a real holder and a
// scratch registry: the restart operations taken out of the destination
// alone, and a module a program holds, named, ending a silent run before
// anything changes.
#include "engine/InstallCheck.h"

#include "engine/PendingRenames.h"
#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"
#include "tests/support/ModuleHolder.h"
#include "tests/support/SampleDistribution.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";

std::wstring Entry(const CString& path) { return L"\\??\\" + Wide(path); }

// Through the wide functions: the "A" ones would convert a string list.
void WriteOperations(const wchar_t* name, const std::vector<PendingRename>& renames) {
    const std::wstring data = SerializePendingRenames(renames);
    CRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.Out(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.Get(), name, 0, REG_MULTI_SZ,
                             reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

// The list's operations; missing: none, and exists false.
std::vector<PendingRename> ReadOperations(const wchar_t* name, bool* exists = nullptr) {
    wchar_t data[8192] = {};
    DWORD type = 0, bytes = sizeof(data) - sizeof(wchar_t);
    const bool found = RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, name, RRF_RT_ANY, &type,
                                    data, &bytes) == ERROR_SUCCESS;
    if (exists) *exists = found;
    if (!found) return {};
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    return ParsePendingRenames(std::wstring(data, bytes / sizeof(wchar_t)));
}

} // namespace

TEST(InstallCheck, TakesOutTheRestartOperationsInsideTheDestinationAndNoOthers) {
    ScratchRegistry registry;
    TempDir temp;
    const CString destination = temp / "目标 Kelvra\\";
    const CString waiting = destination + "Support\\loadkelvra.arx.kelvra-new";
    CreateFolders(destination + "Support");
    ASSERT_TRUE(WriteFileBytes(waiting, "new"));
    struct Row {
        CString source;
        CString target; // "" deletes, "!" replaces
        bool kept;
    };
    const Row rows[] = {
        // An uninstallation's deletion, an installation's replacement, a move
        // out of the destination and one into it.
        {.source = destination + "Kelvra-64.exe", .target = "", .kept = false},
        {.source = waiting, .target = "!" + destination + "Support\\loadkelvra.arx", .kept = false},
        {.source = destination + "图库\\a.dwg", .target = temp / "a.dwg", .kept = false},
        {.source = temp / "b.new", .target = "!" + destination + "b.dll", .kept = false},
        {.source = destination.Left(destination.GetLength() - 1), .target = "", .kept = false},
        // Elsewhere, a sibling whose name starts the same, another drive.
        {.source = temp / "other\\c.dll", .target = "", .kept = true},
        {.source = temp / "目标 Kelvra2\\d.dll", .target = "", .kept = true},
        {.source = "D:\\Kelvra\\e.new", .target = "!D:\\Kelvra\\e.dll", .kept = true},
    };
    std::vector<PendingRename> written, expected;
    for (const Row& row : rows) {
        PendingRename rename{.source = Entry(row.source), .target = std::wstring()};
        if (row.target.GetLength() > 0)
            rename.target =
                row.target.GetAt(0) == '!' ? L"!" + Entry(row.target.Mid(1)) : Entry(row.target);
        written.push_back(rename);
        if (row.kept) expected.push_back(rename);
    }
    WriteOperations(L"PendingFileRenameOperations", written);
    // The second list, with only an operation of this destination: it goes whole.
    WriteOperations(L"PendingFileRenameOperations2", {written[0]});

    ASSERT_TRUE(TakeOutPendingRenames(destination));
    const std::vector<PendingRename> left = ReadOperations(L"PendingFileRenameOperations");
    ASSERT_EQ(left.size(), expected.size());
    for (size_t i = 0; i < left.size(); ++i) {
        EXPECT_EQ(left[i].source, expected[i].source) << i;
        EXPECT_EQ(left[i].target, expected[i].target) << i;
    }
    bool second = true;
    ReadOperations(L"PendingFileRenameOperations2", &second);
    EXPECT_FALSE(second);
    EXPECT_FALSE(FileExists(waiting)) << "the earlier installation's waiting file";
    // Again: nothing of the destination is left to take out.
    EXPECT_TRUE(TakeOutPendingRenames(destination));
    EXPECT_EQ(ReadOperations(L"PendingFileRenameOperations").size(), expected.size());
}

TEST(InstallCheck, AHeldModuleIsNamedAndEndsASilentRunBeforeAnythingChanges) {
    ScratchRegistry registry;
    TempDir temp;
    const CString source = temp / "dist\\";
    const CString destination = temp / "Kelvra\\";
    ASSERT_TRUE(SampleDistribution{}.MakeIn(source));
    // The loader in the distribution and an earlier installation's copy, which
    // a program holds as a module.
    const CString module = ModuleHolder::SampleModule();
    ASSERT_TRUE(
        CopyFileW(Wide(module).c_str(), Wide(source + "Support\\LoadKelvra.arx").c_str(), FALSE));
    CreateFolders(destination + "Support");
    CString held = destination + "Support\\LoadKelvra.arx";
    ASSERT_TRUE(CopyFileW(Wide(module).c_str(), Wide(held).c_str(), FALSE));
    held.MakeLower(); // as the copy names it
    ModuleHolder holder;
    ASSERT_TRUE(holder.Hold(held));

    InstallCheck check = CheckInstallation(source, destination);
    ASSERT_EQ(check.inUse.size(), 1u);
    EXPECT_EQ(check.inUse[0].path, held);
    // Wine's Restart Manager names nobody; Windows' names the holder.
    for (const CString& program : check.inUse[0].programs)
        EXPECT_GE(program.Find("module_holder"), 0) << program.GetString();
    // No folder here is the administrators' alone (under Wine none ever is).
    ASSERT_EQ(check.replaceable.size(), 1u);
    EXPECT_FALSE(check.replaceable[0]);
    EXPECT_TRUE(check.space.known && check.space.Enough());

    const CString logPath = temp / "setup.log";
    {
        CRunLog log;
        ASSERT_TRUE(log.Open(logPath));
        bool replaceInUse = true;
        EXPECT_FALSE(CheckSilentInstallation(source, destination, replaceInUse));
        EXPECT_FALSE(replaceInUse);
    }
    const std::string text = ReadFileBytes(logPath);
    EXPECT_NE(text.find("ERROR  文件正在被使用: " + held.str() +
                        " (使用它的程序: " + ProgramNames(check.inUse[0].programs).str() + ")"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("安装终止, 没有更改任何内容"), std::string::npos) << text;
    EXPECT_FALSE(FileExists(destination + "readme.txt")) << "nothing was copied";

    // Once the program let it go, nothing is in use.
    holder.Release();
    check = CheckInstallation(source, destination);
    EXPECT_TRUE(check.inUse.empty());
}
