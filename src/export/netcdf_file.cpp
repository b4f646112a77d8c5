#include "export/netcdf_file.hpp"

#include <type_traits>
#include <variant>

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

nc_type file_type(ValueType type) {
  switch (type) {
    case ValueType::float32: return NC_FLOAT;
    case ValueType::text: return NC_STRING;
    case ValueType::int32: break;
  }
  return NC_INT;
}

namespace {

void put_attribute(NetcdfFile& nc, int var, const Attribute& a) {
  const char* name = a.name.c_str();
  const int id = nc.id();
  std::visit(
      [&](const auto& value) {
        using Value = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Value, std::string>) nc.text(var, name, value);
        else if constexpr (std::is_same_v<Value, int>) nc.integer(var, name, value);
        else if constexpr (std::is_same_v<Value, std::vector<int>>)
          nc.check(nc_put_att_int(id, var, name, NC_INT, value.size(), value.data()));
        else if constexpr (std::is_same_v<Value, std::vector<double>>)
          nc.check(nc_put_att_double(id, var, name, NC_DOUBLE, value.size(), value.data()));
        else if constexpr (std::is_same_v<Value, std::vector<std::string>>) nc.strings(var, name, value);
        else nc.check(nc_put_att_ulonglong(id, var, name, NC_UINT64, value.size(), value.data()));
      },
      a.value);
}

}  // namespace

void put_attributes(NetcdfFile& nc, int var, const std::vector<Attribute>& attributes) {
  for (const Attribute& a : attributes) put_attribute(nc, var, a);
}

}  // namespace flowplex
