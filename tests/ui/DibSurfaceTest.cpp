#include "ui/DibSurface.h"

#include "tests/ui/TestCanvas.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const BITMAPINFOHEADER& StoredHeader(const CDibSurface& surface) {
    return *reinterpret_cast<const BITMAPINFOHEADER*>(surface.Block());
}

} // namespace

TEST(DibSurfaceTest, EmptyUntilAllocated) {
    CDibSurface surface;
    EXPECT_FALSE(surface.HasPixels());
    EXPECT_EQ(surface.PixelData(), nullptr);
    EXPECT_EQ(surface.Header().biSize, 40u);
    EXPECT_EQ(surface.RowBytes(), 0);
    EXPECT_EQ(surface.PaletteSize(), 0);
    EXPECT_EQ(surface.TotalBytes(), 40u);
    // Every operation is a no-op on an empty surface.
    surface.SetPaletteColor(0, 1, 2, 3);
    surface.PutPixel(0, 0, 7);
    surface.TintPalette(RGB(255, 0, 0), 50);
    surface.FillIndex(9);
    TestCanvas canvas(4, 4);
    EXPECT_EQ(surface.Blit(canvas.Dc(), 0, 0), 0);
    EXPECT_FALSE(surface.HasPixels());
}

TEST(DibSurfaceTest, LayoutOfAnEightBitSurface) {
    CDibSurface surface;
    BYTE* block = surface.Allocate(3, 2, 8);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block, surface.Block());
    EXPECT_EQ(surface.RowBytes(), 4);
    EXPECT_EQ(surface.PaletteSize(), 256);
    EXPECT_EQ(surface.PaletteBytes(), 1024u);
    EXPECT_EQ(surface.TotalBytes(), 1072u);
    EXPECT_EQ(surface.PixelData(), block + 40 + 1024);

    const BITMAPINFOHEADER& stored = StoredHeader(surface);
    EXPECT_EQ(stored.biSize, 40u);
    EXPECT_EQ(stored.biWidth, 3);
    EXPECT_EQ(stored.biHeight, 2);
    EXPECT_EQ(stored.biPlanes, 1);
    EXPECT_EQ(stored.biBitCount, 8);
    EXPECT_EQ(stored.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(stored.biSizeImage, 8u);
    EXPECT_EQ(stored.biXPelsPerMeter, 0);
    EXPECT_EQ(stored.biClrUsed, 0u);
    EXPECT_EQ(std::memcmp(&stored, &surface.Header(), sizeof(stored)), 0);
}

TEST(DibSurfaceTest, BitDepthIsNormalised) {
    struct Case {
        unsigned short asked, depth, palette;
        int rowBytes; // for a width of 10
    } cases[] = {{0, 1, 2, 4},    {1, 1, 2, 4},    {2, 4, 16, 8},   {4, 4, 16, 8},
                 {5, 8, 256, 12}, {8, 8, 256, 12}, {16, 24, 0, 32}, {32, 24, 0, 32}};
    for (const Case& c : cases) {
        CDibSurface surface;
        ASSERT_NE(surface.Allocate(10, 1, c.asked), nullptr) << c.asked;
        EXPECT_EQ(surface.Header().biBitCount, c.depth) << c.asked;
        EXPECT_EQ(surface.PaletteSize(), c.palette) << c.asked;
        EXPECT_EQ(surface.RowBytes(), c.rowBytes) << c.asked;
        EXPECT_EQ(surface.TotalBytes(), 40u + 4u * c.palette + static_cast<unsigned>(c.rowBytes))
            << c.asked;
    }
}

TEST(DibSurfaceTest, TwentyFourBitSurfaceHasNoTableAndIgnoresIndexedWrites) {
    CDibSurface surface;
    ASSERT_NE(surface.Allocate(10, 10, 16), nullptr);
    EXPECT_EQ(surface.Palette(), nullptr);
    surface.FillIndex(0x11);
    surface.SetPaletteColor(0, 1, 2, 3);
    surface.PutPixel(0, 0, 0x99);
    surface.TintPalette(RGB(255, 255, 255), 100);
    for (DWORD i = 0; i < surface.Header().biSizeImage; ++i)
        ASSERT_EQ(surface.PixelData()[i], 0x11) << i;
}

TEST(DibSurfaceTest, ZeroOrNegativeSizesAreRefused) {
    CDibSurface surface;
    ASSERT_NE(surface.Allocate(4, 4, 8), nullptr);
    EXPECT_EQ(surface.Allocate(0, 4, 8), nullptr);
    EXPECT_FALSE(surface.HasPixels()); // the earlier block is gone too
    EXPECT_EQ(surface.Allocate(4, 0, 8), nullptr);
    EXPECT_EQ(surface.Allocate(-3, 4, 8), nullptr);
    EXPECT_EQ(surface.Allocate(4, -1, 8), nullptr);
    EXPECT_FALSE(surface.HasPixels());
    EXPECT_EQ(surface.TotalBytes(), 40u);
    // A size whose block cannot be addressed is refused, not wrapped around.
    EXPECT_EQ(surface.Allocate(0x7FFFFFFF, 0x7FFFFFFF, 24), nullptr);
    EXPECT_FALSE(surface.HasPixels());
}

TEST(DibSurfaceTest, PutPixelCountsRowsFromTheTop) {
    CDibSurface surface;
    ASSERT_NE(surface.Allocate(3, 2, 8), nullptr);
    surface.FillIndex(0);
    surface.PutPixel(0, 0, 0xA1); // top row: stored last
    surface.PutPixel(2, 1, 0xB2); // bottom row: stored first
    const BYTE* pixels = surface.PixelData();
    EXPECT_EQ(pixels[4], 0xA1);
    EXPECT_EQ(pixels[2], 0xB2);
    // Outside the surface: ignored.
    surface.PutPixel(3, 0, 0xEE);
    surface.PutPixel(-1, 0, 0xEE);
    surface.PutPixel(0, 2, 0xEE);
    surface.PutPixel(0, -1, 0xEE);
    for (int i = 0; i < 8; ++i) EXPECT_NE(pixels[i], 0xEE) << i;
}

TEST(DibSurfaceTest, PutPixelWritesOnlyEightBitSurfaces) {
    // A 1-bit row of 10 pixels holds 4 bytes: a byte per pixel would run
    // past the row and, on the last row, past the block.
    CDibSurface surface;
    ASSERT_NE(surface.Allocate(10, 1, 1), nullptr);
    surface.FillIndex(0);
    surface.PutPixel(9, 0, 0xFF);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(surface.PixelData()[i], 0) << i;
}

TEST(DibSurfaceTest, PaletteWritesAndTheirBounds) {
    CDibSurface surface;
    ASSERT_NE(surface.Allocate(2, 2, 8), nullptr);
    surface.SetPaletteColor(255, 10, 20, 30);
    const BYTE* last = surface.Block() + 40 + 4 * 255;
    EXPECT_EQ(last[0], 30); // blue
    EXPECT_EQ(last[1], 20); // green
    EXPECT_EQ(last[2], 10); // red
    EXPECT_EQ(last[3], 0);

    CDibSurface small;
    ASSERT_NE(small.Allocate(2, 2, 4), nullptr);
    small.FillIndex(0x5A);
    small.SetPaletteColor(15, 1, 2, 3);
    EXPECT_EQ(small.Palette()[15].rgbRed, 1);
    small.SetPaletteColor(16, 9, 9, 9); // the first pixel bytes follow entry 15
    small.SetPaletteColor(200, 9, 9, 9);
    EXPECT_EQ(small.PixelData()[0], 0x5A);
}

TEST(DibSurfaceTest, TintPaletteMovesTowardTheColourAndClampsPercent) {
    CDibSurface surface;
    ASSERT_NE(surface.Allocate(1, 1, 8), nullptr);
    for (int i = 0; i < 256; ++i) surface.SetPaletteColor(static_cast<BYTE>(i), 100, 0, 255);

    surface.TintPalette(RGB(200, 50, 0), 10);
    RGBQUAD e = surface.Palette()[7];
    EXPECT_EQ(e.rgbRed, (200 * 10 + 100 * 90) / 100); // 110
    EXPECT_EQ(e.rgbGreen, (50 * 10 + 0 * 90) / 100);  // 5
    EXPECT_EQ(e.rgbBlue, (0 * 10 + 255 * 90) / 100);  // 229 (truncated)
    EXPECT_EQ(e.rgbReserved, 0);

    surface.TintPalette(RGB(1, 2, 3), 0);
    EXPECT_EQ(surface.Palette()[7].rgbRed, 110);

    surface.TintPalette(RGB(1, 2, 3), 250); // acts as 100
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(surface.Palette()[i].rgbRed, 1);
        ASSERT_EQ(surface.Palette()[i].rgbGreen, 2);
        ASSERT_EQ(surface.Palette()[i].rgbBlue, 3);
    }
}

TEST(DibSurfaceTest, CopyFromIsDeepAndAnEmptySourceEmptiesTheTarget) {
    CDibSurface source;
    ASSERT_NE(source.Allocate(5, 3, 8), nullptr);
    for (int i = 0; i < 256; ++i)
        source.SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(i), 0, 0);
    source.FillIndex(3);
    source.PutPixel(4, 2, 77);

    CDibSurface copy;
    copy.CopyFrom(source);
    ASSERT_TRUE(copy.HasPixels());
    ASSERT_EQ(copy.TotalBytes(), source.TotalBytes());
    EXPECT_EQ(std::memcmp(copy.Block(), source.Block(), source.TotalBytes()), 0);
    EXPECT_NE(copy.Block(), source.Block());
    copy.TintPalette(RGB(0, 0, 0), 100);
    EXPECT_EQ(source.Palette()[200].rgbRed, 200);

    CDibSurface empty;
    copy.CopyFrom(empty);
    EXPECT_FALSE(copy.HasPixels());
}

TEST(DibSurfaceTest, BlitDrawsOneToOneTopRowFirst) {
    CDibSurface surface;
    ASSERT_NE(surface.Allocate(3, 2, 8), nullptr);
    surface.SetPaletteColor(0, 0, 0, 255);
    surface.SetPaletteColor(1, 255, 0, 0);
    surface.FillIndex(0);
    surface.PutPixel(0, 0, 1);

    TestCanvas canvas(8, 8);
    EXPECT_EQ(surface.Blit(canvas.Dc(), 2, 3), 1);
    EXPECT_EQ(GetStretchBltMode(canvas.Dc()), COLORONCOLOR);
    EXPECT_EQ(canvas.At(2, 3), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(3, 3), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(4, 4), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(5, 3), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(2, 5), RGB(255, 255, 255));
    EXPECT_EQ(surface.Blit(nullptr, 0, 0), 0);
}
