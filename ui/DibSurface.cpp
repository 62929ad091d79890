#include "ui/DibSurface.h"

#include <cstring>
#include <new>

namespace {
// Larger blocks are refused rather than wrapped around in 32-bit sizes.
constexpr unsigned long long kMaxBlockBytes = 0x7FFFFFFFull;
} // namespace

CDibSurface::CDibSurface() { ResetHeader(); }

void CDibSurface::ResetHeader() {
    m_header = BITMAPINFOHEADER{};
    m_header.biSize = sizeof(BITMAPINFOHEADER);
    m_rowBytes = 0;
    m_paletteSize = 0;
}

void CDibSurface::Clear() {
    m_buffer.reset();
    ResetHeader();
}

BYTE* CDibSurface::Allocate(int width, int height, unsigned short bits) {
    Clear();
    if (width <= 0 || height <= 0) return nullptr;

    unsigned short depth = bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : 24;
    unsigned short paletteSize = depth == 1 ? 2 : depth == 4 ? 16 : depth == 8 ? 256 : 0;
    unsigned long long rowBytes = (static_cast<unsigned long long>(width) * depth + 31) / 32 * 4;
    unsigned long long imageBytes = rowBytes * static_cast<unsigned long long>(height);
    unsigned long long total = sizeof(BITMAPINFOHEADER) + 4ull * paletteSize + imageBytes;
    if (total > kMaxBlockBytes) return nullptr;

    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[total]);
    if (!block) return nullptr;

    m_paletteSize = paletteSize;
    m_rowBytes = static_cast<int>(rowBytes);
    m_header.biWidth = width;
    m_header.biHeight = height; // positive: rows stored bottom-up
    m_header.biPlanes = 1;
    m_header.biBitCount = depth;
    m_header.biCompression = BI_RGB;
    m_header.biSizeImage = static_cast<DWORD>(imageBytes);
    std::memcpy(block.get(), &m_header, sizeof(m_header));
    m_buffer = std::move(block);
    return m_buffer.get();
}

void CDibSurface::CopyFrom(const CDibSurface& other) {
    if (&other == this) return;
    if (!other.HasPixels()) {
        Clear();
        return;
    }
    if (Allocate(other.Width(), other.Height(), other.m_header.biBitCount))
        std::memcpy(m_buffer.get(), other.m_buffer.get(), TotalBytes());
}

RGBQUAD* CDibSurface::Palette() const {
    if (!m_buffer || m_paletteSize == 0) return nullptr;
    return reinterpret_cast<RGBQUAD*>(m_buffer.get() + m_header.biSize);
}

BYTE* CDibSurface::PixelData() const {
    if (!m_buffer) return nullptr;
    DWORD storedHeaderSize = reinterpret_cast<const BITMAPINFOHEADER*>(m_buffer.get())->biSize;
    return m_buffer.get() + storedHeaderSize + PaletteBytes();
}

void CDibSurface::SetPaletteColor(BYTE index, BYTE red, BYTE green, BYTE blue) {
    RGBQUAD* palette = Palette();
    if (!palette || index >= m_paletteSize) return;
    palette[index] = RGBQUAD{blue, green, red, 0};
}

void CDibSurface::PutPixel(int x, int y, BYTE value) {
    if (!Palette() || m_header.biBitCount != 8) return;
    if (x < 0 || x >= Width() || y < 0 || y >= Height()) return;
    PixelData()[static_cast<size_t>(Height() - y - 1) * m_rowBytes + x] = value;
}

void CDibSurface::TintPalette(COLORREF color, int percent) {
    RGBQUAD* palette = Palette();
    if (!palette) return;
    int p = percent > 100 ? 100 : percent < 0 ? 0 : percent;
    int red = GetRValue(color), green = GetGValue(color), blue = GetBValue(color);
    for (int i = 0; i < m_paletteSize; ++i) {
        RGBQUAD& entry = palette[i];
        entry.rgbBlue = static_cast<BYTE>((blue * p + entry.rgbBlue * (100 - p)) / 100);
        entry.rgbGreen = static_cast<BYTE>((green * p + entry.rgbGreen * (100 - p)) / 100);
        entry.rgbRed = static_cast<BYTE>((red * p + entry.rgbRed * (100 - p)) / 100);
    }
}

void CDibSurface::FillIndex(BYTE value) {
    if (!m_buffer) return;
    std::memset(PixelData(), value, m_header.biSizeImage);
}

int CDibSurface::Blit(HDC dc, int x, int y) const {
    if (!m_buffer || !dc) return 0;
    SetStretchBltMode(dc, COLORONCOLOR);
    int lines =
        SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(Width()), static_cast<DWORD>(Height()), 0, 0,
                          0, static_cast<UINT>(Height()), PixelData(),
                          reinterpret_cast<const BITMAPINFO*>(m_buffer.get()), DIB_RGB_COLORS);
    return lines > 0 ? 1 : 0;
}
