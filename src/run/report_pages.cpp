#include "run/report_pages.hpp"

#include "correlation_test/correlation_report.hpp"
#include "stats_test/statistics_report.hpp"

namespace flowplex {

void ReportPages::not_tested(int gauge) { write_not_tested(ch_.unit(16), gauge); }

void ReportPages::statistics(const StatisticsResult& result) { write_statistics_report(ch_, result); }

void ReportPages::correlations(const CorrelationResult& result) { write_correlation_page(ch_.unit(16), result); }

}  // namespace flowplex
