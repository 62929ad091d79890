// Installations carried through the copy: every artefact, reinstallation,
// missing content, cancelling and the finish page.
#include "tests/e2e/InstallScenario.h"

#include "engine/InstallRecord.h"
#include "tests/e2e/MachineSnapshot.h"

#include <algorithm>

namespace {

bool Lists(const CStringArray& paths, const CString& path) {
    return std::any_of(paths.begin(), paths.end(),
                       [&](const CString& listed) { return listed.CompareNoCase(path) == 0; });
}

// Every file under destination but the logs, links and the user's files is
// in the record with the size and time it has now.
void ExpectRecordListsTheTree(const CInstallRecord& record, const CString& destination,
                              const std::vector<CString>& notOurs) {
    std::map<std::string, std::string> recorded;
    for (const RecordedFile& file : record.files) {
        CString key = file.path;
        recorded[key.MakeLower().str()] =
            std::to_string(file.size) + "@" + std::to_string(file.lastWrite);
    }
    FileSnapshot tree;
    SnapshotFiles(destination, tree);
    for (const auto& [path, state] : tree) {
        CString key(path);
        key.MakeLower();
        if (state == "<dir>" || key.Right(4) == ".lnk" || key.Right(14) == "\\uninstall.log" ||
            key.Right(14) == "\\uninstall.dat" || Lists(notOurs, CString(path)))
            continue;
        const auto found = recorded.find(key.str());
        if (found == recorded.end()) {
            ADD_FAILURE() << "not in the record: " << path;
            continue;
        }
        EXPECT_EQ(found->second, state) << path;
    }
}

TEST_F(InstallScenario, FreshInstallationPutsEveryArtefactInPlace) {
    // Folders the user made before, with a file of theirs: not the product's.
    CreateFolders(Dest("Temp\\"));
    CreateFolders(Dest("Database\\"));
    ASSERT_TRUE(WriteFileBytes(Dest("Temp\\keep.txt"), "the user's"));
    InstallAll();

    // The tree, with the files' names lower-cased and the folders' kept.
    EXPECT_TRUE(FileExists(Dest("Database\\kelvra.mdb")));
    EXPECT_TRUE(FileExists(Dest("线型库\\linetype01.lin")));
    EXPECT_TRUE(FileExists(Dest("线型库\\SUB1A\\linetype01.lin")));
    EXPECT_TRUE(FileExists(Dest("线型库\\分类1\\SUB2A\\linetype02.lin")));
    EXPECT_TRUE(FileExists(Dest("Support\\2010-12\\64\\ARX\\loadkelvra.arx")));
    EXPECT_TRUE(FileExists(Dest("Support\\2013-15\\Menu\\kelvra.cuix")));
    EXPECT_TRUE(FileExists(Dest("Control\\kelvrasample.ocx")));
    EXPECT_TRUE(DirectoryExists(Dest("Temp")));
    CFileFind lowered;
    ASSERT_TRUE(lowered.FindFile(Dest("线型库\\linetype01.lin")));
    EXPECT_EQ(lowered.GetFileName(), "linetype01.lin");
    // The program files, the installer itself excepted; the icon hidden.
    EXPECT_TRUE(FileExists(Dest("Kelvra-64.exe")));
    EXPECT_TRUE(FileExists(Dest("readme.txt")));
    EXPECT_FALSE(FileExists(Dest("Setup.exe")));
    // Hidden and not read-only (Wine reports the archive bit besides).
    EXPECT_EQ(GetFileAttributesW(Wide(Dest("KelvraV9.0.ico")).c_str()) &
                  (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));

    // The product key, its twin and the uninstall entry.
    CString value;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", value));
    EXPECT_EQ(value, m_destination);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kProductKey, "Ver", value));
    EXPECT_EQ(value, "9.00");
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kProductKey, "DesignContourLayer", value));
    EXPECT_EQ(value, "设计等高线");
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kTwinKey, "installPath", value));
    EXPECT_EQ(value, m_destination);
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kTwinKey, "OriginLayer", value));
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", value));
    EXPECT_EQ(value, "土地整理规划设计软件 Kelvra V9.0");
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", value));
    // The uninstaller's full path; quotes around it (a path with blanks) allowed.
    std::string uninstall = value.str();
    if (uninstall.size() >= 2 && uninstall.front() == '"' && uninstall.back() == '"')
        uninstall = uninstall.substr(1, uninstall.size() - 2);
    EXPECT_EQ(uninstall, m_destination.str() + "Uninstall-64.exe");
    // The test control registered itself.
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Kelvra.SampleControl"));

    // The two simulated AutoCAD releases got their profile.
    const CString r18 =
        "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\<<Kelvra V9>>";
    EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, r18 + "\\General", "ACAD", value));
    EXPECT_EQ(value, m_destination + "Support\\2010-12\\64\\arx;" + m_destination +
                         "Support\\2010-12\\Menu;" + m_destination + "填充图案;" + m_destination +
                         "材料图案;" + CInstallMachine::SimulatedAcadFolder("R18.0") + "support;");
    EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, r18, "", value));
    EXPECT_EQ(value, "<<Kelvra V9>>");
    const CString r19 =
        "Software\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804\\Profiles\\<<Kelvra V9>>";
    EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, r19 + "\\Variables", "TRUSTEDPATHS", value));
    EXPECT_EQ(value, m_destination + "Support\\2013-15\\64\\arx;");
    DWORD loadControls = 0;
    EXPECT_TRUE(
        ReadDword(HKEY_LOCAL_MACHINE,
                  "Software\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804\\Applications\\LoadKelvra",
                  "LOADCTRLS", loadControls));
    EXPECT_EQ(loadControls, 2u);

    // The shortcuts, read back.
    ShellLinkInfo link;
    ASSERT_TRUE(ReadShellLink(DesktopLink(), link));
    EXPECT_EQ(link.target, m_destination + "Kelvra-64.exe");
    EXPECT_EQ(link.workingFolder, m_destination);
    ASSERT_TRUE(ReadShellLink(m_destination + "Kelvrafor2010.LNK", link));
    EXPECT_EQ(link.target, CInstallMachine::SimulatedAcadFolder("R18.0") + "acad.exe");
    EXPECT_EQ(link.arguments, "/p \"<<Kelvra V9>>\" /t acad.dwt");
    EXPECT_EQ(link.iconFile, m_destination + "KelvraV9.0.ICO");
    EXPECT_TRUE(ReadShellLink(m_destination + "Kelvrafor2014.LNK", link));
    EXPECT_FALSE(FileExists(m_destination + "Kelvrafor2012.LNK"));
    const CString group = m_programs + kGroupName + "\\";
    ASSERT_TRUE(ReadShellLink(group + "Kelvra V9.0 卸载程序.LNK", link));
    EXPECT_EQ(link.target, m_destination + "Uninstall-64.exe");

    // The hidden uninstall log, byte for byte where it matters.
    EXPECT_EQ(GetFileAttributesW(Wide(Dest("Uninstall.log")).c_str()) &
                  (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    const std::string log = Bytes(Dest("Uninstall.log"));
    const std::string dest = m_destination.str();
    EXPECT_EQ(log.rfind("Made Dir: " + dest + "Support\r\n", 0), 0u) << log;
    EXPECT_NE(log.find("Made Dir: " + dest + "线型库\\分类1\\SUB2A\r\n"), std::string::npos);
    EXPECT_NE(log.find("File Copy: " + dest + "Kelvra-64.exe\r\n"), std::string::npos);
    EXPECT_NE(log.find("Reg Ctrl: " + dest + "Control\\kelvrasample.ocx\r\n"), std::string::npos);
    EXPECT_NE(
        log.find(
            "RegDB Key: 2,SOFTWARE\\Morvane\\Kelvra\\V9\r\n"
            "RegDB Key: 2,SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9\r\n"
            "RegDB Key: 2,SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9\r\n"),
        std::string::npos);
    EXPECT_NE(log.find("File Copy: " + DesktopLink().str() + "\r\n"), std::string::npos);
    const std::string lastLine = "File Copy: " + dest + "Uninstall.log\r\n";
    ASSERT_GE(log.size(), lastLine.size());
    EXPECT_EQ(log.substr(log.size() - lastLine.size()), lastLine);
    EXPECT_EQ(log.find("\n\r\n"), std::string::npos) << "no empty line";
    for (size_t i = log.find('\n'); i != std::string::npos; i = log.find('\n', i + 1))
        ASSERT_EQ(log[i - 1], '\r') << "every line ends with CR LF";

    // The hidden installation record beside it: the folders the copy
    // created and no other, every file with its true size and time, the
    // links, R19.1's trusted paths and the profiles that were not there.
    const CString recordPath = RecordPathBeside(m_destination);
    EXPECT_EQ(GetFileAttributesW(Wide(recordPath).c_str()) & FILE_ATTRIBUTE_HIDDEN,
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    CInstallRecord record;
    ASSERT_TRUE(CInstallRecord::Load(recordPath, record));
    for (const char* ours : {"Support", "线型库\\分类1\\SUB2A", "图库"})
        EXPECT_TRUE(Lists(record.createdFolders, Dest(ours))) << ours;
    EXPECT_TRUE(Lists(record.createdFolders, m_programs + kGroupName));
    for (const CString& before :
         {Dest("Temp"), Dest("Database"), m_destination.Left(m_destination.GetLength() - 1)})
        EXPECT_FALSE(Lists(record.createdFolders, before)) << before.GetString();
    ExpectRecordListsTheTree(record, m_destination, {Dest("Temp\\keep.txt")});
    EXPECT_TRUE(std::none_of(record.files.begin(), record.files.end(), [&](const RecordedFile& f) {
        return f.path.CompareNoCase(Dest("Temp\\keep.txt")) == 0;
    })) << "the user's file is in the record";
    const CStringArray links = {DesktopLink(),
                                group + "土地整理规划设计.LNK",
                                group + "Morvane网站.LNK",
                                group + "Kelvra V9.0 在线帮助.LNK",
                                group + "Kelvra V9.0 卸载程序.LNK",
                                Dest("Kelvrafor2010.LNK"),
                                Dest("Kelvrafor2014.LNK")};
    EXPECT_EQ(record.links.size(), links.size());
    for (const CString& made : links) EXPECT_TRUE(Lists(record.links, made)) << made.GetString();
    const CString arx = m_destination + "Support\\2013-15\\64\\arx";
    std::vector<std::string> trusted;
    for (const RecordedAcadEntry& entry : record.trustedPaths)
        trusted.push_back((entry.releaseKey + "|" + entry.view + "|" + entry.productId + "|" +
                           entry.profile + "|" + entry.value)
                              .str());
    std::sort(trusted.begin(), trusted.end());
    EXPECT_EQ(trusted,
              (std::vector<std::string>{("R19.1||ACAD-D001:804|<<Kelvra V9>>|" + arx).str(),
                                        ("R19.1||ACAD-D001:804|<<初始设置配置>>|" + arx).str()}));
    std::vector<std::string> profiles;
    for (const RecordedAcadEntry& entry : record.profiles)
        profiles.push_back(RecordedProfileKey(entry).str());
    std::sort(profiles.begin(), profiles.end());
    EXPECT_EQ(profiles, (std::vector<std::string>{
                            r18.str(), r19.str(),
                            "Software\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804\\Profiles\\"
                            "初始设置配置"}));
}

TEST_F(InstallScenario, ReinstallAnsweredYesKeepsTheDatabaseAndWritesAFreshLog) {
    InstallAll();
    ASSERT_TRUE(WriteFileBytes(Dest("Database\\kelvra.mdb"), "the user's own data"));
    ASSERT_TRUE(WriteFileBytes(Dest("线型库\\linetype01.lin"), "changed since"));
    const std::string firstLog = Bytes(Dest("Uninstall.log"));

    m_driver.Launch(Distribution("full"));
    HWND question = m_driver.WaitForMessageBox(kReinstallQuestion);
    m_driver.Answer(question, IDYES);
    WalkFromWelcome();
    Finish();

    EXPECT_EQ(Bytes(Dest("Database\\kelvra.mdb")), "the user's own data");
    EXPECT_NE(Bytes(Dest("线型库\\linetype01.lin")), "changed since");
    // The new log holds the second run's lines only: the same lines once.
    EXPECT_EQ(Bytes(Dest("Uninstall.log")), firstLog);
    // The record keeps the folders the first run created and has the
    // rewritten files' new sizes and times.
    CInstallRecord inPlace;
    ASSERT_TRUE(CInstallRecord::Load(RecordPathBeside(m_destination), inPlace));
    EXPECT_TRUE(Lists(inPlace.createdFolders, Dest("Support")));
    // The database the user filled is not the copy's any more.
    ExpectRecordListsTheTree(inPlace, m_destination, {Dest("Database\\kelvra.mdb")});

    // Into another folder: the record there holds both installations.
    const CString first = m_destination;
    m_destination = m_temp / "另一个 Kelvra\\";
    m_driver.Launch(Distribution("full"));
    m_driver.Answer(m_driver.WaitForMessageBox(kReinstallQuestion), IDYES);
    WalkFromWelcome();
    Finish();
    CInstallRecord both;
    ASSERT_TRUE(CInstallRecord::Load(RecordPathBeside(m_destination), both));
    ExpectRecordListsTheTree(both, m_destination, {});
    ExpectRecordListsTheTree(both, first, {first + "Database\\kelvra.mdb"});
    for (const CString& folder : {first, m_destination})
        EXPECT_TRUE(Lists(both.createdFolders, folder + "Support")) << folder.GetString();
    CStringArray trusted;
    for (const RecordedAcadEntry& entry : both.trustedPaths)
        if (entry.profile == "<<初始设置配置>>") trusted.push_back(entry.value);
    EXPECT_TRUE(Lists(trusted, first + "Support\\2013-15\\64\\arx"));
    EXPECT_TRUE(Lists(trusted, m_destination + "Support\\2013-15\\64\\arx"));
}

TEST_F(InstallScenario, MissingFifthFolderIgnoredCompletesWithAnEmptyFolder) {
    WalkToCopying("no-fifth-folder");
    HWND box = m_driver.WaitForMessageBox(kMissingFolderText);
    EXPECT_NE(CUiDriver::MessageBoxText(box).Find("填充图案"), -1);
    m_driver.Answer(box, IDIGNORE);
    Finish();

    EXPECT_TRUE(DirectoryExists(Dest("填充图案")));
    CFileFind finder;
    int entries = 0;
    for (bool more = finder.FindFile(Dest("填充图案\\*.*")); more; more = finder.FindNextFile())
        if (!finder.IsDots()) ++entries;
    EXPECT_EQ(entries, 0);
    EXPECT_TRUE(FileExists(Dest("标准断面\\section01.dwg")));
    EXPECT_NE(
        Bytes(Dest("Uninstall.log")).find("Made Dir: " + m_destination.str() + "填充图案\r\n"),
        std::string::npos);
}

// Over a completed installation's detection value, which a failed run
// takes away.
TEST_F(InstallScenario, MissingFifthFolderAbortedStopsAfterTheFourth) {
    PlantDetection();
    WalkToCopying("no-fifth-folder");
    HWND box = m_driver.WaitForMessageBox(kMissingFolderText);
    m_driver.Answer(box, IDABORT);
    EXPECT_EQ(m_driver.WaitForExit(), 1603u) << "failed";

    EXPECT_FALSE(m_driver.FindPage(WizardPage::Finish));
    for (const char* folder : {"Support", "Control", "Database", "线型库"})
        EXPECT_TRUE(DirectoryExists(Dest(folder)));
    for (const char* folder : {"填充图案", "材料图案", "Temp"})
        EXPECT_FALSE(DirectoryExists(Dest(folder)));
    CString value;
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", value));
    EXPECT_FALSE(FileExists(DesktopLink()));
    EXPECT_FALSE(FileExists(Dest("Uninstall.log")));
    EXPECT_FALSE(DetectionLeft());
}

// Over a completed installation's detection value, which a cancelled run
// takes away.
TEST_F(InstallScenario, CancelConfirmedDuringTheCopyStopsWithoutFinishPage) {
    PlantDetection();
    WalkToCopying("large");
    HWND copying = m_driver.WaitForPage(WizardPage::Copying);
    m_driver.Click(copying, IDCANCEL);
    HWND question = m_driver.WaitForMessageBox(kCopyCancelQuestion);
    m_driver.Answer(question, IDYES);
    EXPECT_EQ(m_driver.WaitForExit(), 1602u) << "ended by the user";

    EXPECT_FALSE(m_driver.FindPage(WizardPage::Finish));
    EXPECT_FALSE(FileExists(Dest("Uninstall.log")));
    EXPECT_FALSE(DirectoryExists(Dest("Temp"))) << "the copy went on to the last folder";
    CString value;
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", value));
    EXPECT_FALSE(DetectionLeft());
}

TEST_F(InstallScenario, CancelAnsweredNoCompletesTheInstallation) {
    WalkToCopying("large");
    HWND copying = m_driver.WaitForPage(WizardPage::Copying);
    m_driver.Click(copying, IDCANCEL);
    HWND question = m_driver.WaitForMessageBox(kCopyCancelQuestion);
    m_driver.Answer(question, IDNO);
    Finish();

    EXPECT_TRUE(FileExists(Dest("Uninstall.log")));
    EXPECT_TRUE(DirectoryExists(Dest("Temp")));
}

TEST_F(InstallScenario, DestinationThatCannotBeCreatedAnsweredCancel) {
    // No drive Q: in the prefix: the first folder of the path cannot be made.
    m_destination = "Q:\\Kelvra\\";
    WalkToCopying();
    HWND box = m_driver.WaitForMessageBox(kCannotCreateText);
    EXPECT_NE(CUiDriver::MessageBoxText(box).Find("Q:\\Kelvra"), -1);
    m_driver.Answer(box, IDCANCEL);
    EXPECT_EQ(m_driver.WaitForExit(), 1603u) << "failed";

    EXPECT_FALSE(m_driver.FindPage(WizardPage::Finish));
    CString value;
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", value));
    EXPECT_FALSE(FileExists(DesktopLink()));
}

TEST_F(InstallScenario, CloseBoxOnTheFinishPageAsksTheQuitQuestion) {
    WalkToCopying();
    HWND finish = m_driver.WaitForPage(WizardPage::Finish);
    m_driver.CloseBox(finish);
    HWND question = m_driver.WaitForMessageBox(kQuitQuestion);
    m_driver.Answer(question, IDNO);
    // No shows the page again, its option ticked anew.
    finish = m_driver.WaitForPage(WizardPage::Finish);
    EXPECT_TRUE(m_driver.IsChecked(finish, IDC_README));
    m_driver.CloseBox(finish);
    question = m_driver.WaitForMessageBox(kQuitQuestion);
    m_driver.Answer(question, IDYES);
    // The installation itself was complete before the question.
    EXPECT_EQ(m_driver.WaitForExit(), 0u);
    EXPECT_TRUE(FileExists(Dest("Uninstall.log")));
}

} // namespace
