// The p-values of the monthly two-sample tests as the risk analyses form them, for the
// Python recomputation to set beside scipy's. Reads pairs of samples from stdin, each as
// "n1 n2" and then n1 + n2 numbers (the generated sample, then the historical), and prints
// for each pair the Mann-Whitney and the Brown-Forsythe p-value to 17 digits.
#include <cstdio>
#include <iostream>
#include <vector>

#include "risk/monthly_tests.hpp"

int main() {
  std::size_t n1 = 0, n2 = 0;
  while (std::cin >> n1 >> n2) {
    std::vector<float> x(n1), y(n2);
    for (float& v : x) std::cin >> v;
    for (float& v : y) std::cin >> v;
    std::printf("%.17g %.17g\n", flowplex::mann_whitney_p(x, y), flowplex::brown_forsythe_p(x, y));
  }
  return 0;
}
