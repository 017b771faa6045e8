#pragma once

#include <QtGlobal>
#include <vector>

namespace tr::bench {

struct Summary {
    qsizetype count = 0;
    double best = 0;
    double median = 0;
    double p99 = 0;
    double worst = 0;
};

// Nearest-rank percentile (p in 0..100) of sorted samples: p99 of 200 samples is the 198th.
double percentile(const std::vector<double> &sorted, double p);

// Empty input gives a summary with count 0.
Summary summarize(std::vector<double> samples);

} // namespace tr::bench
