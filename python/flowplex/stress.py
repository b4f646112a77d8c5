"""The storage-yield-reliability surface of a climate stress test, as ``flowplex stress``
makes it, as the xarray dataset that ``xarray.open_dataset`` reads from the command's
``--netcdf`` file of the same request; on one process, or block by block on a Dask client.
"""
from __future__ import annotations

import os
import tempfile
from numbers import Integral, Real
from typing import Optional, Sequence, Tuple, Union

import numpy as np
import pandas as pd
import xarray as xr

from . import _core
from ._layout import described_variable

PathLike = Union[str, "os.PathLike[str]"]
Axis = Union[str, Tuple[float, float, float], None]
Table = Union[pd.DataFrame, PathLike, None]
Levels = Union[int, Sequence[int]]
Storages = Union[float, Sequence[float], None]


def stress(system, years: int, option: Union[str, int] = "rigorous", gauges: Union[int, str, Sequence[int], None] = None,
           realizations=41, mean: Axis = None, cv: Axis = None, scenarios: Table = None,
           yields: Levels = (30, 50, 70), reliabilities: Levels = (90, 95, 98), storage: Storages = None,
           projections: Table = None, historic: Union[str, Sequence[str]] = "HIS", threads: Optional[int] = None,
           client=None) -> xr.Dataset:
    """The surface of ``flowplex stress`` for the river system ``system`` (a
    ``flowplex.RiverSystem``); ``RiverSystem.stress`` documents the arguments."""
    from . import _count, _option, _realizations, _threads
    arguments = dict(
        years=_count("years", years, 1, _core.max_years),
        option=_stress_option(_option(option)),
        gauges=_gauges(gauges),
        **_climates(mean, cv, scenarios),
        yields=_levels("yields", yields),
        reliabilities=_levels("reliabilities", reliabilities),
        storages=None if storage is None else _storages(storage),
        **_projections(projections),
        historic=_historic(historic),
        threads=_threads(threads),
    )
    first, last = _realizations(realizations)
    if client is None:
        surface = _core.stress(system._system, first=first, last=last, **arguments)
    else:
        surface = _on_client(client, system, arguments, first, last)
    return _dataset(_core.surface_layout(surface))


# The arguments, in the command line's own texts, so that its readers refuse them in its
# own words.

def _stress_option(option):
    if option == _core.Option.forecast:
        raise ValueError("option: a stress test perturbs the rigorous or the bootstrap generation, not the forecasting mode")
    return option


def _whole(name: str, value) -> str:
    if isinstance(value, bool) or not isinstance(value, Integral):
        raise TypeError(f"{name}: {value!r} is not a whole number")
    return str(int(value))


def _number(name: str, value) -> str:
    if isinstance(value, bool) or not isinstance(value, Real):
        raise TypeError(f"{name}: {value!r} is not a number")
    return str(int(value)) if isinstance(value, Integral) else repr(float(value))


def _items(value) -> list:
    return list(value) if isinstance(value, (list, tuple, range, np.ndarray, pd.Series)) else [value]


def _gauges(gauges) -> list:
    if gauges is None or (isinstance(gauges, str) and gauges.strip() == "none"):
        raise ValueError("gauges: a stress test analyses gauges: give their numbers")
    items = gauges.split(",") if isinstance(gauges, str) else _items(gauges)
    numbers = [int(_whole("gauges", int(g) if isinstance(g, str) and g.strip().isdigit() else g)) for g in items]
    if not 1 <= len(numbers) <= 15:
        raise ValueError(f"gauges: {len(numbers)} chosen; a stress test analyses 1 to 15")
    return numbers


def _levels(name: str, levels) -> str:
    return ",".join(_whole(name, v) for v in _items(levels))


def _storages(storage) -> str:
    return ",".join(_number("storage", v) for v in _items(storage))


def _axis(name: str, axis) -> str:
    if isinstance(axis, str):
        return axis
    if not isinstance(axis, (tuple, list)) or len(axis) != 3:
        raise TypeError(f"{name}: {axis!r} is not a (FROM, TO, STEP) tuple or the text FROM:TO:STEP")
    return ":".join(_number(name, v) for v in axis)


def _table_text(name: str, table) -> Tuple[str, str]:
    """The CSV text of a DataFrame or a file, and how messages name it."""
    from . import _csv_text
    if isinstance(table, pd.DataFrame):
        return _csv_text(table.fillna("")), "DataFrame"
    if isinstance(table, (str, os.PathLike)):
        with open(table, encoding="utf-8", newline="") as f:
            return f.read(), os.fspath(table)
    raise TypeError(f"{name}: {type(table).__name__} is not a DataFrame or a path")


def _climates(mean, cv, scenarios) -> dict:
    if scenarios is not None:
        if mean is not None or cv is not None:
            raise ValueError("scenarios: a scenarios table takes the place of mean and cv")
        text, name = _table_text("scenarios", scenarios)
        return dict(mean="", cv="", scenarios=text, scenarios_name=name)
    if mean is None or cv is None:
        raise ValueError("mean: a grid needs both mean and cv (FROM, TO, STEP), or scenarios")
    return dict(mean=_axis("mean", mean), cv=_axis("cv", cv), scenarios=None, scenarios_name="")


def _projections(projections) -> dict:
    if projections is None:
        return dict(projections=None, projections_name="")
    text, name = _table_text("projections", projections)
    return dict(projections=text, projections_name=name)


def _historic(historic) -> list:
    types = [historic] if isinstance(historic, str) else _items(historic)
    for t in types:
        if not isinstance(t, str):
            raise TypeError(f"historic: {t!r} is not a text")
    return types


# Blocks of realizations on a Dask client: each a shard made on a worker, the shards
# joined on the client as `flowplex stress --combine` joins them.

_OPENED = {}  # the river systems this worker process has loaded, by folder and parameter file


def _shard(folder: str, parameters: str, arguments: dict, first: int, last: int) -> bytes:
    """The NetCDF file of the shard first-last, made on a worker."""
    key = (folder, parameters)
    if key not in _OPENED:
        _OPENED[key] = _core.RiverSystem.open(folder, parameters, arguments["threads"])
    surface = _core.stress(_OPENED[key], first=first, last=last, **arguments)
    with tempfile.TemporaryDirectory(prefix="flowplex-shard-") as scratch:
        path = os.path.join(scratch, "shard.nc")
        _core.write_stress_shard(surface, path)
        with open(path, "rb") as f:
            return f.read()


def _blocks(first: int, last: int, count: int) -> list:
    size = -(-(last - first + 1) // count)
    return [(a, min(a + size - 1, last)) for a in range(first, last + 1, size)]


def _on_client(client, system, arguments: dict, first: int, last: int):
    if first != 1:
        raise ValueError(f"realizations: {first}-{last}: the shards of a Dask client make realizations 1 to N; "
                         "a shard of its own is made without a client")
    workers = max(1, len(client.scheduler_info()["workers"]))
    arguments = dict(arguments, threads=1)
    futures = [client.submit(_shard, system.folder, system.parameter_file, arguments, a, b, pure=False)
               for a, b in _blocks(first, last, 2 * workers)]
    files = client.gather(futures)
    with tempfile.TemporaryDirectory(prefix="flowplex-shards-") as scratch:
        paths = []
        for i, contents in enumerate(files):
            paths.append(os.path.join(scratch, f"shard{i}.nc"))
            with open(paths[-1], "wb") as f:
                f.write(contents)
        return _core.combine_stress_shards(paths)


# The dataset, built as the NetCDF file holds it and decoded as xarray decodes the file.

def _dataset(layout: dict) -> xr.Dataset:
    sizes = dict(layout["dimensions"])
    variables = {}
    for v in layout["variables"]:
        variables[v["name"]] = described_variable(v, sizes)
    return xr.decode_cf(xr.Dataset(variables, attrs=dict(layout["attributes"]))).load()
