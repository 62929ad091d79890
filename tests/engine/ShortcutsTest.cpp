// The shortcut step on real .lnk files, read back through IShellLinkA; the
// shell folders point at the test's own folders inside the scratch registry.
#include "engine/SetupThread.h"
#include "framework/Handles.h"
#include "tests/engine/RegistrationFixture.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

const char kGroup[] = "土地整理规划设计软件 Kelvra V9.0";
const char kAcadArguments[] = "/p \"<<Kelvra V9>>\" /t acad.dwt";

struct ShortcutsTest : ::testing::Test {
    ScratchRegistry registry;
    TempDir temp;
    CSetupThread worker;
    CString destination, desktop, programs, group;
    void SetUp() override {
        destination = temp / "Kelvra\\";
        desktop = temp / "Desktop\\";
        programs = temp / "Programs\\";
        group = programs + kGroup;
        CreateFolders(destination);
        CreateFolders(desktop);
        CreateFolders(programs);
        worker.m_strInstallDir = destination;
    }
    // Registers AutoCAD R19.1 in the native view, installed in a real folder.
    CString InstallR19_1() {
        const CString acad = temp / "AutoCAD 2014\\";
        CreateFolders(acad);
        WriteFileBytes(acad + "acad.exe", "MZ");
        SetRegString(registry.Machine(), "SOFTWARE\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804",
                     "AcadLocation", temp / "AutoCAD 2014");
        return acad;
    }
};

} // namespace

TEST_F(ShortcutsTest, MachineWithR19_1OnlyGetsItsLinksAndLogLinesInOrder) {
    PointShellFoldersAt(registry, desktop, programs);
    const CString acad = InstallR19_1();
    ASSERT_EQ(1, worker.CreateShortcuts());

    const std::vector<CString> expected = {
        "Made Dir: " + group,
        "File Copy: " + desktop + "土地整理规划设计.LNK",
        "File Copy: " + group + "\\土地整理规划设计.LNK",
        "File Copy: " + destination + "Kelvrafor2014.LNK",
        "File Copy: " + group + "\\Morvane网站.LNK",
        "File Copy: " + group + "\\Kelvra V9.0 在线帮助.LNK",
        "File Copy: " + group + "\\Kelvra V9.0 卸载程序.LNK",
        "File Copy: " + group,
    };
    EXPECT_EQ(expected, LogLines(worker));

    const ReadBackLink release = ReadLinkBack(destination + "Kelvrafor2014.LNK");
    ASSERT_TRUE(release.loaded);
    EXPECT_EQ(0, acad.CompareNoCase(release.target.Left(acad.GetLength())))
        << release.target.GetString();
    EXPECT_EQ(0, release.target.CompareNoCase(acad + "acad.exe")) << release.target.GetString();
    EXPECT_EQ(CString(kAcadArguments), release.arguments);
    EXPECT_EQ(destination + "KelvraV9.0.ICO", release.iconFile);
    EXPECT_EQ(0, release.iconIndex);
    EXPECT_EQ(destination, release.workingFolder);
}

TEST_F(ShortcutsTest, NoAutoCadGivesTheFiveProductLinks) {
    PointShellFoldersAt(registry, desktop, programs);
    ASSERT_EQ(1, worker.CreateShortcuts());
    struct Link {
        CString path;
        const char* target;
    };
    const Link links[] = {
        {desktop + "土地整理规划设计.LNK", "Kelvra-64.exe"},
        {group + "\\土地整理规划设计.LNK", "Kelvra-64.exe"},
        {group + "\\Morvane网站.LNK", "Kelvra.url"},
        {group + "\\Kelvra V9.0 在线帮助.LNK", "KelvraHelp.chm"},
        {group + "\\Kelvra V9.0 卸载程序.LNK", "Uninstall-64.exe"},
    };
    for (const Link& link : links) {
        SCOPED_TRACE(link.path.GetString());
        const ReadBackLink info = ReadLinkBack(link.path);
        ASSERT_TRUE(info.loaded);
        EXPECT_EQ(0, info.target.CompareNoCase(destination + link.target))
            << info.target.GetString();
        EXPECT_TRUE(info.arguments.IsEmpty());
        EXPECT_TRUE(info.iconFile.IsEmpty());
        EXPECT_EQ(destination, info.workingFolder);
    }
    EXPECT_EQ(7u, LogLines(worker).size());
    WIN32_FIND_DATAA data;
    CFindHandle releaseLinks(FindFirstFileA(destination + "Kelvrafor*", &data));
    EXPECT_FALSE(releaseLinks.IsValid());
}

TEST(ShellFolderSources, AreTriedInOrder) {
    TempDir temp;
    const CString destination = temp / "Kelvra\\";
    CreateFolders(destination);
    struct Source {
        bool machine;
        const char* key;
        const char* desktopValue;
        const char* programsValue;
    };
    const Source sources[] = {
        {false, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Desktop",
         "Programs"},
        {false, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Explorer\\Shell Folders",
         "Desktop", "Programs"},
        {true, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
         "Common Desktop", "Common Programs"},
        {true, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Explorer\\Shell Folders",
         "Common Desktop", "Common Programs"},
    };
    for (int winner = 0; winner < 4; ++winner) {
        SCOPED_TRACE(winner);
        ScratchRegistry scratch;
        TempDir folders;
        // Earlier sources hold only one of their two values; later ones hold both, elsewhere.
        for (int i = 0; i < 4; ++i) {
            const Source& s = sources[i];
            HKEY hive = s.machine ? scratch.Machine() : scratch.User();
            CString tag;
            tag.Format("%d", i);
            CreateFolders(folders / ("d" + tag));
            CreateFolders(folders / ("p" + tag));
            if (i < winner) {
                SetRegString(hive, s.key, i % 2 ? s.desktopValue : s.programsValue,
                             folders / ("d" + tag));
            } else {
                // Blanks around a folder without its backslash.
                SetRegString(hive, s.key, s.desktopValue, "  " + (folders / ("d" + tag)) + " ");
                SetRegString(hive, s.key, s.programsValue, folders / ("p" + tag));
            }
        }
        CSetupThread shortcutWorker;
        shortcutWorker.m_strInstallDir = destination;
        ASSERT_EQ(1, shortcutWorker.CreateShortcuts());
        CString tag;
        tag.Format("%d", winner);
        EXPECT_TRUE(FileExists(folders / ("d" + tag + "\\土地整理规划设计.LNK")));
        EXPECT_TRUE(FileExists(folders / ("p" + tag + "\\" + kGroup + "\\土地整理规划设计.LNK")));
        EXPECT_EQ("Made Dir: " + folders / ("p" + tag + "\\" + kGroup),
                  LogLines(shortcutWorker).front());
    }
}

TEST_F(ShortcutsTest, NoShellFoldersMakesNothing) {
    InstallR19_1();
    EXPECT_EQ(0, worker.CreateShortcuts());
    EXPECT_TRUE(worker.m_strLog.IsEmpty());
    EXPECT_FALSE(FileExists(destination + "Kelvrafor2014.LNK"));
}

TEST_F(ShortcutsTest, ReinstallReplacesLinksAndUnsavableLinksAreNotLogged) {
    PointShellFoldersAt(registry, desktop, programs);
    ASSERT_TRUE(WriteFileBytes(desktop + "土地整理规划设计.LNK", "not a link"));
    // A release link whose release is gone stays.
    ASSERT_TRUE(WriteFileBytes(destination + "Kelvrafor2010.LNK", "old"));
    ASSERT_EQ(1, worker.CreateShortcuts());
    EXPECT_TRUE(ReadLinkBack(desktop + "土地整理规划设计.LNK").loaded);
    EXPECT_EQ("old", ReadFileBytes(destination + "Kelvrafor2010.LNK"));

    // A desktop folder that does not exist: that link fails silently, the rest follow.
    CSetupThread second;
    second.m_strInstallDir = destination;
    PointShellFoldersAt(registry, temp / "NoDesktop", programs);
    ASSERT_EQ(1, second.CreateShortcuts());
    const std::vector<CString> lines = LogLines(second);
    ASSERT_EQ(6u, lines.size());
    EXPECT_EQ("File Copy: " + group + "\\土地整理规划设计.LNK", lines[1]);
}

TEST(CreateShellLink, SavesTheFivePropertiesAndRefusesAnOverlongPath) {
    TempDir temp;
    const CString link = temp / "链接.LNK";
    ASSERT_EQ(1, CSetupThread::CreateShellLink(temp.Path(), link, temp / "acad.exe", "/p \"x\"",
                                               "C:\\i.ico"));
    const ReadBackLink info = ReadLinkBack(link);
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ(CString("/p \"x\""), info.arguments);
    EXPECT_EQ(CString("C:\\i.ico"), info.iconFile);
    EXPECT_EQ(0, info.iconIndex);
    EXPECT_EQ(temp.Path(), info.workingFolder);

    std::string longName(300, 'a');
    EXPECT_EQ(0, CSetupThread::CreateShellLink(temp.Path(), temp / longName.c_str(),
                                               temp / "acad.exe", nullptr, nullptr));
}
