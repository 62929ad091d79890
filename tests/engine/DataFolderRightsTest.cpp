// The rights Database\ and Temp\ get when the installation creates them:
// the rule that decides, the access list made, and a whole run read back
// from the folders.
#include "engine/DataFolderRights.h"

#include "engine/SetupThread.h"
#include "framework/FileSecurity.h"
#include "framework/RunLog.h"
#include "tests/engine/PageStandIn.h"
#include "tests/support/Dacl.h"
#include "tests/support/SampleDistribution.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <string>
#include <vector>

namespace {

std::wstring RunningUserSid() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return std::wstring();
    CHandle token(opened);
    BYTE buffer[256];
    DWORD size = 0;
    LPWSTR text = nullptr;
    if (!GetTokenInformation(token.Get(), TokenUser, buffer, sizeof(buffer), &size) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))
        return std::wstring();
    CLocalMemory owned(text);
    return text;
}

// "ME" in sddl stands for the running user.
CLocalMemory Descriptor(std::wstring sddl) {
    for (size_t at; (at = sddl.find(L";ME)")) != std::wstring::npos;)
        sddl.replace(at + 1, 2, RunningUserSid());
    for (size_t at; (at = sddl.find(L"O:ME")) != std::wstring::npos;)
        sddl.replace(at + 2, 2, RunningUserSid());
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                         nullptr);
    return CLocalMemory(descriptor);
}

bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

const wchar_t kUsersModify[] = L"(A;OICI;0x1301bf;;;BU)";

struct FolderCase {
    const char* where;
    const wchar_t* sddl;
    bool granted; // nobody but administrators and the installing account may change it
};

const FolderCase kFolderCases[] = {
    // As a folder made under Program Files inherits it (the owner by the
    // policy Windows uses for administrators' objects).
    {.where = "Program Files",
     .sddl = L"O:BAD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)(A;OICIIOID;GA;;;CO)",
     .granted = true},
    {.where = "Program Files, owned by the administrator's own account",
     .sddl = L"O:MED:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)(A;ID;FA;;;ME)",
     .granted = true},
    {.where = "a destination with the protected list of its own",
     .sddl = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)",
     .granted = true},
    {.where = "a drive whose users may change what they create",
     .sddl = L"O:BAD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1301bf;;;AU)",
     .granted = false},
    {.where = "a folder where everyone may add files",
     .sddl = L"O:BAD:(A;;FA;;;BA)(A;;0x100116;;;WD)",
     .granted = false},
    {.where = "a folder owned by another user",
     .sddl = L"O:S-1-5-21-1-2-3-1001D:(A;;FA;;;BA)",
     .granted = false},
};

TEST(DataFolderRights, UsersGetModifyOnlyWhereNobodyButAdministratorsAndTheInstallerMayWrite) {
    for (const FolderCase& c : kFolderCases) {
        SCOPED_TRACE(c.where);
        CLocalMemory descriptor = Descriptor(c.sddl);
        ASSERT_TRUE(descriptor.IsValid());
        EXPECT_EQ(AdministratorsAndRunningUserAloneMayChange(descriptor.Get()), c.granted);
    }
}

TEST(DataFolderRights, TheListKeepsTheFoldersOwnEntriesAndAddsUsersModifyInherited) {
    CLocalMemory descriptor =
        Descriptor(L"D:AI(D;;DC;;;S-1-5-21-1-2-3-1001)(A;;FA;;;BA)(A;OICIID;FA;;;SY)");
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.Get(), &present, &dacl, &defaulted));
    CLocalMemory list = DataFolderAccessList(dacl);
    ASSERT_TRUE(list.IsValid());
    SECURITY_DESCRIPTOR made{};
    ASSERT_TRUE(InitializeSecurityDescriptor(&made, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&made, TRUE, static_cast<PACL>(list.Get()), FALSE));
    // The denying entry first, as it was; the inherited one goes (the parent
    // gives it again when the list is set).
    EXPECT_EQ(DaclText(&made),
              std::wstring(L"D:(D;;DC;;;S-1-5-21-1-2-3-1001)(A;;FA;;;BA)") + kUsersModify);
    // A folder without a list of its own entries gets the one entry.
    CLocalMemory alone = DataFolderAccessList(nullptr);
    ASSERT_TRUE(SetSecurityDescriptorDacl(&made, TRUE, static_cast<PACL>(alone.Get()), FALSE));
    EXPECT_EQ(DaclText(&made), std::wstring(L"D:") + kUsersModify);
}

// A whole run into a new destination beside a Temp\ the user had there before.
TEST(DataFolderRights, ARunGrantsTheDataFoldersItCreatesAndLeavesTheOneThatWasThere) {
    ScratchRegistry registry;
    TempDir temp;
    const CString source = temp / "dist\\";
    const CString destination = temp / "Kelvra\\";
    ASSERT_TRUE(SampleDistribution{.programFiles = {}}.MakeIn(source));
    CreateFolders(destination + "Temp");
    const std::wstring before = FileDacl(destination + "Temp");
    ASSERT_FALSE(before.empty());

    PageStandIn page;
    CSetupThread worker;
    worker.m_strSourceDir = source;
    worker.m_strInstallDir = destination;
    std::string log;
    {
        CRunLog runLog;
        ASSERT_TRUE(runLog.Open(temp / "run.log"));
        ASSERT_TRUE(page.RunWorker(worker));
        runLog.Close();
        log = ReadFileBytes(temp / "run.log");
    }
    EXPECT_TRUE(worker.m_failures.dataFolders.empty());
    const std::string granted = "已授予 Users 组修改权限";
    EXPECT_NE(log.find("数据文件夹 " + (destination + "Database").str() + ": " + granted),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("数据文件夹 " + (destination + "Temp").str()), std::string::npos) << log;
    // Support\ is no data folder.
    EXPECT_EQ(log.find("Support: " + granted), std::string::npos) << log;

    // Read back from the folders. Windows keeps the entry, and the files
    // copied into Database\ inherit it. Wine 8 keeps no access list on a
    // file or folder at all: it accepts the list and answers with one made
    // up from the Unix mode bits, so there Database\ reads back just as the
    // Temp\ the run left alone.
    const std::wstring database = FileDacl(destination + "Database");
    if (UnderWine()) {
        EXPECT_EQ(database, before);
    } else {
        EXPECT_NE(database.find(kUsersModify), std::wstring::npos);
        EXPECT_NE(FileDacl(destination + "Database\\item.txt").find(L";0x1301bf;;;BU)"),
                  std::wstring::npos);
        EXPECT_EQ(FileDacl(destination + "Temp"), before);
    }
    SetFileAttributesA(destination + "Uninstall.log", FILE_ATTRIBUTE_NORMAL);
}

} // namespace
