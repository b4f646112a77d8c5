#!/usr/bin/env python3
"""Checks what a real browser made of a run's page.

Usage: check_browser.py FOLDER

FOLDER holds the run's SEQPROBE.ANS, the DOM the browser built (dom.html), its logs
(dom.log, screen.log) and its screenshot (screen.png). The page must have logged nothing
to its console, the DOM must hold the charts and tables the run's analyses call for, and
the screenshot must show the charts: not blank, and holding the historical marks' colour.
"""
import re
import struct
import sys
import zlib
from pathlib import Path

HISTORICAL_MARK = (0xD5, 0x5E, 0x00)  # the vermillion of the historical marks
BOX_CHARTS_PER_TEST = 8               # annual, 2 monthly, run sums, 4 deficit statistics
# the parameter-file values, the historical record, the simulation summary, each chart's,
# the storages (2)
TABLES_PER_TEST = 3 + BOX_CHARTS_PER_TEST + 2
# The risk section that follows each gauge's test: its charts (reliability, droughts, flow
# duration, two correlograms, the long-memory and L-moment figures, the SSI-12 droughts),
# their tables (the last two charts share one), the thresholds' and the monthly tests',
# and the curves they join.
RISK_CHARTS = ("storage\u2013yield\u2013reliability", "droughts below the monthly Q80", "flow duration",
               "persistence of the monthly departures", "persistence of the annual flows",
               "long memory, spectrum and L-moments of the annual flows", "SSI-12 droughts against the record's climate")
RISK_TABLES = len(RISK_CHARTS) - 1 + 2
RISK_POLYLINES = 6 + 1 + 3 * 2                 # a curve per reliability and the historical; median and historical
HEAT_MAPS = ("Historical correlation of annual flows", "Generated correlation of annual flows")


def pixels(png):
    """The RGB(A) rows of an 8-bit PNG, unfiltered."""
    data = png.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    chunks, at = {}, 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunks.setdefault(kind, []).append(data[at + 8:at + 8 + length])
        at += 12 + length
    width, height, depth, colour = struct.unpack(">IIBB", chunks[b"IHDR"][0][:10])
    assert depth == 8 and colour in (2, 6), f"unexpected PNG format {depth} {colour}"
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(chunks[b"IDAT"]))
    rows, previous, stride = [], bytearray(width * step), width * step
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up = previous[i]
            corner = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 0xFF
        rows.append(bytes(line))
        previous = line
    return width, height, step, rows


def main():
    folder = Path(sys.argv[1])
    failures = []
    for log in ("dom.log", "screen.log"):
        console = [line for line in (folder / log).read_text(errors="replace").splitlines() if "CONSOLE" in line]
        if console:
            failures.append(f"the page wrote to the browser's console: {console[:5]}")

    report = (folder / "SEQPROBE.ANS").read_text(encoding="latin-1")
    tests = report.count("SUMMARY OF MASS-CURVE ANALYSIS")
    pages = report.count("MONTHLY COMPARSIONS OF GAUGES")
    dom = (folder / "dom.html").read_text(encoding="utf-8")
    # Every test of this run is of its own gauge, each with its risk section; the summary and
    # the cross-gauge heat maps lead the page.
    cross = 1 if tests >= 2 else 0
    expected = {"<svg": tests * (BOX_CHARTS_PER_TEST + 1 + len(RISK_CHARTS)) + pages + cross * len(HEAT_MAPS),
                "<table": 1 + tests * (TABLES_PER_TEST + RISK_TABLES) + pages + 1 + cross,
                "<section": tests * 2 + pages + 1 + cross,
                "<polyline": tests * (41 + 3 + RISK_POLYLINES)}
    for tag, count in expected.items():
        if dom.count(tag) != count:
            failures.append(f"the DOM holds {dom.count(tag)} {tag}> elements, the run calls for {count}")
    for chart in RISK_CHARTS:
        shown = len(re.findall(r'<svg[^>]*aria-label="[^"]*: ' + re.escape(chart) + '"', dom))
        if shown != tests:
            failures.append(f"the DOM holds {shown} charts of {chart!r}, the run calls for {tests}")
    for heat_map in HEAT_MAPS:
        if len(re.findall(r'aria-label="' + re.escape(heat_map), dom)) != cross:
            failures.append(f"the DOM lacks the heat map {heat_map!r}")
    if dom.find('<section class="vs">') > dom.find("<main>"):
        failures.append("the validation summary does not lead the page")
    if re.search(r"<(script|link|img|iframe)\b", dom) or re.search(r"(src|href)=\"(https?:|//)", dom):
        failures.append("the page asks for something from outside itself")

    width, height, step, rows = pixels(folder / "screen.png")
    blank = sum(1 for row in rows for i in range(0, len(row), step) if row[i:i + 3] == b"\xff\xff\xff")
    marks = sum(1 for row in rows for i in range(0, len(row), step)
                if all(abs(a - b) <= 8 for a, b in zip(row[i:i + 3], HISTORICAL_MARK)))
    if blank > 0.97 * width * height:
        failures.append(f"the screenshot is blank: {blank} of {width * height} pixels white")
    if marks < 50:
        failures.append(f"the screenshot shows no chart: {marks} pixels of the historical marks' colour")

    for failure in failures:
        print(failure)
    if failures:
        sys.exit(1)
    print(f"the browser built {tests} statistics tests and {pages} correlation pages, "
          f"silent console, screenshot {width}x{height} with {marks} pixels of historical marks")


if __name__ == "__main__":
    main()
