// The framework's side of the code page 936 / UTF-16 boundary: directory
// listings, window texts and full paths cross in UTF-16, and a name code
// page 936 cannot hold is told apart instead of being turned into "?".
#include "framework/FileFind.h"
#include "framework/PathCompare.h"
#include "framework/WideText.h"
#include "framework/Window.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <map>

TEST(WideBoundary, ListingNamesEveryEntryAndTellsWhichNames936CannotHold) {
    TempDir temp;
    // Name as Windows holds it -> name the program sees, and whether it is exact.
    const std::map<std::wstring, std::pair<CString, bool>> entries = {
        {L"乗.txt", {"乗.txt", true}},
        {L"线型库", {"线型库", true}},
        {L"S\u00f8ren.txt", {"S?ren.txt", false}},
    };
    for (const auto& entry : entries)
        ASSERT_TRUE(CreateDirectoryW((Wide(temp.Path()) + entry.first).c_str(), nullptr));
    CFileFind finder;
    std::map<CString, bool> seen;
    for (bool more = finder.FindFile(temp / "*"); more; more = finder.FindNextFile())
        if (!finder.IsDots()) seen[finder.GetFileName()] = finder.HasExactName();
    ASSERT_EQ(seen.size(), entries.size());
    for (const auto& entry : entries) {
        ASSERT_EQ(seen.count(entry.second.first), 1u) << entry.second.first.GetString();
        EXPECT_EQ(seen[entry.second.first], entry.second.second) << entry.second.first.GetString();
    }
    // A pattern that is not code page 936 text is refused, not searched for.
    EXPECT_FALSE(finder.FindFile(temp / "\x81"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(WideBoundary, WindowTextsCrossInUtf16) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    CWnd window;
    ASSERT_TRUE(window.SubclassWindow(edit));
    window.SetWindowText("土地整理乗");
    EXPECT_EQ(window.GetWideText(), std::wstring(L"土地整理乗"));
    CString text;
    EXPECT_TRUE(window.GetWindowText(text));
    EXPECT_EQ(text, CString("土地整理乗"));

    SetWindowTextW(edit, L"C:\\Users\\S\u00f8ren");
    text = "stale";
    EXPECT_FALSE(window.GetWindowText(text));
    EXPECT_EQ(window.GetWindowText(), CString("C:\\Users\\S?ren"));
    DestroyWindow(edit);
}

TEST(WideBoundary, FullPathsKeepDoubleByteNames) {
    EXPECT_EQ(NormalizePath("C:\\土地\\..\\乗\\"), CString("C:\\乗"));
    EXPECT_EQ(NormalizePath("C:\\\x81"), CString());
}
