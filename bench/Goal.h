#pragma once
// How a benchmark hands its goals to the runner (bench/run): one line per goal on standard output,
//   goal<TAB>what was measured<TAB>the median in ms<TAB>the limit in ms, measured in the same run
// beside the benchmark's own report. The runner sets the figures of the three ways it runs the benchmark
// (embedded, through the server, through the server one round trip later) side by side.

#include <cstdio>
#include <string>

namespace bench {

inline void printGoal(const std::string &what, double figure, double limit)
{
    std::printf("goal\t%s\t%.4g\t%.4g\n", what.c_str(), figure, limit);
}

} // namespace bench
