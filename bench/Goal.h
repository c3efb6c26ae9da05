#pragma once
// How a benchmark hands its goals to the runner (bench/run): one line per goal on standard output,
//   goal<TAB>what was measured<TAB>the median in ms<TAB>the limit in ms, measured in the same run
// beside the benchmark's own report. The runner sets the figures of the three ways it runs the benchmark
// (embedded, through the server, through the server one round trip later) side by side.

#include <cstdio>
#include <string>

namespace bench {

/// A time as the table shows it: whole milliseconds from 100 on, three figures below.
inline std::string goalTime(double ms)
{
    char text[32];
    std::snprintf(text, sizeof text, ms >= 100 ? "%.0f" : "%.3g", ms);
    return text;
}

inline void printGoal(const std::string &what, double figure, double limit)
{
    std::printf("goal\t%s\t%s\t%s\n", what.c_str(), goalTime(figure).c_str(), goalTime(limit).c_str());
}

} // namespace bench
