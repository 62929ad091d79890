// The destination's access list: the decision as a table, then what the
// system shows of it on real folders.
//
// What Wine can show: it keeps no access list on a file, but makes one up
// from the Unix mode (owner: its one user, whom a test build counts as the
// Administrators group; Everyone: the "other" bits) and maps a list it is
// given onto that mode. So a folder whose list lets Everyone change it
// reads back as such (o+w), and the protected list arrives as far as a mode
// can hold it: Everyone's entry is gone. The list's own entries (SYSTEM,
// Administrators, TrustedInstaller, Users), its protection and what folders
// below inherit cannot be read back under Wine; on Windows they are checked.
#include "engine/DestinationSecurity.h"
#include "engine/SetupThread.h"

#include "framework/Elevation.h"
#include "framework/FileSecurity.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"
#include "tests/support/Dacl.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

namespace {

struct DecisionRow {
    const char* name;
    DestinationFacts facts;
    bool protect;
    bool warn;
};

DestinationFacts Facts(bool exists, bool inside, bool othersMayChange, bool elevated,
                       bool local = true) {
    DestinationFacts facts;
    facts.exists = exists;
    facts.insideProgramFiles = inside;
    facts.localDrive = local;
    facts.othersMayChange = othersMayChange;
    facts.elevated = elevated;
    return facts;
}

const DecisionRow kDecisions[] = {
    {"created inside Program Files", Facts(false, true, false, true), false, false},
    {"created outside Program Files", Facts(false, false, false, true), true, false},
    {"created outside, below a folder others may change", Facts(false, false, true, true), true,
     true},
    {"created on a share", Facts(false, false, false, true, false), false, false},
    {"existing, administrators alone", Facts(true, false, false, true), false, false},
    {"existing, others may change", Facts(true, false, true, true), false, true},
    {"existing inside Program Files, others may change", Facts(true, true, true, true), false,
     true},
    {"created outside, not elevated", Facts(false, false, false, false), false, false},
    {"existing, others may change, not elevated", Facts(true, false, true, false), false, false},
};

void MakeFolder(const CString& folder, const wchar_t* sddl) {
    ASSERT_TRUE(CreateFolderWithList(folder, sddl)) << folder;
}

const wchar_t kEveryoneChanges[] = L"D:(A;OICI;FA;;;WD)";
const wchar_t kAdministratorsAlone[] =
    L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)";

} // namespace

TEST(DestinationSecurity, TheDecisionTable) {
    for (const DecisionRow& row : kDecisions) {
        const DestinationDecision decision = DecideDestinationSecurity(row.facts);
        EXPECT_EQ(decision.protectCreatedFolders, row.protect) << row.name;
        EXPECT_EQ(decision.warnOthersMayChange, row.warn) << row.name;
    }
}

// Which folder the facts name as one others may change: the nearest
// existing one on the destination's path.
TEST(DestinationSecurity, TheFactsNameTheNearestFolderOthersMayChange) {
    TempDir temp;
    MakeFolder(temp / "open", kEveryoneChanges);
    MakeFolder(temp / "closed", kAdministratorsAlone);
    MakeFolder(temp / "closed\\open", kEveryoneChanges);

    CString changeable;
    DestinationFacts facts = ReadDestinationFacts(temp / "open\\Kelvra\\", &changeable);
    EXPECT_FALSE(facts.exists);
    EXPECT_FALSE(facts.insideProgramFiles);
    EXPECT_TRUE(facts.localDrive);
    EXPECT_TRUE(facts.othersMayChange);
    EXPECT_EQ(changeable, temp / "open");

    facts = ReadDestinationFacts(temp / "closed\\open", &changeable);
    EXPECT_TRUE(facts.exists);
    EXPECT_EQ(changeable, temp / "closed\\open");

    // Its own list keeps others out (on Windows the user's temp folder
    // above it is the user's own, and is named instead).
    facts = ReadDestinationFacts(temp / "closed\\Kelvra", &changeable);
    EXPECT_NE(changeable, temp / "closed");

    wchar_t programFiles[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(
        SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles)));
    EXPECT_TRUE(
        ReadDestinationFacts(Narrow(programFiles) + "\\Morvane\\Kelvra\\").insideProgramFiles);
    EXPECT_FALSE(ReadDestinationFacts(Narrow(programFiles) + " Kelvra\\").insideProgramFiles);
    EXPECT_FALSE(ReadDestinationFacts("\\\\server\\share\\Kelvra\\").localDrive);

    // A silent run says so in its log, and goes on.
    CRunLog log;
    ASSERT_TRUE(log.Open(temp / "setup.log"));
    LogDestinationSecurity(temp / "open\\Kelvra\\");
    log.Close();
    if (RunsAsAdministrator()) {
        EXPECT_NE(ReadFileBytes(temp / "setup.log").find("WARNING"), std::string::npos);
    }
}

// The folders the installation creates on the destination's path get the
// protected list; the content folders below inherit it; folders elsewhere
// (the program group) and inside Program Files are left to inherit theirs.
TEST(DestinationSecurity, FoldersCreatedOnTheDestinationsPathGetTheProtectedList) {
    if (!RunsAsAdministrator()) GTEST_SKIP() << "the list is set by administrators' runs only";
    TempDir temp;
    CSetupThread worker;
    const CString destination = temp / "D\\Kelvra\\";
    worker.m_destinationSecurity.Prepare(destination);
    EXPECT_EQ(worker.m_destinationSecurity.ForNewFolder(temp / "Group"), nullptr);
    ASSERT_NE(worker.EnsureDirectory(destination + "Support"), 0);
    ASSERT_NE(worker.EnsureDirectory(temp / "Group"), 0);

    const std::wstring created = FileDacl(temp / "D\\Kelvra");
    const std::wstring above = FileDacl(temp / "D");
    const std::wstring beside = FileDacl(temp / "Group");
    ASSERT_FALSE(created.empty());
    if (created.find(L"S-1-5-80-956008885") != std::wstring::npos) {
        // Windows keeps the list as given.
        EXPECT_EQ(created.rfind(L"D:P", 0), 0u) << created;
        EXPECT_EQ(above.rfind(L"D:P", 0), 0u) << above;
        EXPECT_NE(created.find(L"(A;OICI;0x1200a9;;;BU)"), std::wstring::npos) << created;
        EXPECT_NE(FileDacl(destination + "Support").find(L";ID;"), std::wstring::npos);
    } else {
        // Wine: as far as the Unix mode holds it, Everyone is gone from both.
        printf("Wine shows the lists as %ls (created) and %ls (beside)\n", created.c_str(),
               beside.c_str());
        EXPECT_EQ(created.find(L";;;WD)"), std::wstring::npos) << created;
        EXPECT_EQ(above.find(L";;;WD)"), std::wstring::npos) << above;
    }
    EXPECT_NE(beside.find(L";;;WD)"), std::wstring::npos) << beside;
    EXPECT_NE(beside, created);

    // Inside Program Files nothing is set: the folder inherits that list.
    wchar_t programFiles[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(
        SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles)));
    const CString inside = Narrow(programFiles) + "\\Morvane\\Kelvra Test\\";
    worker.m_destinationSecurity.Prepare(inside);
    EXPECT_EQ(worker.m_destinationSecurity.ForNewFolder(inside), nullptr);
    EXPECT_EQ(worker.m_destinationSecurity.ForNewFolder(Narrow(programFiles) + "\\Morvane"),
              nullptr);
}
