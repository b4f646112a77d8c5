"""The risk analyses of an ensemble, block by block: each block of realizations leaves its
figures as bytes, which the client combines into the tables of the whole ensemble, bit
for bit those of one command-line run. On a lazy ensemble the blocks' figures are made on
the workers that generate the blocks, so that the flows never travel to the client.
"""
from __future__ import annotations

import threading
from collections import OrderedDict
from dataclasses import dataclass
from typing import List, Sequence, Tuple

import dask
import dask.array as da
import numpy as np
import xarray as xr

from . import _core
from ._layout import described_variable
from .ensemble import blocks_of, river_system

# The realizations of the statistics test, on whose storages the risk analyses build.
TESTED = 41


@dataclass(frozen=True)
class Analysis:
    """An analysis as a task carries it: the river system by name, the request, and the
    token of the ensemble's realizations 1 to 41 it is built on."""

    folder: str
    parameters: str
    input_digest: str
    option: str
    years: int
    gauges: Tuple[int, ...]
    historic: str
    basis: str


# The analyses this process has built, the latest few: one per ensemble analysed.
_KEPT = 4
_analyses: "OrderedDict[Analysis, object]" = OrderedDict()
_building = threading.Lock()


def _analysis_of(analysis: Analysis, tested_blocks: Sequence[np.ndarray]):
    with _building:
        built = _analyses.get(analysis)
        if built is None:
            system = river_system(analysis.folder, analysis.parameters, analysis.input_digest, analysis.option)
            built = _core.EnsembleAnalysis(system, _tested(tested_blocks), analysis.years, list(analysis.gauges),
                                           analysis.historic, 1)
            _analyses[analysis] = built
            if len(_analyses) > _KEPT:
                _analyses.popitem(last=False)
        _analyses.move_to_end(analysis)
    return built


def _tested(blocks: Sequence[np.ndarray]) -> np.ndarray:
    return np.ascontiguousarray(np.concatenate(blocks)[:TESTED], dtype=np.float32)


def block_figures(analysis: Analysis, tested_blocks: Sequence[np.ndarray], block: np.ndarray, first: int):
    """The figures of one block of realizations, on the worker that holds it."""
    figures = _analysis_of(analysis, tested_blocks).figures
    return figures(np.ascontiguousarray(block, dtype=np.float32), first, analysis.years)


def lazy_figures(analysis: Analysis, flow: da.Array) -> Tuple[np.ndarray, List[tuple]]:
    """Realizations 1 to 41 and every block's figures, made in one computation so that no
    block is generated twice."""
    flow = flow.rechunk({1: -1, 2: -1})
    blocks = flow.to_delayed().ravel()
    firsts = 1 + np.cumsum((0,) + flow.chunks[0][:-1])
    tested = [block for block, first in zip(blocks, firsts) if first <= TESTED]
    figures = [dask.delayed(block_figures, pure=True)(analysis, tested, block, int(first))
               for block, first in zip(blocks, firsts)]
    made, *figured = dask.compute(tested, *figures)
    return _tested(made), figured


def eager_figures(basis, flow: np.ndarray, years: int, chunk: int) -> List[tuple]:
    """Every block's figures of flows in memory; Ctrl-C is heeded between blocks."""
    return [basis.figures(np.ascontiguousarray(flow[a - 1:b]), a, years)
            for a, b in blocks_of(1, flow.shape[0], chunk)]


def dataset(described: dict, realization: xr.Variable, attributes: dict) -> xr.Dataset:
    """The risk variables as the command line's NetCDF file holds them, decoded as xarray
    decodes the file."""
    sizes = dict(described["dimensions"])
    variables = {"realization": realization} if described["variables"] else {}
    for v in described["variables"]:
        variables[v["name"]] = described_variable(v, sizes)
    encoded = xr.Dataset(variables, attrs={**attributes, **dict(described["attributes"])})
    return xr.decode_cf(encoded)
