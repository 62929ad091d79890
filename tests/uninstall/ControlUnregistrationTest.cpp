// The sample distribution's real control, registered by its own
// DllRegisterServer, then taken away by reading the registry: with its file
// in place, with its file already gone, and (where it can be trusted) by its
// own DllUnregisterServer too. The rights on its folder and file, and a
// class key nobody may delete, are given through the stand-ins (Wine keeps
// neither).
#include "framework/Handles.h"
#include "framework/SelfRegistration.h"
#include "framework/WideText.h"
#include "host_cad/ComClassRegistry.h"
#include "uninstall/ControlUnregistration.h"
#include "uninstall/ProductRemoval.h"

#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"
#include "tests/support/WinePath.h"
#include "tests/uninstall/RemovalStandIns.h"
#include "tests/uninstall/SecurityStandIns.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kClass[] = "SOFTWARE\\Classes\\CLSID\\{6B2E9C41-4D0A-4F7E-9C35-1A7D5E0B9F21}";
const wchar_t kClassBelowRoot[] = L"CLSID\\{6B2E9C41-4D0A-4F7E-9C35-1A7D5E0B9F21}";
// What the control registers about itself, and what this test adds: a
// second class and a 32-bit class naming the same file.
const char* const kGone[] = {
    kClass,
    "SOFTWARE\\Classes\\Kelvra.SampleControl",
    "SOFTWARE\\Classes\\Kelvra.SampleControl.1",
    "SOFTWARE\\Classes\\TypeLib\\{6B2E9C42-4D0A-4F7E-9C35-1A7D5E0B9F21}",
    "SOFTWARE\\Classes\\CLSID\\{00000000-0000-0000-0000-0000000000A1}",
    "SOFTWARE\\Classes\\Wow6432Node\\CLSID\\{00000000-0000-0000-0000-0000000000A2}",
};
// Not the control's: a class of another file, and a ProgID that one of the
// control's classes names but that now belongs to that other class.
const char* const kKept[] = {
    "SOFTWARE\\Classes\\CLSID\\{00000000-0000-0000-0000-0000000000B1}",
    "SOFTWARE\\Classes\\Kelvra.Taken",
};

CString SampleControl() { return WinePath(KELVRA_SAMPLE_CONTROL); }

// Administrators and SYSTEM change it, users read and run it; users may modify it.
const wchar_t kAdministratorsAlone[] =
    L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
const wchar_t kUsersMayChange[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)";

// The sample control at path, registered by itself, and the registration
// this test adds around it.
void RegisterAround(HKEY machine, const CString& path) {
    ASSERT_EQ(1, CallSelfRegistration(path, "DllRegisterServer"));
    CString upper = path; // another spelling of the same file
    upper.MakeLower();
    SetRegString(machine, CString(kGone[4]) + "\\InprocServer32", nullptr, "\"" + upper + "\"");
    SetRegString(machine, CString(kGone[4]) + "\\ProgID", nullptr, "Kelvra.Taken");
    SetRegString(machine, CString(kGone[5]) + "\\InprocServer32", nullptr, path);
    SetRegString(machine, CString(kKept[0]) + "\\InprocServer32", nullptr, path + ".other");
    SetRegString(machine, CString(kKept[1]) + "\\CLSID", nullptr,
                 "{00000000-0000-0000-0000-0000000000B1}");
}

void ExpectOnlyTheControlsKeysGone(HKEY machine, const char* name) {
    for (const char* key : kGone) EXPECT_FALSE(RegKeyExists(machine, key)) << name << ": " << key;
    for (const char* key : kKept) EXPECT_TRUE(RegKeyExists(machine, key)) << name << ": " << key;
}

struct UnregisterCase {
    const char* name;
    bool fileDeletedFirst;
    const wchar_t* folderRights;
    const wchar_t* fileRights;
    bool runsItsOwnCode;
};

const UnregisterCase kCases[] = {
    {.name = "in a folder users may change",
     .fileDeletedFirst = false,
     .folderRights = kUsersMayChange,
     .fileRights = kAdministratorsAlone,
     .runsItsOwnCode = false},
    {.name = "a file users may change, in a folder they may not",
     .fileDeletedFirst = false,
     .folderRights = kAdministratorsAlone,
     .fileRights = kUsersMayChange,
     .runsItsOwnCode = false},
    {.name = "with its file already deleted",
     .fileDeletedFirst = true,
     .folderRights = kAdministratorsAlone,
     .fileRights = kAdministratorsAlone,
     .runsItsOwnCode = false},
    {.name = "in a folder administrators alone may change",
     .fileDeletedFirst = false,
     .folderRights = kAdministratorsAlone,
     .fileRights = kAdministratorsAlone,
     .runsItsOwnCode = true},
};

TEST(ControlUnregistration, RemovesEveryKeyNamingTheFileWithoutRunningUntrustedCode) {
    for (const UnregisterCase& c : kCases) {
        SCOPED_TRACE(c.name);
        ScratchRegistry registry;
        CAssignedRights rights;
        TempDir temp;
        const CString folder = temp / "Control";
        CreateFolders(folder);
        const CString path = folder + "\\KelvraSample.ocx";
        ASSERT_TRUE(CopyFileA(SampleControl(), path, FALSE));
        AssignFileSecurity(folder, c.folderRights);
        AssignFileSecurity(path, c.fileRights);
        RegisterAround(registry.Machine(), path);
        ASSERT_TRUE(IsComServerRegistered(path));
        if (c.fileDeletedFirst) {
            ASSERT_TRUE(DeleteFileA(path));
        }

        const ControlUnregistration result = UnregisterControl(path);
        EXPECT_TRUE(result.unregistered);
        EXPECT_EQ(result.selfUnregistered, c.runsItsOwnCode);
        EXPECT_FALSE(IsComServerRegistered(path));
        ExpectOnlyTheControlsKeysGone(registry.Machine(), c.name);
    }
}

// Through the removal: a control whose class cannot be removed stays with
// its file, is named, and the run ends with 1603; once its class can go, a
// second run takes both.
TEST(ControlUnregistration, AControlStillRegisteredIsKeptNamedAndCounted) {
    ScratchRegistry registry;
    TempDir temp;
    const CString destination = temp / "Kelvra";
    CreateFolders(destination + "\\Control");
    const CString path = destination + "\\Control\\KelvraSample.ocx";
    ASSERT_TRUE(CopyFileA(SampleControl(), path, FALSE));
    RegisterAround(registry.Machine(), path);
    const CString log = "Made Dir: " + destination + "\\Control\r\nReg Ctrl: " + path + "\r\n";
    UninstallRecord record;
    ASSERT_TRUE(
        ParseUninstallRecord(log.GetString(), static_cast<size_t>(log.GetLength()), record));
    const CRemovalScope scope(destination, {}, {}, {temp.Path()});

    // Nobody may delete the class's key, administrators included; and the
    // control's own code is not run (users may change its folder), so only
    // the registry's removal can take the class.
    CAssignedRights rights;
    AssignFileSecurity(destination + "\\Control", kUsersMayChange);
    LockKeyTree(kClassBelowRoot);
    StandInObserver first;
    RemovalOutcome outcome = RemoveProduct(record, scope, RemovalOptions(), first);
    EXPECT_EQ(1603, outcome.ExitCode());
    EXPECT_EQ(CStringArray{path}, outcome.failed);
    EXPECT_TRUE(FileExists(path));
    EXPECT_TRUE(IsComServerRegistered(path));

    UnlockKeyTree(kClassBelowRoot);
    StandInObserver second;
    outcome = RemoveProduct(record, scope, RemovalOptions(), second);
    EXPECT_EQ(0, outcome.ExitCode());
    EXPECT_FALSE(FileExists(path));
    ExpectOnlyTheControlsKeysGone(registry.Machine(), "second run");
}

} // namespace
