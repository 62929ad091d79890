// Taking the AutoCAD configuration back: on a scratch registry configured
// by the installer's own sweep (AutoCAD 2010 and 2014 with the user's own
// trusted paths), the clean-up leaves the user's list as it was.
#include "host_cad/AcadCleanup.h"
#include "host_cad/ReleaseSweep.h"
#include "tests/support/ScratchRegistry.h"

#include <gtest/gtest.h>

namespace {

const char k2010[] = "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804";
const char k2014[] = "Software\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804";
const char k2014Default[] =
    "Software\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804\\Profiles\\<<初始设置配置>>";
const char kUsersList[] = "D:\\My Arx;E:\\工具\\乗\\;";

// Two releases found as the main command's simulated AutoCAD registers them.
void RegisterHosts(ScratchRegistry& registry, const char* trustedPaths) {
    SetRegString(registry.User(), "Software\\Autodesk\\AutoCAD\\R18.0", "CurVer", "ACAD-8001:804");
    SetRegString(registry.User(), "Software\\Autodesk\\AutoCAD\\R19.1", "CurVer", "ACAD-D001:804");
    SetRegString(registry.Machine(), k2010, "AcadLocation", "C:\\AutoCAD 2010\\");
    SetRegString(registry.Machine(), k2014, "AcadLocation", "C:\\AutoCAD 2014\\");
    SetRegString(registry.User(), CString(k2014Default) + "\\General", "ACAD", "C:\\A\\support;");
    if (trustedPaths)
        SetRegString(registry.User(), CString(k2014Default) + "\\Variables", "TRUSTEDPATHS",
                     trustedPaths);
}

bool AnyLeft(ScratchRegistry& registry) {
    bool left = false;
    for (const char* host : {k2010, k2014}) {
        const CString tail = CString(host).Mid(9); // after "Software\"
        left |= RegKeyExists(registry.User(), CString(host) + "\\Profiles\\<<Kelvra V9>>");
        left |=
            RegKeyExists(registry.Machine(), "Software\\" + tail + "\\Applications\\LoadKelvra");
        left |= RegKeyExists(registry.Machine(),
                             "Software\\Wow6432Node\\" + tail + "\\Applications\\LoadKelvra");
    }
    return left;
}

struct CleanupCase {
    const char* name;
    const char* usersList;            // null: the user had no TRUSTEDPATHS
    const char* earlierInstallations; // configured before, ";"-separated
    AcadCleanupParts parts;
    // The user's list afterwards; null: the value is gone.
    const char* listAfter;
};

const CleanupCase kCleanupCases[] = {
    {"user's own list", kUsersList, "", AcadCleanupParts::UserAndMachine, kUsersList},
    // Only this destination's entries: the other folder's may be a second
    // copy's (an installation record names the ones to take).
    {"after a reinstall elsewhere", kUsersList, "D:\\Old Kelvra\\",
     AcadCleanupParts::UserAndMachine,
     "D:\\Old Kelvra\\Support\\2013-15\\64\\arx;D:\\My Arx;E:\\工具\\乗\\;"},
    {"no list of the user's", nullptr, "", AcadCleanupParts::UserAndMachine, nullptr},
    {"this user only", kUsersList, "", AcadCleanupParts::UserOnly, kUsersList},
};

} // namespace

TEST(AcadCleanup, TakesBackWhatTheSweepWroteAndLeavesTheUsersList) {
    const CString installDir = "C:\\Program Files\\安装 衆\\";
    for (const CleanupCase& c : kCleanupCases) {
        SCOPED_TRACE(c.name);
        ScratchRegistry registry;
        RegisterHosts(registry, c.usersList);
        if (*c.earlierInstallations) ConfigureAcadReleaseSweep(c.earlierInstallations);
        ConfigureAcadReleaseSweep(installDir);
        // AutoCAD adds its own subkeys to a profile it has run with.
        SetRegString(registry.User(), CString(k2014) + "\\Profiles\\<<Kelvra V9>>\\Drawing Window",
                     "x", "y");
        ASSERT_TRUE(AnyLeft(registry));

        EXPECT_GT(RemoveAcadConfiguration(installDir, c.parts), 0);

        EXPECT_FALSE(RegKeyExists(registry.User(), CString(k2014) + "\\Profiles\\<<Kelvra V9>>"));
        EXPECT_FALSE(RegKeyExists(registry.User(), CString(k2010) + "\\Profiles\\<<Kelvra V9>>"));
        EXPECT_EQ(c.parts == AcadCleanupParts::UserOnly, AnyLeft(registry));
        if (c.listAfter)
            EXPECT_EQ(CString(c.listAfter),
                      GetRegString(registry.User(), CString(k2014Default) + "\\Variables",
                                   "TRUSTEDPATHS"));
        else
            EXPECT_FALSE(RegValueExists(registry.User(), CString(k2014Default) + "\\Variables",
                                        "TRUSTEDPATHS"));
        EXPECT_EQ(CString("C:\\A\\support;"),
                  GetRegString(registry.User(), CString(k2014Default) + "\\General", "ACAD"));
        // A second clean-up finds nothing more to take.
        EXPECT_EQ(0, RemoveAcadConfiguration(installDir, c.parts));
    }
}
