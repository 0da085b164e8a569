"""Parameter studies: one project analysed with some of its values varied,
on a pool of threads or on a Dask cluster.

Keys are named as the project's messages name them: dotted, with 1-based
element numbers for arrays of tables, e.g. "soil.layer[1].phi",
"wall.section[1].bottom", "stage[2].wall.excavation_depth".
"""

from __future__ import annotations

import copy
import itertools
import os
import re
from concurrent.futures import ThreadPoolExecutor

from .analysis import analyse, load
from .errors import Error

_PART = re.compile(r"([^.\[\]]+)((?:\[[0-9]+\])*)")


def _steps(key: str) -> list:
    """"soil.layer[2].phi" as ["soil", "layer", 1, "phi"] (0-based indices)."""
    steps = []
    for part in key.split("."):
        match = _PART.fullmatch(part)
        if match is None:
            raise KeyError(f"{key!r}: not a key; keys are written like soil.layer[1].phi")
        steps.append(match.group(1))
        for number in re.findall(r"\[([0-9]+)\]", match.group(2)):
            if int(number) < 1:
                raise KeyError(f"{key!r}: elements are numbered from 1")
            steps.append(int(number) - 1)
    return steps


def set_value(project: dict, key: str, value) -> None:
    """Sets the value of a key (soil.layer[1].phi) in a project dict, in place.

    Tables on the way that the project lacks are made; an element beyond an
    array's end, or a step into a value that is no table or array, is a
    KeyError naming the key."""
    steps = _steps(key)
    here = project
    for i, step in enumerate(steps):
        if isinstance(step, int):
            if not isinstance(here, list):
                raise KeyError(f"{key!r}: {_shown(steps[:i])} is not an array of tables")
            if step >= len(here):
                raise KeyError(f"{key!r}: {_shown(steps[:i])} has {len(here)} elements")
        elif not isinstance(here, dict):
            raise KeyError(f"{key!r}: {_shown(steps[:i])} is not a table")
        if i == len(steps) - 1:
            here[step] = value
        else:
            if isinstance(step, str) and here.get(step) is None:
                if isinstance(steps[i + 1], int):
                    raise KeyError(f"{key!r}: the project has no {_shown(steps[:i + 1])}")
                here[step] = {}
            here = here[step]


def _shown(steps: list) -> str:
    out = ""
    for step in steps:
        out += f"[{step + 1}]" if isinstance(step, int) else (f".{step}" if out else step)
    return out


def with_values(project: dict, case: dict) -> dict:
    """A copy of a project dict with the values of `case` (key: value) set;
    the project itself is left as it is."""
    out = copy.deepcopy(project)
    for key, value in case.items():
        set_value(out, key, value)
    return out


def cases_of(vary: dict | None = None, cases: list | None = None) -> list[dict]:
    """The cases of a study, each a dict key: value.

    vary: key: values; every combination of them (a grid, the last key
    varying fastest). cases: a list of dicts key: value, each one case (for
    values that go together, such as a wall's length, its increments and
    its section's bottom). Given both, each case is combined with each point
    of the grid, the cases outermost. Given neither, the one case of the
    project as it is.
    """
    grid = [{}]
    if vary:
        keys = list(vary)
        columns = []
        for key in keys:
            values = vary[key]
            if isinstance(values, (str, bytes, dict)) or not hasattr(values, "__iter__"):
                raise TypeError(f"vary[{key!r}]: expected a list of values")
            columns.append(list(values))
        grid = [dict(zip(keys, point)) for point in itertools.product(*columns)]
    listed = [dict(c) for c in cases] if cases is not None else [{}]
    if vary and cases is not None:
        shared = {k for c in listed for k in c} & set(vary)
        if shared:
            raise ValueError(f"keys both varied and given by cases: {sorted(shared)}")
    return [{**c, **g} for c in listed for g in grid]


def _run(base: dict, case: dict, options: dict, errors: str):
    try:
        result = analyse(with_values(base, case), **options)
    except Error as e:
        e.case = case
        if hasattr(e, "add_note"):  # Python 3.11 and later
            e.add_note(f"in the study case {case}")
        if errors == "raise":
            raise
        return e
    result.case = case
    return result


def _run_batch(base: dict, batch: list[dict], options: dict, errors: str) -> list:
    return [_run(base, case, options, errors) for case in batch]


def study(base, vary: dict | None = None, *, cases: list | None = None,
          threads: int | None = None, client=None, errors: str = "raise",
          report: bool = False, name: str | None = None) -> list:
    """Analyses a project once per case and returns the results in case order.

    base: the project (path, text or dict, as for analyse). vary and cases
    make the cases (see cases_of): vary={"soil.layer[1].phi": [28, 30, 32],
    "wall.excavation_depth": [150, 180]} is a grid of six analyses. Keys are
    dotted with 1-based element numbers, as the project's messages name
    them. Each result's case holds the values set for it.

    threads: analyses at once on this machine (default: one per core); the
    analyses run without the interpreter lock. client: a dask.distributed
    Client; the cases are then spread over its workers in batches (each
    worker needs the korven module installed) and threads is not used.

    errors: "raise" (the default) raises the first case's error (its case
    in e.case and in a note); "return" puts the error in that case's place
    in the list and goes on. report and name: as for analyse.
    """
    if errors not in ("raise", "return"):
        raise ValueError('errors is "raise" or "return"')
    project = load(base, name=name)
    if name is None and _is_path(base):
        name = os.path.basename(os.fspath(base))
    todo = cases_of(vary, cases)
    options = {"report": report, "name": name}
    if client is not None:
        return _on_cluster(client, project, todo, options, errors)
    workers = threads if threads is not None else (os.cpu_count() or 1)
    if workers < 1:
        raise ValueError("threads is 1 or more")
    if workers == 1 or len(todo) == 1:
        return [_run(project, case, options, errors) for case in todo]
    pool = ThreadPoolExecutor(max_workers=workers)
    try:
        futures = [pool.submit(_run, project, case, options, errors) for case in todo]
        return [f.result() for f in futures]
    finally:
        # On an error, the cases not yet started are dropped.
        pool.shutdown(wait=True, cancel_futures=True)


def _is_path(project) -> bool:
    return isinstance(project, os.PathLike) or (isinstance(project, str) and "\n" not in project)


def _on_cluster(client, project: dict, todo: list[dict], options: dict, errors: str) -> list:
    # Batches of cases keep the scheduler's work per analysis small: about
    # eight batches a worker, so that a slow worker does not hold up the end.
    workers = max(1, len(client.scheduler_info().get("workers", {})))
    size = max(1, len(todo) // (8 * workers))
    batches = [todo[i:i + size] for i in range(0, len(todo), size)]
    # The project goes to the workers once, as one piece (a dict given to
    # scatter would be spread key by key, under its own key names) and under
    # a key of its own (a study of the same project just before may still
    # be releasing the data under a key hashed from it).
    [shared] = client.scatter([project], broadcast=True, hash=False)
    futures = client.map(_run_batch, [shared] * len(batches), batches,
                         options=options, errors=errors, pure=False)
    try:
        return [r for batch in client.gather(futures) for r in batch]
    except BaseException:
        client.cancel(futures)
        raise
