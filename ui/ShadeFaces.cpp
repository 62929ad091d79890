// Building the shaded faces of CShadeButton: once per PrepareShades, so that
// painting only copies finished images. The arithmetic is integer throughout
// (products before divisions, every pixel store modulo 256) and draws one
// rand() per pixel per pass in visiting order; the runtime's generator is
// never seeded, so every run draws the same grain.
#include "ui/ShadeButton.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The S-shaped curve: flat around 0, steep at both ends (-125 at -127, 128 at 128).
int Cube(int t) { return t * t * t / 16384; }

// Palette of brightness values: 0 shadow, about 128 face, 255 highlight.
void SetShadePalette(CDibSurface& surface, COLORREF shadow, COLORREF face, COLORREF light) {
    auto blend = [](int from, int to, int k) {
        return static_cast<BYTE>((from * (128 - k) + to * k) / 128);
    };
    for (int k = 0; k <= 128; ++k) {
        surface.SetPaletteColor(static_cast<BYTE>(k), blend(GetRValue(shadow), GetRValue(face), k),
                                blend(GetGValue(shadow), GetGValue(face), k),
                                blend(GetBValue(shadow), GetBValue(face), k));
    }
    auto upper = [](int from, int to, int k) {
        return static_cast<BYTE>((from * (255 - k) + to * (k - 127)) / 128);
    };
    for (int k = 128; k <= 255; ++k) {
        surface.SetPaletteColor(static_cast<BYTE>(k), upper(GetRValue(face), GetRValue(light), k),
                                upper(GetGValue(face), GetGValue(light), k),
                                upper(GetBValue(face), GetBValue(light), k));
    }
}

// The pixel rows of an 8-bit surface addressed by column x and stored row b
// (b = 0 is the bottom row).
class PixelGrid {
public:
    explicit PixelGrid(const CDibSurface& surface)
        : m_pixels(surface.PixelData()), m_rowBytes(surface.RowBytes()), width(surface.Width()),
          height(surface.Height()) {}
    BYTE& At(int x, int b) const { return m_pixels[static_cast<size_t>(b) * m_rowBytes + x]; }
    // Stores v modulo 256.
    void Set(int x, int b, int v) const { At(x, b) = static_cast<BYTE>(v); }
    void Add(int x, int b, int v) const { At(x, b) = static_cast<BYTE>(At(x, b) + v); }

    // Rows from the bottom up, each left to right.
    template <typename Visit> void ByRows(Visit visit) const {
        for (int b = 0; b < height; ++b)
            for (int x = 0; x < width; ++x) visit(x, b);
    }
    // Columns left to right, each from the bottom row up.
    template <typename Visit> void ByColumns(Visit visit) const {
        for (int x = 0; x < width; ++x)
            for (int b = 0; b < height; ++b) visit(x, b);
    }

private:
    BYTE* m_pixels;
    int m_rowBytes;

public:
    const int width;
    const int height;
};

} // namespace

void CShadeButton::PrepareShades(unsigned style, unsigned char granularity, unsigned char highlight,
                                 unsigned char coloring, COLORREF color) {
    for (CDibSurface* surface : {&m_faceNormal, &m_facePressed, &m_faceDisabled, &m_faceHover,
                                 &m_focusRowDots, &m_focusColumnDots})
        surface->Clear();
    if (!m_hWnd) return;

    RECT rect{};
    GetWindowRect(&rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    // The formulas divide by the width, the height and a quarter of the height
    // squared; outside these sizes the faces stay empty and the plain face
    // colour is drawn instead.
    if (width < 1 || height < 2 || width > 32767 || height > 32767) return;

    m_focusRowDots.Allocate(std::max(width - 2 * m_focusInset - 1, 1), 1, 8);
    m_focusColumnDots.Allocate(1, std::max(height - 2 * m_focusInset, 1), 8);
    m_faceNormal.Allocate(width, height, 8);

    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    SetShadePalette(m_focusRowDots, shadow, face, light);
    SetShadePalette(m_focusColumnDots, shadow, face, light);
    SetShadePalette(m_faceNormal, shadow, face, light);
    m_faceNormal.TintPalette(color, coloring);

    // Dotted strips: shadow and highlight dots in turn.
    if (m_focusRowDots.HasPixels()) {
        for (int x = 0; x < m_focusRowDots.Width(); ++x)
            m_focusRowDots.PixelData()[x] = (x % 2) ? 255 : 0;
    }
    if (m_focusColumnDots.HasPixels()) {
        PixelGrid column(m_focusColumnDots);
        for (int b = 0; b < column.height; ++b) column.Set(0, b, (b % 2) ? 255 : 0);
    }

    if (!m_faceNormal.HasPixels()) return;
    ShadeFace(style, granularity);

    m_faceDisabled.CopyFrom(m_faceNormal);
    m_faceHover.CopyFrom(m_faceNormal);
    m_faceHover.TintPalette(light, highlight);
    m_facePressed.CopyFrom(m_faceHover);
}

void CShadeButton::ShadeFace(unsigned style, int granularity) {
    const PixelGrid grid(m_faceNormal);
    const int W = grid.width;
    const int H = grid.height;
    const int g = granularity;
    const int J = 32767 / std::max(2 * g, 1);
    auto grain = [&] { return rand() / J - g; };
    const int d = 255 - 2 * g;
    const int h = d / 2;

    switch (style > ShadeStreaks ? ShadeGrain : style) {
    case ShadeGrain:
        grid.ByRows([&](int x, int b) { grid.Set(x, b, 128 + grain()); });
        break;
    case ShadeDiagonalRamp:
        grid.ByRows(
            [&](int x, int b) { grid.Set(x, b, h * (W - x) / W + h * b / H + g + grain()); });
        break;
    case ShadeRowRamp:
        grid.ByRows([&](int x, int b) { grid.Set(x, b, g + d * b / H + grain()); });
        break;
    case ShadeColumnRamp:
        grid.ByColumns([&](int x, int b) { grid.Set(x, b, g + d * (W - x) / W + grain()); });
        break;
    case ShadeRowCurve:
        grid.ByRows([&](int x, int b) {
            int t = 255 * b / H - 127;
            grid.Set(x, b, 128 + Cube(t) * (128 - g) / 128 + grain());
        });
        break;
    case ShadeColumnCurve:
        grid.ByColumns([&](int x, int b) {
            int t = 255 * (W - x) / W - 127;
            grid.Set(x, b, 128 + Cube(t) * (128 - g) / 128 + grain());
        });
        break;
    case ShadeCornerCurve:
        grid.ByRows([&](int x, int b) {
            int ty = 255 * b / H - 127;
            int tx = 255 * (W - x) / W - 127;
            int v = 128 + (Cube(ty) + Cube(tx)) * (128 - g) / 128;
            if (v < g) v = g;
            if (v > 255 - g) v = 255 - g;
            grid.Set(x, b, v + grain());
        });
        break;
    case ShadeBevelCurve: {
        // A flatter version of the row curve...
        grid.ByRows([&](int x, int b) {
            int t = 255 * b / H - 127;
            grid.Set(x, b, 128 + Cube(t) * (64 - g) * 2 / 128 + grain());
        });
        // ...with lens-shaped bevels at both ends: w wide at mid-height,
        // narrowing to nothing at the top and bottom rows.
        const int w = std::min(W / 6, 16);
        const int q = H * H / 4;
        for (int b = 0; b < H; ++b) {
            const long long yc = b - H / 2;
            const long long R = w * yc * yc / q + W / 2 - w;
            for (int x = 0; x < W; ++x) {
                const int xo = x - W / 2;
                if (w > 0 && xo > R) grid.Set(x, b, g + 128 * (W - x) / w);
                if (w > 0 && xo + R < 0) grid.Set(x, b, (255 - g) - 128 * x / w);
                grid.Add(x, b, grain());
            }
        }
        break;
    }
    case ShadeStreaks: {
        m_faceNormal.FillIndex(0);
        const int dX = 32767 / W;
        const int dY = 32767 / H;
        const int dM = 32767 / std::min(W, H);
        for (int streak = 0; streak < 200; ++streak) {
            const int x0 = rand() / dX;
            const int y0 = rand() / dY;
            const int length = (rand() / dM) / 2;
            const BYTE k = static_cast<BYTE>(rand() / 819);
            for (int j = 0; j < length; ++j) {
                if (x0 - j > 0 && y0 + j < H) m_faceNormal.PutPixel(x0 - j, y0 + j, k);
                if (x0 + j < W && y0 - j > 0) m_faceNormal.PutPixel(W - x0 + j, y0 - j, k);
            }
        }
        const int a = (215 - 2 * g) / 2;
        grid.ByRows([&](int x, int b) {
            grid.Add(x, b, a * (W - x) / W + a * b / H);
            grid.Add(x, b, rand() / J);
        });
        break;
    }
    default:
        break;
    }
}
