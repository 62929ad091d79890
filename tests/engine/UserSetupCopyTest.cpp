// The kept per-user program is registered only when it is the
// distribution's file byte for byte: the digest, against known answers, and
// the comparison that guards the registration.
#include "engine/ActiveSetup.h"
#include "framework/FileDigest.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

std::string Hex(const std::array<BYTE, 32>& bytes) {
    std::string text;
    char pair[3];
    for (BYTE byte : bytes) {
        std::snprintf(pair, sizeof(pair), "%02x", byte);
        text += pair;
    }
    return text;
}

TEST(UserSetupCopy, TheDigestHasItsKnownAnswers) {
    // FIPS 180-2's examples; the second spans many reads.
    const struct {
        std::string bytes;
        const char* sha256;
    } cases[] = {
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    TempDir temp;
    for (const auto& c : cases) {
        const CString path = temp / "digest.bin";
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        CFileHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
        FileDigest digest;
        ASSERT_TRUE(file && DigestFile(file.Get(), digest));
        EXPECT_EQ(digest.size, c.bytes.size());
        EXPECT_EQ(Hex(digest.sha256), c.sha256);
    }
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
        {"the same bytes", program, true},
        {"one byte changed, the size the same", changed, false},
        {"one byte short", program.substr(1), false},
        {"missing", "", false},
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
