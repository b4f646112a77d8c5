#pragma once
// Sample moments, the descending Shell sort and the seven-value summary of the
// statistical-properties test. Samples are spans whose element x[0] is element 1
// of the sample; n is the number of elements used (n <= x.size()).
#include <array>
#include <span>

namespace flowplex {

// Mean and standard deviation (divisor n - 1). Fewer than 2 values give sd 0.
void momen1(std::span<const float> x, int n, float& mean, float& sd);

// Mean, standard deviation and bias-adjusted skewness. Fewer than 2 values give
// sd 0; fewer than 3 give skewness 0.
void momen3(std::span<const float> x, int n, float& mean, float& sd, float& skew);

// Sorts the first n values in place, largest first.
void ssort(int n, std::span<float> x);

// Seven-value summary of a sample sorted largest first: maximum, 95 %, 75 %,
// 50 %, 25 %, 5 %, minimum, taken at ranks 1, k, M-Q, M, M+Q, n-k, n.
void box(int M, int Q, int n, std::span<const float> x, std::array<float, 7>& summary);

// The summary of 41 values as every report prints it: a sorted copy, box(21, 11, 41).
std::array<float, 7> seven_value_summary(std::span<const float> values41);

}  // namespace flowplex
