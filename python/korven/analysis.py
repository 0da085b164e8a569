"""One analysis as a function call."""

from __future__ import annotations

import datetime
import json
import os
from collections.abc import Mapping
from pathlib import Path

from . import _korven
from .errors import AnalysisError, Diagnostic, InputError
from .results import Problem, Result

STATUS_NORMAL = _korven.STATUS_NORMAL
STATUS_INPUT_ERROR = _korven.STATUS_INPUT_ERROR
STATUS_DATA_STOP = _korven.STATUS_DATA_STOP
STATUS_HARD_STOP = _korven.STATUS_HARD_STOP

# The name a project given as text or as a dict goes by, unless named.
DEFAULT_NAME = "project.toml"


class _Input:
    """A project as the engine takes it, with the names it goes by."""

    def __init__(self, project, name):
        self.project = True  # a project file; else an input data file
        if isinstance(project, Mapping):
            self.payload = project if isinstance(project, dict) else dict(project)
            self._named(name or DEFAULT_NAME)
        elif isinstance(project, (bytes, bytearray)):
            self.payload = bytes(project)
            self._named(name or DEFAULT_NAME)
        elif isinstance(project, str) and "\n" in project:
            self.payload = project.encode("utf-8", "surrogateescape")
            self._named(name or DEFAULT_NAME)
        elif isinstance(project, (str, os.PathLike)):
            path = Path(project)
            # As the command line: only a regular file is read (a device or
            # a pipe might never end).
            if path.exists() and not path.is_file():
                raise ValueError(f"{path} is not a regular file")
            self.payload = path.read_bytes()
            # As the command line: a .toml file is a project, anything else
            # an input data file; the report header names the full path.
            self.project = path.suffix == ".toml"
            self.file_name = name or path.name
            absolute = path.absolute()
            self.input_name = str(absolute)
            self.report_name = str(absolute.with_suffix(".out"))
            self.plot_name = str(absolute.with_suffix(".plt"))
        else:
            raise TypeError("a project is a path, the text of a project file, or a dict; "
                            f"not a {type(project).__name__}")

    def _named(self, name):
        self.file_name = self.input_name = name
        self.report_name = self.plot_name = ""  # named after the input


def _time(time):
    if time is None:
        return None
    if not isinstance(time, datetime.datetime):
        raise TypeError("time is a datetime.datetime")
    return [time.year, time.month, time.day, time.hour, time.minute, time.second]


def analyse(project, *, report: bool = False, name: str | None = None,
            time: datetime.datetime | None = None) -> Result:
    """Analyses a project and returns its results.

    project: the path of a project file (str or os.PathLike; a path not
    ending in .toml is read as an input data file, as the command line does),
    the text of a project file (a str holding a line break, or bytes), or a
    dict with the keys of a project file (a key whose value is None is left
    out, so its default applies).

    report: keep the report text in Result.report (it is made in any case;
    left out by default to keep results small when many are sent around).
    name: the file name messages and the report header give the project
    (default: the file's name, or "project.toml"). time: the date and time
    the report header prints (default: now).

    Raises InputError (a ValueError) when the project cannot be read or
    converted, or the engine refuses its data, with the command line's
    messages (file, line, key); AnalysisError (a RuntimeError) when an
    analysis phase stops the run. A problem that does not converge is a
    result with converged False. The analysis runs without the interpreter
    lock, so threads analyse in parallel.
    """
    source = _Input(project, name)
    raw = _korven.run(source.payload, source.project, source.file_name, source.input_name,
                      source.report_name, source.plot_name, bool(report), _time(time))
    summary = json.loads(raw["summary"])
    result = Result(
        status=raw["status"],
        message=raw["message"],
        problems=[Problem.from_raw(p, s) for p, s in zip(raw["problems"], summary["problems"])],
        warnings=[d[5] for d in raw["input_warnings"]] + list(raw["warnings"]),
        input_warnings=[Diagnostic.from_tuple(d) for d in raw["input_warnings"]],
        summary=summary,
        report=raw["report"],
    )
    if result.status == STATUS_NORMAL:
        return result
    if result.status in (STATUS_INPUT_ERROR, STATUS_DATA_STOP):
        error = Diagnostic(source.file_name, None, "", result.message, False,
                           f"{source.file_name}: {result.message}")
        raise InputError(result.message, result.status, result, [error])
    raise AnalysisError(result.message, result.status, result)


def load(project, *, name: str | None = None) -> dict:
    """A project (path, text or dict) as a dict with the keys of a project
    file; a dict is copied. A project file that is not valid TOML raises
    InputError naming the line."""
    if isinstance(project, Mapping):
        import copy
        return copy.deepcopy(dict(project))
    source = _Input(project, name)
    if not source.project:
        raise ValueError(f"{source.file_name} is an input data file; convert it to a project "
                         "file first (korven convert)")
    return _korven.load(source.payload, source.file_name)


def to_toml(project: dict) -> str:
    """The text of a project file holding the keys of a dict (numbers keep
    every digit)."""
    return _korven.to_toml(project)
