#pragma once
// The run's report as one self-contained HTML page with its charts.
#include <memory>
#include <string>

#include "export/exports.hpp"

namespace flowplex {

std::unique_ptr<RunSink> make_html_sink(const std::string& path, const RunInfo& info);

}  // namespace flowplex
