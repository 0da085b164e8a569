"""What goes wrong in an analysis, as exceptions.

A project that cannot be read or converted, or that the engine refuses
(an input error, or a data check that ends the run), raises InputError,
a ValueError. A run that an analysis phase stops raises AnalysisError, a
RuntimeError. A problem that does not converge is no error: its result says
converged False.
"""

from __future__ import annotations

from dataclasses import dataclass


@dataclass(frozen=True)
class Diagnostic:
    """One message about the input, as the command line prints it."""

    file: str
    line: int | None  # None where no line applies (a project given as a dict)
    key: str  # dotted, with 1-based element numbers: soil.layer[2].phi
    message: str
    warning: bool
    text: str  # "wall.toml:12: soil.layer[2].phi: ..."

    @classmethod
    def from_tuple(cls, values):
        file, line, key, message, warning, text = values
        return cls(file, line or None, key, message, warning, text)

    def __str__(self):
        return self.text


class Error(Exception):
    """An analysis that did not run to its end.

    status: the engine's status code (korven.STATUS_...); message: the
    one-line description the command line prints; result: what the run
    reached before it ended (a korven.Result), or None when it did not start.
    """

    def __init__(self, message, status=None, result=None):
        super().__init__(message)
        self.message = message
        self.status = status
        self.result = result

    def _arguments(self):
        return (self.message, self.status, self.result)

    def __reduce__(self):
        # Keeps the attributes (and notes) across processes.
        return (type(self), self._arguments(), self.__dict__)


class InputError(Error, ValueError):
    """Input that cannot be run: every error found, each with file, line and key.

    file, line, key and message are those of the first error; errors lists
    them all (korven.Diagnostic).
    """

    def __init__(self, message, status=None, result=None, errors=()):
        super().__init__(message, status, result)
        self.errors = list(errors)
        first = self.errors[0] if self.errors else None
        self.file = first.file if first else None
        self.line = first.line if first else None
        self.key = first.key if first else None

    def _arguments(self):
        return (self.message, self.status, self.result, self.errors)

    def __str__(self):
        return "\n".join(d.text for d in self.errors) if self.errors else self.message

    @classmethod
    def from_diagnostics(cls, diagnostics):
        errors = [Diagnostic.from_tuple(d) for d in diagnostics]
        first = errors[0] if errors else None
        return cls(first.message if first else "input error", errors=errors)


class AnalysisError(Error, RuntimeError):
    """A run an analysis phase stopped (a curve depth beyond the input
    curves, a value that is no longer a finite number, ...)."""
