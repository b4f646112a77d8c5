"""Variables built as a layout of the program's NetCDF files describes them, before xarray
decodes them as it decodes the file."""
from typing import Mapping

import numpy as np
import xarray as xr


def described_variable(described: Mapping, sizes: Mapping[str, int]) -> xr.Variable:
    """One variable of a layout: its dimensions, attributes and values as the file holds
    them; a float variable whose absent values the file writes as NaN keeps NaN as its fill."""
    attributes = dict(described["attributes"])
    if described["nan_fill"]:
        attributes["_FillValue"] = np.float32(np.nan)
    values = described["values"]
    values = np.array(values, dtype=object) if isinstance(values, list) else values
    shape = tuple(sizes[d] for d in described["dimensions"])
    return xr.Variable(described["dimensions"], values.reshape(shape), attributes)
