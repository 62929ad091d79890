// The per-user clean-up after an uninstallation: this machine's links go
// always; the AutoCAD profiles go unless the profile roams (another machine
// may still have the product installed and use them).
#include "uninstall/UserCleanup.h"

#include "host_cad/ReleaseSweep.h"
#include "host_cad/ShellFolders.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

const char k2014[] = "Software\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804";
const char kDefaultVariables[] =
    "Software\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804\\Profiles\\<<初始设置配置>>\\Variables";
const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct ProfileCase {
    const char* name;
    bool roaming;
    bool profilesKept;
};

const ProfileCase kProfileCases[] = {
    {.name = "a local profile", .roaming = false, .profilesKept = false},
    {.name = "a roaming profile", .roaming = true, .profilesKept = true},
};

TEST(UserCleanup, TheLinksGoTheProfilesStayOnlyInARoamingProfile) {
    const CString installDir = "C:\\Program Files\\Morvane\\Kelvra\\";
    for (const ProfileCase& c : kProfileCases) {
        SCOPED_TRACE(c.name);
        ScratchRegistry registry;
        TempDir temp;
        // AutoCAD 2014 as the user has it, configured by the installer.
        SetRegString(registry.User(), "Software\\Autodesk\\AutoCAD\\R19.1", "CurVer",
                     "ACAD-D001:804");
        SetRegString(registry.Machine(), k2014, "AcadLocation", "C:\\AutoCAD 2014\\");
        SetRegString(registry.User(), CString(k2014) + "\\Profiles\\<<初始设置配置>>\\General",
                     "ACAD", "C:\\AutoCAD 2014\\support;");
        ConfigureAcadReleaseSweep(installDir);
        const CString trusted = GetRegString(registry.User(), kDefaultVariables, "TRUSTEDPATHS");
        ASSERT_NE(trusted.Find(installDir), -1) << trusted.GetString();
        // This machine's links in the user's own folders.
        const CString desktop = temp / "Desktop\\";
        const CString group = temp / "Programs\\" + kProgramGroup + "\\";
        CreateFolders(desktop);
        CreateFolders(group);
        SetRegString(registry.User(), kShellFolders, "Desktop", desktop);
        SetRegString(registry.User(), kShellFolders, "Programs", temp / "Programs\\");
        ASSERT_TRUE(WriteFileBytes(desktop + kProductLink, "link"));
        ASSERT_TRUE(WriteFileBytes(group + kProductLink, "link"));

        const UserCleanupResult done = CleanUpUser(installDir, c.roaming);

        EXPECT_FALSE(FileExists(desktop + kProductLink));
        EXPECT_FALSE(DirectoryExists(group));
        EXPECT_EQ(done.linksRemoved, 3);
        EXPECT_EQ(RegKeyExists(registry.User(), CString(k2014) + "\\Profiles\\<<Kelvra V9>>"),
                  c.profilesKept);
        EXPECT_EQ(GetRegString(registry.User(), kDefaultVariables, "TRUSTEDPATHS") == trusted,
                  c.profilesKept);
        EXPECT_EQ(done.acadChanged > 0, !c.profilesKept);
    }
}

} // namespace
