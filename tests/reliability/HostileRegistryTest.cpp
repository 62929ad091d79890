// Registry values another program filled oddly: too long, of another type,
// without their NUL, or empty, where the installer reads a string ("CurVer",
// "AcadLocation", "Location", "installPath", a default profile's "ACAD").
// Nothing overruns (the build's stack protector and fortified string
// functions would end the program), and each read has its documented
// outcome: more than 2048 bytes counts as absent, anything else is taken as
// the text up to its first NUL.
#include "host_cad/AcadDiscovery.h"
#include "host_cad/AcadProfile.h"
#include "host_cad/AcadRelease.h"
#include "host_cad/Registry.h"
#include "host_cad/SiblingProducts.h"
#include "tests/support/ScratchRegistry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char kKey[] = "SOFTWARE\\Hostile";

struct HostileRegistryTest : ::testing::Test {
    ScratchRegistry registry;

    void PutRaw(HKEY root, const char* key, const char* name, DWORD type,
                const std::string& bytes) {
        ASSERT_TRUE(SetRegRaw(root, key, name, type, bytes.data(), DWORD(bytes.size())));
    }
    static const AcadRelease& Release(const char* releaseKey) {
        for (const AcadRelease& release : ACAD_RELEASES)
            if (strcmp(release.releaseKey, releaseKey) == 0) return release;
        ADD_FAILURE() << "no release " << releaseKey;
        return ACAD_RELEASES[0];
    }
};

// One odd value and what the read must give back.
struct OddValue {
    const char* what;
    DWORD type;
    std::string bytes;
    int read;
    std::string text;
};

std::vector<OddValue> OddValues() {
    const std::string z(1, '\0');
    return {
        {"REG_SZ of 2049 bytes", REG_SZ, std::string(2048, 'a') + z, 0, ""},
        {"REG_SZ of 64 KB", REG_SZ, std::string(65535, 'b') + z, 0, ""},
        {"REG_SZ of 2048 bytes", REG_SZ, std::string(2047, 'c') + z, 1, std::string(2047, 'c')},
        {"REG_SZ of 0 bytes", REG_SZ, "", 1, ""},
        {"REG_SZ holding only NUL", REG_SZ, z, 1, ""},
        {"REG_DWORD", REG_DWORD, std::string("\x41\x42\x43\x44", 4), 1, "ABCD"},
        {"REG_DWORD zero", REG_DWORD, std::string(4, '\0'), 1, ""},
        {"REG_MULTI_SZ", REG_MULTI_SZ, "C:\\first" + z + "D:\\second" + z + z, 1, "C:\\first"},
        {"REG_BINARY without NUL", REG_BINARY, "C:\\AutoCAD", 1, "C:\\AutoCAD"},
        {"REG_BINARY of 2048 bytes without NUL", REG_BINARY, std::string(2048, 'd'), 1,
         std::string(2048, 'd')},
        {"REG_BINARY of 2049 bytes", REG_BINARY, std::string(2049, 'e'), 0, ""},
        {"REG_EXPAND_SZ", REG_EXPAND_SZ, "%SystemRoot%" + z, 1, "%SystemRoot%"},
    };
}

} // namespace

TEST_F(HostileRegistryTest, StringReadsOfOddValuesInBothHivesGiveTheDocumentedText) {
    for (const OddValue& odd : OddValues()) {
        for (HKEY root : {registry.Machine(), registry.User()}) {
            PutRaw(root, kKey, "odd", odd.type, odd.bytes);
            CString text = "left over";
            const int read = root == registry.Machine() ? ReadMachineString(kKey, "odd", text)
                                                        : ReadUserString(kKey, "odd", text);
            EXPECT_EQ(odd.read, read) << odd.what;
            EXPECT_EQ(odd.text, text.str()) << odd.what;
        }
    }
}

TEST_F(HostileRegistryTest, OddCurVerNeverOverrunsAndTooLongFallsBackToTheDefaultProductId) {
    const AcadRelease& r18 = Release("R18.0");
    const CString host = "C:\\AutoCAD 2010";
    SetRegString(registry.Machine(), "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804",
                 "AcadLocation", host);
    for (const OddValue& odd : OddValues()) {
        PutRaw(registry.User(), "SOFTWARE\\Autodesk\\AutoCAD\\R18.0", "CurVer", odd.type,
               odd.bytes);
        CString folder;
        const int found = FindAcadInstall(r18, "", folder);
        if (!odd.read) {
            // Absent: the release's own product id finds the host.
            EXPECT_EQ(1, found) << odd.what;
            EXPECT_EQ(host + "\\", folder) << odd.what;
        } else if (odd.text.empty()) {
            // An empty id names the release key itself, which holds no folder.
            EXPECT_EQ(0, found) << odd.what;
            EXPECT_TRUE(folder.IsEmpty()) << odd.what;
        } else {
            // A key that does not exist (or cannot, 2047 bytes long): not installed.
            EXPECT_EQ(0, found) << odd.what;
            EXPECT_TRUE(folder.IsEmpty()) << odd.what;
        }
    }
}

TEST_F(HostileRegistryTest, OddAcadLocationAndLocationGiveAFolderOnlyWhenTextWasRead) {
    const AcadRelease& r18 = Release("R18.0");
    const char* productKey = "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804";
    for (const char* valueName : {"AcadLocation", "Location"}) {
        for (const OddValue& odd : OddValues()) {
            RegDeleteTreeA(registry.Machine(), "SOFTWARE\\Autodesk");
            PutRaw(registry.Machine(), productKey, valueName, odd.type, odd.bytes);
            CString folder = "left over";
            const int found = FindAcadInstall(r18, "", folder);
            const bool text = odd.read && !odd.text.empty();
            EXPECT_EQ(text ? 1 : 0, found) << valueName << ": " << odd.what;
            EXPECT_EQ(text ? odd.text + "\\" : std::string(), folder.str())
                << valueName << ": " << odd.what;
        }
    }
}

TEST_F(HostileRegistryTest, OddSiblingInstallPathIsAbsentOrTakenAsTextWithOneBackslash) {
    for (const OddValue& odd : OddValues()) {
        PutRaw(registry.Machine(), "SOFTWARE\\Morvane\\Quintel\\V9", "installPath", odd.type,
               odd.bytes);
        CString folder = "left over";
        EXPECT_EQ(odd.read, ReadSiblingInstallPath(SiblingProduct::Quintel, folder)) << odd.what;
        if (!odd.read)
            EXPECT_TRUE(folder.IsEmpty()) << odd.what;
        else
            EXPECT_TRUE(folder.EndsWithBackslash()) << odd.what;
    }
}

TEST_F(HostileRegistryTest, OddDefaultProfileAcadLeavesTheProductsSupportPathWhole) {
    const AcadRelease& r18 = Release("R18.0");
    const CString install = "C:\\Program Files\\Morvane\\Kelvra\\";
    const char* general =
        "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\<<未命名配置>>\\General";
    const CString written =
        "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\<<Kelvra V9>>\\General";
    const CString productPart = install + "Support\\2010-12\\64\\arx;" + install +
                                "Support\\2010-12\\Menu;" + install + "填充图案;" + install +
                                "材料图案;";
    for (const OddValue& odd : OddValues()) {
        PutRaw(registry.User(), general, "ACAD", odd.type, odd.bytes);
        ConfigureAcadProfile(r18, install, "", "C:\\AutoCAD 2010\\");
        const CString acad = GetRegString(registry.User(), written, "ACAD");
        // The product's own folders first, then the host's text as read
        // (nothing when it counts as absent).
        EXPECT_EQ(productPart.str() + (odd.read ? odd.text : std::string()) + ";", acad.str())
            << odd.what;
    }
}
