"""korven.analyse against the command line: the same numbers, the same
summary, the same report and the same messages."""

import csv
import datetime
import json
import pickle
import subprocess

import numpy as np
import pytest

import korven
from conftest import EXAMPLES, PROJECTS, file_text, same_results


def read_csv(path):
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    return rows[0], rows[1:]


def column(rows, index, kind=float):
    return np.array([kind(r[index]) for r in rows])


@pytest.mark.parametrize("project", PROJECTS, ids=lambda p: p.stem)
def test_every_example_equals_the_command_lines_exports(project, copy_example, cli, tmp_path):
    toml = copy_example(project.name)
    subprocess.run([cli, "run", "-q", str(toml), "--csv", str(tmp_path / "csv"),
                    "--json", str(tmp_path / "summary.json")], check=True)
    time = datetime.datetime(2024, 5, 6, 7, 8, 9)
    result = korven.analyse(toml, report=True, time=time)
    from_dict = korven.analyse(korven.load(toml), name=toml.name)
    assert result.status == korven.STATUS_NORMAL and result.converged
    assert same_results(result, from_dict), "a project given as a dict must run as its file"

    tables = sorted((tmp_path / "csv").glob("*-stations.csv"))
    assert len(tables) == len(result.problems) > 0
    for problem in result.problems:
        base = tmp_path / "csv" / f"{project.stem}-p{problem.number}-"
        _, rows = read_csv(f"{base}stations.csv")
        assert np.array_equal(problem.station, column(rows, 0, int))
        for i, name in enumerate(("depth", "deflection", "slope", "moment", "shear",
                                  "soil_reaction", "net_force", "ei"), start=1):
            assert np.array_equal(getattr(problem, name), column(rows, i)), name
        _, rows = read_csv(f"{base}earth-pressure.csv")
        assert np.array_equal(problem.earth_pressure_depth, column(rows, 0))
        assert np.array_equal(problem.earth_pressure, column(rows, 1))
        _, rows = read_csv(f"{base}py-curves.csv")
        points = [(n, c.station, c.depth, y, p) for n, c in enumerate(problem.py_curves, start=1)
                  for y, p in zip(c.y, c.p)]
        assert points == [(int(r[0]), int(r[1]), float(r[2]), float(r[3]), float(r[4])) for r in rows]

    assert result.summary == json.loads((tmp_path / "summary.json").read_text())
    assert [p.summary for p in result.problems] == result.summary["problems"]
    # The report is the command line's but for the time of the run.
    cli_report = file_text(toml.with_suffix(".out")).splitlines()
    ours = result.report.splitlines()
    assert len(ours) == len(cli_report)
    differing = [i for i, (a, b) in enumerate(zip(ours, cli_report)) if a != b]
    assert all("Date:" in ours[i] for i in differing)
    assert "May 06, 2024" in result.report and "07:08:09" in result.report
    assert from_dict.report is None  # only on request


def test_a_result_pickles_whole():
    result = korven.analyse(EXAMPLES / "staged-excavation.toml")
    assert len(result.problems) == 2 and result.final.tie_backs
    back = pickle.loads(pickle.dumps(result))
    assert same_results(result, back) and back.final.tie_backs == result.final.tie_backs


def test_input_errors_carry_file_line_and_key(cli, copy_example):
    text = (EXAMPLES / "cantilever-sand.toml").read_text()
    bad = text.replace("phi = 32.0", 'phi = "32 kPa"').replace("width = 12.0", "widht = 12.0")
    path = copy_example("cantilever-sand.toml")
    path.write_text(bad)
    shown = subprocess.run([cli, "run", "-q", str(path)], capture_output=True, text=True)
    assert shown.returncode == 2

    with pytest.raises(korven.InputError) as caught:
        korven.analyse(path)
    e = caught.value
    assert isinstance(e, ValueError)
    assert str(e).splitlines() == shown.stderr.splitlines()
    assert (e.file, e.line, e.key) == ("cantilever-sand.toml", 8, "wall.widht")
    keys = {d.key: d for d in e.errors}
    assert set(keys) == {"wall.widht", "wall.width", "soil.layer[1].phi"}
    assert keys["soil.layer[1].phi"].line == bad.splitlines().index('phi = "32 kPa"') + 1

    # The same project as text, and as a dict: the same messages; a dict has
    # no lines to point at.
    with pytest.raises(korven.InputError) as as_text:
        korven.analyse(bad, name="cantilever-sand.toml")
    assert str(as_text.value) == str(e)
    project = korven.load(bad)
    with pytest.raises(korven.InputError) as as_dict:
        korven.analyse(project, name="wall.toml")
    assert {(d.key, d.message, d.line, d.file) for d in as_dict.value.errors} == \
        {(d.key, d.message, None, "wall.toml") for d in e.errors}

    again = pickle.loads(pickle.dumps(e))
    assert (type(again), again.errors, again.key, str(again)) == (type(e), e.errors, e.key, str(e))

    with pytest.raises(korven.InputError) as syntax:
        korven.analyse("units = 'si'\ntitle = [\n")
    assert syntax.value.line == 2 and syntax.value.file == "project.toml"


@pytest.mark.parametrize("change, status, error", [
    # A control record that does not read: an input error with its line.
    (lambda t: "BAD CONTROL\n1 0 0 0 0 X 0 0 1 0 0 0\n", korven.STATUS_INPUT_ERROR, korven.InputError),
    # More increments than the station tables hold: a data check ends the run.
    (lambda t: "BIG\n1 0 0 0 0 0 0 0 1 0 0 0\n408 6.0 10.0 1.0E-5 120.0 12.0 240.0 100 0 0\n1\n",
     korven.STATUS_DATA_STOP, korven.InputError),
    # Soil that ends above the excavation: the earth-pressure phase stops.
    (lambda t: t.replace("4 480.0\n", "4 120.0\n"), korven.STATUS_HARD_STOP, korven.AnalysisError),
])
def test_runs_that_end_early_raise_with_what_they_reached(change, status, error, tmp_path, cli):
    path = tmp_path / "wall.dat"
    path.write_text(change((EXAMPLES / "cantilever-sand.dat").read_text()))
    shown = subprocess.run([cli, "run", "-q", str(path)], capture_output=True, text=True)
    with pytest.raises(error) as caught:
        korven.analyse(path, report=True)
    e = caught.value
    assert e.status == status and e.result.status == status
    assert f"korven: {e.message}" in shown.stderr.splitlines()
    assert "END OF ANALYSIS" in e.result.report


def test_a_problem_that_does_not_converge_is_a_result():
    project = korven.load(EXAMPLES / "cantilever-sand.toml")
    project["solution"]["max_iterations"] = 2
    result = korven.analyse(project)
    assert result.status == korven.STATUS_NORMAL and not result.converged
    assert result.final.iterations == 2 and len(result.final.deflection) == 0
    assert result.final.summary["deflection"] is None
    assert any("converge" in w.lower() for w in result.warnings)


def test_dict_values_that_have_no_toml_form_name_their_key():
    project = korven.load(EXAMPLES / "cantilever-sand.toml")
    project["soil"]["layer"][0]["phi"] = object()
    with pytest.raises(TypeError, match=r"^soil\.layer\[1\]\.phi: "):
        korven.analyse(project)
    project["soil"]["layer"][0]["phi"] = np.float32(32.0)  # numpy numbers are numbers
    project["wall"]["increments"] = np.int64(60)
    project["wall"]["spare_1"] = None  # left out: the default applies
    assert korven.analyse(project).converged
    project["wall"]["again"] = project  # a table that holds itself
    with pytest.raises(ValueError, match="nested more than"):
        korven.analyse(project)
    with pytest.raises(TypeError):
        korven.analyse(42)
    with pytest.raises(FileNotFoundError):
        korven.analyse("no-such-wall.toml")
    with pytest.raises(ValueError, match="not a regular file"):
        korven.analyse("/dev/zero")  # would never end
    with pytest.raises(ValueError, match="not a regular file"):
        korven.load(EXAMPLES)


def test_bytes_that_are_not_utf8_read_as_latin1(tmp_path):
    # An input data file from a Windows front end: its title in code page 1252.
    data = (EXAMPLES / "cantilever-sand.dat").read_bytes()
    title = data.split(b"\n", 1)[0]
    path = tmp_path / "wall.dat"
    path.write_bytes(b"MUR DE SOUT\xc8NEMENT" + data[len(title):])
    result = korven.analyse(path, report=True)
    assert result.final.title == "MUR DE SOUTÈNEMENT"
    assert "MUR DE SOUTÈNEMENT" in result.report
    assert "Puí" in korven.analyse(EXAMPLES / "silt-cantilever-si.toml", report=True).report


def test_the_input_checks_warnings_come_with_the_result(copy_example):
    path = copy_example("cantilever-sand.toml")
    path.write_text(path.read_text().replace("phi = 32.0", "phi = 52.0"))
    from_file = korven.analyse(path)
    from_dict = korven.analyse(korven.load(path), name=path.name)
    for result in (from_file, from_dict):
        [warning] = result.input_warnings
        assert warning.warning and warning.key == "soil.layer[1].phi"
        assert result.warnings[0] == warning.text
    assert from_file.input_warnings[0].line == 26 and from_dict.input_warnings[0].line is None
