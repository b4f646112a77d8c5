#include "export/netcdf_file.hpp"

// The HDF5 library beneath netCDF-4 (linked through netCDF::netcdf; herr_t is an int).
extern "C" int H5dont_atexit(void);

namespace flowplex {

// HDF5 closes at exit every file still open; a file whose close failed (a full disk)
// makes that exit-time close crash. Every file the run completes is closed by the run,
// and one it abandons is not worth touching again, so the exit-time close is left out.
// It must be asked for before the library's first use.
void leave_files_to_the_run() {
  static const int asked = H5dont_atexit();
  (void)asked;
}

}  // namespace flowplex
