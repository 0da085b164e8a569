"""korven.study: the cases it makes from keys, its runs on threads, and
what it does with cases that fail."""

import re
import time

import pytest

import korven
from conftest import EXAMPLES, phi_cases, same_results
from korven.study import cases_of

SAND = EXAMPLES / "cantilever-sand.toml"


def test_keys_address_tables_and_elements_as_the_messages_name_them():
    base = korven.load(EXAMPLES / "staged-excavation.toml")
    before = korven.load(EXAMPLES / "staged-excavation.toml")
    changed = korven.with_values(base, {"stage[2].wall.excavation_depth": 200.0,
                                        "stage[1].soil.layer[1].phi": 30,
                                        "stage[2].surcharge.new_table.value": 1})
    assert base == before, "the base project is left as it is"
    assert changed["stage"][1]["wall"]["excavation_depth"] == 200.0
    assert changed["stage"][0]["soil"]["layer"][0]["phi"] == 30
    assert changed["stage"][1]["surcharge"] == {"new_table": {"value": 1}}
    for key, why in [("stage[3].wall.height", "has 2 elements"),
                     ("stage[0].title", "numbered from 1"),
                     ("stage.title", "not a table"),
                     ("units[1]", "not an array"),
                     ("stage[1].tieback[1].depth", "has no stage[1].tieback"),
                     ("soil..phi", "not a key")]:
        with pytest.raises(KeyError, match=re.escape(why)):
            korven.with_values(base, {key: 1})


def test_cases_are_a_grid_list_or_both():
    assert cases_of() == [{}]
    assert cases_of({"a": [1, 2], "b": (3, 4)}) == [
        {"a": 1, "b": 3}, {"a": 1, "b": 4}, {"a": 2, "b": 3}, {"a": 2, "b": 4}]
    assert cases_of(cases=[{"a": 1, "c": 0}, {"a": 2, "c": 0}], vary={"b": range(2)}) == [
        {"a": 1, "c": 0, "b": 0}, {"a": 1, "c": 0, "b": 1},
        {"a": 2, "c": 0, "b": 0}, {"a": 2, "c": 0, "b": 1}]
    with pytest.raises(TypeError):
        cases_of({"title": "not a list"})
    with pytest.raises(ValueError):
        cases_of({"a": [1]}, cases=[{"a": 2}])


def test_a_thousand_variations_on_two_threads(capsys):
    base = korven.load(SAND)
    cases = phi_cases(1000)
    timings = {}
    runs = {}
    for threads in (1, 2):
        start = time.perf_counter()
        runs[threads] = korven.study(base, cases=cases, threads=threads)
        timings[threads] = time.perf_counter() - start
    with capsys.disabled():
        one, two = (len(cases) / timings[n] for n in (1, 2))
        print(f"\n1,000 variations: 1 thread {one:.0f}/s, 2 threads {two:.0f}/s, "
              f"{two / one:.2f} times the throughput")
    assert [r.case for r in runs[2]] == cases
    assert all(same_results(a, b) for a, b in zip(runs[1], runs[2]))
    # Each equals an analysis of its own, one after the other.
    for i in (0, 499, 999):
        assert same_results(runs[2][i], korven.analyse(korven.with_values(base, cases[i])))
    deflections = [r.final.summary["deflection"]["top"]["value"] for r in runs[2]]
    assert deflections[0] > deflections[-1], "a stronger sand holds the wall back more"


def test_failing_cases_raise_or_take_their_place():
    cases = [{"soil.layer[1].phi": 30.0}, {"soil.layer[1].phi": -5.0},
             {"soil.layer[1].phi": 34.0}]
    with pytest.raises(korven.InputError) as caught:
        korven.study(SAND, cases=cases, threads=2)
    assert caught.value.case == cases[1]
    assert caught.value.key == "soil.layer[1].phi"
    assert caught.value.file == "cantilever-sand.toml"
    assert any("soil.layer[1].phi" in note for note in caught.value.__notes__)

    results = korven.study(SAND, cases=cases, threads=2, errors="return", report=True)
    assert isinstance(results[1], korven.InputError) and results[1].case == cases[1]
    assert results[0].converged and results[2].converged and results[2].report


def test_the_worked_example_draws_its_plot(tmp_path, monkeypatch, capsys):
    pytest.importorskip("matplotlib")
    import runpy
    out = tmp_path / "study.png"
    monkeypatch.setattr("sys.argv", ["study_embedment.py", "--out", str(out)])
    runpy.run_path(str(EXAMPLES / "study_embedment.py"), run_name="__main__")
    assert out.read_bytes().startswith(b"\x89PNG")
    lines = capsys.readouterr().out.splitlines()
    assert lines[0].startswith("231 analyses") and len(lines) == 13
