"""What the Python tests share: the examples, the command-line program and
the module built beside it (the build puts it on PYTHONPATH)."""

import codecs
import os
import shutil
from pathlib import Path

import pytest

EXAMPLES = Path(os.environ.get("KORVEN_EXAMPLES", Path(__file__).resolve().parents[2] / "examples"))
PROJECTS = sorted(EXAMPLES.glob("*.toml"))


# Text as the module gives it: UTF-8, and a byte that is no UTF-8 as Latin-1.
codecs.register_error("latin-1-fallback",
                      lambda e: (e.object[e.start:e.end].decode("latin-1"), e.end))


def file_text(path):
    return Path(path).read_bytes().decode("utf-8", "latin-1-fallback")


@pytest.fixture
def cli():
    program = os.environ.get("KORVEN_CLI")
    if not program or not os.access(program, os.X_OK):
        pytest.skip("the korven program is not named in KORVEN_CLI")
    return program


@pytest.fixture
def copy_example(tmp_path):
    """A copy of an example in a folder of its own (runs write beside it)."""
    def copy(name):
        target = tmp_path / name
        shutil.copy(EXAMPLES / name, target)
        return target
    return copy


def phi_cases(count):
    """`count` variations of the friction angle of the cantilever in sand."""
    return [{"soil.layer[1].phi": 28.0 + 8.0 * i / count} for i in range(count)]


STATION_FIELDS = ("station", "depth", "deflection", "slope", "moment", "shear",
                  "soil_reaction", "net_force", "ei")


def same_results(a, b):
    """Whether two results hold the same numbers, to the last bit."""
    import numpy as np
    if len(a.problems) != len(b.problems) or a.summary != b.summary:
        return False
    for p, q in zip(a.problems, b.problems):
        if not all(np.array_equal(getattr(p, f), getattr(q, f)) for f in STATION_FIELDS):
            return False
        if not (np.array_equal(p.earth_pressure, q.earth_pressure) and p.tie_backs == q.tie_backs
                and p.restraints == q.restraints and len(p.py_curves) == len(q.py_curves)):
            return False
        if not all(np.array_equal(c.p, d.p) and np.array_equal(c.y, d.y)
                   for c, d in zip(p.py_curves, q.py_curves)):
            return False
    return True
