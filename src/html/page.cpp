#include "html/page.hpp"

namespace flowplex {

std::unique_ptr<RunSink> make_html_sink(const std::string& /*path*/, const RunInfo& /*info*/) {
  return std::make_unique<RunSink>();
}

}  // namespace flowplex
