#include "framework/SharingRetry.h"

#include "framework/Handles.h"
#include "framework/WideText.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(SharingRetryTest, OnlySharingViolationsAreTriedAgainAndOnlyAFewTimes) {
    struct Case {
        const char* what;
        int refusals;  // calls refused before one succeeds (-1: every call)
        DWORD refusal; // the error of a refused call
        int calls;     // calls made
        bool succeeded;
    };
    const Case cases[] = {
        {.what = "at once", .refusals = 0, .refusal = 0, .calls = 1, .succeeded = true},
        {.what = "after two scans",
         .refusals = 2,
         .refusal = ERROR_SHARING_VIOLATION,
         .calls = 3,
         .succeeded = true},
        {.what = "held for good",
         .refusals = -1,
         .refusal = ERROR_SHARING_VIOLATION,
         .calls = kSharingTries,
         .succeeded = false},
        {.what = "denied",
         .refusals = -1,
         .refusal = ERROR_ACCESS_DENIED,
         .calls = 1,
         .succeeded = false},
        {.what = "locked range",
         .refusals = -1,
         .refusal = ERROR_LOCK_VIOLATION,
         .calls = 1,
         .succeeded = false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int calls = 0;
        const bool succeeded = RetryWhileShared([&] {
            ++calls;
            if (c.refusals >= 0 && calls > c.refusals) return true;
            SetLastError(c.refusal);
            return false;
        });
        EXPECT_EQ(succeeded, c.succeeded);
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
    EXPECT_EQ(ReadFileBytes(path), "new bytes");
    EXPECT_TRUE(GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(FileExists(path + ".new"));

    // Held by programs that share nothing: the old file while it is to be
    // replaced (refused with "access denied" at once, as Windows refuses
    // it too), and a leftover ".new" a scanner still holds (a sharing
    // violation, tried again until the retries run out). Either way the
    // file is as it was and nothing of this write is left.
    struct Held {
        const char* what;
        CString path;
        DWORD error;
    };
    const Held helds[] = {
        {.what = "the file", .path = path, .error = ERROR_ACCESS_DENIED},
        {.what = "the new text's file", .path = path + ".new", .error = ERROR_SHARING_VIOLATION},
    };
    for (const Held& held : helds) {
        SCOPED_TRACE(held.what);
        if (!FileExists(held.path)) {
            ASSERT_TRUE(WriteFileBytes(held.path, "leftover"));
        }
        {
            CFileHandle holder(CreateFileW(Wide(held.path).c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(holder.IsValid());
            EXPECT_FALSE(ReplaceFileContents(wide, "newer", FILE_ATTRIBUTE_HIDDEN));
            EXPECT_EQ(GetLastError(), held.error);
        }
        EXPECT_EQ(ReadFileBytes(path), "new bytes");
        EXPECT_EQ(FileExists(path + ".new"), held.path != path);
    }
    // The leftover, no longer held, is replaced by the next write.
    ASSERT_TRUE(ReplaceFileContents(wide, "newest", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(ReadFileBytes(path), "newest");
    EXPECT_FALSE(FileExists(path + ".new"));
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
}
