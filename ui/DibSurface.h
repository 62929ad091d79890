// An in-memory device-independent bitmap: one heap block holding the header,
// the colour table and the pixel rows exactly as SetDIBitsToDevice takes them,
// so drawing needs no conversion and recolouring an 8-bit image only rewrites
// its 256 colour-table entries.
#pragma once

#include <windows.h>

#include <memory>

class CDibSurface {
public:
    CDibSurface();
    ~CDibSurface() = default;
    // A surface is copied only on purpose, through CopyFrom.
    CDibSurface(const CDibSurface&) = delete;
    CDibSurface& operator=(const CDibSurface&) = delete;

    // Replaces the block with one of width x height pixels; bits is rounded up
    // to 1, 4, 8 or 24. Colour table and pixels are left for the caller to set.
    // Returns the block, or null (surface empty) for a size of zero or less, a
    // size too large to address, or when memory runs out.
    BYTE* Allocate(int width, int height, unsigned short bits);
    // Deep copy of other; an empty other leaves this surface empty.
    void CopyFrom(const CDibSurface& other);
    // Frees the block: the surface is empty again.
    void Clear();

    void SetPaletteColor(BYTE index, BYTE red, BYTE green, BYTE blue);
    // y counts from the top. 8-bit surfaces only: other depths do not store a
    // pixel in one byte.
    void PutPixel(int x, int y, BYTE value);
    // Moves every colour-table entry percent (at most 100) toward color.
    void TintPalette(COLORREF color, int percent);
    void FillIndex(BYTE value);
    // Draws the surface 1:1 with its top-left corner at (x, y); 1 when drawn.
    int Blit(HDC dc, int x, int y) const;

    bool HasPixels() const { return m_buffer != nullptr; }
    BYTE* PixelData() const;
    DWORD TotalBytes() const { return m_header.biSize + PaletteBytes() + m_header.biSizeImage; }
    DWORD PaletteBytes() const { return 4u * m_paletteSize; }

    const BYTE* Block() const { return m_buffer.get(); }
    const BITMAPINFOHEADER& Header() const { return m_header; }
    int Width() const { return m_header.biWidth; }
    int Height() const { return m_header.biHeight; }
    int RowBytes() const { return m_rowBytes; }
    unsigned short PaletteSize() const { return m_paletteSize; }
    // The colour-table entries (m_paletteSize of them), or null.
    RGBQUAD* Palette() const;

private:
    void ResetHeader();

    std::unique_ptr<BYTE[]> m_buffer;
    BITMAPINFOHEADER m_header{};
    int m_rowBytes = 0;
    unsigned short m_paletteSize = 0;
};
