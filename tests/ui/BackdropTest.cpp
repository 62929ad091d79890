#include "ui/Backdrop.h"

#include "framework/FileFind.h"
#include "framework/Handles.h"
#include "tests/support/TempDir.h"
#include "tests/ui/TestCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

const COLORREF kTeal = RGB(0, 128, 128);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kGrey = RGB(192, 192, 192);

// The test pictures, copied beside the test program: 576 x 432, 576 x 576 and
// 576 x 288 pixels of RGB(200,30,40).
CString TestPicture(const char* name) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    CString path(module);
    path = path.Left(path.ReverseFind('\\') + 1);
    return path + "ui_test_data\\" + name;
}

bool IsPictureRed(COLORREF c) {
    return std::abs(GetRValue(c) - 200) <= 12 && std::abs(GetGValue(c) - 30) <= 12 &&
           std::abs(GetBValue(c) - 40) <= 12;
}

// The canvas's pixels, top row first.
class CanvasPixels {
public:
    explicit CanvasPixels(HBITMAP bitmap) : m_pixels(kCanvasWidth * kCanvasHeight) {
        BITMAP info{};
        GetObjectA(bitmap, sizeof(info), &info);
        width = info.bmWidth;
        height = info.bmHeight;
        BITMAPINFO request{};
        request.bmiHeader = {
            sizeof(BITMAPINFOHEADER), kCanvasWidth, -kCanvasHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        CClientDC screen(nullptr);
        lines = GetDIBits(screen.Get(), bitmap, 0, kCanvasHeight, m_pixels.data(), &request,
                          DIB_RGB_COLORS);
    }
    COLORREF At(int x, int y) const {
        DWORD p = m_pixels[static_cast<size_t>(y) * kCanvasWidth + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int width = 0, height = 0, lines = 0;

private:
    std::vector<DWORD> m_pixels;
};

} // namespace

TEST(BackdropFitTest, PicturesFitTheCanvasKeepingTheirShape) {
    auto expect = [](float ratio, RECT want) {
        RECT got = FitIntoCanvas(ratio);
        EXPECT_EQ(got.left, want.left) << ratio;
        EXPECT_EQ(got.top, want.top) << ratio;
        EXPECT_EQ(got.right, want.right) << ratio;
        EXPECT_EQ(got.bottom, want.bottom) << ratio;
    };
    expect(0.75f, RECT{0, 0, 1024, 768});
    expect(std::nextafter(0.75f, 0.0f), RECT{0, 0, 1024, 767}); // a one-pixel band
    expect(1.0f, RECT{128, 0, 896, 768});
    expect(0.5f, RECT{0, 128, 1024, 640});
    expect(2.0f, RECT{320, 0, 704, 768});
}

TEST(BackdropBitmapTest, SquarePictureShowsBandsAndFrameLeftAndRight) {
    CGdiObject bitmap(BuildBackdropBitmap(nullptr, TestPicture("square.jpg")));
    ASSERT_TRUE(bitmap);
    CanvasPixels canvas(static_cast<HBITMAP>(bitmap.Get()));
    ASSERT_EQ(canvas.width, 1024);
    ASSERT_EQ(canvas.height, 768);
    ASSERT_EQ(canvas.lines, 768);
    EXPECT_EQ(canvas.At(0, 384), kGrey);
    EXPECT_EQ(canvas.At(1, 384), kWhite);
    EXPECT_EQ(canvas.At(126, 384), kWhite);
    EXPECT_TRUE(IsPictureRed(canvas.At(130, 384)));
    EXPECT_TRUE(IsPictureRed(canvas.At(512, 0))); // over the frame
    EXPECT_TRUE(IsPictureRed(canvas.At(512, 767)));
    EXPECT_TRUE(IsPictureRed(canvas.At(893, 384)));
    EXPECT_EQ(canvas.At(897, 384), kWhite);
    EXPECT_EQ(canvas.At(1022, 384), kWhite);
    EXPECT_EQ(canvas.At(1023, 384), kGrey);
    EXPECT_EQ(canvas.At(1023, 0), kGrey);
}

TEST(BackdropBitmapTest, WidePictureShowsBandsAboveAndBelow) {
    CGdiObject bitmap(BuildBackdropBitmap(nullptr, TestPicture("wide.jpg")));
    ASSERT_TRUE(bitmap);
    CanvasPixels canvas(static_cast<HBITMAP>(bitmap.Get()));
    EXPECT_EQ(canvas.At(512, 0), kGrey);
    EXPECT_EQ(canvas.At(512, 1), kWhite);
    EXPECT_EQ(canvas.At(512, 126), kWhite);
    EXPECT_TRUE(IsPictureRed(canvas.At(512, 130)));
    EXPECT_TRUE(IsPictureRed(canvas.At(0, 384)));
    EXPECT_TRUE(IsPictureRed(canvas.At(1023, 637)));
    EXPECT_EQ(canvas.At(512, 641), kWhite);
    EXPECT_EQ(canvas.At(512, 767), kGrey);
}

TEST(BackdropBitmapTest, FourToThreePictureCoversTheFrame) {
    CGdiObject bitmap(BuildBackdropBitmap(nullptr, TestPicture("ratio075.jpg")));
    ASSERT_TRUE(bitmap);
    CanvasPixels canvas(static_cast<HBITMAP>(bitmap.Get()));
    for (POINT p : {POINT{0, 0}, POINT{1023, 0}, POINT{0, 767}, POINT{1023, 767}, POINT{512, 384}})
        EXPECT_TRUE(IsPictureRed(canvas.At(p.x, p.y))) << p.x << "," << p.y;
}

TEST(BackdropBitmapTest, NoBitmapForANonPictureOrAnOverlongPath) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "broken.jpg", "this is not a picture"));
    EXPECT_EQ(BuildBackdropBitmap(nullptr, dir / "broken.jpg"), nullptr);
    EXPECT_EQ(BuildBackdropBitmap(nullptr, dir / "missing.jpg"), nullptr);
    CString overlong = dir.Path() + CString(std::string(300, 'a').c_str()) + ".jpg";
    EXPECT_EQ(BuildBackdropBitmap(nullptr, overlong), nullptr);
}

TEST(BackdropDrawTest, TealWithoutPicturesOrWithAnUndecodableOne) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "broken.jpg", "this is not a picture"));
    TestCanvas canvas(64, 48, RGB(1, 2, 3));
    RECT client{0, 0, 64, 48};

    CStringArray none;
    int index = 7;
    DrawBackdrop(nullptr, canvas.Dc(), client, none, index);
    EXPECT_EQ(canvas.At(0, 0), kTeal);
    EXPECT_EQ(canvas.At(63, 47), kTeal);
    EXPECT_EQ(index, 7); // the timer's count is left alone without pictures

    canvas.Fill(RGB(1, 2, 3));
    CStringArray broken{dir / "broken.jpg", TestPicture("square.jpg")};
    index = 0;
    DrawBackdrop(nullptr, canvas.Dc(), client, broken, index);
    EXPECT_EQ(canvas.At(32, 24), kTeal);
    EXPECT_EQ(index, 0); // it stays in the rotation
    index = 1;
    DrawBackdrop(nullptr, canvas.Dc(), client, broken, index);
    EXPECT_TRUE(IsPictureRed(canvas.At(32, 24)));
    EXPECT_EQ(index, 1);
}

TEST(BackdropDrawTest, IndexPastTheEndStartsAgainAtTheFirstPicture) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "broken.jpg", "this is not a picture"));
    TestCanvas canvas(64, 48, RGB(1, 2, 3));
    RECT client{0, 0, 64, 48};
    CStringArray pictures{TestPicture("square.jpg"), dir / "broken.jpg"};
    for (int start : {2, 5}) {
        int index = start;
        DrawBackdrop(nullptr, canvas.Dc(), client, pictures, index);
        EXPECT_EQ(index, 0) << start; // not start modulo the count
        EXPECT_TRUE(IsPictureRed(canvas.At(32, 24))) << start;
    }
    // The canvas is stretched over the whole client area, bands included.
    EXPECT_EQ(canvas.At(0, 24), kGrey);
    EXPECT_EQ(canvas.At(3, 24), kWhite);
}

TEST(BackdropDrawTest, OnALargerScreenTheCanvasIsStretchedSmoothly) {
    // At 150 or 200 % the screen is larger than the canvas: the one-pixel
    // frame of the canvas's left band shades into the white beside it
    // (interpolated, a blend; point sampling jumps from grey to white).
    TestCanvas canvas(2 * kCanvasWidth, kCanvasHeight, RGB(1, 2, 3));
    RECT client{0, 0, 2 * kCanvasWidth, kCanvasHeight};
    CStringArray pictures{TestPicture("square.jpg")};
    int index = 0;
    DrawBackdrop(nullptr, canvas.Dc(), client, pictures, index);
    int blends = 0;
    for (int x = 0; x < 6; ++x) {
        const int green = GetGValue(canvas.At(x, kCanvasHeight / 2));
        blends += green > GetGValue(kGrey) && green < 255;
    }
    EXPECT_GT(blends, 0);
    // The context's own stretch mode is left as it was.
    EXPECT_EQ(GetStretchBltMode(canvas.Dc()), BLACKONWHITE);
}

TEST(CollectPicturesTest, ListsFilesInEnumerationOrderAndRestoresTheFolder) {
    TempDir pictures, elsewhere;
    for (const char* name : {"b.jpg", "a.jpg", "c.JPG", "notes.txt", "d.jpeg"})
        ASSERT_TRUE(WriteFileBytes(pictures / name, "x"));
    ASSERT_TRUE(CreateDirectoryA(pictures / "x.jpg", nullptr));

    // The order the platform enumerates them in.
    CStringArray expected;
    CFileFind finder;
    for (bool found = finder.FindFile(pictures / "*.jpg"); found; found = finder.FindNextFile())
        if (!finder.IsDirectory()) expected.push_back(pictures.Path() + finder.GetFileName());
    finder.Close();
    ASSERT_EQ(expected.size(), 3u);

    char saved[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.Path()));
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);

    CStringArray list{"left over"};
    CollectPictures(pictures.Path(), "*.jpg", list);
    EXPECT_EQ(list, expected);
    char after[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(after, before);

    CollectPictures(pictures / "missing\\", "*.jpg", list);
    EXPECT_TRUE(list.empty());
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(after, before);
    SetCurrentDirectoryA(saved);
}
