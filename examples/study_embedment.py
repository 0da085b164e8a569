"""How long must the cantilever sheet-pile wall of cantilever-sand.toml be,
for a 10 ft excavation, for its top to move no more than 25 mm, and what
moment must it carry then, as the friction angle of the sand goes from 30
to 40 degrees?

Every combination of wall length (14 to 34 ft) and friction angle is
analysed (a parameter study of 231 analyses on every core, or on a Dask
cluster with --scheduler), and the results are drawn in a PNG:

    python3 examples/study_embedment.py [--out study_embedment.png]
    python3 examples/study_embedment.py --scheduler tcp://scheduler:8786
"""

import argparse
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import korven  # noqa: E402

PROJECT = Path(__file__).resolve().parent / "cantilever-sand.toml"
LIMIT_MM = 25.0
LIMIT_IN = LIMIT_MM / 25.4  # the project is in English units: deflection in in
EXCAVATION_FT = 10.0
LENGTHS_FT = [14 + i for i in range(21)]  # 14 to 34 ft
PHIS = [30 + i for i in range(11)]  # 30 to 40 degrees


def length_case(feet):
    # A wall's length is its height, its number of 6-in increments and the
    # bottom of its one section; the sand reaches below the longest wall.
    inches = feet * 12.0
    return {"wall.excavation_depth": EXCAVATION_FT * 12.0,
            "wall.height": inches, "wall.increments": int(feet * 2),
            "wall.section[1].bottom": inches, "soil.layer[1].bottom_depth": 600.0}


def run(client=None):
    return korven.study(PROJECT, cases=[length_case(f) for f in LENGTHS_FT],
                        vary={"soil.layer[1].phi": PHIS}, client=client)


def top_deflection(result):
    """The top deflection in inches; None where the wall found no equilibrium."""
    return result.final.summary["deflection"]["top"]["value"] if result.converged else None


def largest_moment(result):
    """The largest moment in kip-ft per foot of wall (the analysis takes 1 ft)."""
    m = result.final.summary["moment"]
    return max(abs(m["max"]["value"]), abs(m["min"]["value"])) / 12000.0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default="study_embedment.png", help="the PNG to write")
    parser.add_argument("--scheduler", help="address of a Dask scheduler (tcp://host:8786)")
    args = parser.parse_args()
    client = None
    if args.scheduler:
        from distributed import Client
        client = Client(args.scheduler)
    results = run(client)

    by_phi = {phi: [r for r in results if r.case["soil.layer[1].phi"] == phi] for phi in PHIS}
    needed = {}  # friction angle: (shortest length that holds the limit, its moment)
    for phi, runs in by_phi.items():
        fit = [r for r in runs if top_deflection(r) is not None and top_deflection(r) <= LIMIT_IN]
        if fit:
            shortest = min(fit, key=lambda r: r.case["wall.height"])
            needed[phi] = (shortest.case["wall.height"] / 12.0, largest_moment(shortest))

    fig, (left, middle, right) = plt.subplots(1, 3, figsize=(15, 4.8), constrained_layout=True)
    fig.suptitle(f"Cantilever sheet-pile wall (PZ27) in sand, {EXCAVATION_FT:.0f} ft excavation: "
                 f"top deflection limited to {LIMIT_MM:.0f} mm", fontsize=13)
    colours = plt.cm.viridis([i / (len(PHIS) - 1) for i in range(len(PHIS))])
    for colour, phi in zip(colours, PHIS):
        points = [(r.case["wall.height"] / 12.0, top_deflection(r) * 25.4)
                  for r in by_phi[phi] if top_deflection(r) is not None]
        if points:
            left.plot(*zip(*points), color=colour, label=f"φ = {phi}°")
    left.axhline(LIMIT_MM, color="crimson", linestyle="--", label=f"{LIMIT_MM:.0f} mm")
    left.set(xlabel="wall length (ft)", ylabel="top deflection (mm)",
             title="Top deflection against wall length", ylim=(0, 100))
    left.legend(fontsize=7, ncol=2)
    left.grid(True, which="both", alpha=0.3)

    phis = sorted(needed)
    middle.plot(phis, [needed[p][0] - EXCAVATION_FT for p in phis], "o-", color="tab:blue")
    middle.set(xlabel="friction angle φ (°)", ylabel="embedment below the excavation (ft)",
               title="Embedment that holds the limit (labels: wall length, ft)")
    middle.grid(True, alpha=0.3)
    for p in phis:
        middle.annotate(f"{needed[p][0]:.0f}", (p, needed[p][0] - EXCAVATION_FT),
                        textcoords="offset points", xytext=(0, 6), ha="center", fontsize=7)

    right.plot(phis, [needed[p][1] for p in phis], "s-", color="tab:orange")
    right.set(xlabel="friction angle φ (°)", ylabel="largest moment (kip-ft per ft of wall)",
              title="Largest moment at that embedment")
    right.grid(True, alpha=0.3)
    fig.savefig(args.out, dpi=120)

    print(f"{len(results)} analyses; wall length for a top deflection of at most "
          f"{LIMIT_MM:.0f} mm:")
    for p in phis:
        print(f"  phi {p:2d} deg: {needed[p][0]:4.0f} ft "
              f"(embedment {needed[p][0] - EXCAVATION_FT:4.0f} ft), "
              f"largest moment {needed[p][1]:6.1f} kip-ft/ft")
    missing = [p for p in PHIS if p not in needed]
    if missing:
        print(f"  no wall up to {LENGTHS_FT[-1]} ft holds the limit for phi {missing}")
    print(f"plot written to {args.out}")


if __name__ == "__main__":
    main()
