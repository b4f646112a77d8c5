"""flowplex from Python: open a river system, check it, generate stochastic monthly
streamflow ensembles as xarray datasets, and fit a river system to gauge records.

The ensembles are those of ``flowplex run``: ``RiverSystem.generate`` returns the dataset
that ``xarray.open_dataset`` reads from the command line's ``--netcdf`` file of the same
run, variables, coordinates, attributes and values alike.

    >>> import flowplex
    >>> system = flowplex.RiverSystem("examples")
    >>> system.gauges                                # one row per gauge
    >>> ensemble = system.generate(50, option="bootstrap", realizations=1000)
    >>> ensemble.flow.sel(realization=7).isel(station=0)
"""
from __future__ import annotations

import csv
import io
import math
import os
import shutil
import tempfile
import warnings
from dataclasses import dataclass
from numbers import Integral, Real
from typing import Mapping, Optional, Sequence, Tuple, Union

import dask.array as da
import numpy as np
import pandas as pd
import xarray as xr

from . import _core
from . import ensemble as _ensemble
from . import risk as _risk
from ._core import InputError

__all__ = ["RiverSystem", "CheckReport", "Finding", "InputError", "check", "fit", "__version__"]
__version__: str = _core.version
InputError.__module__ = __name__
InputError.__doc__ = ("A river system, or a file a call reads, that cannot be used as it stands; "
                      "str() is the program's message, .file the file at fault (relative to the "
                      "river system's folder, empty where no one file is) and .line its line (0: none).")

PathLike = Union[str, "os.PathLike[str]"]
Realizations = Union[int, range, Tuple[int, int]]
PerturbationLike = Union[Mapping[str, object], pd.DataFrame, PathLike, None]

_OPTIONS = {"rigorous": _core.Option.rigorous, "bootstrap": _core.Option.bootstrap,
            "forecast": _core.Option.forecast}
_OPTION_CODES = {0: "rigorous", 1: "bootstrap", 3: "forecast"}
_REPORTED_REALIZATIONS = 41  # the realizations the command line makes unless asked otherwise
_MAX_CHOSEN = 15  # the gauges one run analyses
_FLOW_DIMENSIONS = ("realization", "time", "station")
_GAUGE_COLUMNS = ["number", "name", "stem", "key_gauge", "first_year", "last_year"]


@dataclass(frozen=True)
class Finding:
    """One problem or warning of a check: the file it lies in (relative to the river
    system's folder, empty where no one file is at fault), its line (0 where no one line
    is) and the program's message."""

    file: str
    line: int
    message: str


@dataclass(frozen=True)
class CheckReport:
    """What ``flowplex check`` finds: ``ok`` when nothing would end a run, the
    ``problems`` that would, the ``warnings`` a run survives, and the check's whole
    console ``text``."""

    ok: bool
    problems: list
    warnings: list
    text: str

    def __bool__(self) -> bool:
        return self.ok


class RiverSystem:
    """A river system loaded once from its folder: the parameter file and every gauge's
    series files, read by the program's own readers. Loading never changes the working
    folder.

    Raises ``FileNotFoundError`` for a folder that does not exist and
    ``flowplex.InputError`` (a ``ValueError``) with the program's message for a faulty
    system; ``flowplex.check(folder)`` then lists every fault.
    """

    def __init__(self, folder: PathLike, parameters: str = "PARMSET.DAT", threads: Optional[int] = None):
        folder = os.fspath(folder)
        if not os.path.isdir(folder):
            raise FileNotFoundError(2, "the river system's folder does not exist", folder)
        self._system = _core.RiverSystem.open(folder, _text("parameters", parameters), _threads(threads))

    @classmethod
    def _wrapping(cls, system) -> "RiverSystem":
        river = cls.__new__(cls)
        river._system = system
        return river

    def __repr__(self) -> str:
        return (f"RiverSystem({str(self.folder)!r}, parameters={self.parameter_file!r}): {self.title}, "
                f"{len(self._system.gauges())} gauges, common period "
                f"{self._system.first_common_year} to {self._system.last_common_year}")

    @property
    def folder(self) -> str:
        """The folder the system was loaded from."""
        return str(self._system.folder)

    @property
    def parameter_file(self) -> str:
        """The parameter file's name, relative to the folder."""
        return self._system.parameter_file

    @property
    def title(self) -> str:
        """The parameter file's title line."""
        return self._system.title.strip()

    @property
    def common_period(self) -> Tuple[int, int]:
        """The first and last calendar year every gauge's record holds."""
        return self._system.first_common_year, self._system.last_common_year

    @property
    def gauges(self) -> pd.DataFrame:
        """The gauges of the parameter file, one row each, in its order: ``number``,
        ``name``, ``stem`` (of its series files), ``key_gauge`` (compared by the
        nearest-year search), ``first_year`` and ``last_year`` of its record."""
        rows = [[getattr(g, c) for c in _GAUGE_COLUMNS] for g in self._system.gauges()]
        return pd.DataFrame(rows, columns=_GAUGE_COLUMNS)

    def check(self, historic: str = "HIS") -> CheckReport:
        """Looks the system over as ``flowplex check`` does, with every gauge's historic
        file of type ``historic``, and returns every problem and warning found."""
        return _report(_core.check(self._system, _text("historic", historic)))

    def generate(self, years: int, option: Union[str, int] = "rigorous", realizations: Realizations = 41,
                 perturbation: PerturbationLike = None, threads: Optional[int] = None) -> xr.Dataset:
        """The realizations of ``flowplex run --years YEARS --option OPTION``.

        years: stochastic years per realization, 1 to 200.
        option: ``"rigorous"``, ``"bootstrap"`` or ``"forecast"``, or 0, 1 or 3.
        realizations: N for realizations 1 to N, ``range(A, B + 1)`` or ``(A, B)`` for
            A to B. Realization k is the same whatever the range that holds it.
        perturbation: the factors of a climate stress test, as a dict of ``mean``, ``cv``
            and optionally ``months`` (twelve factors, October first) acting on every
            gauge, as a DataFrame of the perturbation file's columns ``gauge, mean, cv,
            months``, or as the path of such a file.
        threads: realizations made side by side (default: every processor); the result
            does not depend on it.

        Returns the dataset that ``xarray.open_dataset`` reads from the command line's
        ``--netcdf`` file of the same run: ``flow(realization, time, station)`` with the
        gauges and months as coordinates, ``index_year(realization, year)``,
        ``start_state(realization, generator_state)`` and the run's attributes. The
        threads write straight into the arrays the dataset holds. Ctrl-C stops it.
        """
        years = _count("years", years, 1, _core.max_years)
        chosen = _option(option)
        first, last = _realizations(realizations)
        factors = _perturbation(perturbation)
        threads = _threads(threads)
        layout = _core.layout(self._system, chosen, years, first, last, factors)
        sizes = dict(layout["dimensions"])
        flow = np.empty((sizes["realization"], sizes["time"], sizes["station"]), dtype=np.float32)
        index_year = np.empty((sizes["realization"], sizes["year"]), dtype=np.int32)
        start_state = np.empty((sizes["realization"], sizes["generator_state"]), dtype=np.int32)
        _core.generate_into(self._system, chosen, years, first, last, threads, factors, flow, index_year, start_state)
        generated = {"flow": flow, "index_year": index_year, "start_state": start_state}
        return _dataset(layout, generated).load()

    def ensemble(self, years: int, option: Union[str, int] = "rigorous", realizations: Realizations = 41,
                 chunk: Optional[int] = None, perturbation: PerturbationLike = None) -> xr.Dataset:
        """The dataset of ``generate`` with the same arguments, lazily: ``flow``,
        ``index_year`` and ``start_state`` are Dask arrays in blocks of ``chunk``
        realizations along ``realization`` (default: at most 64 MiB of flows a block).

        Nothing is generated until the dataset is computed; each block is then made, by
        one task, on the worker that computes it (with a ``distributed.Client``, on the
        cluster), from the river system's folder, which every worker must see under the
        same path, as it must a perturbation file. Each worker process loads the river
        system once. Any reduction of it gives what the same reduction of ``generate``
        gives (see docs/python.md for sums of floats).
        """
        years = _count("years", years, 1, _core.max_years)
        chosen = _option(option)
        first, last = _realizations(realizations)
        source = _perturbation_source(perturbation)
        factors = _ensemble.factors(source)
        _core.check_generation(self._system, chosen, years, first, last, factors)
        layout = _core.layout(self._system, chosen, years, first, last, factors)
        sizes = dict(layout["dimensions"])
        if chunk is None:
            chunk = _ensemble.realizations_per_block(sizes["time"], sizes["station"])
        chunk = _count("chunk", chunk, 1, _core.max_realizations)
        generation = _ensemble.Generation(os.path.abspath(self.folder), self.parameter_file,
                                          dict(layout["input_attributes"])["input_digest"], chosen.name, years,
                                          _ensemble.anywhere(source))
        return _dataset(layout, _ensemble.lazy_arrays(generation, first, last, chunk, sizes))

    def risk(self, data: xr.Dataset, gauges: Union[int, Sequence[int]], historic: str = "HIS") -> xr.Dataset:
        """The risk analyses of ``flowplex run --analyses 1`` of the chosen gauges over
        every realization of ``data`` (from ``generate`` or ``ensemble`` of this river
        system, realizations 1 to N, N at least 41), against each gauge's historic file of
        type ``historic``.

        Returns the risk variables of the command line's ``--netcdf`` file of the same run
        (storages, droughts, the validation figures, ...), bit for bit, with the
        attributes of ``data``. On a lazy ensemble each block's figures are made on the
        worker that generates it and only the figures come back.
        """
        chosen, years = self._analysable(data)
        chosen_gauges = _gauges(gauges, len(self._system.gauges()))
        historic = _text("historic", historic)
        threads = _threads(None)
        flow = data["flow"]
        if isinstance(flow.data, da.Array):
            analysis = _risk.Analysis(os.path.abspath(self.folder), self.parameter_file, data.attrs["input_digest"],
                                      chosen.name, years, tuple(chosen_gauges), historic, flow.data.name)
            tested, figures = _risk.lazy_figures(analysis, flow.data)
            basis = _core.EnsembleAnalysis(self._system, tested, years, chosen_gauges, historic, threads)
        else:
            values = flow.values
            basis = _core.EnsembleAnalysis(self._system, values[:_risk.TESTED], years, chosen_gauges, historic, threads)
            per_block = _ensemble.realizations_per_block(values.shape[1], values.shape[2])
            figures = _risk.eager_figures(basis, values, years, per_block)
        described = basis.combine(figures)
        if described["not_tested"]:
            warnings.warn(f"gauges {described['not_tested']} have no risk analyses: their historic files hold "
                          "no year", stacklevel=2)
        return _risk.dataset(described, data["realization"].variable, dict(data.attrs))

    def _analysable(self, data) -> Tuple[object, int]:
        """The option and years of an ensemble of this river system holding realizations
        1 to N, N at least 41; TypeError or ValueError naming data otherwise."""
        if not isinstance(data, xr.Dataset) or "flow" not in data.variables:
            raise TypeError(f"data: {type(data).__name__} is not a dataset of RiverSystem.generate or .ensemble")
        option = data.attrs.get("generation_option")
        if option not in _OPTIONS or "input_digest" not in data.attrs or data.flow.dims != _FLOW_DIMENSIONS:
            raise ValueError("data: the dataset is not one of RiverSystem.generate or .ensemble")
        digest = _core.generation_digest(self._system, _OPTIONS[option])
        if data.attrs["input_digest"] != digest:
            raise ValueError(f"data: the ensemble is not of this river system ({self.folder}): its input digest is "
                             f"{data.attrs['input_digest']}, this system's {digest}")
        realizations = data["realization"].values
        if realizations.size < _risk.TESTED or not np.array_equal(realizations, np.arange(1, realizations.size + 1)):
            raise ValueError(f"data: the analyses take realizations 1 to N, N at least {_risk.TESTED}, without a gap; "
                             f"the dataset holds {_ranges(realizations)}")
        return _OPTIONS[option], int(data.attrs["NYS"])

    def stress(self, years: int, option: Union[str, int] = "rigorous", gauges=None, realizations: Realizations = 41,
               mean=None, cv=None, scenarios=None, yields=(30, 50, 70), reliabilities=(90, 95, 98), storage=None,
               projections=None, historic: Union[str, Sequence[str]] = "HIS", threads: Optional[int] = None,
               client=None) -> xr.Dataset:
        """The storage-yield-reliability surface of ``flowplex stress`` over a grid of
        perturbed climates or named scenarios, all from one generation.

        years, option (``"rigorous"`` or ``"bootstrap"``), realizations and threads: as
            for ``generate``; realizations ``(A, B)`` make a shard's figures alone.
        gauges: the chosen gauges (a number, a list, or ``"1,2"``): only they are
            perturbed and analysed.
        mean, cv: the grid's axes as ``(FROM, TO, STEP)`` or the text ``"FROM:TO:STEP"``;
            or ``scenarios``, a DataFrame of the columns ``scenario, gauge, mean, cv,
            months`` or the path of such a file.
        yields: % of the historical MAR among 5, 10, ..., 100; reliabilities: whole %
            from 1 to 99; storage: storages in % of MAR above 0 (a number or a list).
        projections: a DataFrame of ``label, mean, cv`` or the path of such a file.
        historic: the historic file type of every gauge, or one per gauge.
        client: a ``dask.distributed.Client``: blocks of realizations are made as shards
            on its workers and combined here, bit for bit the one-process surface.

        Returns the dataset ``xarray.open_dataset`` reads from the command line's
        ``--netcdf`` file of the same request. Ctrl-C stops it.
        """
        from .stress import stress
        return stress(self, years, option, gauges, realizations, mean, cv, scenarios, yields, reliabilities, storage,
                      projections, historic, threads, client)


def check(folder: PathLike, parameters: str = "PARMSET.DAT", historic: str = "HIS") -> CheckReport:
    """Looks over the river system in ``folder`` as ``flowplex check`` does, without
    loading it first: the way to see every fault of a system that ``RiverSystem`` refuses.
    Raises ``FileNotFoundError`` for a folder that does not exist."""
    folder = os.fspath(folder)
    if not os.path.isdir(folder):
        raise FileNotFoundError(2, "the river system's folder does not exist", folder)
    return _report(_core.check_folder(folder, _text("parameters", parameters), _text("historic", historic)))


def fit(records: Union[pd.DataFrame, PathLike], out: PathLike, *, scale: float = 1.0,
        keys: Union[str, Sequence[Union[int, str]], None] = None, title: Optional[str] = None,
        rainfall: Union[pd.DataFrame, PathLike, None] = None, orders: Optional[PathLike] = None,
        progress: bool = False) -> RiverSystem:
    """Fits a river system to monthly gauge records as ``flowplex fit`` does, writes its
    files into the folder ``out`` (new or empty; complete or not at all) and opens it.

    records: a DataFrame with the columns ``year, month`` and one per gauge, or the path
        of a CSV file in that layout (the records format of ``flowplex fit``).
    scale: every value is multiplied by it.
    keys: the key gauges, by number or stem (a list, or a text joined by commas); none
        for the program's default rule.
    title: the system's title; none to name it after the records.
    rainfall: monthly rainfall in the records' layout (DataFrame or path), if any.
    orders: the file of imposed ARMA orders (lines ``STEM P Q``); none to choose by AICc.
    progress: print the fit's progress lines.

    Records that cannot be fitted raise ``flowplex.InputError`` with the program's message.
    """
    if isinstance(scale, bool) or not isinstance(scale, Real) or not math.isfinite(scale) or scale <= 0:
        raise ValueError(f"scale: {scale!r} is not a number above 0")
    with tempfile.TemporaryDirectory(prefix="flowplex-fit-") as scratch:
        request = _core.FitRequest()
        request.records = _records_file(records, scratch, "records.csv", "records")
        request.out = os.fspath(out)
        request.scale = float(scale)
        request.keys = _keys(keys)
        request.title = "" if title is None else _text("title", title)
        if rainfall is not None:
            request.rainfall = _records_file(rainfall, scratch, "rainfall.csv", "rainfall")
        if orders is not None:
            request.orders = os.fspath(orders)
        made = not os.path.exists(request.out)
        try:
            system, lines = _core.fit(request)
        except KeyboardInterrupt:
            _undo_fit(request.out, made)
            raise
    if progress:
        print(lines, end="")
    return RiverSystem._wrapping(system)


def _undo_fit(out: str, made: bool) -> None:
    """The fit was stopped by Ctrl-C, which it only heeds once its folder is complete: the
    folder goes again, or, given empty, is left empty."""
    if not os.path.isdir(out):
        return
    if made:
        shutil.rmtree(out)
        return
    for entry in os.scandir(out):
        shutil.rmtree(entry.path) if entry.is_dir(follow_symlinks=False) else os.remove(entry.path)


# The arguments, checked as the command line checks its flags.

def _count(name: str, value, least: int, most: int) -> int:
    if isinstance(value, bool) or not isinstance(value, Integral):
        raise TypeError(f"{name}: {value!r} is not a whole number")
    if not least <= value <= most:
        raise ValueError(f"{name}: {value} is outside {least} to {most}")
    return int(value)


def _threads(threads) -> int:
    if threads is None:
        return max(1, len(os.sched_getaffinity(0)))
    return _count("threads", threads, 1, 1024)


def _gauges(gauges, count: int) -> list:
    chosen = [gauges] if isinstance(gauges, Integral) and not isinstance(gauges, bool) else gauges
    if isinstance(chosen, (str, bytes)) or not isinstance(chosen, Sequence):
        raise TypeError(f"gauges: {gauges!r} is not a gauge number or a list of them")
    if not 1 <= len(chosen) <= _MAX_CHOSEN:
        raise ValueError(f"gauges: {len(chosen)} gauges chosen, the analyses take 1 to {_MAX_CHOSEN}")
    return [_count("gauges", g, 1, count) for g in chosen]


def _ranges(realizations: np.ndarray) -> str:
    if realizations.size == 0:
        return "none"
    return f"{realizations.size} realizations, {int(realizations.min())} to {int(realizations.max())}"


def _text(name: str, value) -> str:
    if not isinstance(value, str):
        raise TypeError(f"{name}: {value!r} is not a text")
    return value


def _option(option):
    if isinstance(option, bool):
        raise TypeError(f"option: {option!r} is not one of rigorous, bootstrap, forecast (or 0, 1, 3)")
    if isinstance(option, Integral):
        if int(option) not in _OPTION_CODES:
            raise ValueError(f"option: {option} is not one of 0, 1, 3 (rigorous, bootstrap, forecast)")
        option = _OPTION_CODES[int(option)]
    if not isinstance(option, str):
        raise TypeError(f"option: {option!r} is not one of rigorous, bootstrap, forecast (or 0, 1, 3)")
    if option not in _OPTIONS:
        raise ValueError(f"option: {option!r} is not one of rigorous, bootstrap, forecast (or 0, 1, 3)")
    return _OPTIONS[option]


def _realizations(realizations) -> Tuple[int, int]:
    most = _core.max_realizations
    if isinstance(realizations, range):
        if realizations.step != 1:
            raise ValueError(f"realizations: {realizations!r} has a step of {realizations.step}, not 1")
        if len(realizations) == 0:
            raise ValueError(f"realizations: {realizations!r} is empty")
        realizations = (realizations.start, realizations.stop - 1)
    if isinstance(realizations, tuple):
        if len(realizations) != 2:
            raise ValueError(f"realizations: {realizations!r} is not a pair (first, last)")
        first = _count("realizations", realizations[0], 1, most)
        last = _count("realizations", realizations[1], 1, most)
        if last < first:
            raise ValueError(f"realizations: {first}-{last} is empty: the last comes before the first")
        return first, last
    return 1, _count("realizations", realizations, 1, most)


def _perturbation(perturbation):
    return _ensemble.factors(_perturbation_source(perturbation))


def _perturbation_source(perturbation) -> _ensemble.PerturbationSource:
    """The factors as they were given, in a form a worker process reads again."""
    if perturbation is None:
        return None
    if isinstance(perturbation, pd.DataFrame):
        return ("csv", _csv_text(perturbation.fillna("")), "DataFrame")
    if isinstance(perturbation, Mapping):
        return ("text", _factors_text(perturbation))
    if isinstance(perturbation, (str, os.PathLike)):
        return ("file", os.fspath(perturbation))
    raise TypeError(f"perturbation: {type(perturbation).__name__} is not a dict of mean, cv and months, "
                    "a DataFrame of gauge, mean, cv, months, or a perturbation file")


def _factors_text(factors: Mapping[str, object]) -> str:
    """The --perturb text of the factors, as the command line would be given it."""
    unknown = set(factors) - {"mean", "cv", "months"}
    if unknown:
        raise ValueError(f"perturbation: {', '.join(sorted(unknown))} is not one of mean, cv, months")
    parts = []
    for name in ("mean", "cv"):
        if name in factors:
            parts.append(f"{name}={_factor(name, factors[name])}")
    if factors.get("months") is not None:
        months = list(factors["months"])
        parts.append("months=" + ":".join(_factor("months", m) for m in months))
    return ",".join(parts)


def _factor(name: str, value) -> str:
    if isinstance(value, bool) or not isinstance(value, Real):
        raise TypeError(f"perturbation: {name} {value!r} is not a number")
    return str(int(value)) if isinstance(value, Integral) else repr(float(value))


def _csv_text(frame: pd.DataFrame) -> str:
    text = io.StringIO()
    frame.to_csv(text, index=False, lineterminator="\n", quoting=csv.QUOTE_MINIMAL)
    return text.getvalue()


def _records_file(records, scratch: str, name: str, argument: str) -> str:
    if isinstance(records, pd.DataFrame):
        path = os.path.join(scratch, name)
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write(_csv_text(records))
        return path
    if isinstance(records, (str, os.PathLike)):
        return os.fspath(records)
    raise TypeError(f"{argument}: {type(records).__name__} is not a DataFrame or a path")


def _keys(keys) -> str:
    if keys is None:
        return ""
    if isinstance(keys, str):
        return keys
    return ",".join(str(k) for k in keys)


def _report(report) -> CheckReport:
    def findings(found):
        return [Finding(f.file, f.line, f.message) for f in found]
    return CheckReport(report.ok, findings(report.problems), findings(report.warnings), report.text)


# The dataset, built as the NetCDF file holds it and decoded as xarray decodes the file.

def _dataset(layout: dict, generated: Mapping[str, np.ndarray]) -> xr.Dataset:
    variables = {}
    for v in layout["variables"]:
        attributes = dict(v["attributes"])
        if v["fill_value"] is not None:
            attributes["_FillValue"] = v["fill_value"]
        values = generated[v["name"]] if v["values"] is None else _coordinate(v["values"])
        variables[v["name"]] = xr.Variable(v["dimensions"], values, attributes)
    attributes = dict(layout["attributes"])
    attributes.update(dict(layout["input_attributes"]))
    encoded = xr.Dataset(variables, attrs=attributes)
    return xr.decode_cf(encoded)


def _coordinate(values) -> np.ndarray:
    if isinstance(values, np.ndarray):
        return values
    return np.array(values, dtype=object)
