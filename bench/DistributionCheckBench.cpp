// What the check of a bound distribution adds to an installation of it:
// CheckDistribution over the distribution (its manifest written by
// tools/bind-distribution.pl), against the installation itself (the
// unattended worker, as Setup.exe /S runs it, into a fresh folder), taking
// turns in each round so that both see the same machine.
//
//   distribution_check_bench.exe <distribution folder> <manifest SHA-256> <destination root> [runs]
#include "engine/DistributionCheck.h"
#include "engine/UnattendedSetup.h"

#include "bench/BenchTiming.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::printf("usage: distribution_check_bench.exe <distribution folder> <manifest SHA-256> "
                    "<destination root> [runs]\n");
        return 1;
    }
    CString folder = argv[1];
    folder.AppendBackslashIfMissing();
    CSha256::Digest bound{};
    for (size_t i = 0; i < bound.size(); ++i)
        bound[i] = static_cast<uint8_t>(
            std::strtoul(std::string(argv[2] + 2 * i, 2).c_str(), nullptr, 16));
    CString destinations = argv[3];
    destinations.AppendBackslashIfMissing();
    const int runs = argc > 4 ? std::atoi(argv[4]) : 3;

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> checks, installs;
    for (int run = 0; run < runs; ++run) {
        QueryPerformanceCounter(&start);
        const DistributionCheck check = CheckDistribution(folder, bound);
        QueryPerformanceCounter(&end);
        if (!check.passed) {
            std::printf("the distribution does not pass its check:\n%s\n",
                        DistributionProblemText(check).GetString());
            return 1;
        }
        checks.push_back(Milliseconds(start, end, frequency));

        CUnattendedSetup worker;
        worker.m_strSourceDir = folder;
        worker.m_strInstallDir.Format("%s%d\\", destinations.GetString(), run);
        QueryPerformanceCounter(&start);
        const bool installed = worker.RunToEnd();
        QueryPerformanceCounter(&end);
        if (!installed) {
            std::printf("the installation into %s failed\n", worker.m_strInstallDir.GetString());
            return 1;
        }
        installs.push_back(Milliseconds(start, end, frequency));
        std::printf("round %d: check %.0f ms (%d files), installation %.0f ms\n", run + 1,
                    checks.back(), check.checked, installs.back());
    }
    Report("check", checks, 0);
    Report("installation (unattended worker)", installs, 0);
    std::sort(checks.begin(), checks.end());
    std::sort(installs.begin(), installs.end());
    std::printf("check / installation: medians %.1f %%, best runs %.1f %%\n",
                100.0 * checks[checks.size() / 2] / installs[installs.size() / 2],
                100.0 * checks.front() / installs.front());
    return 0;
}
