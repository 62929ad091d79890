// What the check of a bound distribution adds to an installation of it:
// CheckDistribution over the distribution (its manifest written by
// tools/bind-distribution.pl) before anything changes, and the installation
// whose copy checks the data files as it reads them, against the unbound
// installation (the unattended worker, as Setup.exe /S runs it, each into a
// fresh folder), taking turns in each round so that all see the same machine.
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
    std::vector<double> checks, checkedInstalls, plainInstalls, costs;
    int folders = 0;
    // One installation into a fresh folder: the copy checking the listed
    // files as it reads them (copyCheck), or the unbound one.
    auto install = [&](const std::shared_ptr<const CopyCheck>& copyCheck, double& milliseconds) {
        CUnattendedSetup worker;
        worker.m_strSourceDir = folder;
        worker.m_strInstallDir.Format("%s%d\\", destinations.GetString(), folders++);
        worker.m_copyCheck = copyCheck;
        QueryPerformanceCounter(&start);
        const bool installed = worker.RunToEnd();
        QueryPerformanceCounter(&end);
        milliseconds = Milliseconds(start, end, frequency);
        if (!installed)
            std::printf("the installation into %s failed\n", worker.m_strInstallDir.GetString());
        return installed;
    };
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
        // Taking turns at going first: both see the same machine.
        double checked = 0, plain = 0;
        const bool installed = run % 2 == 0
                                   ? install(check.duringCopy, checked) && install(nullptr, plain)
                                   : install(nullptr, plain) && install(check.duringCopy, checked);
        if (!installed) return 1;
        checkedInstalls.push_back(checked);
        plainInstalls.push_back(plain);
        costs.push_back(checks.back() + checked - plain);
        std::printf("round %d: check %.0f ms (%d files; %d left to the copy), installation "
                    "checking the copy %.0f ms, unchecked %.0f ms\n",
                    run + 1, checks.back(), check.checked, check.leftToCopy, checked, plain);
    }
    Report("check before the changes", checks, 0);
    Report("installation checking the copy", checkedInstalls, 0);
    Report("installation unchecked", plainInstalls, 0);
    Report("check + what the copy added", costs, 0);
    auto median = [](std::vector<double> times) {
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };
    const double base = median(plainInstalls);
    std::printf("of the unchecked installation (medians): check before %.1f %%, the copy's "
                "check %+.1f %%, together %.1f %% (median of the rounds' sums %.1f %%)\n",
                100.0 * median(checks) / base, 100.0 * (median(checkedInstalls) - base) / base,
                100.0 * (median(checks) + median(checkedInstalls) - base) / base,
                100.0 * median(costs) / base);
    return 0;
}
