// The kept per-user program is registered only when it is the
// distribution's file byte for byte: the digest of a whole file, and the
// comparison that guards the registration.
#include "engine/ActiveSetup.h"
#include "framework/FileDigest.h"
#include "framework/Handles.h"
#include "framework/Sha256.h"
#include "framework/WideText.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The digest itself is checked against published answers in Sha256Test:
// here the reading, a file that spans many reads.
TEST(UserSetupCopy, TheDigestReadsTheWholeFile) {
    TempDir temp;
    const CString path = temp / "digest.bin";
    ASSERT_TRUE(WriteFileBytes(path, std::string(1000000, 'a')));
    CFileHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    FileDigest digest;
    ASSERT_TRUE(file && DigestFile(file.Get(), digest));
    EXPECT_EQ(digest.size, 1000000u);
    char hex[65];
    DigestToHex(digest.sha256, hex);
    EXPECT_STREQ(hex, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(UserSetupCopy, OnlyTheDistributionsFileByteForByteIsRegistered) {
    TempDir temp;
    const std::string program(200000, 'P');
    const CString original = temp / "KelvraUserSetup.exe";
    ASSERT_TRUE(WriteFileBytes(original, program));
    std::string changed = program;
    changed[123456] = 'Q';
    const struct {
        const char* what;
        std::string kept; // empty: no kept copy at all
        bool registered;
    } cases[] = {
        {.what = "the same bytes", .kept = program, .registered = true},
        {.what = "one byte changed, the size the same", .kept = changed, .registered = false},
        {.what = "one byte short", .kept = program.substr(1), .registered = false},
        {.what = "missing", .kept = "", .registered = false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CString kept = temp / "kept.exe";
        DeleteFileW(Wide(kept).c_str());
        if (!c.kept.empty()) {
            ASSERT_TRUE(WriteFileBytes(kept, c.kept));
        }
        EXPECT_EQ(SameAsDistribution(original, kept), c.registered);
    }
}

} // namespace
