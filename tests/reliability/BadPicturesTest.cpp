// Backdrop pictures that are empty, cut short, not pictures at all, very
// large, or a folder named like a picture: the backdrop never crashes or
// hangs, and what cannot be shown leaves the teal fill.
#include "ui/Backdrop.h"

#include "framework/Handles.h"
#include "tests/support/TempDir.h"
#include "tests/ui/TestCanvas.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

const COLORREF kTeal = RGB(0, 128, 128);

// The pictures the build made beside the test program.
CString BuiltPicture(const char* name) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    CString path(module);
    return path.Left(path.ReverseFind('\\') + 1) + "bad_pictures\\" + name;
}

bool IsPictureRed(COLORREF c) {
    return std::abs(GetRValue(c) - 200) <= 12 && std::abs(GetGValue(c) - 30) <= 12 &&
           std::abs(GetBValue(c) - 40) <= 12;
}

// One draw of the backdrop with a single picture, on a thread of its own so
// that a decoder that never returns fails the test instead of hanging it.
struct DrawJob {
    CString picture;
    COLORREF centre = 0;
    COLORREF corner = 0;
    static DWORD WINAPI Body(void* parameter) {
        auto* job = static_cast<DrawJob*>(parameter);
        TestCanvas canvas(320, 240, RGB(1, 2, 3));
        RECT client{0, 0, 320, 240};
        CStringArray pictures{job->picture};
        int index = 0;
        DrawBackdrop(nullptr, canvas.Dc(), client, pictures, index);
        job->centre = canvas.At(160, 120);
        job->corner = canvas.At(0, 0);
        return 0;
    }
};

bool DrawWithin(DrawJob& job, DWORD timeoutMs) {
    CHandle thread(CreateThread(nullptr, 0, &DrawJob::Body, &job, 0, nullptr));
    if (!thread) return false;
    if (WaitForSingleObject(thread.Get(), timeoutMs) == WAIT_OBJECT_0) return true;
    // The thread still draws into job, which the test would leave behind:
    // the hang ends the program as a failure instead.
    ADD_FAILURE() << "drawing hangs on " << job.picture.GetString();
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    std::abort();
}

} // namespace

TEST(BadPicturesTest, EveryBadFileShowsTealAndNoneCrashesOrHangs) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "empty.jpg", ""));
    ASSERT_TRUE(WriteFileBytes(dir / "text.jpg", "Kelvra V9.0 is not a picture\r\n"));
    std::string bitmapHeader = "BM";
    bitmapHeader.append(60, '\xFF');
    ASSERT_TRUE(WriteFileBytes(dir / "bitmap-cut.jpg", bitmapHeader));
    ASSERT_TRUE(CreateDirectoryA(dir / "x.jpg", nullptr));

    const CString bad[] = {dir / "empty.jpg",      dir / "text.jpg",
                           dir / "bitmap-cut.jpg", dir / "x.jpg",
                           dir / "missing.jpg",    BuiltPicture("cut-in-header.jpg")};
    for (const CString& picture : bad) {
        EXPECT_EQ(nullptr, BuildBackdropBitmap(nullptr, picture)) << picture.GetString();
        DrawJob job{picture};
        ASSERT_TRUE(DrawWithin(job, 30000)) << "hangs on " << picture.GetString();
        EXPECT_EQ(kTeal, job.centre) << picture.GetString();
        EXPECT_EQ(kTeal, job.corner) << picture.GetString();
    }
}

TEST(BadPicturesTest, PictureCutInItsDataIsShownAsFarAsItGoesOrTealNeverGarbage) {
    DrawJob job{BuiltPicture("cut-in-data.jpg")};
    ASSERT_TRUE(DrawWithin(job, 30000));
    // The canvas (white with a grey frame) or the teal fill: never the
    // colour the window had before, which would mean nothing was drawn.
    EXPECT_NE(RGB(1, 2, 3), job.centre);
    EXPECT_NE(RGB(1, 2, 3), job.corner);
}

TEST(BadPicturesTest, PictureOf8000By6000IsScaledIntoTheCanvas) {
    ASSERT_TRUE(FileExists(BuiltPicture("good.jpg")));
    DrawJob good{BuiltPicture("good.jpg")};
    ASSERT_TRUE(DrawWithin(good, 30000));
    ASSERT_TRUE(IsPictureRed(good.centre)); // the premise: the colour survives

    DrawJob huge{BuiltPicture("huge.jpg")};
    ASSERT_TRUE(DrawWithin(huge, 60000));
    EXPECT_TRUE(IsPictureRed(huge.centre)) << std::hex << huge.centre;
}
