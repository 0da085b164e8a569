#!/usr/bin/env python3
"""The HTML report of every example, opened as a person opens it: in a real
headless Chromium. Fails on any console message of level error, on any
resource the page fetches, on a missing diagram or an axis without its
quantity and unit, and on an annotated extreme that differs from the JSON
summary. Leaves a screenshot of each report (screen and print layout) and
its PDF print in the output folder for a person to look at.

Usage: html_in_browser.py KORVEN EXAMPLES_DIR OUTPUT_DIR
Exits 77 (skipped) when Chromium, its driver or Selenium is missing.
"""
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77

DEPTH_DIAGRAMS = {  # data-diagram -> the summary's member
    "deflection": "deflection",
    "moment": "moment",
    "shear": "shear",
    "soilReaction": "soilReactionBelowExcavation",
    "netPressure": "netPressure",
}
OTHER_DIAGRAMS = ["earthPressure", "pyCurve", "convergence"]


def skip(why):
    print("SKIPPED: " + why)
    sys.exit(SKIP)


try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    skip("python3-selenium is not installed")


def browser(profile):
    chromium = shutil.which("chromium")
    driver = shutil.which("chromedriver")
    if not chromium or not driver:
        skip("chromium or chromium-driver is not installed")
    opts = webdriver.ChromeOptions()
    opts.binary_location = chromium
    for arg in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                "--no-first-run", "--disable-background-networking",
                "--disable-component-update", "--disable-sync",
                "--user-data-dir=" + profile, "--window-size=1300,1000",
                "--hide-scrollbars"]:
        opts.add_argument(arg)
    opts.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(driver), options=opts)


def check_page(d, name, summary, errors):
    def fail(what):
        errors.append("%s: %s" % (name, what))

    for entry in d.get_log("browser"):
        if entry["level"] in ("SEVERE", "WARNING"):
            fail("console %s: %s" % (entry["level"], entry["message"]))
    fetched = d.execute_script(
        "return performance.getEntriesByType('resource').map(e => e.name)")
    if fetched:
        fail("the page fetched %s" % fetched)
    if d.execute_script("return document.scripts.length"):
        fail("the page holds a script")

    def axes_labelled(svg, diagram):
        for axis in ("x", "y"):
            labels = svg.find_elements(By.CSS_SELECTOR, "text.axis-label." + axis)
            text = labels[0].text if labels else ""
            if not (text and "(" in text and text.endswith(")")) and not (
                    diagram == "convergence" and axis == "x" and text == "Iteration"):
                fail("%s diagram: %s axis label %r lacks quantity and unit" % (diagram, axis, text))

    converged = [p for p in summary["problems"] if p["converged"]]
    for diagram in DEPTH_DIAGRAMS:
        svgs = d.find_elements(By.CSS_SELECTOR, "figure[data-diagram='%s'] svg" % diagram)
        if converged and len(svgs) != 1:
            fail("%d %s diagrams" % (len(svgs), diagram))
        for svg in svgs:
            axes_labelled(svg, diagram)
            lines = svg.find_elements(By.CSS_SELECTOR, "polyline.series")
            if len(lines) != len(converged):
                fail("%s diagram draws %d lines for %d problems" % (diagram, len(lines), len(converged)))
    for diagram in OTHER_DIAGRAMS:
        svgs = d.find_elements(By.CSS_SELECTOR, "figure[data-diagram='%s'] svg" % diagram)
        none = d.find_elements(By.CSS_SELECTOR, "p.none[data-diagram='%s']" % diagram)
        if not svgs and not none:
            fail("neither a %s diagram nor a note that there is none" % diagram)
        for svg in svgs:
            axes_labelled(svg, diagram)

    # Every extreme of every converged problem is annotated, and as the
    # JSON summary has it.
    seen = set()
    for li in d.find_elements(By.CSS_SELECTOR, "li.extreme"):
        n = int(li.get_attribute("data-problem"))
        quantity = li.get_attribute("data-quantity")
        kind = li.get_attribute("data-kind")
        seen.add((n, quantity, kind))
        problem = next(p for p in summary["problems"] if p["number"] == n)
        want = problem[DEPTH_DIAGRAMS[quantity]][kind]
        value = float(li.get_attribute("data-value"))
        depth = float(li.get_attribute("data-depth"))
        if value != want["value"] or depth != want["depth"]:
            fail("problem %d %s %s annotated %r at %r, summary %r at %r" %
                 (n, quantity, kind, value, depth, want["value"], want["depth"]))
        shown = "%.4g" % want["value"] if want["value"] != 0 else "0"
        if (" %s %s " % (kind, shown)) not in " %s " % li.text:
            fail("problem %d %s %s reads %r, summary value %s" % (n, quantity, kind, li.text, shown))
    for p in converged:
        for quantity in DEPTH_DIAGRAMS:
            for kind in ("max", "min"):
                if (p["number"], quantity, kind) not in seen:
                    fail("problem %d: %s %s not annotated" % (p["number"], quantity, kind))


def screenshots(d, name, out):
    height = d.execute_script("return document.documentElement.scrollHeight")
    d.set_window_size(1300, min(max(height, 800), 16000))
    d.save_screenshot(os.path.join(out, name + ".png"))
    d.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": "print"})
    height = d.execute_script("return document.documentElement.scrollHeight")
    d.set_window_size(1100, min(max(height, 800), 16000))
    d.save_screenshot(os.path.join(out, name + "-print.png"))
    d.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": ""})
    d.set_window_size(1300, 1000)
    import base64
    pdf = d.print_page()
    with open(os.path.join(out, name + ".pdf"), "wb") as f:
        f.write(base64.b64decode(pdf))


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    korven, examples, out = sys.argv[1:]
    os.makedirs(out, exist_ok=True)
    started = time.time()
    work = tempfile.mkdtemp(prefix="korven_html_")
    profile = tempfile.mkdtemp(prefix="korven_chromium_")
    errors = []
    pages = []
    for dat in sorted(glob.glob(os.path.join(examples, "*.dat"))):
        name = os.path.splitext(os.path.basename(dat))[0]
        shutil.copy(dat, work)
        html = os.path.join(work, name + ".html")
        js = os.path.join(work, name + ".json")
        run = subprocess.run([korven, "run", "-q", os.path.join(work, name + ".dat"),
                              "--html", html, "--json", js], capture_output=True, text=True)
        if run.returncode != 0:
            errors.append("%s: korven exited %d: %s" % (name, run.returncode, run.stderr))
            continue
        pages.append((name, html, js))
    if not pages:
        errors.append("no example report to open")
    d = browser(profile)
    try:
        for name, html, js in pages:
            with open(js) as f:
                summary = json.load(f)
            d.get("file://" + html)
            check_page(d, name, summary, errors)
            screenshots(d, name, out)
    finally:
        d.quit()
        shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(profile, ignore_errors=True)
    for e in errors:
        print("FAIL " + e)
    print("%d reports opened in %.1f s; screenshots in %s" % (len(pages), time.time() - started, out))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
