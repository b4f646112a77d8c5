"""Lazy ensembles: the realizations of a run as Dask arrays whose blocks are generated on
the worker that computes them, from the river system's folder, so that an ensemble far
larger than memory is reduced without being written anywhere.

A block's task carries only what names the river system (its folder, parameter file and
input digest) and the generation's arguments. Each process loads a river system once and
keeps it for every block it is given after.
"""
from __future__ import annotations

import operator
import os
import threading
from dataclasses import dataclass
from typing import Dict, Optional, Tuple

import dask.array as da
import numpy as np
from dask.base import tokenize
from dask.highlevelgraph import HighLevelGraph

from . import _core

# The flows a block holds by default: small enough that a worker keeps a few at once.
DEFAULT_BLOCK_BYTES = 64 * 2**20

# How the factors of a perturbation were given, so that a worker reads them as the client
# did: ("text", "mean=0.8,cv=1.2"), ("csv", text, name) or ("file", path).
PerturbationSource = Optional[Tuple[str, ...]]


@dataclass(frozen=True)
class Generation:
    """A generation as a task carries it: the river system by name, never loaded."""

    folder: str
    parameters: str
    input_digest: str
    option: str
    years: int
    perturbation: PerturbationSource


def anywhere(source: PerturbationSource) -> PerturbationSource:
    """The same source, a file named by its absolute path for processes in other folders."""
    if source is not None and source[0] == "file":
        return ("file", os.path.abspath(source[1]))
    return source


def factors(source: PerturbationSource):
    """The library's perturbation of the factors as they were given."""
    if source is None:
        return None
    kind, *given = source
    read = {"text": _core.Perturbation.from_text, "csv": _core.Perturbation.from_csv,
            "file": _core.Perturbation.read_file}[kind]
    return read(*given)


# The river systems this process has loaded, by folder, parameter file and input digest.
_systems: Dict[Tuple[str, str, str], object] = {}
_loading = threading.Lock()


def river_system(folder: str, parameters: str, input_digest: str, option: str):
    """The river system of the folder, loaded once by this process. Input files that are
    no longer those the ensemble was described from would give other flows: they raise
    flowplex.InputError instead."""
    key = (folder, parameters, input_digest)
    with _loading:
        system = _systems.get(key)
        if system is None:
            system = _core.RiverSystem.open(folder, parameters, 1)
            found = _core.generation_digest(system, _core.Option.__members__[option])
            if found != input_digest:
                raise _core.InputError(f"the river system in {folder} is not the one the ensemble was described "
                                       f"from: its input files' digest is {found}, the ensemble's {input_digest}")
            _systems[key] = system
    return system


def make_block(generation: Generation, first: int, last: int) -> Dict[str, np.ndarray]:
    """Realizations first to last, on one thread: the cluster's workers make the blocks
    side by side."""
    system = river_system(generation.folder, generation.parameters, generation.input_digest, generation.option)
    count, months, stations = last - first + 1, 12 * generation.years, len(system.gauges())
    made = {"flow": np.empty((count, months, stations), dtype=np.float32),
            "index_year": np.empty((count, generation.years), dtype=np.int32),
            "start_state": np.empty((count, 3), dtype=np.int32)}
    _core.generate_into(system, _core.Option.__members__[generation.option], generation.years, first, last, 1,
                        factors(generation.perturbation), made["flow"], made["index_year"], made["start_state"])
    return made


def realizations_per_block(months: int, stations: int) -> int:
    return max(1, DEFAULT_BLOCK_BYTES // (4 * months * stations))


def blocks_of(first: int, last: int, chunk: int):
    return [(a, min(a + chunk - 1, last)) for a in range(first, last + 1, chunk)]


# The generated variables: their dtypes and dimensions beyond the realization.
_GENERATED = {"flow": (np.float32, ("time", "station")), "index_year": (np.int32, ("year",)),
              "start_state": (np.int32, ("generator_state",))}


def lazy_arrays(generation: Generation, first: int, last: int, chunk: int,
                sizes: Dict[str, int]) -> Dict[str, da.Array]:
    """flow, index_year and start_state as Dask arrays, each block of realizations taken
    from one task that makes all three, so that no block is made twice."""
    blocks = blocks_of(first, last, chunk)
    token = tokenize(generation, first, last, chunk)
    made = f"flowplex-generate-{token}"
    making = {(made, i): (make_block, generation, a, b) for i, (a, b) in enumerate(blocks)}
    counts = tuple(b - a + 1 for a, b in blocks)
    arrays = {}
    for name, (dtype, dimensions) in _GENERATED.items():
        layer = f"flowplex-{name}-{token}"
        corner = (0,) * len(dimensions)
        taking = {(layer, i, *corner): (operator.getitem, (made, i), name) for i in range(len(blocks))}
        graph = HighLevelGraph({made: making, layer: taking}, {made: set(), layer: {made}})
        chunks = (counts, *((sizes[d],) for d in dimensions))
        arrays[name] = da.Array(graph, layer, chunks, dtype=dtype)
    return arrays
