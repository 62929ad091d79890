#include "framework/DllSearch.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

// A DLL planted beside the program must not be loaded by a bare name once
// the search path is restricted.
TEST(DllSearchTest, PlantedDllBesideTheProgramIsNotLoaded) {
    char exePath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exePath, MAX_PATH);
    CString folder(exePath);
    folder = folder.Left(folder.ReverseFind('\\') + 1);
    // Any real DLL will do as the plant: copy one of the system's under a new name.
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    CString planted = folder + "kelvra_planted.dll";
    ASSERT_TRUE(CopyFileA(CString(system) + "\\version.dll", planted, FALSE));

    // Unrestricted, the bare name is found beside the program.
    HMODULE before = LoadLibraryA("kelvra_planted.dll");
    ASSERT_NE(before, nullptr)
        << "the plant must be loadable before the restriction, or the test proves nothing";
    FreeLibrary(before);

    RestrictDllSearchPath();
    HMODULE after = LoadLibraryA("kelvra_planted.dll");
    EXPECT_EQ(after, nullptr);
    if (after) FreeLibrary(after);
    // System DLLs still load by name.
    HMODULE shell = LoadLibraryA("shlwapi.dll");
    EXPECT_NE(shell, nullptr);
    if (shell) FreeLibrary(shell);
    DeleteFileA(planted);
}
