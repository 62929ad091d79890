#include "ui/SmoothStretch.h"

#include "framework/Handles.h"
#include "tests/ui/TestCanvas.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<DWORD> GreyPixels(const std::vector<BYTE>& levels) {
    std::vector<DWORD> pixels;
    for (BYTE level : levels) pixels.push_back(RGB(level, level, level));
    return pixels;
}

const BYTE* Bytes(const std::vector<DWORD>& pixels) {
    return reinterpret_cast<const BYTE*>(pixels.data());
}

const std::vector<BYTE> kEightLevels{0, 32, 64, 96, 128, 160, 192, 224};

} // namespace

TEST(SmoothStretchTest, EachPixelIsInterpolatedWhereTheSystemsHalftoneStretchPutsIt) {
    // What Wine's HALFTONE StretchBlt gives for these grey rows: the target
    // pixel x lies at x * source / target, between two source pixels.
    struct Case {
        std::vector<BYTE> source;
        std::vector<BYTE> expected;
    };
    const Case cases[] = {
        {.source = {0, 255}, .expected = {0, 102, 204, 255, 255}},
        {.source = {0, 255}, .expected = {0, 64, 128, 191, 255, 255, 255, 255}},
        {.source = {0, 255, 0, 255}, .expected = {0, 204, 102, 102, 255}},
        {.source = {0, 0, 255, 255}, .expected = {0, 0, 0, 51, 153, 255, 255, 255, 255, 255}},
        {.source = kEightLevels, .expected = {0, 51, 102, 154, 205}},
        {.source = kEightLevels, .expected = {0, 64, 128, 192}},
        {.source = kEightLevels, .expected = {0, 26, 51, 77, 102, 128, 154, 179, 205, 224}},
        {.source = kEightLevels, .expected = kEightLevels}, // the same size: a copy
        {.source = {7}, .expected = {7, 7, 7}},
    };
    for (const Case& c : cases) {
        const int width = static_cast<int>(c.source.size());
        const int count = static_cast<int>(c.expected.size());
        const std::vector<DWORD> row = GreyPixels(c.source);
        // Across: one row; down: the same levels as one column.
        TestCanvas across(count, 1), down(1, count * 40);
        ASSERT_TRUE(DrawSmoothStretch(across.Dc(), RECT{0, 0, count, 1}, Bytes(row), width, 1));
        ASSERT_TRUE(DrawSmoothStretch(down.Dc(), RECT{0, 0, 1, count * 40}, Bytes(row), 1, width));
        // Down over forty times the rows: the first of every forty lies where
        // the pixel across lies.
        for (int i = 0; i < count; ++i) {
            const BYTE want = c.expected[static_cast<size_t>(i)];
            EXPECT_EQ(across.At(i, 0), RGB(want, want, want))
                << width << " over " << count << " at " << i;
            EXPECT_EQ(down.At(0, i * 40), RGB(want, want, want)) << width << " down " << i;
        }
    }
}

TEST(SmoothStretchTest, OnlyTheTargetWithinTheClipIsDrawn) {
    // Eight levels down one column over 400 rows, the column in the middle of three.
    TestCanvas canvas(3, 404, RGB(1, 2, 3));
    CGdiObject clip(CreateRectRgn(0, 100, 3, 230));
    SelectClipRgn(canvas.Dc(), static_cast<HRGN>(clip.Get()));
    ASSERT_TRUE(
        DrawSmoothStretch(canvas.Dc(), RECT{1, 2, 2, 402}, Bytes(GreyPixels(kEightLevels)), 1, 8));
    EXPECT_EQ(canvas.At(1, 99), RGB(1, 2, 3));
    EXPECT_EQ(canvas.At(1, 230), RGB(1, 2, 3));
    EXPECT_EQ(canvas.At(0, 150), RGB(1, 2, 3));
    EXPECT_EQ(canvas.At(2, 150), RGB(1, 2, 3));
    // The clip's first row is target row 98, at 1.96 between source rows 1
    // and 2; canvas row 102 is target row 100: source row 2, exactly.
    EXPECT_EQ(canvas.At(1, 100), RGB(63, 63, 63));
    EXPECT_EQ(canvas.At(1, 102), RGB(64, 64, 64));
}
