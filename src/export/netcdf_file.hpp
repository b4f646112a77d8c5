#pragma once
// One NetCDF-4 file being written through its temporary file: thin calls into the netCDF
// library, any failure of which ends the run naming the file.
#include <netcdf.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "export/atomic_file.hpp"
#include "export/generation_layout.hpp"

namespace flowplex {

// Keeps HDF5 from closing at exit the files a run left open (see netcdf_file.cpp).
void leave_files_to_the_run();

// Calls into the netCDF library for one file; any failure ends the run naming the file.
class NetcdfFile {
 public:
  explicit NetcdfFile(const TemporaryFile& file) : file_(file) {
    leave_files_to_the_run();
    check(file.create_by_name([this](const char* name) { return nc_create(name, NC_NETCDF4 | NC_CLOBBER, &id_); }),
          "CREATE");
    open_ = true;
  }
  ~NetcdfFile() {
    if (open_) nc_abort(id_);
  }
  NetcdfFile(const NetcdfFile&) = delete;
  NetcdfFile& operator=(const NetcdfFile&) = delete;

  int id() const { return id_; }
  void check(int status, std::string_view doing = "WRITE") const {
    if (status != NC_NOERR) file_.fail(doing, upper_case(nc_strerror(status)));
  }
  int dimension(const char* name, std::size_t length) {
    int dim = 0;
    check(nc_def_dim(id_, name, length, &dim));
    return dim;
  }
  int variable(const char* name, nc_type type, std::initializer_list<int> dims) {
    int var = 0;
    const std::vector<int> ids(dims);
    check(nc_def_var(id_, name, type, static_cast<int>(ids.size()), ids.data(), &var));
    return var;
  }
  void text(int var, const char* name, const std::string& value) {
    check(nc_put_att_text(id_, var, name, value.size(), value.c_str()));
  }
  void integer(int var, const char* name, int value) { check(nc_put_att_int(id_, var, name, NC_INT, 1, &value)); }
  void strings(int var, const char* name, const std::vector<std::string>& values) {
    std::vector<const char*> c = c_strings(values);
    check(nc_put_att_string(id_, var, name, c.size(), c.data()));
  }
  void put_strings(int var, const std::vector<std::string>& values) {
    std::vector<const char*> c = c_strings(values);
    check(nc_put_var_string(id_, var, c.data()));
  }
  void close() {
    open_ = false;
    check(nc_close(id_));
  }

 private:
  static std::vector<const char*> c_strings(const std::vector<std::string>& values) {
    std::vector<const char*> c;
    for (const std::string& v : values) c.push_back(v.c_str());
    return c;
  }

  const TemporaryFile& file_;
  int id_ = 0;
  bool open_ = false;
};

// The file's type of a layout's values.
nc_type file_type(ValueType type);

// The attributes of a variable, or the global ones (NC_GLOBAL), as the layout types them.
void put_attributes(NetcdfFile& nc, int var, const std::vector<Attribute>& attributes);

}  // namespace flowplex
