// Control self-registration with real libraries built for the tests.
#include "engine/SetupThread.h"
#include "framework/ControlFileTrust.h"
#include "framework/DllSearch.h"
#include "tests/engine/RegistrationFixture.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
const char kMarkerKey[] = "Software\\KelvraTestControls";
} // namespace

TEST(RegisterServer, OnlySOkFromTheEntryPointCountsAsSuccess) {
    ScratchRegistry registry;
    TempDir temp;
    ASSERT_TRUE(PlaceTestControl("marker.ocx", temp.Path(), "marker.ocx"));
    ASSERT_TRUE(PlaceTestControl("sfalse.ocx", temp.Path(), "sfalse.ocx"));
    ASSERT_TRUE(PlaceTestControl("failing.ocx", temp.Path(), "failing.ocx"));
    ASSERT_TRUE(PlaceTestControl("ctlhelper.dll", temp.Path(), "noentry.ocx"));
    ASSERT_TRUE(WriteFileBytes(temp / "fake.ocx", "not a library"));

    EXPECT_EQ(1, CSetupThread::RegisterServer(temp / "marker.ocx"));
    EXPECT_EQ(CString("registered"), GetRegString(registry.User(), kMarkerKey, "marker"));
    // Called, but S_FALSE and errors are failures.
    EXPECT_EQ(0, CSetupThread::RegisterServer(temp / "sfalse.ocx"));
    EXPECT_TRUE(RegValueExists(registry.User(), kMarkerKey, "sfalse"));
    EXPECT_EQ(0, CSetupThread::RegisterServer(temp / "failing.ocx"));
    EXPECT_TRUE(RegValueExists(registry.User(), kMarkerKey, "failing"));
    EXPECT_EQ(0, CSetupThread::RegisterServer(temp / "noentry.ocx"));
    EXPECT_EQ(0, CSetupThread::RegisterServer(temp / "fake.ocx"));
    EXPECT_EQ(0, CSetupThread::RegisterServer(temp / "missing.ocx"));

    // Every library was freed again: the files can be deleted.
    for (const char* name : {"marker.ocx", "sfalse.ocx", "failing.ocx", "noentry.ocx"})
        EXPECT_TRUE(DeleteFileA(temp / name)) << name;
}

TEST(RegisterControls, EveryOcxDirectlyInControlIsRegisteredAndLogged) {
    ScratchRegistry registry;
    TempDir temp;
    CSetupThread worker;
    worker.m_strInstallDir = temp.Path();
    const CString control = temp / "Control\\";
    CreateFolders(control + "Sub");
    ASSERT_TRUE(PlaceTestControl("marker.ocx", control, "marker.ocx"));
    ASSERT_TRUE(PlaceTestControl("sfalse.ocx", control, "sfalse.ocx"));
    ASSERT_TRUE(WriteFileBytes(control + "fake.ocx", "not a library"));
    // A library with another extension, and a control in a subfolder: neither is registered.
    ASSERT_TRUE(PlaceTestControl("second.ocx", control, "second.dll"));
    ASSERT_TRUE(PlaceTestControl("second.ocx", control + "Sub\\", "second.ocx"));

    worker.RegisterControls();

    EXPECT_TRUE(RegValueExists(registry.User(), kMarkerKey, "marker"));
    EXPECT_TRUE(RegValueExists(registry.User(), kMarkerKey, "sfalse"));
    EXPECT_FALSE(RegValueExists(registry.User(), kMarkerKey, "second"));
    std::vector<CString> lines = LogLines(worker);
    std::sort(lines.begin(), lines.end());
    const std::vector<CString> expected = {"Reg Ctrl: " + control + "fake.ocx",
                                           "Reg Ctrl: " + control + "marker.ocx",
                                           "Reg Ctrl: " + control + "sfalse.ocx"};
    EXPECT_EQ(expected, lines);
}

// A control in a folder others may change is never loaded: not registered,
// named, and counted as a failure (the run ends with 1603). Everyone's right
// to change the folder reaches Wine as the Unix "other" bits; a test build
// counts Wine's user as the administrators (framework/FileSecurity.cpp).
TEST(RegisterControls, AControlOthersMayChangeIsNamedAndNotLoaded) {
    ScratchRegistry registry;
    TempDir temp;
    CSetupThread worker;
    worker.m_strInstallDir = temp.Path();
    ASSERT_TRUE(CreateFolderWithList(temp / "Control", L"D:(A;OICI;FA;;;WD)"));
    const CString control = temp / "Control\\marker.ocx";
    ASSERT_TRUE(PlaceTestControl("marker.ocx", temp / "Control\\", "marker.ocx"));
    ASSERT_FALSE(IsControlFileTrusted(control));

    worker.RegisterControls();

    EXPECT_FALSE(RegValueExists(registry.User(), kMarkerKey, "marker"));
    EXPECT_EQ(worker.m_failures.controls, CStringArray{control});
    EXPECT_TRUE(worker.m_failures.controlsOthersMayChange);
    EXPECT_NE(CSetupThread::SilentFailuresText(worker.m_failures).Find("只有管理员"), -1);
    EXPECT_EQ(LogLines(worker), std::vector<CString>{"Reg Ctrl: " + control});
    // The uninstaller's check agrees: its own code would not run either.
    EXPECT_FALSE(CControlFileCheck(control).Trusted());
}

TEST(RegisterControls, EmptyOrMissingControlFolderLogsNothing) {
    TempDir temp;
    CSetupThread worker;
    worker.m_strInstallDir = temp.Path();
    worker.RegisterControls();
    EXPECT_TRUE(worker.m_strLog.IsEmpty());
    CreateFolders(temp / "Control");
    worker.RegisterControls();
    EXPECT_TRUE(worker.m_strLog.IsEmpty());
}

// Mend 4: with the search path locked to System32 (as in Setup.exe), a
// control's own DLL beside it still resolves. The restriction is
// process-wide; the other tests here load nothing by a bare name.
TEST(RegisterServerLockedSearchPath, ControlsOwnLibraryResolvesFromItsFolder) {
    ScratchRegistry registry;
    TempDir temp;
    ASSERT_TRUE(PlaceTestControl("dependent.ocx", temp.Path(), "dependent.ocx"));
    ASSERT_TRUE(PlaceTestControl("ctlhelper.dll", temp.Path(), "ctlhelper.dll"));
    RestrictDllSearchPath();

    // The plain load finds the control but not its library.
    HMODULE plain = LoadLibraryA(temp / "dependent.ocx");
    EXPECT_EQ(nullptr, plain)
        << "the helper resolved without the control's folder: the test proves nothing";
    if (plain) FreeLibrary(plain);

    EXPECT_EQ(1, CSetupThread::RegisterServer(temp / "dependent.ocx"));
    EXPECT_EQ(CString("helper"), GetRegString(registry.User(), kMarkerKey, "dependent"));
}
