// Times one backdrop erase (load, decode, fit onto the 1024 x 768 canvas,
// stretch over the client area) for the picture named on the command line,
// or bench_1920x1080.jpg beside the program, over a window covering the screen.
#include "framework/Handles.h"
#include "ui/Backdrop.h"

#include "bench/BenchTiming.h"

#include <psapi.h>

#include <cstdio>
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
    DestroyWindow(window);
    return 0;
}
