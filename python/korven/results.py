"""The results of an analysis as plain Python values and numpy arrays.

Every object here pickles, so results cross into other processes (a pool
of processes, the workers of a Dask cluster). Values are in the units the
report prints: English, depth in ft, deflection in in, moment in lbs-in,
shear and forces in lbs, soil reaction in lbs/in; SI, depth in m,
deflection in m, moment in kN-m, shear and forces in kN, soil reaction in
kN/m (Problem.units names them).
"""

from __future__ import annotations

from dataclasses import dataclass, field

import numpy as np

from .errors import Diagnostic


@dataclass(frozen=True)
class TieBack:
    """A tie-back's forces on the wall; negative pulls the wall back (tension)."""

    number: int
    station: int
    depth: float
    horizontal_force: float  # per station (per analysed width of wall)
    axial_force: float  # per station
    force_per_tie_back: float


@dataclass(frozen=True)
class Restraint:
    """A lateral and rotational restraint's reaction at one station."""

    station: int
    depth: float
    force: float
    moment: float


@dataclass(frozen=True, eq=False)
class PyCurve:
    """A p-y curve as the solver uses it: deflection y against resistance p."""

    station: int
    depth: float
    y: np.ndarray
    p: np.ndarray


@dataclass(frozen=True)
class Iteration:
    """One pass of the nonlinear loop."""

    iteration: int
    not_closed: int  # stations whose deflection has not closed
    max_change: float  # largest change of deflection


_STATION_COLUMNS = ("station", "depth", "deflection", "slope", "moment", "shear",
                    "soil_reaction", "net_force", "ei")


@dataclass(eq=False)
class Problem:
    """One analysed problem: a single analysis, a construction stage or a
    long-term pass.

    The station arrays (station, depth, deflection, slope, moment, shear,
    soil_reaction, net_force, ei) hold stations 0 to N from the top down;
    they are empty when the problem did not converge. Signs: deflection,
    shear and soil reaction are positive towards the excavation; positive
    moment puts the retained-side face in tension.
    """

    number: int
    title: str
    si: bool
    converged: bool
    iterations: int
    excavation_depth: float
    station: np.ndarray
    depth: np.ndarray
    deflection: np.ndarray
    slope: np.ndarray
    moment: np.ndarray
    shear: np.ndarray
    soil_reaction: np.ndarray
    net_force: np.ndarray  # all forces acting at the station
    ei: np.ndarray
    tie_backs: list[TieBack]
    restraints: list[Restraint]
    earth_pressure_depth: np.ndarray  # the earth-pressure table: depth ...
    earth_pressure: np.ndarray  # ... and net pressure per unit length of wall
    py_curves: list[PyCurve]
    iteration_history: list[Iteration]
    summary: dict  # extremes with their depths, as the command line's JSON summary

    @property
    def units(self) -> dict:
        """The unit of each quantity (deflection, moment, ...) by name."""
        return self.summary["units"]

    @classmethod
    def from_raw(cls, raw: dict, summary: dict) -> "Problem":
        values = dict(raw)
        values["tie_backs"] = [TieBack(**t) for t in raw["tie_backs"]]
        values["restraints"] = [Restraint(**r) for r in raw["restraints"]]
        values["py_curves"] = [PyCurve(**c) for c in raw["py_curves"]]
        values["iteration_history"] = [Iteration(**i) for i in raw["iteration_history"]]
        return cls(summary=summary, **values)

    def __repr__(self):
        state = "converged" if self.converged else "not converged"
        return (f"<korven.Problem {self.number} {self.title!r}: {state}, "
                f"{len(self.station)} stations>")


@dataclass(eq=False)
class Result:
    """An analysis run: its problems, its warnings and its summary.

    status is korven.STATUS_NORMAL for a run that reached its end (whether
    each problem converged is Problem.converged). report holds the report
    text when it was asked for (analyse(..., report=True)), else None.
    case holds the values a study set for this run (key: value), else None.
    """

    status: int
    message: str
    problems: list[Problem]
    warnings: list[str]  # the input checks' warnings, then the run's
    input_warnings: list[Diagnostic]  # the input checks' warnings with file, line and key
    summary: dict  # the command line's JSON summary (korven run --json)
    report: str | None = None
    case: dict | None = field(default=None)

    @property
    def converged(self) -> bool:
        """Whether every problem converged."""
        return bool(self.problems) and all(p.converged for p in self.problems)

    @property
    def final(self) -> Problem:
        """The last problem: the wall itself, or the last stage of a sequence."""
        return self.problems[-1]

    def __repr__(self):
        stages = ", ".join(repr(p) for p in self.problems)
        case = f" case={self.case!r}" if self.case else ""
        return f"<korven.Result status={self.status}{case} [{stages}]>"
