#include "ui/SmoothStretch.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

// Rows computed and drawn at once: 64 rows of a 1920-pixel screen are 480 KB.
const int kBandRows = 64;

// Where target pixel i of count falls among the source's sourceCount pixels,
// in 1/65536 of a pixel: at i x sourceCount / count, the first on the first;
// past the last pixel's place, on the last.
struct Tap {
    int index;     // the source pixel at or before the position
    UINT fraction; // toward the next one, 0 to 65535
};

std::vector<Tap> TapsFor(int count, int sourceCount) {
    std::vector<Tap> taps(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const ULONGLONG position = static_cast<ULONGLONG>(i) * static_cast<ULONGLONG>(sourceCount) *
                                   65536u / static_cast<ULONGLONG>(count);
        Tap tap{static_cast<int>(position >> 16), static_cast<UINT>(position & 0xFFFF)};
        if (tap.index >= sourceCount - 1) tap = Tap{sourceCount - 1, 0};
        taps[static_cast<size_t>(i)] = tap;
    }
    return taps;
}

} // namespace

bool DrawSmoothStretch(HDC dc, const RECT& target, const BYTE* source, int width, int height) {
    const int targetWidth = target.right - target.left;
    const int targetHeight = target.bottom - target.top;
    if (!source || width <= 0 || height <= 0 || targetWidth <= 0 || targetHeight <= 0) return false;

    // Only the rows the context would show.
    int first = 0, last = targetHeight;
    RECT clip{};
    const int clipKind = GetClipBox(dc, &clip);
    if (clipKind == NULLREGION) return true;
    if (clipKind != ERROR) {
        first = std::max(0, static_cast<int>(clip.top - target.top));
        last = std::min(targetHeight, static_cast<int>(clip.bottom - target.top));
        if (first >= last) return true;
    }

    std::vector<Tap> columns, rows;
    std::vector<DWORD> band;
    try {
        columns = TapsFor(targetWidth, width);
        rows = TapsFor(targetHeight, height);
        band.resize(static_cast<size_t>(targetWidth) * static_cast<size_t>(kBandRows));
    } catch (const std::bad_alloc&) {
        return false;
    }
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = targetWidth;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;

    const size_t stride = static_cast<size_t>(width) * 4;
    for (int top = first; top < last; top += kBandRows) {
        const int count = std::min(kBandRows, last - top);
        for (int y = 0; y < count; ++y) {
            const Tap row = rows[static_cast<size_t>(top + y)];
            const BYTE* upper = source + static_cast<size_t>(row.index) * stride;
            const BYTE* lower = row.fraction ? upper + stride : upper;
            const ULONGLONG down = row.fraction, up = 65536u - row.fraction;
            DWORD* out = band.data() + static_cast<size_t>(y) * static_cast<size_t>(targetWidth);
            for (int x = 0; x < targetWidth; ++x) {
                const Tap column = columns[static_cast<size_t>(x)];
                const size_t left = static_cast<size_t>(column.index) * 4;
                const size_t right = column.fraction ? left + 4 : left;
                const ULONGLONG across = column.fraction, back = 65536u - column.fraction;
                DWORD pixel = 0;
                for (int channel = 0; channel < 3; ++channel) {
                    const ULONGLONG above =
                        upper[left + channel] * back + upper[right + channel] * across;
                    const ULONGLONG below =
                        lower[left + channel] * back + lower[right + channel] * across;
                    const ULONGLONG value = (above * up + below * down + (1ull << 31)) >> 32;
                    pixel |= static_cast<DWORD>(value) << (8 * channel);
                }
                out[x] = pixel;
            }
        }
        format.bmiHeader.biHeight = -count; // top-down
        SetDIBitsToDevice(dc, target.left, target.top + top, static_cast<DWORD>(targetWidth),
                          static_cast<DWORD>(count), 0, 0, 0, static_cast<UINT>(count), band.data(),
                          &format, DIB_RGB_COLORS);
    }
    return true;
}
