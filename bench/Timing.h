#pragma once
// What the benchmarks time with: the median of a run's figures, and the processor time this program has spent
// (the embedded engine's included), in milliseconds.

#include <algorithm>
#include <ctime>
#include <vector>

namespace bench {

/// The middle figure, or the mean of the two middle ones; `v` must not be empty.
inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

inline double processorMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

/// Milliseconds passed and of processor time spent by the program.
struct Time {
    double wall = 0;
    double cpu = 0;
};

} // namespace bench
