#include "bench/stats.h"

#include <algorithm>
#include <cmath>

namespace tr::bench {

double percentile(const std::vector<double> &sorted, double p) {
    if (sorted.empty())
        return 0;
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * double(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

Summary summarize(std::vector<double> samples) {
    Summary s;
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    s.count = qsizetype(samples.size());
    s.best = samples.front();
    s.median = percentile(samples, 50);
    s.p99 = percentile(samples, 99);
    s.worst = samples.back();
    return s;
}

} // namespace tr::bench
