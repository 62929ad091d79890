// The restart operations a new installation takes out before it copies
// anything: those inside the destination alone, on a scratch registry.
// (A module a program holds is seen end to end: tests/e2e/FilesInUseTest.cpp.)
#include "engine/PendingRenames.h"

#include "framework/Handles.h"
#include "framework/WideText.h"
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

TEST(PendingRenames, TakesOutTheRestartOperationsInsideTheDestinationAndNoOthers) {
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
