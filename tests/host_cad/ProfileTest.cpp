// Profile configuration per release and generation: the exact keys and
// values it leaves in the (redirected) registry.
#include "host_cad/AcadProfile.h"
#include "host_cad/Registry.h"
#include "tests/support/ScratchRegistry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kDest[] = "D:\\P\\";

struct Expected {
    const char* releaseKey;
    const char* defaultId;
    const char* demandLoadKey; // %s: product id; null: none
    const char* loader;        // relative to the destination
    const char* arx;
    const char* menu;
    bool menuFile;
    bool deletesFirst;
    bool trustedPaths;
    std::vector<const char*> defaultProfiles;
};

const std::vector<const char*> kOlderProfiles = {"<<未命名配置>>", "<<Unnamed Profile>>"};
const std::vector<const char*> k2010Profiles = {"<<未命名配置>>", "<<初始设置配置>>"};
const std::vector<const char*> k2013Profiles = {"初始设置配置", "<<初始设置配置>>",
                                                "<<未命名配置>>"};

const Expected kReleases[] = {
    {"R16.0", "ACAD-201:804",
     "Software\\Wow6432Node\\Autodesk\\AutoCAD\\R16.0\\%s\\Applications\\LoadKelvra",
     "Support\\2004-06\\ARX\\LoadKelvra.arx", "Support\\2004-06\\arx", "Support\\2004-06\\Menu",
     false, false, false, kOlderProfiles},
    {"R16.1", "ACAD-301:409",
     "Software\\Wow6432Node\\Autodesk\\AutoCAD\\R16.1\\%s\\Applications\\LoadKelvra",
     "Support\\2004-06\\ARX\\LoadKelvra.arx", "Support\\2004-06\\arx", "Support\\2004-06\\Menu",
     false, false, false, kOlderProfiles},
    {"R16.2", "ACAD-4001:409",
     "Software\\Wow6432Node\\Autodesk\\AutoCAD\\R16.2\\%s\\Applications\\LoadKelvra",
     "Support\\2004-06\\ARX\\LoadKelvra.arx", "Support\\2004-06\\arx", "Support\\2004-06\\Menu",
     false, false, false, kOlderProfiles},
    {"R17.0", "ACAD-5001:804",
     "Software\\Wow6432Node\\Autodesk\\AutoCAD\\R17.0\\%s\\Applications\\LoadKelvra",
     "Support\\2007-09\\ARX\\LoadKelvra.arx", "Support\\2007-09\\arx", "Support\\2007-09\\Menu",
     true, false, false, kOlderProfiles},
    {"R17.1", "ACAD-6001:804",
     "Software\\Wow6432Node\\Autodesk\\AutoCAD\\R17.1\\%s\\Applications\\LoadKelvra",
     "Support\\2007-09\\ARX\\LoadKelvra.arx", "Support\\2007-09\\arx", "Support\\2007-09\\Menu",
     true, false, false, kOlderProfiles},
    {"R17.2", "ACAD-7001:804",
     "Software\\Wow6432Node\\Autodesk\\AutoCAD\\R17.2\\%s\\Applications\\LoadKelvra",
     "Support\\2007-09\\ARX\\LoadKelvra.arx", "Support\\2007-09\\arx", "Support\\2007-09\\Menu",
     true, false, false, kOlderProfiles},
    {"R18.0", "ACAD-8001:804", "Software\\Autodesk\\AutoCAD\\R18.0\\%s\\Applications\\LoadKelvra",
     "Support\\2010-12\\64\\ARX\\LoadKelvra.arx", "Support\\2010-12\\64\\arx",
     "Support\\2010-12\\Menu", false, true, false, k2010Profiles},
    {"R18.1", "ACAD-9001:804", "Software\\Autodesk\\AutoCAD\\R18.1\\%s\\Applications\\LoadKelvra",
     "Support\\2010-12\\64\\ARX\\LoadKelvra.arx", "Support\\2010-12\\64\\arx",
     "Support\\2010-12\\Menu", false, true, false, k2010Profiles},
    {"R18.2", "ACAD-A001:804", "Software\\Autodesk\\AutoCAD\\R18.2\\%s\\Applications\\LoadKelvra",
     "Support\\2010-12\\64\\ARX\\LoadKelvra.arx", "Support\\2010-12\\64\\arx",
     "Support\\2010-12\\Menu", false, true, false, k2010Profiles},
    {"R19.0", "ACAD-B001:804", "Software\\Autodesk\\AutoCAD\\R19.0\\%s\\Applications\\LoadKelvra",
     "Support\\2013-15\\64\\ARX\\LoadKelvra.arx", "Support\\2013-15\\64\\arx",
     "Support\\2013-15\\Menu", false, true, false, k2013Profiles},
    {"R19.1", "ACAD-D001:804", "Software\\Autodesk\\AutoCAD\\R19.1\\%s\\Applications\\LoadKelvra",
     "Support\\2013-15\\64\\ARX\\LoadKelvra.arx", "Support\\2013-15\\64\\arx",
     "Support\\2013-15\\Menu", false, true, true, k2013Profiles},
};

CString HostKey(const char* releaseKey, const char* productId) {
    return CString("Software\\Autodesk\\AutoCAD\\") + releaseKey + "\\" + productId;
}
CString ProfileKey(const char* releaseKey, const char* productId,
                   const char* profile = "<<Kelvra V9>>") {
    return HostKey(releaseKey, productId) + "\\Profiles\\" + profile;
}
// The key form with its one %s replaced by the product id.
CString Format1(const char* format, const char* arg) {
    std::string text = format;
    text.replace(text.find("%s"), 2, arg);
    return CString(text);
}
CString ExpectedSupportPath(const Expected& e, const char* hostPart) {
    return CString(kDest) + e.arx + ";" + kDest + e.menu + ";" + kDest + "填充图案;" + kDest +
           "材料图案;" + hostPart + ";";
}
void Configure(const char* releaseKey, const char* view = "") {
    ConfigureAcadProfile(*FindAcadRelease(releaseKey), kDest, view, "C:\\Host\\");
}

} // namespace

TEST(AcadProfile, EveryReleaseGetsItsGenerationsKeysAndValues) {
    for (const Expected& e : kReleases) {
        SCOPED_TRACE(e.releaseKey);
        ScratchRegistry registry;
        SetRegString(registry.User(),
                     ProfileKey(e.releaseKey, e.defaultId, e.defaultProfiles[0]) + "\\General",
                     "ACAD", "X;Y");
        Configure(e.releaseKey);

        const CString demandLoadKey = Format1(e.demandLoadKey, e.defaultId);
        DWORD type = 0;
        std::string bytes;
        ASSERT_TRUE(GetRegRaw(registry.Machine(), demandLoadKey, "LOADCTRLS", &type, &bytes));
        EXPECT_EQ(DWORD(REG_DWORD), type);
        EXPECT_EQ(std::string("\x02\x00\x00\x00", 4), bytes);
        EXPECT_EQ(CString(kDest) + e.loader,
                  GetRegString(registry.Machine(), demandLoadKey, "LOADER"));

        const CString profile = ProfileKey(e.releaseKey, e.defaultId);
        EXPECT_EQ(ExpectedSupportPath(e, "X;Y"),
                  GetRegString(registry.User(), profile + "\\General", "ACAD"));
        EXPECT_EQ(CString("<<Kelvra V9>>"), GetRegString(registry.User(), profile, ""));
        EXPECT_EQ(e.menuFile,
                  RegValueExists(registry.User(), profile + "\\General Configuration", "MenuFile"));
        if (e.menuFile) {
            EXPECT_EQ(
                CString("D:\\P\\Support\\2007-09\\Menu\\Kelvra"),
                GetRegString(registry.User(), profile + "\\General Configuration", "MenuFile"));
        }
        EXPECT_EQ(e.trustedPaths,
                  RegValueExists(registry.User(), profile + "\\Variables", "TRUSTEDPATHS"));
        // Nothing is written in the other view's host keys.
        EXPECT_FALSE(RegKeyExists(registry.User(), "Software\\Wow6432Node"));
    }
}

TEST(AcadProfile, DefaultProfilesAreTriedInTheGenerationsOrder) {
    for (const Expected& e : kReleases) {
        for (size_t present = 0; present < e.defaultProfiles.size(); ++present) {
            SCOPED_TRACE(CString(e.releaseKey) + " " + e.defaultProfiles[present]);
            ScratchRegistry registry;
            // Every profile from the present one on holds a path; the first of them wins.
            for (size_t i = present; i < e.defaultProfiles.size(); ++i)
                SetRegString(registry.User(),
                             ProfileKey(e.releaseKey, e.defaultId, e.defaultProfiles[i]) +
                                 "\\General",
                             "ACAD", e.defaultProfiles[i]);
            Configure(e.releaseKey);
            EXPECT_EQ(ExpectedSupportPath(e, e.defaultProfiles[present]),
                      GetRegString(registry.User(),
                                   ProfileKey(e.releaseKey, e.defaultId) + "\\General", "ACAD"));
        }
    }
}

TEST(AcadProfile, OnlyUnnamedEnglishProfileFeedsOlderReleasesNot2010) {
    for (const char* releaseKey : {"R16.1", "R17.2", "R18.0"}) {
        SCOPED_TRACE(releaseKey);
        ScratchRegistry registry;
        const AcadRelease& row = *FindAcadRelease(releaseKey);
        SetRegString(registry.User(),
                     ProfileKey(releaseKey, row.defaultProductId, "<<Unnamed Profile>>") +
                         "\\General",
                     "ACAD", "C:\\Host\\support");
        Configure(releaseKey);
        const CString path = GetRegString(
            registry.User(), ProfileKey(releaseKey, row.defaultProductId) + "\\General", "ACAD");
        const CString ending =
            CString(releaseKey) != "R18.0" ? "材料图案;C:\\Host\\support;" : "材料图案;;";
        EXPECT_EQ(ending, path.Right(ending.GetLength()));
        // The profiles looked for and not found are left behind, empty.
        EXPECT_TRUE(RegKeyExists(registry.User(),
                                 ProfileKey(releaseKey, row.defaultProductId, "<<未命名配置>>") +
                                     "\\General"));
    }
}

TEST(AcadProfile, ExactSupportPathOfR16_1) {
    ScratchRegistry registry;
    SetRegString(registry.User(),
                 ProfileKey("R16.1", "ACAD-301:409", "<<未命名配置>>") + "\\General", "ACAD",
                 "X;Y");
    Configure("R16.1");
    EXPECT_EQ(
        CString("D:\\P\\Support\\2004-06\\arx;D:\\P\\Support\\2004-06\\Menu;D:\\P\\填充图案;D:"
                "\\P\\材料图案;X;Y;"),
        GetRegString(registry.User(), ProfileKey("R16.1", "ACAD-301:409") + "\\General", "ACAD"));
}

TEST(AcadProfile, CurVerIsReadFromUserThenMachineThenDefault) {
    ScratchRegistry registry;
    SetRegString(registry.Machine(), "SOFTWARE\\Autodesk\\AutoCAD\\R16.1", "CurVer",
                 "ACAD-MACH:804");
    SetRegString(registry.User(), "SOFTWARE\\Autodesk\\AutoCAD\\R18.0", "CurVer", "ACAD-USER:804");
    SetRegString(registry.Machine(), "SOFTWARE\\Autodesk\\AutoCAD\\R18.0", "CurVer",
                 "ACAD-MACH:804");
    Configure("R16.1");
    Configure("R18.0");
    Configure("R19.1");
    EXPECT_EQ(CString("<<Kelvra V9>>"),
              GetRegString(registry.User(), ProfileKey("R16.1", "ACAD-MACH:804"), ""));
    EXPECT_EQ(CString("<<Kelvra V9>>"),
              GetRegString(registry.User(), ProfileKey("R18.0", "ACAD-USER:804"), ""));
    EXPECT_EQ(CString("<<Kelvra V9>>"),
              GetRegString(registry.User(), ProfileKey("R19.1", "ACAD-D001:804"), ""));
}

TEST(AcadProfile, R15UsesTheHostFoldersAndNoDemandLoad) {
    ScratchRegistry registry;
    SetRegString(registry.User(), "SOFTWARE\\Autodesk\\AutoCAD\\R15.0", "CurVer", "ACAD-USER:804");
    SetRegString(registry.Machine(), "SOFTWARE\\Autodesk\\AutoCAD\\R15.0", "CurVer", "ACAD-1:804");
    ConfigureAcadProfile(*FindAcadRelease("R15.0"), kDest, "", "C:\\A\\");
    const CString profile = ProfileKey("R15.0", "ACAD-1:804");
    EXPECT_EQ(CString("D:\\P\\Support\\2000-02\\arx;D:\\P\\Support\\2000-02\\Menu;D:\\P\\填充图案;"
                      "D:\\P\\材料图案;"
                      "C:\\A\\support;C:\\A\\fonts;C:\\A\\help;C:\\A\\express;"),
              GetRegString(registry.User(), profile + "\\General", "ACAD"));
    EXPECT_EQ(CString("<<Kelvra V9>>"), GetRegString(registry.User(), profile, ""));
    EXPECT_FALSE(RegKeyExists(registry.Machine(), "Software\\Wow6432Node"));
    EXPECT_FALSE(RegKeyExists(registry.Machine(),
                              "Software\\Autodesk\\AutoCAD\\R15.0\\ACAD-1:804\\Applications"));
    EXPECT_FALSE(RegKeyExists(registry.User(), ProfileKey("R15.0", "ACAD-USER:804")));
}

TEST(AcadProfile, DeleteFirstSparesAProfileWithSubkeys) {
    ScratchRegistry registry;
    // R18.0: an empty earlier profile with a stray value is replaced...
    SetRegString(registry.User(), ProfileKey("R18.0", "ACAD-8001:804"), "Stray", "1");
    // ... while R19.0's, with subkeys, is refreshed value by value.
    SetRegString(registry.User(), ProfileKey("R19.0", "ACAD-B001:804"), "HostAdded", "1");
    SetRegString(registry.User(), ProfileKey("R19.0", "ACAD-B001:804") + "\\Editor", "Color", "7");
    // R17.2 never deletes.
    SetRegString(registry.User(), ProfileKey("R17.2", "ACAD-7001:804"), "Stray", "1");
    Configure("R18.0");
    Configure("R19.0");
    Configure("R17.2");
    EXPECT_FALSE(RegValueExists(registry.User(), ProfileKey("R18.0", "ACAD-8001:804"), "Stray"));
    EXPECT_TRUE(RegValueExists(registry.User(), ProfileKey("R19.0", "ACAD-B001:804"), "HostAdded"));
    EXPECT_EQ(
        CString("7"),
        GetRegString(registry.User(), ProfileKey("R19.0", "ACAD-B001:804") + "\\Editor", "Color"));
    EXPECT_TRUE(RegValueExists(registry.User(), ProfileKey("R17.2", "ACAD-7001:804"), "Stray"));
    for (const char* releaseKey : {"R18.0", "R19.0"})
        EXPECT_EQ(CString("<<Kelvra V9>>"),
                  GetRegString(
                      registry.User(),
                      ProfileKey(releaseKey, FindAcadRelease(releaseKey)->defaultProductId), ""));
}

TEST(AcadProfile, ThirtyTwoBitViewSelectsFormVOnlyFor2010) {
    ScratchRegistry registry;
    SetRegString(registry.User(), "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R18.0", "CurVer",
                 "ACAD-W:804");
    Configure("R18.0", "Wow6432Node");
    const char formV[] =
        "Software\\Wow6432Node\\Autodesk\\AutoCAD\\R18.0\\ACAD-W:804\\Applications\\LoadKelvra";
    EXPECT_EQ(CString("D:\\P\\Support\\2010-12\\32\\ARX\\LoadKelvra.arx"),
              GetRegString(registry.Machine(), formV, "LOADER"));
    const CString profile =
        "Software\\Wow6432Node\\Autodesk\\AutoCAD\\R18.0\\ACAD-W:804\\Profiles\\<<Kelvra V9>>";
    EXPECT_EQ(CString("D:\\P\\Support\\2010-12\\32\\arx;D:\\P\\Support\\2010-12\\Menu;D:"
                      "\\P\\填充图案;D:\\P\\材料图案;;"),
              GetRegString(registry.User(), profile + "\\General", "ACAD"));

    // Form W ignores the view for its demand-load key; the profile keys take it.
    Configure("R16.0", "Wow6432Node");
    EXPECT_EQ(CString("D:\\P\\Support\\2004-06\\ARX\\LoadKelvra.arx"),
              GetRegString(registry.Machine(),
                           "Software\\Wow6432Node\\Autodesk\\AutoCAD\\R16.0\\ACAD-201:"
                           "804\\Applications\\LoadKelvra",
                           "LOADER"));
    EXPECT_TRUE(RegValueExists(
        registry.User(),
        "Software\\Wow6432Node\\Autodesk\\AutoCAD\\R16.0\\ACAD-201:804\\Profiles\\<<Kelvra V9>>",
        ""));

    // 2013-15 disregards the view altogether.
    Configure("R19.0", "Wow6432Node");
    EXPECT_EQ(
        CString("D:\\P\\Support\\2013-15\\64\\ARX\\LoadKelvra.arx"),
        GetRegString(registry.Machine(),
                     "Software\\Autodesk\\AutoCAD\\R19.0\\ACAD-B001:804\\Applications\\LoadKelvra",
                     "LOADER"));
    EXPECT_TRUE(RegValueExists(registry.User(), ProfileKey("R19.0", "ACAD-B001:804"), ""));
}

namespace {
CString NewProfileTrusted(ScratchRegistry& registry) {
    return GetRegString(registry.User(), ProfileKey("R19.1", "ACAD-D001:804") + "\\Variables",
                        "TRUSTEDPATHS");
}
CString DefaultProfileTrusted(ScratchRegistry& registry, const char* profile) {
    return GetRegString(registry.User(),
                        ProfileKey("R19.1", "ACAD-D001:804", profile) + "\\Variables",
                        "TRUSTEDPATHS");
}
const char kQuintelKey[] = "SOFTWARE\\Morvane\\Quintel\\V9";
const char kVelmorKey[] = "SOFTWARE\\Morvane\\Velmor\\V9";
} // namespace

TEST(AcadProfileTrustedPaths, SiblingsPresentAbsentAndBlank) {
    struct Case {
        const char* quintel; // null: not installed
        const char* velmor;
        const char* expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, "D:\\P\\Support\\2013-15\\64\\arx;"},
        {"E:\\Q", "F:\\V\\",
         "D:\\P\\Support\\2013-15\\64\\arx;E:\\Q\\Support\\2013-15\\64\\arx;F:\\V\\Support\\2013-"
         "15\\64\\arx;"},
        {"E:\\Q\\", nullptr, "D:\\P\\Support\\2013-15\\64\\arx;E:\\Q\\Support\\2013-15\\64\\arx;"},
        {nullptr, " F:\\V ", "D:\\P\\Support\\2013-15\\64\\arx;F:\\V\\Support\\2013-15\\64\\arx;"},
        {"  ", nullptr, "D:\\P\\Support\\2013-15\\64\\arx;\\Support\\2013-15\\64\\arx;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        ScratchRegistry registry;
        if (c.quintel) SetRegString(registry.Machine(), kQuintelKey, "installPath", c.quintel);
        if (c.velmor) SetRegString(registry.Machine(), kVelmorKey, "installPath", c.velmor);
        Configure("R19.1");
        EXPECT_EQ(CString(c.expected), NewProfileTrusted(registry));
        // No default profile found: "<<未命名配置>>" gets the list, its Variables key created.
        EXPECT_EQ(CString(c.expected), DefaultProfileTrusted(registry, "<<未命名配置>>"));
    }
}

TEST(AcadProfileTrustedPaths, TheDefaultProfileFoundIsTheOneUpdated) {
    for (const char* profile : {"初始设置配置", "<<初始设置配置>>", "<<未命名配置>>"}) {
        SCOPED_TRACE(profile);
        ScratchRegistry registry;
        SetRegString(registry.User(), ProfileKey("R19.1", "ACAD-D001:804", profile) + "\\General",
                     "ACAD", "C:\\S");
        Configure("R19.1");
        EXPECT_EQ(CString("D:\\P\\Support\\2013-15\\64\\arx;"),
                  DefaultProfileTrusted(registry, profile));
        for (const char* other : {"初始设置配置", "<<初始设置配置>>", "<<未命名配置>>"})
            if (CString(other) != profile) {
                EXPECT_FALSE(RegValueExists(
                    registry.User(), ProfileKey("R19.1", "ACAD-D001:804", other) + "\\Variables",
                    "TRUSTEDPATHS"))
                    << other;
            }
    }
    // R19.0 trusts nothing.
    ScratchRegistry registry;
    Configure("R19.0");
    EXPECT_FALSE(RegKeyExists(
        registry.User(), ProfileKey("R19.0", "ACAD-B001:804", "<<未命名配置>>") + "\\Variables"));
}

// Mend 2: the user's own trusted folders survive.
TEST(AcadProfileTrustedPaths, DefaultProfileListIsMergedNotReplaced) {
    ScratchRegistry registry;
    SetRegString(registry.Machine(), kVelmorKey, "installPath", "F:\\V\\");
    const CString general = ProfileKey("R19.1", "ACAD-D001:804", "初始设置配置") + "\\General";
    SetRegString(registry.User(), general, "ACAD", "C:\\S");
    SetRegString(registry.User(),
                 ProfileKey("R19.1", "ACAD-D001:804", "初始设置配置") + "\\Variables",
                 "TRUSTEDPATHS", "C:\\Mine\\lisp;d:\\p\\support\\2013-15\\64\\ARX;;C:\\设计\\arx");
    AcadProfileAdditions added;
    ConfigureAcadProfile(*FindAcadRelease("R19.1"), kDest, "", "", &added);
    EXPECT_EQ(CString("D:\\P\\Support\\2013-15\\64\\arx;F:\\V\\Support\\2013-15\\64\\arx;C:"
                      "\\Mine\\lisp;C:\\设计\\arx;"),
              DefaultProfileTrusted(registry, "初始设置配置"));
    // The new profile gets the product's list alone.
    EXPECT_EQ(CString("D:\\P\\Support\\2013-15\\64\\arx;F:\\V\\Support\\2013-15\\64\\arx;"),
              NewProfileTrusted(registry));

    // What was added, for the installation record: the entries each profile
    // did not list (the destination's was in the user's list, in another
    // case) and the one profile that did not exist.
    std::vector<std::string> entries;
    for (const AcadProfileAddition& entry : added.trustedPaths)
        entries.push_back((entry.profile + "|" + entry.value).str());
    EXPECT_EQ(entries, (std::vector<std::string>{"<<Kelvra V9>>|D:\\P\\Support\\2013-15\\64\\arx",
                                                 "<<Kelvra V9>>|F:\\V\\Support\\2013-15\\64\\arx",
                                                 "初始设置配置|F:\\V\\Support\\2013-15\\64\\arx"}));
    ASSERT_EQ(added.createdProfiles.size(), 1u);
    EXPECT_EQ(added.createdProfiles[0].profile, "<<Kelvra V9>>");
    EXPECT_EQ(added.createdProfiles[0].productId, "ACAD-D001:804");
    EXPECT_EQ(added.createdProfiles[0].releaseKey, "R19.1");

    // A second run leaves the merged list as it is, and adds nothing.
    added = AcadProfileAdditions();
    ConfigureAcadProfile(*FindAcadRelease("R19.1"), kDest, "", "", &added);
    EXPECT_TRUE(added.trustedPaths.empty());
    EXPECT_TRUE(added.createdProfiles.empty());
    EXPECT_EQ(CString("D:\\P\\Support\\2013-15\\64\\arx;F:\\V\\Support\\2013-15\\64\\arx;C:"
                      "\\Mine\\lisp;C:\\设计\\arx;"),
              DefaultProfileTrusted(registry, "初始设置配置"));
}

// A list just short of what one read takes is merged; a longer one cannot be
// read whole, so it stays as the user has it and configuration says so.
TEST(AcadProfileTrustedPaths, AListTooLongToReadIsLeftAsItIsAndCounted) {
    const CString variables = ProfileKey("R19.1", "ACAD-D001:804", "初始设置配置") + "\\Variables";
    const CString product = "D:\\P\\Support\\2013-15\\64\\arx;";
    for (const DWORD length : {kRegistryReadLimit - 1, kRegistryReadLimit}) {
        SCOPED_TRACE(length);
        ScratchRegistry registry;
        SetRegString(registry.User(),
                     ProfileKey("R19.1", "ACAD-D001:804", "初始设置配置") + "\\General", "ACAD",
                     "C:\\S");
        const CString mine = CString("C:\\") + std::string(length - 4, 'x') + ";";
        ASSERT_EQ(length, static_cast<DWORD>(mine.GetLength()));
        SetRegString(registry.User(), variables, "TRUSTEDPATHS", mine);
        const bool fits = length < kRegistryReadLimit;

        EXPECT_EQ(fits ? 0 : 1, ConfigureAcadProfile(*FindAcadRelease("R19.1"), kDest, "", ""));
        EXPECT_EQ(fits ? product + mine : mine,
                  GetRegString(registry.User(), variables, "TRUSTEDPATHS"));
        EXPECT_EQ(product, NewProfileTrusted(registry));
    }
}

TEST(AcadProfileTrustedPaths, MergeKeepsOrderAndDropsDuplicatesAndEmptyEntries) {
    EXPECT_EQ(CString("A;B;"), MergeTrustedPaths("A;B;", ""));
    EXPECT_EQ(CString("A;B;C;D;"), MergeTrustedPaths("A;B;", "C;b;;D"));
    EXPECT_EQ(CString("A;C;"), MergeTrustedPaths("A;", " a ;C;C;"));
}
