// A whole run of the worker on a sample distribution, on a machine with
// AutoCAD R18.0 and R19.1: the registry, the links and the uninstall log it
// leaves behind.
#include "framework/WizardProtocol.h"
#include "engine/SetupThread.h"
#include "framework/FileFind.h"
#include "tests/engine/PageStandIn.h"
#include "tests/engine/RegistrationFixture.h"
#include "tests/support/SampleDistribution.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

const char kGroup[] = "土地整理规划设计软件 Kelvra V9.0";

struct InstallRunTest : ::testing::Test {
    ScratchRegistry registry;
    TempDir temp;
    PageStandIn page;
    CSetupThread worker;
    CString source, destination, desktop, programs, acad2010, acad2014;

    void SetUp() override {
        source = temp / "dist\\";
        destination = temp / "Program Files\\Morvane\\Kelvra\\";
        desktop = temp / "Desktop\\";
        programs = temp / "Programs\\";
        acad2010 = temp / "AutoCAD 2010\\";
        acad2014 = temp / "AutoCAD 2014\\";
        for (const CString& folder : {desktop, programs, acad2010, acad2014}) CreateFolders(folder);
        const SampleDistribution sample{.programFiles = {"Setup.exe", "Kelvra-64.exe",
                                                         "KelvraV9.0.ico", "Uninstall-64.exe",
                                                         "readme.txt"}};
        ASSERT_TRUE(sample.MakeIn(source));
        ASSERT_TRUE(PlaceTestControl("marker.ocx", source + "Control\\", "marker.ocx"));
        WriteFileBytes(acad2010 + "acad.exe", "MZ");
        WriteFileBytes(acad2014 + "acad.exe", "MZ");

        PointShellFoldersAt(registry, desktop, programs);
        // R18.0 with its own "CurVer" and an English-named first profile.
        SetRegString(registry.User(), "SOFTWARE\\Autodesk\\AutoCAD\\R18.0", "CurVer",
                     "ACAD-8001:804");
        SetRegString(registry.Machine(), "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804",
                     "AcadLocation", temp / "AutoCAD 2010");
        SetRegString(
            registry.User(),
            "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\<<未命名配置>>\\General",
            "ACAD", acad2010 + "support");
        // R19.1 in the 32-bit view, found through "Location", with trusted folders of its own.
        SetRegString(registry.Machine(),
                     "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804", "Location",
                     acad2014);
        SetRegString(registry.User(),
                     "Software\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804\\Profiles\\<<初始设置配置>>"
                     "\\General",
                     "ACAD", acad2014 + "support");
        SetRegString(registry.User(),
                     "Software\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804\\Profiles\\<<初始设置配置>>"
                     "\\Variables",
                     "TRUSTEDPATHS", "C:\\Mine\\lisp;");

        worker.m_strSourceDir = source;
        worker.m_strInstallDir = destination;
    }
    void TearDown() override {
        SetFileAttributesA(destination + "Uninstall.log", FILE_ATTRIBUTE_NORMAL);
    }

    // The plain files of the distribution folder in listing order, as the
    // program-file step meets them.
    std::vector<CString> ListedProgramFiles() const {
        std::vector<CString> names;
        CFileFind finder;
        for (bool more = finder.FindFile(source + "*.*"); more; more = finder.FindNextFile())
            if (!finder.IsDirectory() && finder.GetFileName().CompareNoCase("Setup.exe") != 0)
                names.push_back(finder.GetFileName());
        return names;
    }
};

} // namespace

TEST_F(InstallRunTest, R18AndR19_1MachineGetsRegistryLinksAndLog) {
    ASSERT_TRUE(page.RunWorker(worker));
    ASSERT_FALSE(page.reports.empty());
    EXPECT_EQ(UINT(WM_SETUP_DONE), page.reports.back());

    // Product keys and uninstall entry.
    HKEY hklm = registry.Machine();
    EXPECT_EQ(destination, GetRegString(hklm, "SOFTWARE\\Morvane\\Kelvra\\V9", "installPath"));
    EXPECT_EQ(destination,
              GetRegString(hklm, "SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9", "installPath"));
    EXPECT_EQ("\"" + destination + "Uninstall-64.exe\"",
              GetRegString(hklm,
                           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9",
                           "UninstallString"));
    EXPECT_EQ(CString("registered"),
              GetRegString(registry.User(), "Software\\KelvraTestControls", "marker"));

    // R18.0: demand-load entry in the native view, support path with the host's own.
    EXPECT_EQ(
        destination + "Support\\2010-12\\64\\ARX\\LoadKelvra.arx",
        GetRegString(hklm,
                     "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Applications\\LoadKelvra",
                     "LOADER"));
    const CString profile18 =
        "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\<<Kelvra V9>>";
    EXPECT_EQ(destination + "Support\\2010-12\\64\\arx;" + destination + "Support\\2010-12\\Menu;" +
                  destination + "填充图案;" + destination + "材料图案;" + acad2010 + "support;",
              GetRegString(registry.User(), profile18 + "\\General", "ACAD"));
    EXPECT_EQ(CString("<<Kelvra V9>>"), GetRegString(registry.User(), profile18, ""));

    // R19.1: configured in the native keys, trusted paths in both profiles, the user's kept.
    const CString host19 = "Software\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804";
    EXPECT_EQ(destination + "Support\\2013-15\\64\\ARX\\LoadKelvra.arx",
              GetRegString(hklm, host19 + "\\Applications\\LoadKelvra", "LOADER"));
    const CString trusted = destination + "Support\\2013-15\\64\\arx;";
    EXPECT_EQ(trusted,
              GetRegString(registry.User(), host19 + "\\Profiles\\<<Kelvra V9>>\\Variables",
                           "TRUSTEDPATHS"));
    EXPECT_EQ(trusted + "C:\\Mine\\lisp;",
              GetRegString(registry.User(), host19 + "\\Profiles\\<<初始设置配置>>\\Variables",
                           "TRUSTEDPATHS"));

    // Links.
    const CString group = programs + kGroup;
    for (const CString& link :
         {desktop + "土地整理规划设计.LNK", group + "\\Kelvra V9.0 卸载程序.LNK"})
        EXPECT_TRUE(ReadLinkBack(link).loaded) << link.GetString();
    const ReadBackLink link2010 = ReadLinkBack(destination + "Kelvrafor2010.LNK");
    const ReadBackLink link2014 = ReadLinkBack(destination + "Kelvrafor2014.LNK");
    EXPECT_EQ(0, link2010.target.CompareNoCase(acad2010 + "acad.exe"))
        << link2010.target.GetString();
    EXPECT_EQ(0, link2014.target.CompareNoCase(acad2014 + "acad.exe"))
        << link2014.target.GetString();
    EXPECT_EQ(CString("/p \"<<Kelvra V9>>\" /t acad.dwt"), link2014.arguments);

    // The uninstall log, line by line, in the order of the run.
    CString expected;
    for (const char* name : CONTENT_FOLDERS) expected += "Made Dir: " + destination + name + "\r\n";
    for (const CString& name : ListedProgramFiles())
        expected += "File Copy: " + destination + name + "\r\n";
    expected += "Reg Ctrl: " + destination + "Control\\marker.ocx\r\n";
    expected += "RegDB Key: 2,SOFTWARE\\Morvane\\Kelvra\\V9\r\n";
    expected += "RegDB Key: 2,SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9\r\n";
    expected +=
        "RegDB Key: 2,SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9\r\n";
    expected += "Made Dir: " + group + "\r\n";
    expected += "File Copy: " + desktop + "土地整理规划设计.LNK\r\n";
    expected += "File Copy: " + group + "\\土地整理规划设计.LNK\r\n";
    expected += "File Copy: " + destination + "Kelvrafor2010.LNK\r\n";
    expected += "File Copy: " + destination + "Kelvrafor2014.LNK\r\n";
    expected += "File Copy: " + group + "\\Morvane网站.LNK\r\n";
    expected += "File Copy: " + group + "\\Kelvra V9.0 在线帮助.LNK\r\n";
    expected += "File Copy: " + group + "\\Kelvra V9.0 卸载程序.LNK\r\n";
    expected += "File Copy: " + group + "\r\n";
    expected += "File Copy: " + destination + "Uninstall.log\r\n";
    EXPECT_EQ(expected.str(), ReadFileBytes(destination + "Uninstall.log"));
    // Hidden and nothing else (Wine reports every file as archived).
    for (const char* hidden : {"Uninstall.log", "KelvraV9.0.ico"})
        EXPECT_EQ(DWORD(FILE_ATTRIBUTE_HIDDEN),
                  GetFileAttributesA(destination + hidden) & ~DWORD(FILE_ATTRIBUTE_ARCHIVE))
            << hidden;
}
