"""examples/ensemble.ipynb runs from its first cell to its last, as a reader would run it,
with a lazy ensemble small enough for the tests."""
import os

import nbformat
import pytest
from nbclient import NotebookClient

import flowplex


def test_the_notebook_runs_and_draws_its_plots(examples, tmp_path):
    notebook = nbformat.read(examples / "ensemble.ipynb", as_version=4)
    client = NotebookClient(notebook, timeout=600, kernel_name="python3",
                            resources={"metadata": {"path": str(examples)}})
    with pytest.MonkeyPatch.context() as patch:
        patch.setenv("FLOWPLEX_NOTEBOOK_REALIZATIONS", "300")
        client.execute()  # an error in any cell raises CellExecutionError
    # Kept beside the test's scratch files for whoever wants to look at the plots.
    nbformat.write(notebook, tmp_path / "ensemble.executed.ipynb")
    outputs = [output for cell in notebook.cells if cell.cell_type == "code" for output in cell.outputs]
    plots = [output for output in outputs if "image/png" in output.get("data", {})]
    printed = "".join(output.get("text", "") for output in outputs if output.output_type == "stream")
    assert len(plots) == 4, printed
    assert "check passed" in printed
    # The lazy ensemble's mean is that of the same realizations generated at once.
    eager = flowplex.RiverSystem(examples).generate(50, realizations=300).flow.isel(station=0)
    mean = float(eager.astype("float64").mean("realization").mean())
    assert f"over 300 realizations: {mean:.3f}" in printed
