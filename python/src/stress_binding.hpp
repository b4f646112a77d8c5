#pragma once
// The stress test for the Python package (flowplex/stress.py): the surface of a request,
// the description of its dataset, and the shards a Dask worker makes and the client joins.
#include <pybind11/pybind11.h>

namespace flowplex::python {

void add_stress(pybind11::module_& m);

}  // namespace flowplex::python
