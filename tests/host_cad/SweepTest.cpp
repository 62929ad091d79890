// The two walks over the release table: which views each looks in, and that
// a found release is handled once.
#include "host_cad/ReleaseSweep.h"
#include "tests/support/ScratchRegistry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

enum Registered { None = 0, Native = 1, ThirtyTwo = 2, Both = 3 };

// Registers a release's folder under its default id (R15.0: its "CurVer").
void RegisterHost(ScratchRegistry& registry, const AcadRelease& release, Registered where) {
    const char* id = release.defaultProductId ? release.defaultProductId : "ACAD-1:804";
    if (!release.defaultProductId)
        SetRegString(registry.Machine(),
                     CString("SOFTWARE\\Autodesk\\AutoCAD\\") + release.releaseKey, "CurVer", id);
    const CString tail = CString("Autodesk\\AutoCAD\\") + release.releaseKey + "\\" + id;
    if (where & Native)
        SetRegString(registry.Machine(), "SOFTWARE\\" + tail, "AcadLocation", "C:\\Native");
    if (where & ThirtyTwo)
        SetRegString(registry.Machine(), "SOFTWARE\\Wow6432Node\\" + tail, "AcadLocation",
                     "C:\\Wow");
}

bool IsConfigured(ScratchRegistry& registry, const AcadRelease& release) {
    const char* id = release.defaultProductId ? release.defaultProductId : "ACAD-1:804";
    return RegValueExists(registry.User(),
                          CString("Software\\Autodesk\\AutoCAD\\") + release.releaseKey + "\\" +
                              id + "\\Profiles\\<<Kelvra V9>>",
                          "");
}

struct Found {
    CString releaseKey;
    CString folder;
};

std::vector<Found> ShortcutSweep() {
    std::vector<Found> found;
    SweepAcadShortcuts([&](const AcadRelease& release, const CString& folder) {
        found.push_back({release.releaseKey, folder});
    });
    return found;
}

// What each sweep finds, per release, for a host registered in one view.
struct Expected {
    const char* releaseKey;
    bool configuredNative, configured32;
    bool shortcutNative, shortcut32;
};
const Expected kExpected[] = {
    {"R15.0", true, false, true, false}, {"R16.0", false, true, true, true},
    {"R16.1", false, true, true, true},  {"R16.2", false, true, true, true},
    {"R17.0", false, true, true, true},  {"R17.1", false, true, true, true},
    {"R17.2", true, true, true, true},   {"R18.0", true, true, true, true},
    {"R18.1", true, true, true, true},   {"R18.2", true, true, true, true},
    {"R19.0", true, true, true, true},   {"R19.1", true, true, true, true},
};

} // namespace

TEST(ReleaseSweep, EachSweepLooksInItsOwnViewsPerRelease) {
    for (const Expected& e : kExpected) {
        const AcadRelease& release = *FindAcadRelease(e.releaseKey);
        for (Registered where : {Native, ThirtyTwo}) {
            SCOPED_TRACE(CString(e.releaseKey) + (where == Native ? " native" : " 32-bit"));
            ScratchRegistry registry;
            RegisterHost(registry, release, where);
            ConfigureAcadReleaseSweep("D:\\P\\");
            EXPECT_EQ(where == Native ? e.configuredNative : e.configured32,
                      IsConfigured(registry, release));

            const std::vector<Found> found = ShortcutSweep();
            const bool expectShortcut = where == Native ? e.shortcutNative : e.shortcut32;
            ASSERT_EQ(expectShortcut ? 1u : 0u, found.size());
            if (expectShortcut) {
                EXPECT_EQ(CString(e.releaseKey), found[0].releaseKey);
                EXPECT_EQ(CString(where == Native ? "C:\\Native\\" : "C:\\Wow\\"), found[0].folder);
            }
        }
    }
}

TEST(ReleaseSweep, R17_2InBothViewsIsHandledOnceByEachSweep) {
    ScratchRegistry registry;
    const AcadRelease& r172 = *FindAcadRelease("R17.2");
    RegisterHost(registry, r172, Both);
    ConfigureAcadReleaseSweep("D:\\P\\");
    EXPECT_TRUE(IsConfigured(registry, r172));
    // Always configured with the native view: no profile in the 32-bit keys.
    EXPECT_FALSE(
        RegKeyExists(registry.User(),
                     "Software\\Wow6432Node\\Autodesk\\AutoCAD\\R17.2\\ACAD-7001:804\\Profiles"));
    const std::vector<Found> found = ShortcutSweep();
    ASSERT_EQ(1u, found.size());
    EXPECT_EQ(CString("C:\\Native\\"), found[0].folder);
}

TEST(ReleaseSweep, R18FoundOnlyIn32BitViewGetsTheNativeDemandLoadEntry) {
    ScratchRegistry registry;
    RegisterHost(registry, *FindAcadRelease("R18.0"), ThirtyTwo);
    ConfigureAcadReleaseSweep("D:\\P\\");
    EXPECT_EQ(
        CString("D:\\P\\Support\\2010-12\\64\\ARX\\LoadKelvra.arx"),
        GetRegString(registry.Machine(),
                     "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Applications\\LoadKelvra",
                     "LOADER"));
    EXPECT_FALSE(RegKeyExists(
        registry.Machine(),
        "Software\\Wow6432Node\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Applications"));
}

TEST(ReleaseSweep, R15IsConfiguredWithTheFolderDiscoveryReturned) {
    ScratchRegistry registry;
    SetRegString(registry.Machine(), "SOFTWARE\\Autodesk\\AutoCAD\\R15.0", "CurVer", "ACAD-1:804");
    SetRegString(registry.Machine(), "SOFTWARE\\Autodesk\\AutoCAD\\R15.0\\ACAD-1:804",
                 "AcadLocation", "C:\\A");
    ConfigureAcadReleaseSweep("D:\\P\\");
    const CString path = GetRegString(
        registry.User(),
        "Software\\Autodesk\\AutoCAD\\R15.0\\ACAD-1:804\\Profiles\\<<Kelvra V9>>\\General", "ACAD");
    const CString hostPart = "材料图案;C:\\A\\support;C:\\A\\fonts;C:\\A\\help;C:\\A\\express;";
    EXPECT_EQ(hostPart, path.Right(hostPart.GetLength()));
}

TEST(ReleaseSweep, NothingInstalledConfiguresNothingAndFindsNothing) {
    ScratchRegistry registry;
    ConfigureAcadReleaseSweep("D:\\P\\");
    EXPECT_TRUE(ShortcutSweep().empty());
    for (const AcadRelease& release : ACAD_RELEASES)
        EXPECT_FALSE(IsConfigured(registry, release)) << release.releaseKey;
    // Discovery's probes are left behind, empty.
    EXPECT_TRUE(
        RegKeyExists(registry.Machine(), "SOFTWARE\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804"));
    EXPECT_TRUE(RegKeyExists(registry.Machine(),
                             "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R16.0\\ACAD-201:804"));
}
