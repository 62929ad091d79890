// Times the two release sweeps (configuration and shortcut discovery) on a
// scratch registry: with no AutoCAD release registered, and with all twelve.
// Each pass redirects the registry into a fresh scratch key.
#include "host_cad/AcadRelease.h"
#include "host_cad/ReleaseSweep.h"
#include "tests/support/ScratchRegistry.h"

#include "bench/BenchTiming.h"

#include <cstdio>
#include <vector>

namespace {

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
               configure, 2);
        Report(installed ? "shortcut discovery, 12 releases" : "shortcut discovery, none",
               shortcuts, 2);
    }
    return 0;
}
