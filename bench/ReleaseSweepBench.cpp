// Times the two release sweeps (configuration and shortcut discovery) on a
// scratch registry: with no AutoCAD release registered, and with all twelve.
// Each pass redirects the registry into a fresh scratch key.
#include "host_cad/AcadRelease.h"
#include "host_cad/ReleaseSweep.h"
#include "tests/support/ScratchRegistry.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

void Report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times) sum += t;
    std::printf("%-34s runs %zu  min %.2f ms  median %.2f ms  mean %.2f ms  max %.2f ms\n", what,
                times.size(), times.front(), times[times.size() / 2],
                sum / static_cast<double>(times.size()), times.back());
}

void RegisterEveryRelease(ScratchRegistry& registry) {
    for (const AcadRelease& release : ACAD_RELEASES) {
        const char* id = release.defaultProductId ? release.defaultProductId : "ACAD-1:804";
        const CString releaseKey = CString("SOFTWARE\\Autodesk\\AutoCAD\\") + release.releaseKey;
        SetRegString(registry.Machine(), releaseKey, "CurVer", id);
        SetRegString(registry.Machine(), releaseKey + "\\" + id, "AcadLocation", "C:\\AutoCAD");
        SetRegString(registry.Machine(),
                     CString("SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\") + release.releaseKey +
                         "\\" + id,
                     "AcadLocation", "C:\\AutoCAD");
    }
}

} // namespace

int main() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const int runs = 20;
    for (bool installed : {false, true}) {
        std::vector<double> configure, shortcuts;
        for (int i = 0; i < runs; ++i) {
            ScratchRegistry registry;
            if (installed) RegisterEveryRelease(registry);
            LARGE_INTEGER t0, t1, t2;
            QueryPerformanceCounter(&t0);
            ConfigureAcadReleaseSweep("C:\\Program Files\\Morvane\\Kelvra\\");
            QueryPerformanceCounter(&t1);
            int found = 0;
            SweepAcadShortcuts([&](const AcadRelease&, const CString&) { ++found; });
            QueryPerformanceCounter(&t2);
            configure.push_back(Milliseconds(t0, t1, frequency));
            shortcuts.push_back(Milliseconds(t1, t2, frequency));
            if (installed && found != kAcadReleaseCount) std::printf("found %d releases\n", found);
        }
        Report(installed ? "configuration sweep, 12 releases" : "configuration sweep, none",
               configure);
        Report(installed ? "shortcut discovery, 12 releases" : "shortcut discovery, none",
               shortcuts);
    }
    return 0;
}
