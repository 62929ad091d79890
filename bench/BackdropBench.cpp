// Times one backdrop erase (load, decode, fit onto the 1024 x 768 canvas,
// stretch over the client area) for the picture named on the command line,
// or bench_1920x1080.jpg beside the program, over a window covering the screen.
#include "framework/Handles.h"
#include "ui/Backdrop.h"
#include "ui/SmoothStretch.h"

#include "bench/BenchTiming.h"
#include "tests/ui/TestCanvas.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
// The process's working set and its peak so far, in MB.
void WorkingSetMb(double& now, double& peak) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    now = static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
    peak = static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}
// How far the banded smooth stretch of the canvas lies from the system's one
// HALFTONE stretch of it over width x height: pixels differing, and by how
// many levels at most in one channel.
void CompareWithHalftone(HBITMAP canvas, int width, int height) {
    DIBSECTION section{};
    GetObjectW(canvas, sizeof(section), &section);
    TestCanvas system(width, height), banded(width, height);
    {
        CMemoryDC source(CreateCompatibleDC(nullptr));
        CSelectObject select(source.Get(), canvas);
        SetStretchBltMode(system.Dc(), HALFTONE);
        SetBrushOrgEx(system.Dc(), 0, 0, nullptr);
        StretchBlt(system.Dc(), 0, 0, width, height, source.Get(), 0, 0, kCanvasWidth,
                   kCanvasHeight, SRCCOPY);
    }
    const RECT target{0, 0, width, height};
    DrawSmoothStretch(banded.Dc(), target, static_cast<const BYTE*>(section.dsBm.bmBits),
                      kCanvasWidth, kCanvasHeight);
    GdiFlush();
    size_t differing = 0;
    int largest = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF one = system.At(x, y), other = banded.At(x, y);
            int most = 0;
            for (int shift = 0; shift < 24; shift += 8)
                most = std::max(most, std::abs(static_cast<int>((one >> shift) & 0xFF) -
                                               static_cast<int>((other >> shift) & 0xFF)));
            differing += most > 0;
            largest = std::max(largest, most);
        }
    std::printf("against the system's HALFTONE stretch over %d x %d: %zu of %d pixels differ, "
                "by at most %d levels\n",
                width, height, differing, width * height, largest);
}
} // namespace

int main(int argc, char** argv) {
    CString picture;
    if (argc > 1) {
        picture = argv[1];
    } else {
        char module[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, module, MAX_PATH);
        picture = module;
        picture = picture.Left(picture.ReverseFind('\\') + 1) + "bench_1920x1080.jpg";
    }
    const int runs = 20;

    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                  nullptr, nullptr, nullptr, nullptr);
    if (!window) {
        std::printf("cannot create the window\n");
        return 1;
    }
    CStringArray pictures{picture};
    RECT client{};
    GetClientRect(window, &client);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);

    // The first erase, as the installer's first: what it leaves in the
    // working set (libraries loaded, caches) and how far above that it peaks.
    double before = 0, peakBefore = 0, after = 0, peakAfter = 0;
    WorkingSetMb(before, peakBefore);
    {
        CClientDC dc(window);
        int index = 0;
        DrawBackdrop(window, dc.Get(), client, pictures, index);
        GdiFlush();
    }
    WorkingSetMb(after, peakAfter);
    {
        CGdiObject probe(BuildBackdropBitmap(window, picture));
        if (!probe) {
            std::printf("%s is not a loadable picture\n", picture.GetString());
            DestroyWindow(window);
            return 1;
        }
    }

    std::vector<double> build, erase;
    for (int i = 0; i < runs; ++i) {
        QueryPerformanceCounter(&start);
        CGdiObject canvas(BuildBackdropBitmap(window, picture));
        QueryPerformanceCounter(&end);
        build.push_back(Milliseconds(start, end, frequency));
    }
    for (int i = 0; i < runs; ++i) {
        CClientDC dc(window);
        int index = 0;
        QueryPerformanceCounter(&start);
        DrawBackdrop(window, dc.Get(), client, pictures, index);
        GdiFlush();
        QueryPerformanceCounter(&end);
        erase.push_back(Milliseconds(start, end, frequency));
    }
    std::printf("picture %s, client area %ld x %ld\n", picture.GetString(), client.right,
                client.bottom);
    Report("BuildBackdropBitmap", build);
    Report("whole erase (DrawBackdrop)", erase);
    std::printf("first erase: working set %.1f MB before, %.1f MB after, peak %.1f MB "
                "(%.1f MB above what stays)\n",
                before, after, peakAfter, peakAfter - after);
    {
        CGdiObject canvas(BuildBackdropBitmap(window, picture));
        for (SIZE size : {SIZE{width, height}, SIZE{1920, 1080}, SIZE{2560, 1440}, SIZE{800, 600}})
            CompareWithHalftone(static_cast<HBITMAP>(canvas.Get()), size.cx, size.cy);
    }
    DestroyWindow(window);
    return 0;
}
