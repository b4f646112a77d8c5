#include "library/run_preparation.hpp"

#include <string>

#include "generation/forecast.hpp"
#include "generation/generator.hpp"
#include "generation/parameter_file.hpp"
#include "report/input.hpp"
#include "report/run_ended.hpp"

namespace flowplex {
void check_gauges_in_parameter_file(const RiverSystem& river, std::span<const int> gauges) {
  for (const int g : gauges)
    if (g > river.PARM.NGAUGE)
      end_run(" *** GAUGE NO. " + std::to_string(g) + " WAS CHOSEN, BUT THE PARAMETER FILE " +
              trimmed_name(river.PARM.PARMFILE.view()) + " HOLDS " + std::to_string(river.PARM.NGAUGE) + " GAUGES ***");
}

void prepare_river_system(RiverSystem& river, Console& con, int threads, std::span<const int> gauges,
                          GenerationOption option) {
  ensure_loaded(river, con, threads);
  check_gauges_in_parameter_file(river, gauges);
  check_for_generation(river, option.IOPT());
  if (option.forecasting()) load_forecast_model(river);
}

}  // namespace flowplex
