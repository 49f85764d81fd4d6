// The least, median and greatest of a measuring program's rounds, as the
// benchmarks print them. Header only; any thread.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <vector>

namespace tarsel::test {

struct BenchSpread {
  double min = 0;
  double median = 0;
  double max = 0;
};

// The spread of the values (all zero for none); the median of an even
// number of values is the mean of the middle two.
inline BenchSpread SpreadOf(std::vector<double> values) {
  BenchSpread spread;
  if (values.empty())
    return spread;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  spread.min = values.front();
  spread.max = values.back();
  spread.median = values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
  return spread;
}

// Prints "<label>: min <m>, median <m>, max <m>" with two decimals.
inline void PrintSpread(const char* label, const std::vector<double>& values) {
  const BenchSpread spread = SpreadOf(values);
  std::printf("%s: min %.2f, median %.2f, max %.2f\n", label, spread.min, spread.median, spread.max);
}

} // namespace tarsel::test
