"""korven.study over a Dask cluster: worker processes analyse the cases and
send the results back pickled."""

import time

import pytest

import korven
from conftest import EXAMPLES, phi_cases, same_results

distributed = pytest.importorskip("distributed")

# Debian's tornado warns of its own event-loop calls, which distributed makes.
pytestmark = pytest.mark.filterwarnings("ignore::DeprecationWarning")


@pytest.fixture(scope="module")
def client():
    # Worker processes import korven as this process does (PYTHONPATH).
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster:
        with distributed.Client(cluster) as c:
            yield c


def test_two_hundred_variations_on_two_worker_processes(client, capsys):
    base = korven.load(EXAMPLES / "cantilever-sand.toml")
    cases = phi_cases(200)
    start = time.perf_counter()
    remote = korven.study(base, cases=cases, client=client)
    elapsed = time.perf_counter() - start
    with capsys.disabled():
        print(f"\n200 variations on 2 Dask worker processes: {elapsed:.2f} s "
              f"({len(cases) / elapsed:.0f}/s)")
    local = korven.study(base, cases=cases, threads=1)
    assert [r.case for r in remote] == cases
    assert all(same_results(a, b) for a, b in zip(local, remote))
    workers = client.run(lambda: __import__("os").getpid())
    assert len(set(workers.values())) == 2


def test_errors_cross_from_the_workers(client):
    cases = [{"soil.layer[1].phi": 30.0}, {"soil.layer[1].phi": -5.0}]
    results = korven.study(EXAMPLES / "cantilever-sand.toml", cases=cases, client=client,
                           errors="return")
    assert results[0].converged
    e = results[1]
    assert isinstance(e, korven.InputError) and e.case == cases[1]
    assert (e.file, e.key) == ("cantilever-sand.toml", "soil.layer[1].phi")
    with pytest.raises(korven.InputError) as caught:
        korven.study(EXAMPLES / "cantilever-sand.toml", cases=cases, client=client)
    assert caught.value.key == "soil.layer[1].phi"
