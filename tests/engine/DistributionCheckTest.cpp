// The checked distribution: a small distribution and its manifest, as the
// release writes them, then one change at a time.
#include "engine/DistributionCheck.h"

#include "engine/UnattendedSetup.h"
#include "framework/FileDigest.h"
#include "framework/FileFind.h"
#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

const char* const kFiles[] = {
    "Kelvra-64.exe",       "readme.txt",           "Support\\2000-02\\arx\\LoadKelvra.arx",
    "Control\\Kelvra.ocx", "线型库\\分类1\\A.LIN", "安装界面\\BACKDROP1.jpg",
    "Temp\\README.TXT",
};
// Of them, the data files whose digests only the copy reads.
constexpr int kLeftToCopy = 2; // A.LIN, README.TXT

CString Hex(const CSha256::Digest& digest) {
    char text[65];
    DigestToHex(digest, text);
    return text;
}

// Every file below folder but Setup.exe and the manifest, as the release lists them.
void List(const CString& folder, const CString& relative, std::string& manifest) {
    CFileFind finder;
    for (bool more = finder.FindFile(folder + relative + "*.*"); more;
         more = finder.FindNextFile()) {
        if (finder.IsDots()) continue;
        const CString path = relative + finder.GetFileName();
        if (finder.IsDirectory()) {
            List(folder, path + "\\", manifest);
            continue;
        }
        if (path == "Setup.exe" || path == kManifestName) continue;
        CFileHandle file(CreateFileW(Wide(folder + path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        FileDigest digest;
        ASSERT_TRUE(file && DigestFile(file.Get(), digest)) << path;
        CString line;
        line.Format("File\t%llu\t%s\t%s\r\n", digest.size, Hex(digest.sha256).GetString(),
                    path.GetString());
        manifest += line.str();
    }
}

// The released distribution in folder; returns the manifest's digest.
CSha256::Digest Release(const CString& folder) {
    int n = 0;
    for (const char* file : kFiles) {
        CreateFolders(folder + CString(file).Left(CString(file).ReverseFind('\\') + 1));
        EXPECT_TRUE(WriteFileBytes(folder + file, std::string(100 + 37 * n++, 'k')));
    }
    EXPECT_TRUE(WriteFileBytes(folder + "Setup.exe", "the signed installer"));
    std::string manifest = "Kelvra V9 distribution manifest\t1\r\n";
    List(folder, "", manifest);
    EXPECT_TRUE(WriteFileBytes(folder + kManifestName, manifest));
    return CSha256::Of(manifest.data(), manifest.size());
}

struct Change {
    const char* name;
    std::function<void(const CString&)> make;
    bool passed;
    CStringArray missing = {}, changed = {}, extra = {};
    bool manifestProblem = false;
};

} // namespace

TEST(DistributionCheck, EveryChangeIsNamedBeforeAnythingIsInstalled) {
    const Change changes[] = {
        {.name = "as released", .make = [](const CString&) {}, .passed = true},
        {.name = "a file removed",
         .make =
             [](const CString& d) {
                 DeleteFileW(Wide(d + "Support\\2000-02\\arx\\LoadKelvra.arx").c_str());
             },
         .passed = false,
         .missing = {"Support\\2000-02\\arx\\LoadKelvra.arx"}},
        {.name = "a content folder missing",
         .make = [](const CString& d) { RemoveTree(d + "线型库"); },
         .passed = false,
         .missing = {"线型库\\分类1\\A.LIN"}},
        {.name = "a picture removed",
         .make = [](const CString& d) { DeleteFileW(Wide(d + "安装界面\\BACKDROP1.jpg").c_str()); },
         .passed = false,
         .missing = {"安装界面\\BACKDROP1.jpg"}},
        {.name = "a file cut short",
         .make = [](const CString& d) { WriteFileBytes(d + "Kelvra-64.exe", "kk"); },
         .passed = false,
         .changed = {"Kelvra-64.exe"}},
        {.name = "a file changed, its size kept",
         .make =
             [](const CString& d) {
                 WriteFileBytes(d + "Control\\Kelvra.ocx", std::string(211, 'x'));
             },
         .passed = false,
         .changed = {"Control\\Kelvra.ocx"}},
        {.name = "a data file changed, its size kept: the copy finds it",
         .make =
             [](const CString& d) {
                 WriteFileBytes(d + "线型库\\分类1\\A.LIN", std::string(248, 'x'));
             },
         .passed = true},
        {.name = "a program file added",
         .make = [](const CString& d) { WriteFileBytes(d + "version.dll", "planted"); },
         .passed = false,
         .extra = {"version.dll"}},
        {.name = "a file added where the copy takes it",
         .make = [](const CString& d) { WriteFileBytes(d + "Support\\acaddoc.lsp", "planted"); },
         .passed = false,
         .extra = {"Support\\acaddoc.lsp"}},
        {.name = "a file added where nothing is copied from",
         .make = [](const CString& d) { WriteFileBytes(d + "安装界面\\Thumbs.db", "Explorer's"); },
         .passed = true},
        {.name = "the manifest edited",
         .make =
             [](const CString& d) {
                 WriteFileBytes(d + kManifestName, ReadFileBytes(d + kManifestName) + "\r\n");
             },
         .passed = false,
         .manifestProblem = true},
        {.name = "the manifest missing",
         .make = [](const CString& d) { DeleteFileW(Wide(d + kManifestName).c_str()); },
         .passed = false,
         .manifestProblem = true},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        TempDir temp;
        const CSha256::Digest bound = Release(temp.Path());
        change.make(temp.Path());
        const DistributionCheck check = CheckDistribution(temp.Path(), bound);
        EXPECT_EQ(check.passed, change.passed);
        EXPECT_EQ(check.missing, change.missing);
        EXPECT_EQ(check.changed, change.changed);
        EXPECT_EQ(check.extra, change.extra);
        EXPECT_EQ(!check.manifestProblem.IsEmpty(), change.manifestProblem)
            << check.manifestProblem;
        EXPECT_EQ(DistributionProblemText(check).IsEmpty(), change.passed);
        EXPECT_EQ(check.duringCopy != nullptr, change.passed);
        if (change.passed) {
            EXPECT_EQ(check.checked, static_cast<int>(std::size(kFiles)) - kLeftToCopy);
            EXPECT_EQ(check.leftToCopy, kLeftToCopy);
            EXPECT_EQ(check.duringCopy->files.size(), 4u); // the content folders' files
        }
    }
}

TEST(DistributionCheck, AManifestThatIsNoSuchListIsRefusedWhole) {
    const std::string header = "Kelvra V9 distribution manifest\t1\r\n";
    const std::string digest(64, 'a');
    const struct {
        const char* name;
        std::string text;
        bool valid;
    } rows[] = {
        {"one file", header + "File\t12\t" + digest + "\tSupport\\a.arx\r\n", true},
        {"no file at all", header, true},
        {"another header", "Kelvra V9 distribution manifest\t2\r\n", false},
        {"a line without CR LF", header + "File\t12\t" + digest + "\ta.txt", false},
        {"another kind of line", header + "Folder\t12\t" + digest + "\ta\r\n", false},
        {"a size that is no number", header + "File\t1x\t" + digest + "\ta.txt\r\n", false},
        {"a short digest", header + "File\t12\tabc\ta.txt\r\n", false},
        {"a path leaving the folder", header + "File\t12\t" + digest + "\t..\\a.txt\r\n", false},
        {"a path with a drive", header + "File\t12\t" + digest + "\tC:\\a.txt\r\n", false},
        {"an empty component", header + "File\t12\t" + digest + "\tSupport\\\\a.txt\r\n", false},
        {"a path listed twice",
         header + "File\t1\t" + digest + "\ta.txt\r\nFile\t1\t" + digest + "\tA.TXT\r\n", false},
    };
    for (const auto& row : rows) {
        std::vector<ManifestEntry> entries;
        EXPECT_EQ(ParseManifest(row.text, entries), row.valid) << row.name;
    }
    // A test program carries no binding: it checks nothing.
    CSha256::Digest bound;
    EXPECT_FALSE(ReadBoundManifestDigest(bound));
}

// After a passed check the copy reads every content file against the list:
// a data file changed at its size (which only the copy reads), and a file
// changed or added after the check, stop it; what it did not copy is not
// left behind.
TEST(DistributionCheck, TheCopyStopsAtAFileThatIsNotTheListedOne) {
    const struct {
        const char* name;
        std::function<void(const CString&)> make;
        const char* refused; // the file named, or null: the copy goes through
    } rows[] = {
        {.name = "as released", .make = [](const CString&) {}, .refused = nullptr},
        {.name = "a data file changed, its size kept",
         .make =
             [](const CString& d) {
                 WriteFileBytes(d + "线型库\\分类1\\A.LIN", std::string(248, 'x'));
             },
         .refused = "线型库\\分类1\\A.LIN"},
        {.name = "a control changed after the check",
         .make =
             [](const CString& d) {
                 WriteFileBytes(d + "Control\\Kelvra.ocx", std::string(211, 'x'));
             },
         .refused = "Control\\Kelvra.ocx"},
        {.name = "a file added after the check",
         .make = [](const CString& d) { WriteFileBytes(d + "Temp\\acad.lsp", "planted"); },
         .refused = "Temp\\acad.lsp"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir temp;
        const CString source = temp / "dist\\", destination = temp / "dst\\";
        const DistributionCheck check = CheckDistribution(source, Release(source));
        ASSERT_TRUE(check.passed);
        row.make(source);
        CUnattendedSetup worker;
        worker.m_strSourceDir = source;
        worker.m_strInstallDir = destination;
        worker.m_copyCheck = check.duringCopy;
        const CString logPath = temp / "setup.log";
        bool copied = true;
        {
            CRunLog log;
            ASSERT_TRUE(log.Open(logPath));
            for (const char* folder : {"Control", "线型库", "Temp"})
                copied = copied && worker.CopyTree(source + folder, destination + folder);
        }
        EXPECT_EQ(copied, row.refused == nullptr);
        const std::string logged = ReadFileBytes(logPath);
        if (!row.refused) {
            EXPECT_EQ(ReadFileBytes(destination + "线型库\\分类1\\a.lin"),
                      ReadFileBytes(source + "线型库\\分类1\\A.LIN"));
            EXPECT_EQ(logged.find("ERROR"), std::string::npos) << logged;
            continue;
        }
        EXPECT_NE(logged.find((source + row.refused).str()), std::string::npos) << logged;
        CString copy = destination + row.refused;
        EXPECT_FALSE(FileExists(copy.MakeLower())) << copy;
    }
}
