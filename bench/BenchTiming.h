// Timing and reporting shared by the benchmark programs.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

inline double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// One line: the runs' minimum, median, mean and maximum, with `decimals` digits.
inline void Report(const char* what, std::vector<double> times, int decimals = 1) {
    if (times.empty()) return;
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times) sum += t;
    std::printf("%-34s runs %zu  min %.*f ms  median %.*f ms  mean %.*f ms  max %.*f ms\n", what,
                times.size(), decimals, times.front(), decimals, times[times.size() / 2], decimals,
                sum / static_cast<double>(times.size()), decimals, times.back());
}
