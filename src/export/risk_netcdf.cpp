#include "export/risk_netcdf.hpp"

#include <limits>
#include <map>

namespace flowplex {
namespace {

constexpr float kAbsent = std::numeric_limits<float>::quiet_NaN();

void put(NetcdfFile& nc, int var, const std::size_t* start, const std::size_t* count, const std::vector<int>& v) {
  nc.check(nc_put_vara_int(nc.id(), var, start, count, v.data()));
}
void put(NetcdfFile& nc, int var, const std::size_t* start, const std::size_t* count, const std::vector<float>& v) {
  nc.check(nc_put_vara_float(nc.id(), var, start, count, v.data()));
}
void put(NetcdfFile& nc, int var, const std::size_t*, const std::size_t*, const std::vector<std::string>& v) {
  nc.put_strings(var, v);
}

}  // namespace

RiskVariables::RiskVariables(NetcdfFile& nc, const std::vector<SlotRisk>& risks) : layout_(risk_layout(risks)) {
  if (layout_.variables.empty()) return;
  std::map<std::string, int> dimensions;
  std::map<std::string, std::size_t> lengths{{"realization", layout_.realizations}};
  nc.check(nc_inq_dimid(nc.id(), "realization", &dimensions["realization"]));
  for (const Dimension& d : layout_.dimensions) {
    dimensions[d.name] = nc.dimension(d.name.c_str(), d.length);
    lengths[d.name] = d.length;
  }
  for (const RiskVariable& v : layout_.variables) {
    std::vector<int> dims;
    for (const std::string& d : v.dimensions) {
      dims.push_back(dimensions.at(d));
      counts_.push_back(lengths.at(d));
    }
    int id = 0;
    nc.check(nc_def_var(nc.id(), v.name.c_str(), file_type(v.type), static_cast<int>(dims.size()), dims.data(), &id));
    if (v.absent_as_nan) nc.check(nc_def_var_fill(nc.id(), id, 0, &kAbsent));
    put_attributes(nc, id, v.attributes);
    ids_.push_back(id);
  }
  put_attributes(nc, NC_GLOBAL, layout_.attributes);
}

// The per-realization figures fill the realizations the analyses held, counted from the
// first along the realization axis: never more values than were formed.
void RiskVariables::write(NetcdfFile& nc) const {
  const std::size_t start[] = {0, 0, 0};
  const std::size_t* count = counts_.data();
  for (std::size_t i = 0; i < layout_.variables.size(); ++i) {
    const RiskVariable& v = layout_.variables[i];
    std::visit([&](const auto& values) { put(nc, ids_[i], start, count, values); }, v.values);
    count += v.dimensions.size();
  }
}

}  // namespace flowplex
