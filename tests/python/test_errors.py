"""Every wrong argument and faulty system, named as the command line names its limits."""
import os

import pytest

import flowplex


@pytest.fixture
def system(examples):
    return flowplex.RiverSystem(examples)


@pytest.mark.parametrize("arguments, error, words", [
    (dict(years=True), TypeError, "years: True is not a whole number"),
    (dict(years=2.0), TypeError, "years: 2.0 is not a whole number"),
    (dict(years=0), ValueError, "years: 0 is outside 1 to 200"),
    (dict(years=201), ValueError, "years: 201 is outside 1 to 200"),
    (dict(years=2, option="stochastic"), ValueError, "option: 'stochastic' is not one of rigorous, bootstrap"),
    (dict(years=2, option=2), ValueError, "option: 2 is not one of 0, 1, 3"),
    (dict(years=2, option=None), TypeError, "option: None"),
    (dict(years=2, realizations=False), TypeError, "realizations: False is not a whole number"),
    (dict(years=2, realizations=41.0), TypeError, "realizations: 41.0 is not a whole number"),
    (dict(years=2, realizations=0), ValueError, "realizations: 0 is outside 1 to 1000000"),
    (dict(years=2, realizations=range(1, 40, 2)), ValueError, "has a step of 2, not 1"),
    (dict(years=2, realizations=range(5, 5)), ValueError, "realizations: range(5, 5) is empty"),
    (dict(years=2, realizations=(9, 3)), ValueError, "realizations: 9-3 is empty"),
    (dict(years=2, realizations=(1, 2, 3)), ValueError, "is not a pair"),
    (dict(years=2, threads=0), ValueError, "threads: 0 is outside 1"),
    (dict(years=2, perturbation={"mean": 0.8, "sd": 2}), ValueError, "sd is not one of mean, cv, months"),
    (dict(years=2, perturbation={"mean": "high"}), TypeError, "mean 'high' is not a number"),
    (dict(years=2, perturbation={"mean": -1}), ValueError, "mean"),
    (dict(years=2, option="forecast", perturbation={"mean": 0.9}), ValueError, "forecast"),
    (dict(years=2, perturbation=[0.8, 1.2]), TypeError, "perturbation: list"),
])
def test_a_wrong_argument_names_itself_and_the_limit(system, arguments, error, words):
    with pytest.raises(error) as raised:
        system.generate(**arguments)
    assert words.lower() in str(raised.value).lower()


def test_a_missing_folder_is_not_found_and_a_missing_parameter_file_is_a_fault(tmp_path):
    with pytest.raises(FileNotFoundError):
        flowplex.RiverSystem(tmp_path / "nowhere")
    with pytest.raises(flowplex.InputError, match="CANNOT OPEN PARAMETER FILE NOSUCH.DAT"):
        flowplex.RiverSystem(tmp_path, parameters="NOSUCH.DAT")


def test_a_faulty_system_raises_the_programs_message_with_file_and_line(examples, flowplex_cli):
    series = examples / "BERG01.INC"
    lines = series.read_text().splitlines(keepends=True)
    lines[3] = "1934 garbage that is no flow\n"
    series.write_text("".join(lines))
    with pytest.raises(flowplex.InputError) as raised:
        flowplex.RiverSystem(examples)
    assert isinstance(raised.value, ValueError)
    assert "ERROR IN FILE BERG01.INC LINE 4" in str(raised.value)
    cli = flowplex_cli(examples, "check", status=1)
    assert str(raised.value).splitlines()[0].strip() in cli.stdout
    report = flowplex.check(examples)
    assert report.text == cli.stdout
    assert len(report.problems) == 1 and "BERG01.INC LINE 4" in report.problems[0].message


def test_a_check_lists_every_problem_with_its_file_and_line(examples, flowplex_cli):
    os.remove(examples / "KLIP02.RNK")
    report = flowplex.RiverSystem(examples).check(historic="XYZ")
    cli = flowplex_cli(examples, "check", "--historic", "XYZ", status=1)
    assert not report.ok and not report
    assert report.text == cli.stdout
    assert any(f.file == "KLIP01.XYZ" for f in report.problems + report.warnings)
