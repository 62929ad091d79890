#include "engine/InstallRecord.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

namespace {

RecordedAcadEntry Acad(const char* profile, const char* value = "") {
    RecordedAcadEntry entry;
    entry.releaseKey = "R19.1";
    entry.productId = "ACAD-D001:804";
    entry.profile = profile;
    entry.value = value;
    return entry;
}

// Every kind of item, with the bytes a careless format would trip over: a
// GBK character whose trail byte is a backslash (乗 81 5C), a tab, a percent
// sign, a blank at the end.
CInstallRecord Sample() {
    CInstallRecord record;
    record.AddCreatedFolder("C:\\Work\\图库\\");
    record.AddCreatedFolder("C:\\Work\\\x81\x5C dir ");
    record.AddFile({"C:\\Work\\图库\\a.dwg", 1234, 132500000000000000ULL});
    record.AddFile({"C:\\Work\\100%\tnew.txt", 0, UINT64_MAX});
    record.AddLink("C:\\Users\\u\\Desktop\\土地整理规划设计.LNK");
    record.AddTrustedPath(Acad("<<Kelvra V9>>", "C:\\Work\\Support\\2013-15\\64\\arx"));
    record.AddTrustedPath(Acad("初始设置配置", "C:\\Work\\Support\\2013-15\\64\\arx"));
    record.AddProfile(Acad("<<Kelvra V9>>"));
    return record;
}

bool SameRecord(const CInstallRecord& a, const CInstallRecord& b) {
    return a.Serialize() == b.Serialize();
}

} // namespace

TEST(InstallRecordTest, SavedRecordLoadsBackHiddenAndReplacesTheOldOne) {
    TempDir temp;
    const CInstallRecord record = Sample();
    const CString path = RecordPathBeside(temp.Path());
    EXPECT_EQ(path, temp / "Uninstall.dat");

    CInstallRecord older;
    older.AddLink("C:\\old.lnk");
    ASSERT_TRUE(older.Save(path));
    ASSERT_TRUE(record.Save(path));
    EXPECT_FALSE(FileExists(path + ".new"));
    EXPECT_EQ(GetFileAttributesA(path) & FILE_ATTRIBUTE_HIDDEN, DWORD(FILE_ATTRIBUTE_HIDDEN));

    CInstallRecord loaded;
    ASSERT_TRUE(CInstallRecord::Load(path, loaded));
    EXPECT_TRUE(SameRecord(loaded, record));
    ASSERT_EQ(loaded.files.size(), 2u);
    EXPECT_EQ(loaded.files[1].path, "C:\\Work\\100%\tnew.txt");
    EXPECT_EQ(loaded.files[1].lastWrite, UINT64_MAX);
    EXPECT_EQ(loaded.createdFolders[1], "C:\\Work\\\x81\x5C dir ");
    ASSERT_EQ(loaded.trustedPaths.size(), 2u);
    EXPECT_EQ(loaded.trustedPaths[1].profile, "初始设置配置");
    EXPECT_EQ(RecordedProfileKey(loaded.trustedPaths[1]),
              "Software\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804\\Profiles\\初始设置配置");

    // The text is CR LF lines only, the last one included.
    const std::string bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\n') {
            EXPECT_EQ(bytes[i - 1], '\r') << "at byte " << i;
        }

    EXPECT_FALSE(CInstallRecord::Load(temp / "missing.dat", loaded));
    EXPECT_TRUE(loaded.IsEmpty());
}

TEST(InstallRecordTest, MergeKeepsEarlierItemsAndTakesNewFacts) {
    CInstallRecord earlier = Sample();
    earlier.AddFile({"C:\\Old\\gone.txt", 5, 50});

    CInstallRecord now;
    // Rewritten, named in another case: the new size and time win.
    now.AddFile({"C:\\WORK\\图库\\A.DWG", 99, 77});
    now.AddCreatedFolder("D:\\Other\\");
    now.AddTrustedPath(Acad("<<Kelvra V9>>", "D:\\Other\\Support\\2013-15\\64\\arx"));
    now.AddTrustedPath(Acad("<<Kelvra V9>>", "c:\\work\\support\\2013-15\\64\\arx"));
    now.AddProfile(Acad("<<Kelvra V9>>", "ignored"));
    now.MergeEarlier(earlier);

    const struct {
        const char* what;
        size_t got, expected;
    } counts[] = {
        {"folders: both installations'", now.createdFolders.size(), 3},
        {"files: one rewritten, two kept", now.files.size(), 3},
        {"links", now.links.size(), 1},
        {"trusted: both folders, the same entry once", now.trustedPaths.size(), 3},
        {"profiles: the same profile once", now.profiles.size(), 1},
    };
    for (const auto& count : counts) EXPECT_EQ(count.got, count.expected) << count.what;
    EXPECT_EQ(now.files[0].size, 99u);
    EXPECT_EQ(now.files[0].lastWrite, 77u);
    EXPECT_TRUE(now.profiles[0].value.IsEmpty());

    // Merging again changes nothing; adding a known path replaces in place.
    const CString once = now.Serialize();
    now.MergeEarlier(earlier);
    EXPECT_EQ(now.Serialize(), once);
    now.AddFile({"c:\\old\\GONE.txt", 6, 60});
    ASSERT_EQ(now.files.size(), 3u);
    EXPECT_EQ(now.files[2].size, 6u);
}

// A record written out by hand, its checksum worked out apart from the
// product (FNV-1a 64 of every byte before "End", the Chinese in GBK).
const char kKnownBody[] = "Kelvra V9 installation record\t1\r\n"
                          "Folder\tC:\\K\\图库\r\n"
                          "File\t3\t7\tC:\\K\\图库\\a.dwg\r\n"
                          "Link\tC:\\K\\100%25\r\n";
const char kKnownEnd[] = "End\t3\t1d8459e74056b923\r\n";

TEST(InstallRecordTest, AKnownRecordReadsBackAndIsWrittenTheSame) {
    const std::string known = std::string(kKnownBody) + kKnownEnd;
    CInstallRecord record;
    ASSERT_TRUE(CInstallRecord::Parse(CString(known), record));
    ASSERT_EQ(record.createdFolders, CStringArray{"C:\\K\\图库"});
    ASSERT_EQ(record.files.size(), 1u);
    EXPECT_EQ(record.files[0].path, "C:\\K\\图库\\a.dwg");
    EXPECT_EQ(record.files[0].size, 3u);
    EXPECT_EQ(record.files[0].lastWrite, 7u);
    EXPECT_EQ(record.links, CStringArray{"C:\\K\\100%"});
    EXPECT_EQ(record.Serialize().str(), known);
}

TEST(InstallRecordTest, DamagedRecordsAreRefusedWhole) {
    const std::string body = kKnownBody;
    const std::string good = body + kKnownEnd;
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string bytes = good;
        bytes.replace(bytes.find(from), from.size(), to);
        return bytes;
    };
    // Each edited body below carries the checksum of its own bytes (worked
    // out apart too), so only the rule under test can refuse it.
    const struct {
        const char* what;
        std::string bytes;
        bool accepted;
    } cases[] = {
        {"intact", good, true},
        {"empty", "", false},
        {"header only", body.substr(0, body.find("\r\n") + 2), false},
        {"truncated inside the end line", good.substr(0, good.size() - 5), false},
        {"truncated before the end line", body, false},
        {"no CR LF after the end line", good.substr(0, good.size() - 2), false},
        {"a byte of a path changed", replaced("a.dwg", "b.dwg"), false},
        {"a size changed", replaced("\t3\t7\t", "\t4\t7\t"), false},
        {"a line dropped, re-signed with the old count",
         body.substr(0, body.find("Link\t")) + "End\t3\t968dfa19ab7a7d06\r\n", false},
        {"count wrong, checksum right", body + "End\t4\t1d8459e74056b923\r\n", false},
        {"unknown line kind", body + "Registry\tHKLM\r\nEnd\t4\t3a64e8ac3ed63c26\r\n", false},
        {"empty line", body + "\r\nEnd\t4\t830b3ec3a6736160\r\n", false},
        {"size not a number", body + "File\t-1\t0\tC:\\x\r\nEnd\t4\t7661307022352304\r\n", false},
        {"size too large",
         body + "File\t18446744073709551616\t0\tC:\\x\r\nEnd\t4\t2c0a1d8b9863199a\r\n", false},
        {"a field missing", body + "File\t1\tC:\\x\r\nEnd\t4\ta6037a39e0935714\r\n", false},
        {"bad escape", body + "Link\tC:\\%G1\r\nEnd\t4\tafce9b9a845ee283\r\n", false},
        {"lone LF inside a line", body + "Link\tC:\\a\nb\r\nEnd\t4\td7b148d228539fdf\r\n", false},
        {"newer format version",
         replaced("record\t1", "record\t2").substr(0, body.size()) + "End\t3\t028d0d128b488686\r\n",
         false},
        {"text after the end", good + "x", false},
    };
    for (const auto& test : cases) {
        CInstallRecord record;
        record.AddLink("C:\\left-over.lnk");
        EXPECT_EQ(CInstallRecord::Parse(CString(test.bytes), record), test.accepted) << test.what;
        if (!test.accepted) {
            EXPECT_TRUE(record.IsEmpty()) << test.what;
        }
    }
}
