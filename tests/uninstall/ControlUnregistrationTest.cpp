// The sample distribution's real control, registered by its own
// DllRegisterServer, then taken away by reading the registry: with its file
// in place, with its file already gone, and (where it can be trusted) by its
// own DllUnregisterServer too.
#include "framework/Handles.h"
#include "framework/SelfRegistration.h"
#include "framework/WideText.h"
#include "host_cad/ComClassRegistry.h"
#include "framework/ControlFileTrust.h"
#include "uninstall/ControlUnregistration.h"
#include "uninstall/ProductRemoval.h"

#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"
#include "tests/support/WinePath.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <string>

namespace {

const char kClass[] = "SOFTWARE\\Classes\\CLSID\\{6B2E9C41-4D0A-4F7E-9C35-1A7D5E0B9F21}";
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

// An access list written as SDDL.
CLocalMemory Descriptor(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                     &descriptor, nullptr))
        << sddl;
    return CLocalMemory(descriptor);
}

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
    // Folder and file with a list that lets administrators alone change them.
    const wchar_t* folderSddl;
    bool runsItsOwnCode;
};

const UnregisterCase kCases[] = {
    // Everyone may change the folder (Wine keeps that in the Unix "other" bits).
    {.name = "in a folder users may write",
     .fileDeletedFirst = false,
     .folderSddl = L"D:(A;OICI;FA;;;WD)",
     .runsItsOwnCode = false},
    {.name = "with its file already deleted",
     .fileDeletedFirst = true,
     .folderSddl = nullptr,
     .runsItsOwnCode = false},
    {.name = "in a folder administrators alone may write",
     .fileDeletedFirst = false,
     .folderSddl = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)",
     .runsItsOwnCode = true},
};

TEST(ControlUnregistration, RemovesEveryKeyNamingTheFileWithoutRunningUntrustedCode) {
    for (const UnregisterCase& c : kCases) {
        SCOPED_TRACE(c.name);
        ScratchRegistry registry;
        TempDir temp;
        const CString folder = temp / "Control";
        ASSERT_TRUE(c.folderSddl ? CreateFolderWithList(folder, c.folderSddl)
                                 : CreateDirectoryW(Wide(folder).c_str(), nullptr));
        const CString path = folder + "\\KelvraSample.ocx";
        ASSERT_TRUE(CopyFileA(SampleControl(), path, FALSE));
        RegisterAround(registry.Machine(), path);
        ASSERT_TRUE(IsComServerRegistered(path));
        if (c.fileDeletedFirst) {
            ASSERT_TRUE(DeleteFileA(path));
        }
        if (c.runsItsOwnCode && !IsControlFileTrusted(path)) {
            // A release build under Wine: every file is Wine's user's own, and
            // only a test build counts that user as the administrators.
            printf("skipped \"%s\": this system cannot give a folder to administrators alone\n",
                   c.name);
            continue;
        }
        EXPECT_EQ(IsControlFileTrusted(path), c.runsItsOwnCode);

        const ControlUnregistration result = UnregisterControl(path);
        EXPECT_TRUE(result.unregistered);
        EXPECT_EQ(result.selfUnregistered, c.runsItsOwnCode);
        EXPECT_FALSE(IsComServerRegistered(path));
        ExpectOnlyTheControlsKeysGone(registry.Machine(), c.name);
    }
}

class QuietObserver : public IRemovalObserver {
public:
    void OnStep(const CString&, int, int) override {}
    bool RetryInUse(const CString&, DWORD) override { return false; }
};

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
    QuietObserver observer;

    // Nobody may delete the class's server key, administrators included.
    CRegKey server;
    ASSERT_EQ(RegOpenKeyExA(registry.Machine(), CString(kClass) + "\\InprocServer32", 0,
                            READ_CONTROL | WRITE_DAC, server.Out()),
              ERROR_SUCCESS);
    const CLocalMemory locked = Descriptor(L"D:P(D;;SD;;;WD)(A;;KA;;;WD)");
    ASSERT_EQ(RegSetKeySecurity(server.Get(), DACL_SECURITY_INFORMATION, locked.Get()),
              ERROR_SUCCESS);
    if (RegDeleteKeyA(registry.Machine(), CString(kClass) + "\\InprocServer32") == ERROR_SUCCESS)
        GTEST_SKIP() << "this system does not enforce a key's access list (Wine 8)";

    RemovalOutcome outcome = RemoveProduct(record, scope, RemovalOptions(), observer);
    EXPECT_EQ(1603, outcome.ExitCode());
    ASSERT_EQ(1u, outcome.failed.size());
    EXPECT_EQ(path, outcome.failed[0]);
    EXPECT_TRUE(FileExists(path));

    const CLocalMemory open = Descriptor(L"D:P(A;;KA;;;WD)");
    ASSERT_EQ(RegSetKeySecurity(server.Get(), DACL_SECURITY_INFORMATION, open.Get()),
              ERROR_SUCCESS);
    server.Reset();
    outcome = RemoveProduct(record, scope, RemovalOptions(), observer);
    EXPECT_EQ(0, outcome.ExitCode());
    EXPECT_FALSE(FileExists(path));
    ExpectOnlyTheControlsKeysGone(registry.Machine(), "second run");
}

} // namespace
