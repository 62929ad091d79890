#include "framework/SharingRetry.h"

#include "framework/Handles.h"
#include "framework/WideText.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(SharingRetryTest, OnlySharingViolationsAreTriedAgainAndOnlyAFewTimes) {
    struct Case {
        int refusals;  // calls refused before one succeeds (-1: every call)
        DWORD refusal; // their error
        int calls;     // calls made
    };
    const Case cases[] = {
        {.refusals = 0, .refusal = 0, .calls = 1},
        {.refusals = 2, .refusal = ERROR_SHARING_VIOLATION, .calls = 3},
        {.refusals = -1, .refusal = ERROR_SHARING_VIOLATION, .calls = kSharingTries},
        {.refusals = -1, .refusal = ERROR_ACCESS_DENIED, .calls = 1},
        {.refusals = -1, .refusal = ERROR_LOCK_VIOLATION, .calls = 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refusal);
        int calls = 0;
        const bool succeeded = RetryWhileShared([&] {
            ++calls;
            if (c.refusals >= 0 && calls > c.refusals) return true;
            SetLastError(c.refusal);
            return false;
        });
        EXPECT_EQ(succeeded, c.refusals >= 0);
        EXPECT_EQ(calls, c.calls);
        if (!succeeded) {
            EXPECT_EQ(GetLastError(), c.refusal);
        }
    }
}

TEST(SharingRetryTest, AReplacedFileHoldsTheOldBytesOrAllTheNewOnes) {
    TempDir dir;
    const CString path = dir / "Uninstall.log";
    const std::wstring wide = Wide(path);
    ASSERT_TRUE(WriteFileBytes(path, "old"));
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN));
    // Over a hidden file, hidden from the start.
    ASSERT_TRUE(ReplaceFileContents(wide, "new bytes", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_HIDDEN);

    // Held by programs that share nothing: the old file while it is to be
    // replaced (refused with "access denied" at once, as Windows refuses it
    // too), and a leftover ".new" a scanner still holds (a sharing
    // violation, tried until the retries run out). Either way the file is
    // as it was and nothing of this write is left.
    const std::pair<CString, DWORD> helds[] = {{path, ERROR_ACCESS_DENIED},
                                               {path + ".new", ERROR_SHARING_VIOLATION}};
    for (const auto& [held, error] : helds) {
        SCOPED_TRACE(held.GetString());
        if (!FileExists(held)) {
            ASSERT_TRUE(WriteFileBytes(held, "leftover"));
        }
        {
            CFileHandle holder(CreateFileW(Wide(held).c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(holder.IsValid());
            EXPECT_FALSE(ReplaceFileContents(wide, "newer", FILE_ATTRIBUTE_HIDDEN));
            EXPECT_EQ(GetLastError(), error);
        }
        EXPECT_EQ(ReadFileBytes(path), "new bytes");
        EXPECT_EQ(FileExists(path + ".new"), held != path);
    }
    // The leftover, no longer held, is replaced by the next write.
    ASSERT_TRUE(ReplaceFileContents(wide, "newest", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(ReadFileBytes(path), "newest");
    EXPECT_FALSE(FileExists(path + ".new"));
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
}
