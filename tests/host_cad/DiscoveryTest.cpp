// Host discovery over hand-chosen releases, each case driven by a table of
// what the host's registry layout says about that release.
#include "host_cad/AcadDiscovery.h"
#include "tests/support/ScratchRegistry.h"

#include <gtest/gtest.h>

namespace {

struct Expected {
    const char* releaseKey;
    const char* year;
    const char* defaultId;   // null: no default
    bool curVerUnderMachine; // discovery also reads "CurVer" under HKLM
    bool machineFirst;       // ... and before HKCU
    bool takesView;
    bool fallsBackToLocation;
};

// A few releases chosen by hand, one for each way the discovery differs:
// the oldest (no default id, "CurVer" under HKLM first, no view), the one
// still reading HKLM's "CurVer" after HKCU's, the first that no longer does,
// the first that falls back to "Location", and the newest.
const Expected kReleases[] = {
    {"R15.0", "2002", nullptr, true, true, false, false},
    {"R16.0", "2004", "ACAD-201:804", true, false, true, false},
    {"R16.1", "2005", "ACAD-301:409", false, false, true, false},
    {"R17.1", "2008", "ACAD-6001:804", false, false, true, true},
    {"R19.1", "2014", "ACAD-D001:804", false, false, true, true},
};

CString ReleaseKey(const Expected& e) {
    return CString("SOFTWARE\\Autodesk\\AutoCAD\\") + e.releaseKey;
}

CString FolderKey(const Expected& e, const char* view, const char* productId) {
    CString key = "SOFTWARE\\";
    if (*view) key += CString(view) + "\\";
    return key + "Autodesk\\AutoCAD\\" + e.releaseKey + "\\" + productId;
}

const AcadRelease& Row(const Expected& e) {
    const AcadRelease* row = FindAcadRelease(e.releaseKey);
    EXPECT_NE(nullptr, row) << e.releaseKey;
    return *row;
}

} // namespace

TEST(ReleaseTable, TwelveReleasesFromR15ToR19_1) {
    ASSERT_EQ(12, kAcadReleaseCount);
    EXPECT_STREQ("R15.0", ACAD_RELEASES[0].releaseKey);
    EXPECT_STREQ("R19.1", ACAD_RELEASES[kAcadReleaseCount - 1].releaseKey);
    for (const Expected& e : kReleases) {
        SCOPED_TRACE(e.releaseKey);
        const AcadRelease& row = Row(e);
        EXPECT_STREQ(e.year, row.yearLabel);
        if (e.defaultId)
            EXPECT_STREQ(e.defaultId, row.defaultProductId);
        else
            EXPECT_EQ(nullptr, row.defaultProductId);
    }
    EXPECT_EQ(nullptr, FindAcadRelease("R20.0"));
}

TEST(AcadDiscovery, CurVerHivesAreTriedInEachReleasesOrder) {
    for (const Expected& e : kReleases) {
        SCOPED_TRACE(e.releaseKey);
        ScratchRegistry registry;
        SetRegString(registry.User(), ReleaseKey(e), "CurVer", "ACAD-USER:804");
        SetRegString(registry.Machine(), ReleaseKey(e), "CurVer", "ACAD-MACH:804");
        SetRegString(registry.Machine(), FolderKey(e, "", "ACAD-USER:804"), "AcadLocation",
                     "C:\\User");
        SetRegString(registry.Machine(), FolderKey(e, "", "ACAD-MACH:804"), "AcadLocation",
                     "C:\\Mach\\");
        CString folder;
        EXPECT_EQ(1, FindAcadInstall(Row(e), "", folder));
        EXPECT_EQ(CString(e.machineFirst ? "C:\\Mach\\" : "C:\\User\\"), folder);
    }
}

TEST(AcadDiscovery, CurVerOnlyUnderMachineIsUsedOnlyByR15AndR16) {
    for (const Expected& e : kReleases) {
        SCOPED_TRACE(e.releaseKey);
        ScratchRegistry registry;
        SetRegString(registry.Machine(), ReleaseKey(e), "CurVer", "ACAD-MACH:804");
        SetRegString(registry.Machine(), FolderKey(e, "", "ACAD-MACH:804"), "AcadLocation",
                     "C:\\Mach");
        if (e.defaultId)
            SetRegString(registry.Machine(), FolderKey(e, "", e.defaultId), "AcadLocation",
                         "C:\\Default");
        CString folder;
        EXPECT_EQ(1, FindAcadInstall(Row(e), "", folder));
        EXPECT_EQ(CString(e.curVerUnderMachine ? "C:\\Mach\\" : "C:\\Default\\"), folder);
        // "CurVer" is never read in a view.
        EXPECT_FALSE(RegKeyExists(registry.User(), "SOFTWARE\\Wow6432Node"));
    }
}

TEST(AcadDiscovery, WithoutCurVerTheDefaultIdIsUsedAndR15IsNotFound) {
    for (const Expected& e : kReleases) {
        SCOPED_TRACE(e.releaseKey);
        ScratchRegistry registry;
        SetRegString(registry.Machine(), FolderKey(e, "", e.defaultId ? e.defaultId : ""),
                     "AcadLocation", "C:\\D");
        CString folder = "stale";
        EXPECT_EQ(e.defaultId ? 1 : 0, FindAcadInstall(Row(e), "", folder));
        EXPECT_EQ(CString(e.defaultId ? "C:\\D\\" : ""), folder);
        // Probing leaves the "CurVer" key behind, empty, in each hive it read.
        EXPECT_TRUE(RegKeyExists(registry.User(), ReleaseKey(e)));
    }
}

TEST(AcadDiscovery, ViewSelectsTheFolderKeyExceptForR15) {
    for (const Expected& e : kReleases) {
        SCOPED_TRACE(e.releaseKey);
        ScratchRegistry registry;
        SetRegString(registry.User(), ReleaseKey(e), "CurVer", "ACAD-X:804");
        SetRegString(registry.Machine(), FolderKey(e, "Wow6432Node", "ACAD-X:804"), "AcadLocation",
                     "C:\\Wow");
        CString folder;
        EXPECT_EQ(e.takesView ? 1 : 0, FindAcadInstall(Row(e), "Wow6432Node", folder));
        EXPECT_EQ(CString(e.takesView ? "C:\\Wow\\" : ""), folder);
        EXPECT_EQ(0, FindAcadInstall(Row(e), "", folder));
        EXPECT_TRUE(folder.IsEmpty());
        // The native probe leaves its empty folder key behind.
        EXPECT_TRUE(RegKeyExists(registry.Machine(), FolderKey(e, "", "ACAD-X:804")));
    }
}

TEST(AcadDiscovery, LocationIsTheFallbackFromR17_1On) {
    for (const Expected& e : kReleases) {
        SCOPED_TRACE(e.releaseKey);
        ScratchRegistry registry;
        SetRegString(registry.User(), ReleaseKey(e), "CurVer", "ACAD-X:804");
        SetRegString(registry.Machine(), ReleaseKey(e), "CurVer", "ACAD-X:804");
        SetRegString(registry.Machine(), FolderKey(e, "", "ACAD-X:804"), "AcadLocation", "");
        SetRegString(registry.Machine(), FolderKey(e, "", "ACAD-X:804"), "Location", "C:\\Loc");
        CString folder;
        EXPECT_EQ(e.fallsBackToLocation ? 1 : 0, FindAcadInstall(Row(e), "", folder));
        EXPECT_EQ(CString(e.fallsBackToLocation ? "C:\\Loc\\" : ""), folder);
    }
}

TEST(AcadDiscovery, EmptyFolderValuesCountAsAbsent) {
    for (const Expected& e : kReleases) {
        SCOPED_TRACE(e.releaseKey);
        ScratchRegistry registry;
        SetRegString(registry.User(), ReleaseKey(e), "CurVer", "ACAD-X:804");
        SetRegString(registry.Machine(), ReleaseKey(e), "CurVer", "ACAD-X:804");
        SetRegString(registry.Machine(), FolderKey(e, "", "ACAD-X:804"), "AcadLocation", "");
        SetRegString(registry.Machine(), FolderKey(e, "", "ACAD-X:804"), "Location", "");
        CString folder = "stale";
        EXPECT_EQ(0, FindAcadInstall(Row(e), "", folder));
        EXPECT_TRUE(folder.IsEmpty());
    }
}

TEST(AcadDiscovery, EmptyCurVerIsUsedUnchanged) {
    ScratchRegistry registry;
    const Expected& later = kReleases[3]; // R17.1, as every later release
    SetRegString(registry.User(), ReleaseKey(later), "CurVer", "");
    SetRegString(registry.Machine(), FolderKey(later, "", later.defaultId), "AcadLocation",
                 "C:\\Default");
    CString folder;
    EXPECT_EQ(0, FindAcadInstall(Row(later), "", folder));
}

TEST(AcadDiscovery, GbkFolderEndingInBackslashByteGetsItsOwnBackslash) {
    ScratchRegistry registry;
    const Expected& r19 = kReleases[4];
    SetRegString(registry.Machine(), FolderKey(r19, "", r19.defaultId), "AcadLocation", "C:\\乗");
    CString folder;
    ASSERT_EQ(1, FindAcadInstall(Row(r19), "", folder));
    EXPECT_EQ(CString("C:\\乗\\"), folder);
}
