#include "core/music/percentile.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

double percentile(std::vector<double> values, double p)
{
    if (values.empty()) return 0;
    const size_t n = values.size();
    // The small allowance keeps p 99 of 100 values at rank 99 although
    // 0.99 * 100 comes out a hair above 99 in binary floating point.
    const double rank = std::ceil(std::clamp(p, 0.0, 100.0) / 100.0 * static_cast<double>(n) - 1e-6);
    const size_t index = rank < 1 ? 0 : std::min(n, static_cast<size_t>(rank)) - 1;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(index), values.end());
    return values[index];
}
