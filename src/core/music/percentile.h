// One percentile for every figure the project prints: the bench tables, the
// live driver's timing summaries and the frame-log summary. It lives in the
// music library, the lowest of ours, so every other part may use it.
#pragma once
#include <vector>

// Nearest rank: the smallest value with at least p percent of the values at
// or below it, so the result is always one of the values (p 50 of an even
// count is the lower middle one; p 99 of 60 values is the largest). p is
// clamped to 0..100 (0 gives the smallest value); an empty set gives 0.
double percentile(std::vector<double> values, double p);
