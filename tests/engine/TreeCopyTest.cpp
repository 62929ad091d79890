#include "engine/SetupThread.h"

#include "framework/WizardProtocol.h"
#include "framework/App.h"
#include "framework/FileFind.h"
#include "framework/SystemError.h"
#include "framework/WideText.h"
#include "tests/engine/PageStandIn.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// The name the file system holds for path (its exact case).
CString StoredName(const CString& path) {
    CFileFind finder;
    return finder.FindFile(path) ? finder.GetFileName() : CString();
}

DWORD Attributes(const CString& path) { return GetFileAttributesA(path); }

constexpr DWORD kCarriedOver =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

int IndexOfSource(const std::vector<PageStandIn::Progress>& progress, const CString& source) {
    for (size_t i = 0; i < progress.size(); ++i)
        if (progress[i].source == source) return static_cast<int>(i);
    return -1;
}

// Every "Made Dir: " line's folder lies below the folder of some earlier
// line it follows directly or through its own ancestors: a depth-first order.
bool IsDepthFirst(const std::vector<CString>& folders) {
    for (size_t i = 1; i < folders.size(); ++i) {
        CString parent = folders[i].Left(folders[i].ReverseFind('\\'));
        const CString& previous = folders[i - 1];
        if (!(previous == parent || previous.Find(parent + "\\") == 0)) return false;
    }
    return true;
}

struct TreeCopyFixture : ::testing::Test {
    TempDir temp;
    PageStandIn page;
    CSetupThread worker;
    void SetUp() override { page.Adopt(worker); }
    CString Src(const char* relative) const { return temp / "src\\" + relative; }
    CString Dst(const char* relative) const { return temp / "dst\\" + relative; }
    void Make(const CString& path, const char* content = "new") {
        CreateFolders(path.Left(path.ReverseFind('\\')));
        ASSERT_TRUE(WriteFileBytes(path, content)) << path.GetString();
    }
};

} // namespace

using TreeCopyTest = TreeCopyFixture;

TEST_F(TreeCopyTest, CopiesTheTreeLowerCasingFileNamesButNotDoubleByteCharacters) {
    // 丂 (81 41) has the trail byte 'A', 乗 (81 5C) the trail byte '\'.
    Make(Src("Support\\Data.TXT"), "data");
    Make(Src("Support\\\x81\x41Name.TXT"), "kao");
    Make(Src("Support\\\x81\x5C.DAT"), "jo");
    Make(Src("Support\\Sub\\Inner.TXT"), "inner");
    Make(Src("Support\\Sub\\Deep\\X.BIN"), "x");
    Make(Src("Support\\Other\\o.txt"), "o");

    ASSERT_NE(worker.CopyTree(Src("Support"), Dst("Support")), 0);

    EXPECT_EQ(StoredName(Dst("Support\\data.txt")), CString("data.txt"));
    EXPECT_EQ(StoredName(Dst("Support\\\x81\x41name.txt")), CString("\x81\x41name.txt"));
    EXPECT_EQ(StoredName(Dst("Support\\\x81\x5C.dat")), CString("\x81\x5C.dat"));
    EXPECT_EQ(StoredName(Dst("Support\\Sub")), CString("Sub")); // folders keep their case
    EXPECT_EQ(ReadFileBytes(Dst("Support\\Sub\\Deep\\x.bin")), "x");
    EXPECT_EQ(ReadFileBytes(Dst("Support\\\x81\x5C.dat")), "jo");
    EXPECT_EQ(ReadFileBytes(Dst("Support\\Other\\o.txt")), "o");

    // One message per file and per folder; a file's carries its lower-cased
    // destination, a folder's comes after those of everything inside it.
    ASSERT_EQ(page.progress.size(), 9u);
    int data = IndexOfSource(page.progress, Src("Support\\Data.TXT"));
    ASSERT_GE(data, 0);
    EXPECT_EQ(page.progress[data].destination, Lower(Dst("Support\\data.txt")));
    int kao = IndexOfSource(page.progress, Src("Support\\\x81\x41Name.TXT"));
    ASSERT_GE(kao, 0);
    EXPECT_EQ(page.progress[kao].destination, Lower(Dst("Support\\")) + "\x81\x41name.txt");
    int sub = IndexOfSource(page.progress, Src("Support\\Sub"));
    int deep = IndexOfSource(page.progress, Src("Support\\Sub\\Deep"));
    int inner = IndexOfSource(page.progress, Src("Support\\Sub\\Inner.TXT"));
    int x = IndexOfSource(page.progress, Src("Support\\Sub\\Deep\\X.BIN"));
    ASSERT_TRUE(sub >= 0 && deep >= 0 && inner >= 0 && x >= 0);
    EXPECT_EQ(page.progress[sub].destination, Dst("Support\\Sub"));
    EXPECT_LT(x, deep);
    EXPECT_LT(deep, sub);
    EXPECT_LT(inner, sub);

    // One "Made Dir: " line per folder visited, depth-first, and nothing for files.
    std::vector<CString> lines = SplitLines(worker.m_strLog);
    ASSERT_EQ(lines.size(), 4u);
    std::vector<CString> folders;
    for (const CString& line : lines) {
        ASSERT_EQ(line.Find("Made Dir: "), 0) << line.GetString();
        folders.push_back(line.Mid(10));
    }
    EXPECT_EQ(folders[0], Dst("Support"));
    EXPECT_TRUE(IsDepthFirst(folders));
}

TEST_F(TreeCopyTest, ReplacesReadOnlyAndHiddenFilesAndClearsCarriedAttributes) {
    Make(Src("Control\\a.ocx"), "new a");
    Make(Src("Control\\b.dll"), "new b");
    Make(Src("Control\\c.txt"), "new c");
    SetFileAttributesA(Src("Control\\c.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    Make(Src("Control\\d.txt"), "new d");
    // What an earlier installation left behind.
    Make(Dst("Control\\a.ocx"), "old a");
    Make(Dst("Control\\b.dll"), "old b");
    Make(Dst("Control\\d.txt"), "old d, longer than the new one");
    ASSERT_TRUE(SetFileAttributesA(Dst("Control\\a.ocx"), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA(Dst("Control\\b.dll"), FILE_ATTRIBUTE_HIDDEN));

    ASSERT_NE(worker.CopyTree(Src("Control\\"), Dst("Control")), 0);

    EXPECT_EQ(ReadFileBytes(Dst("Control\\a.ocx")), "new a");
    EXPECT_EQ(ReadFileBytes(Dst("Control\\b.dll")), "new b");
    EXPECT_EQ(ReadFileBytes(Dst("Control\\c.txt")), "new c");
    EXPECT_EQ(ReadFileBytes(Dst("Control\\d.txt")), "new d");
    for (const char* name :
         {"Control\\a.ocx", "Control\\b.dll", "Control\\c.txt", "Control\\d.txt"}) {
        DWORD attributes = Attributes(Dst(name));
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << name;
        EXPECT_EQ(attributes & kCarriedOver, 0u) << name;
    }
    EXPECT_EQ(page.progress.size(), 4u);
}

TEST_F(TreeCopyTest, KeepsAnExistingDatabaseAndEverythingNamedLikeIt) {
    Make(Src("Database\\Kelvra.mdb"), "new db");
    Make(Src("Database\\old_kelvra.mdb.bak"), "new bak");
    Make(Src("Database\\kelvra.mdb.d\\table.dat"), "new table");
    Make(Src("Database\\other.txt"), "new other");
    Make(Dst("Database\\kelvra.mdb"), "user data");
    Make(Dst("Database\\old_kelvra.mdb.bak"), "old bak");
    Make(Dst("Database\\kelvra.mdb.d\\table.dat"), "old table");
    Make(Dst("Database\\other.txt"), "old other");
    ASSERT_TRUE(SetFileAttributesA(Dst("Database\\kelvra.mdb"), FILE_ATTRIBUTE_READONLY));

    ASSERT_NE(worker.CopyTree(Src("Database"), Dst("Database")), 0);

    EXPECT_EQ(ReadFileBytes(Dst("Database\\kelvra.mdb")), "user data");
    EXPECT_EQ(Attributes(Dst("Database\\kelvra.mdb")) & FILE_ATTRIBUTE_READONLY,
              DWORD(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ReadFileBytes(Dst("Database\\old_kelvra.mdb.bak")), "old bak");
    EXPECT_EQ(ReadFileBytes(Dst("Database\\kelvra.mdb.d\\table.dat")), "old table");
    EXPECT_EQ(ReadFileBytes(Dst("Database\\other.txt")), "new other");
    // The kept database is still announced.
    int db = IndexOfSource(page.progress, Src("Database\\Kelvra.mdb"));
    ASSERT_GE(db, 0);
    EXPECT_EQ(page.progress[db].destination, Lower(Dst("Database\\kelvra.mdb")));
    EXPECT_EQ(page.progress.size(), 5u);
    // Only the file the copy wrote is recorded, with its size; the folders
    // were there before.
    ASSERT_EQ(worker.m_record.files.size(), 1u);
    EXPECT_EQ(worker.m_record.files[0].path, Lower(Dst("Database\\other.txt")));
    EXPECT_EQ(worker.m_record.files[0].size, 9u);
    EXPECT_NE(worker.m_record.files[0].lastWrite, 0u);
    EXPECT_TRUE(worker.m_record.createdFolders.empty());
    SetFileAttributesA(Dst("Database\\kelvra.mdb"), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(TreeCopyTest, CopiesADatabaseThatDoesNotExistYet) {
    Make(Src("Database\\Kelvra.MDB"), "new db");
    ASSERT_NE(worker.CopyTree(Src("Database"), Dst("Database")), 0);
    EXPECT_EQ(StoredName(Dst("Database\\kelvra.mdb")), CString("kelvra.mdb"));
    EXPECT_EQ(ReadFileBytes(Dst("Database\\kelvra.mdb")), "new db");
}

TEST_F(TreeCopyTest, EmptySourceFolderGivesALoggedEmptyDestination) {
    ASSERT_TRUE(CreateDirectoryA(temp / "src", nullptr));
    ASSERT_TRUE(CreateDirectoryA(Src("Temp"), nullptr));
    EXPECT_NE(worker.CopyTree(Src("Temp"), Dst("Temp")), 0);
    EXPECT_TRUE(DirectoryExists(Dst("Temp")));
    EXPECT_TRUE(page.progress.empty());
    EXPECT_EQ(worker.m_strLog, CString("Made Dir: ") + Dst("Temp") + "\n");
}

TEST_F(TreeCopyTest, CancelStopsAfterTheFileInHand) {
    for (char c = 'a'; c <= 'f'; ++c)
        Make(Src("Temp\\") + CString(std::string(1, c)) + ".txt", "x");
    page.CancelAtProgress(2);
    EXPECT_EQ(worker.CopyTree(Src("Temp"), Dst("Temp")), 0);
    EXPECT_EQ(page.progress.size(), 2u);
    CStringArray copied;
    CSetupThread::ListFiles(Dst("Temp\\"), "*.*", copied);
    EXPECT_EQ(copied.size(), 2u);
}

TEST_F(TreeCopyTest, CancelInsideASubFolderStopsEveryLevel) {
    for (const char* name : {"A\\1.txt", "A\\2.txt", "A\\3.txt", "B\\1.txt", "B\\2.txt"}) {
        Make(Src("Temp\\") + name, "x");
    }
    page.CancelAtProgress(1);
    EXPECT_EQ(worker.CopyTree(Src("Temp"), Dst("Temp")), 0);
    // Only the first file was announced: no folder message, no other folder.
    ASSERT_EQ(page.progress.size(), 1u);
    EXPECT_GE(page.progress[0].destination.Find(".txt"), 0);
    EXPECT_EQ(SplitLines(worker.m_strLog).size(), 2u);
}

TEST(ListFilesTest, ListsPlainFilesMatchingThePatternOnly) {
    TempDir temp;
    ASSERT_TRUE(WriteFileBytes(temp / "a.ocx", "a"));
    ASSERT_TRUE(WriteFileBytes(temp / "b.OCX", "b"));
    ASSERT_TRUE(WriteFileBytes(temp / "c.dll", "c"));
    ASSERT_TRUE(CreateDirectoryA(temp / "d.ocx", nullptr));
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);

    CStringArray names{"stale"};
    CSetupThread::ListFiles(temp.Path(), "*.ocx", names);
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], CString("a.ocx"));
    EXPECT_EQ(names[1], CString("b.OCX"));

    CSetupThread::ListFiles(temp.Path(), "*.*", names);
    EXPECT_EQ(names.size(), 3u);
    CSetupThread::ListFiles(temp / "missing\\", "*.*", names);
    EXPECT_TRUE(names.empty());

    char after[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(before, after);
}

// --- the boxes, answered by the driver as a user would ---

using TreeCopyBoxTest = TreeCopyFixture;

TEST_F(TreeCopyBoxTest, MissingSourceFolderIgnoredGivesAnEmptyLoggedFolder) {
    ASSERT_TRUE(CreateDirectoryA(temp / "src", nullptr));
    int result = -1;
    DialogDriver::MessageBoxInfo seen;
    DialogDriver driver;
    driver.Run([&] { result = worker.CopyTree(Src("图框"), Dst("图框")); },
               [&](DialogDriver& d) {
                   seen = d.WaitForMessageBox("找不到安装文件的路径");
                   EXPECT_TRUE(seen.HasButton(IDABORT) && seen.HasButton(IDRETRY) &&
                               seen.HasButton(IDIGNORE));
                   d.Answer(seen, IDIGNORE);
               });
    EXPECT_NE(result, 0);
    // The system's text first, then the folder searched.
    CString systemText = SystemErrorText(ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(seen.text.Find(systemText.TrimRight()), 0) << seen.text.GetString();
    EXPECT_GE(seen.text.Find(CString("\n找不到安装文件的路径 ") + Src("图框\\") + "，\n"), 0);
    EXPECT_GE(seen.text.Find("点击“忽略”按钮将跳过该路径下的操作并继续执行；"), 0);
    EXPECT_EQ(seen.caption, AfxGetAppTitle());
    EXPECT_TRUE(DirectoryExists(Dst("图框")));
    EXPECT_EQ(worker.m_strLog, CString("Made Dir: ") + Dst("图框") + "\n");
    EXPECT_TRUE(page.progress.empty());
}

TEST_F(TreeCopyBoxTest, MissingSourceFolderAbortedCreatesNothing) {
    int result = -1;
    DialogDriver driver;
    driver.Run(
        [&] { result = worker.CopyTree(Src("图例"), Dst("图例")); },
        [&](DialogDriver& d) { d.Answer(d.WaitForMessageBox("找不到安装文件的路径"), IDABORT); });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(DirectoryExists(Dst("图例")));
    EXPECT_TRUE(worker.m_strLog.IsEmpty());
}

TEST_F(TreeCopyBoxTest, MissingSourceFolderRetriedFindsItOnceItExists) {
    int result = -1;
    int boxes = 0;
    DialogDriver driver;
    driver.Run([&] { result = worker.CopyTree(Src("图库"), Dst("图库")); },
               [&](DialogDriver& d) {
                   d.Answer(d.WaitForMessageBox("找不到安装文件的路径"), IDRETRY); // still missing
                   ++boxes;
                   auto again = d.WaitForMessageBox("找不到安装文件的路径");
                   ++boxes;
                   CreateDirectoryA(temp / "src", nullptr);
                   CreateDirectoryA(Src("图库"), nullptr);
                   WriteFileBytes(Src("图库\\Sym.DWG"), "sym");
                   d.Answer(again, IDRETRY);
               });
    EXPECT_EQ(boxes, 2);
    EXPECT_NE(result, 0);
    EXPECT_EQ(ReadFileBytes(Dst("图库\\sym.dwg")), "sym");
}

namespace {
// A destination file held open without sharing, as a running AutoCAD holds
// LoadKelvra.arx.
CFileHandle LockFile(const CString& path) {
    return CFileHandle(
        CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}
} // namespace

TEST_F(TreeCopyBoxTest, FileInUseRetriedIsCopiedOnceReleased) {
    Make(Src("Support\\LoadKelvra.arx"), "new arx");
    Make(Dst("Support\\loadkelvra.arx"), "old arx");
    CFileHandle lock = LockFile(Dst("Support\\loadkelvra.arx"));
    ASSERT_TRUE(lock.IsValid());
    int result = -1;
    DialogDriver::MessageBoxInfo seen;
    DialogDriver driver;
    driver.Run([&] { result = worker.CopyTree(Src("Support"), Dst("Support")); },
               [&](DialogDriver& d) {
                   seen = d.WaitForMessageBox("不能复制文件");
                   EXPECT_TRUE(seen.HasButton(IDABORT) && seen.HasButton(IDRETRY) &&
                               seen.HasButton(IDIGNORE));
                   lock.Reset(); // AutoCAD closed
                   d.Answer(seen, IDRETRY);
               });
    EXPECT_NE(result, 0);
    EXPECT_EQ(ReadFileBytes(Dst("Support\\loadkelvra.arx")), "new arx");
    // The system's text first, then the file.
    EXPECT_EQ(seen.text.Find(SystemErrorText(ERROR_SHARING_VIOLATION).TrimRight()), 0)
        << seen.text.GetString();
    EXPECT_GE(seen.text.Find(CString("\n不能复制文件 ") + Lower(Dst("Support\\loadkelvra.arx"))),
              0);
    EXPECT_EQ(seen.caption, AfxGetAppTitle());
    EXPECT_EQ(page.progress.size(), 1u);
}

// AutoCAD holds the loader: Ignore leaves the old file and goes on with the
// next entry; Abort fails the copy with nothing copied.
TEST_F(TreeCopyBoxTest, FileInUseIgnoredGoesOnAbortedFailsTheCopy) {
    const struct {
        const char* folder;
        int answer;
        bool withNextEntry;
        bool completes;
        size_t copied;
    } cases[] = {
        {.folder = "ignored",
         .answer = IDIGNORE,
         .withNextEntry = true,
         .completes = true,
         .copied = 2},
        {.folder = "aborted",
         .answer = IDABORT,
         .withNextEntry = false,
         .completes = false,
         .copied = 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        const CString source = Src(c.folder), destination = Dst(c.folder);
        Make(source + "\\LoadKelvra.arx", "new arx");
        if (c.withNextEntry) Make(source + "\\acad.mnu", "menu");
        Make(destination + "\\loadkelvra.arx", "old arx");
        CFileHandle lock = LockFile(destination + "\\loadkelvra.arx");
        ASSERT_TRUE(lock.IsValid());
        const size_t before = page.progress.size();
        int result = -1;
        DialogDriver driver;
        driver.Run(
            [&] { result = worker.CopyTree(source, destination); },
            [&](DialogDriver& d) { d.Answer(d.WaitForMessageBox("不能复制文件"), c.answer); });
        lock.Reset();
        EXPECT_EQ(result != 0, c.completes);
        EXPECT_EQ(ReadFileBytes(destination + "\\loadkelvra.arx"), "old arx");
        EXPECT_EQ(FileExists(destination + "\\acad.mnu"), c.withNextEntry);
        EXPECT_EQ(page.progress.size() - before, c.copied);
    }
}

TEST_F(TreeCopyBoxTest, AnUnreadableSourceNamesTheCopyErrorNotTheMissingDestination) {
    Make(Src("Support\\acad.mnu"), "menu");
    CFileHandle lock = LockFile(Src("Support\\acad.mnu"));
    ASSERT_TRUE(lock.IsValid());
    int result = -1;
    DialogDriver::MessageBoxInfo seen;
    DialogDriver driver;
    driver.Run([&] { result = worker.CopyTree(Src("Support"), Dst("Support")); },
               [&](DialogDriver& d) {
                   seen = d.WaitForMessageBox("不能复制文件");
                   d.Answer(seen, IDIGNORE);
               });
    lock.Reset();
    EXPECT_NE(result, 0);
    EXPECT_EQ(seen.text.Find(SystemErrorText(ERROR_SHARING_VIOLATION).TrimRight()), 0)
        << seen.text.GetString();
    EXPECT_FALSE(FileExists(Dst("Support\\acad.mnu")));
}

// Names code page 936 cannot hold ("Søren", "Åsa"): each is asked about like a
// file that cannot be copied, and nothing arrives under a "?" form.
TEST_F(TreeCopyBoxTest, NamesCodePage936LacksAreAskedAboutAndNeverCopied) {
    Make(Src("Support\\plain.txt"), "plain");
    const std::wstring source = Wide(Src("Support\\"));
    CFileHandle file(CreateFileW((source + L"S\u00f8ren.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.IsValid());
    file.Reset();
    ASSERT_TRUE(CreateDirectoryW((source + L"\u00c5sa").c_str(), nullptr));
    struct Case {
        int answer;
        int result;
    } const cases[] = {{IDIGNORE, 1}, {IDABORT, 0}};
    for (const Case& c : cases) {
        int result = -1;
        std::vector<CString> asked;
        DialogDriver driver;
        driver.Run([&] { result = worker.CopyTree(Src("Support"), Dst("Support")); },
                   [&](DialogDriver& d) {
                       for (size_t i = 0; i < (c.answer == IDABORT ? 1u : 2u); ++i) {
                           const auto box = d.WaitForMessageBox("不能复制文件");
                           asked.push_back(box.text);
                           d.Answer(box, c.answer);
                       }
                   });
        EXPECT_EQ(result != 0, c.result != 0) << c.answer;
        ASSERT_FALSE(asked.empty());
        EXPECT_GE(asked[0].Find(SystemErrorText(ERROR_NO_UNICODE_TRANSLATION).TrimRight()), 0)
            << asked[0].GetString();
        // Only the plain file (if the copy got that far) is in the destination.
        CStringArray names;
        CStringArray unnamed;
        CSetupThread::ListFiles(Dst("Support"), "*", names, &unnamed);
        EXPECT_TRUE(unnamed.empty());
        for (const CString& name : names) EXPECT_EQ(name, CString("plain.txt"));
        EXPECT_FALSE(DirectoryExists(Dst("Support\\?sa")));
    }
    CStringArray names;
    CStringArray unnamed;
    CSetupThread::ListFiles(Src("Support"), "*.txt", names, &unnamed);
    EXPECT_EQ(names, CStringArray{"plain.txt"});
    EXPECT_EQ(unnamed.size(), 1u);
}
