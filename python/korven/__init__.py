"""KORVEN for Python: analyses of flexible retaining walls as function calls,
and parameter studies on every core of a machine or on a Dask cluster.

    import korven
    result = korven.analyse("wall.toml")
    wall = result.final
    print(wall.deflection[0], wall.moment.max(), wall.summary["moment"]["max"])

    results = korven.study("wall.toml", vary={"soil.layer[1].phi": [28, 30, 32]})

See analyse and study for the details.
"""

from .analysis import (STATUS_DATA_STOP, STATUS_HARD_STOP, STATUS_INPUT_ERROR, STATUS_NORMAL,
                       analyse, load, to_toml)
from .errors import AnalysisError, Diagnostic, Error, InputError
from .results import Iteration, Problem, PyCurve, Restraint, Result, TieBack
from .study import set_value, study, with_values
from ._korven import version as __version__

__all__ = [
    "analyse", "study", "load", "to_toml", "set_value", "with_values",
    "Result", "Problem", "TieBack", "Restraint", "PyCurve", "Iteration",
    "Error", "InputError", "AnalysisError", "Diagnostic",
    "STATUS_NORMAL", "STATUS_INPUT_ERROR", "STATUS_DATA_STOP", "STATUS_HARD_STOP",
]
