// Who may change a folder, asked of its handle; the uninstaller's private
// folder list; logs that refuse to write through a planted link.
#include "framework/FileSecurity.h"
#include "framework/RunLog.h"

#include "tests/support/TempDir.h"
#include "tests/support/WinePath.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <cstdlib>
#include <string>

namespace {

// A descriptor in the form Windows keeps on a file or folder; without sddl,
// one owned by the Administrators group with a null list (parsers differ on
// "NO_ACCESS_CONTROL").
CLocalMemory Descriptor(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!sddl) {
        static BYTE administrators[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof(administrators);
        CLocalMemory made(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
        if (!made || !InitializeSecurityDescriptor(made.Get(), SECURITY_DESCRIPTOR_REVISION) ||
            !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) ||
            !SetSecurityDescriptorOwner(made.Get(), administrators, FALSE) ||
            !SetSecurityDescriptorDacl(made.Get(), TRUE, nullptr, FALSE))
            return CLocalMemory();
        return made;
    }
    ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                         nullptr);
    return CLocalMemory(descriptor);
}

struct AclCase {
    const char* name;
    const wchar_t* sddl;
    bool trusted; // only administrators (and SYSTEM) may change it
};

const AclCase kAclCases[] = {
    {.name = "administrators, SYSTEM", .sddl = L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)", .trusted = true},
    {.name = "users read, run", .sddl = L"O:BAD:P(A;;FA;;;BA)(A;;0x1200a9;;;BU)", .trusted = true},
    {.name = "inherit only", .sddl = L"O:BAD:P(A;;FA;;;BA)(A;OICIIO;FA;;;BU)", .trusted = true},
    {.name = "users add files", .sddl = L"O:BAD:P(A;;FA;;;BA)(A;;0x100002;;;BU)", .trusted = false},
    {.name = "anyone changes", .sddl = L"O:BAD:P(A;;FA;;;BA)(A;;0x1301bf;;;WD)", .trusted = false},
    {.name = "a null list", .sddl = nullptr, .trusted = false},
    {.name = "owned by users", .sddl = L"O:BUD:P(A;;FA;;;BA)", .trusted = false},
    {.name = "owned by TrustedInstaller",
     .sddl = L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
             L"D:P(A;;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)"
             L"(A;;0x1200a9;;;BA)",
     .trusted = true},
};

// Asked of descriptors: Wine 8 keeps no access list on its files (it makes
// one up from the Unix mode, owned by the user), so folders cannot carry these.
TEST(FileSecurityTest, OnlyWhatAdministratorsAloneMayChangeIsTrusted) {
    for (const AclCase& c : kAclCases) {
        SCOPED_TRACE(c.name);
        CLocalMemory descriptor = Descriptor(c.sddl);
        ASSERT_TRUE(descriptor.IsValid());
        EXPECT_EQ(AdministratorsAloneMayChange(descriptor.Get()), c.trusted);
    }
}

TEST(FileSecurityTest, ThePrivateListIsProtectedAndNamesThreeAccountsAlone) {
    CPrivateSecurity security;
    ASSERT_TRUE(security.IsValid());
    LPWSTR text = nullptr;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(
        security.Descriptor(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr));
    CLocalMemory owned(text);
    const std::wstring dacl(text);
    EXPECT_EQ(dacl.rfind(L"D:P", 0), 0u) << "not protected";
    size_t entries = 0;
    for (size_t at = dacl.find(L"(A;"); at != std::wstring::npos; at = dacl.find(L"(A;", at + 1))
        ++entries;
    EXPECT_EQ(entries, 3u);
    EXPECT_NE(dacl.find(L";SY)"), std::wstring::npos);
    EXPECT_NE(dacl.find(L";BA)"), std::wstring::npos);
    // The running user is in it, and is no administrative account.
    EXPECT_FALSE(AdministratorsAloneMayChange(security.Descriptor()));
}

// The link case beside the test (make-log-links.sh): target.txt with a
// hard link hard.log and a symbolic link sym.log to it. A log opened at
// either writes elsewhere and leaves the target as it was.
TEST(RunLogTest, ALogPathThatIsALinkIsNeverWrittenThrough) {
    const char* root = std::getenv("KELVRA_LOG_LINKS");
    if (!root) GTEST_SKIP() << "run through CTest: KELVRA_LOG_LINKS names the link case";
    const CString folder = WinePath(root) + "\\";
    const std::string before = ReadFileBytes(folder + "target.txt");
    ASSERT_FALSE(before.empty());
    for (const char* name : {"hard.log", "sym.log", "own.log"}) {
        {
            CRunLog log;
            ASSERT_TRUE(log.Open(folder + name)) << name;
            const bool own = CString(name) == "own.log";
            EXPECT_EQ(log.Path() == folder + name, own) << name << " -> " << log.Path().GetString();
            RunLogLine("written by the test");
        }
        EXPECT_EQ(ReadFileBytes(folder + "target.txt"), before) << name;
    }
    // A plain file of the user's own is appended to: the earlier run stays.
    const std::string own = ReadFileBytes(folder + "own.log");
    EXPECT_EQ(own.find("earlier run\r\n"), 0u) << own;
    EXPECT_NE(own.find("written by the test"), std::string::npos) << own;
}

} // namespace
