#include "ui/SmoothStretch.h"

#include "framework/Handles.h"
#include "tests/ui/TestCanvas.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A source of width x height whose every pixel differs from its neighbours:
// red counts columns, green rows, blue both.
std::vector<DWORD> Pattern(int width, int height) {
    std::vector<DWORD> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                static_cast<DWORD>(((x * 37) & 0xFF) << 16 | ((y * 53) & 0xFF) << 8 |
                                   ((x * 11 + y * 7) & 0xFF));
    return pixels;
}

COLORREF SourceAt(const std::vector<DWORD>& pixels, int width, int x, int y) {
    const DWORD p =
        pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

const BYTE* Bytes(const std::vector<DWORD>& pixels) {
    return reinterpret_cast<const BYTE*>(pixels.data());
}

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
        {.source = {0, 32, 64, 96, 128, 160, 192, 224}, .expected = {0, 51, 102, 154, 205}},
        {.source = {0, 32, 64, 96, 128, 160, 192, 224}, .expected = {0, 64, 128, 192}},
        {.source = {0, 32, 64, 96, 128, 160, 192, 224},
         .expected = {0, 26, 51, 77, 102, 128, 154, 179, 205, 224}},
        {.source = {7}, .expected = {7, 7, 7}},
    };
    for (const Case& c : cases) {
        const int width = static_cast<int>(c.source.size());
        const int count = static_cast<int>(c.expected.size());
        std::vector<DWORD> row, column;
        for (BYTE level : c.source) row.push_back(RGB(level, level, level));
        // Across: one row; down: the same levels as one column, over a
        // target of more than one band.
        TestCanvas across(count, 1), down(1, count * 40);
        ASSERT_TRUE(DrawSmoothStretch(across.Dc(), RECT{0, 0, count, 1}, Bytes(row), width, 1));
        ASSERT_TRUE(DrawSmoothStretch(down.Dc(), RECT{0, 0, 1, count * 40}, Bytes(row), 1, width));
        for (int x = 0; x < count; ++x) {
            const BYTE want = c.expected[static_cast<size_t>(x)];
            EXPECT_EQ(across.At(x, 0), RGB(want, want, want))
                << width << " over " << count << " at " << x;
        }
        // Forty times the rows: the first of every forty lies where the
        // across case's pixel lies.
        for (int y = 0; y < count; ++y) {
            const BYTE want = c.expected[static_cast<size_t>(y)];
            EXPECT_EQ(down.At(0, y * 40), RGB(want, want, want)) << width << " down " << y;
        }
    }
    // The same size is an exact copy; empty input draws nothing.
    const std::vector<DWORD> source = Pattern(40, 30);
    TestCanvas same(40, 30);
    ASSERT_TRUE(DrawSmoothStretch(same.Dc(), RECT{0, 0, 40, 30}, Bytes(source), 40, 30));
    int differing = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) differing += same.At(x, y) != SourceAt(source, 40, x, y);
    EXPECT_EQ(differing, 0);
    EXPECT_FALSE(DrawSmoothStretch(same.Dc(), RECT{0, 0, 0, 4}, Bytes(source), 40, 30));
    EXPECT_FALSE(DrawSmoothStretch(same.Dc(), RECT{0, 0, 4, 4}, nullptr, 40, 30));
}

TEST(SmoothStretchTest, OnlyTheTargetWithinTheClipIsDrawn) {
    const std::vector<DWORD> source = Pattern(40, 30);
    TestCanvas canvas(104, 304, RGB(1, 2, 3));
    CGdiObject clip(CreateRectRgn(0, 100, 104, 230));
    SelectClipRgn(canvas.Dc(), static_cast<HRGN>(clip.Get()));
    ASSERT_TRUE(DrawSmoothStretch(canvas.Dc(), RECT{2, 2, 102, 302}, Bytes(source), 40, 30));
    for (int x : {1, 50, 102}) {
        EXPECT_EQ(canvas.At(x, 99), RGB(1, 2, 3)) << x;
        EXPECT_EQ(canvas.At(x, 230), RGB(1, 2, 3)) << x;
    }
    EXPECT_EQ(canvas.At(1, 150), RGB(1, 2, 3));
    EXPECT_EQ(canvas.At(102, 150), RGB(1, 2, 3));
    // Canvas row 102 is target row 100: source row 10, exactly.
    EXPECT_EQ(canvas.At(2, 102), SourceAt(source, 40, 0, 10));
    EXPECT_EQ(canvas.At(52, 102), SourceAt(source, 40, 20, 10));
}
